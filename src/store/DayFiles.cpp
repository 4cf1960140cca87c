#include "DayFiles.h"

#include "DayFileCodec.h"
#include "DurableWrite.h"
#include "core/AppContext.h"
#include "core/WriteJournal.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/ProgressDisplay.h"
#include "card/CargoCard.h"
#include "core/SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <limits>

using namespace DayFileLayout;
using namespace Qt::StringLiterals;

namespace {

// The whole file in one read; a missing or unreadable file reads as empty.
QByteArray readWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Complete slots a file of `size` bytes holds.
qint64 slotsHeld(qint64 size)
{
    return size < RecordSize ? 0 : (size - RecordSize) / CardBytes;
}

// The cards a day file really holds: its complete slots, less the trailing
// ones that were never written (ID 0, as after a power cut that extended the
// file but lost the data), reading only the IDs at its end.
qint64 slotsPresent(QFile &file)
{
    qint64 present = slotsHeld(file.size());
    while (present > 0) {
        if (!file.seek(cardOffset(present)))
            break;
        const QByteArray id = file.read(4);
        if (id.size() == 4 && decodeCountRecord(id) != 0)
            break;
        --present;
    }
    return present;
}

// The bytes of slot `n` as far as the file holds them; none when the slot
// holds no card.
QByteArray slotAt(QFile &file, qint64 n)
{
    if (!file.seek(cardOffset(n)))
        return QByteArray();
    QByteArray slot = file.read(CardBytes);
    if (decodeCountRecord(slot) == 0)
        slot.clear();
    return slot;
}

// Hands slots 1..last of an open day file to `use` in order until it
// returns false. The file is read in pieces of a few dozen slots, each used
// while it is still in the cache, instead of reading a day of thousands of
// cards whole and walking it again. The last slot may be cut short by the
// end of the file.
template <class Use>
void forEachSlot(QFile &file, qint64 last, Use use)
{
    constexpr qint64 PieceSlots = 64;
    if (last < 1 || !file.seek(cardOffset(1)))
        return;
    QByteArray piece(PieceSlots * CardBytes, Qt::Uninitialized);
    for (qint64 first = 1; first <= last; first += PieceSlots) {
        const qint64 count = qMin(PieceSlots, last - first + 1);
        const qint64 size = file.read(piece.data(), count * CardBytes);
        // A slot that lost even its ID to the end of the file holds no card.
        for (qint64 i = 0; i < count && i * CardBytes + 4 <= size; ++i) {
            const qint64 from = i * CardBytes;
            if (!use(first + i, DayCardSlot(QByteArrayView(piece).sliced(from, qMin(CardBytes, size - from)))))
                return;
        }
        if (size < count * CardBytes)
            return;
    }
}

// A № must fit the card's number field and be followed by another.
constexpr qint64 kLastNumber = std::numeric_limits<qint32>::max();

} // namespace

DayFiles::DayFiles(AppContext &context, EventLog &log)
    : m_context(context)
    , m_log(log)
{
}

QString DayFiles::changedMessage(int n)
{
    return u"Карточка № %1 изменена с момента открытия: изменения не записаны, откройте карточку заново"_s.arg(n);
}

QString DayFiles::todayPath() const
{
    return dayFilePath(m_context.folders, m_context.clock.today());
}

bool DayFiles::todayFileExists() const
{
    return QFile::exists(todayPath());
}

StoreResult DayFiles::repairCount(const QString &path, qint32 stored, qint64 present)
{
    if (stored == present)
        return {};
    const StoreResult written = writeDurably(path, 0, encodeCountRecord(qint32(present)));
    logCountRepair(path, present, stored);
    return written;
}

void DayFiles::logCountRepair(const QString &path, qint64 count, qint32 stored)
{
    m_log.WriteLog(u"Счётчик карточек файла %1 исправлен: %2 вместо %3"_s.arg(QFileInfo(path).fileName())
                       .arg(count)
                       .arg(stored));
}

