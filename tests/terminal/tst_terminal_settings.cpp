#include "FakeTerminalPort.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/SettingsFile.h"
#include "terminal/AnimationImages.h"
#include "terminal/PortSettingsModel.h"
#include "terminal/RawFrameLog.h"
#include "terminal/TerminalFrameModel.h"
#include "terminal/TerminalLink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Fixture : FakeLinkFixture
{
    Fixture()
    {
        QVERIFY(context.LoadOrCreateSettings());
        link.OpenPortAtStart();
    }

    Settings stored() const
    {
        Settings s;
        LoadSettings(s, context.folders.SettingsFile);
        return s;
    }
};

} // namespace

class TestTerminalSettings : public QObject
{
    Q_OBJECT

private slots:
    void portParameters_data();
    void portParameters();
    void portChoices();
    void portSaveStoresOnlyAnOpenPort();
    void frameVisibility();
    void frameValueWorksOnStoredType_data();
    void frameValueWorksOnStoredType();
    void frameSelectionAndZero();
    void visibleBytes();
    void animationPictures();
};

void TestTerminalSettings::portParameters_data()
{
    QTest::addColumn<PortParameters>("parameters");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("valid");

    QTest::newRow("1") << PortParameters{u"1"_s, u"9600"_s, u"n"_s, u"8"_s, u"1"_s} << u"/dev/ttyS0"_s
                       << u"COM1  9600,n,8,1"_s << true;
    QTest::newRow("8") << PortParameters{u"8"_s, u"38400"_s, u"m"_s, u"5"_s, u"2"_s} << u"/dev/ttyS7"_s
                       << u"COM8  38400,m,5,2"_s << true;
    QTest::newRow("9 is a name") << PortParameters{u"9"_s, u"1200"_s, u"s"_s, u"6"_s, u"1"_s} << u"9"_s
                                 << u"9  1200,s,6,1"_s << true;
    QTest::newRow("device") << PortParameters{u" /dev/ttyUSB0 "_s, u"4800"_s, u"o"_s, u"7"_s, u"1"_s}
                            << u"/dev/ttyUSB0"_s << u"/dev/ttyUSB0  4800,o,7,1"_s << true;
    QTest::newRow("parity letter unknown") << PortParameters{u"1"_s, u"9600"_s, u"x"_s, u"8"_s, u"1"_s}
                                           << u"/dev/ttyS0"_s << u"COM1  9600,x,8,1"_s << false;
    QTest::newRow("four data bits") << PortParameters{u"1"_s, u"9600"_s, u"e"_s, u"4"_s, u"1"_s}
                                    << u"/dev/ttyS0"_s << u"COM1  9600,e,4,1"_s << false;
    QTest::newRow("speed not a number") << PortParameters{u"1"_s, u"fast"_s, u"e"_s, u"8"_s, u"1"_s}
                                        << u"/dev/ttyS0"_s << u"COM1  fast,e,8,1"_s << false;
    QTest::newRow("stop bits 3") << PortParameters{u"1"_s, u"9600"_s, u"e"_s, u"8"_s, u"3"_s}
                                 << u"/dev/ttyS0"_s << u"COM1  9600,e,8,3"_s << false;
}

void TestTerminalSettings::portParameters()
{
    QFETCH(PortParameters, parameters);
    QFETCH(QString, device);
    QFETCH(QString, status);
    QFETCH(bool, valid);
    QCOMPARE(parameters.deviceName(), device);
    QCOMPARE(parameters.statusText(), status);
    QCOMPARE(parameters.valid(), valid);
}

void TestTerminalSettings::portChoices()
{
    QStringList ports = PortSettingsModel::portChoices();
    QCOMPARE(ports.mid(0, 8), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s, u"8"_s}));
    QVERIFY(!ports.contains(u"/dev/ttyS0"_s));
    QCOMPARE(ports.removeDuplicates(), 0);
    QCOMPARE(PortSettingsModel::speedChoices(),
             (QStringList{u"1200"_s, u"2400"_s, u"4800"_s, u"9600"_s, u"19200"_s, u"38400"_s}));
    QCOMPARE(PortSettingsModel::parityChoices(), (QStringList{u"n"_s, u"e"_s, u"o"_s, u"s"_s, u"m"_s}));
    QCOMPARE(PortSettingsModel::dataBitsChoices(), (QStringList{u"5"_s, u"6"_s, u"7"_s, u"8"_s}));
    QCOMPARE(PortSettingsModel::stopBitsChoices(), (QStringList{u"1"_s, u"2"_s}));
}

