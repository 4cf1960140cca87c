// Times a photo: grabbing a 1280x720 frame and storing it as JPEG, and
// StoreNewCard with the photo on against off (the store must not wait for
// the encoding):
//   QT_QPA_PLATFORM=offscreen build/bin/tarvo-bench-photo
#include "app/Program.h"
#include "video/PhotoStore.h"
#include "video/SyntheticSource.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// StoreNewCard over `cards` cards, in ms each.
std::vector<double> storeCards(const QString &root, bool photo, int cards)
{
    Clock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    auto source = std::make_unique<SyntheticSource>();
    source->setFormat(1);
    Program program(clock, Folders(root), {nullptr, nullptr, std::move(source)});
    program.start();
    program.days().LoadToday();
    Weighing &weighing = program.weighing();
    weighing.setTerminalConnected(true);
    if (photo)
        program.video().switchOnUsb();
    std::vector<double> ms;
    for (int i = 0; i < cards; ++i) {
        weighing.setTerminalWeight(30000 + i);
        weighing.UpdateLiveWeights();
        QElapsedTimer t;
        t.start();
        weighing.StoreNewCard();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        // One weighing after the other, as on the scale.
        program.video().store().waitForDone();
    }
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

    QTemporaryDir off;
    QTemporaryDir on;
    const double without = median(storeCards(off.path(), false, 100));
    const double with = median(storeCards(on.path(), true, 100));
    std::printf("StoreNewCard median: photo off %.3f ms, photo on %.3f ms (+%.3f ms)\n", without, with, with - without);
    return 0;
}
