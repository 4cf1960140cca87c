// The central database's outbox:
//   1. its cost inside a store: one card appended to the journal and
//      flushed, on the calling (window's) thread, 300 times;
//   2. the drain rate of a backlog of 10,000 cards into a PostgreSQL server
//      this program starts itself (as the tests do), three times;
//   3. the group report over 100,000 central cards against the same report
//      from this scale's own day files, five times each.
//   build/bin/tarvo-bench-central [report]   ("report": part 3 only)
#include "Median.h"
#include "central/CentralOutbox.h"
#include "central/CentralReport.h"
#include "central/PgServer.h"
#include "core/AppContext.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "reports/PeriodReport.h"
#include "reports/ReportCards.h"
#include "store/DayFileCodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

CargoCard benchCard(int id)
{
    CargoCard c;
    c.texts = {u"Щебень гранитный"_s, u"ТН-1"_s, u"ООО Карьер"_s, u"АО Стройка"_s, u"А123ВС 77"_s, u"Иванов И.И."_s, QString()};
    c.id = id;
    c.number = id;
    c.date1 = 46000;
    c.time1 = 0.5;
    c.operationType = OperationTypes::unloading();
    c.status = Statuses::incomplete();
    c.gross = 30000 + id;
    return c;
}

// 100,000 cards over 100 days in the day files of `context`, then through
// the outbox into the server; the report built from each, five times.
int reportBench(PgServer &pg)
{
    if (!pg.createDatabase(u"report"_s))
        return 7;
    QTemporaryDir dir;
    Clock clock;
    clock.setNow(QDateTime(QDate(2026, 4, 30), QTime(10, 0)));
    AppContext context(clock, Folders(dir.path()));
    context.settings.ParamNames = defaultParamNames(u"кг"_s);
    const QStringList cargos = {u"Щебень 5-20"_s, u"Песок мытый"_s, u"ПГС"_s, u"Глина"_s, u"Металлолом"_s, u"Зерно"_s};
    const QDate first(2026, 1, 1);
    int id = 0;
    for (int d = 0; d < 100; ++d) {
        const QDate day = first.addDays(d);
        if (!context.folders.createMonthDataFolder(day))
            return 8;
        QByteArray bytes = encodeCountRecord(1000);
        for (int n = 1; n <= 1000; ++n) {
            CargoCard c = benchCard(++id);
            c.number = n;
            c.texts[0] = cargos[id % cargos.size()];
            c.texts[4] = u"А%1ВС 77"_s.arg(100 + id % 300);
            c.date1 = toOleDate(day);
            c.time1 = toOleDate(QDate(1899, 12, 30), QTime(6 + n % 14, n % 60, n % 59));
            if (n % 7 != 0) {
                c.status = Statuses::complete();
                c.tare = 9000 + id % 3000;
                c.net = c.gross - c.tare;
                c.cleanWeight = c.net;
                c.date2 = c.date1;
                c.time2 = c.time1 + 0.01;
            }
            bytes += encodeDayCard(c);
        }
        QFile f(dayFilePath(context.folders, day));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 9;
    }
    CentralOutbox out(context.folders.BaseFolder);
    out.setBatchSize(5000);
    out.start();
    if (!out.applySettings(pg.settings(u"BENCH"_s, u"report"_s)))
        return 10;
    QString error;
    QElapsedTimer load;
    load.start();
    if (out.resendPeriod(context.folders, first, first.addDays(99), u"bench"_s, error) != 100000) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 11;
    }
    while (out.queued() > 0) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
        if (load.elapsed() > 600000)
            return 12;
    }
    std::printf("100,000 cards sent in %.1f s\n", double(load.elapsed()) / 1000);

    PeriodReport report(context);
    report.loadMainWindow();
    report.setDate1Text(u"01.01.2026"_s);
    report.setDate2Text(u"10.04.2026"_s);
    CentralReport central(out, report);
    std::vector<double> local;
    std::vector<double> group;
    int rows[2] = {0, 0};
    for (int run = 0; run < 5; ++run) {
        for (int source = 0; source < 2; ++source) {
            central.selectSource(source == 0 ? CentralReport::ThisScale : CentralReport::AllScales);
            QElapsedTimer t;
            t.start();
            if (report.BuildPeriodReport() != ReportMessage::None) {
                std::fprintf(stderr, "report failed: %s\n", qPrintable(report.sourceError()));
                return 13;
            }
            (source == 0 ? local : group).push_back(double(t.nsecsElapsed()) / 1e6);
            rows[source] = report.table().rowCount();
        }
    }
    {
        // The fetch alone, without the report's own rows, sort and sums.
        std::vector<double> fetch;
        for (int run = 0; run < 3; ++run) {
            std::vector<CargoCard> cards;
            std::vector<QString> sites;
            QString why;
            QElapsedTimer t;
            t.start();
            if (!central.cardsOf(QDate(2026, 1, 1), QDate(2026, 4, 10), cards, sites, why))
                return 14;
            fetch.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("  of which the fetch of the central cards: median %.0f ms\n", median(fetch));
        // The report's own part: the same cards handed over at once.
        struct Ready : ReportCards
        {
            std::vector<CargoCard> cards;
            std::vector<QString> sites;
            bool cardsOf(const QDate &, const QDate &, std::vector<CargoCard> &out, std::vector<QString> &outSites,
                         QString &) override
            {
                out = cards;
                outSites = sites;
                return true;
            }
            bool manySites() const override { return true; }
        } ready;
        QString why;
        if (!central.cardsOf(QDate(2026, 1, 1), QDate(2026, 4, 10), ready.cards, ready.sites, why))
            return 14;
        report.setCardSource(&ready);
        std::vector<double> rowsOnly;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer t;
            t.start();
            (void)report.BuildPeriodReport();
            rowsOnly.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        report.setCardSource(nullptr);
        std::printf("  of which the report's rows, sort and sums from cards in memory: median %.0f ms\n", median(rowsOnly));
    }
    std::printf("report over 100,000 cards: local day files median %.0f ms (%d rows), central database median %.0f ms "
                "(%d rows), ratio %.2f\n",
                median(local), rows[0], median(group), rows[1], median(group) / median(local));
    // The first report reads every day; later ones only the days changed since.
    std::printf("  the first central report (no day read before): %.0f ms\n", group.front());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PgServer pg;
    if (!pg.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(pg.error));
        return 1;
    }
    if (app.arguments().contains(u"report"_s))
        return reportBench(pg);

    {
        // The server is there but the sender is kept busy elsewhere: only
        // the append is timed.
        QTemporaryDir dir;
        CentralOutbox out(dir.path() + u'/');
        out.start();
        CentralSettings s = pg.settings(u"BENCH"_s, u"postgres"_s);
        s.port = 1; // nothing listens: the sender only retries
        (void)out.applySettings(s);
        ExtraParams extras;
        extras[0][1] = u"ГОСТ 8267"_s;
        std::vector<double> ms;
        for (int i = 1; i <= 300; ++i) {
            QElapsedTimer t;
            t.start();
            if (!out.cardWritten(benchCard(i), extras, QDate(2026, 12, 9), CardChange::Store, u"Оператор"_s))
                return 2;
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("outbox cost inside a store: median %.3f ms (300 cards, journal flushed each)\n", median(ms));
        // The floor on this disk: one small append and fdatasync, as the
        // day file's own write pays it too.
        QFile raw(dir.filePath(u"floor"_s));
        if (!raw.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return 6;
        std::vector<double> floor;
        for (int i = 0; i < 300; ++i) {
            QElapsedTimer t;
            t.start();
            raw.write(QByteArray(700, 'x'));
            ::fdatasync(raw.handle());
            floor.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("  of which the disk's flush alone: median %.3f ms\n", median(floor));
    }

    std::vector<double> rates;
    for (int run = 0; run < 3; ++run) {
        const QString db = u"bench%1"_s.arg(run);
        if (!pg.createDatabase(db))
            return 3;
        QTemporaryDir dir;
        CentralOutbox out(dir.path() + u'/');
        out.start();
        std::vector<CentralOutbox::Item> items;
        for (int i = 1; i <= 10000; ++i)
            items.push_back({benchCard(i), ExtraParams(), QDate(2026, 12, 9)});
        CentralSettings off = pg.settings(u"BENCH"_s, db);
        off.enabled = true;
        off.port = 1;
        (void)out.applySettings(off);
        if (!out.cardsWritten(items, CardChange::Store, u"Оператор"_s))
            return 4;
        QElapsedTimer t;
        t.start();
        (void)out.applySettings(pg.settings(u"BENCH"_s, db));
        while (out.queued() > 0) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
            if (t.elapsed() > 300000)
                return 5;
        }
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        rates.push_back(10000 / seconds);
        std::printf("run %d: 10000 cards in %.2f s\n", run + 1, seconds);
    }
    std::printf("drain rate of a 10,000-card backlog: median %.0f cards/s\n", median(rates));
    return reportBench(pg);
}
