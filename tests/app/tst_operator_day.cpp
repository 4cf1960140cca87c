// The operator's day through the main window: the keys, the search across
// days and the open weighings.
#include "common/DayFileWriter.h"
#include "ProgramFixture.h"
#include "archive/ui/ArchiveFrame.h"
#include "archive/ui/CardHitTable.h"
#include "archive/ui/OpenWeighingsWindow.h"
#include "archive/ui/SearchWindow.h"
#include "core/OleDate.h"
#include "documents/PdfReader.h"
#include "store/VehicleRegister.h"
#include "core/Cp1251.h"
#include "core/ui/EventLogWindow.h"
#include "store/DayFileCodec.h"
#include "store/ui/DayListView.h"
#include "terminal/FakeTerminalPort.h"
#include "terminal/ScaleState.h"
#include "terminal/WeightConditioning.h"
#include "weighing/ui/WeightPanel.h"
#include "video/SyntheticSource.h"
#include "video/VideoPhotos.h"
#include "video/ui/PreviewWindow.h"
#include "video/ui/VideoPanel.h"
#include "weighing/ui/CurrentCardFrame.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2026, 12, 9);

CargoCard oldCard(int n, const QString &plate, const QDate &day, const QString &status)
{
    CargoCard c;
    c.texts = {u"Щебень"_s, QString(), u"Карьер"_s, QString(), plate, QString(), QString()};
    c.id = 1000 + day.day() * 10 + n;
    c.number = n;
    c.date1 = toOleDate(day);
    c.time1 = toOleTime(QTime(8, n));
    c.operationType = OperationTypes::unloading();
    c.status = status;
    c.gross = c.weight1 = 25000 + n;
    return c;
}

} // namespace

