#include "../../AccessibleControls.h"

#include "core/Settings.h"
#include "card/CargoCard.h"
#include "weighing/ui/CardFieldsView.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"
#include "weighing/ui/WeightPanel.h"

#include <QAccessible>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

Settings renamed()
{
    Settings s;
    s.ParamNames = defaultParamNames(u"т"_s);
    s.ParamNames[CargoName] = u"Груз"_s;
    s.ParamNames[OperationType] = u"Операция"_s;
    return s;
}

int minimumHeight(QWidget &w)
{
    if (w.layout())
        w.layout()->activate();
    return w.minimumSizeHint().height();
}

} // namespace

class TestWeighingFrames : public QObject
{
    Q_OBJECT

private slots:
    void controlsNamedByCaption()
    {
        const Settings s = renamed();
        DataEntryFrame entry;
        entry.show();
        // Named before the load puts in the configured names...
        QCOMPARE(QAccessible::queryAccessibleInterface(entry.parameterBox(CargoName))->text(QAccessible::Name),
                 u"Наименование груза"_s);
        entry.setCaptions(s);
        entry.setPickList(CargoName, {u"Песок"_s, u"Щебень"_s});
        for (int i = 0; i < CardTextCount; ++i)
            entry.parameterBox(i)->setEditText(u"значение "_s + QString::number(i));
        entry.operationTypeBox()->setCurrentIndex(1);
        entry.litterField()->setText(u"2,5"_s);
        QCOMPARE(AccessibleControls::badlyNamed(&entry), QStringList());

        // ...and each box says what it asks for, then what it holds.
        QComboBox *cargo = entry.parameterBox(CargoName);
        QAccessibleInterface *box = QAccessible::queryAccessibleInterface(cargo);
        QCOMPARE(box->role(), QAccessible::ComboBox);
        QCOMPARE(box->text(QAccessible::Name), u"Груз"_s);
        QCOMPARE(box->text(QAccessible::Value), u"значение 0"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(cargo->lineEdit())->text(QAccessible::Name), u"Груз"_s);
        QCOMPARE(box->childCount(), 2);
        QCOMPARE(box->child(1)->object(), cargo->lineEdit());
        QCOMPARE(box->indexOfChild(box->child(0)), 0);
        QAccessibleInterface *type = QAccessible::queryAccessibleInterface(entry.operationTypeBox());
        QCOMPARE(type->text(QAccessible::Name), u"Операция"_s);
        QCOMPARE(type->text(QAccessible::Value), u"Погрузка"_s);
        QCOMPARE(type->childCount(), 1);

        WeightPanel panel;
        panel.setCaptions(s);
        panel.setAxlesVisible(true);
        for (QLineEdit *field : panel.findChildren<QLineEdit *>())
            field->setText(u"12345"_s);
        panel.setSumSwitch(u"0n"_s, Qt::green);
        QCOMPARE(AccessibleControls::badlyNamed(&panel), QStringList());

        CurrentCardFrame card;
        card.fields()->setCaptions(s);
        CargoCard c;
        c.texts[CargoName] = u"Песок"_s;
        c.number = 3;
        c.gross = 30100;
        card.fields()->showCard(c);
        QCOMPARE(AccessibleControls::badlyNamed(&card), QStringList());
    }

    // With the menu, the weight panel (axles shown) and the status line, a
    // 1366x768 screen leaves the working frames about 360 pixels.
    void framesFitALowScreen()
    {
        const Settings s = renamed();
        DataEntryFrame entry;
        entry.setCaptions(s);
        QVERIFY2(minimumHeight(entry) <= 360, qPrintable(QString::number(minimumHeight(entry))));

        CurrentCardFrame card;
        card.fields()->setCaptions(s);
        card.show();
        QVERIFY(QTest::qWaitForWindowExposed(&card));
        QVERIFY2(minimumHeight(card) <= 360, qPrintable(QString::number(minimumHeight(card))));
        // Where there is room the whole card shows, without a scroll bar.
        auto *area = card.findChild<QScrollArea *>();
        QVERIFY(area);
        card.resize(card.sizeHint());
        QTRY_COMPARE(area->viewport()->height(), card.fields()->height());
        QVERIFY(card.fields()->height() >= card.fields()->minimumSizeHint().height());
        // Squeezed, the fields scroll and keep their full width.
        card.resize(card.width(), minimumHeight(card));
        QTRY_VERIFY(area->verticalScrollBar()->maximum() > 0);
        QVERIFY(card.fields()->width() >= card.fields()->minimumSizeHint().width());

        WeightPanel panel;
        panel.setCaptions(s);
        panel.setAxlesVisible(true);
        QVERIFY2(minimumHeight(panel) <= 220, qPrintable(QString::number(minimumHeight(panel))));
    }
};

QTEST_MAIN(TestWeighingFrames)
#include "tst_weighing_frames.moc"
