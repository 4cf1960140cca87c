#include "WeighingMemory.h"

#include "MemoryCards.h"

#include "core/Clock.h"
#include "core/CommitLog.h"
#include "core/Formats.h"
#include "core/SystemErrorText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

namespace F = MemoryFields;

QString yesNo(bool yes)
{
    return yes ? u"да"_s : u"нет"_s;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where the whole records at the start of `data` lie, read without their
// fields: a month of them is read at every start.
struct Span
{
    qsizetype at = 0;
    RecordSpan record;
};
QList<Span> wholeRecords(const QByteArray &data, qint64 &end)
{
    QList<Span> out;
    qsizetype at = 0;
    for (;;) {
        const RecordSpan r = scanRecord(QByteArrayView(data).sliced(at));
        if (r.size == 0)
            break;
        out.append({at, r});
        at += r.size;
    }
    end = at;
    return out;
}

} // namespace

WeighingMemory::WeighingMemory(const QString &baseFolder, Clock &clock, CommitLog &journal)
    : m_folder(folderIn(baseFolder))
    , m_clock(clock)
    , m_journal(journal)
{
}

QString WeighingMemory::folderIn(const QString &baseFolder)
{
    return baseFolder + u"Memory/"_s;
}

QString WeighingMemory::headPath(const QString &memoryFolder)
{
    return memoryFolder + u"head.txt"_s;
}

QString WeighingMemory::monthPath(const QString &memoryFolder, const QDate &month)
{
    return memoryFolder + month.toString(u"yyyy-MM"_s) + u".mem"_s;
}

QStringList WeighingMemory::recordFiles(const QString &memoryFolder)
{
    QStringList files = QDir(memoryFolder).entryList({u"[0-9][0-9][0-9][0-9]-[0-9][0-9].mem"_s}, QDir::Files, QDir::Name);
    for (QString &name : files)
        name.prepend(memoryFolder);
    return files;
}

QByteArray WeighingMemory::encodeHead(const Head &head, const QByteArray &secretKey)
{
    const QByteArray text = (F::Number + u": "_s + QString::number(head.number) + u"\nSHA-256: "_s
                             + QString::fromLatin1(head.hash.toHex()) + u'\n' + F::EventCounter + u": "_s
                             + QString::number(head.events) + u'\n' + F::Parameters + u": "_s
                             + QString::fromLatin1(head.settings.toHex()) + u'\n' + F::Software + u": "_s
                             + head.software + u'\n')
                                .toUtf8();
    QByteArray out = text + "Подпись: " + MemoryKey::sign(text, secretKey).toHex() + '\n';
    return out.leftJustified(HeadSize - 1, ' ') + '\n';
}

bool WeighingMemory::decodeHead(const QByteArray &bytes, Head &head)
{
    const qsizetype signAt = bytes.indexOf("Подпись: ");
    if (signAt < 0)
        return false;
    head.signedPart = bytes.left(signAt);
    head.signature = QByteArray::fromHex(bytes.mid(signAt).split('\n').first().mid(int(qstrlen("Подпись: "))));
    const QStringList lines = QString::fromUtf8(head.signedPart).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() != 5)
        return false;
    const auto valueOf = [&lines](int k) { return lines[k].mid(lines[k].indexOf(u": "_s) + 2); };
    bool numberOk = false, eventsOk = false;
    head.number = valueOf(0).toLongLong(&numberOk);
    head.hash = QByteArray::fromHex(valueOf(1).toLatin1());
    head.events = valueOf(2).toLongLong(&eventsOk);
    head.settings = QByteArray::fromHex(valueOf(3).toLatin1());
    head.software = valueOf(4);
    return numberOk && eventsOk && head.hash.size() == MemoryRecord::HashSize;
}

