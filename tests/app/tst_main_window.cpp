#include "app/MainShell.h"
#include "app/MainWindow.h"
#include "core/AccessCodes.h"
#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/EventLog.h"
#include "reports/ui/ReportFrame.h"
#include "store/DayFiles.h"
#include "store/ui/ArchiveFrame.h"
#include "store/ui/DayListView.h"
#include "terminal/TerminalLink.h"
#include "terminal/TerminalPort.h"
#include "terminal/ui/ScaleSettingsWindow.h"
#include "terminal/ui/ServiceWindow.h"
#include "weighing/CargoCard.h"
#include "weighing/Weighing.h"
#include "terminal/WeightConditioning.h"
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
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A terminal that is never there.
class AbsentPort : public TerminalPort
{
public:
    bool open(const PortParameters &) override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    bool write(const QByteArray &) override { return false; }
    QByteArray readAll() override { return {}; }
    Fault fault() const override { return Fault::NotFound; }
    QString faultText() const override { return u"Порт не обнаружен"_s; }
};

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

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<AccessGate> m_gate;
    WorkingCards m_cards;
    std::unique_ptr<DayFiles> m_days;
    std::unique_ptr<TerminalLink> m_link;
    std::unique_ptr<Weighing> m_weighing;
    std::unique_ptr<WeightConditioning> m_conditioning;
    std::unique_ptr<MainShell> m_shell;
    std::unique_ptr<MainWindow> m_window;
    int m_quits = 0;

    QString logText() const
    {
        QFile f(m_context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }

private slots:
    void init()
    {
        m_window.reset();
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir.path()));
        m_log = std::make_unique<EventLog>(*m_context);
        m_gate = std::make_unique<AccessGate>(*m_context, *m_log);
        m_gate->startUp();
        m_cards = WorkingCards();
        m_days = std::make_unique<DayFiles>(*m_context, m_cards);
        m_days->setProgressDisplay(m_gate.get());
        m_link = std::make_unique<TerminalLink>(*m_context, new AbsentPort);
        m_weighing = std::make_unique<Weighing>(*m_context, *m_days, m_cards);
        m_conditioning = std::make_unique<WeightConditioning>(*m_context, *m_log);
        m_shell = std::make_unique<MainShell>(*m_context, *m_log, *m_days, *m_weighing);
        m_window = std::make_unique<MainWindow>(*m_context, *m_log, *m_gate, *m_days, m_cards, *m_link, *m_weighing,
                                                *m_conditioning, *m_shell);
        connect(m_gate.get(), &AccessGate::mainWindowRequested, m_window.get(), &MainWindow::showLoaded);
        connect(m_gate.get(), &AccessGate::purposeAccepted, m_window.get(), &MainWindow::openPurpose);
        m_quits = 0;
        m_shell->hooks.quit = [this] { ++m_quits; };
    }
    void cleanup()
    {
        m_link->stopPolling();
        m_window.reset();
    }

    void loginOpensTheLoadedWindow()
    {
        m_gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QVERIFY(m_window->isVisible());
        QVERIFY(m_shell->loaded());
        QVERIFY(m_window->windowTitle().startsWith(u"Kalvenstrom       Tarvo v.3.00            Сегодня: 09.12.2026"_s));
        QVERIFY(m_window->clockTimer()->isActive());
        QCOMPARE(m_window->clockTimer()->interval(), 1000);
        QCOMPARE(m_window->weightPanel()->sumSwitch()->text(), u"0ff"_s);
        QCOMPARE(m_window->weightPanel()->unitLabel()->text(), u"кг"_s);
        QCOMPARE(m_window->advertCaption()->text(), m_context->settings.AdvertCaption);
        QCOMPARE(m_window->advertCaption()->font().pointSize(), 26);
        QCOMPARE(m_window->dataEntryFrame()->operationTypeBox()->currentText(), u"Разгрузка"_s);
        QVERIFY(m_window->dataEntryFrame()->storeButton()->isVisible());
        QVERIFY(!m_window->portStatus()->text().isEmpty());

        // Captions come from the parameter names.
        const auto boxes = m_window->dataEntryFrame()->findChildren<QLabel *>();
        QVERIFY(std::any_of(boxes.begin(), boxes.end(), [](QLabel *l) { return l->text() == u"Наименование груза"_s; }));

        // The sum switch twice: back where it started.
        QTest::mouseClick(m_window->weightPanel()->sumSwitch(), Qt::LeftButton);
        QCOMPARE(m_window->weightPanel()->sumSwitch()->text(), u"0n"_s);
        QTest::mouseClick(m_window->weightPanel()->sumSwitch(), Qt::LeftButton);
        QCOMPARE(m_window->weightPanel()->sumSwitch()->text(), u"0ff"_s);
        QCOMPARE(m_window->weightPanel()->sumWeightField()->text(), u"0"_s);
        QCOMPARE(m_window->weightPanel()->sumCountField()->text(), u"0"_s);

        // "Автомат" hides "Записать" and picks the single weighing.
        m_window->weightPanel()->autoBox()->setChecked(true);
        QVERIFY(!m_window->dataEntryFrame()->storeButton()->isVisible());
        QCOMPARE(m_window->dataEntryFrame()->operationTypeBox()->currentText(), u"Одинарная"_s);
        m_window->weightPanel()->autoBox()->setChecked(false);
        QVERIFY(m_window->dataEntryFrame()->storeButton()->isVisible());
        QCOMPARE(m_window->dataEntryFrame()->operationTypeBox()->currentText(), u"Одинарная"_s);
    }

    void autoStartLogin()
    {
        m_context->settings.AutoStart = 1;
        m_gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QVERIFY(m_window->weightPanel()->autoBox()->isChecked());
        QVERIFY(!m_window->dataEntryFrame()->storeButton()->isVisible());
        QCOMPARE(m_window->dataEntryFrame()->operationTypeBox()->currentText(), u"Одинарная"_s);
    }

    void modesAndMenu()
    {
        m_gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        QTest::mouseClick(m_window->modeButton(2), Qt::LeftButton);
        QCOMPARE(m_shell->mode(), MainShell::Mode::Archive);
        QVERIFY(m_window->archiveFrame()->isVisible());
        QVERIFY(!m_window->dataEntryFrame()->isVisible());
        QTest::mouseClick(m_window->modeButton(3), Qt::LeftButton);
        QVERIFY(m_window->reportFrame()->isVisible());
        QVERIFY(!m_window->archiveFrame()->isVisible());
        QTest::mouseClick(m_window->modeButton(0), Qt::LeftButton);
        QVERIFY(m_window->dataEntryFrame()->isVisible());
        QVERIFY(m_window->todayList()->isVisible());

        for (const QString &caption : {u"Квитанция с фото"_s, u"Квитанция без фото"_s, u"ТН"_s, u"Чек"_s,
                                       u"Просмотр событий"_s, u"Выход"_s, u"Правка"_s, u"Настроить"_s, u"Сервис"_s,
                                       u"Настройки"_s, u"СОМ порт"_s, u"Терминал"_s, u"USB/PCI"_s, u"IP"_s})
            QVERIFY2(m_window->menuAction(caption), qPrintable(caption));

        // "Правка" does nothing while editing is not permitted.
        m_context->settings.EditPermissions[0] = 0;
        m_gate->activate();
        m_window->menuAction(u"Правка"_s)->trigger();
        QCOMPARE(m_context->GatePurpose, 0);
        QVERIFY(!m_gate->isVisible());
        m_context->settings.EditPermissions[0] = 1;
        m_window->menuAction(u"Правка"_s)->trigger();
        QCOMPARE(m_context->GatePurpose, 6);
        QVERIFY(m_gate->isVisible());
        m_window->menuAction(u"СОМ порт"_s)->trigger();
        QCOMPARE(m_context->GatePurpose, 2);
        m_window->menuAction(u"IP"_s)->trigger();
        QCOMPARE(m_context->GatePurpose, 9);
    }

    void exitQuestion()
    {
        m_gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        const QString before = logText();
        QString asked;
        answerNextMessageBox(QMessageBox::Cancel, &asked);
        QVERIFY(!m_window->exitProgram());
        QCOMPARE(asked, u"Внимание!|Вы действительно хотите закончить работу с программой ?"_s);
        QCOMPARE(logText(), before);
        QCOMPARE(m_quits, 0);

        answerNextMessageBox(QMessageBox::Ok);
        QVERIFY(m_window->exitProgram());
        QCOMPARE(m_quits, 1);
        const QStringList added = logText().mid(before.size()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(added.size(), 2);
        QVERIFY(added[0].endsWith(u"09:30:00 09.12.2026 Выход из программы "_s));
        QVERIFY(added[1].endsWith(u"Выход из программы:"_s + m_context->CurrentOperator));
        QVERIFY(!m_link->portOpen());
    }

    void scaleAndServiceWindows()
    {
        m_gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        m_window->openPurpose(AccessGate::ScaleSettings);
        ScaleSettingsWindow *scale = m_window->scaleSettingsWindow();
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
        QCOMPARE(m_context->settings.PollPeriodMs, 300);
        QCOMPARE(m_context->settings.ParamNames[16], u"Брутто,т"_s);
        QCOMPARE(m_window->advertCaption()->text(), u"Весовая"_s);
        QCOMPARE(m_window->weightPanel()->unitLabel()->text(), u"т"_s);

        // Axle program: the axle controls appear, "Автомат" goes.
        m_window->openPurpose(AccessGate::ScaleSettings);
        scale->axleButton()->click();
        QVERIFY(m_window->weightPanel()->axleButton(0)->isVisible());
        QVERIFY(!m_window->weightPanel()->autoBox()->isVisible());
        scale->platformButton()->click();
        QVERIFY(!m_window->weightPanel()->axleButton(0)->isVisible());
        QVERIFY(m_window->weightPanel()->autoBox()->isVisible());

        m_window->openPurpose(AccessGate::Service);
        ServiceWindow *service = m_window->serviceWindow();
        QVERIFY(service && service->isVisible());
        service->modelField()->setText(u"ВСП-60"_s);
        service->tareBox()->setChecked(true);
        QCOMPARE(service->save(), u"Изменения приняты"_s);
        QVERIFY(!m_window->weightPanel()->tareField()->isReadOnly());
        QVERIFY(m_window->findChildren<QLabel *>().size() > 0);
        bool shown = false;
        for (QLabel *l : m_window->findChildren<QLabel *>())
            shown = shown || l->text().contains(u"Марка весов: ВСП-60"_s);
        QVERIFY(shown);
    }

    void screenshots()
    {
        // Set TARVO_SCREENSHOTS to a folder to look at the four modes.
        const QString folder = qEnvironmentVariable("TARVO_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("TARVO_SCREENSHOTS not set");
        m_gate->setCodeText(AccessCodes::defaultOperatorCode(0));
        m_window->weightPanel()->setTerminalText(u"30100"_s);
        for (int i = 0; i < 4; ++i) {
            m_window->modeButton(i)->click();
            QVERIFY(m_window->grab().save(folder + u"/mode"_s + QString::number(i) + u".png"_s));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
