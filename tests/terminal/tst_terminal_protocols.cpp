// Frames are written as plain concatenations of bytes, which the string
// builder would turn into expression templates the test data cannot hold.
#undef QT_USE_QSTRINGBUILDER

#include "FrameMaker.h"
#include "core/Settings.h"
#include "terminal/FrameReader.h"
#include "terminal/TerminalProtocols.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace TerminalProtocols;
using Kind = ParseResult::Kind;

namespace {

const QByteArray STX(1, '\x02');
const QByteArray CR(1, '\r');
const QByteArray LF(1, '\n');

// A type 4 frame for eight characters, the check written independently of
// the simulator: XOR of the eight codes, high and low nibble.
QByteArray type4Frame(const QByteArray &eight, bool goodCheck = true)
{
    quint8 x = 0;
    for (char c : eight)
        x ^= quint8(c);
    if (!goodCheck)
        x ^= 0x10;
    return STX + eight + char(0x30 | (x >> 4)) + char(0x30 | (x & 15));
}

// Frames as the indicators' manuals lay them out, written here rather than
// taken from the simulator.

// D2008F: STX, sign, six digits, the decimal-position digit, the XOR of
// these eight as two hex digits ("A".."F" above 9), ETX.
QByteArray d2008f(char sign, int digits, int point)
{
    QByteArray eight = sign + QByteArray::number(digits).rightJustified(6, '0') + char('0' + point);
    quint8 x = 0;
    for (char c : eight)
        x ^= quint8(c);
    const auto hex = [](int n) { return char(n < 10 ? '0' + n : 'A' + n - 10); };
    return STX + eight + hex(x >> 4) + hex(x & 15) + '\x03';
}

// FT11: STX, status A, B, C, six weight digits, six tare digits, CR and
// the byte that makes the sum of all bytes zero.
QByteArray ft11(int statusA, int statusB, const QByteArray &weight6, bool lf = false)
{
    QByteArray f = STX + char(statusA) + char(statusB) + '0' + weight6 + "000000" + CR;
    if (lf)
        f += LF;
    int sum = 0;
    for (char c : f)
        sum += quint8(c);
    return f + char(-sum & 0xFF);
}

// CAS 22 bytes: header, ",GS,", device id, lamp byte, ",", 8 data bytes,
// blank and unit, CR LF.
QByteArray cas(const char *head, int lamp, const QByteArray &data8)
{
    return QByteArray(head) + ",GS," + '1' + char(lamp) + ',' + data8 + " kg" + CR + LF;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b += char(v);
    return b;
}

} // namespace

class TestTerminalProtocols : public QObject
{
    Q_OBJECT

private slots:
    void listAndRequests();
    void markerFrames_data();
    void markerFrames();
    void type3_data();
    void type3();
    void type4_data();
    void type4();
    void type7DigitAndTextFrames();
    void type7WaitsAndCountsMisses();
    void type7BufferOverflowAndBadFrames();
    void garbageEmptyAndOverlong();
    void manualFrames_data();
    void manualFrames();
    void d2008fEveryWeightAndPoint();
    void simulatorFramesReadBack_data();
    void simulatorFramesReadBack();
};

Q_DECLARE_METATYPE(IndicatorState)

void TestTerminalProtocols::listAndRequests()
{
    QCOMPARE(typeNames(), (QStringList{u"НВТ-1"_s, u"НВТ-3"_s, u"HBM AED"_s, u"D2008F"_s,
                                       u"VT-100 VISHAY"_s, u"GSE350"_s, u"МИДЛ"_s, u"TB-3"_s,
                                       u"FT11"_s, u"CAS6000"_s}));
    QCOMPARE(typeName(0), QString());
    QCOMPARE(typeName(11), QString());
    for (int type = 0; type <= 11; ++type) {
        const QByteArray request = type == 3 ? "msv?;"_ba : type == 7 ? LF : QByteArray();
        const QByteArray zero = type == 3 ? "CDL;"_ba : type == 7 ? LF : QByteArray();
        QCOMPARE(pollRequest(type), request);
        QCOMPARE(zeroCommand(type), zero);
    }
}

