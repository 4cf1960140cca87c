#include "StandInMainWindow.h"

#include "core/AccessGate.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/ui/AccessGateWindow.h"
#include "store/ExtraNames.h"
#include "store/NamePlusFile.h"
#include "store/PickListFile.h"

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
    context.hooks.applyDefaultNames = [&] { extraNames.applyDefaults(context.settings.ParamNames); };
    context.hooks.writeDefaultNameFiles = [&] {
        saveExtraNames(extraNames, context.folders.BaseFolder);
        WritePickListHeaders(extraNames, context.folders.BaseFolder);
    };

    EventLog log(context);
    AccessGate gate(context, log);
    StandInMainWindow mainWindow(context, log);
    QObject::connect(&gate, &AccessGate::mainWindowRequested, &mainWindow, &StandInMainWindow::showLoaded);
    QObject::connect(&gate, &AccessGate::quitRequested, &app, [&] {
        if (context.hooks.releaseSpreadsheet)
            context.hooks.releaseSpreadsheet();
        QApplication::quit();
    });

    gate.startUp();
    AccessGateWindow gateWindow(gate);
    return app.exec();
}
