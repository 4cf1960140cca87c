#include "core/Clock.h"
#include "core/Cp1251.h"
#include "core/Formats.h"
#include "core/MainTitle.h"
#include "core/OleDate.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void dateTimeAndMonthTexts()
    {
        QCOMPARE(ShortDateText(QDate(2011, 12, 8)), u"08.12.2011"_s);
        QCOMPARE(ShortDateText(QDate(999, 1, 1)), u"01.01.0999"_s);
        QCOMPARE(ShortDateText(QDate()), QString());
        QCOMPARE(LongTimeText(QTime(7, 5, 9)), u"07:05:09"_s);
        QCOMPARE(LongTimeText(QTime(23, 59, 59, 999)), u"23:59:59"_s);
        QCOMPARE(LongTimeText(QTime()), QString());

        const QStringList months = {u"Январь"_s, u"Февраль"_s, u"Март"_s, u"Апрель"_s, u"Май"_s, u"Июнь"_s,
                                    u"Июль"_s, u"Август"_s, u"Сентябрь"_s, u"Октябрь"_s, u"Ноябрь"_s, u"Декабрь"_s};
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(MonthFolderName(m), months[m - 1]);
        QCOMPARE(MonthFolderName(0), QString());
        QCOMPARE(MonthFolderName(13), QString());
    }

    void oleDateKnownValues_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<double>("value");

        QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
        QTest::newRow("noon of epoch") << QDateTime(QDate(1899, 12, 30), QTime(12, 0)) << 0.5;
        QTest::newRow("1900") << QDateTime(QDate(1900, 1, 1), QTime(0, 0)) << 2.0;
        QTest::newRow("after 1900's leap day") << QDateTime(QDate(1900, 3, 1), QTime(0, 0)) << 61.0;
        QTest::newRow("day file") << QDateTime(QDate(2011, 12, 8), QTime(18, 0)) << 40885.75;
        QTest::newRow("leap day") << QDateTime(QDate(2000, 2, 29), QTime(6, 0)) << 36585.25;
        QTest::newRow("day before") << QDateTime(QDate(1899, 12, 29), QTime(0, 0)) << -1.0;
        QTest::newRow("before: fraction forwards") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
        QTest::newRow("two days before") << QDateTime(QDate(1899, 12, 28), QTime(18, 0)) << -2.75;
        QTest::newRow("first day") << QDateTime(QDate(100, 1, 1), QTime(0, 0)) << -657434.0;
        QTest::newRow("last day") << QDateTime(QDate(9999, 12, 31), QTime(0, 0)) << 2958465.0;
    }

    void oleDateKnownValues()
    {
        QFETCH(QDateTime, moment);
        QFETCH(double, value);
        QCOMPARE(toOleDate(moment), value);
        QCOMPARE(fromOleDate(value), moment);
        QCOMPARE(oleDateToDate(value), moment.date());
        QCOMPARE(oleDateToTime(value), moment.time());
    }

    void oleDateSecondsAndRange()
    {
        constexpr double second = 1.0 / 86400;
        QCOMPARE(toOleDate(QDate(1899, 12, 30), QTime(12, 0, 0, 999)), 0.5);
        QCOMPARE(fromOleDate(0.5 + 0.4 * second).time(), QTime(12, 0, 0));
        QCOMPARE(fromOleDate(0.5 + 0.6 * second).time(), QTime(12, 0, 1));
        QCOMPARE(fromOleDate(10.0 + 86399.7 * second), QDateTime(QDate(1900, 1, 10), QTime(0, 0)));
        // Before the epoch the last half second of a day still rounds forwards.
        QCOMPARE(fromOleDate(-1.0 - 86399.7 * second), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
        QCOMPARE(fromOleDate(-0.5), QDateTime(QDate(1899, 12, 30), QTime(12, 0)));
        QCOMPARE(toOleDate(QDate()), 0.0);

        constexpr double inf = std::numeric_limits<double>::infinity();
        for (double value : {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 2958466.0, -657435.0, 1e300}) {
            QVERIFY(!fromOleDate(value).isValid());
            QVERIFY(!oleDateToDate(value).isValid());
            QVERIFY(!oleDateToTime(value).isValid());
        }
    }

    void oleDateRoundTrips()
    {
        QRandomGenerator random(20111208);
        const qint64 first = QDate(100, 1, 1).toJulianDay();
        const qint64 last = QDate(9999, 12, 31).toJulianDay();
        // The general date form, which works the calendar out by itself.
        auto general = [](const QDateTime &moment) {
            QString time = LongTimeText(moment.time());
            if (time.startsWith(u'0'))
                time.remove(0, 1);
            if (moment.date() == QDate(1899, 12, 30))
                return time;
            return moment.time() == QTime(0, 0) ? ShortDateText(moment.date())
                                                : ShortDateText(moment.date()) + u' ' + time;
        };
        for (int n = 0; n < 50000; ++n) {
            const QDateTime moment(QDate::fromJulianDay(random.bounded(first, last + 1)),
                                   QTime(0, 0).addSecs(int(random.bounded(86400))));
            const double value = toOleDate(moment);
            // The day list's date and time columns, written the same way.
            char16_t date[CharsCapacity], time[CharsCapacity];
            const QString dateText = QString::fromUtf16(date, OleShortDateChars(value, date));
            const QString timeText = QString::fromUtf16(time, OleLongTimeChars(value, time));
            if (fromOleDate(value) != moment || GeneralDateText(value) != general(moment)
                || dateText != ShortDateText(moment.date()) || timeText != LongTimeText(moment.time()))
                QFAIL(qPrintable(moment.toString(Qt::ISODate) + u" -> "_s + QString::number(value, 'g', 17)));
        }
        const QDateTime lastSecond(QDate(9999, 12, 31), QTime(23, 59, 59));
        QCOMPARE(fromOleDate(toOleDate(lastSecond)), lastSecond);
        QCOMPARE(GeneralDateText(toOleDate(lastSecond)), u"31.12.9999 23:59:59"_s);
        QCOMPARE(GeneralDateText(2958465.0 + 86399.7 / 86400), QString()); // rounds into the year 10000
        QCOMPARE(GeneralDateText(-1.0 - 86399.7 / 86400), u"0:00:00"_s);
        QCOMPARE(GeneralDateText(-1.25), u"29.12.1899 6:00:00"_s);
    }

    void cp1251()
    {
        QCOMPARE(encode1251(u"Привет"_s), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
        QCOMPARE(encode1251(u"ёЁ№€"_s), QByteArray("\xB8\xA8\xB9\x88"));
        QCOMPARE(decode1251(QByteArrayView("\xCA\xE3 \xB9", 4)), u"Кг №"_s);

        // What the code page lacks becomes "?", one byte per character; the
        // encoder's own 0x1A substitute must never reach a file.
        QCOMPARE(encode1251(u"a中bä"_s), QByteArray("a?b?"));
        QCOMPARE(encode1251(u"x😀y"_s), QByteArray("x?y"));
        QCOMPARE(encode1251(QString(QChar(0xD800) + u"z"_s)), QByteArray("?z"));
        QCOMPARE(length1251(u"x😀y"_s), qsizetype(3));

        QByteArray all; // every byte the code page defines
        for (int b = 1; b < 256; ++b)
            if (b != 0x98)
                all.append(char(b));
        QCOMPARE(encode1251(decode1251(all)), all);

        QCOMPARE(cut1251(u"Привет"_s, 3), u"При"_s);
        QCOMPARE(cut1251(u"Привет"_s, 60), u"Привет"_s);
        QCOMPARE(cut1251(u"Привет"_s, 0), QString());
        // A surrogate pair is one character: never cut in half.
        QCOMPARE(cut1251(u"ab😀c"_s, 3), u"ab😀"_s);
        QCOMPARE(cut1251(u"ab😀c"_s, 2), u"ab"_s);

        QCOMPARE(fixedField1251(u"Ab"_s, 5), QByteArray("Ab   "));
        QCOMPARE(fixedField1251(u"Вес брутто"_s, 3), QByteArray("\xC2\xE5\xF1"));
        QCOMPARE(fixedField1251(u"a😀"_s, 4, '\0'), QByteArray("a?\0\0", 4));
    }

    void clock()
    {
        Clock clock;
        QVERIFY(!clock.isFixed());
        QVERIFY(qAbs(clock.now().secsTo(QDateTime::currentDateTime())) <= 2);
        clock.setNow(QDateTime(QDate(2011, 12, 31), QTime(23, 59, 58)));
        QCOMPARE(clock.today(), QDate(2011, 12, 31));
        clock.advanceSeconds(3);
        QCOMPARE(clock.now(), QDateTime(QDate(2012, 1, 1), QTime(0, 0, 1)));
        QCOMPARE(clock.today(), QDate(2012, 1, 1));
        clock.useSystemTime();
        QVERIFY(!clock.isFixed());
        QVERIFY(qAbs(clock.now().secsTo(QDateTime::currentDateTime())) <= 2);
    }

    void mainTitle()
    {
        QCOMPARE(mainWindowTitle(QDateTime(QDate(2011, 12, 8), QTime(9, 5, 7)), u"Оператор  2"_s),
                 u"Kalvenstrom"_s + QString(7, u' ') + u"Tarvo v.3.00"_s + QString(12, u' ')
                     + u"Сегодня: 08.12.2011  09:05:07"_s + QString(9, u' ') + u"Оператор: Оператор  2"_s);
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"