void TestTerminalProtocols::markerFrames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("weighs");
    QTest::addColumn<double>("weight");

    QTest::newRow("1: blank 012345.6 gives 12345") << 1 << STX + " 012345.6" << true << 12345.0;
    QTest::newRow("1: first STX counts") << 1 << "45.6\r\n"_ba + STX + " 000100.0\r\n" + STX + " 000200.0"
                                         << true << 100.0;
    QTest::newRow("1: nine characters after the STX") << 1 << STX + "-000250.0" << true << -250.0;
    QTest::newRow("1: seven are not yet a frame") << 1 << STX + "-000250" << false << 0.0;
    QTest::newRow("1: garbage in the weight field") << 1 << STX + "12A4xyzzz" << false << 0.0;
    QTest::newRow("1: stray STX before the frame") << 1 << STX + STX + " 000100.0\r\n" << true << 100.0;
    QTest::newRow("1: no STX") << 1 << " 012345.6\r\n"_ba << false << 0.0;
    QTest::newRow("1: STX last") << 1 << "abc"_ba + STX << false << 0.0;
    QTest::newRow("1: frame cut by the end of the chunk") << 1 << STX + " 0123" << false << 0.0;
    QTest::newRow("5: as type 1") << 5 << STX + " 012345.6" << true << 12345.0;

    QTest::newRow("2: 00.5210 reversed is 125") << 2 << "=00.52100"_ba << true << 125.0;
    QTest::newRow("2: first marker") << 2 << "10=0052100=0099900"_ba << true << 12500.0;
    QTest::newRow("2: minus among the seven") << 2 << "=005210-\r"_ba << true << -12500.0;
    QTest::newRow("2: sign not yet there") << 2 << "=005210-"_ba << false << 0.0;
    QTest::newRow("2: stray marker") << 2 << "==00521000"_ba << true << 12500.0;
    QTest::newRow("2: cut") << 2 << "=00521"_ba << false << 0.0;
    QTest::newRow("2: no marker") << 2 << "0052100"_ba << false << 0.0;

    QTest::newRow("6: eight characters") << 6 << STX + "12345678 \r\n" << true << 12345678.0;
    QTest::newRow("6: no CR yet") << 6 << STX + "123456789" << false << 0.0;
    QTest::newRow("6: stray STX") << 6 << STX + STX + "   12500 \r\n" << true << 12500.0;
    QTest::newRow("6: padded") << 6 << STX + "   12500S\r\n" << true << 12500.0;
    QTest::newRow("6: cut") << 6 << STX + "   125" << false << 0.0;

    QTest::newRow("8: seven of eight, not reversed") << 8 << "=12345678"_ba << true << 1234567.0;
    QTest::newRow("8: padded") << 8 << "=  12500S\r\n"_ba << true << 12500.0;

    QTest::newRow("9: three skipped") << 9 << STX + "ST,012345\r\n" << true << 12345.0;
    QTest::newRow("9: digits skipped too") << 9 << STX + "123456789" << true << 456789.0;
    QTest::newRow("9: nothing after the skipped") << 9 << STX + "ST," << false << 0.0;

    // Only whole CAS or AND frames: eight characters before a CR are no weight.
    QTest::newRow("10: CR after no CAS frame") << 10 << "ABCDEFGH00012345XYZ"_ba + CR << false << 0.0;
    QTest::newRow("10: data without its header") << 10 << "+0012500 kg"_ba + CR << false << 0.0;
    QTest::newRow("10: CR at 11 is too early") << 10 << "0012500 kg"_ba + CR + "ST,GS,+0012500 kg" + CR
                                               << false << 0.0;
    QTest::newRow("10: CR first") << 10 << CR + "ST,GS,+0012500 kg" + CR << false << 0.0;
    QTest::newRow("10: no CR") << 10 << "ST,GS,+0012500 kg\n"_ba << false << 0.0;
}

