#include "ProgramFixture.h"
#include "core/Cp1251.h"
#include "reports/ui/ReportFrame.h"
#include "archive/ui/ArchiveFrame.h"
#include "store/ui/DayListView.h"
#include "terminal/ui/ScaleSettingsWindow.h"
#include "terminal/ui/ServiceWindow.h"
#include "weighing/ui/DataEntryFrame.h"
#include "weighing/ui/WeightPanel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Answers the next message box with `button`.
void answerNextMessageBox(QMessageBox::StandardButton button, QString *text = nullptr)
{
    QTimer::singleShot(0, [button, text] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                if (text)
                    *text = box->windowTitle() + u'|' + box->text();
                box->button(button)->click();
                return;
            }
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;

    QString logText() const
    {
        QFile f(m_p->context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }

private slots:
    void init()
    {
        m_p.reset();
        m_p = std::make_unique<ProgramFixture>(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)), new AbsentPort);
        m_p->build();
    }
    void cleanup() { m_p.reset(); }

    void loginOpensTheLoadedWindow()
    {
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QVERIFY(m_p->window->isVisible());
        QVERIFY(m_p->shell->loaded());
        QVERIFY(m_p->window->windowTitle().startsWith(u"Kalvenstrom       Tarvo v.3.00            Сегодня: 09.12.2026"_s));
        QVERIFY(m_p->window->clockTimer()->isActive());
        QCOMPARE(m_p->window->clockTimer()->interval(), 1000);
        QCOMPARE(m_p->window->weightPanel()->sumSwitch()->text(), u"0ff"_s);
        QCOMPARE(m_p->window->weightPanel()->unitLabel()->text(), u"кг"_s);
        QCOMPARE(m_p->window->advertCaption()->text(), m_p->context->settings.AdvertCaption);
        QCOMPARE(m_p->window->advertCaption()->font().pointSize(), 26);
        QCOMPARE(m_p->window->dataEntryFrame()->operationTypeBox()->currentText(), u"Разгрузка"_s);
        QVERIFY(m_p->window->dataEntryFrame()->storeButton()->isVisible());
        QVERIFY(!m_p->window->portStatus()->text().isEmpty());

        // Captions come from the parameter names.
        const auto boxes = m_p->window->dataEntryFrame()->findChildren<QLabel *>();
        QVERIFY(std::any_of(boxes.begin(), boxes.end(), [](QLabel *l) { return l->text() == u"Наименование груза"_s; }));

        // The sum switch twice: back where it started.
        QTest::mouseClick(m_p->window->weightPanel()->sumSwitch(), Qt::LeftButton);
        QCOMPARE(m_p->window->weightPanel()->sumSwitch()->text(), u"0n"_s);
        QTest::mouseClick(m_p->window->weightPanel()->sumSwitch(), Qt::LeftButton);
        QCOMPARE(m_p->window->weightPanel()->sumSwitch()->text(), u"0ff"_s);
        QCOMPARE(m_p->window->weightPanel()->sumWeightField()->text(), u"0"_s);
        QCOMPARE(m_p->window->weightPanel()->sumCountField()->text(), u"0"_s);

        // "Автомат" hides "Записать" and picks the single weighing.
        m_p->window->weightPanel()->autoBox()->setChecked(true);
        QVERIFY(!m_p->window->dataEntryFrame()->storeButton()->isVisible());
        QCOMPARE(m_p->window->dataEntryFrame()->operationTypeBox()->currentText(), u"Одинарная"_s);
        m_p->window->weightPanel()->autoBox()->setChecked(false);
        QVERIFY(m_p->window->dataEntryFrame()->storeButton()->isVisible());
        QCOMPARE(m_p->window->dataEntryFrame()->operationTypeBox()->currentText(), u"Одинарная"_s);
    }

    void autoStartLogin()
    {
        m_p->context->settings.AutoStart = 1;
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QVERIFY(m_p->window->weightPanel()->autoBox()->isChecked());
        QVERIFY(!m_p->window->dataEntryFrame()->storeButton()->isVisible());
        QCOMPARE(m_p->window->dataEntryFrame()->operationTypeBox()->currentText(), u"Одинарная"_s);
    }

    void axleButtonsAndAutoBox()
    {
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        WeightPanel *panel = m_p->window->weightPanel();
        panel->autoBox()->click();
        QVERIFY(m_p->shell->autoMode());

        // "Осевая" clears and hides "Автомат"; the axles appear, all free.
        m_p->window->openPurpose(AccessGate::ScaleSettings);
        m_p->window->scaleSettingsWindow()->axleButton()->click();
        QVERIFY(!panel->autoBox()->isChecked());
        QVERIFY(!m_p->shell->autoMode());
        QVERIFY(m_p->window->dataEntryFrame()->storeButton()->isVisible());
        QVERIFY(panel->axleButton(7)->isVisible());
        QCOMPARE(panel->axleButton(7)->text(), u"Ось 8"_s);
        QCOMPARE(panel->axleField(0)->text(), u"0"_s);
        QVERIFY(panel->axleField(0)->styleSheet().contains(u"#ffff80"_s));

        m_p->weighing->setTerminalConnected(true);
        m_p->weighing->setTerminalWeight(5.2);
        QTest::mouseClick(panel->axleButton(0), Qt::LeftButton);
        QCOMPARE(panel->axleField(0)->text(), u"5,2"_s);
        QVERIFY(panel->axleButton(0)->styleSheet().contains(u"#80ff80"_s));
        QVERIFY(panel->axleField(0)->styleSheet().contains(u"#80ff80"_s));
        QCOMPARE(panel->grossField()->text(), u"5,2"_s);
        QTest::mouseClick(panel->axleButton(0), Qt::LeftButton);
        QCOMPARE(panel->axleField(0)->text(), u"0"_s);
        QVERIFY(panel->axleButton(0)->styleSheet().isEmpty());
        QCOMPARE(panel->grossField()->text(), u"0"_s);
    }

    void modesAndMenu()
    {
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QTest::mouseClick(m_p->window->modeButton(2), Qt::LeftButton);
        QCOMPARE(m_p->shell->mode(), MainShell::Mode::Archive);
        QVERIFY(m_p->window->archiveFrame()->isVisible());
        QVERIFY(!m_p->window->dataEntryFrame()->isVisible());
        QTest::mouseClick(m_p->window->modeButton(3), Qt::LeftButton);
        QVERIFY(m_p->window->reportFrame()->isVisible());
        QVERIFY(!m_p->window->archiveFrame()->isVisible());
        QTest::mouseClick(m_p->window->modeButton(0), Qt::LeftButton);
        QVERIFY(m_p->window->dataEntryFrame()->isVisible());
        QVERIFY(m_p->window->todayList()->isVisible());
        // The live panel says whose weights it shows.
        const QLabel *source = m_p->window->weightPanel()->sourceLabel();
        QCOMPARE(source->text(), u"Веса с весов"_s);
        QTest::mouseClick(m_p->window->modeButton(1), Qt::LeftButton);
        QCOMPARE(source->text(), u"Веса карточки, не весов"_s);
        QTest::mouseClick(m_p->window->modeButton(2), Qt::LeftButton);
        QCOMPARE(source->text(), u"Веса архивной карточки, не весов"_s);
        QTest::mouseClick(m_p->window->modeButton(3), Qt::LeftButton);
        QCOMPARE(source->text(), u"Веса архивной карточки, не весов"_s);
        QTest::mouseClick(m_p->window->modeButton(0), Qt::LeftButton);
        QVERIFY(source->isVisible() && source->text() == u"Веса с весов"_s);

        for (const QString &caption : {u"Квитанция с фото"_s, u"Квитанция без фото"_s, u"ТН"_s, u"Чек"_s,
                                       u"Просмотр событий"_s, u"Выход"_s, u"Правка"_s, u"Настроить"_s, u"Сервис"_s,
                                       u"Настройки"_s, u"СОМ порт"_s, u"Терминал"_s, u"USB/PCI"_s, u"IP"_s})
            QVERIFY2(m_p->window->menuAction(caption), qPrintable(caption));

        // "Правка" does nothing while editing is not permitted.
        m_p->context->settings.EditPermissions[0] = 0;
        m_p->gate->activate();
        m_p->window->menuAction(u"Правка"_s)->trigger();
        QCOMPARE(m_p->context->GatePurpose, 0);
        QVERIFY(!m_p->gate->isVisible());
        m_p->context->settings.EditPermissions[0] = 1;
        m_p->window->menuAction(u"Правка"_s)->trigger();
        QCOMPARE(m_p->context->GatePurpose, 6);
        QVERIFY(m_p->gate->isVisible());
        m_p->window->menuAction(u"СОМ порт"_s)->trigger();
        QCOMPARE(m_p->context->GatePurpose, 2);
        m_p->window->menuAction(u"IP"_s)->trigger();
        QCOMPARE(m_p->context->GatePurpose, 9);
    }

    void exitQuestion()
    {
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        const QString before = logText();
        QString asked;
        answerNextMessageBox(QMessageBox::Cancel, &asked);
        QVERIFY(!m_p->window->exitProgram());
        QCOMPARE(asked, u"Внимание!|Вы действительно хотите закончить работу с программой ?"_s);
        QCOMPARE(logText(), before);
        QCOMPARE(m_p->quits, 0);

        answerNextMessageBox(QMessageBox::Ok);
        QVERIFY(m_p->window->exitProgram());
        QCOMPARE(m_p->quits, 1);
        const QStringList added = logText().mid(before.size()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(added.size(), 2);
        QVERIFY(added[0].endsWith(u"09:30:00 09.12.2026 Выход из программы "_s));
        QVERIFY(added[1].endsWith(u"Выход из программы:"_s + m_p->context->CurrentOperator));
        QVERIFY(!m_p->link->portOpen());
    }

    void scaleAndServiceWindows()
    {
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        m_p->window->openPurpose(AccessGate::ScaleSettings);
        ScaleSettingsWindow *scale = m_p->window->scaleSettingsWindow();
        QVERIFY(scale && scale->isVisible());
        QCOMPARE(scale->windowTitle(), u"Настройка весов"_s);
        scale->field(u"Период опроса весов 300..10000мс"_s)->setText(u"250"_s);
        scale->field(u"единица измерения веса"_s)->setText(u"т"_s);
        scale->field(u"Рекламная надпись:"_s)->setText(u"Весовая"_s);
        QPushButton *exit = nullptr;
        for (QPushButton *b : scale->findChildren<QPushButton *>())
            if (b->text() == u"Выход"_s)
                exit = b;
        QVERIFY(exit);
        QTest::mouseClick(exit, Qt::LeftButton);
        QVERIFY(!scale->isVisible());
        QCOMPARE(m_p->context->settings.PollPeriodMs, 300);
        QCOMPARE(m_p->context->settings.ParamNames[16], u"Брутто,т"_s);
        QCOMPARE(m_p->window->advertCaption()->text(), u"Весовая"_s);
        QCOMPARE(m_p->window->weightPanel()->unitLabel()->text(), u"т"_s);

        // Axle program: the axle controls appear, "Автомат" goes.
        m_p->window->openPurpose(AccessGate::ScaleSettings);
        scale->axleButton()->click();
        QVERIFY(m_p->window->weightPanel()->axleButton(0)->isVisible());
        QVERIFY(!m_p->window->weightPanel()->autoBox()->isVisible());
        scale->platformButton()->click();
        QVERIFY(!m_p->window->weightPanel()->axleButton(0)->isVisible());
        QVERIFY(m_p->window->weightPanel()->autoBox()->isVisible());

        m_p->window->openPurpose(AccessGate::Service);
        ServiceWindow *service = m_p->window->serviceWindow();
        QVERIFY(service && service->isVisible());
        service->modelField()->setText(u"ВСП-60"_s);
        service->tareBox()->setChecked(true);
        QCOMPARE(service->save(), u"Изменения приняты"_s);
        QVERIFY(!m_p->window->weightPanel()->tareField()->isReadOnly());
        QVERIFY(m_p->window->findChildren<QLabel *>().size() > 0);
        bool shown = false;
        for (QLabel *l : m_p->window->findChildren<QLabel *>())
            shown = shown || l->text().contains(u"Марка весов: ВСП-60"_s);
        QVERIFY(shown);
    }

    void screenshots()
    {
        // Set TARVO_SCREENSHOTS to a folder to look at the four modes.
        const QString folder = qEnvironmentVariable("TARVO_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("TARVO_SCREENSHOTS not set");
        m_p->gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        m_p->window->weightPanel()->setTerminalText(u"30100"_s);
        for (int i = 0; i < 4; ++i) {
            m_p->window->modeButton(i)->click();
            QVERIFY(m_p->window->grab().save(folder + u"/mode"_s + QString::number(i) + u".png"_s));
        }
        // Axle weighing with two axles fixed, then "Автомат".
        m_p->window->modeButton(0)->click();
        m_p->context->settings.AxleProgram = 1;
        m_p->shell->ApplyServiceSettings();
        m_p->weighing->setTerminalConnected(true);
        for (int k : {0, 1}) {
            m_p->weighing->setTerminalWeight(k == 0 ? 5200 : 6300);
            m_p->window->weightPanel()->axleButton(k)->click();
        }
        QVERIFY(m_p->window->grab().save(folder + u"/axles.png"_s));
        m_p->context->settings.AxleProgram = 0;
        m_p->shell->ApplyServiceSettings();
        m_p->window->weightPanel()->autoBox()->click();
        QVERIFY(m_p->window->grab().save(folder + u"/auto.png"_s));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
