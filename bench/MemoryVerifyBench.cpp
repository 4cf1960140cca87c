// Times `tarvo --verify` over a year of weighings: 100,000 two-pass cards in
// 365 day files and their 200,000 signed records in the weighing memory.
//   build/bin/tarvo-bench-memory [folder] [cards]
// The folder (a temporary one by default) keeps the year for a second run.
#include "Median.h"
#include "core/Folders.h"
#include "core/OleDate.h"
#include "memory/MemoryCards.h"
#include "memory/MemoryKey.h"
#include "memory/MemoryVerifier.h"
#include "memory/WeighingMemory.h"
#include "store/DayFileCodec.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

using namespace Qt::StringLiterals;

namespace {

namespace F = MemoryFields;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

MemoryRecord weighing(const CargoCard &card, const QDate &day, bool second)
{
    MemoryRecord r;
    r.add(F::Kind, MemoryKinds::Weighing);
    r.add(F::Written, day.toString(u"dd.MM.yyyy"_s) + u" 08:00:00"_s);
    r.add(F::CardId, QString::number(card.id));
    r.add(F::CardNumber, QString::number(card.number));
    r.add(F::Day, day.toString(u"dd.MM.yyyy"_s));
    r.add(F::Weighing, second ? u"второе"_s : u"первое"_s);
    r.add(F::Weight, QString::number(second ? card.tare : card.gross));
    r.add(F::Unit, u"кг"_s);
    r.add(F::Mode, u"ручной"_s);
    r.add(F::Stable, u"да"_s);
    r.add(F::TerminalType, u"1"_s);
    r.add(F::Frame, u"02 2b 30 33 31 30 30 30 0d"_s);
    r.add(F::Operator, u"Оператор"_s);
    for (const auto &[name, value] : MemoryCards::snapshot(card))
        r.add(name, value);
    return r;
}

// The year, written as the program would have left it.
void makeYear(const Folders &folders, int cards)
{
    const QString memory = WeighingMemory::folderIn(folders.BaseFolder);
    QDir().mkpath(memory);
    MemoryKey key;
    if (!key.create(memory).ok)
        std::fprintf(stderr, "no key\n");
    std::map<QString, QByteArray> months;
    WeighingMemory::Head head;
    const auto append = [&](MemoryRecord r, const QDate &day) {
        r.number = ++head.number;
        const QByteArray bytes = encodeRecord(r, head.hash, key.secretKey());
        head.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
        months[WeighingMemory::monthPath(memory, QDate(day.year(), day.month(), 1))] += bytes;
    };
    const QDate first(2025, 1, 1);
    MemoryRecord start;
    start.add(F::Kind, MemoryKinds::Start);
    start.add(F::Key, QString::fromLatin1(key.publicKey().toHex()));
    start.add(F::IdCounter, u"0"_s);
    append(start, first);
    qint32 id = 0;
    for (int d = 0; d < 365; ++d) {
        const QDate day = first.addDays(d);
        const int count = cards * (d + 1) / 365 - cards * d / 365;
        QByteArray file = encodeCountRecord(count);
        for (int n = 1; n <= count; ++n) {
            CargoCard c;
            c.texts = {u"Щебень гранитный"_s, u"ТН-"_s + QString::number(n), u"ООО Карьер"_s, u"АО Стройка"_s,
                       u"А123ВС 77"_s, u"Иванов И. И."_s, QString()};
            c.id = ++id;
            c.number = n;
            c.operationType = u"Разгрузка"_s;
            c.status = u"незавершена"_s;
            c.date1 = toOleDate(day);
            c.time1 = toOleTime(QTime(6, 0).addSecs(n * 4));
            c.gross = 30000 + n % 977;
            c.weight1 = c.gross;
            append(weighing(c, day, false), day);
            c.date2 = c.date1;
            c.time2 = toOleTime(QTime(6, 30).addSecs(n * 4));
            c.tare = 12000 + n % 311;
            c.net = c.gross - c.tare;
            c.cleanWeight = c.net;
            c.status = u"завершена"_s;
            append(weighing(c, day, true), day);
            file += encodeDayCard(c);
        }
        folders.createMonthDataFolder(day);
        writeFile(dayFilePath(folders, day), file);
    }
    for (const auto &[path, bytes] : months)
        writeFile(path, bytes);
    writeFile(WeighingMemory::headPath(memory), WeighingMemory::encodeHead(head, key.secretKey()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const int cards = argc > 2 ? std::atoi(argv[2]) : 100000;
    const Folders folders(folder);
    if (!QFile::exists(WeighingMemory::headPath(WeighingMemory::folderIn(folders.BaseFolder)))) {
        QElapsedTimer made;
        made.start();
        makeYear(folders, cards);
        std::printf("year of %d cards written in %.1f s\n", cards, made.elapsed() / 1000.0);
    }
    const MemoryVerifier verifier(folders);
    std::vector<double> runs;
    MemoryVerifier::Report report;
    for (int k = 0; k < 5; ++k) {
        QElapsedTimer timer;
        timer.start();
        report = verifier.verify();
        runs.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::printf("%s\n", qPrintable(report.summary()));
    std::printf("verify: median %.2f s (min %.2f, max %.2f) over %zu runs; peak %ld MB\n", median(runs),
                *std::min_element(runs.begin(), runs.end()), *std::max_element(runs.begin(), runs.end()),
                runs.size(), peakKilobytes() / 1024);
    QElapsedTimer every;
    every.start();
    (void)verifier.verify(QString(), true);
    std::printf("verify with every signature on its own: %.2f s\n", every.nsecsElapsed() / 1e9);
    std::vector<double> lookups;
    for (int k = 0; k < 5; ++k) {
        QElapsedTimer timer;
        timer.start();
        (void)verifier.record(report.last / 2);
        lookups.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::printf("one record looked up: median %.2f s\n", median(lookups));
    return report.ok() ? 0 : 1;
}
