// The simulator's queue of trucks, which the automatic-mode tests rely on.

#include "WeightCourse.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestWeightCourse : public QObject
{
    Q_OBJECT

private slots:
    void truckList()
    {
        const auto trucks = WeightCourse::parseTrucks(u"12500, 18340,15000~20"_s);
        QCOMPARE(trucks.size(), 3);
        QCOMPARE(trucks[1].weight, 18340.0);
        QCOMPARE(trucks[1].rocking, 0.0);
        QCOMPARE(trucks[2].rocking, 20.0);
        for (const QString &bad : {u""_s, u"12500,,9000"_s, u"abc"_s, u"100~"_s, u"100~5~5"_s, u"-5"_s, u"100~-2"_s})
            QVERIFY2(WeightCourse::parseTrucks(bad).isEmpty(), qPrintable(bad));
    }

    void queue()
    {
        WeightCourse course(WeightCourse::Scenario::Trucks, 0);
        course.setTrucks(WeightCourse::parseTrucks(u"12500,15000~20"_s), 12000);
        const qint64 cycle = 2000 + 2000 + 1500 + 12000 + 1500;
        QCOMPARE(course.queueMs(), 2 * cycle);
        QCOMPARE(course.loadAt(1000), 0.0);
        QCOMPARE(course.phaseAt(3000), u"машина заезжает"_s);
        QVERIFY(!course.steadyAt(3000));
        // Settled and standing: the exact weight for the whole stand.
        for (qint64 t = 5500; t < 17500; t += 100)
            QCOMPARE(course.loadAt(t), 12500.0);
        QCOMPARE(course.phaseAt(18000), u"машина съезжает"_s);
        QCOMPARE(course.loadAt(cycle + 500), 0.0);

        // The rocking truck stays within ±20 and, wherever the polls fall
        // 300 ms apart, never shows one value three times in a row.
        const qint64 from = cycle + 4000;
        const qint64 to = cycle + 4000 + 1500 + 12000;
        QCOMPARE(course.phaseAt(from + 10), u"машина раскачивается"_s);
        for (qint64 offset = 0; offset < 300; offset += 7) {
            for (qint64 t = from + offset; t + 600 < to; t += 300) {
                const double a = course.loadAt(t), b = course.loadAt(t + 300), c = course.loadAt(t + 600);
                QVERIFY(a >= 14980 && a <= 15020);
                QVERIFY2(!(a == b && b == c), qPrintable(QString::number(t)));
            }
        }
        QCOMPARE(course.phaseAt(2 * cycle + 10), u"все машины проехали"_s);
        QCOMPARE(course.loadAt(10 * cycle), 0.0);
    }
};

QTEST_MAIN(TestWeightCourse)
#include "tst_weight_course.moc"