void TestTerminalSettings::portSaveStoresOnlyAnOpenPort()
{
    Fixture f;
    EventLog log(f.context);
    PortSettingsModel model(f.context, f.link, log);
    const PortParameters chosen{u"/dev/ttyUSB3"_s, u"19200"_s, u"e"_s, u"7"_s, u"2"_s};

    const PortParameters previous{u"1"_s, u"9600"_s, u"n"_s, u"8"_s, u"1"_s};
    QVERIFY(f.link.portOpen());

    // A port that does not open: the message, and the previous port stays
    // in use, in memory and in the file alike.
    f.port->missing = QStringList{chosen.portNumber};
    const int opensBefore = f.port->openCount;
    QCOMPARE(model.save(chosen), u"Порт не обнаружен"_s);
    QCOMPARE(f.port->openCount, opensBefore + 2);
    QCOMPARE(f.port->lastParameters, previous);
    QVERIFY(f.link.portOpen());
    QVERIFY(!f.link.reopening());
    QCOMPARE(PortParameters::fromSettings(f.context.settings), previous);
    QCOMPARE(PortParameters::fromSettings(f.stored()), previous);
    QCOMPARE(f.link.statusText(), u"COM1  9600,n,8,1"_s);
    QCOMPARE(f.link.statusColour(), TerminalLink::kOpenColour);
    QCOMPARE(model.current(), previous);
    // ...and is still polled.
    f.link.PollTick();
    f.port->incoming = "\x02 012345.6\r\n"_ba;
    f.link.ReadTick();
    QCOMPARE(f.link.TerminalWeight(), 12345.0);

    // A later store (counters of a card) must not carry the failed port.
    QVERIFY(f.context.storeSettings());
    QCOMPARE(PortParameters::fromSettings(f.stored()), previous);

    // When the previous port is gone too, it is the one tried again.
    f.port->opens = false;
    QCOMPARE(model.save(chosen), u"Порт не обнаружен"_s);
    QVERIFY(!f.link.portOpen());
    QVERIFY(f.link.reopening());
    QCOMPARE(f.port->lastParameters, previous);
    QCOMPARE(PortParameters::fromSettings(f.context.settings), previous);

    f.port->missing.clear();
    f.port->opens = true;
    QCOMPARE(model.save(chosen), u"Изменения приняты"_s);
    QCOMPARE(PortParameters::fromSettings(f.stored()), chosen);
    QCOMPARE(f.link.statusText(), u"/dev/ttyUSB3  19200,e,7,2"_s);
    QCOMPARE(f.link.statusColour(), TerminalLink::kOpenColour);
    QCOMPARE(model.current(), chosen);

    // Accepted but not written must not read as a plain success.
    QFile::remove(f.context.folders.SettingsFile);
    QDir(f.context.folders.BaseFolder).removeRecursively();
    QVERIFY(model.save(chosen).startsWith(u"Изменения приняты, но"_s));
}

void TestTerminalSettings::frameVisibility()
{
    Fixture f;
    TerminalFrameModel frame(f.context, f.link);
    f.context.settings.TerminalType = 4;
    frame.load();
    QCOMPARE(frame.selectedIndex(), 3);
    for (int index = 0; index < 10; ++index) {
        frame.select(index);
        QCOMPARE(frame.selectedText(), TerminalFrameModel::typeNames()[index]);
        QCOMPARE(frame.extrasVisible(), index == 2 || index == 6);
    }
    // A stored type outside the list selects nothing and shows no extras.
    f.context.settings.TerminalType = 0;
    frame.load();
    QCOMPARE(frame.selectedIndex(), -1);
    QVERIFY(!frame.extrasVisible());
    frame.applySelection();
    QCOMPARE(f.context.settings.TerminalType, 0);
}

void TestTerminalSettings::frameValueWorksOnStoredType_data()
{
    QTest::addColumn<int>("storedType");
    QTest::addColumn<int>("listType");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<int>("places");

    // The stored type decides, whatever the list shows.
    QTest::newRow("3: comma") << 3 << 3 << u"Коэф. кг/импл"_s << u"0,5"_s << 0.5 << 3;
    QTest::newRow("3: point") << 3 << 7 << u"Коэф. кг/импл"_s << u"2.25"_s << 2.25 << 3;
    QTest::newRow("3: zero is what a restart makes of it") << 3 << 3 << u"Коэф. кг/импл"_s << u"0"_s << 1.0 << 3;
    QTest::newRow("7: in range") << 7 << 7 << u"Полож. точки"_s << u"2"_s << 1.0 << 2;
    QTest::newRow("7: whole part") << 7 << 3 << u"Полож. точки"_s << u"2,9"_s << 1.0 << 2;
    QTest::newRow("7: above 3") << 7 << 7 << u"Полож. точки"_s << u"5"_s << 1.0 << 3;
    QTest::newRow("7: below 0") << 7 << 7 << u"Полож. точки"_s << u"-1"_s << 1.0 << 0;
    QTest::newRow("7: no number") << 7 << 7 << u"Полож. точки"_s << u"abc"_s << 1.0 << 0;
    QTest::newRow("1: nothing to save") << 1 << 7 << u"Полож. точки"_s << u"2"_s << 1.0 << 3;
}