StoreResult DayFiles::prepareDayCard(const DayCard &read, const CargoCard &card, SlotWrite &out) const
{
    const int n = read.number;
    if (!read.day.isValid())
        return StoreResult::failed(u"Не выбран файл дня"_s);
    if (n < 1)
        return StoreResult::failed(u"Нет карточки № %1"_s.arg(n));
    const QString path = dayFilePath(m_context.folders, read.day);
    const bool today = read.day == m_context.clock.today();

    // At the first moment of a month or year its folder does not exist yet.
    if (today)
        QDir().mkpath(QFileInfo(path).absolutePath());

    // A missing file holds no cards; the write creates it.
    qint32 stored = 0;
    qint64 present = 0;
    QByteArray slot;
    if (QFile file(path); file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return StoreResult::failed(fileErrorText(file));
        stored = decodeCountRecord(file.read(4));
        present = slotsPresent(file);
        slot = slotAt(file, n);
    }
    if (n > present + 1)
        return StoreResult::failed(
            u"Карточка № %1 не может быть записана: в файле %2 карточек"_s.arg(n).arg(present));
    if (slot != read.slot)
        return StoreResult::failed(changedMessage(n));

    // Card and count as one: a crash leaves the old or the new card in the
    // slot, never parts of both, and a count never names a slot that a
    // power cut could have lost.
    out.slot = {path, cardOffset(n), encodeDayCard(card)};
    out.today = today;
    out.count = qint32(qMax<qint64>(present, n));
    out.storedCount = stored;
    out.present = present;
    return {};
}

QByteArray DayFiles::SlotWrite::encodedCount() const
{
    return encodeCountRecord(count);
}

void DayFiles::dayCardWritten(const DayCard &read, const SlotWrite &slot)
{
    if (read.day != m_context.clock.today())
        return;
    if (slot.storedCount != slot.present && slot.storedCount != slot.count)
        logCountRepair(dayFilePath(m_context.folders, read.day), slot.count, slot.storedCount);
    m_context.settings.DayCardNumber = slot.count;
}

StoreResult DayFiles::WriteDayCard(const DayCard &read, const CargoCard &card)
{
    SlotWrite slot;
    if (const StoreResult prepared = prepareDayCard(read, card, slot); !prepared)
        return prepared;
    QList<WriteJournal::Piece> pieces{slot.slot};
    if (slot.today)
        pieces.append(slot.countPiece());
    if (const StoreResult written = WriteJournal::write(pieces); !written)
        return written;
    dayCardWritten(read, slot);
    return {};
}

StoreResult DayFiles::nextTodayNumber(int &number)
{
    number = 0;
    const QString path = todayPath();
    if (!QFile::exists(path)) {
        number = 1;
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return StoreResult::failed(fileErrorText(file));
    const qint32 stored = decodeCountRecord(file.read(4));
    const qint64 present = slotsPresent(file);
    file.close();
    if (present >= kLastNumber)
        return StoreResult::failed(u"Номера карточек файла %1 исчерпаны"_s.arg(QFileInfo(path).fileName()));
    if (const StoreResult repaired = repairCount(path, stored, present); !repaired)
        return repaired;
    number = int(present + 1);
    return {};
}

DayCard DayFiles::ReadDayCard(const QDate &day, int n) const
{
    DayCard read = DayCard::noCard(day, n);
    if (!day.isValid())
        return read;
    QFile file(dayFilePath(m_context.folders, day));
    read.fileRead = file.open(QIODevice::ReadOnly);
    if (!read.fileRead || n < 1)
        return read;
    read.slot = slotAt(file, n);
    read.card = decodeDayCard(read.slot);
    return read;
}

DayCard DayFiles::findDayCard(const QDate &day, const std::function<bool(const CargoCard &)> &match) const
{
    DayCard found = DayCard::noCard(day, 0);
    if (!day.isValid())
        return found;
    QFile file(dayFilePath(m_context.folders, day));
    found.fileRead = file.open(QIODevice::ReadOnly);
    if (!found.fileRead)
        return found;
    const QByteArray data = file.readAll();
    for (qint64 n = 1; decodeDayCardId(data, n) != 0; ++n) {
        const QByteArrayView slot = QByteArrayView(data).sliced(cardOffset(n), std::min<qint64>(CardBytes, data.size() - cardOffset(n)));
        CargoCard card = decodeDayCard(slot);
        if (match(card)) {
            found.number = int(n);
            found.card = std::move(card);
            found.slot = slot.toByteArray();
            return found;
        }
    }
    return found;
}

bool DayFiles::slotUnchanged(const DayCard &read) const
{
    return ReadDayCard(read.day, read.number).slot == read.slot;
}

StoreResult DayFiles::LoadToday()
{
    if (m_progress)
        m_progress->beginProgress();
    m_todayList.clear();

    const QDate day = m_context.clock.today();
    const QString path = dayFilePath(m_context.folders, day);
    StoreResult result;
    if (!QFile::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile create(path);
        if (!create.open(QIODevice::WriteOnly))
            result = StoreResult::failed(fileErrorText(create));
    }
    QFile file(path);
    qint32 stored = 0;
    qint64 present = 0;
    if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        stored = decodeCountRecord(file.read(RecordSize));
        present = qMin(slotsPresent(file), kLastNumber);
    } else if (result) {
        result = StoreResult::failed(fileErrorText(file));
    }
    Settings &s = m_context.settings;

    // The count follows the cards the file holds: a card written just before
    // a crash, ahead of its count, is kept and the next card goes behind it.
    // What a crash or a damaged disk left of a card that never got whole.
    const qint64 size = file.isOpen() ? file.size() : 0;
    if (const qint64 held = slotsHeld(size); size > fileSize(held) && held >= present)
        m_log.WriteLog(u"Неполная карточка № %1 в конце файла %2 не прочитана: %3 байт из %4"_s.arg(held + 1)
                           .arg(dayFileName(day))
                           .arg(size - fileSize(held))
                           .arg(CardBytes));
    if (const StoreResult repaired = repairCount(path, stored, present); !repaired && result)
        result = repaired;
    s.DayCardNumber = qint32(present);

    qint32 highestId = 0;
    forEachSlot(file, present, [&](qint64 n, const DayCardSlot &card) {
        highestId = qMax(highestId, card.id());
        m_todayList.append(card);
        if (m_progress)
            m_progress->stepProgress(int(n), int(present));
        return true;
    });
    // Settings older than the day file would hand these IDs out again.
    if (highestId > s.CardIdCounter) {
        m_log.WriteLog(u"Счётчик ID карточек поднят с %1 до %2 по файлу %3"_s.arg(s.CardIdCounter)
                           .arg(highestId)
                           .arg(dayFileName(day)));
        s.CardIdCounter = highestId;
    }
    m_loadedDay = day;

    if (m_progress)
        m_progress->endProgress();
    return result;
}

