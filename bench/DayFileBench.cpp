// Times the day-file operations on a day of 13,000 cards:
//   build/bin/tarvo-bench-dayfile [folder]
// The folder (a temporary one by default) decides which disk is measured.
#include "core/AppContext.h"
#include "core/OleDate.h"
#include "store/DayFileCodec.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "card/CargoCard.h"
#include "Median.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <time.h>
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int DayCards = 13000;

CargoCard card(int n, const Clock &clock)
{
    CargoCard c;
    c.texts = {u"Щебень гранитный фракции 20-40"_s, u"ТН-"_s + QString::number(n), u"ООО Карьерное управление"_s,
               u"АО Стройкомплект"_s, u"А"_s + QString::number(n % 1000) + u"ВС 77"_s, u"Иванов Иван Иванович"_s,
               QString()};
    c.id = 500000 + n;
    c.number = n;
    c.date1 = toOleDate(clock.today());
    c.time1 = toOleDate(QDate(1899, 12, 30), QTime(8, 0).addSecs(n * 3));
    c.operationType = u"Разгрузка"_s;
    c.status = n % 50 == 0 ? u"удалена"_s : u"завершена"_s;
    c.gross = 30000 + n % 977;
    c.tare = 12000 + n % 311;
    c.net = c.gross - c.tare;
    c.weight1 = c.gross;
    c.weight2 = c.tare;
    c.cleanWeight = c.net;
    return c;
}

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Median wall and processor time of `runs` runs, in ms; the processor time
// is what other work on a busy machine inflates least.
struct Timing
{
    double wall;
    double cpu;
};

Timing timeMs(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - c0);
    }
    return {median(ms), median(cpu)};
}

void printLoad(const char *name, const Timing &load, const Timing &plain)
{
    // The targets: a day loads within 5 x the plain read and within 10 ms.
    std::printf("median %-16s (list included): %8.3f ms wall, %8.3f ms cpu  (%.1f x plain read wall, %.1f x cpu)%s\n",
                name, load.wall, load.cpu, load.wall / plain.wall, load.cpu / plain.cpu,
                load.wall <= 5 * plain.wall && load.wall <= 10 ? "" : "  [over target]");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();

    Clock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    AppContext context(clock, Folders(root));
    context.createMonthFolders();
    EventLog log(context);
    DayFiles files(context, log);

    // The day is laid down in one go; timing 13,000 flushed writes is not the point.
    QByteArray day = encodeCountRecord(DayCards);
    for (int n = 1; n <= DayCards; ++n)
        day += encodeDayCard(card(n, clock));
    {
        QFile f(files.todayPath());
        if (!f.open(QIODevice::WriteOnly) || f.write(day) != day.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(files.todayPath()));
            return 1;
        }
    }
    context.settings.DayCardNumber = DayCards;

    // The card the slot already holds, again and again: it always holds what was read.
    const DayCard read = files.ReadDayCard(clock.today(), 6500);
    const double write = timeMs(101, [&] {
        if (!files.WriteDayCard(read, card(6500, clock)))
            std::abort();
    }).wall;
    const Timing plain = timeMs(31, [&] {
        QFile f(files.todayPath());
        if (f.open(QIODevice::ReadOnly))
            (void)f.readAll();
    });
    const Timing today = timeMs(31, [&] {
        if (!files.LoadToday())
            std::abort();
    });
    const Timing archive = timeMs(31, [&] { files.LoadArchiveDay(files.todayPath()); });

    std::printf("day of %d cards, %lld bytes, in %s\n", DayCards, qint64(day.size()), qPrintable(root));
    std::printf("median WriteDayCard (one card, flushed):   %8.3f ms\n", write);
    std::printf("median plain read of the file:             %8.3f ms wall, %8.3f ms cpu\n", plain.wall, plain.cpu);
    printLoad("LoadToday", today, plain);
    printLoad("LoadArchiveDay", archive, plain);
    std::printf("list pages: %d\n", files.list(DayTarget::Today).pageCount());
    return 0;
}
