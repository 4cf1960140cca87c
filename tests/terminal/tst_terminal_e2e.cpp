// The link on a real pseudo-terminal, with the simulator as the terminal.

#include "core/AppContext.h"
#include "core/Formats.h"
#include "core/SettingsFile.h"
#include "terminal/SerialTerminalPort.h"
#include "terminal/TerminalLink.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kSimulator = QStringLiteral(TARVO_SCALE_SIM);
constexpr int kPeriod = 300;

// The simulator running; the first line it prints is the device.
struct Simulator
{
    QProcess process;
    QString device;

    bool start(const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(kSimulator, arguments);
        if (!process.waitForStarted(5000))
            return false;
        while (!process.canReadLine())
            if (!process.waitForReadyRead(5000))
                return false;
        device = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !device.isEmpty();
    }

    void stop(bool kill = false)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        kill ? process.kill() : process.terminate();
        process.waitForFinished(5000);
    }

    ~Simulator() { stop(true); }
};

struct Program
{
    QTemporaryDir dir;
    Clock clock;
    AppContext context{clock, Folders(dir.path())};
    TerminalLink link{context};

    explicit Program(const QString &port, int type)
    {
        context.ApplyDefaults();
        context.settings.PortNumber = port;
        context.settings.TerminalType = type;
        context.settings.PollPeriodMs = kPeriod;
    }

    void start()
    {
        link.OpenPortAtStart();
        link.startPolling();
    }
};

} // namespace

class TestTerminalEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void everyTypeThroughTheProgram_data();
    void everyTypeThroughTheProgram();
    void overloadThroughTheProgram();
    void everyType_data();
    void everyType();
    void type3WithNothingAttached();
    void unpluggedAndBack();
    void serialPortFaults();
    void attachWritesTheSettings();
    void simulatorOptions();
};

void TestTerminalEndToEnd::everyType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<double>("weight");
    QTest::addColumn<double>("tolerance");

    for (int type = 1; type <= 10; ++type)
        QTest::addRow("type %d", type) << type << QStringList{} << 12340.0 << 0.0;
    QTest::newRow("type 3 x0.5") << 3 << QStringList{u"--coefficient"_s, u"0.5"_s} << 12340.0 << 0.0;
    QTest::newRow("type 4 decimals") << 4 << QStringList{u"--decimals"_s, u"2"_s, u"--weight"_s, u"125.25"_s}
                                     << 125.25 << 0.0;
    QTest::newRow("type 4 bad check") << 4 << QStringList{u"--scenario"_s, u"bad-check"_s} << 12340.0 << 0.0;
    QTest::newRow("type 7 digits") << 7 << QStringList{u"--frame"_s, u"digits"_s} << 12340.0 << 0.0;
    QTest::newRow("type 1 split") << 1 << QStringList{u"--scenario"_s, u"split"_s} << 12340.0 << 0.0;
    QTest::newRow("type 3 split") << 3 << QStringList{u"--split"_s} << 12340.0 << 0.0;
    QTest::newRow("type 8 noise") << 8 << QStringList{u"--noise"_s, u"5"_s} << 12340.0 << 5.0;
}