StoreResult WeighingMemory::open(qint32 idCounter)
{
    m_opened = true;
    m_problem.clear();
    if (!QDir().mkpath(m_folder)) {
        m_problem = u"папка весовой памяти не создана: "_s + m_folder;
        return StoreResult::failed(m_problem);
    }
    // Where the records end: the last file that holds any.
    const QStringList files = recordFiles(m_folder);
    Head last;
    QByteArray genesisKey;
    bool any = false;
    for (qsizetype k = files.size() - 1; k >= 0 && !any; --k) {
        qint64 end = 0;
        const QByteArray data = readAll(files[k]);
        const QList<Span> records = wholeRecords(data, end);
        if (records.isEmpty())
            continue;
        any = true;
        last.number = records.last().record.number;
        last.hash = decodeRecord(QByteArrayView(data).sliced(records.last().at)).hash;
        m_path = files[k];
        m_end = end;
    }
    if (!files.isEmpty()) {
        const StoredRecord first = decodeRecord(readAll(files.first()).left(64 * 1024));
        if (first.size > 0 && first.record.number == 1)
            genesisKey = QByteArray::fromHex(first.record.value(F::Key).toLatin1());
    }
    Head head;
    const bool headRead = decodeHead(readAll(headPath(m_folder)), head);

    QString error;
    if (!m_key.load(m_folder, error)) {
        if (any || headRead || QFile::exists(MemoryKey::secretPath(m_folder))) {
            m_problem = u"весовая память не пишется: "_s + error;
            return StoreResult::failed(m_problem);
        }
        if (const StoreResult made = m_key.create(m_folder); !made) {
            m_problem = u"ключ весовой памяти не создан: "_s + made.reason;
            return StoreResult::failed(m_problem);
        }
    }
    if (!genesisKey.isEmpty() && genesisKey != m_key.publicKey()) {
        m_problem = u"весовая память не пишется: ключ установки не тот, которым подписана её первая запись"_s;
        return StoreResult::failed(m_problem);
    }
    // A head beyond the records: records were lost from the end. Their
    // numbers stay used; the next record follows the head.
    m_head = last;
    if (headRead && MemoryKey::verify(head.signedPart, head.signature, m_key.publicKey())) {
        m_head.events = head.events;
        m_head.settings = head.settings;
        m_head.software = head.software;
        if (head.number > last.number) {
            m_head.number = head.number;
            m_head.hash = head.hash;
        }
    }
    if (any || m_head.number > 0)
        return {};
    MemoryRecord start;
    start.add(F::Kind, MemoryKinds::Start);
    start.add(F::Written, ShortDateText(m_clock.today()) + u' ' + LongTimeText(m_clock.now().time()));
    start.add(F::Key, QString::fromLatin1(m_key.publicKey().toHex()));
    start.add(F::IdCounter, QString::number(idCounter));
    if (const StoreResult written = append({start}, m_head, [this](const auto &p) { return m_journal.commit(p); });
        !written) {
        m_problem = u"весовая память не начата: "_s + written.reason;
        return StoreResult::failed(m_problem);
    }
    return {};
}

StoreResult WeighingMemory::ready()
{
    if (!m_opened)
        (void)open(0);
    if (!m_problem.isEmpty())
        return StoreResult::failed(m_problem);
    return {};
}

StoreResult WeighingMemory::append(QList<MemoryRecord> records, Head head, const Commit &commit)
{
    QByteArray bytes;
    QList<QByteArray> encodedRecords;
    for (MemoryRecord &record : records) {
        record.number = ++head.number;
        const QByteArray encoded = encodeRecord(record, head.hash, m_key.secretKey());
        head.hash = QCryptographicHash::hash(encoded, QCryptographicHash::Sha256);
        bytes += encoded;
        encodedRecords.append(encoded);
    }
    const QString path = monthPath(m_folder, m_clock.today());
    const qint64 offset = path == m_path ? m_end : QFileInfo(path).size();
    const QList<WriteJournal::Piece> pieces{{path, offset, bytes},
                                            {headPath(m_folder), 0, encodeHead(head, m_key.secretKey())}};
    // The mirror's copy of the records joins the same entry.
    const StoreResult written =
        m_mirror ? m_mirror->commitRecords(encodedRecords,
                                           [&](const QList<WriteJournal::Piece> &mirrored) { return commit(pieces + mirrored); })
                 : commit(pieces);
    if (!written)
        return StoreResult::failed(u"весовая память: "_s + written.reason);
    m_head = head;
    m_path = path;
    m_end = offset + bytes.size();
    return {};
}

