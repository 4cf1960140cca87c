// The link on a real pseudo-terminal, with the simulator as the terminal.

#include "core/AppContext.h"
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
    void tenTypesAtLineSpeed();
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
                if (entry.result.note.contains(u"неверной контрольной суммой"_s))
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

// All ten terminals at once, each on its own pseudo-terminal at 9600 baud,
// so reads end anywhere inside a frame, as on a real line. Polled every
// 100 ms (the program's own tick, faster than the settings allow, to keep
// the run short): 20 polls each, of which at least 19 show the sent weight.
void TestTerminalEndToEnd::tenTypesAtLineSpeed()
{
    constexpr int kFastPeriod = 100;
    constexpr int kPolls = 20;
    struct Case
    {
        int type;
        QStringList arguments;
        double weight;
    };
    const QList<Case> cases{
        {1, {u"--weight"_s, u"12340"_s}, 12340},
        {2, {u"--weight"_s, u"-1"_s, u"--decimals"_s, u"2"_s}, -1},
        {3, {u"--weight"_s, u"12340"_s}, 12340},
        {4, {u"--weight"_s, u"125.25"_s, u"--decimals"_s, u"2"_s}, 125.25},
        {5, {u"--weight"_s, u"-250"_s}, -250},
        {6, {u"--weight"_s, u"12340"_s}, 12340},
        {7, {u"--weight"_s, u"12340"_s}, 12340},
        {8, {u"--weight"_s, u"-20"_s}, -20},
        {9, {u"--weight"_s, u"25.34"_s}, 25.34},
        {10, {u"--weight"_s, u"12340"_s}, 12340},
    };

    std::vector<std::unique_ptr<Simulator>> sims;
    std::vector<std::unique_ptr<Program>> programs;
    std::vector<int> right(size_t(cases.size()), 0);
    for (const Case &c : cases) {
        auto sim = std::make_unique<Simulator>();
        QVERIFY(sim->start(QStringList{u"--type"_s, QString::number(c.type), u"--rate"_s, u"20"_s} + c.arguments));
        auto program = std::make_unique<Program>(sim->device, c.type);
        program->link.OpenPortAtStart();
        QVERIFY(program->link.portOpen());
        // Nothing read yet: the no-data mark, not a blank or a stale number.
        QCOMPARE(program->link.weightText(), TerminalLink::noDataMark());
        const size_t i = programs.size();
        connect(&program->link, &TerminalLink::readFinished, this, [&right, i, &programs, w = c.weight] {
            const TerminalLink &link = programs[i]->link;
            right[i] += link.showsWeight() && link.TerminalWeight() == w;
        });
        sims.push_back(std::move(sim));
        programs.push_back(std::move(program));
    }

    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    int polls = 0;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (++polls > kPolls)
            return poll.stop();
        for (auto &p : programs)
            p->link.PollTick();
    });
    poll.start(kFastPeriod);
    QTRY_VERIFY_WITH_TIMEOUT(!poll.isActive(), 4 * kPolls * kFastPeriod);
    QTest::qWait(2 * TerminalLink::kReadDelayMs);

    for (qsizetype i = 0; i < cases.size(); ++i) {
        const RawFrameLog::Entry last = programs[size_t(i)]->link.rawLog().entries().last();
        QVERIFY2(right[size_t(i)] >= kPolls * 95 / 100,
                 qPrintable(u"type %1: %2 of %3 polls right; last read %4: %5"_s.arg(cases[i].type)
                                .arg(right[size_t(i)])
                                .arg(kPolls)
                                .arg(QString::fromLatin1(last.received.toPercentEncoding()), last.result.note)));
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
                                  u"--overload"_s, u"--motion"_s, u"--baud"_s, u"CAS6000"_s})
        QVERIFY2(help.contains(option), qPrintable(option));

    for (const QStringList &bad : {QStringList{u"--type"_s, u"11"_s}, QStringList{u"--scenario"_s, u"flood"_s},
                                   QStringList{u"--weight"_s, u"heavy"_s}, QStringList{u"--unknown"_s}}) {
        sim.start(kSimulator, bad);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(!sim.readAllStandardError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestTerminalEndToEnd)
#include "tst_terminal_e2e.moc"
