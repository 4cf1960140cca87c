// The lights, barriers and beams of the weighbridge as the program drives
// them: the simulated I/O module over Modbus TCP on 127.0.0.1, the scale
// fed through the terminal link, cards stored through the main window.

#include "IoSimServer.h"
#include "AccessibleControls.h"
#include "app/ProgramFixture.h"
#include "core/Cp1251.h"
#include "equipment/Weighbridge.h"
#include "equipment/ui/EquipmentWindow.h"
#include "store/DayFileCodec.h"
#include "terminal/FakeTerminalPort.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Coils 0..5: entry green, entry red, exit green, exit red, entry barrier, exit barrier.
const QString Free = u"100110"_s;
const QString Taken = u"010100"_s;
const QString Leaving = u"011001"_s;

} // namespace

class TestWeighbridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    FakeTerminalPort *m_port = nullptr;
    IoSimServer m_sim;

    // The program with `automation` as its automation.ini ("%1": the
    // simulator's port; empty: no file), logged in.
    [[nodiscard]] bool startWith(const QString &automation)
    {
        m_sim.resetCoils();
        for (int i = 0; i < IoSimServer::size; ++i)
            m_sim.setInput(i, true);
        if (!m_sim.listen(0))
            return false;
        m_port = new FakeTerminalPort;
        m_p = std::make_unique<ProgramFixture>(QDateTime(QDate(2026, 12, 10), QTime(10, 0)), m_port, nullptr,
                                               nullptr, false);
        if (!automation.isEmpty()) {
            const QString base = m_p->context->folders.BaseFolder;
            QFile ini(AutomationSettings::filePath(base));
            if (!QDir().mkpath(base) || !ini.open(QIODevice::WriteOnly))
                return false;
            ini.write(automation.arg(m_sim.port()).toUtf8());
        }
        m_p->build();
        m_p->start();
        m_p->login();
        m_p->link->stopPolling();
        m_p->window->clockTimer()->stop();
        return m_p->shell->loaded();
    }
    void weigh(qint64 w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
    }
    QString coils() const
    {
        QString s;
        for (int i = 0; i < 6; ++i)
            s += m_sim.coil(i) ? u'1' : u'0';
        return s;
    }
    int cardsToday() const
    {
        QFile f(dayFilePath(m_p->context->folders, QDate(2026, 12, 10)));
        return f.open(QIODevice::ReadOnly) ? decodeCountRecord(f.readAll()) : 0;
    }
    // Stores a card from the main window; what the operator was told.
    QString store()
    {
        QTest::mouseClick(m_p->window->dataEntryFrame()->storeButton(), Qt::LeftButton);
        QString text;
        for (auto *box : m_p->window->findChildren<QMessageBox *>()) {
            text = box->text();
            delete box;
        }
        return text;
    }
    QString logText() const
    {
        QFile f(m_p->context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }
    static QString enabledIni()
    {
        return u"enabled=1\nio_host=127.0.0.1\nio_port=%1\nio_unit=1\nempty_weight=200\n"_s;
    }

private slots:
    void cleanup()
    {
        m_p.reset();
        m_sim.stop();
    }

    // One truck through the platform, step by step: the lights and barriers
    // after each step, and whether the store goes through.
    void truckThroughThePlatform()
    {
        QVERIFY(startWith(enabledIni()));
        QTRY_COMPARE(m_p->program->equipment().moduleState(), Weighbridge::ModuleState::Answering);
        const QString beam = Weighbridge::beamText();
        struct Step
        {
            const char *what;
            qint64 weight;
            bool entryClear, exitClear;
            bool store;
            QString refusal;
            int cards;
            QString lights;
        };
        const Step steps[] = {
            {"platform free", 0, true, true, false, {}, 0, Free},
            {"truck drives on over the entry beam", 8000, false, true, false, {}, 0, Taken},
            {"a wheel still in the entry beam", 15000, false, true, true, beam, 0, Taken},
            {"a wheel in the exit beam", 15000, true, false, true, beam, 0, Taken},
            {"wholly on the platform", 15000, true, true, true, {}, 1, Leaving},
            {"still on after the store", 15020, true, true, false, {}, 1, Leaving},
            {"driving off through the exit beam", 0, true, false, false, {}, 1, Leaving},
            {"gone", 0, true, true, false, {}, 1, Free},
            {"someone crosses the entry beam of the empty platform", 0, false, true, false, {}, 1, Taken},
            {"next truck on", 14000, true, true, false, {}, 1, Taken},
            {"its store", 14000, true, true, true, {}, 2, Leaving},
            {"it leaves", 100, true, true, false, {}, 2, Free},
        };
        for (const Step &step : steps) {
            m_sim.setInput(0, step.entryClear);
            m_sim.setInput(1, step.exitClear);
            QTRY_VERIFY2(m_p->program->equipment().beamClear(Weighbridge::Beam::Entry) == step.entryClear
                             && m_p->program->equipment().beamClear(Weighbridge::Beam::Exit) == step.exitClear,
                         step.what);
            weigh(step.weight);
            if (step.store)
                QVERIFY2(store() == step.refusal, step.what);
            QVERIFY2(cardsToday() == step.cards, step.what);
            QTRY_VERIFY2(coils() == step.lights, qPrintable(QString::fromUtf8(step.what) + u": "_s + coils()));
        }
        QCOMPARE(logText().count(beam), 2);
    }

    // The module switched off and on again: the status line says so, no
    // weighing is taken meanwhile, and the outputs are set again.
    void moduleLostAndBack()
    {
        QVERIFY(startWith(enabledIni()));
        QLabel *status = m_p->window->equipmentStatus();
        QTRY_COMPARE(coils(), Free);
        QVERIFY(status->isHidden());
        weigh(15000);
        QTRY_COMPARE(coils(), Taken);

        const int port = m_sim.port();
        m_sim.stop();
        QTRY_COMPARE(status->text(), Weighbridge::silentText());
        QVERIFY(!status->isHidden());
        QCOMPARE(store(), Weighbridge::silentText());
        QCOMPARE(cardsToday(), 0);
        // The truck left while the module was off; the module forgot its coils.
        weigh(0);
        m_sim.resetCoils();
        QVERIFY(m_sim.listen(port));
        QTRY_COMPARE(coils(), Free);
        QTRY_VERIFY(status->isHidden());
        QCOMPARE(m_p->window->statusBar()->currentMessage(), Weighbridge::backText());
        weigh(15000);
        QCOMPARE(store(), QString());
        QCOMPARE(cardsToday(), 1);
        QTRY_COMPARE(coils(), Leaving);
        const QString log = logText();
        QVERIFY(log.contains(Weighbridge::silentText() + u": "_s));
        QCOMPARE(log.count(Weighbridge::silentText()), 2);
        QVERIFY(log.contains(Weighbridge::backText()));
    }

    // Without the equipment nothing is refused and no coil is touched; a
    // module that never answers refuses from the start.
    void offOrSilentFromTheStart_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("no file") << QString() << QString();
        QTest::newRow("enabled=0") << u"enabled=0\nio_port=%1\n"_s << QString();
        QTest::newRow("nobody at the port") << u"enabled=1\nio_port=1\nio_unit=%1\n"_s << Weighbridge::silentText();
    }
    void offOrSilentFromTheStart()
    {
        QFETCH(QString, ini);
        QFETCH(QString, refusal);
        QVERIFY(startWith(ini));
        m_sim.setInput(0, false);
        weigh(15000);
        if (!refusal.isEmpty())
            QTRY_COMPARE(m_p->window->equipmentStatus()->text(), refusal);
        QCOMPARE(store(), refusal);
        QCOMPARE(cardsToday(), refusal.isEmpty() ? 1 : 0);
        QCOMPARE(coils(), u"000000"_s);
    }

    // The window behind the engineer's code: live state, outputs by hand
    // while "Ручное управление" is on, new settings applied on saving.
    void equipmentWindow()
    {
        QVERIFY(startWith(enabledIni()));
        QTRY_COMPARE(coils(), Free);
        QAction *entry = nullptr;
        for (QAction *menu : m_p->window->menuBar()->actions())
            if (menu->text() == u"Настройки"_s)
                for (QAction *action : menu->menu()->actions())
                    if (action->text() == u"Оборудование весовой"_s)
                        entry = action;
        QVERIFY(entry);
        entry->trigger();
        QVERIFY(!m_p->window->equipmentWindow());
        m_p->gate->setCodeText(m_p->context->settings.EngineerCode);
        EquipmentWindow *w = m_p->window->equipmentWindow();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(AccessibleControls::badlyNamed(w), QStringList());
        QCOMPARE(w->portField()->value(), m_sim.port());
        QTRY_COMPARE(w->moduleLabel()->text(), u"отвечает"_s);

        m_sim.setInput(1, false);
        QTRY_COMPARE(w->beamLabel(Weighbridge::Beam::Exit)->text(), u"перекрыт"_s);
        QTRY_COMPARE(coils(), Taken);
        QCheckBox *exitBarrier = w->outputBox(Weighbridge::Output::ExitBarrier);
        QVERIFY(!exitBarrier->isEnabled());
        w->manualBox()->setChecked(true);
        QVERIFY(exitBarrier->isEnabled());
        exitBarrier->click();
        QTRY_COMPARE(coils(), u"010101"_s);
        // The beam clears: by hand the barrier stays, the lights too.
        m_sim.setInput(1, true);
        QTRY_COMPARE(w->beamLabel(Weighbridge::Beam::Exit)->text(), u"свободен"_s);
        QCOMPARE(coils(), u"010101"_s);
        if (const QString shots = qEnvironmentVariable("TARVO_SCREENSHOTS"); !shots.isEmpty())
            w->grab().save(shots + u"/equipment-window.png"_s);
        w->close();
        QTRY_COMPARE(coils(), Free);

        // Another module, another port: reached at once, set up from scratch.
        IoSimServer other;
        QVERIFY(other.listen(0));
        entry->trigger();
        m_p->gate->setCodeText(m_p->context->settings.EngineerCode);
        w->portField()->setValue(other.port());
        w->coilField(Weighbridge::Output::EntryGreen)->setValue(7);
        w->saveButton()->click();
        QCOMPARE(w->resultLabel()->text(), u"Сохранено"_s);
        QTRY_VERIFY(other.coil(7) && !other.coil(0) && other.coil(3) && other.coil(4));
        const AutomationSettings saved = AutomationSettings::load(m_p->context->folders.BaseFolder);
        QCOMPARE(saved.ioPort, other.port());
        QCOMPARE(saved.lightEntryGreenCoil, 7);
    }
};

QTEST_MAIN(TestWeighbridge)
#include "tst_weighbridge.moc"