void DayFiles::raiseIdCounterFromRecord()
{
    // IDs only grow, so the newest month with cards holds the highest; the
    // search goes back while a month still gives a higher one.
    Settings &s = m_context.settings;
    const qint32 before = s.CardIdCounter;
    qint32 highest = before;
    QString where;
    const QDir root(m_context.folders.DataRoot);
    QList<int> years;
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (bool isYear = false; name.toInt(&isYear), isYear)
            years << name.toInt();
    std::sort(years.begin(), years.end(), std::greater<>());
    bool done = false;
    for (const int year : std::as_const(years)) {
        for (int month = 12; month >= 1 && !done; --month) {
            const QDir folder(root.filePath(QString::number(year) + u'/' + MonthFolderName(month)));
            const QStringList files = folder.entryList({u"*.dat"_s}, QDir::Files);
            qint32 monthHighest = 0;
            bool cards = false;
            for (const QString &name : files) {
                if (name.endsWith(u"_Plus.dat"_s))
                    continue;
                const QByteArray data = readWhole(folder.filePath(name));
                for (qint64 n = 1, held = slotsHeld(data.size()); n <= held; ++n) {
                    const qint32 id = decodeDayCardId(data, n);
                    cards = cards || id != 0;
                    if (id > monthHighest) {
                        monthHighest = id;
                        if (id > highest)
                            where = name;
                    }
                }
            }
            if (!cards)
                continue;
            if (monthHighest <= highest) {
                done = true;
                break;
            }
            highest = monthHighest;
        }
        if (done)
            break;
    }
    if (highest > before) {
        s.CardIdCounter = highest;
        m_log.WriteLog(u"Настройки новые или восстановлены: счётчик ID карточек поднят с %1 до %2 по файлу %3"_s
                           .arg(before)
                           .arg(highest)
                           .arg(where));
    }
}

void DayFiles::LoadArchiveDay(const QString &path)
{
    m_archivePath = path;
    if (m_progress)
        m_progress->beginProgress();
    m_archiveList.clear();
    m_archiveCount = 0;

    constexpr int MaxCards = 100000;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int held = int(qMin<qint64>(MaxCards, file.size() / CardBytes + 1));
        forEachSlot(file, MaxCards, [&](qint64 n, const DayCardSlot &card) {
            // A card cut off before its ID ends the day like an ID 0.
            if (card.id() == 0)
                return false;
            m_archiveCount = int(n);
            m_archiveList.append(card);
            if (m_progress)
                m_progress->stepProgress(int(n), held);
            return true;
        });
    }

    if (m_progress)
        m_progress->endProgress();
}
