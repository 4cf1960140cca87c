#include "DayFiles.h"

#include "DayFileCodec.h"
#include "core/AppContext.h"
#include "core/ProgressDisplay.h"
#include "weighing/CargoCard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

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

bool writeAt(QFile &file, qint64 offset, const QByteArray &bytes)
{
    return file.seek(offset) && file.write(bytes) == bytes.size();
}

} // namespace

DayFiles::DayFiles(AppContext &context, WorkingCards &cards)
    : m_context(context)
    , m_cards(cards)
{
}

QString DayFiles::todayPath() const
{
    return dayFilePath(m_context.folders, m_context.clock.today());
}

bool DayFiles::todayFileExists() const
{
    return QFile::exists(todayPath());
}

QString DayFiles::pathOf(DayTarget target) const
{
    return target == DayTarget::Today ? todayPath() : m_archivePath;
}

StoreResult DayFiles::nextTodayNumber(int &number)
{
    const QByteArray data = readWhole(todayPath());
    const qint32 count = decodeCountRecord(data);
    number = count < 1 ? 1 : count + 1;
    return {};
}

StoreResult DayFiles::WriteDayCard(DayTarget target, int n)
{
    const QString path = pathOf(target);
    if (n < 1 || path.isEmpty())
        return StoreResult::failed(u"нет карточки"_s);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const CargoCard &card = target == DayTarget::Today ? m_cards.CurrentCard : m_cards.ArchiveCard;

    // Unbuffered: the slot goes down in a single write, so a crash leaves
    // the old or the new card in it, never parts of both. The card goes
    // before the count so a count never names a slot not yet written.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return StoreResult::failed(QFileInfo(path).fileName() + u": "_s + file.errorString());
    bool ok = writeAt(file, cardOffset(n), encodeDayCard(card));
    if (target == DayTarget::Today)
        ok = writeAt(file, 0, encodeCountRecord(m_context.settings.DayCardNumber)) && ok;
    ok = ::fdatasync(file.handle()) == 0 && ok;
    if (!ok)
        return StoreResult::failed(QFileInfo(path).fileName() + u": "_s + file.errorString());
    return {};
}

bool DayFiles::ReadDayCard(DayTarget target, int n)
{
    if (target == DayTarget::Today && n < 1)
        return false;
    CargoCard &card = target == DayTarget::Today ? m_cards.CurrentCard : m_cards.ArchiveCard;
    QFile file(pathOf(target));
    QByteArray slot;
    if (n >= 1 && file.open(QIODevice::ReadOnly) && file.seek(cardOffset(n)))
        slot = file.read(CardBytes);
    card = decodeDayCard(slot);
    return file.isOpen();
}

void DayFiles::LoadToday()
{
    if (m_progress)
        m_progress->beginProgress();
    m_todayList.clear();
    m_loadedDay = m_context.clock.today();

    const QString path = todayPath();
    if (!QFile::exists(path)) {
        QFile create(path);
        (void)create.open(QIODevice::WriteOnly);
    }
    const QByteArray data = readWhole(path);
    const qint32 count = decodeCountRecord(data);
    m_context.settings.DayCardNumber = count;

    // Slots past the end of a damaged file would all read as empty cards:
    // they are not listed, and the working card ends up empty as well.
    const qint64 held = data.size() < RecordSize ? 0 : (data.size() - RecordSize + CardBytes - 1) / CardBytes;
    const qint64 last = qMin<qint64>(count, held);
    for (qint64 n = 1; n <= last; ++n) {
        m_cards.CurrentCard = decodeDayCard(QByteArrayView(data).sliced(cardOffset(n)));
        m_todayList.append(m_cards.CurrentCard);
        if (m_progress)
            m_progress->stepProgress(int(n), count);
    }
    if (count > last)
        m_cards.CurrentCard = CargoCard();

    if (m_progress)
        m_progress->endProgress();
    if (m_constantNames)
        m_constantNames();
}

void DayFiles::LoadArchiveDay(const QString &path)
{
    m_archivePath = path;
    if (m_progress)
        m_progress->beginProgress();
    m_archiveList.clear();
    m_archiveCount = 0;

    const QByteArray data = readWhole(path);
    constexpr int MaxCards = 100000;
    const int held = int(qMin<qint64>(MaxCards, data.size() / CardBytes + 1));
    for (int n = 1; n <= MaxCards; ++n) {
        if (decodeDayCardId(data, n) == 0)
            break;
        m_archiveCount = n;
        m_cards.ArchiveCard = decodeDayCard(QByteArrayView(data).sliced(cardOffset(n)));
        m_archiveList.append(m_cards.ArchiveCard);
        if (m_progress)
            m_progress->stepProgress(n, held);
    }

    if (m_progress)
        m_progress->endProgress();
}

void DayFiles::appendListLine(DayTarget target)
{
    list(target).append(target == DayTarget::Today ? m_cards.CurrentCard : m_cards.ArchiveCard);
}
