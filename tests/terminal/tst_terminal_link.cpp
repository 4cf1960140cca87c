#include "FakeTerminalPort.h"
#include "core/AppContext.h"
#include "terminal/TerminalLink.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Fixture : FakeLinkFixture
{
    explicit Fixture(int type = 1)
    {
        context.ApplyDefaults();
        context.settings.TerminalType = type;
    }

    // One poll with `bytes` arriving between request and read.
    void poll(const QByteArray &bytes)
    {
        link.PollTick();
        port->incoming += bytes;
        link.ReadTick();
    }
};

const QByteArray kFrame = "\x02 012345.6\r\n"_ba;

} // namespace

class TestTerminalLink : public QObject
{
    Q_OBJECT

private slots:
    void requestPerType_data();
    void requestPerType();
    void weightOrderAndDisplay();
    void holdsTheLastWeightThenMarks();
    void splitFrameReadWhole();
    void indicatorStateIsNoLostLink();
    void replyReadWhenWhole();
    void animationRunsAndRests();
    void statusLine_data();
    void statusLine();
    void closedPortShowsNoData();
    void lostPortReopensEvery2s();
    void pollPeriodTakesEffectAtOnce();
    void zeroCommand_data();
    void zeroCommand();
    void unknownTypeRunsNoParser();
    void rawLogKeepsRecentPolls();
};

void TestTerminalLink::requestPerType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("request");
    for (int type = 0; type <= 11; ++type)
        QTest::addRow("type %d", type) << type
                                       << (type == 3 ? "msv?;"_ba : type == 7 ? "\n"_ba : QByteArray());
}

void TestTerminalLink::requestPerType()
{
    QFETCH(int, type);
    QFETCH(QByteArray, request);
    Fixture f(type);
    f.link.OpenPortAtStart();
    f.link.PollTick();
    QCOMPARE(f.port->written, request.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{request});
    QVERIFY(f.link.readTimer().isActive());
    QVERIFY(f.link.readTimer().isSingleShot());
    // A polled type waits up to the reply timeout, a sending one 50 ms.
    QCOMPARE(f.link.readTimer().interval(), request.isEmpty() ? 50 : 150);
    f.link.ReadTick();
    QVERIFY(!f.link.readTimer().isActive());

    // The read timer fires by itself 50 ms after the poll.
    int reads = 0;
    QObject::connect(&f.link, &TerminalLink::readFinished, [&] { ++reads; });
    f.link.PollTick();
    QTRY_COMPARE_WITH_TIMEOUT(reads, 1, 1000);
}

void TestTerminalLink::weightOrderAndDisplay()
{
    Fixture f;
    f.link.OpenPortAtStart();
    QStringList calls;
    QObject::connect(&f.link, &TerminalLink::weightRead, [&] {
        // TerminalWeight is set before the live weights are derived, the
        // field is written after.
        calls << u"live %1 %2"_s.arg(f.link.TerminalWeight()).arg(f.link.weightText());
    });
    QObject::connect(&f.link, &TerminalLink::readFinished, [&] { calls << u"after "_s + f.link.weightText(); });
    QSignalSpy shown(&f.link, &TerminalLink::weightTextChanged);
    QCOMPARE(f.link.weightText(), u"xxxxxxx"_s);

    f.poll("\x02-000012.5\r\n"_ba);
    QCOMPARE(calls, (QStringList{u"live -12 xxxxxxx"_s, u"after -12"_s}));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toString(), u"-12"_s);

    // Fractions are shown with the decimal comma.
    f.context.settings.TerminalType = 3;
    f.context.settings.ImpulseCoefficient = 0.5;
    f.poll("  12345\r\n"_ba);
    QCOMPARE(f.link.TerminalWeight(), 6172.5);
    QCOMPARE(f.link.weightText(), u"6172,5"_s);
}

