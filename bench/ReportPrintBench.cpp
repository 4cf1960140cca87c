// Times printing a one-month report of about 8,000 cards in picture mode
// (and once as text) to PDF files:
//   QT_QPA_PLATFORM=offscreen build/bin/tarvo-bench-report-print [folder] [runs]
// The PDF stays in "folder/Print/" when a folder is given. The picture is
// drawn band by band, so the peak memory must not grow with the report.
#include "core/AppContext.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "reports/PeriodReport.h"
#include "reports/ReportPrinter.h"
#include "store/DayFileCodec.h"
#include "card/CargoCard.h"
#include "Median.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>


#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int CardsPerDay = 260;
const QDate First(2025, 3, 1);

bool writeMonth(const Folders &folders)
{
    const QStringList cargo = {u"Щебень фр. 5-20"_s, u"Песок мытый"_s, u"Гравий"_s, u"Зерно"_s, u"Уголь"_s};
    int id = 0;
    for (QDate day = First; day.month() == First.month(); day = day.addDays(1)) {
        QByteArray file = encodeCountRecord(CardsPerDay);
        for (int n = 1; n <= CardsPerDay; ++n) {
            CargoCard c;
            ++id;
            c.texts = {cargo[id % cargo.size()], u"ТН-"_s + QString::number(id), u"ООО Карьер"_s, u"АО Стройка"_s,
                       u"А"_s + QString::number(100 + id % 900) + u"ВС 77"_s, u"Иванов И.И."_s, QString()};
            c.id = id;
            c.number = n;
            c.date1 = c.date2 = toOleDate(day);
            c.time1 = toOleDate(QDate(1899, 12, 30), QTime(6, 0).addSecs(n * 60));
            c.time2 = c.time1 + 0.01;
            c.operationType = OperationTypes::unloading();
            c.status = n % 50 == 0 ? Statuses::deleted() : Statuses::complete();
            c.gross = 20000 + id % 30000;
            c.tare = 12000;
            c.net = c.gross - c.tare;
            c.cleanWeight = c.net;
            file += encodeDayCard(c);
        }
        folders.createMonthDataFolder(day);
        QFile out(dayFilePath(folders, day));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir temp;
    const QStringList args = app.arguments();
    const QString root = args.size() > 1 ? args[1] : temp.path();
    const int runs = args.size() > 2 ? qMax(1, args[2].toInt()) : 5;

    Clock clock;
    clock.setNow(QDateTime(QDate(2025, 4, 2), QTime(12, 0)));
    AppContext context(clock, Folders(root));
    context.settings.ParamNames = defaultParamNames(u"кг"_s);
    if (!writeMonth(context.folders)) {
        std::fprintf(stderr, "cannot write the day files under %s\n", qPrintable(root));
        return 1;
    }
    PeriodReport report(context);
    report.loadMainWindow();
    report.setDate1Text(u"01.03.2025"_s);
    report.setDate2Text(u"31.03.2025"_s);
    report.BuildPeriodReport();
    std::printf("report rows: %d, peak after building: %ld MB\n", report.table().rowCount(),
                peakKilobytes() / 1024);

    const QString print = root + u"/Print/"_s;
    ReportPrinter printer(report, clock, print, PrintSurface::Destination::PdfFiles);
    // One document holds all pages.
    int documents = 0;
    QObject::connect(&printer.surface(), &PrintSurface::documentFinished, [&documents] { ++documents; });
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QDir(print).removeRecursively();
        documents = 0;
        QElapsedTimer t;
        t.start();
        printer.PrintReport();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("picture mode: %d document(s), median %.0f ms over %d runs\n", documents, median(times), runs);
    qint64 bytes = 0;
    for (const QFileInfo &f : QDir(print).entryInfoList({u"*.pdf"_s}, QDir::Files))
        bytes += f.size();
    std::printf("PDF files: %lld kB in all\n", bytes / 1024);

    printer.setTextMode(true);
    QElapsedTimer t;
    t.start();
    printer.PrintReport();
    std::printf("text mode: %.0f ms\n", double(t.nsecsElapsed()) / 1e6);
    std::printf("peak memory: %ld MB\n", peakKilobytes() / 1024);
    return 0;
}