void TestTerminalEndToEnd::everyType()
{
    QFETCH(int, type);
    QFETCH(QStringList, arguments);
    QFETCH(double, weight);
    QFETCH(double, tolerance);

    Simulator sim;
    QVERIFY(sim.start(QStringList{u"--type"_s, QString::number(type), u"--weight"_s, u"12340"_s,
                                  u"--rate"_s, u"20"_s}
                      + arguments));
    Program program(sim.device, type);
    if (arguments.contains(u"--coefficient"_s))
        program.context.settings.ImpulseCoefficient = 0.5;
    if (arguments.contains(u"digits"_s))
        program.context.settings.DecimalPlaces = 0;
    program.start();
    QVERIFY2(program.link.portOpen(), qPrintable(program.link.statusText()));
    QCOMPARE(program.link.statusColour(), TerminalLink::kOpenColour);

    // Within three poll periods of the start.
    QTRY_VERIFY_WITH_TIMEOUT(program.link.weightText() != TerminalLink::noDataMark(), 3 * kPeriod);
    QVERIFY2(qAbs(program.link.TerminalWeight() - weight) <= tolerance,
             qPrintable(QString::number(program.link.TerminalWeight())));
    if (arguments.contains(u"bad-check"_s)) {
        // At line speed a read may begin with a good frame; within a few
        // polls one begins with a bad one, skipped for the next.
        const auto skipped = [&] {
            for (const RawFrameLog::Entry &entry : program.link.rawLog().entries())
                if (entry.result.note.contains(u"не прошедших проверку"_s))
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(skipped(), 10 * kPeriod);
    }

    // The terminal goes away: no weight, and the loss in the status line.
    sim.stop();
    QTRY_COMPARE_WITH_TIMEOUT(program.link.weightText(), TerminalLink::noDataMark(), 3 * kPeriod);
    QTRY_VERIFY_WITH_TIMEOUT(!program.link.portOpen(), 1000);
    QVERIFY(program.link.statusText().contains(u"потеряна"_s));
}

// Every terminal at once, each on its own pseudo-terminal at 9600 baud, so
// reads end anywhere inside a frame, polled by the program's own timers
// every 300 ms; the weight field is sampled every 50 ms for 3 s. The
// sending terminals at 2 frames a second (fewer frames than polls) and at
// 10, in their several layouts; type 3 answering 45 and 80 ms after the
// request. The field shows the sent weight in at least 95 % of the
// samples, and never another number.
void TestTerminalEndToEnd::everyTypeThroughTheProgram_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("replyDelay");
    QTest::addColumn<QStringList>("formats");
    // Formats by type 1..10; "" the usual one.
    QTest::newRow("2 frames/s") << u"2"_s << u"45"_s
                                << QStringList{u""_s, u"flag"_s, u"cof11"_s, u""_s, u"leo"_s, u"choice9"_s,
                                               u""_s, u""_s, u"ft111"_s, u"and18"_s};
    QTest::newRow("10 frames/s") << u"10"_s << u"80"_s
                                 << QStringList{u""_s, u"short"_s, u""_s, u""_s, u"and"_s, u"choice14"_s,
                                                u""_s, u""_s, u""_s, u"cas10"_s};
}

