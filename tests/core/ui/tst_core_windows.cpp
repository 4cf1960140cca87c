#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/ui/AccessGateWindow.h"
#include "core/ui/EventLogWindow.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestCoreWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<AccessGate> m_gate;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_clock.setNow(QDateTime(QDate(2011, 12, 8), QTime(7, 8, 9)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir->path()));
        m_log = std::make_unique<EventLog>(*m_context);
        m_gate = std::make_unique<AccessGate>(*m_context, *m_log);
        m_context->ApplyDefaults();
        QVERIFY(m_context->LoadOrCreateSettings());
        m_gate->open();
    }

    void gateLogsInWhileTyping()
    {
        AccessGateWindow window(*m_gate);
        QCOMPARE(window.windowTitle(), u"Идентификация"_s);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *entry = window.findChild<QLineEdit *>(u"codeEntry"_s);
        QVERIFY(entry && entry->hasFocus());
        QCOMPARE(window.findChild<QLabel *>()->text(), u"Введите код доступа:"_s);
        QVERIFY(!window.findChild<QProgressBar *>()->isVisible());

        QSignalSpy shown(m_gate.get(), &AccessGate::mainWindowRequested);
        const QString code = m_context->settings.OperatorCode[3];
        QTest::keyClicks(entry, code.chopped(1));
        QCOMPARE(shown.count(), 0);
        QVERIFY(window.isVisible());
        QTest::keyClick(entry, code.back().toLatin1());
        QCOMPARE(shown.count(), 1);
        QVERIFY(!window.isVisible());
        QCOMPARE(m_context->CurrentOperator, u"Оператор  3"_s);

        QFile log(m_context->settings.LogPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("08.12.2011  07:08:09  \xC2\xF5\xEE\xE4 \xE2 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xF3 "
                                           "\xF1 \xE8\xEC\xE5\xED\xE5\xEC:\xCE\xEF\xE5\xF0\xE0\xF2\xEE\xF0  3\r\n"));
    }

    void gateTakesOneCode()
    {
        // "10" begins "100": typing "100" fast logs in once, as "10", and
        // the keys after it are not taken.
        Settings &s = m_context->settings;
        s.OperatorCode[1] = u"10"_s;
        s.OperatorCode[2] = u"100"_s;
        AccessGateWindow window(*m_gate);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *entry = window.findChild<QLineEdit *>(u"codeEntry"_s);
        QSignalSpy shown(m_gate.get(), &AccessGate::mainWindowRequested);
        QTest::keyClicks(entry, u"100"_s);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(m_context->CurrentOperator, s.OperatorName[1]);
        QVERIFY(!window.isVisible());
        QVERIFY(entry->text().isEmpty() && entry->isReadOnly());
        QVERIFY(m_gate->codeText().isEmpty());
        m_gate->setCodeText(u"100"_s);
        QCOMPARE(shown.count(), 1);

        // Shown again, it takes a code once more.
        QSignalSpy opened(m_gate.get(), &AccessGate::purposeAccepted);
        m_gate->ShowGate(AccessGate::ScaleSettings);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!entry->isReadOnly());
        QTest::keyClicks(entry, u"100"_s);
        QCOMPARE(opened.count(), 1);
        QVERIFY(entry->text().isEmpty());
    }

    void gateShownAgain()
    {
        m_gate->setCodeText(m_context->settings.EngineerCode);
        AccessGateWindow window(*m_gate);
        QVERIFY(!window.isVisible());
        auto *entry = window.findChild<QLineEdit *>(u"codeEntry"_s);

        QSignalSpy opened(m_gate.get(), &AccessGate::purposeAccepted);
        m_gate->ShowGate(AccessGate::PortSettings);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(entry->text().isEmpty());

        // Activating the window again empties what was typed.
        QTest::keyClicks(entry, u"73"_s);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activate);
        QVERIFY(entry->text().isEmpty() && m_gate->codeText().isEmpty());

        QTest::keyClicks(entry, m_context->settings.EngineerCode);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.first().first().toInt(), int(AccessGate::PortSettings));
        QVERIFY(!window.isVisible());

        // Day loading shows its progress in the same window.
        m_gate->beginProgress();
        m_gate->stepProgress(1, 2);
        QVERIFY(window.isVisible());
        QCOMPARE(window.findChild<QLabel *>()->text(), u"Загрузка данных"_s);
        QVERIFY(window.findChild<QProgressBar *>()->isVisible());
        QCOMPARE(window.findChild<QProgressBar *>()->value(), 50);
        m_gate->endProgress();
        QVERIFY(!window.isVisible());

        // Closed at another purpose, the program goes on; before a login it ends.
        QSignalSpy quit(m_gate.get(), &AccessGate::quitRequested);
        m_gate->ShowGate(AccessGate::ScaleSettings);
        QVERIFY(window.close());
        QVERIFY(!m_gate->isVisible());
        QCOMPARE(quit.count(), 0);
        m_gate->ShowGate(AccessGate::Login);
        QVERIFY(window.close());
        QCOMPARE(quit.count(), 1);
    }

    void gatePlacedAndEscape()
    {
        // Centred on the screen at the start.
        AccessGateWindow window(*m_gate);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY(qAbs(window.frameGeometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(window.frameGeometry().center().y() - screen.center().y()) <= 1);

        QWidget mainWindow;
        mainWindow.setGeometry(screen.left() + 20, screen.top() + 30, screen.width() / 2, screen.height() / 2);
        window.setAnchorWindow(&mainWindow);
        QSignalSpy quit(m_gate.get(), &AccessGate::quitRequested);
        // Escape must not end the program before a login.
        QTest::keyClick(window.codeEntry(), Qt::Key_Escape);
        QVERIFY(window.isVisible() && m_gate->isVisible());
        QCOMPARE(quit.count(), 0);

        QTest::keyClicks(window.codeEntry(), m_context->settings.EngineerCode);
        QVERIFY(!window.isVisible());
        mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

        // Shown again for a protected entry: over the middle of the main
        // window, not over its menu; Escape backs out, the program goes on.
        for (int purpose : {int(AccessGate::ScaleSettings), int(AccessGate::CardCorrection)}) {
            m_gate->ShowGate(purpose);
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(qAbs(window.frameGeometry().center().x() - mainWindow.frameGeometry().center().x()) <= 1);
            QVERIFY(qAbs(window.frameGeometry().center().y() - mainWindow.frameGeometry().center().y()) <= 1);
            QTest::keyClick(window.codeEntry(), Qt::Key_Escape);
            QVERIFY(!window.isVisible() && !m_gate->isVisible());
        }
        QCOMPARE(quit.count(), 0);

        // A main window at the screen's corner keeps the gate on the screen.
        mainWindow.move(screen.right() - 100, screen.bottom() - 60);
        m_gate->ShowGate(AccessGate::Service);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(screen.contains(window.frameGeometry()));

        // Back at the login prompt Escape leaves the gate open.
        m_gate->ShowGate(AccessGate::Login);
        QTest::keyClick(window.codeEntry(), Qt::Key_Escape);
        QVERIFY(window.isVisible() && m_gate->isVisible());
        QCOMPARE(quit.count(), 0);
    }

    void eventLogWindow()
    {
        m_log->WriteLog(u"первая"_s);
        m_log->WriteLog(u"вторая"_s);
        EventLogWindow window(*m_log);
        QCOMPARE(window.windowTitle(), u"Журнал событий"_s);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.shownText(), u"08.12.2011  07:08:09  первая\n08.12.2011  07:08:09  вторая\n"_s);
        QVERIFY(window.findChild<QPlainTextEdit *>()->isReadOnly());

        // "Выход" hides it; shown again, it reads the journal afresh.
        auto *exit = window.findChild<QPushButton *>();
        QCOMPARE(exit->text(), u"Выход"_s);
        QTest::mouseClick(exit, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        m_log->ClearLog();
        window.show();
        QCOMPARE(window.shownText(), u"08.12.2011  07:08:09  Содержание журнала очищено\n"_s);
    }
};

QTEST_MAIN(TestCoreWindows)
#include "tst_core_windows.moc"
