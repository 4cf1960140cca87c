// Times a period report over one year of 100,000 cards:
//   build/bin/tarvo-bench-report [folder] [plain|build|show|all|listen] [runs] [cards]
// The year of day files is written into the folder (a temporary one by
// default) unless it is already there, so one folder serves several runs.
// "plain" reads and sorts the same files without the report, "build" runs
// BuildPeriodReport, "show" presses "Сформировать" in a shown report frame
// and waits for the grid to be painted. Each mode can run in a process of
// its own, so the peak memory printed at the end belongs to that mode.
// `cards` (100,000 by default) only counts when the folder is new.
//
// With accessibility on, run "show" on a real display with an AT-SPI bus:
//   dbus-run-session -- sh -c '/usr/libexec/at-spi-bus-launcher --launch-immediately &
//     QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 xvfb-run -a build/bin/tarvo-bench-report DIR show'
// and compare with the same run without QT_LINUX_ACCESSIBILITY_ALWAYS_ON.
// With TARVO_BENCH_AT_LISTENER=1 the bench also registers itself on that bus
// for every object, window and focus event, as a screen reader does, so the
// program really sends them; "listen" only does that for `runs` seconds, to
// stand in for a screen reader beside the real program.
#include "core/AppContext.h"
#include "core/Formats.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "reports/PeriodReport.h"
#include "reports/ui/ReportFrame.h"
#include "store/DayFileCodec.h"
#include "card/CargoCard.h"
#include "Median.h"

#include <QAccessible>
#include <QApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Year = 2025;
int YearCards = 100000;

QStringList names(const QStringList &first, const QStringList &second)
{
    QStringList out;
    for (const QString &a : first) {
        for (const QString &b : second)
            out.append(a + u' ' + b);
    }
    return out;
}

struct Pools
{
    QStringList cargo = names({u"Щебень"_s, u"Песок"_s, u"Гравий"_s, u"Зерно"_s, u"Металлолом"_s, u"Уголь"_s},
                              {u"фр. 5-20"_s, u"фр. 20-40"_s, u"мытый"_s, u"сеяный"_s, u"класс 3"_s});
    QStringList firms = names({u"ООО"_s, u"АО"_s, u"ИП"_s, u"ЗАО"_s},
                              {u"Карьер"_s, u"Стройкомплект"_s, u"Агроторг"_s, u"Вторчермет"_s, u"Дорстрой"_s,
                               u"Элеватор"_s, u"Транзит"_s, u"Бетон-М"_s, u"Нерудпром"_s, u"Север"_s});
    QStringList people = names({u"Иванов"_s, u"Петров"_s, u"Сидоров"_s, u"Кузнецов"_s, u"Смирнов"_s,
                                u"Попов"_s, u"Волков"_s, u"Зайцев"_s},
                               {u"И.И."_s, u"А.В."_s, u"С.П."_s, u"Н.К."_s, u"В.М."_s});
};

CargoCard makeCard(std::mt19937 &random, const Pools &pools, const QDate &day, int id, int number)
{
    auto pick = [&](const QStringList &list) { return list[int(random() % quint32(list.size()))]; };
    CargoCard c;
    c.texts = {pick(pools.cargo),
               u"ТН-"_s + QString::number(id),
               pick(pools.firms),
               pick(pools.firms),
               QString(QChar(u'А' + int(random() % 20))) + QString::number(100 + random() % 900) + u"ВС 77"_s,
               pick(pools.people),
               random() % 4 == 0 ? pick(pools.people) : QString()};
    c.id = id;
    c.number = number;
    c.date1 = toOleDate(day);
    c.time1 = toOleDate(QDate(1899, 12, 30), QTime(6, 0).addSecs(int(random() % 50000)));
    c.operationType = OperationTypes::all()[random() % 3];
    const quint32 s = random() % 100;
    c.status = s < 2 ? Statuses::deleted() : s < 7 ? Statuses::incomplete() : Statuses::complete();
    c.gross = 20000 + (random() % 50000) * 0.5;
    const bool done = c.status != Statuses::incomplete();
    c.tare = done ? 10000 + random() % 5000 : 0;
    c.net = c.gross - c.tare;
    c.weight1 = c.gross;
    c.weight2 = c.tare;
    c.litterPercent = (random() % 50) / 10.0;
    const DerivedWeights d = deriveWeights(c.net, c.litterPercent);
    c.litterWeight = d.litterWeight;
    c.cleanWeight = d.cleanWeight;
    if (done) {
        c.date2 = c.date1;
        c.time2 = c.time1 + 0.01;
    }
    return c;
}

