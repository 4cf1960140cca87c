#include "MemoryVerifier.h"

#include "MemoryCards.h"
#include "MemoryKey.h"
#include "WeighingMemory.h"

#include "core/Formats.h"
#include "store/DayFileCodec.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <QSet>

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

namespace F = MemoryFields;

QString range(qint64 from, qint64 to)
{
    return from == to ? u"записи № %1"_s.arg(from) : u"записей № %1–%2"_s.arg(from).arg(to);
}

// `work(k)` for k in [0, count) on every core: hashes and signatures are
// most of the work.
template <typename Work>
void onEveryCore(qsizetype count, const Work &work)
{
    const unsigned workers = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w)
        threads.emplace_back([&, w] {
            for (qsizetype k = w; k < count; k += workers)
                work(k);
        });
    for (std::thread &t : threads)
        t.join();
}

CargoCard cardOf(const DayCardSlot &slot)
{
    CargoCard c;
    c.date1 = slot.value(Date1);
    c.time1 = slot.value(Time1);
    c.date2 = slot.value(Date2);
    c.time2 = slot.value(Time2);
    c.gross = slot.value(Gross);
    c.tare = slot.value(Tare);
    c.net = slot.value(Net);
    c.weight1 = slot.value(Weight1);
    c.weight2 = slot.value(Weight2);
    c.status = slot.text(Status);
    return c;
}

// The lines a card record ends with when it agrees with `card`.
QByteArray snapshotLines(const CargoCard &card)
{
    QString text;
    for (const auto &[name, value] : MemoryCards::snapshot(card))
        text += name + u": "_s + value + u'\n';
    return text.toUtf8();
}

} // namespace

struct MemoryVerifier::Loaded
{
    struct Span
    {
        qsizetype file = 0;
        qsizetype at = 0;
        RecordSpan record;
    };
    QList<QByteArray> files;
    QList<Span> spans;
    QStringList findings; // of the files themselves
    QByteArray key;       // the key the records are checked with
    qint64 olderThan = 0; // the ID counter when the memory began

    QByteArrayView bytes(qsizetype k) const
    {
        const Span &s = spans[k];
        return QByteArrayView(files[s.file]).sliced(s.at, s.record.size);
    }
    qint64 number(qsizetype k) const { return spans[k].record.number; }
    // The key and ID counter of the memory's first record, which signs the
    // rest; `given` (the key file, the server's) must be that key.
    // `replaced` says it when not, with the two fingerprints.
    void keyFromFirstRecord(const QByteArray &given, const QString &replaced)
    {
        key = given;
        if (spans.isEmpty() || number(0) != 1)
            return;
        const MemoryRecord start = record(0);
        const QByteArray first = QByteArray::fromHex(start.value(MemoryFields::Key).toLatin1());
        olderThan = start.value(MemoryFields::IdCounter).toLongLong();
        if (first != given)
            findings.append(replaced.arg(MemoryKey::fingerprint(first),
                                         given.isEmpty() ? QStringLiteral("нет") : MemoryKey::fingerprint(given)));
        key = first;
    }
    QByteArrayView previous(qsizetype k) const
    {
        return bytes(k).sliced(spans[k].record.size - MemoryRecord::SignatureSize - MemoryRecord::HashSize,
                               MemoryRecord::HashSize);
    }
    bool signatureHolds(qsizetype k) const
    {
        const QByteArrayView b = bytes(k);
        return MemoryKey::verify(b.first(b.size() - MemoryRecord::SignatureSize),
                                 b.last(MemoryRecord::SignatureSize).toByteArray(), key);
    }
    MemoryRecord record(qsizetype k) const { return decodeRecord(bytes(k)).record; }
};

MemoryVerifier::MemoryVerifier(const Folders &folders)
    : m_folders(folders)
    , m_memory(WeighingMemory::folderIn(folders.BaseFolder))
{
}

QString MemoryVerifier::Report::summary() const
{
    return u"Весовая память: записей %1, последняя № %2; карточек сверено %3 (и %4 старше памяти); "
           "отпечаток ключа %5; %6"_s
        .arg(records)
        .arg(last)
        .arg(cards)
        .arg(olderCards)
        .arg(fingerprint.isEmpty() ? u"нет"_s : fingerprint,
             ok() ? u"нарушений нет"_s : u"нарушений: %1"_s.arg(findings.size()))
        + (unattended > 0 ? u"; взвешиваний без оператора %1"_s.arg(unattended) : QString());
}