void TestTerminalProtocols::markerFrames()
{
    QFETCH(int, type);
    QFETCH(QByteArray, chunk);
    QFETCH(bool, weighs);
    QFETCH(double, weight);

    Settings settings;
    Type7State state;
    const ParseResult result = parse(type, chunk, settings, state);
    QCOMPARE(result.hasWeight(), weighs);
    if (weighs)
        QCOMPARE(result.weight, weight);
    else
        QCOMPARE(result.kind, Kind::NoWeight);
    QVERIFY(!result.note.isEmpty());
}

void TestTerminalProtocols::type3_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<bool>("weighs");
    QTest::addColumn<double>("weight");

    QTest::newRow("two blanks, 12345, CR LF, x0.5") << "  12345\r\n"_ba << 0.5 << true << 6172.5;
    QTest::newRow("only eight characters") << "12345678\r\n"_ba << 1.0 << true << 12345678.0;
    QTest::newRow("half to even down") << "     125\r\n"_ba << 0.001 << true << 0.12;
    QTest::newRow("half to even up") << "     375\r\n"_ba << 0.001 << true << 0.38;
    QTest::newRow("two decimals") << "       1\r\n"_ba << 0.3333 << true << 0.33;
    QTest::newRow("garbage is no weight") << "     abc\r\n"_ba << 1.0 << false << 0.0;
    QTest::newRow("no reply") << QByteArray() << 1.0 << false << 0.0;
    // Beyond the range of a double the reply is no weight, not an infinite one.
    QTest::newRow("1D308 x10 is no weight") << "   1D308\r\n"_ba << 10.0 << false << 0.0;
    QTest::newRow("1E308 x-2 is no weight") << "   1E308\r\n"_ba << -2.0 << false << 0.0;
    QTest::newRow("a tail of seven after garbage") << "xx2345678\r\n"_ba << 1.0 << false << 0.0;
    QTest::newRow("stray byte before eight") << "x12345678\r\n"_ba << 1.0 << true << 12345678.0;
    QTest::newRow("infinite coefficient") << "       5\r\n"_ba << qInf() << false << 0.0;
    QTest::newRow("infinite coefficient, zero reply") << "       0\r\n"_ba << qInf() << false << 0.0;
    QTest::newRow("NaN coefficient") << "       5\r\n"_ba << qQNaN() << false << 0.0;
}

void TestTerminalProtocols::type3()
{
    QFETCH(QByteArray, chunk);
    QFETCH(double, coefficient);
    QFETCH(bool, weighs);
    QFETCH(double, weight);

    Settings settings;
    settings.ImpulseCoefficient = coefficient;
    Type7State state;
    const ParseResult result = parse(3, chunk, settings, state);
    QCOMPARE(result.hasWeight(), weighs);
    QCOMPARE(result.weight, weight);
    if (!weighs)
        QCOMPARE(result.kind, Kind::NoWeight);
}

void TestTerminalProtocols::type4_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("weighs");
    QTest::addColumn<double>("weight");

    QTest::newRow("whole") << type4Frame("00125000") + "\r\n" << true << 12500.0;
    QTest::newRow("two decimals") << type4Frame("00125002") << true << 125.0;
    QTest::newRow("bad frame skipped, next STX tried")
        << type4Frame("00999990", false) + "\r\n" + type4Frame("00125000") << true << 12500.0;
    QTest::newRow("STX inside garbage before the frame") << "\x02zz"_ba + type4Frame("00005000") << true << 500.0;
    QTest::newRow("only bad frames") << type4Frame("00125000", false) + type4Frame("00125000", false) << false << 0.0;
    QTest::newRow("frame cut") << type4Frame("00125000").left(9) << false << 0.0;
    QTest::newRow("no STX") << "00125000"_ba << false << 0.0;
}

void TestTerminalProtocols::type4()
{
    QFETCH(QByteArray, chunk);
    QFETCH(bool, weighs);
    QFETCH(double, weight);

    Settings settings;
    Type7State state;
    const ParseResult result = parse(4, chunk, settings, state);
    QCOMPARE(result.hasWeight(), weighs);
    QCOMPARE(result.weight, weight);
}