bool writeYear(const Folders &folders)
{
    std::mt19937 random(20250101);
    const Pools pools;
    const QDate first(Year, 1, 1);
    const int days = first.daysInYear();
    int id = 0;
    for (int i = 0; i < days; ++i) {
        const QDate day = first.addDays(i);
        const int cards = (i + 1) * qint64(YearCards) / days - i * qint64(YearCards) / days;
        QByteArray file = encodeCountRecord(cards);
        file.reserve(DayFileLayout::fileSize(cards));
        for (int n = 1; n <= cards; ++n)
            file += encodeDayCard(makeCard(random, pools, day, ++id, n));
        folders.createMonthDataFolder(day);
        QFile out(dayFilePath(folders, day));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return false;
    }
    return true;
}

// The files read and sorted by the first two columns, nothing more.
qsizetype plainReadAndSort(const Folders &folders)
{
    std::vector<CargoCard> cards;
    cards.reserve(YearCards);
    const QDate first(Year, 1, 1);
    for (QDate day = first; day.year() == Year; day = day.addDays(1)) {
        QFile f(dayFilePath(folders, day));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = f.readAll();
        for (int n = 1; decodeDayCardId(data, n) != 0; ++n)
            cards.push_back(decodeDayCard(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n))));
    }
    std::sort(cards.begin(), cards.end(), [](const CargoCard &a, const CargoCard &b) {
        if (const int r = a.texts[0].compare(b.texts[0]))
            return r < 0;
        return a.texts[1] < b.texts[1];
    });
    return qsizetype(cards.size());
}

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Median wall time in ms; the median processor time goes to `cpu`, which
// other work on a busy machine does not inflate.
double timeMs(int runs, const std::function<void()> &work, double *cpu = nullptr)
{
    std::vector<double> ms;
    std::vector<double> cpuTimes;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
        cpuTimes.push_back(cpuMs() - c0);
    }
    if (cpu)
        *cpu = median(cpuTimes);
    return median(ms);
}

// Registers this process on the accessibility bus as a listener of every
// event, as a screen reader does; the program only sends events somebody
// listens to. False when there is no such bus.
bool listenLikeAScreenReader()
{
    QDBusInterface launcher(u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.a11y.Bus"_s,
                            QDBusConnection::sessionBus());
    const QDBusReply<QString> address = launcher.call(u"GetAddress"_s);
    if (!address.isValid())
        return false;
    QDBusConnection bus = QDBusConnection::connectToBus(address.value(), u"tarvo-bench-listener"_s);
    QDBusInterface registry(u"org.a11y.atspi.Registry"_s, u"/org/a11y/atspi/registry"_s,
                            u"org.a11y.atspi.Registry"_s, bus);
    for (const QString &event : {u"object:"_s, u"window:"_s, u"focus:"_s}) {
        if (!QDBusReply<void>(registry.call(u"RegisterEvent"_s, event)).isValid())
            return false;
    }
    return true;
}

