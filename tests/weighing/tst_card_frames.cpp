#include "core/OleDate.h"
#include "core/Settings.h"
#include "archive/ui/ArchiveFrame.h"
#include "card/CargoCard.h"
#include "weighing/ui/CardFieldsView.h"
#include "weighing/ui/CurrentCardFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<QLineEdit *> fieldsNamed(const QWidget *view, const QString &name)
{
    QList<QLineEdit *> found;
    for (QLineEdit *f : view->findChildren<QLineEdit *>())
        if (f->accessibleName() == name)
            found << f;
    return found;
}

QLabel *labelWithText(const QWidget *view, const QString &text)
{
    for (QLabel *l : view->findChildren<QLabel *>())
        if (l->text() == text)
            return l;
    return nullptr;
}

} // namespace

class TestCardFrames : public QObject
{
    Q_OBJECT

private slots:
    void bothFramesLaidOutAlike_data();
    void bothFramesLaidOutAlike();
};

void TestCardFrames::bothFramesLaidOutAlike_data()
{
    QTest::addColumn<bool>("archive");
    QTest::addColumn<QString>("numberCaption");
    QTest::newRow("current card") << false << u"N:"_s;
    QTest::newRow("archive card") << true << u"№:"_s;
}

void TestCardFrames::bothFramesLaidOutAlike()
{
    QFETCH(bool, archive);
    QFETCH(QString, numberCaption);

    CurrentCardFrame current;
    ArchiveFrame archiveFrame;
    CardFieldsView *view = archive ? archiveFrame.fields() : current.fields();
    Settings settings;
    settings.ParamNames = defaultParamNames(u"кг"_s);
    view->setCaptions(settings);

    CargoCard card;
    card.texts = {u"Щебень"_s, u"Д-7"_s, u"Карьер"_s, u"Склад"_s, u"А123ВС"_s, u"Иванов"_s, u"Петров"_s};
    card.id = 4711;
    card.number = 12;
    card.date1 = toOleDate(QDate(2026, 12, 8));
    card.time1 = toOleTime(QTime(9, 5, 3));
    card.date2 = toOleDate(QDate(2026, 12, 9));
    card.time2 = toOleTime(QTime(14, 30, 0));
    card.operationType = u"Разгрузка"_s;
    card.status = u"завершена"_s;
    card.gross = 30100;
    card.tare = 12100;
    card.net = 18000;
    card.weight1 = 30111;
    card.weight2 = 12111;
    view->showCard(card);

    // The number in its day under "N:" (current) or "№:" (archive).
    QCOMPARE(fieldsNamed(view, numberCaption).size(), 1);
    QCOMPARE(fieldsNamed(view, numberCaption)[0]->text(), u"12"_s);
    QVERIFY(!labelWithText(view, archive ? u"N:"_s : u"№:"_s));
    QCOMPARE(fieldsNamed(view, u"ID"_s)[0]->text(), u"4711"_s);

    // Date and time of the first weighing under "Начата:", of the second
    // under "Окончена:"; the parameter name tells the two fields apart.
    const auto started = fieldsNamed(view, u"Начата:"_s);
    const auto finished = fieldsNamed(view, u"Окончена:"_s);
    QCOMPARE(started.size(), 2);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(started[0]->text(), u"08.12.2026"_s);
    QCOMPARE(started[0]->accessibleDescription(), u"Дата1"_s);
    QCOMPARE(started[1]->text(), u"09:05:03"_s);
    QCOMPARE(started[1]->accessibleDescription(), u"Время1"_s);
    QCOMPARE(finished[0]->text(), u"09.12.2026"_s);
    QCOMPARE(finished[1]->text(), u"14:30:00"_s);
    QCOMPARE(labelWithText(view, u"Начата:"_s)->buddy(), started[0]);
    QCOMPARE(labelWithText(view, u"Окончена:"_s)->buddy(), finished[0]);
    // The captions of the dates follow no parameter name.
    QVERIFY(!labelWithText(view, u"Дата1"_s) && !labelWithText(view, u"Время2"_s));

    // The weights of the first and second weighing are not shown.
    QVERIFY(!labelWithText(view, settings.ParamNames[Weight1]));
    QVERIFY(!labelWithText(view, settings.ParamNames[Weight2]));
    for (QLineEdit *f : view->findChildren<QLineEdit *>()) {
        QVERIFY(!f->text().contains(u"30111"_s) && !f->text().contains(u"12111"_s));
        // Every field is named by the caption beside it.
        QVERIFY2(!f->accessibleName().isEmpty(), qPrintable(f->text()));
    }
    QCOMPARE(view->fieldText(Weight1), QString());
    QVERIFY(!view->field(Weight2));

    // The rest keep their parameter names as captions.
    for (int n : {CargoName, EscortName, LitterPercent, OperationType, Status, Gross, Net, Tare, LitterWeight,
                  CleanWeight, SumWeight, SumCount}) {
        QLabel *caption = labelWithText(view, settings.ParamNames[size_t(n)]);
        QVERIFY2(caption, qPrintable(settings.ParamNames[size_t(n)]));
        QCOMPARE(caption->buddy(), view->field(n));
        QCOMPARE(view->field(n)->accessibleName(), caption->text());
    }
    QCOMPARE(view->fieldText(Net), u"18000"_s);
    QCOMPARE(view->fieldText(Status), u"завершена"_s);

    // Incomplete: "Окончена:" stays empty.
    card.date2 = card.time2 = 0;
    view->showCard(card);
    QCOMPARE(finished[0]->text(), QString());
    QCOMPARE(finished[1]->text(), QString());
}

QTEST_MAIN(TestCardFrames)
#include "tst_card_frames.moc"