void TestTerminalProtocols::type7DigitAndTextFrames()
{
    Type7State state;
    // 5, 2, 0, 0, 0, 0 least significant first is 25; three decimal places.
    const QByteArray digits = bytes({5, 2, 0, 0, 0, 0}) + QByteArray(13, ' ') + LF;
    ParseResult r = parseType7(digits, state, 3);
    QCOMPARE(r.kind, Kind::Weight);
    QCOMPARE(r.weight, 0.025);
    QVERIFY(state.buffer.isEmpty());
    QCOMPARE(state.misses, 1);

    // The same frame arriving in two polls: the buffer carries the first part.
    r = parseType7(digits.left(8), state, 0);
    QCOMPARE(r.kind, Kind::Nothing);
    r = parseType7(digits.mid(8), state, 0);
    QCOMPARE(r.kind, Kind::Weight);
    QCOMPARE(r.weight, 25.0);

    // A line feed before position 20 is no digit frame yet.
    r = parseType7(bytes({1, 0, 0, 0, 0, 0}) + QByteArray(12, ' ') + LF, state, 0);
    QCOMPARE(r.kind, Kind::Nothing);
    state = {};

    // Text frames: seven characters two after the "W", unscaled.
    r = parseType7("W:  12500 kg\r\n", state, 3);
    QCOMPARE(r.weight, 12500.0);
    r = parseType7("xxw+0000.75 kg\r\n", state, 3);
    QCOMPARE(r.weight, 0.75);
    // A text frame wins over a digit frame in the same buffer.
    r = parseType7(bytes({9, 9, 9, 0, 0, 0}) + "W:    100" + QByteArray(6, ' ') + LF, state, 0);
    QCOMPARE(r.weight, 100.0);

    // More places than the window allows are taken as three.
    r = parseType7(bytes({0, 0, 0, 0, 0, 1}) + QByteArray(13, ' ') + LF, state, 7);
    QCOMPARE(r.weight, 100.0);
}

void TestTerminalProtocols::type7WaitsAndCountsMisses()
{
    Type7State state;
    // Twelve characters or fewer: nothing is parsed, the chunk waits.
    for (int poll = 1; poll <= 10; ++poll) {
        const ParseResult r = parseType7(QByteArray(), state, 3);
        QCOMPARE(r.kind, Kind::Nothing);
        QCOMPARE(state.misses, poll);
    }
    ParseResult r = parseType7(QByteArray(), state, 3);
    QCOMPARE(r.kind, Kind::NoDataMark);
    QCOMPARE(state.misses, 0);

    state = {};
    r = parseType7("W:  12", state, 3);
    QCOMPARE(r.kind, Kind::Nothing);
    r = parseType7("500 kg", state, 3);
    QCOMPARE(r.kind, Kind::Nothing);
    QCOMPARE(state.buffer, "W:  12500 kg"_ba);
    r = parseType7("\r", state, 3);
    QCOMPARE(r.kind, Kind::Weight);
    QCOMPARE(r.weight, 12500.0);
}

void TestTerminalProtocols::type7BufferOverflowAndBadFrames()
{
    Type7State state;
    // Over 24 characters without any frame: emptied, the mark alone.
    ParseResult r = parseType7(QByteArray(25, 'x'), state, 3);
    QCOMPARE(r.kind, Kind::NoDataMark);
    QVERIFY(state.buffer.isEmpty());

    // A sixth byte that is no digit value: no weight, idle.
    r = parseType7(bytes({1, 2, 3, 4, 5, 10}) + QByteArray(13, ' ') + LF, state, 0);
    QCOMPARE(r.kind, Kind::NoWeight);
    QVERIFY(state.buffer.isEmpty());
    // Nor may any other byte be one.
    r = parseType7(bytes({1, 2, 'A', 4, 5, 6}) + QByteArray(13, ' ') + LF, state, 0);
    QCOMPARE(r.kind, Kind::NoWeight);

    // A "W" at the very end leaves no weight to read, not a weight of 0.
    r = parseType7(QByteArray(12, ' ') + "W", state, 0);
    QCOMPARE(r.kind, Kind::NoWeight);
    QVERIFY(state.buffer.isEmpty());
}

