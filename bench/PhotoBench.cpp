// Times a photo: grabbing a 1280x720 frame and storing it as JPEG, and
// StoreNewCard with the photo on against off (the store must not wait for
// the encoding; it may grow by 2 ms at most):
//   QT_QPA_PLATFORM=offscreen build/bin/tarvo-bench-photo
#include "app/Program.h"
#include "video/PhotoStore.h"
#include "video/SyntheticSource.h"
#include "Median.h"

#include <QElapsedTimer>
#include <QThread>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A program as it ships, with the test picture at 1280x720 as its camera.
std::unique_ptr<Program> program(Clock &clock, const QString &root, bool photo)
{
    auto source = std::make_unique<SyntheticSource>();
    source->setFormat(1);
    auto p = std::make_unique<Program>(clock, Folders(root), Program::Outside{nullptr, nullptr, std::move(source)});
    p->start();
    if (!p->days().LoadToday())
        qFatal("today's day file cannot be read");
    p->weighing().setTerminalConnected(true);
    if (photo)
        p->video().switchOnUsb();
    return p;
}

double timeStore(Program &p, int i)
{
    p.weighing().setTerminalWeight(30000 + i);
    p.weighing().UpdateLiveWeights();
    QElapsedTimer t;
    t.start();
    p.weighing().StoreNewCard();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    // One weighing after the other, as on the scale: the photo is on disk
    // and the disk has settled before the next.
    p.video().store().waitForDone();
    QThread::msleep(100);
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir temp;

    SyntheticSource source;
    source.setFormat(1);
    source.switchOn();
    std::vector<double> grab;
    std::vector<double> store;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        const QImage frame = source.grab();
        grab.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        PhotoStore::writeJpeg(temp.filePath(u"1.jpg"_s), frame);
        store.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("1280x720: grab median %.3f ms, JPEG 65 + synced write median %.3f ms\n", median(grab),
                median(store));

    // Alternating, so the load of the machine weighs on both alike.
    QTemporaryDir offRoot;
    QTemporaryDir onRoot;
    Clock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    const auto off = program(clock, offRoot.path(), false);
    const auto on = program(clock, onRoot.path(), true);
    std::vector<double> without;
    std::vector<double> with;
    for (int i = 0; i < 60; ++i) {
        without.push_back(timeStore(*off, i));
        with.push_back(timeStore(*on, i));
    }
    std::printf("StoreNewCard median: photo off %.3f ms, photo on %.3f ms (%+.3f ms)\n", median(without), median(with),
                median(with) - median(without));

    // What the photo itself adds to a store, without the disk's noise:
    // the grab and the hand-over to the encoding worker.
    QTemporaryDir alone;
    auto hd = std::make_unique<SyntheticSource>();
    hd->setFormat(1);
    Program program(clock, Folders(alone.path()), {nullptr, nullptr, std::move(hd)});
    program.start();
    program.video().switchOnUsb();
    std::vector<double> take;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer t;
        t.start();
        program.video().takePhoto(QString::number(i + 1), 0);
        take.push_back(double(t.nsecsElapsed()) / 1e6);
        program.video().store().waitForDone();
    }
    std::printf("takePhoto within a store, 1280x720: median %.3f ms\n", median(take));
    return 0;
}