MemoryVerifier::Loaded MemoryVerifier::load() const
{
    Loaded l;
    for (const QString &path : WeighingMemory::recordFiles(m_memory)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            l.findings.append(u"%1: файл не читается"_s.arg(QFileInfo(path).fileName()));
            continue;
        }
        l.files.append(file.readAll());
        const QByteArray &data = l.files.last();
        qsizetype at = 0;
        while (at < data.size()) {
            const RecordSpan span = scanRecord(QByteArrayView(data).sliced(at));
            if (span.size > 0) {
                l.spans.append({l.files.size() - 1, at, span});
                at += span.size;
                continue;
            }
            // Bytes that are no record: said, and the next record looked for.
            const qsizetype next = data.indexOf("TVM1", at + 1);
            l.findings.append(u"%1: байты %2–%3 не являются записью"_s.arg(QFileInfo(path).fileName())
                                  .arg(at)
                                  .arg((next < 0 ? data.size() : next) - 1));
            if (next < 0)
                break;
            at = next;
        }
    }
    l.keyFromFirstRecord(MemoryKey::readPublic(m_memory),
                         u"ключ установки заменён: первая запись подписана ключом %1, файл ключа — %2"_s);
    return l;
}

MemoryVerifier::Loaded MemoryVerifier::fromRecords(const QList<QByteArray> &records, const QByteArray &key)
{
    Loaded l;
    l.files = records;
    for (qsizetype k = 0; k < records.size(); ++k) {
        const RecordSpan span = scanRecord(records[k]);
        if (span.size == records[k].size())
            l.spans.append({k, 0, span});
        else
            l.findings.append(u"запись %1 по порядку не является записью"_s.arg(k + 1));
    }
    l.keyFromFirstRecord(key, u"ключ весов заменён: первая запись подписана ключом %1, на сервере — %2"_s);
    return l;
}

MemoryVerifier::Chain MemoryVerifier::checkChain(const Loaded &l, Report &report, bool everySignature)
{
    const qsizetype count = l.spans.size();
    std::vector<QByteArray> hashes(size_t(count), QByteArray(MemoryRecord::HashSize, '\0'));
    onEveryCore(count, [&](qsizetype k) {
        const QByteArrayView b = l.bytes(k);
        crypto_hash_sha256(reinterpret_cast<unsigned char *>(hashes[size_t(k)].data()),
                           reinterpret_cast<const unsigned char *>(b.data()), quint64(b.size()));
    });

    // Numbers and the chain; where the chain does not vouch for a record,
    // its own signature must.
    std::vector<char> signatureNeeded(size_t(count), everySignature ? 1 : 0);
    Chain chain;
    for (qsizetype k = 0; k < count; ++k) {
        const qint64 n = l.number(k);
        if (n <= chain.last) {
            report.findings.append(
                u"запись № %1 стоит после № %2: повторена или не на своём месте"_s.arg(n).arg(chain.last));
            signatureNeeded[size_t(k)] = 1;
            continue;
        }
        const bool linked = n == chain.last + 1 && l.previous(k) == chain.lastHash;
        if (n > chain.last + 1)
            report.findings.append(u"нет %1: удалены"_s.arg(range(chain.last + 1, n - 1)));
        else if (!linked)
            report.findings.append(
                u"запись № %1 не продолжает цепочку: запись № %2 изменена или подменена"_s.arg(n).arg(chain.last));
        if (!linked && k > 0)
            signatureNeeded[size_t(k - 1)] = 1;
        chain.last = n;
        chain.lastHash = hashes[size_t(k)];
    }
    if (count > 0)
        signatureNeeded[size_t(count - 1)] = 1;
    report.last = chain.last;
    if (l.key.isEmpty() && count > 0) {
        report.findings.append(u"нет ключа, которым проверить подписи"_s);
    } else {
        std::vector<char> bad(size_t(count), 0);
        onEveryCore(count, [&](qsizetype k) {
            if (signatureNeeded[size_t(k)])
                bad[size_t(k)] = !l.signatureHolds(k);
        });
        for (qsizetype k = 0; k < count; ++k)
            if (bad[size_t(k)])
                report.findings.append(u"запись № %1: подпись не верна (запись изменена)"_s.arg(l.number(k)));
    }
    return chain;
}