void TestTerminalEndToEnd::everyTypeThroughTheProgram()
{
    QFETCH(QString, rate);
    QFETCH(QString, replyDelay);
    QFETCH(QStringList, formats);
    constexpr int kSampleMs = 50;
    constexpr int kSamples = 60;
    const QList<double> weights{12340, -1, 12340, 125.25, -250, 12340, 12340, -20, 25.34, 12340};

    std::vector<std::unique_ptr<Simulator>> sims;
    std::vector<std::unique_ptr<Program>> programs;
    for (int type = 1; type <= 10; ++type) {
        const double weight = weights[type - 1];
        QStringList arguments{u"--type"_s, QString::number(type), u"--weight"_s, QString::number(weight),
                              u"--rate"_s, rate, u"--reply-delay"_s, replyDelay};
        if (!formats[type - 1].isEmpty())
            arguments << u"--format"_s << formats[type - 1];
        if (type == 2 || type == 4 || type == 9)
            arguments << u"--decimals"_s << u"2"_s;
        auto sim = std::make_unique<Simulator>();
        QVERIFY(sim->start(arguments));
        auto program = std::make_unique<Program>(sim->device, type);
        program->context.settings.ImpulseCoefficient = 1.0;
        program->start();
        QVERIFY(program->link.portOpen());
        sims.push_back(std::move(sim));
        programs.push_back(std::move(program));
    }
    // Counted from the first weight shown, as an operator would see it.
    const auto allShow = [&] {
        return std::all_of(programs.begin(), programs.end(), [](const auto &p) { return p->link.showsWeight(); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(allShow(), 3000);

    std::vector<int> right(programs.size(), 0);
    std::vector<QString> wrong(programs.size());
    QTimer sample;
    sample.setTimerType(Qt::PreciseTimer);
    int samples = 0;
    connect(&sample, &QTimer::timeout, this, [&] {
        if (++samples > kSamples)
            return sample.stop();
        for (size_t i = 0; i < programs.size(); ++i) {
            const QString shown = programs[i]->link.weightText();
            if (shown == NumberText(weights[qsizetype(i)]))
                ++right[i];
            else if (shown != TerminalLink::noDataMark() && wrong[i].isEmpty())
                wrong[i] = shown;
        }
    });
    sample.start(kSampleMs);
    QTRY_VERIFY_WITH_TIMEOUT(!sample.isActive(), 3 * kSamples * kSampleMs);

    for (size_t i = 0; i < programs.size(); ++i) {
        const RawFrameLog::Entry last = programs[i]->link.rawLog().entries().last();
        const QString what = u"type %1: %2 of %3 samples right, wrong «%4»; last read %5: %6"_s.arg(i + 1)
                                 .arg(right[i])
                                 .arg(kSamples)
                                 .arg(wrong[i], QString::fromLatin1(last.received.toPercentEncoding()),
                                      last.result.note);
        QVERIFY2(wrong[i].isEmpty(), qPrintable(what));
        QVERIFY2(right[i] >= kSamples * 95 / 100, qPrintable(what));
    }
}

// The indicator's overload through the program: the state, not a lost
// link, for the layouts that can say it.
void TestTerminalEndToEnd::overloadThroughTheProgram()
{
    const QList<QStringList> cases{{u"5"_s, u"leo"_s}, {u"6"_s, u"status"_s}, {u"9"_s, u"ft11"_s}, {u"10"_s, u"cas22"_s}};
    std::vector<std::unique_ptr<Simulator>> sims;
    std::vector<std::unique_ptr<Program>> programs;
    for (const QStringList &c : cases) {
        auto sim = std::make_unique<Simulator>();
        QVERIFY(sim->start({u"--type"_s, c[0], u"--format"_s, c[1], u"--overload"_s}));
        auto program = std::make_unique<Program>(sim->device, c[0].toInt());
        program->start();
        sims.push_back(std::move(sim));
        programs.push_back(std::move(program));
    }
    for (size_t i = 0; i < programs.size(); ++i) {
        const TerminalLink &link = programs[i]->link;
        QTRY_COMPARE_WITH_TIMEOUT(link.indicatorState(), IndicatorState::Overload, 3 * kPeriod);
        QCOMPARE(link.weightText(), u"ПЕРЕГРУЗ"_s);
        QCOMPARE(scaleStateMark(link.scaleState()), u"ПЕРЕГРУЗ"_s);
        QVERIFY(link.portOpen());
    }
}

void TestTerminalEndToEnd::type3WithNothingAttached()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    QCOMPARE(::openpty(&master, &slave, name, &raw, nullptr), 0);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    Program program(QString::fromLocal8Bit(name), 3);
    program.start();
    QVERIFY(program.link.portOpen());
    QTest::qWait(3 * kPeriod + 100);

    QByteArray requests;
    char buffer[256];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        requests.append(buffer, n);
    QCOMPARE(requests, "msv?;msv?;msv?;"_ba);
    QCOMPARE(program.link.weightText(), u"xxxxxxx"_s);
    QCOMPARE(program.link.animation().shownPicture(), 0);
    program.link.closePort();
    ::close(slave);
    ::close(master);
}

void TestTerminalEndToEnd::unpluggedAndBack()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(u"scale"_s);
    const QStringList arguments{u"--type"_s, u"1"_s, u"--weight"_s, u"8000"_s, u"--link"_s, link};
    auto sim = std::make_unique<Simulator>();
    QVERIFY(sim->start(arguments));
    QCOMPARE(sim->device, link);

    Program program(link, 1);
    program.start();
    QTRY_COMPARE_WITH_TIMEOUT(program.link.TerminalWeight(), 8000.0, 3 * kPeriod);

    sim->stop(true);
    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!program.link.portOpen(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(program.link.weightText(), u"xxxxxxx"_s, 2 * kPeriod);
    QCOMPARE(program.link.statusColour(), TerminalLink::kClosedColour);
    QVERIFY(program.link.statusText().endsWith(u"связь с портом потеряна, повторное подключение каждые 2 с"_s));

    // Restarted on the same path: the weight is back without a restart here.
    const QStringList again = QStringList(arguments).replaceInStrings(u"8000"_s, u"9000"_s);
    sim = std::make_unique<Simulator>();
    QVERIFY(sim->start(again));
    QTRY_COMPARE_WITH_TIMEOUT(program.link.TerminalWeight(), 9000.0, 3000);
    QCOMPARE(program.link.statusColour(), TerminalLink::kOpenColour);
    QCOMPARE(program.link.statusText(), link + u"  9600,n,8,1"_s);
}

void TestTerminalEndToEnd::serialPortFaults()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    const QString device = QString::fromLocal8Bit(name);
    const auto parameters = [](const QString &port) {
        return PortParameters{port, u"9600"_s, u"n"_s, u"8"_s, u"1"_s};
    };

    SerialTerminalPort first;
    QVERIFY(first.open(parameters(device)));
    QCOMPARE(first.fault(), TerminalPort::Fault::None);

    SerialTerminalPort second;
    QVERIFY(!second.open(parameters(device)));
    QCOMPARE(second.fault(), TerminalPort::Fault::Busy);
    QCOMPARE(second.faultText(), u"порт занят другой программой"_s);
    first.close();

    QVERIFY(!second.open(parameters(u"/nonexistent/ttyUSB9"_s)));
    QCOMPARE(second.faultText(), u"порт не найден"_s);
    QVERIFY(!second.open(parameters(QString())));
    QCOMPARE(second.fault(), TerminalPort::Fault::NotFound);
    QVERIFY(!second.open(PortParameters{device, u"9600"_s, u"q"_s, u"8"_s, u"1"_s}));
    QCOMPARE(second.fault(), TerminalPort::Fault::BadParameters);
    QVERIFY(!second.open(parameters(u"/dev/null"_s)));
    QCOMPARE(second.fault(), TerminalPort::Fault::BadParameters);

    if (::geteuid() != 0) {
        QVERIFY(QFile::setPermissions(device, QFile::ReadOwner));
        QVERIFY(!second.open(parameters(device)));
        QCOMPARE(second.fault(), TerminalPort::Fault::NoPermission);
        QVERIFY(second.faultText().startsWith(u"нет прав доступа к порту"_s));
    }
    ::close(slave);
    ::close(master);
}

void TestTerminalEndToEnd::attachWritesTheSettings()
{
    QTemporaryDir installation;
    const QString link = installation.filePath(u"scale"_s);
    QProcess sim;
    sim.start(kSimulator, {u"--type"_s, u"3"_s, u"--coefficient"_s, u"0.5"_s, u"--link"_s, link,
                           u"--attach"_s, installation.path(), u"--duration"_s, u"0.2"_s});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);

    // A fresh installation is laid out as at the program's first start.
    const Folders folders(installation.path());
    QVERIFY(QFile::exists(folders.BaseFolder + u"Name_Plus.dat"_s));
    Settings settings;
    LoadSettings(settings, folders.SettingsFile);
    QCOMPARE(settings.PortNumber, link);
    QCOMPARE(settings.TerminalType, 3);
    QCOMPARE(settings.ImpulseCoefficient, 0.5);
    QCOMPARE(settings.WeightUnit, u"кг"_s);

    // An existing one keeps everything but what the simulator sets.
    settings.WeightUnit = u"т"_s;
    QVERIFY(StoreSettings(settings, folders.SettingsFile));
    sim.start(kSimulator, {u"--type"_s, u"7"_s, u"--frame"_s, u"digits"_s, u"--decimals"_s, u"1"_s,
                           u"--attach"_s, installation.path(), u"--duration"_s, u"0.2"_s});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    const QString device = QString::fromLocal8Bit(sim.readAllStandardOutput()).trimmed();
    LoadSettings(settings, folders.SettingsFile);
    QCOMPARE(settings.PortNumber, device);
    QCOMPARE(settings.TerminalType, 7);
    QCOMPARE(settings.DecimalPlaces, 1);
    QCOMPARE(settings.WeightUnit, u"т"_s);
}