void TestTerminalSettings::frameValueWorksOnStoredType()
{
    QFETCH(int, storedType);
    QFETCH(int, listType);
    QFETCH(QString, label);
    QFETCH(QString, typed);
    QFETCH(double, coefficient);
    QFETCH(int, places);

    Fixture f;
    f.context.settings.TerminalType = storedType;
    f.context.settings.ImpulseCoefficient = 1.0;
    f.context.settings.DecimalPlaces = 3;
    TerminalFrameModel frame(f.context, f.link);
    frame.load();
    frame.select(listType - 1);
    QVERIFY(frame.extrasVisible());
    QCOMPARE(frame.valueLabel(), label);
    QCOMPARE(frame.valueEditable(), storedType == 3 || storedType == 7);
    QCOMPARE(frame.valueText(), storedType == 3 ? u"1"_s : storedType == 7 ? u"3"_s : QString());

    frame.saveValue(typed);
    QCOMPARE(f.context.settings.ImpulseCoefficient, coefficient);
    QCOMPARE(f.context.settings.DecimalPlaces, places);
    QCOMPARE(f.context.settings.TerminalType, storedType);
    if (storedType == 3)
        QCOMPARE(frame.valueText(), typed == u"0" ? u"1"_s : typed.replace(u'.', u','));
}

void TestTerminalSettings::frameSelectionAndZero()
{
    Fixture f;
    f.context.settings.TerminalType = 3;
    TerminalFrameModel frame(f.context, f.link);
    frame.load();
    frame.select(6);
    // The new type waits for "Выход"; the zero button still asks the stored one.
    QCOMPARE(f.context.settings.TerminalType, 3);
    frame.sendZero();
    QCOMPARE(f.port->written.last(), "CDL;"_ba);
    frame.applySelection();
    QCOMPARE(f.context.settings.TerminalType, 7);
    frame.sendZero();
    QCOMPARE(f.port->written.last(), "\n"_ba);
}

void TestTerminalSettings::visibleBytes()
{
    QCOMPARE(RawFrameLog::visibleText("\x02 012345.6\r\n"_ba), u"<STX> 012345.6<CR><LF>"_s);
    QCOMPARE(RawFrameLog::visibleText("<CR>"_ba), u"<<CR>"_s);
    QCOMPARE(RawFrameLog::visibleText(QByteArray("\x00\x7f\x1b", 3)), u"<NUL><DEL><ESC>"_s);
    QCOMPARE(RawFrameLog::visibleText("\xca\xc3"_ba), u"КГ"_s);
    QCOMPARE(RawFrameLog::hexText("\x02 1"_ba), u"02 20 31"_s);

    RawFrameLog::Entry entry;
    entry.time = QDateTime(QDate(2024, 3, 1), QTime(10, 5, 7, 42));
    entry.type = 3;
    entry.sent = "msv?;"_ba;
    entry.received = "  12345\r\n"_ba;
    entry.receivedSize = entry.received.size();
    entry.result = ParseResult::weightOf(12345.5, "  12345\r"_ba);
    const QString text = RawFrameLog::entryText(entry);
    QVERIFY2(text.startsWith(u"10:05:07.042  тип 3 «HBM AED»\n"_s), qPrintable(text));
    QVERIFY(text.contains(u"отправлено: msv?;"_s));
    QVERIFY(text.contains(u"принято 9 байт:   12345<CR><LF>"_s));
    QVERIFY(text.contains(u"разбор: вес 12345,5"_s));
    QCOMPARE(RawFrameLog::resultText(ParseResult::noWeight(u"нет"_s)), u"нет веса: нет"_s);
}

void TestTerminalSettings::animationPictures()
{
    QTemporaryDir dir;
    Settings settings;
    QList<QImage> builtIn;
    for (int i = 0; i < 4; ++i) {
        builtIn << AnimationImages::builtIn(i);
        QCOMPARE(builtIn.last().size(), QSize(48, 48));
        for (int j = 0; j < i; ++j)
            QVERIFY(builtIn[i] != builtIn[j]);
    }

    QImage own(20, 10, QImage::Format_RGB32);
    own.fill(Qt::red);
    const QString ownPath = dir.filePath(u"own.png"_s);
    QVERIFY(own.save(ownPath));
    const QString brokenPath = dir.filePath(u"broken.jpg"_s);
    QFile broken(brokenPath);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();

    settings.AnimationPictures = {ownPath, dir.filePath(u"missing.bmp"_s), brokenPath, QString()};
    const std::array<QImage, 4> pictures = AnimationImages::pictures(settings);
    QCOMPARE(pictures[0].size(), QSize(20, 10));
    for (int i = 1; i < 4; ++i)
        QCOMPARE(pictures[std::size_t(i)], builtIn[i]);
}

QTEST_MAIN(TestTerminalSettings)
#include "tst_terminal_settings.moc"