// Each card as its last record left it; `forEachCard` gives the cards
// (day as dd.MM.yyyy, number, card) kept at `cardsPlace` ("в файле дня").
// A record whose card is not given is a finding when `cardsComplete`.
void MemoryVerifier::checkCards(const Loaded &l, Report &report,
                                const std::function<void(const CardVisit &)> &forEachCard, const QString &cardsPlace,
                                bool cardsComplete)
{
    const qsizetype count = l.spans.size();
    QHash<qint32, qsizetype> lastOf;
    lastOf.reserve(count);
    for (qsizetype k = 0; k < count; ++k)
        if (const qint32 id = l.spans[k].record.cardId; id != 0)
            lastOf.insert(id, k);
    QSet<qint32> seen;
    forEachCard([&](const QString &day, qint64 n, const CargoCard &card) {
        const qint32 id = card.id;
        const QString who = u"%1, карточка № %2, ID %3"_s.arg(day).arg(n).arg(id);
        const auto found = lastOf.constFind(id);
        if (found == lastOf.constEnd()) {
            if (id <= l.olderThan)
                ++report.olderCards;
            else
                report.findings.append(who + u": нет в весовой памяти"_s);
            return;
        }
        ++report.cards;
        seen.insert(id);
        // Most cards agree: their record ends with what the card gives.
        const QByteArrayView bytes = l.bytes(*found);
        const QByteArrayView body = bytes.first(bytes.size() - MemoryRecord::SignatureSize - MemoryRecord::HashSize);
        const QByteArray place = (u"\n"_s + F::CardNumber + u": "_s + QString::number(n) + u'\n' + F::Day + u": "_s
                                  + day + u'\n')
                                     .toUtf8();
        if (body.endsWith(snapshotLines(card)) && body.indexOf(place) >= 0)
            return;
        const MemoryRecord r = l.record(*found);
        const QString where = u" (запись № %1)"_s.arg(r.number);
        if (r.value(F::Day) != day || r.value(F::CardNumber) != QString::number(n))
            report.findings.append(who + u": в весовой памяти это карточка № %1 дня %2"_s.arg(r.value(F::CardNumber),
                                                                                            r.value(F::Day))
                                   + where);
        for (const auto &[name, value] : MemoryCards::snapshot(card))
            if (r.value(name) != value)
                report.findings.append(who + u": %1 %2 «%3», в весовой памяти «%4»"_s.arg(name, cardsPlace, value,
                                                                                           r.value(name))
                                       + where);
    });
    if (!cardsComplete)
        return;
    for (auto k = lastOf.constBegin(); k != lastOf.constEnd(); ++k)
        if (!seen.contains(k.key())) {
            const MemoryRecord r = l.record(k.value());
            report.findings.append(u"запись № %1: карточки № %2, ID %3 нет в файле дня %4"_s.arg(r.number).arg(
                r.value(F::CardNumber), r.value(F::CardId), r.value(F::Day)));
        }
}

MemoryVerifier::Report MemoryVerifier::verify(const QString &fingerprint, bool everySignature) const
{
    const Loaded l = load();
    Report report;
    report.findings = l.findings;
    report.records = l.spans.size();
    // Weighings nobody attended are counted for the inspector.
    const QByteArray unattendedLine =
        (u"\n"_s + MemoryFields::Mode + u": "_s + MemoryModes::unattended() + u"\n"_s).toUtf8();
    for (qsizetype k = 0; k < l.spans.size(); ++k) {
        const QByteArrayView b = l.bytes(k);
        if (std::search(b.begin(), b.end(), unattendedLine.begin(), unattendedLine.end()) != b.end())
            ++report.unattended;
    }
    report.fingerprint = MemoryKey::fingerprint(l.key);
    if (!fingerprint.isEmpty()
        && QString(fingerprint).remove(u' ').toUpper() != QString(report.fingerprint).remove(u' '))
        report.findings.append(u"ключ установки %1, а не %2"_s.arg(report.fingerprint, fingerprint));
    const Chain chain = checkChain(l, report, everySignature);
    const qsizetype count = l.spans.size();

    // The head: the number last given, which the records must reach.
    QFile headFile(WeighingMemory::headPath(m_memory));
    WeighingMemory::Head head;
    if (!headFile.open(QIODevice::ReadOnly) || !WeighingMemory::decodeHead(headFile.readAll(), head)) {
        if (count > 0)
            report.findings.append(u"заголовок памяти (head.txt) отсутствует или повреждён"_s);
    } else if (!MemoryKey::verify(head.signedPart, head.signature, l.key)) {
        report.findings.append(u"заголовок памяти (head.txt): подпись не верна"_s);
    } else if (head.number > chain.last) {
        report.findings.append(u"нет %1: удалены последние записи"_s.arg(range(chain.last + 1, head.number)));
        report.last = head.number;
    } else if (head.number < chain.last) {
        report.findings.append(
            u"заголовок памяти называет последней запись № %1, а есть № %2"_s.arg(head.number).arg(chain.last));
    } else if (head.hash != chain.lastHash) {
        report.findings.append(u"последняя запись № %1 не та, что подписана в заголовке памяти"_s.arg(chain.last));
    }

    // The cards of every day file.
    static const QRegularExpression dayName(u"^(\\d\\d)\\.(\\d\\d)\\.(\\d{4})\\.dat$"_s);
    QStringList dayFiles;
    QDirIterator it(m_folders.DataRoot, {u"*.dat"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (dayName.match(QFileInfo(path).fileName()).hasMatch())
            dayFiles.append(path);
    }
    std::sort(dayFiles.begin(), dayFiles.end());
    checkCards(l, report, [&](const CardVisit &visit) {
        for (const QString &path : std::as_const(dayFiles)) {
            const QString day = QFileInfo(path).completeBaseName();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                report.findings.append(u"%1: файл дня не читается"_s.arg(day));
                continue;
            }
            const QByteArray data = file.readAll();
            const qint64 cards = decodeCountRecord(data);
            for (qint64 n = 1; n <= cards; ++n) {
                const qint64 at = DayFileLayout::cardOffset(n);
                if (at >= data.size())
                    break;
                const DayCardSlot slot(
                    QByteArrayView(data).sliced(at, std::min<qint64>(DayFileLayout::CardBytes, data.size() - at)));
                CargoCard card = cardOf(slot);
                card.id = slot.id();
                if (card.id != 0)
                    visit(day, n, card);
            }
        }
    }, u"в файле дня"_s, true);
    return report;
}