void TestTerminalProtocols::garbageEmptyAndOverlong()
{
    Settings settings;
    settings.ImpulseCoefficient = 1.0;
    settings.DecimalPlaces = 3;
    QByteArray random(1 << 20, '\0');
    QRandomGenerator generator(4);
    for (char &c : random)
        c = char(generator.bounded(256));
    const QByteArray letters(1 << 20, 'x');

    for (int type = 1; type <= 10; ++type) {
        Type7State state;
        const ParseResult empty = parse(type, QByteArray(), settings, state);
        QVERIFY2(!empty.hasWeight(), qPrintable(QString::number(type)));

        const ParseResult noise = parse(type, random, settings, state);
        QVERIFY(std::isfinite(noise.weight));

        // Letters are no weight, not a weight of 0.
        const ParseResult text = parse(type, type == 3 ? QByteArray(8, 'x') + "\r\n" : letters, settings, state);
        QVERIFY(!text.hasWeight());
        QVERIFY(state.buffer.size() <= 24);
    }
    Type7State state;
    QCOMPARE(parse(0, "\x02 012345.6"_ba, settings, state).kind, Kind::Nothing);
    QCOMPARE(parse(11, "\x02 012345.6"_ba, settings, state).kind, Kind::Nothing);
}

void TestTerminalProtocols::simulatorFramesReadBack_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("digitFrames");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<QString>("format");

    for (int type = 1; type <= 10; ++type)
        for (const QString &format : FrameMaker::formats(type))
            QTest::addRow("type %d %s", type, qPrintable(format)) << type << false << 0 << 1.0 << format;
    QTest::newRow("type 3 x0.5") << 3 << false << 0 << 0.5 << QString();
    QTest::newRow("type 4 two decimals") << 4 << false << 2 << 1.0 << QString();
    QTest::newRow("type 7 digits") << 7 << true << 0 << 1.0 << QString();
    QTest::newRow("type 7 digits, three places") << 7 << true << 3 << 1.0 << QString();
}

void TestTerminalProtocols::simulatorFramesReadBack()
{
    QFETCH(int, type);
    QFETCH(bool, digitFrames);
    QFETCH(int, decimals);
    QFETCH(double, coefficient);
    QFETCH(QString, format);

    Settings settings;
    settings.ImpulseCoefficient = coefficient;
    settings.DecimalPlaces = decimals;
    FrameMaker::Options options{type, decimals, coefficient, digitFrames};
    options.format = format;
    const FrameMaker maker(options);
    const bool negatives = !(type == 7 && digitFrames);
    const bool wholePart = type == 1 || (type == 5 && (format.isEmpty() || format == u"stx"));
    for (double weight : {0.0, 7.0, 12500.0, 29990.0, -40.0, 125.5}) {
        if (weight < 0 && !negatives)
            continue;
        // Types 1 and 5 carry the whole part; counts and scaled digits are whole numbers.
        double expected = weight;
        if (wholePart) {
            expected = std::trunc(weight);
        } else if (type == 3) {
            expected = std::round(weight / coefficient) * coefficient;
        } else if (type == 4 || digitFrames) {
            const double scale = std::pow(10.0, decimals);
            if (weight * scale > 999999)
                continue;
            expected = std::round(weight * scale) / scale;
        }
        Type7State state;
        // Several frames between polls: the first one counts.
        const QByteArray chunk = maker.frame(weight) + maker.frame(weight + 10) + maker.frame(weight + 20);
        const ParseResult result = parse(type, FrameMaker::polled(type) ? maker.frame(weight) : chunk,
                                         settings, state);
        QVERIFY2(result.hasWeight(), qPrintable(result.note));
        QCOMPARE(result.weight, expected);
        QVERIFY(type == 7 || !result.format.isEmpty());
    }
    if (type == 4) {
        Type7State state;
        const ParseResult result = parse(4, maker.frameWithBadCheck(300) + maker.frame(200), settings, state);
        QCOMPARE(result.weight, 200.0);
    }
    // What can say overload and motion says it.
    if (FrameMaker::canSayOverload(type, format)) {
        FrameMaker::Options over = options;
        over.overload = true;
        Type7State state;
        const ParseResult result = parse(type, FrameMaker(over).frame(12500), settings, state);
        QCOMPARE(result.kind, Kind::State);
        QCOMPARE(result.state, IndicatorState::Overload);
        QVERIFY(parse(type, maker.frame(12500, false), settings, state).motion);
    }
}

