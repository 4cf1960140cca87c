// The central database's outbox:
//   1. its cost inside a store: one card appended to the journal and
//      flushed, on the calling (window's) thread, 300 times;
//   2. the drain rate of a backlog of 10,000 cards into a PostgreSQL server
//      this program starts itself (as the tests do), three times.
//   build/bin/tarvo-bench-central
#include "Median.h"
#include "central/CentralOutbox.h"
#include "central/PgServer.h"

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PgServer pg;
    if (!pg.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(pg.error));
        return 1;
    }

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
    return 0;
}
