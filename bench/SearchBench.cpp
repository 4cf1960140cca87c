// Times "Поиск" over 400 day files of 100 cards each, and how long the
// window's thread waits between two ticks of a 10 ms timer meanwhile:
//   build/bin/tarvo-bench-search [folder]
#include "archive/CardSearch.h"
#include "core/Folders.h"
#include "core/OleDate.h"
#include "store/DayFileCodec.h"
#include "card/CargoCard.h"
#include "Median.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Days = 400;
constexpr int DayCards = 100;
const QDate kLastDay(2026, 12, 9);

CargoCard card(int day, int n, const QDate &date)
{
    CargoCard c;
    c.texts = {u"Щебень гранитный фракции 20-40"_s, u"ТН-"_s + QString::number(n), u"ООО Карьерное управление"_s,
               u"АО Стройкомплект"_s, u"В"_s + QString::number((day * DayCards + n) % 900 + 100) + u"ОР 77"_s,
               u"Иванов Иван Иванович"_s, QString()};
    // One vehicle comes every day.
    if (n == 37)
        c.texts[VehicleNumber] = u"А123ВС 77"_s;
    c.id = day * DayCards + n;
    c.number = n;
    c.date1 = toOleDate(date);
    c.time1 = toOleDate(QDate(1899, 12, 30), QTime(7, 0).addSecs(n * 300));
    c.operationType = u"Разгрузка"_s;
    c.status = u"завершена"_s;
    c.gross = 30000 + n;
    c.tare = 12000;
    c.net = c.gross - c.tare;
    return c;
}

void writeDays(const Folders &folders)
{
    for (int d = 0; d < Days; ++d) {
        const QDate date = kLastDay.addDays(-d);
        QByteArray file = encodeCountRecord(DayCards);
        file.resize(DayFileLayout::RecordSize, '\0');
        for (int n = 1; n <= DayCards; ++n)
            file += encodeDayCard(card(d, n, date));
        const QString path = dayFilePath(folders, date);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const Folders folders(root);
    writeDays(folders);

    CardQuery query;
    query.text = u"а123вс"_s;
    query.from = kLastDay.addDays(1 - Days);
    query.to = kLastDay;

    // The search itself, as the worker runs it.
    std::vector<double> searchMs;
    qsizetype found = 0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        found = findCards(folders, query).size();
        searchMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }

    // Through the window's object: the longest wait between timer ticks.
    std::vector<double> runMs;
    double worstGap = 0;
    CardSearch search(folders);
    for (int run = 0; run < 7; ++run) {
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(10);
        QElapsedTimer sinceTick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstGap = qMax(worstGap, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        QObject::connect(&search, &CardSearch::finished, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        sinceTick.start();
        tick.start();
        search.start(query);
        loop.exec();
        runMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }

    std::printf("search of %d days x %d cards: %lld found, median %.1f ms (findCards), %.1f ms (threaded, to "
                "results on the window's thread); longest gap between 10 ms ticks %.1f ms\n",
                Days, DayCards, static_cast<long long>(found), median(searchMs), median(runMs), worstGap);
    return found == Days ? 0 : 1;
}