void TestTerminalLink::holdsTheLastWeightThenMarks()
{
    Fixture f;
    f.link.OpenPortAtStart();
    int live = 0;
    QObject::connect(&f.link, &TerminalLink::weightRead, [&] { ++live; });
    f.poll(kFrame);
    f.poll(kFrame);
    QVERIFY(f.link.weightFresh());
    // One second at 300 ms: the fourth poll without a frame shows the mark.
    QCOMPARE(f.link.holdPolls(), 4);
    for (int miss = 1; miss < 4; ++miss) {
        f.poll("garbage without a marker"_ba);
        QCOMPARE(f.link.weightText(), u"12345"_s);
        QVERIFY(f.link.showsWeight());
        // Shown, but no weighing: it is older than one poll.
        QVERIFY(!f.link.weightFresh());
        QCOMPARE(f.link.animation().shownPicture(), 1);
    }
    f.poll(QByteArray());
    QCOMPARE(f.link.weightText(), u"xxxxxxx"_s);
    QVERIFY(!f.link.showsWeight());
    QCOMPARE(live, 2);
    // The last weight stays what the derived weights were made from.
    QCOMPARE(f.link.TerminalWeight(), 12345.0);
    QCOMPARE(f.link.animation().shownPicture(), 0);

    // At least two poll periods, whatever the setting; a closed port holds nothing.
    f.context.operatorSettings.setHoldTimeMs(0);
    QCOMPARE(f.link.holdPolls(), 2);
    f.context.settings.PollPeriodMs = 1000;
    f.context.operatorSettings.setHoldTimeMs(2500);
    QCOMPARE(f.link.holdPolls(), 3);
    f.poll(kFrame);
    f.port->unplug();
    f.poll(QByteArray());
    QCOMPARE(f.link.weightText(), u"xxxxxxx"_s);
}

void TestTerminalLink::splitFrameReadWhole()
{
    Fixture f;
    f.link.OpenPortAtStart();
    f.poll(kFrame + "\x02 000777.0\r\n"_ba + "\x02 0008");
    QCOMPARE(f.link.TerminalWeight(), 12345.0);
    // The frame begun at the end of one read is read whole with the next.
    f.poll("88.0\r\n"_ba);
    QCOMPARE(f.link.TerminalWeight(), 888.0);
    QVERIFY(f.link.weightFresh());
    QCOMPARE(f.link.rawLog().entries().last().carried, 6);
    QVERIFY(RawFrameLog::entryText(f.link.rawLog().entries().last()).contains(u"формат: STX и 9 знаков"_s));
}

void TestTerminalLink::indicatorStateIsNoLostLink()
{
    Fixture f(10);
    f.link.OpenPortAtStart();
    f.poll("ST,GS,+0012340kg\r\n"_ba);
    QCOMPARE(f.link.scaleState(), ScaleState::Weight);
    f.poll("OL,GS,+0099999kg\r\n"_ba);
    QCOMPARE(f.link.weightText(), u"ПЕРЕГРУЗ"_s);
    QCOMPARE(f.link.indicatorState(), IndicatorState::Overload);
    QCOMPARE(f.link.scaleState(), ScaleState::Overload);
    QVERIFY(scaleStateAlarm(f.link.scaleState()));
    // No weight to take, and no lost link either.
    QVERIFY(!f.link.showsWeight());
    QVERIFY(f.link.portOpen());
    QCOMPARE(f.link.TerminalWeight(), 12340.0);

    f.context.settings.TerminalType = 5;
    f.poll("Q+000000\r"_ba);
    QCOMPARE(f.link.weightText(), u"ОШИБКА"_s);
    QCOMPARE(scaleStateMark(f.link.scaleState()), u"ОШИБКА"_s);
    f.poll("P+012340\r"_ba);
    QCOMPARE(f.link.indicatorState(), IndicatorState::None);
    QCOMPARE(f.link.weightText(), u"12340"_s);
}

void TestTerminalLink::replyReadWhenWhole()
{
    Fixture f(3);
    f.context.settings.ImpulseCoefficient = 1.0;
    f.link.OpenPortAtStart();
    int reads = 0;
    QObject::connect(&f.link, &TerminalLink::readFinished, [&] { ++reads; });

    // A whole reply ends the wait at once, not at the timeout.
    QElapsedTimer clock;
    clock.start();
    f.link.PollTick();
    f.port->incoming = "   12345\r\n"_ba;
    QTRY_COMPARE_WITH_TIMEOUT(reads, 1, 1000);
    QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(f.link.TerminalWeight(), 12345.0);

    // A reply still on the line is waited for, up to the timeout.
    clock.restart();
    f.link.PollTick();
    f.port->incoming = "   123"_ba;
    QTest::qWait(60);
    QCOMPARE(reads, 1);
    f.port->incoming = "46\r\n"_ba;
    QTRY_COMPARE_WITH_TIMEOUT(reads, 2, 1000);
    QCOMPARE(f.link.TerminalWeight(), 12346.0);

    // Nothing whole by the timeout: the read happens then, the weight held.
    f.context.operatorSettings.setReplyTimeoutMs(80);
    QCOMPARE(f.link.replyTimeoutMs(), 80);
    clock.restart();
    f.link.PollTick();
    f.port->incoming = "   12"_ba;
    QTRY_COMPARE_WITH_TIMEOUT(reads, 3, 1000);
    QVERIFY(clock.elapsed() >= 75);
    QCOMPARE(f.link.weightText(), u"12346"_s);
    QVERIFY(!f.link.weightFresh());
    // The timeout stays inside the poll period.
    f.context.operatorSettings.setReplyTimeoutMs(2000);
    QCOMPARE(f.link.replyTimeoutMs(), 250);
}