QList<MemoryRecord> WeighingMemory::recordsOf(const QList<CardWrite> &writes, CardChange change,
                                              const QString &who) const
{
    QList<MemoryRecord> out;
    const QString written = ShortDateText(m_clock.today()) + u' ' + LongTimeText(m_clock.now().time());
    for (const CardWrite &w : writes) {
        const CargoCard &card = w.card;
        const bool fresh = !w.read.holdsCard();
        MemoryRecord r;
        // Which weight of the card this change took, if any.
        QString weighing;
        double weight = 0;
        if (change == CardChange::Store && fresh) {
            const bool single = card.operationType == OperationTypes::single();
            weighing = single ? u"однократное"_s : u"первое"_s;
            weight = single ? card.gross : card.weight1;
        } else if (change == CardChange::Completion || (change == CardChange::ArchiveCompletion && fresh)) {
            // The second weighing gives a loading its gross, an unloading its tare.
            weighing = u"второе"_s;
            weight = card.operationType == OperationTypes::loading() ? card.gross : card.tare;
        }
        QString kind = MemoryKinds::Weighing;
        if (weighing.isEmpty()) {
            if (change == CardChange::ArchiveCompletion)
                kind = MemoryKinds::Closing;
            else if (change == CardChange::Correction)
                kind = MemoryKinds::Correction;
            else if (change == CardChange::Deletion)
                kind = MemoryKinds::Deletion;
            else
                continue;
        }
        r.add(F::Kind, kind);
        r.add(F::Written, written);
        r.add(F::CardId, QString::number(card.id));
        r.add(F::CardNumber, QString::number(w.read.number));
        r.add(F::Day, ShortDateText(w.read.day));
        if (!weighing.isEmpty()) {
            const Source source = m_source ? m_source() : Source();
            r.add(F::Weighing, weighing);
            r.add(F::Weight, NumberText(weight));
            r.add(F::Unit, source.unit);
            r.add(F::Mode, source.unattended       ? MemoryModes::unattended()
                           : source.automatic        ? u"автоматический"_s
                           : !source.axles.isEmpty() ? u"по осям"_s
                                                     : u"ручной"_s);
            if (!source.axles.isEmpty()) {
                QStringList axles;
                for (qsizetype k = 0; k < source.axles.size(); ++k)
                    axles.append(u"%1: %2"_s.arg(k + 1).arg(NumberText(source.axles[k])));
                r.add(F::Axles, axles.join(u"; "_s));
            }
            r.add(F::Stable, yesNo(source.stable));
            r.add(F::TerminalType, QString::number(source.terminalType));
            r.add(F::Frame, QString::fromLatin1(source.frame.toHex(' ')));
        }
        r.add(F::Operator, who);
        if (change == CardChange::ArchiveCompletion && fresh) {
            // The copy's first weighing is the closed card's.
            for (const CardWrite &other : writes)
                if (other.read.holdsCard())
                    for (const Weighed &first : weighingsOf(other.card.id, other.read.day))
                        if (!first.second)
                            r.add(F::FirstRecord, QString::number(first.number));
        }
        if (kind != MemoryKinds::Weighing)
            r.add(F::Changes, MemoryCards::changes(w.read.card, card).join(u"; "_s));
        for (const auto &[name, value] : MemoryCards::snapshot(card))
            r.add(name, value);
        out.append(r);
    }
    return out;
}

StoreResult WeighingMemory::commitWith(const QList<CardWrite> &writes, CardChange change, const QString &who,
                                       const Commit &commit)
{
    if (const StoreResult ok = ready(); !ok)
        return ok;
    const QList<MemoryRecord> records = recordsOf(writes, change, who);
    if (records.isEmpty())
        return commit({});
    return append(records, m_head, commit);
}

StoreResult WeighingMemory::noteSoftware(const QString &identity)
{
    if (const StoreResult ok = ready(); !ok)
        return ok;
    if (identity == m_head.software)
        return {};
    MemoryRecord r;
    r.add(F::Kind, MemoryKinds::Software);
    r.add(F::Written, ShortDateText(m_clock.today()) + u' ' + LongTimeText(m_clock.now().time()));
    r.add(F::Software, identity);
    if (!m_head.software.isEmpty())
        r.add(F::Changes, m_head.software + u" → "_s + identity);
    Head head = m_head;
    head.software = identity;
    return append({r}, head, [this](const auto &p) { return m_journal.commit(p); });
}

StoreResult WeighingMemory::noteSettings(const QString &legal, const QString &who)
{
    if (const StoreResult ok = ready(); !ok)
        return ok;
    const QByteArray digest = QCryptographicHash::hash(legal.toUtf8(), QCryptographicHash::Sha256);
    if (digest == m_head.settings)
        return {};
    Head head = m_head;
    // The first settings recorded are no change.
    if (!m_head.settings.isEmpty())
        ++head.events;
    head.settings = digest;
    MemoryRecord r;
    r.add(F::Kind, MemoryKinds::Settings);
    r.add(F::Written, ShortDateText(m_clock.today()) + u' ' + LongTimeText(m_clock.now().time()));
    r.add(F::Operator, who);
    r.add(F::Parameters, legal);
    r.add(F::EventCounter, QString::number(head.events));
    return append({r}, head, [this](const auto &p) { return m_journal.commit(p); });
}

QList<WeighingNumbers::Weighed> WeighingMemory::weighingsOf(qint32 id, const QDate &day) const
{
    QList<Weighed> out;
    if (id == 0 || !day.isValid())
        return out;
    const QString from = monthPath(m_folder, QDate(day.year(), day.month(), 1));
    for (const QString &path : recordFiles(m_folder)) {
        if (path < from)
            continue;
        qint64 end = 0;
        const QByteArray data = readAll(path);
        for (const Span &span : wholeRecords(data, end)) {
            if (span.record.cardId != id)
                continue;
            const MemoryRecord r = decodeRecord(QByteArrayView(data).sliced(span.at)).record;
            if (r.value(F::Kind) != MemoryKinds::Weighing)
                continue;
            if (const qint64 first = r.value(F::FirstRecord).toLongLong(); first > 0)
                out.append({first, false});
            out.append({r.number, r.value(F::Weighing) == u"второе"_s});
        }
    }
    return out;
}
