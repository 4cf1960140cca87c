// Times StoreNewCard (settings, day file, exchange texts and plus file as
// one commit; the workbooks are not part of it) over a day that grows to
// 300 cards, then one card slot written in place with and without the
// write journal:
//   build/bin/tarvo-bench-store [folder]
// With --one: a warm-up card, then one card between the markers "store
// begins" and "two seconds after the list" on stderr, for
// bench/store-flushes.sh to count the flushes in between.
#include "app/Program.h"
#include "core/WriteJournal.h"
#include "store/DayFileCodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool one = args.removeAll(u"--one"_s) > 0;
    QTemporaryDir temp;
    const QString root = !args.isEmpty() ? args.first() : temp.path();

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
    // One truck again and again: each a new card, as an operator would confirm.
    program.questions().answer = [](const QString &) { return true; };
    const QStringList texts{u"Щебень гранитный"_s, u"ТН-1"_s, u"ООО Карьер"_s, u"АО Стройка"_s, u"А123ВС 77"_s,
                            u"Иванов И.И."_s, QString()};
    for (int i = 0; i < 7; ++i)
        weighing.setEntryText(i, texts[i]);

    if (one) {
        // The first card learns the texts into the pick lists; the second
        // is an ordinary one.
        weighing.setTerminalWeight(30000);
        weighing.UpdateLiveWeights();
        if (!weighing.StoreNewCard())
            qFatal("the warm-up card was not stored");
        QCoreApplication::processEvents();
        QThread::sleep(4); // the commit log settles while idle
        QCoreApplication::processEvents();
        std::fputs("store begins\n", stderr);
        weighing.setTerminalWeight(31000);
        weighing.UpdateLiveWeights();
        if (!weighing.StoreNewCard())
            qFatal("the card was not stored");
        QEventLoop wait;
        QTimer::singleShot(2000, &wait, &QEventLoop::quit);
        wait.exec();
        std::fputs("two seconds after the list\n", stderr);
        return 0;
    }

    std::vector<double> ms;
    for (int i = 0; i < 300; ++i) {
        weighing.setTerminalWeight(30000 + i);
        weighing.UpdateLiveWeights();
        QElapsedTimer t;
        t.start();
        weighing.StoreNewCard();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const auto report = [](const char *what, std::vector<double> &times) {
        std::sort(times.begin(), times.end());
        std::printf("%s: median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n", what, times[times.size() / 2],
                    times[times.size() * 9 / 10], times.back());
    };
    std::printf("StoreNewCard, %zu cards in %s\n", ms.size(), qPrintable(root));
    report("StoreNewCard", ms);

    // One slot in place, alternately bare (write + flush) and through the
    // journal (journal entry + flush, write + flush, journal emptied).
    const QString day = program.days().todayPath();
    const QByteArray slot = encodeDayCard(program.weighing().shownCard());
    std::vector<double> bare, journaled;
    for (int i = 0; i < 300; ++i) {
        const qint64 offset = DayFileLayout::cardOffset(1 + i % 300);
        QElapsedTimer t;
        t.start();
        if (i % 2 == 0) {
            QFile file(day);
            if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !file.seek(offset)
                || file.write(slot) != slot.size() || ::fdatasync(file.handle()) != 0)
                qFatal("bare write failed");
            bare.push_back(double(t.nsecsElapsed()) / 1e6);
        } else {
            if (!WriteJournal::write({{day, offset, slot}}))
                qFatal("journaled write failed");
            journaled.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    report("one slot, bare", bare);
    report("one slot, journaled", journaled);
    return 0;
}
