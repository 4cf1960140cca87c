// Whole weighings through the main window, the simulator playing the scale.

#include "ProgramFixture.h"
#include "core/OleDate.h"
#include "store/DayFileCodec.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"
#include "weighing/ui/WeightPanel.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kSimulator = QStringLiteral(TARVO_SCALE_SIM);
const QDateTime kNow(QDate(2026, 12, 9), QTime(8, 15, 0));

double oleTime(const QDateTime &t) { return toOleDate(QDate(1899, 12, 30), t.time()); }

} // namespace

namespace QTest {
template <>
char *toString(const CargoCard &c)
{
    QString t;
    for (const QString &x : c.texts)
        t += x + u'|';
    t += QString::asprintf("d2=%.9f t2=%.9f lp=%g id=%d n=%d d1=%.9f t1=%.9f ", c.date2, c.time2, c.litterPercent, c.id,
                           c.number, c.date1, c.time1);
    t += c.operationType + u'|' + c.status + u'|';
    t += QString::asprintf("g=%g n=%g t=%g w1=%g w2=%g lw=%g cw=%g sw=%g sc=%d", c.gross, c.net, c.tare, c.weight1,
                           c.weight2, c.litterWeight, c.cleanWeight, c.sumWeight, c.sumCount);
    return qstrdup(t.toUtf8().constData());
}
} // namespace QTest

class TestWeighingEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    QString m_linkPath;
    QProcess m_sim;

    // The scale shows `weight` from now on; the program picks it up through
    // its own reopening of the lost port.
    void scale(double weight)
    {
        m_sim.kill();
        m_sim.waitForFinished(3000);
        m_sim.start(kSimulator, {u"--type"_s, u"1"_s, u"--weight"_s, QString::number(weight), u"--link"_s, m_linkPath,
                                 u"--rate"_s, u"20"_s});
        QVERIFY(m_sim.waitForStarted(5000));
        while (!m_sim.canReadLine())
            QVERIFY(m_sim.waitForReadyRead(5000));
        QTRY_COMPARE_WITH_TIMEOUT(m_p->link->TerminalWeight(), weight, 8000);
        QTRY_COMPARE_WITH_TIMEOUT(m_p->weighing->WeighingWeight(), weight, 2000);
    }
    QByteArray day() const
    {
        QFile f(m_p->days->todayPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    CargoCard card(int n, const QString &type, const QString &status) const
    {
        CargoCard c;
        c.texts = {u"Песок"_s, QString(), u"Карьер"_s, QString(), u"В777ОР"_s, QString(), QString()};
        c.id = n;
        c.number = n;
        c.date1 = toOleDate(kNow.date());
        c.time1 = oleTime(kNow);
        c.operationType = type;
        c.status = status;
        return c;
    }
    CargoCard slotOf(int n) const
    {
        return decodeDayCard(QByteArrayView(day()).sliced(DayFileLayout::cardOffset(n)));
    }
    void chooseType(const QString &type)
    {
        QComboBox *box = m_p->window->dataEntryFrame()->operationTypeBox();
        box->setCurrentText(type);
        emit box->textActivated(type);
    }
    void press(QPushButton *button)
    {
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        m_p = std::make_unique<ProgramFixture>(kNow);
        m_linkPath = m_p->dir.path() + u"/scale"_s;
        m_p->context->settings.PortNumber = m_linkPath;
        m_p->context->settings.TerminalType = 1;
        m_p->context->settings.CardIdCounter = 0;
        // The same load again and again: the boxes stay as typed.
        m_p->context->operatorSettings.setClearEntryAfterStore(false);
        m_p->build();
        m_p->login();
        QVERIFY(m_p->shell->loaded());
        // One truck weighed again and again: each a new card, as the operator confirms.
        m_p->program->questions().answer = [](const QString &) { return true; };
        // Small test weights count as vehicles here.
        m_p->context->operatorSettings.setEmptyPlatformWeight(0);
        m_p->window->dataEntryFrame()->parameterBox(0)->setEditText(u"Песок"_s);
        m_p->window->dataEntryFrame()->parameterBox(2)->setEditText(u"Карьер"_s);
        m_p->window->dataEntryFrame()->parameterBox(4)->setEditText(u"В777ОР"_s);
    }
    void cleanupTestCase()
    {
        m_p.reset();
        m_sim.kill();
        m_sim.waitForFinished(3000);
    }

    void weighings()
    {
        QPushButton *store = m_p->window->dataEntryFrame()->storeButton();
        CurrentCardFrame *frame = m_p->window->currentCardFrame();

        // A loaded truck: "Разгрузка" at 30,100, twice in a row.
        scale(30100);
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(m_p->window->weightPanel()->grossField()->text(), u"30100"_s);
        press(store);
        press(store);
        CargoCard unloading = card(1, u"Разгрузка"_s, u"незавершена"_s);
        unloading.gross = unloading.weight1 = 30100;
        CargoCard second = unloading;
        second.id = second.number = 2;
        QCOMPARE(day(), encodeCountRecord(2) + encodeDayCard(unloading) + encodeDayCard(second));

        // It comes back empty: "Тара" at 12,000 on card 1; an empty truck
        // for loading is weighed at the same time.
        scale(12000);
        QVERIFY(!QTest::currentTestFailed());
        m_p->window->modeButton(1)->click();
        m_p->weighing->ShowCurrentCard(1);
        m_p->weighing->SetCompletionButtons(1);
        m_p->clock.advanceSeconds(900);
        press(frame->tareButton());
        QVERIFY(!frame->tareButton()->isVisible());
        QVERIFY(frame->receiptButton()->isVisible());
        unloading.tare = 12000;
        unloading.net = unloading.cleanWeight = 18100;
        unloading.status = u"завершена"_s;
        unloading.date2 = toOleDate(kNow.date());
        unloading.time2 = oleTime(kNow.addSecs(900));

        m_p->window->modeButton(0)->click();
        chooseType(u"Погрузка"_s);
        press(store);
        CargoCard loading = card(3, u"Погрузка"_s, u"незавершена"_s);
        loading.time1 = oleTime(kNow.addSecs(900));
        loading.tare = loading.weight1 = 12000;
        QCOMPARE(slotOf(1), unloading);
        QCOMPARE(slotOf(3), loading);
        QCOMPARE(day(), encodeCountRecord(3) + encodeDayCard(unloading) + encodeDayCard(second)
                            + encodeDayCard(loading));

        // Loaded: "Бруто" at 25,000; then a single weighing with a typed tare.
        scale(25000);
        QVERIFY(!QTest::currentTestFailed());
        m_p->window->modeButton(1)->click();
        m_p->weighing->SetCompletionButtons(3);
        press(frame->grossButton());
        loading.gross = 25000;
        loading.net = loading.cleanWeight = 13000;
        loading.status = u"завершена"_s;
        loading.date2 = toOleDate(kNow.date());
        loading.time2 = oleTime(kNow.addSecs(900));

        m_p->window->modeButton(0)->click();
        chooseType(u"Одинарная"_s);
        m_p->weighing->setTareFieldText(u"7000,5"_s);
        QTRY_COMPARE(m_p->window->weightPanel()->netField()->text(), u"17999,5"_s);
        press(store);
        CargoCard single = card(4, u"Одинарная"_s, u"завершена"_s);
        single.time1 = single.time2 = oleTime(kNow.addSecs(900));
        single.date2 = toOleDate(kNow.date());
        single.gross = single.weight1 = 25000;
        single.tare = 7000.5;
        single.net = single.cleanWeight = 17999.5;
        QCOMPARE(day(), encodeCountRecord(4) + encodeDayCard(unloading) + encodeDayCard(second)
                            + encodeDayCard(loading) + encodeDayCard(single));
    }

    void runningSum()
    {
        // Sum on, three single weighings of 5, 6 and 7 with no tare.
        QTest::mouseClick(m_p->window->weightPanel()->sumSwitch(), Qt::LeftButton);
        QCOMPARE(m_p->window->weightPanel()->sumSwitch()->text(), u"0n"_s);
        chooseType(u"Одинарная"_s);
        const int first = m_p->context->settings.DayCardNumber + 1;
        for (double w : {5.0, 6.0, 7.0}) {
            scale(w);
        QVERIFY(!QTest::currentTestFailed());
            press(m_p->window->dataEntryFrame()->storeButton());
        }
        const QByteArray file = day();
        auto at = [&](int n) { return decodeDayCard(QByteArrayView(file).sliced(DayFileLayout::cardOffset(n))); };
        QCOMPARE(at(first).sumWeight, 5.0);
        QCOMPARE(at(first + 1).sumWeight, 11.0);
        QCOMPARE(at(first + 2).sumWeight, 18.0);
        QCOMPARE(at(first).sumCount, 1);
        QCOMPARE(at(first + 2).sumCount, 3);
        QCOMPARE(m_p->window->weightPanel()->sumWeightField()->text(), u"18"_s);
        QCOMPARE(m_p->window->weightPanel()->sumCountField()->text(), u"3"_s);
    }

    void noWeighingWithoutTheScale()
    {
        // The simulator stops: the field shows the no-data mark, and
        // "Записать" refuses the last reading instead of storing it.
        m_p->window->modeButton(0)->click();
        m_sim.kill();
        m_sim.waitForFinished(3000);
        QTRY_COMPARE_WITH_TIMEOUT(m_p->link->weightText(), TerminalLink::noDataMark(), 8000);
        const QByteArray before = day();
        const int count = m_p->context->settings.DayCardNumber;
        QTest::mouseClick(m_p->window->dataEntryFrame()->storeButton(), Qt::LeftButton);
        QTRY_VERIFY(m_p->window->findChild<QMessageBox *>());
        QCOMPARE(m_p->window->findChild<QMessageBox *>()->text(), u"Нет связи с весовым терминалом"_s);
        m_p->window->findChild<QMessageBox *>()->close();
        QCOMPARE(day(), before);
        QCOMPARE(m_p->context->settings.DayCardNumber, count);
    }
};

QTEST_MAIN(TestWeighingEndToEnd)
#include "tst_weighing_e2e.moc"
