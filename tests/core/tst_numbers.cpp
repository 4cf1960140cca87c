#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/Rounding.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

// QCOMPARE on doubles is fuzzy; these results must be the exact double.
#define QCOMPARE_EXACT(actual, expected)                                                                   \
    QVERIFY2((actual) == (expected), QByteArray(QByteArray::number(actual, 'g', 17) + " != "              \
                                                + QByteArray::number(expected, 'g', 17)).constData())

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("leading");
        QTest::addColumn<double>("parsed");

        QTest::newRow("empty") << u""_s << 0.0 << 0.0;
        QTest::newRow("no digits") << u" \t\nabc"_s << 0.0 << 0.0;
        QTest::newRow("letter ends") << u"12A4"_s << 12.0 << 12.0;
        QTest::newRow("blanks anywhere") << u"\t- 4 5\n.5 "_s << -45.5 << -45.5;
        QTest::newRow("plus") << u"+7"_s << 7.0 << 7.0;
        QTest::newRow("two signs") << u"+-5"_s << 0.0 << 0.0;
        QTest::newRow("sign, point only") << u"-."_s << 0.0 << 0.0;
        QTest::newRow("second point ends") << u"1.2.3"_s << 1.2 << 1.2;
        QTest::newRow("leading point") << u"-.5"_s << -0.5 << -0.5;
        QTest::newRow("trailing point") << u"5."_s << 5.0 << 5.0;
        QTest::newRow("carriage return ends") << u"5\r\n7"_s << 5.0 << 5.0;
        QTest::newRow("carriage return first") << u"\r5"_s << 0.0 << 0.0;
        QTest::newRow("E") << u"1E3"_s << 1000.0 << 1000.0;
        QTest::newRow("e") << u"1.5e+2"_s << 150.0 << 150.0;
        QTest::newRow("D") << u"2D2"_s << 200.0 << 200.0;
        QTest::newRow("d, minus") << u"2d-2"_s << 0.02 << 0.02;
        QTest::newRow("exponent with blanks") << u"1 E - 2"_s << 0.01 << 0.01;
        QTest::newRow("exponent without digits") << u"3E+x"_s << 3.0 << 3.0;
        QTest::newRow("point ends exponent") << u"7e2.5"_s << 700.0 << 700.0;
        QTest::newRow("exact decimal") << u"30100.5"_s << 30100.5 << 30100.5;
        QTest::newRow("comma") << u"12,5"_s << 12.0 << 12.5;
        QTest::newRow("two commas") << u"1,2,3"_s << 1.0 << 1.2;
        QTest::newRow("comma after point") << u"1.2,3"_s << 1.2 << 1.2;
        QTest::newRow("leading comma") << u",5"_s << 0.0 << 0.5;
        QTest::newRow("comma in exponent") << u"1e2,5"_s << 100.0 << 100.0;
        QTest::newRow("overflow") << u"-1E999"_s << 0.0 << 0.0;
        QTest::newRow("huge exponent") << u"1e99999999999999999999"_s << 0.0 << 0.0;
        QTest::newRow("underflow") << u"1e-400"_s << 0.0 << 0.0;
        QTest::newRow("400 digits") << QString(400, u'9') << 0.0 << 0.0;
        QTest::newRow("whole, leading zeros") << u"-0071"_s << -71.0 << -71.0;
        QTest::newRow("minus zero") << u"-0"_s << 0.0 << 0.0;
        QTest::newRow("15 digits") << u"999999999999999"_s << 999999999999999.0 << 999999999999999.0;
        QTest::newRow("17 digits") << u"12345678901234567"_s << 12345678901234568.0 << 12345678901234568.0;
        QTest::newRow("garbage after") << u"-3.25kg"_s << -3.25 << -3.25;
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, leading);
        QFETCH(double, parsed);
        QCOMPARE_EXACT(ReadLeadingNumber(text), leading);
        QCOMPARE_EXACT(ParseNumber(text), parsed);
    }

    void hasNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("leading");
        QTest::addColumn<bool>("parsed");

        QTest::newRow("empty") << u""_s << false << false;
        QTest::newRow("blanks") << u" \t\n"_s << false << false;
        QTest::newRow("letters") << u"abc"_s << false << false;
        QTest::newRow("letter before digits") << u"x12"_s << false << false;
        QTest::newRow("sign only") << u"-"_s << false << false;
        QTest::newRow("two signs") << u"+-5"_s << false << false;
        QTest::newRow("point only") << u"-."_s << false << false;
        QTest::newRow("two points") << u"..5"_s << false << false;
        QTest::newRow("carriage return first") << u"\r5"_s << false << false;
        QTest::newRow("exponent only") << u"E5"_s << false << false;
        QTest::newRow("zero") << u"0"_s << true << true;
        QTest::newRow("blanks inside") << u"\t- 4 5"_s << true << true;
        QTest::newRow("leading point") << u"-.5"_s << true << true;
        QTest::newRow("trailing point") << u"5."_s << true << true;
        QTest::newRow("garbage after") << u"30000kg"_s << true << true;
        QTest::newRow("leading comma") << u",5"_s << false << true;
        QTest::newRow("comma and point") << u",.5"_s << false << false;
    }

    void hasNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, leading);
        QFETCH(bool, parsed);
        QCOMPARE(HasLeadingNumber(text), leading);
        QCOMPARE(HasParsedNumber(text), parsed);
        // Whatever has no number reads as 0.
        if (!leading)
            QCOMPARE_EXACT(ReadLeadingNumber(text), 0.0);
        if (!parsed)
            QCOMPARE_EXACT(ParseNumber(text), 0.0);
    }

    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<double>("expected");

        QTest::newRow("0.125") << 0.125 << 2 << 0.12;
        QTest::newRow("0.375") << 0.375 << 2 << 0.38;
        QTest::newRow("2.675 is a half") << 2.675 << 2 << 2.68;
        QTest::newRow("1.005 to even") << 1.005 << 2 << 1.0;
        QTest::newRow("0.005 to zero") << 0.005 << 2 << 0.0;
        QTest::newRow("0.015") << 0.015 << 2 << 0.02;
        QTest::newRow("just above half") << 0.0051 << 2 << 0.01;
        QTest::newRow("far below") << 0.0004 << 2 << 0.0;
        QTest::newRow("carry 0.995") << 0.995 << 2 << 1.0;
        QTest::newRow("carry 99.999") << 99.999 << 2 << 100.0;
        QTest::newRow("negative half") << -0.125 << 2 << -0.12;
        QTest::newRow("negative 2.675") << -2.675 << 2 << -2.68;
        QTest::newRow("negative to zero") << -0.001 << 2 << 0.0;
        QTest::newRow("large") << 123456.785 << 2 << 123456.78;
        QTest::newRow("already short") << 12.3 << 2 << 12.3;
        QTest::newRow("beyond decimals") << 1e20 << 2 << 1e20;
        QTest::newRow("6: half down to even") << 0.1234565 << 6 << 0.123456;
        QTest::newRow("6: half up to even") << 0.1234575 << 6 << 0.123458;
        QTest::newRow("6: small") << 0.0000135 << 6 << 0.000014;
        QTest::newRow("6: carry") << 999999.9999995 << 6 << 1000000.0;
        QTest::newRow("6: negative to zero") << -0.0000005 << 6 << 0.0;
    }

    void rounding()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(double, expected);
        QCOMPARE_EXACT(decimals == 2 ? round2(value) : round6(value), expected);
    }

    void roundingKeepsNonFinite()
    {
        QVERIFY(std::isnan(round2(std::numeric_limits<double>::quiet_NaN())));
        QCOMPARE(round6(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("dotText");

        QTest::newRow("comma") << 30100.5 << u"30100,5"_s << u" 30100.5"_s;
        QTest::newRow("zero") << 0.0 << u"0"_s << u" 0"_s;
        QTest::newRow("minus zero") << -0.0 << u"0"_s << u" 0"_s;
        QTest::newRow("no group separator") << 1234567.89 << u"1234567,89"_s << u" 1234567.89"_s;
        QTest::newRow("no trailing zeros") << 30000.0 << u"30000"_s << u" 30000"_s;
        QTest::newRow("negative") << -2.5 << u"-2,5"_s << u"-2.5"_s;
        QTest::newRow("no binary tail") << 0.1 + 0.2 << u"0,3"_s << u" 0.3"_s;
        QTest::newRow("fifteen digits") << 123456789012345.0 << u"123456789012345"_s << u" 123456789012345"_s;
        QTest::newRow("largest whole in digits") << 999999999999999.0 << u"999999999999999"_s << u" 999999999999999"_s;
        QTest::newRow("first whole with exponent") << 1e15 << u"1E+15"_s << u" 1E+15"_s;
        QTest::newRow("negative whole") << -30000.0 << u"-30000"_s << u"-30000"_s;
        QTest::newRow("large") << 1e16 << u"1E+16"_s << u" 1E+16"_s;
        QTest::newRow("tiny") << 1.5e-7 << u"1,5E-07"_s << u" 1.5E-07"_s;
    }

    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QFETCH(QString, dotText);
        QCOMPARE(NumberText(value), text);
        QCOMPARE(DotNumberText(value), dotText);
        // What a field shows reads back as the number.
        QCOMPARE(ParseNumber(NumberText(value)), value);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