// Every cell, look and visibility of the table in one digest, so runs of
// two builds of the program can be compared on the same files.
QByteArray tableDigest(const ReportTable &table)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int r = 0; r < table.rowCount(); ++r) {
        const ReportRow &row = table.row(r);
        for (int c = 0; c < table.columnCount(); ++c) {
            const QStringView cell = row.cell(c);
            hash.addData(QByteArrayView(reinterpret_cast<const char *>(cell.utf16()), cell.size() * 2));
            hash.addData("\t");
        }
        const QString look = QString::asprintf("|%d|%d|%x|%d|%d\n", int(row.isHidden()), row.styledFrom(),
                                               unsigned(row.background()), int(row.isBold()), row.fontWidth());
        hash.addData(look.toUtf8());
    }
    return hash.result().toHex().left(16);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QStringList args = app.arguments();
    const QString root = args.size() > 1 ? args[1] : temp.path();
    const QString mode = args.size() > 2 ? args[2] : u"all"_s;
    const int runs = args.size() > 3 ? qMax(1, args[3].toInt()) : 5;
    if (args.size() > 4)
        YearCards = qMax(1, args[4].toInt());

    Clock clock;
    clock.setNow(QDateTime(QDate(Year + 1, 1, 15), QTime(12, 0)));
    AppContext context(clock, Folders(root));
    context.settings.ParamNames = defaultParamNames(u"кг"_s);

    if (!QFile::exists(dayFilePath(context.folders, QDate(Year, 12, 31)))) {
        QElapsedTimer t;
        t.start();
        if (!writeYear(context.folders)) {
            std::fprintf(stderr, "cannot write the day files under %s\n", qPrintable(root));
            return 1;
        }
        std::printf("wrote %d cards of %d in %.0f ms under %s\n", YearCards, Year, double(t.elapsed()),
                    qPrintable(root));
    }
    std::printf("peak memory before timing: %ld kB\n", peakKilobytes());

    // Only the listener, for a while: it stands in for a screen reader
    // while the real program is timed with accessibility on.
    if (mode == u"listen"_s) {
        std::printf("listening like a screen reader: %s\n", listenLikeAScreenReader() ? "yes" : "no bus");
        std::fflush(stdout);
        QTimer::singleShot(runs * 1000, &app, &QCoreApplication::quit);
        return app.exec();
    }
    const bool all = mode == u"all"_s;
    double plain = 0;
    if (all || mode == u"plain"_s) {
        qsizetype cards = 0;
        double cpu = 0;
        plain = timeMs(runs, [&] { cards = plainReadAndSort(context.folders); }, &cpu);
        std::printf("median plain read and sort (%lld cards): %8.1f ms wall, %8.1f ms cpu\n", qint64(cards), plain,
                    cpu);
    }
    if (all || mode == u"build"_s) {
        PeriodReport report(context);
        report.loadMainWindow();
        report.setDate1Text(ShortDateText(QDate(Year, 1, 1)));
        report.setDate2Text(ShortDateText(QDate(Year, 12, 31)));
        for (bool expanded : {true, false}) {
            report.setRowsExpanded(expanded);
            report.setColumnsExpanded(expanded);
            double cpu = 0;
            const double build = timeMs(runs, [&] { report.BuildPeriodReport(); }, &cpu);
            std::printf("median BuildPeriodReport, %s (%d rows, digest %s): %8.1f ms wall, %8.1f ms cpu",
                        expanded ? "expanded " : "collapsed", report.table().rowCount(),
                        tableDigest(report.table()).constData(), build, cpu);
            if (plain > 0)
                std::printf("  (%.2f x plain)", build / plain);
            std::printf("\n");
        }
    }
    if (all || mode == u"show"_s) {
        if (qEnvironmentVariableIntValue("TARVO_BENCH_AT_LISTENER") == 1)
            std::printf("listening like a screen reader: %s\n", listenLikeAScreenReader() ? "yes" : "no bus");
        PeriodReport report(context);
        ReportFrame frame(report);
        frame.resize(1280, 800);
        report.loadMainWindow();
        report.setDate1Text(ShortDateText(QDate(Year, 1, 1)));
        report.setDate2Text(ShortDateText(QDate(Year, 12, 31)));
        frame.show();
        QApplication::processEvents();
        auto *button = frame.findChild<QPushButton *>();
        double cpu = 0;
        const double shown = timeMs(runs, [&] {
            button->click();
            frame.grid()->viewport()->repaint();
            QApplication::processEvents();
        }, &cpu);
        std::printf("median build and show in the frame (%d model rows): %8.1f ms wall, %8.1f ms cpu%s",
                    report.model()->rowCount(), shown, cpu,
                    QAccessible::isActive() ? "  (accessibility active)" : "");
        if (plain > 0)
            std::printf("  (%.2f x plain)", shown / plain);
        std::printf("\n");
    }
    std::printf("peak memory: %ld kB\n", peakKilobytes());
    return 0;
}
