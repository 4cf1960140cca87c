#include "MainShell.h"
#include "MainWindow.h"

#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/ui/AccessGateWindow.h"
#include "platform/SpreadsheetExport.h"
#include "platform/SpreadsheetService.h"
#include "platform/OfficeLoader.h"
#include "store/DayFiles.h"
#include "store/ExtraNames.h"
#include "store/NameFileHooks.h"
#include "store/ParamExtras.h"
#include "terminal/TerminalLink.h"
#include "terminal/WeightConditioning.h"
#include "weighing/CargoCard.h"
#include "weighing/Weighing.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tarvo"_s);
    QApplication::setApplicationVersion(u"3.00"_s);

    Clock clock;
    AppContext context(clock, Folders(Folders::chooseProgramFolder(QApplication::applicationDirPath())));
    ExtraNames extraNames;
    ParamExtras paramExtras(extraNames, context.folders.BaseFolder);
    installNameFileHooks(context, extraNames);
    // Workbooks are written by a headless office on a worker of their own:
    // the probe only starts it, so the gate appears at once.
    SpreadsheetService spreadsheetService(loadSpreadsheetApplication(QApplication::applicationDirPath()));
    SpreadsheetExport spreadsheet(context, spreadsheetService);
    context.hooks.probeSpreadsheet = [&] { return spreadsheet.probe(); };
    context.hooks.createTemplateIfMissing = [&] { spreadsheet.CreateSpreadsheetTemplate(); };

    EventLog log(context);
    AccessGate gate(context, log);
    WorkingCards cards;
    DayFiles days(context, log, cards);
    days.setProgressDisplay(&gate);
    days.setConstantNamesHook([&] {
        for (int i = 0; i < CardTextCount; ++i)
            extraNames.constantNames[size_t(i)][0] = context.settings.ParamNames[size_t(i)];
    });
    TerminalLink link(context);
    Weighing weighing(context, days, cards);
    WeightConditioning conditioning(context, log);
    MainShell shell(context, log, days, weighing);
    shell.hooks.ensureDayWorkbook = [&] { spreadsheet.EnsureDayWorkbooks(false); };
    weighing.hooks.prepareSpreadsheets = [&] { spreadsheet.EnsureDayWorkbooks(true); };
    MainWindow mainWindow(context, log, gate, days, cards, link, weighing, conditioning, shell);
    mainWindow.setParamExtras(paramExtras);
    QObject::connect(&gate, &AccessGate::mainWindowRequested, &mainWindow, &MainWindow::showLoaded);
    QObject::connect(&gate, &AccessGate::purposeAccepted, &mainWindow, &MainWindow::openPurpose);
    QObject::connect(&gate, &AccessGate::quitRequested, &app, [&] {
        if (context.hooks.releaseSpreadsheet)
            context.hooks.releaseSpreadsheet();
        QApplication::quit();
    });

    gate.startUp();
    // The office stays up after start-up; it is ended when the program ends.
    context.hooks.releaseSpreadsheet = [&] { spreadsheet.release(); };
    AccessGateWindow gateWindow(gate);
    return app.exec();
}