MemoryVerifier::Report MemoryVerifier::verifyCopy(const QList<QByteArray> &records, const QByteArray &key,
                                                  const QList<CopiedCard> &cards, bool everySignature)
{
    const Loaded l = fromRecords(records, key);
    Report report;
    report.findings = l.findings;
    report.records = l.spans.size();
    report.fingerprint = MemoryKey::fingerprint(l.key);
    (void)checkChain(l, report, everySignature);
    checkCards(l, report, [&cards](const CardVisit &visit) {
        for (const CopiedCard &c : cards)
            visit(c.day, c.number, c.card);
    }, u"на сервере"_s, false);
    return report;
}

MemoryVerifier::RecordCheck MemoryVerifier::record(qint64 n) const
{
    RecordCheck check;
    const Loaded l = load();
    qsizetype index = -1;
    for (qsizetype k = 0; k < l.spans.size(); ++k)
        if (l.number(k) == n)
            index = k;
    if (index < 0) {
        check.verdict = u"записи № %1 в весовой памяти нет"_s.arg(n);
        return check;
    }
    check.found = true;
    const StoredRecord s = decodeRecord(l.bytes(index));
    check.text = s.record.text();
    if (!l.signatureHolds(index))
        check.findings.append(u"подпись не верна: запись изменена"_s);
    if (index > 0 && l.number(index - 1) == n - 1 && decodeRecord(l.bytes(index - 1)).hash != s.previous)
        check.findings.append(u"не продолжает цепочку после записи № %1"_s.arg(n - 1));
    if (index + 1 < l.spans.size() && l.previous(index + 1) != s.hash)
        check.findings.append(u"следующая запись № %1 не ссылается на неё"_s.arg(l.number(index + 1)));
    check.findings += l.findings;
    if (l.spans[index].record.cardId == 0) {
        check.verdict = check.findings.isEmpty() ? u"запись цела"_s : u"запись не цела"_s;
        return check;
    }
    // Her card: the last record of it must agree with the day file.
    const QString idText = s.record.value(F::CardId);
    qint64 lastNumber = n;
    for (qsizetype k = index + 1; k < l.spans.size(); ++k)
        if (l.spans[k].record.cardId == l.spans[index].record.cardId)
            lastNumber = l.number(k);
    const QDate day = QDate::fromString(s.record.value(F::Day), u"dd.MM.yyyy"_s);
    const int number = s.record.value(F::CardNumber).toInt();
    QFile file(dayFilePath(m_folders, day));
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    const qint64 at = DayFileLayout::cardOffset(number);
    if (number < 1 || data.size() < at + DayFileLayout::CardBytes) {
        check.findings.append(u"карточки № %1 нет в файле дня %2"_s.arg(number).arg(s.record.value(F::Day)));
    } else {
        const DayCardSlot slot(QByteArrayView(data).sliced(at, DayFileLayout::CardBytes));
        if (QString::number(slot.id()) != idText)
            check.findings.append(u"в файле дня %1 карточка № %2 имеет ID %3, а не %4"_s.arg(s.record.value(F::Day))
                                      .arg(number)
                                      .arg(slot.id())
                                      .arg(idText));
        else if (lastNumber == n)
            for (const auto &[name, value] : MemoryCards::snapshot(cardOf(slot)))
                if (s.record.value(name) != value)
                    check.findings.append(u"%1 в файле дня «%2», в записи «%3»"_s.arg(name, value, s.record.value(name)));
    }
    if (!check.findings.isEmpty())
        check.verdict = u"не сходится"_s;
    else if (lastNumber != n)
        check.verdict = u"запись цела; карточка изменена позже записью № %1"_s.arg(lastNumber);
    else
        check.verdict = u"запись цела и сходится с карточкой в файле дня"_s;
    return check;
}