void TestTerminalProtocols::manualFrames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("weighs");
    QTest::addColumn<double>("weight");
    QTest::addColumn<bool>("motion");
    QTest::addColumn<IndicatorState>("state");

    const auto weighs = [](const char *name, int type, const QByteArray &frame, double weight, bool motion = false) {
        QTest::newRow(name) << type << frame << true << weight << motion << IndicatorState::None;
    };
    const auto says = [](const char *name, int type, const QByteArray &frame, IndicatorState state) {
        QTest::newRow(name) << type << frame << false << 0.0 << false << state;
    };
    const auto refused = [](const char *name, int type, const QByteArray &frame) {
        QTest::newRow(name) << type << frame << false << 0.0 << false << IndicatorState::None;
    };
    const IndicatorState over = IndicatorState::Overload;

    // НВТ-1 and VT-100 (no public description): the fixed-place reading.
    weighs("1: positive", 1, STX + " 012345.6" + CR + LF, 12345);
    weighs("1: negative", 1, STX + "-000250.0" + CR + LF, -250);
    weighs("1: zero", 1, STX + " 000000.0" + CR + LF, 0);
    weighs("5: positive", 5, STX + " 012345.6" + CR + LF, 12345);
    weighs("5: negative", 5, STX + "-000250.0" + CR + LF, -250);
    // VT-series LEO: status byte (bit 6; bit 4 standstill, bit 3 out of
    // range, bit 0 no weight shown), sign, six characters, CR.
    weighs("5: LEO stable", 5, "P+012340"_ba + CR, 12340);
    weighs("5: LEO moving", 5, "@+012340"_ba + CR, 12340, true);
    weighs("5: LEO negative decimals", 5, "P-025.34"_ba + CR, -25.34);
    says("5: LEO out of range", 5, "X+999999"_ba + CR, over);
    says("5: LEO below range", 5, "X-999999"_ba + CR, IndicatorState::Underload);
    says("5: LEO no weight shown", 5, "Q+000000"_ba + CR, IndicatorState::Error);
    weighs("5: AND", 5, "ST,GS,+0012340kg"_ba + CR + LF, 12340);
    says("5: AND overload", 5, "OL,GS,+9999999kg"_ba + CR + LF, over);
    // НВТ-3: seven characters least significant first, a sign character
    // "0", "-" or "1", or none.
    weighs("2: positive", 2, "=00521000"_ba, 12500);
    weighs("2: negative", 2, "=0200000-"_ba, -20);
    weighs("2: -1.00", 2, "=00.1000-"_ba, -1);
    weighs("2: sign 1", 2, "=02000001"_ba, -20);
    weighs("2: zero", 2, "=00000000"_ba, 0);
    weighs("2: no sign character", 2, "=0052100="_ba, 12500);
    // HBM AED: 8 characters; COF1 address, COF11 status, COF9 both; CR LF.
    weighs("3: positive", 3, "   12345\r\n"_ba, 12345);
    weighs("3: negative", 3, "  -12345\r\n"_ba, -12345);
    weighs("3: zero", 3, "       0\r\n"_ba, 0);
    weighs("3: COF1", 3, "   12345,31\r\n"_ba, 12345);
    weighs("3: COF11", 3, "   12345,  0\r\n"_ba, 12345);
    weighs("3: COF9", 3, "  -12345,31,000\r\n"_ba, -12345);
    // D2008F, check nibbles above 9 as letters.
    weighs("4: positive", 4, d2008f('+', 12500, 0), 12500);
    weighs("4: negative", 4, d2008f('-', 20, 0), -20);
    weighs("4: decimals", 4, d2008f('+', 2534, 2), 25.34);
    weighs("4: zero", 4, d2008f('+', 0, 0), 0);
    refused("4: bad check", 4, type4Frame("+0125000", false));
    // GSE 350: STX, 8 weight characters, and by the transmit choice the
    // unit, a word, the status "O"/"M"/blank, setpoint status, CR (LF).
    weighs("6: positive", 6, STX + "   12500 " + CR + LF, 12500);
    weighs("6: negative decimals", 6, STX + "  -20.50 " + CR + LF, -20.5);
    weighs("6: zero", 6, STX + "       0 " + CR + LF, 0);
    weighs("6: motion", 6, STX + "   12500M" + CR + LF, 12500, true);
    says("6: overload", 6, STX + "   99999O" + CR + LF, over);
    weighs("6: choice 9", 6, STX + "   12340 kg S0" + CR, 12340);
    weighs("6: choice 9 moving", 6, STX + "   12340 kgM S3" + CR, 12340, true);
    says("6: choice 13 overload", 6, STX + "   12340 kg GrossO " + CR + LF, over);
    weighs("6: choice 14", 6, LF + "  -12340kg" + CR + LF + " " + CR + "\x03", -12340);
    says("6: choice 14 overload", 6, LF + "   12340kg" + CR + LF + "O" + CR + "\x03", over);
    // МИДЛ (no public description): the text frames as read so far.
    weighs("7: positive", 7, "W:  12500 kg\r\n"_ba, 12500);
    weighs("7: negative decimals", 7, "W:  -20.5 kg\r\n"_ba, -20.5);
    weighs("7: zero", 7, "W:      0 kg\r\n"_ba, 0);
    // TB-3: "=", sign character, seven characters most significant first.
    weighs("8: positive", 8, "=00012340"_ba, 12340);
    weighs("8: negative", 8, "=-0000020"_ba, -20);
    weighs("8: decimals", 8, "=00025.34"_ba, 25.34);
    weighs("8: zero", 8, "=00000000"_ba, 0);
    // FT11: status A 0x6A no point, 0x6C two decimals, 0x72 no point and
    // division 2; status B 0x30, +2 negative, +4 overload, +8 motion.
    weighs("9: positive", 9, ft11(0x6A, 0x30, "012500"), 12500);
    weighs("9: negative", 9, ft11(0x6A, 0x32, "000060"), -60);
    weighs("9: decimals", 9, ft11(0x6C, 0x30, "002534"), 25.34);
    weighs("9: division 2", 9, ft11(0x72, 0x30, "012340"), 12340);
    weighs("9: zero", 9, ft11(0x6A, 0x30, "000000"), 0);
    says("9: overload", 9, ft11(0x6A, 0x34, "OVER  "), over);
    weighs("9: motion", 9, ft11(0x6A, 0x38, "012500"), 12500, true);
    weighs("9: FT-111, CR LF", 9, ft11(0x6A, 0x30, "012340", true), 12340);
    says("9: FT-111 overload", 9, ft11(0x6A, 0x34, "OVER  ", true), over);
    refused("9: bad checksum", 9, ft11(0x6A, 0x30, "012500").chopped(1) + '\x11');
    // CAS6000: lamp byte bit 7 set, bit 6 stable, bit 2 gross.
    weighs("10: positive", 10, cas("ST", 0xC4, "00012500"), 12500);
    weighs("10: negative", 10, cas("ST", 0xC4, "-0000020"), -20);
    weighs("10: decimals", 10, cas("ST", 0xC4, "000013.5"), 13.5);
    weighs("10: zero", 10, cas("ST", 0xC4, "00000000"), 0);
    says("10: overload", 10, cas("OL", 0xC4, "00099999"), over);
    weighs("10: motion", 10, cas("US", 0x84, "00012500"), 12500, true);
    // CAS AND 18 bytes and CAS 10 bytes.
    weighs("10: AND", 10, "ST,GS,+0012340kg"_ba + CR + LF, 12340);
    weighs("10: AND moving", 10, "US,NT,-0000020kg"_ba + CR + LF, -20, true);
    says("10: AND overload", 10, "OL,GS,+0099999kg"_ba + CR + LF, over);
    weighs("10: 10 bytes", 10, "00012340"_ba + CR + LF, 12340);
    weighs("10: 10 bytes negative", 10, "-00013.5"_ba + CR + LF, -13.5);
}