class TestOperatorDay : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    FakeTerminalPort *m_port = nullptr;

    DataEntryFrame *entry() const { return m_p->window->dataEntryFrame(); }
    QWidget *focused() const { return QApplication::focusWidget(); }
    // The focus is in `w` or in its edit field.
    bool focusIn(QWidget *w) const { return focused() && (focused() == w || w->isAncestorOf(focused())); }

    void weigh(qint64 w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
    }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QWidget *target = focused() ? focused() : m_p->window.get();
        QTest::keyClick(target, Qt::Key(k), m);
    }
    CargoCard slot(const QDate &day, int n) const { return m_p->days->ReadDayCard(day, n).card; }
    QString logText() const
    {
        QFile f(m_p->context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }
    // The text of the newest PDF the program printed: the names begin with
    // the clock's time, which the test moves on, as modification times may tie.
    QString lastPrinted() const
    {
        QDir print(m_p->context->folders.BaseFolder + u"Print/"_s);
        const QFileInfoList pdfs = print.entryInfoList({u"*.pdf"_s}, QDir::Files, QDir::Name | QDir::Reversed);
        return pdfs.isEmpty() ? QString() : PdfReader::lines(pdfs.first().filePath()).join(u'\n');
    }

private slots:
    void init()
    {
        m_port = new FakeTerminalPort;
        // A synthetic camera: no device of the machine is touched.
        m_p = std::make_unique<ProgramFixture>(QDateTime(kToday, QTime(9, 0)), m_port,
                                               std::make_unique<SyntheticSource>(), nullptr, false);
        const Folders &f = m_p->context->folders;
        // Two earlier days with a vehicle still on site two days ago.
        writeDay(f, kToday.addDays(-2), {oldCard(1, u"А123ВС 77"_s, kToday.addDays(-2), Statuses::incomplete())});
        writeDay(f, kToday.addDays(-40), {oldCard(1, u"А123ВС 77"_s, kToday.addDays(-40), Statuses::incomplete())});
        writeDay(f, kToday.addDays(-1), {oldCard(1, u"К001КК 50"_s, kToday.addDays(-1), Statuses::complete()),
                                         oldCard(2, u"А123ВС 77"_s, kToday.addDays(-1), Statuses::complete())});
        m_p->start();
        m_p->build();
        m_p->login();
        QVERIFY(QTest::qWaitForWindowActive(m_p->window.get()));
        m_p->link->stopPolling();
        m_p->window->clockTimer()->stop();
    }
    void cleanup() { m_p.reset(); }

    void tabChainEnterAndTheFunctionKeys()
    {
        // After login the cursor waits in the first box.
        QVERIFY(focusIn(entry()->parameterBox(0)));
        // Tab: the seven boxes, type, litter %, "Записать" as they stand on
        // screen; no "+" between.
        QList<QWidget *> chain;
        for (int i = 1; i < CardTextCount; ++i)
            chain << entry()->parameterBox(i);
        chain << entry()->operationTypeBox() << entry()->litterField() << entry()->storeButton();
        for (QWidget *next : chain) {
            key(Qt::Key_Tab);
            QVERIFY2(focusIn(next), qPrintable(next->accessibleName()));
        }
        // Shift+Tab from a box reaches its "+".
        entry()->parameterBox(3)->setFocus();
        key(Qt::Key_Backtab);
        QCOMPARE(focused(), entry()->plusButton(3));
        key(Qt::Key_Backtab);
        QVERIFY(focusIn(entry()->parameterBox(2)));

        // Enter moves on, in the type box to the litter, which stores; the boxes empty.
        weigh(30100);
        entry()->focusFirstBox();
        entry()->parameterBox(0)->lineEdit()->insert(u"Песок"_s);
        key(Qt::Key_Return);
        QVERIFY(focusIn(entry()->parameterBox(1)));
        entry()->parameterBox(4)->setEditText(u"В777ОР"_s);
        entry()->operationTypeBox()->setFocus();
        key(Qt::Key_Return);
        QVERIFY(focusIn(entry()->litterField()));
        key(Qt::Key_Return);
        CargoCard first = slot(kToday, 1);
        QCOMPARE(first.texts[CargoName], u"Песок"_s);
        QCOMPARE(first.texts[VehicleNumber], u"В777ОР"_s);
        QCOMPARE(first.gross, 30100.0);
        QCOMPARE(entry()->parameterBox(0)->currentText(), QString());
        QCOMPARE(entry()->parameterBox(4)->currentText(), QString());
        QVERIFY(focusIn(entry()->parameterBox(0)));
        // The new incomplete card is marked in today's list.
        QCOMPARE(m_p->window->todayList()->markedLines(), QList<int>{0});

        // Kept when the workplace settings say so; F2 stores from anywhere.
        m_p->context->operatorSettings.setClearEntryAfterStore(false);
        entry()->parameterBox(4)->setEditText(u"Е001ЕЕ"_s);
        key(Qt::Key_F2);
        QCOMPARE(slot(kToday, 2).texts[VehicleNumber], u"Е001ЕЕ"_s);
        QCOMPARE(entry()->parameterBox(4)->currentText(), u"Е001ЕЕ"_s);

        // F4 is "Тара" of the card shown; F3 does nothing for an unloading card.
        m_p->shell->SelectMode(MainShell::Mode::View);
        m_p->weighing->chooseTodayCard(1);
        weigh(12000);
        key(Qt::Key_F3);
        QCOMPARE(slot(kToday, 1).status, Statuses::incomplete());
        key(Qt::Key_F4);
        QCOMPARE(slot(kToday, 1).status, Statuses::complete());
        QCOMPARE(slot(kToday, 1).tare, 12000.0);
        QCOMPARE(m_p->window->todayList()->markedLines(), QList<int>{1});
    }

    // One two-pass weighing by the keyboard alone, completed from Ctrl+O:
    // after every step the keys reach where the operator works.
    void keyboardOnlyTwoPassWeighing()
    {
        weigh(30100);
        QVERIFY(focusIn(entry()->parameterBox(0)));
        // Typed as the keyboard would: QTest types Latin letters only.
        entry()->parameterBox(0)->lineEdit()->insert(u"Гравий"_s);
        for (int box = 1; box <= VehicleNumber; ++box) {
            key(Qt::Key_Return);
            QVERIFY(focusIn(entry()->parameterBox(box)));
        }
        // Typed on the Latin layout.
        QTest::keyClicks(focused(), u"M555MM"_s);
        key(Qt::Key_F2);
        QCOMPARE(slot(kToday, 1).gross, 30100.0);
        QCOMPARE(slot(kToday, 1).texts[VehicleNumber], u"M555MM"_s);
        QTRY_VERIFY(focusIn(entry()->parameterBox(0)));

        // Back empty: the open weighings, narrowed by the plate typed in Cyrillic.
        weigh(11000);
        key(Qt::Key_O, Qt::ControlModifier);
        OpenWeighingsWindow *open = m_p->window->openWeighingsWindow();
        QTRY_VERIFY(focusIn(open->filterField()));
        QCOMPARE(open->table()->rowCount(), 2);
        QCOMPARE(open->table()->currentRow(), -1); // not simply the newest card
        open->filterField()->insert(u"м555"_s);
        QCOMPARE(open->table()->rowCount(), 1);
        key(Qt::Key_Return);
        QTRY_VERIFY(!open->isVisible());
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::View);
        QTRY_VERIFY(m_p->window->isActiveWindow());
        key(Qt::Key_F4);
        QCOMPARE(slot(kToday, 1).net, 19100.0);
        QTRY_VERIFY(m_p->window->isActiveWindow());
        QVERIFY(focused() && m_p->window->isAncestorOf(focused()));
        // The keys still work: Ctrl+O again, the truck gone from the list.
        key(Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(open->isVisible());
        QCOMPARE(open->table()->rowCount(), 1);
        QTRY_VERIFY(focusIn(open->filterField()));
        key(Qt::Key_Escape);
        QTRY_VERIFY(!open->isVisible());
    }

    void everyMenuEntryHasItsKeysAndEscapeClosesWindows()
    {
        QList<QAction *> actions = m_p->window->menuBar()->actions();
        int entries = 0;
        while (!actions.isEmpty()) {
            QAction *a = actions.takeFirst();
            if (a->isSeparator())
                continue;
            if (a->menu()) {
                actions += a->menu()->actions();
            } else {
                ++entries;
                QVERIFY2(!a->shortcut().isEmpty(), qPrintable(a->text()));
            }
        }
        QVERIFY(entries >= 18);

        m_p->window->menuAction(u"Просмотр событий"_s)->trigger();
        QWidget *log = m_p->window->findChild<EventLogWindow *>();
        QVERIFY(log && log->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(log));
        QTest::keyClick(log, Qt::Key_Escape);
        QVERIFY(!log->isVisible());
        // Escape in the main window itself closes nothing.
        QTest::keyClick(m_p->window.get(), Qt::Key_Escape);
        QVERIFY(m_p->window->isVisible());
    }

    void searchFindsAcrossDaysAndOpensTheCard()
    {
        weigh(31000);
        entry()->parameterBox(4)->setEditText(u"а123вс 77"_s);
        entry()->storeButton()->click();
        key(Qt::Key_F, Qt::ControlModifier);
        SearchWindow *search = m_p->window->searchWindow();
        QVERIFY(search && search->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(search));
        QCOMPARE(search->fromField()->date(), kToday.addDays(-30));
        QCOMPARE(search->toField()->date(), kToday);
        QTRY_VERIFY2(focusIn(search->textField()), focused() ? focused()->metaObject()->className() : "none");
        search->textField()->insert(u"А123"_s);
        QSignalSpy done(&m_p->program->search(), &CardSearch::finished);
        QTest::keyClick(search->textField(), Qt::Key_Return);
        QVERIFY(done.wait(5000));
        // Newest first; the card of 40 days ago lies outside the period.
        CardHitTable *table = search->table();
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), u"09.12.2026"_s);
        QCOMPARE(table->item(1, 0)->text(), u"08.12.2026"_s);
        QCOMPARE(table->item(2, 0)->text(), u"07.12.2026"_s);
        QCOMPARE(table->item(2, 8)->text(), Statuses::incomplete());
        QCOMPARE(search->resultLine()->text(), u"Найдено: 3"_s);

        // A double click opens the card of the 7th in the archive, ready for "Тара".
        emit table->cellDoubleClicked(2, 0);
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::Archive);
        QCOMPARE(m_p->window->archiveBrowser()->archiveDay(), kToday.addDays(-2));
        QCOMPARE(m_p->window->archiveBrowser()->calendarDate(), kToday.addDays(-2));
        QCOMPARE(m_p->window->archiveBrowser()->shownCard().texts[VehicleNumber], u"А123ВС 77"_s);
        QVERIFY(m_p->window->archiveFrame()->tareButton()->isVisible());
        // Today's opens in "Карточка груза".
        emit table->cellDoubleClicked(0, 0);
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::View);
        QCOMPARE(m_p->weighing->shownCard().number, 1);
        QVERIFY(m_p->window->currentCardFrame()->tareButton()->isVisible());

        // Closed while it runs: the search stops.
        search->show();
        search->findButton()->click();
        QVERIFY(m_p->program->search().running() || done.size() == 2);
        QVERIFY(search->close());
        QVERIFY(!m_p->program->search().running());
    }

    void storedTareCompletesInOnePass()
    {
        QPushButton *storedTare = entry()->storedTareButton();
        // A two-pass weighing of a new plate: its tare is stored with its date.
        weigh(30000);
        entry()->parameterBox(4)->setEditText(u"Р777РР 150"_s);
        entry()->parameterBox(5)->setEditText(u"Сидоров"_s);
        QVERIFY(storedTare->isHidden());
        key(Qt::Key_F2);
        m_p->shell->SelectMode(MainShell::Mode::View);
        m_p->weighing->chooseTodayCard(1);
        weigh(11500);
        key(Qt::Key_F4);
        VehicleRegister &vehicles = m_p->weighing->vehicles();
        std::optional<KnownVehicle> known = vehicles.find(u"р 777 рр150"_s);
        QVERIFY(known);
        QCOMPARE(known->tare, 11500.0);
        QCOMPARE(known->tareDate, kToday);
        QCOMPARE(known->driver, u"Сидоров"_s);

        // Typed again: its tare is offered and completes the card in one pass.
        m_p->shell->SelectMode(MainShell::Mode::DataEntry);
        entry()->parameterBox(4)->setEditText(u"р777рр 150"_s);
        QVERIFY(storedTare->isVisible());
        QCOMPARE(entry()->storedTareLabel()->text(), u"Сохранённая тара: 11500 кг от 09.12.2026"_s);
        weigh(29500);
        key(Qt::Key_F6);
        const CargoCard single = slot(kToday, 2);
        QCOMPARE(single.operationType, OperationTypes::single());
        QCOMPARE(single.status, Statuses::complete());
        QCOMPARE(single.gross, 29500.0);
        QCOMPARE(single.tare, 11500.0);
        QCOMPARE(single.net, 18000.0);
        QVERIFY(single.date2 != 0);
        // The type chosen before stays for the next vehicle.
        QCOMPARE(entry()->operationTypeBox()->currentText(), OperationTypes::unloading());
        const QString note = u"тара из справочника от 09.12.2026"_s;
        QCOMPARE(m_p->weighing->tareNotes().noteFor(single.id), note);
        QVERIFY(logText().contains(note));
        QVERIFY(m_p->weighing->tareNotes().noteFor(slot(kToday, 1).id).isEmpty());

        // The act and the cheque say so.
        m_p->shell->SelectMode(MainShell::Mode::View);
        m_p->weighing->chooseTodayCard(2);
        m_p->window->menuAction(u"Квитанция без фото"_s)->trigger();
        QString act = lastPrinted();
        QVERIFY2(act.contains(u"("_s + note + u')'), qPrintable(act));
        QVERIFY(act.indexOf(note) > act.indexOf(u"Тары"_s));
        m_p->clock.setNow(m_p->clock.now().addSecs(2));
        m_p->window->menuAction(u"Чек"_s)->trigger();
        QVERIFY(lastPrinted().contains(note));

        // Too old for the age limit: not offered; no limit: offered again.
        known->tareDate = kToday.addDays(-31);
        QVERIFY(vehicles.replaceAll({*known}));
        m_p->context->operatorSettings.setStoredTareMaxAge(30);
        m_p->shell->SelectMode(MainShell::Mode::DataEntry);
        entry()->parameterBox(4)->setEditText(QString());
        entry()->parameterBox(4)->setEditText(u"Р777РР 150"_s);
        QVERIFY(storedTare->isHidden());
        key(Qt::Key_F6);
        QCOMPARE(m_p->days->ReadDayCard(kToday, 3).holdsCard(), false);
        m_p->context->operatorSettings.setStoredTareMaxAge(0);
        m_p->weighing->updateOfferedTare();
        QVERIFY(storedTare->isVisible());

        // A tare typed for a single weighing is noted as typed.
        entry()->parameterBox(4)->setEditText(u"Х001ХХ"_s);
        m_p->weighing->selectOperationType(OperationTypes::single());
        m_p->weighing->setTareFieldText(u"9000"_s);
        weigh(20000);
        key(Qt::Key_F2);
        QCOMPARE(slot(kToday, 3).tare, 9000.0);
        QCOMPARE(m_p->weighing->tareNotes().noteFor(slot(kToday, 3).id), u"тара введена с клавиатуры"_s);
    }

    void newValuesJoinTheirListsAndComplete()
    {
        QComboBox *plate = entry()->parameterBox(4);
        QCOMPARE(plate->count(), 0);
        weigh(30000);
        plate->setEditText(u"А12ВС 77"_s);
        entry()->parameterBox(0)->setEditText(u"  Песок речной "_s);
        key(Qt::Key_F2);
        // In the list files in their own format, and in the boxes at once.
        QCOMPARE(m_p->extras->Combo_1C()[VehicleNumber], QStringList{u"А12ВС 77"_s});
        QCOMPARE(m_p->extras->Combo_1C()[CargoName], QStringList{u"Песок речной"_s});
        QCOMPARE(QFileInfo(m_p->context->folders.BaseFolder + u"5.txt"_s).size(), 6600);
        QCOMPARE(plate->count(), 1);
        // A value already listed is not listed twice (a new card for the
        // same truck, as the operator confirms).
        plate->setEditText(u"А12ВС 77"_s);
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->done(QMessageBox::Yes);
        });
        key(Qt::Key_F2);
        QCOMPARE(m_p->extras->Combo_1C()[VehicleNumber].size(), 1);
        // The box completes from "а12", any case, any part.
        plate->setEditText(QString());
        plate->lineEdit()->setFocus();
        plate->completer()->setCompletionPrefix(u"а12"_s);
        QCOMPARE(plate->completer()->completionCount(), 1);
        QCOMPARE(plate->completer()->currentCompletion(), u"А12ВС 77"_s);
        plate->completer()->setCompletionPrefix(u"вс 7"_s);
        QCOMPARE(plate->completer()->completionCount(), 1);

        // Off: a new value stays out of the list.
        m_p->context->operatorSettings.setLearnPickLists(false);
        plate->setEditText(u"О999ОО"_s);
        key(Qt::Key_F2);
        QCOMPARE(m_p->extras->Combo_1C()[VehicleNumber].size(), 1);
    }

    void closeBoxAsksAndTheVerificationDateWarns()
    {
        const auto answer = [](QMessageBox::StandardButton button) {
            QTimer::singleShot(0, [button] {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                        box->button(button)->click();
            });
        };
        // Cancelled: the window stays, nothing is logged.
        answer(QMessageBox::Cancel);
        QVERIFY(!m_p->window->close());
        QVERIFY(m_p->window->isVisible());
        QVERIFY(!logText().contains(u"Выход из программы"_s));
        QCOMPARE(m_p->quits, 0);
        answer(QMessageBox::Ok);
        QVERIFY(m_p->window->close());
        QVERIFY(logText().contains(u"Выход из программы:Оператор"_s));
        QCOMPARE(m_p->quits, 1);

        // A new installation shows no date until one is given; a date long
        // past warns, 20 days ahead warns, 60 does not.
        m_p->context->settings.VerificationDate = u"31.12.2012"_s;
        QLabel *scale = m_p->window->findChild<QLabel *>(QString(), Qt::FindChildrenRecursively);
        for (QLabel *l : m_p->window->findChildren<QLabel *>())
            if (l->accessibleName() == u"Данные весов"_s)
                scale = l;
        emit m_p->shell->changed();
        QVERIFY(scale->text().endsWith(u"поверка просрочена"_s));
        QCOMPARE(scale->palette().color(QPalette::WindowText), QColor(Qt::red));
        m_p->context->settings.VerificationDate = kToday.addDays(20).toString(u"dd.MM.yyyy"_s);
        emit m_p->shell->changed();
        QVERIFY(scale->text().endsWith(u"до поверки 20 дн."_s));
        m_p->context->settings.VerificationDate = kToday.addDays(60).toString(u"dd.MM.yyyy"_s);
        emit m_p->shell->changed();
        QVERIFY(scale->text().endsWith(m_p->context->settings.VerificationDate));
        QVERIFY(scale->palette().color(QPalette::WindowText) != QColor(Qt::red));
    }

    void displayStatesAndTheUnsteadyRefusal()
    {
        QLabel *mark = m_p->window->weightPanel()->stateMark();
        // Nothing read yet: no link.
        QCOMPARE(mark->text(), u"НЕТ СВЯЗИ"_s);
        QVERIFY(mark->isVisible());
        weigh(0);
        QCOMPARE(mark->text(), u">0<"_s);
        weigh(25000);
        QVERIFY(mark->isHidden());
        weigh(30500);
        QCOMPARE(mark->text(), u"ПЕРЕГРУЗ"_s);
        QCOMPARE(scaleState(true, 100, true, 30000), ScaleState::Motion);
        QCOMPARE(scaleStateMark(ScaleState::Motion), u"≈"_s);
        QCOMPARE(scaleState(false, 100, true, 30000), ScaleState::NoLink);

        // Unsteady: stored as the scale shows it where the workplace allows
        // it; refused by default.
        weigh(25000);
        m_p->context->operatorSettings.setRefuseUnsteady(false);
        m_p->weighing->setTerminalMotion(true);
        key(Qt::Key_F2);
        QVERIFY(m_p->days->ReadDayCard(kToday, 1).holdsCard());
        m_p->context->operatorSettings.setRefuseUnsteady(true);
        m_p->weighing->setTerminalMotion(true);
        key(Qt::Key_F2);
        QVERIFY(!m_p->days->ReadDayCard(kToday, 2).holdsCard());
        auto *box = m_p->window->findChild<QMessageBox *>();
        QVERIFY(box);
        QCOMPARE(box->text(), u"Вес не стабилен"_s);
        box->close();
        m_p->context->operatorSettings.setRefuseUnsteady(false);
        m_p->weighing->setTerminalMotion(false);
        // Whether a message box said `text`; every box is gone after.
        const auto said = [this](const QString &text) {
            bool found = false;
            for (QMessageBox *b : m_p->window->findChildren<QMessageBox *>()) {
                found = found || b->text() == text;
                delete b;
            }
            return found;
        };
        said(QString());

        // A read without a frame holds the weight on screen, but it is no weighing.
        weigh(25000);
        m_p->link->ReadTick();
        QCOMPARE(m_p->window->weightPanel()->terminalField()->text(), u"25000"_s);
        key(Qt::Key_F2);
        QVERIFY(!m_p->days->ReadDayCard(kToday, 2).holdsCard());
        QVERIFY(said(u"Вес с терминала не обновился: повторите через секунду"_s));

        // The indicator's own overload: its state with red lamps, recorded
        // as an overload, and no weighing; not a lost link.
        m_p->context->settings.TerminalType = 10;
        m_port->incoming = "OL,GS,+0099999kg\r\n"_ba;
        m_p->link->ReadTick();
        QCOMPARE(mark->text(), u"ПЕРЕГРУЗ"_s);
        QCOMPARE(m_p->window->weightPanel()->terminalField()->text(), u"ПЕРЕГРУЗ"_s);
        QCOMPARE(m_p->program->conditioning().lamps[0], WeightConditioning::Red);
        QCOMPARE(m_p->context->settings.OverloadFlag, 1);
        QVERIFY(logText().contains(u"Весы были перегружены: ПЕРЕГРУЗ (индикатор)"_s));
        key(Qt::Key_F2);
        QVERIFY(!m_p->days->ReadDayCard(kToday, 2).holdsCard());
        QVERIFY(said(u"Индикатор весов сообщает: ПЕРЕГРУЗ"_s));
        m_p->context->settings.TerminalType = 1;
    }

    void previewKeepsItsPlaceAndSourceSaysWhatToDo()
    {
        VideoPanel *panel = m_p->window->videoPanel();
        panel->show();
        // Off: "Источник" says what to do instead of doing nothing.
        panel->button(u"Источник"_s)->click();
        QVERIFY(panel->hint()->isVisible());
        QVERIFY(panel->hint()->text().contains(u"«Включить»"_s));

        // Moved by the operator: remembered in the workplace file, used next time.
        m_p->program->video().switchOnUsb();
        QTRY_VERIFY(panel->preview()->isVisible());
        QVERIFY(panel->hint()->isHidden());
        panel->preview()->move(100, 200);
        QTRY_COMPARE(m_p->context->operatorSettings.previewPosition(), std::optional<QPoint>(QPoint(100, 200)));
        const QString file = OperatorSettings::pathBeside(m_p->context->folders.SettingsFile);
        QTRY_VERIFY(QFile::exists(file));
        OperatorSettings reread;
        reread.load(file);
        QCOMPARE(reread.previewPosition(), std::optional<QPoint>(QPoint(100, 200)));
        m_p->program->video().switchOffUsb();
        QTRY_VERIFY(!panel->preview()->isVisible());
        panel->preview()->move(0, 0);
        m_p->program->video().switchOnUsb();
        QTRY_VERIFY(panel->preview()->isVisible());
        QCOMPARE(panel->preview()->pos(), QPoint(100, 200));
        m_p->program->video().switchOffUsb();
        QTRY_VERIFY(!panel->preview()->isVisible());
        // A place off this screen (a larger or a second one before): back inside it.
        panel->setPreviewPosition(QPoint(5000, 3000));
        m_p->program->video().switchOnUsb();
        QTRY_VERIFY(panel->preview()->isVisible());
        QVERIFY(panel->preview()->screen()->availableGeometry().contains(panel->preview()->geometry()));
        m_p->program->video().switchOffUsb();
    }

    void openWeighingsAcrossDays()
    {
        // Two days ago one; the one of 40 days ago is beyond the seven days.
        QTRY_COMPARE(m_p->window->openWeighingsCount()->text(), u"Открытых взвешиваний: 1"_s);
        weigh(20000);
        entry()->parameterBox(4)->setEditText(u"Т010ТТ"_s);
        key(Qt::Key_F2);
        QTRY_COMPARE(m_p->window->openWeighingsCount()->text(), u"Открытых взвешиваний: 2"_s);

        key(Qt::Key_O, Qt::ControlModifier);
        OpenWeighingsWindow *open = m_p->window->openWeighingsWindow();
        QVERIFY(open && open->isVisible());
        QCOMPARE(open->table()->rowCount(), 2);
        QCOMPARE(open->table()->item(0, 3)->text(), u"Т010ТТ"_s);
        open->table()->selectRow(1);
        open->openButton()->click();
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::Archive);
        QVERIFY(m_p->window->archiveFrame()->tareButton()->isVisible());
        // Completed from the archive: one vehicle less on site.
        weigh(9000);
        key(Qt::Key_F4);
        QCOMPARE(slot(kToday.addDays(-2), 1).status, Statuses::complete());
        QTRY_COMPARE(m_p->window->openWeighingsCount()->text(), u"Открытых взвешиваний: 1"_s);
        QTRY_COMPARE(open->table()->rowCount(), 1);
    }
};

QTEST_MAIN(TestOperatorDay)
#include "tst_operator_day.moc"
