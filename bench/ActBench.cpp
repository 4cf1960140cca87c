// Times one weighing act with two 1280x720 photos printed to a PDF file,
// the photos read from their JPEG files as at the scale (target: median
// 300 ms at most):
//   QT_QPA_PLATFORM=offscreen build/bin/tarvo-bench-act [folder]
// With a folder, the last act and a sample cheque are kept there to be
// looked at.
#include "core/Clock.h"
#include "core/Folders.h"
#include "core/Settings.h"
#include "documents/Cheque.h"
#include "documents/WeighingAct.h"
#include "platform/PrintSurface.h"
#include "video/PhotoStore.h"
#include "video/SyntheticSource.h"
#include "card/CargoCard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir temp;

    SyntheticSource source;
    source.setFormat(1);
    source.switchOn();
    const QString photos[2] = {temp.filePath(u"4711.jpg"_s), temp.filePath(u"4711_1.jpg"_s)};
    for (const QString &path : photos)
        PhotoStore::writeJpeg(path, source.grab());

    Clock clock;
    Settings settings;
    ApplyDefaults(settings, Folders(temp.path()));
    std::array<QString, 25> texts;
    texts[CargoName] = u"Щебень"_s;
    texts[Sender] = u"Карьер"_s;
    texts[Receiver] = u"Стройка"_s;
    texts[CardId] = u"4711"_s;
    texts[CardNumber] = u"5"_s;
    texts[Date1] = texts[Date2] = u"09.12.2026"_s;
    texts[Time1] = u"08:15:30"_s;
    texts[Time2] = u"09:40:05"_s;
    texts[Net] = u"12500"_s;

    PrintSurface surface(clock, temp.filePath(u"Print"_s), PrintSurface::Destination::PdfFiles);
    std::vector<double> times;
    qint64 size = 0;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer t;
        t.start();
        PrintWeighingAct(surface, settings, texts, true, [&](int index) {
            if (!QFileInfo(photos[index]).isFile())
                return ActPhoto();
            QImageReader reader(photos[index]);
            return ActPhoto{true, reader.read()};
        });
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        size = QFileInfo(surface.lastDestination()).size();
    }
    std::sort(times.begin(), times.end());
    std::printf("act with two 1280x720 photos to PDF: median %.1f ms, min %.1f ms, max %.1f ms, %lld bytes\n",
                times[times.size() / 2], times.front(), times.back(), static_cast<long long>(size));
    if (argc > 1) {
        const QString keep = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + u'/';
        QFile::remove(keep + u"act.pdf"_s);
        QFile::copy(surface.lastDestination(), keep + u"act.pdf"_s);
        ChequeValues cheque;
        cheque.texts = texts;
        cheque.texts[DocumentNumber] = u"Н-17"_s;
        cheque.price = u"1.5"_s;
        cheque.taxNumber = u"7701234567"_s;
        cheque.scaleSerial = settings.ScaleSerial;
        cheque.operatorName = u"Оператор"_s;
        cheque.weightUnit = settings.WeightUnit;
        cheque.now = clock.now();
        PrintCheque(surface, cheque);
        QFile::remove(keep + u"cheque.pdf"_s);
        QFile::copy(surface.lastDestination(), keep + u"cheque.pdf"_s);
    }
    return 0;
}