void TestTerminalProtocols::manualFrames()
{
    QFETCH(int, type);
    QFETCH(QByteArray, frame);
    QFETCH(bool, weighs);
    QFETCH(double, weight);
    QFETCH(bool, motion);
    QFETCH(IndicatorState, state);

    Settings settings;
    settings.ImpulseCoefficient = 1.0;
    settings.DecimalPlaces = 0;
    const auto read = [&](const QByteArray &chunk) {
        Type7State t7;
        return parse(type, chunk, settings, t7);
    };
    // Exactly what the frame says.
    const auto right = [&](const ParseResult &r) {
        if (weighs)
            return r.hasWeight() && r.weight == weight && r.motion == motion;
        if (state != IndicatorState::None)
            return r.kind == Kind::State && r.state == state;
        return !r.hasFrame();
    };
    const auto shown = [](const QByteArray &chunk) { return chunk.toPercentEncoding().constData(); };

    ParseResult r = read(frame);
    QVERIFY2(right(r), qPrintable(r.note));
    QVERIFY(!r.hasFrame() || !r.format.isEmpty() || type == 7);

    // Stray bytes before it, a marker among them, are skipped.
    for (const QByteArray &stray : {STX, "="_ba, LF, CR, "x"_ba, "\x03"_ba, "ST,"_ba, "P+"_ba}) {
        r = read(stray + frame);
        QVERIFY2(right(r), shown(stray + frame));
    }

    // Split at every byte across two reads: the first read keeps the
    // frame's start, the second reads it whole; neither shows another value.
    for (qsizetype at = 1; at < frame.size(); ++at) {
        FrameReader reader;
        const ParseResult first = reader.read(type, frame.left(at), settings);
        const ParseResult second = reader.read(type, frame.mid(at), settings);
        QVERIFY2(!first.hasFrame() || right(first), shown(frame.left(at)));
        QVERIFY2(!second.hasFrame() || right(second), shown(frame.mid(at)));
        if (weighs || state != IndicatorState::None)
            QVERIFY2(first.hasFrame() != second.hasFrame(), shown(frame.left(at)));

        // A sending terminal: the read that ends or starts inside a frame
        // still holds a whole one, and reads it.
        if (type != 3) {
            for (const QByteArray &chunk : {frame + frame.left(at), frame.mid(at) + frame}) {
                r = read(chunk);
                QVERIFY2(right(r), shown(chunk));
            }
        }
    }
    if (type == 3) {
        r = read(frame.mid(3) + frame);
        QVERIFY(right(r));
    }
}

void TestTerminalProtocols::d2008fEveryWeightAndPoint()
{
    Settings settings;
    Type7State state;
    int letterChecks = 0;
    for (int point = 0; point <= 4; ++point) {
        for (int kg = 0; kg <= 60000; kg += 20) {
            const QByteArray frame = d2008f('+', kg, point);
            letterChecks += frame.at(9) >= 'A' || frame.at(10) >= 'A';
            const ParseResult r = parse(4, frame, settings, state);
            QVERIFY2(r.hasWeight() && r.weight == kg / std::pow(10.0, point),
                     qPrintable(QString::number(kg) + u" / 10^"_s + QString::number(point)));
        }
    }
    // Hex letters are the common case, not a corner.
    QVERIFY(letterChecks > 5000);
}

QTEST_GUILESS_MAIN(TestTerminalProtocols)
#include "tst_terminal_protocols.moc"
