// Correcting a card of today through the menu, the gate and the card
// window; viewing cards read-only; the constants window from a "+" button.

#include "../AccessibleControls.h"
#include "ProgramFixture.h"
#include "terminal/FakeTerminalPort.h"
#include "core/Cp1251.h"
#include "core/ui/EventLogWindow.h"
#include "store/DayFileCodec.h"
#include "store/PickListFile.h"
#include "archive/ui/ArchiveFrame.h"
#include "archive/ui/CardEditorWindow.h"
#include "store/ui/ConstantsWindow.h"
#include "store/ui/DayListView.h"
#include "weighing/ui/CardFieldsView.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kToday(QDate(2026, 12, 9), QTime(9, 15, 0));

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The message box a window put up, closed after reading it.
QString takeMessage(QWidget *window)
{
    const QList<QMessageBox *> boxes = window->findChildren<QMessageBox *>();
    if (boxes.isEmpty())
        return QString();
    const QString text = boxes.last()->text();
    for (QMessageBox *box : boxes)
        box->done(QMessageBox::Ok);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return text;
}

void retype(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

} // namespace

class TestCardEditorEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    FakeTerminalPort *m_port = new FakeTerminalPort;

    DataEntryFrame *entry() const { return m_p->window->dataEntryFrame(); }
    void weigh(double w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(qint64(w)).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
        QCOMPARE(m_p->weighing->WeighingWeight(), w);
    }
    void press(QPushButton *button)
    {
        QVERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    CargoCard slot(int n) const
    {
        return decodeDayCard(QByteArrayView(readAll(m_p->days->todayPath())).sliced(DayFileLayout::cardOffset(n)));
    }

private slots:
    void initTestCase()
    {
        m_p = std::make_unique<ProgramFixture>(kToday, m_port);
        m_p->build();
        m_p->login();
        QVERIFY(m_p->shell->loaded());
        m_p->link->stopPolling();
        const QStringList cargo{u"Щебень"_s, u"Песок"_s, u"Гравий"_s};
        for (int n = 1; n <= 3; ++n) {
            entry()->parameterBox(0)->setEditText(cargo[n - 1]);
            weigh(30000 + 100 * n);
            press(entry()->storeButton());
            m_p->clock.advanceSeconds(60);
        }
        QCOMPARE(m_p->context->settings.DayCardNumber, 3);
    }

    void correctionThroughTheMenu()
    {
        QAction *edit = m_p->window->menuAction(u"Правка"_s);
        QVERIFY(edit);
        // Not permitted: the entry does nothing.
        m_p->context->settings.EditPermissions = {0, 1, 1, 0, 0, 0};
        edit->trigger();
        QVERIFY(!m_p->gate->isVisible());
        QVERIFY(!m_p->window->cardEditorWindow());

        m_p->context->settings.EditPermissions = {1, 1, 0, 0, 0, 0};
        edit->trigger();
        QVERIFY(m_p->gate->isVisible());
        m_p->gate->setCodeText(AccessCodes::defaultEditCode());
        QVERIFY(!m_p->gate->isVisible());
        CardEditorWindow *w = m_p->window->cardEditorWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), u"Изменить параметры записи — карточка № 3"_s);
        QCOMPARE(w->numberField()->text(), u"3"_s);
        QCOMPARE(w->field(CargoName)->text(), u"Гравий"_s);
        QCOMPARE(w->caption(Gross)->text(), m_p->context->settings.ParamNames[Gross]);
        QVERIFY(!w->field(Gross)->isReadOnly());
        // What a correction does not store cannot be typed over.
        for (int i : {Date1, Time1, Date2, Time2, CardId, CardNumber, OperationType, Status})
            QVERIFY(w->field(i)->isReadOnly());
        if (const QString shots = qEnvironmentVariable("TARVO_SCREENSHOTS"); !shots.isEmpty())
            QVERIFY(w->grab().save(shots + u"/correction-window.png"_s));
        QVERIFY(w->extraField(0, 1)->isReadOnly() && w->extraField(0, 1)->isEnabled());
        QCOMPARE(w->extraCaption(0, 1)->text(), u"Стоимость груза"_s);
        QVERIFY(w->okButton()->isVisible() && w->replaceButton()->isVisible() && w->deleteButton()->isVisible());
        QCOMPARE(AccessibleControls::badlyNamed(w), QStringList());

        retype(w->numberField(), u"2"_s);
        press(w->okButton());
        QCOMPARE(w->field(CargoName)->text(), u"Песок"_s);
        QCOMPARE(w->field(Gross)->text(), u"30200"_s);
        retype(w->field(Gross), u"30250,5"_s);
        const CargoCard before = slot(2);
        const QByteArray card1 = readAll(m_p->days->todayPath()).mid(DayFileLayout::cardOffset(1), 1184);
        press(w->replaceButton());
        QCOMPARE(takeMessage(w), u"Данные в карточке изменены!"_s);

        // The day file, the day list and the journal agree.
        CargoCard expected = before;
        expected.gross = 30250.5;
        QCOMPARE(slot(2), expected);
        QCOMPARE(slot(3).gross, 30300.0);
        QCOMPARE(readAll(m_p->days->todayPath()).mid(DayFileLayout::cardOffset(1), 1184), card1);
        const QString list = m_p->window->todayList()->text();
        QVERIFY(list.contains(u"30250,5"_s));
        const QString journal = decode1251(readAll(m_p->context->settings.LogPath));
        QVERIFY(journal.contains(u"Исправлена карточка № 2, ID %1: %2 \"30200\" заменено на \"30250,5\""_s
                                     .arg(before.id)
                                     .arg(m_p->context->settings.ParamNames[Gross])));
        QCOMPARE(w->field(Gross)->text(), u"30250,5"_s);
        QCOMPARE(m_p->window->currentCardFrame()->fields()->fieldText(Gross), u"30250,5"_s);

        press(w->exitButton());
        QVERIFY(!w->isVisible());

        // The journal's viewer shows the line like any other.
        m_p->window->menuAction(u"Просмотр событий"_s)->trigger();
        auto *viewer = m_p->window->findChild<EventLogWindow *>();
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY(viewer->shownText().contains(u"Исправлена карточка № 2, ID %1: "_s.arg(before.id)));
        viewer->hide();
    }

    void viewingIsReadOnly()
    {
        m_p->context->settings.EditPermissions = {1, 1, 1, 1, 1, 1};
        m_p->weighing->ShowCurrentCard(1);
        m_p->window->modeButton(1)->click();
        press(m_p->window->currentCardFrame()->editButton());
        CardEditorWindow *w = m_p->window->cardEditorWindow();
        QVERIFY(w->isVisible());
        QCOMPARE(w->field(CargoName)->text(), u"Щебень"_s);
        for (int i = 0; i < 25; ++i)
            QVERIFY(w->field(i)->isReadOnly() && w->field(i)->isEnabled());
        QVERIFY(w->extraField(6, 10)->isReadOnly());
        QVERIFY(!w->okButton()->isVisible() && !w->replaceButton()->isVisible() && !w->deleteButton()->isVisible());
        QVERIFY(!w->numberField()->isVisible());
        QVERIFY(w->exitButton()->isVisible());
        press(w->exitButton());
        QVERIFY(!w->isVisible());

        // The archive frame's card, today's file opened from the calendar.
        m_p->window->modeButton(2)->click();
        ArchiveFrame *archive = m_p->window->archiveFrame();
        emit archive->calendar()->clicked(kToday.date());
        m_p->window->archiveBrowser()->selectCard(2);
        press(archive->editButton());
        QVERIFY(w->isVisible());
        QCOMPARE(w->field(CargoName)->text(), u"Песок"_s);
        QCOMPARE(w->field(Gross)->text(), u"30250,5"_s);
        QVERIFY(w->field(Gross)->isReadOnly() && !w->replaceButton()->isVisible());
        press(w->exitButton());
    }

    void correctionOpenedBeforeTheSecondWeighing()
    {
        // The correction window reads card 1 while it is still open.
        m_p->context->settings.EditPermissions = {1, 1, 1, 0, 0, 0};
        m_p->window->menuAction(u"Правка"_s)->trigger();
        m_p->gate->setCodeText(AccessCodes::defaultEditCode());
        CardEditorWindow *w = m_p->window->cardEditorWindow();
        QVERIFY(w->isVisible());
        retype(w->numberField(), u"1"_s);
        press(w->okButton());
        QCOMPARE(w->field(Status)->text(), u"незавершена"_s);

        // Meanwhile "Тара" in the main window completes it.
        m_p->weighing->ShowCurrentCard(1);
        m_p->window->modeButton(1)->click();
        weigh(11000);
        press(m_p->window->currentCardFrame()->tareButton());
        const CargoCard completed = slot(1);
        QCOMPARE(completed.status, u"завершена"_s);
        QCOMPARE(completed.tare, 11000.0);
        QCOMPARE(completed.net, 19100.0);
        const QByteArray day = readAll(m_p->days->todayPath());

        // The window's copy is older than the card: neither of its writes lands.
        const QString refused = u"Карточка № 1 изменена с момента открытия: изменения не записаны, откройте карточку заново"_s;
        retype(w->field(VehicleNumber), u"A001AA"_s);
        press(w->replaceButton());
        QCOMPARE(takeMessage(w), refused);
        QVERIFY(w->isVisible());
        press(w->deleteButton());
        QCOMPARE(takeMessage(w), refused);
        QCOMPARE(readAll(m_p->days->todayPath()), day);
        QCOMPARE(slot(1), completed);
        const QString journal = decode1251(readAll(m_p->context->settings.LogPath));
        QCOMPARE(journal.count(refused), 2);
        QVERIFY(!journal.contains(u"Удалена карточка № 1"_s));

        // Read again, the completed card is what the window shows.
        press(w->okButton());
        QCOMPARE(w->field(Status)->text(), u"завершена"_s);
        QCOMPARE(w->field(Tare)->text(), u"11000"_s);
        press(w->exitButton());
    }

    void deletionThroughTheWindow()
    {
        m_p->context->settings.EditPermissions = {1, 1, 1, 0, 0, 0};
        // The card the operator chose is the one opened.
        m_p->weighing->chooseTodayCard(3);
        m_p->gate->ShowGate(AccessGate::CardCorrection);
        m_p->gate->setCodeText(AccessCodes::defaultEditCode());
        CardEditorWindow *w = m_p->window->cardEditorWindow();
        QCOMPARE(w->numberField()->text(), u"3"_s);
        QCOMPARE(w->windowTitle(), u"Изменить параметры записи — карточка № 3"_s);
        // Asked first, "Нет" unless chosen: nothing deleted.
        QString asked;
        const auto answer = [&asked](QMessageBox::StandardButton button) {
            QTimer::singleShot(0, [&asked, button] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                asked = box->text();
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
                box->done(button);
            });
        };
        const CargoCard kept = slot(3);
        answer(QMessageBox::No);
        press(w->deleteButton());
        QCOMPARE(asked, u"Удалить карточку № 3?"_s);
        QCOMPARE(slot(3), kept);
        answer(QMessageBox::Yes);
        press(w->deleteButton());
        QCOMPARE(takeMessage(w), u"Карточка удалена!"_s);
        QCOMPARE(slot(3).status, u"удалена"_s);
        QCOMPARE(w->field(Status)->text(), u"удалена"_s);
        QVERIFY(!m_p->window->todayList()->text().contains(u"Гравий"_s));
        QVERIFY(decode1251(readAll(m_p->context->settings.LogPath)).contains(u"Удалена карточка № 3"_s));
        press(w->exitButton());
    }

    void constantsFromThePlusButton()
    {
        m_p->context->settings.EditPermissions = {1, 1, 1, 0, 0, 1};
        m_p->window->modeButton(0)->click();
        QComboBox *box = entry()->parameterBox(2);
        box->setEditText(u"Карьер"_s);
        const int items = box->count();
        press(entry()->plusButton(2));
        ConstantsWindow *w = m_p->window->constantsWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(!w->constantsFrame()->isVisible());
        QCOMPARE(w->listButton()->text(), u"Добавить в список"_s);
        QCOMPARE(w->constantValue(0)->text(), u"Карьер"_s);
        press(w->listButton());
        QVERIFY(w->constantsFrame()->isVisible() && w->extrasFrame()->isVisible());
        QVERIFY(!w->listButton()->isVisible());
        QCOMPARE(w->constantLabel(5)->text(), u"ДК(2,5)"_s);
        QCOMPARE(w->extraLabel(3)->text(), u"ДП(2,3)"_s);
        QCOMPARE(AccessibleControls::badlyNamed(w), QStringList());
        QCOMPARE(box->count(), items + 1);
        QCOMPARE(box->currentText(), u"Карьер"_s);
        QVERIFY(PickListFile(pickListPath(m_p->context->folders.BaseFolder, 2)).find(u"Карьер"_s));

        QTest::keyClicks(w->extraValue(3), u"Lugovaya 5"_s);
        press(w->closeButton());
        QVERIFY(!w->isVisible());
        QCOMPARE(m_p->extras->extraValues[2][3], u"Lugovaya 5"_s);

        // Opened again: the value is listed now, so it can be removed.
        press(entry()->plusButton(2));
        QVERIFY(w->isVisible());
        QCOMPARE(w->listButton()->text(), u"Удалить из списка"_s);
        press(w->listButton());
        QVERIFY(!w->isVisible());
        QCOMPARE(box->count(), items);
        QCOMPARE(box->currentText(), u"Карьер"_s);
    }
};

QTEST_MAIN(TestCardEditorEndToEnd)
#include "tst_card_editor_e2e.moc"