void TestTerminalEndToEnd::simulatorOptions()
{
    QProcess sim;
    sim.start(kSimulator, {u"--help"_s});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    const QString help = QString::fromUtf8(sim.readAllStandardOutput());
    for (const QString &option : {u"--type"_s, u"--weight"_s, u"--scenario"_s, u"truck"_s, u"--noise"_s,
                                  u"bad-check"_s, u"split"_s, u"--rate"_s, u"--attach"_s, u"--link"_s,
                                  u"--overload"_s, u"--motion"_s, u"--baud"_s, u"CAS6000"_s, u"--format"_s,
                                  u"choice14"_s, u"--reply-delay"_s})
        QVERIFY2(help.contains(option), qPrintable(option));

    for (const QStringList &bad : {QStringList{u"--type"_s, u"11"_s}, QStringList{u"--scenario"_s, u"flood"_s},
                                   QStringList{u"--weight"_s, u"heavy"_s}, QStringList{u"--unknown"_s},
                                   QStringList{u"--type"_s, u"1"_s, u"--format"_s, u"leo"_s},
                                   QStringList{u"--reply-delay"_s, u"-5"_s}}) {
        sim.start(kSimulator, bad);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(!sim.readAllStandardError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestTerminalEndToEnd)
#include "tst_terminal_e2e.moc"
