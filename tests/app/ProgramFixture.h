#pragma once

// The program put together as main() does, in a temporary folder, with the
// settable clock and whatever terminal a test gives it.

#include "app/MainShell.h"
#include "app/MainWindow.h"
#include "core/AccessCodes.h"
#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "store/DayFiles.h"
#include "store/ExtraNames.h"
#include "store/ParamExtras.h"
#include "terminal/TerminalLink.h"
#include "terminal/TerminalPort.h"
#include "terminal/WeightConditioning.h"
#include "weighing/CargoCard.h"
#include "weighing/Weighing.h"

#include <QTemporaryDir>
#include <memory>

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
    QString faultText() const override { return QStringLiteral("Порт не обнаружен"); }
};

struct ProgramFixture
{
    QTemporaryDir dir;
    Clock clock;
    std::unique_ptr<AppContext> context;
    ExtraNames names;
    std::unique_ptr<ParamExtras> extras;
    std::unique_ptr<EventLog> log;
    std::unique_ptr<AccessGate> gate;
    WorkingCards cards;
    std::unique_ptr<DayFiles> days;
    std::unique_ptr<TerminalLink> link;
    std::unique_ptr<Weighing> weighing;
    std::unique_ptr<WeightConditioning> conditioning;
    std::unique_ptr<MainShell> shell;
    std::unique_ptr<MainWindow> window;
    int quits = 0;

    // Folders, settings and the gate's start-up, as at the program's start.
    explicit ProgramFixture(const QDateTime &now)
    {
        clock.setNow(now);
        context = std::make_unique<AppContext>(clock, Folders(dir.path()));
        extras = std::make_unique<ParamExtras>(names, context->folders.BaseFolder);
        context->hooks.applyDefaultNames = [this] { names.applyDefaults(context->settings.ParamNames); };
        context->hooks.writeDefaultNameFiles = [this] {
            extras->saveNames();
            extras->WritePickListHeaders();
        };
        log = std::make_unique<EventLog>(*context);
        gate = std::make_unique<AccessGate>(*context, *log);
        gate->startUp();
    }

    // The rest of the program; a login opens the main window. Without a
    // port the serial port named in the settings is used.
    void build(TerminalPort *port = nullptr)
    {
        days = std::make_unique<DayFiles>(*context, *log, cards);
        days->setProgressDisplay(gate.get());
        link = std::make_unique<TerminalLink>(*context, port);
        weighing = std::make_unique<Weighing>(*context, *days, cards);
        conditioning = std::make_unique<WeightConditioning>(*context, *log);
        shell = std::make_unique<MainShell>(*context, *log, *days, *weighing);
        window = std::make_unique<MainWindow>(*context, *log, *gate, *days, cards, *link, *weighing, *conditioning,
                                              *shell);
        window->setParamExtras(*extras);
        shell->hooks.quit = [this] { ++quits; };
        QObject::connect(gate.get(), &AccessGate::mainWindowRequested, window.get(), &MainWindow::showLoaded);
        QObject::connect(gate.get(), &AccessGate::purposeAccepted, window.get(), &MainWindow::openPurpose);
    }

    void login() { gate->setCodeText(AccessCodes::defaultOperatorCode(0)); }

    ~ProgramFixture()
    {
        if (link)
            link->closePort();
        window.reset();
    }
};