void TestTerminalLink::animationRunsAndRests()
{
    PollAnimation a;
    QCOMPARE(a.shownPicture(), 0);
    const int expected[20] = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int round = 0; round < 2; ++round) {
        for (int s = 0; s < 20; ++s) {
            QCOMPARE(a.step(), s);
            a.AnimationStep();
            QCOMPARE(a.shownPicture(), expected[s]);
            QCOMPARE(std::count(a.visible().begin(), a.visible().end(), true), 1);
        }
        QCOMPARE(a.step(), 0);
    }
    // Idle shows picture 0 alone and leaves the counter.
    a.AnimationStep();
    a.AnimationStep();
    a.AnimationIdle();
    QCOMPARE(a.visible(), (std::array<bool, 4>{true, false, false, false}));
    QCOMPARE(a.step(), 2);

    // Through the link: weights step it, misses rest it.
    Fixture f;
    f.link.OpenPortAtStart();
    QSignalSpy changed(&f.link, &TerminalLink::animationChanged);
    f.poll(kFrame);
    f.poll(kFrame);
    QCOMPARE(f.link.animation().shownPicture(), 1);
    // Held while the hold time lasts, then idle.
    f.poll(QByteArray());
    QCOMPARE(f.link.animation().shownPicture(), 1);
    for (int miss = 1; miss < f.link.holdPolls(); ++miss)
        f.poll(QByteArray());
    QCOMPARE(f.link.animation().shownPicture(), 0);
    QCOMPARE(changed.count(), 3);
}

void TestTerminalLink::statusLine_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("faultText");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("colour");

    QTest::newRow("open") << u"3"_s << true << 0 << QString() << u"COM3  19200,e,7,2"_s << 8454016;
    QTest::newRow("device name") << u"/dev/ttyUSB0"_s << true << 0 << QString()
                                 << u"/dev/ttyUSB0  19200,e,7,2"_s << 8454016;
    QTest::newRow("not found") << u"1"_s << false << int(TerminalPort::Fault::NotFound) << u"порт не найден"_s
                               << u"COM1  19200,e,7,2  — порт не найден"_s << 8421631;
    QTest::newRow("no permission")
        << u"/dev/ttyUSB0"_s << false << int(TerminalPort::Fault::NoPermission)
        << u"нет прав доступа к порту: пользователя нужно включить в группу «dialout»"_s
        << u"/dev/ttyUSB0  19200,e,7,2  — нет прав доступа к порту: пользователя нужно включить в группу «dialout»"_s
        << 8421631;
}

void TestTerminalLink::statusLine()
{
    QFETCH(QString, port);
    QFETCH(bool, opens);
    QFETCH(int, fault);
    QFETCH(QString, faultText);
    QFETCH(QString, status);
    QFETCH(int, colour);

    Fixture f;
    Settings &s = f.context.settings;
    s.PortNumber = port;
    s.BaudRate = u"19200"_s;
    s.Parity = u"e"_s;
    s.DataBits = u"7"_s;
    s.StopBits = u"2"_s;
    f.port->opens = opens;
    f.port->failure = TerminalPort::Fault(fault);
    f.port->failureText = faultText;
    QSignalSpy changed(&f.link, &TerminalLink::statusChanged);
    f.link.OpenPortAtStart();
    QCOMPARE(f.port->lastParameters, PortParameters::fromSettings(s));
    QCOMPARE(f.link.statusText(), status);
    QCOMPARE(f.link.statusColour(), colour);
    QCOMPARE(changed.count(), 1);
    f.link.refreshStatus();
    QCOMPARE(changed.count(), 1);
}

void TestTerminalLink::closedPortShowsNoData()
{
    // Even type 7, which waits eleven polls on an open line.
    Fixture f(7);
    f.port->opens = false;
    f.link.OpenPortAtStart();
    f.link.PollTick();
    QVERIFY(f.port->written.isEmpty());
    f.link.ReadTick();
    QCOMPARE(f.link.weightText(), u"xxxxxxx"_s);
    QCOMPARE(f.link.animation().shownPicture(), 0);
    QCOMPARE(f.link.rawLog().entries().last().result.note, u"порт не открыт"_s);
}

