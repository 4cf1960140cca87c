// Times StoreNewCard (day file and settings, flushed to disk; the exports
// are not part of it) over a day that grows to 300 cards:
//   build/bin/tarvo-bench-store [folder]
#include "app/Program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();

    Clock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    // The program as it ships, without its windows and without a terminal:
    // the weights are given here.
    Program program(clock, Folders(root), {});
    program.start();
    if (!program.days().LoadToday())
        qFatal("today's day file cannot be read");
    Weighing &weighing = program.weighing();
    weighing.setTerminalConnected(true);
    const QStringList texts{u"Щебень гранитный"_s, u"ТН-1"_s, u"ООО Карьер"_s, u"АО Стройка"_s, u"А123ВС 77"_s,
                            u"Иванов И.И."_s, QString()};
    for (int i = 0; i < 7; ++i)
        weighing.setEntryText(i, texts[i]);

    std::vector<double> ms;
    for (int i = 0; i < 300; ++i) {
        weighing.setTerminalWeight(30000 + i);
        weighing.UpdateLiveWeights();
        QElapsedTimer t;
        t.start();
        weighing.StoreNewCard();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("StoreNewCard, %zu cards in %s\n", ms.size(), qPrintable(root));
    std::printf("median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n", ms[ms.size() / 2], ms[ms.size() * 9 / 10],
                ms.back());
    return 0;
}
