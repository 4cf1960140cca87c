#include "core/Numbers.h"
#include "core/OleDate.h"
#include "core/Settings.h"
#include "card/CargoCard.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class TestCargoCard : public QObject
{
    Q_OBJECT

private slots:
    void statusTests_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("incomplete");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("incomplete") << u"незавершена"_s << true << false;
        QTest::newRow("padded") << u"  незавершена \t"_s << true << false;
        QTest::newRow("prefix only") << u"незаве"_s << true << false;
        QTest::newRow("complete") << u"завершена"_s << false << false;
        QTest::newRow("deleted") << u"удалена"_s << false << true;
        QTest::newRow("deleted padded") << u" удалена"_s << false << false;
        QTest::newRow("capital") << u"Незавершена"_s << false << false;
        QTest::newRow("empty") << QString() << false << false;
    }
    void statusTests()
    {
        QFETCH(QString, status);
        QFETCH(bool, incomplete);
        QFETCH(bool, deleted);
        QCOMPARE(IsIncomplete(status), incomplete);
        QCOMPARE(IsDeleted(status), deleted);
    }

    void derivedWeights()
    {
        // Comma and point typed litter give the same weights.
        const double comma = ParseNumber(u"2,5"_s);
        const double point = ParseNumber(u"2.5"_s);
        QCOMPARE(comma, point);
        const DerivedWeights w = deriveWeights(12345.0, comma);
        QCOMPARE(w.litterWeight, 12345.0 * 2.5 / 100);
        QCOMPARE(w.cleanWeight, 12036.375);

        // Litter is kept unrounded, clean weight goes to 6 decimals.
        const DerivedWeights odd = deriveWeights(1000.0, 1.0 / 3.0);
        QCOMPARE(odd.litterWeight, 1000.0 * (1.0 / 3.0) / 100);
        QCOMPARE(odd.cleanWeight, 996.666667);

        // No litter: clean equals net.
        const DerivedWeights none = deriveWeights(30100.5, ParseNumber(u"нет"_s));
        QCOMPARE(none.litterWeight, 0.0);
        QCOMPARE(none.cleanWeight, 30100.5);
    }

    void completion()
    {
        CargoCard loading;
        loading.operationType = OperationTypes::loading();
        loading.status = Statuses::incomplete();
        loading.tare = 12000.1;
        loading.litterPercent = 2;
        loading.texts[CargoName] = u"Щебень"_s;
        const QDateTime now(QDate(2026, 12, 9), QTime(14, 5, 30));
        const CargoCard c = completeCard(loading, CompletionKind::Gross, 30100.3, now);
        QCOMPARE(c.gross, 30100.3);
        QCOMPARE(c.tare, 12000.1);
        QCOMPARE(c.net, 18100.2); // to 6 decimals, not 18100.199999999997
        QCOMPARE(c.litterWeight, 18100.2 * 2 / 100);
        QCOMPARE(c.cleanWeight, 17738.196);
        QCOMPARE(c.status, Statuses::complete());
        QCOMPARE(c.date2, toOleDate(now.date()));
        QCOMPARE(c.time2, toOleTime(now.time()));
        // Nothing else of the card changes.
        CargoCard rest = c;
        rest.gross = loading.gross;
        rest.net = loading.net;
        rest.litterWeight = rest.cleanWeight = 0;
        rest.status = loading.status;
        rest.date2 = rest.time2 = 0;
        QCOMPARE(rest, loading);

        // The tare of an unloading keeps the gross of the first weighing.
        CargoCard unloading = loading;
        unloading.gross = 30000;
        unloading.tare = 0;
        const CargoCard u = completeCard(unloading, CompletionKind::Tare, 11000, now);
        QCOMPARE(u.gross, 30000.0);
        QCOMPARE(u.net, 19000.0);
        QCOMPARE(u.cleanWeight, 18620.0);
    }

    void runningSumAndNumbers()
    {
        Settings s;
        s.SumModeOn = 1;
        s.SumWeight = 100;
        s.SumCount = 2;
        applyRunningSum(s, 50.5);
        QCOMPARE(s.SumWeight, 150.5);
        QCOMPARE(s.SumCount, 3);
        s.SumModeOn = 0;
        applyRunningSum(s, 50.5);
        QCOMPARE(s.SumWeight, 0.0);
        QCOMPARE(s.SumCount, 0);

        s.CardIdCounter = 41;
        s.DayCardNumber = 7;
        NewCardNumbers n = numberNewCard(s, 8);
        QCOMPARE(n.id, 42);
        QCOMPARE(n.number, 8);
        QCOMPARE(s.DayCardNumber, 8);
        // The № is the day file's, whatever the day count held.
        n = numberNewCard(s, 1);
        QCOMPARE(n.id, 43);
        QCOMPARE(n.number, 1);
        QCOMPARE(s.CardIdCounter, 43);
        QCOMPARE(s.DayCardNumber, 1);

        // The last ID is handed out once; then numbering refuses rather
        // than wrapping round, and the counters stay as they are.
        s.CardIdCounter = std::numeric_limits<qint32>::max() - 1;
        n = numberNewCard(s, 2);
        QVERIFY(n);
        QCOMPARE(n.id, std::numeric_limits<qint32>::max());
        n = numberNewCard(s, 3);
        QVERIFY(!n);
        QCOMPARE(n.id, 0);
        QCOMPARE(s.CardIdCounter, std::numeric_limits<qint32>::max());
        QCOMPARE(s.DayCardNumber, 2);
        // No № from the day file: nothing handed out either.
        s.CardIdCounter = 5;
        QVERIFY(!numberNewCard(s, 0));
        QCOMPARE(s.CardIdCounter, 5);
    }

    void entryLimitsAndNames()
    {
        const QString long300(300, u'щ');
        for (int n : {int(CargoName), int(Sender), int(Receiver), int(DriverName), int(EscortName)})
            QCOMPARE(limitEntry(n, long300).size(), 256);
        QCOMPARE(limitEntry(VehicleNumber, long300).size(), 32);
        QCOMPARE(limitEntry(OperationType, long300).size(), 32);
        QCOMPARE(limitEntry(DocumentNumber, long300).size(), 300);

        Settings s;
        s.ParamNames = defaultParamNames(u"кг"_s);
        QCOMPARE(MainParamName(s, CargoName), u"Наименование груза"_s);
        QCOMPARE(MainParamName(s, Gross), u"Брутто,кг"_s);
        QCOMPARE(MainParamName(s, SumCount), u"Кол-во в сумме"_s);
        QCOMPARE(MainParamName(s, 25), QString());

        QCOMPARE(OperationTypes::all()[0], u"Разгрузка"_s);
        QCOMPARE(OperationTypes::all()[2], u"Одинарная"_s);
    }
};

QTEST_APPLESS_MAIN(TestCargoCard)
#include "tst_cargocard.moc"