void TestTerminalLink::lostPortReopensEvery2s()
{
    Fixture f;
    f.link.OpenPortAtStart();
    f.poll(kFrame);
    QCOMPARE(f.port->openCount, 1);
    QSignalSpy changed(&f.link, &TerminalLink::statusChanged);

    f.port->opens = false;
    f.port->unplug();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.link.statusColour(), TerminalLink::kClosedColour);
    QVERIFY(f.link.statusText().endsWith(u"связь с портом потеряна, повторное подключение каждые 2 с"_s));
    QVERIFY(f.link.reopening());
    f.poll(kFrame);
    QCOMPARE(f.link.weightText(), u"xxxxxxx"_s);

    // A failed attempt says nothing new; the loss is reported once.
    QTest::qWait(1700);
    QCOMPARE(f.port->openCount, 1);
    QTRY_COMPARE_WITH_TIMEOUT(f.port->openCount, 2, 1000);
    QCOMPARE(changed.count(), 1);

    f.port->opens = true;
    QTRY_COMPARE_WITH_TIMEOUT(f.port->openCount, 3, 2500);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(f.link.statusColour(), TerminalLink::kOpenColour);
    QVERIFY(!f.link.reopening());
    f.poll(kFrame);
    QCOMPARE(f.link.TerminalWeight(), 12345.0);

    // Closed at exit: no more attempts.
    f.link.closePort();
    QVERIFY(!f.link.reopening());
}

void TestTerminalLink::pollPeriodTakesEffectAtOnce()
{
    Fixture f(3);
    f.link.OpenPortAtStart();
    f.link.startPolling();
    QVERIFY(f.link.pollTimer().isActive());
    QCOMPARE(f.link.pollTimer().interval(), 300);

    f.context.settings.PollPeriodMs = 1000;
    f.link.applyPollPeriod();
    QCOMPARE(f.link.pollTimer().interval(), 1000);
    QVERIFY(f.link.pollTimer().isActive());
    f.port->written.clear();
    QTest::qWait(1300);
    QCOMPARE(f.port->written.count("msv?;"_ba), 1);

    for (const int bad : {0, 299, 10001})
    {
        f.context.settings.PollPeriodMs = bad;
        f.link.applyPollPeriod();
        QCOMPARE(f.link.pollTimer().interval(), 300);
    }
    f.link.stopPolling();
    QVERIFY(!f.link.pollTimer().isActive());
}

void TestTerminalLink::zeroCommand_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("3") << 3 << "CDL;"_ba;
    QTest::newRow("7") << 7 << "\n"_ba;
    QTest::newRow("1") << 1 << QByteArray();
    QTest::newRow("4") << 4 << QByteArray();
}

void TestTerminalLink::zeroCommand()
{
    QFETCH(int, type);
    QFETCH(QByteArray, command);
    Fixture f(type);
    f.link.OpenPortAtStart();
    f.link.SendZero();
    QCOMPARE(f.port->written, command.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{command});
}

void TestTerminalLink::unknownTypeRunsNoParser()
{
    Fixture f(12);
    f.link.OpenPortAtStart();
    int live = 0;
    QObject::connect(&f.link, &TerminalLink::weightRead, [&] { ++live; });
    QSignalSpy shown(&f.link, &TerminalLink::weightTextChanged);
    f.poll(kFrame);
    QCOMPARE(live, 0);
    QCOMPARE(shown.count(), 0);
    QCOMPARE(f.link.weightText(), u"xxxxxxx"_s);
}

void TestTerminalLink::rawLogKeepsRecentPolls()
{
    Fixture f(3);
    f.link.OpenPortAtStart();
    QSignalSpy logged(&f.link, &TerminalLink::frameLogged);
    f.poll("  12345\r\n"_ba);
    const RawFrameLog::Entry &entry = f.link.rawLog().entries().last();
    QCOMPARE(entry.type, 3);
    QCOMPARE(entry.sent, "msv?;"_ba);
    QCOMPARE(entry.received, "  12345\r\n"_ba);
    QCOMPARE(entry.result.weight, 12345.0);
    QCOMPARE(logged.count(), 1);

    for (int i = 0; i < 60; ++i)
        f.poll(QByteArray(1000, 'x'));
    QCOMPARE(f.link.rawLog().entries().size(), RawFrameLog::kKeptEntries);
    QCOMPARE(f.link.rawLog().entries().last().received.size(), RawFrameLog::kKeptBytes);
    QCOMPARE(f.link.rawLog().entries().last().receivedSize, 1000);
}

QTEST_GUILESS_MAIN(TestTerminalLink)
#include "tst_terminal_link.moc"
