#pragma once

// The program put together as main() does, through the same Program, in a
// temporary folder, with the settable clock and whatever terminal a test
// gives it.

#include "app/MainShell.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "core/AccessCodes.h"
#include "common/AbsentPort.h"

#include <QTemporaryDir>
#include <memory>

struct ProgramFixture
{
    QTemporaryDir dir;
    Clock clock;
    std::unique_ptr<Program> program;
    AppContext *context = nullptr;
    ExtraNames *names = nullptr;
    ParamExtras *extras = nullptr;
    EventLog *log = nullptr;
    AccessGate *gate = nullptr;
    DayFiles *days = nullptr;
    TerminalLink *link = nullptr;
    Weighing *weighing = nullptr;
    WeightConditioning *conditioning = nullptr;
    MainShell *shell = nullptr;
    std::unique_ptr<MainWindow> window;
    int quits = 0;

    // The program and the gate's start-up, as at the program's start.
    // Without a port the serial port named in the settings is used.
    // Without a capture source the system's default video input is used.
    // Without an office no workbook is written.
    // `startNow` false: the test prepares the folder and the windows first,
    // then calls start() as main() does after building the main window.
    explicit ProgramFixture(const QDateTime &now, TerminalPort *port = nullptr,
                            std::unique_ptr<CaptureSource> capture = nullptr,
                            std::unique_ptr<SpreadsheetApplication> office = nullptr, bool startNow = true)
    {
        clock.setNow(now);
        program = std::make_unique<Program>(clock, Folders(dir.path()),
                                            Program::Outside{port, std::move(office), std::move(capture),
                                                             PrintSurface::Destination::PdfFiles});
        rebind();
        if (startNow)
            program->start();
    }

    // The pointers into `program`, after it was made (again).
    void rebind()
    {
        context = &program->context();
        names = &program->names();
        extras = &program->extras();
        log = &program->log();
        gate = &program->gate();
        days = &program->days();
        link = &program->link();
        weighing = &program->weighing();
        conditioning = &program->conditioning();
        shell = &program->shell();
        QObject::connect(program.get(), &Program::quitRequested, [this] { ++quits; });
    }

    void start() { program->start(); }

    // The windows; a login opens the main window.
    void build() { window = std::make_unique<MainWindow>(*program); }

    void login() { gate->setCodeText(AccessCodes::defaultOperatorCode(0)); }

    ~ProgramFixture()
    {
        link->closePort();
        window.reset();
    }
};
