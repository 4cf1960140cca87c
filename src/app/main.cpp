#include "MainWindow.h"
#include "Program.h"

#include "core/ui/AccessGateWindow.h"
#include "core/ui/AccessibleNames.h"
#include "memory/MemoryCommand.h"
#include "platform/OfficeLoader.h"

#include <QApplication>
#include <QTextStream>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // The camera's page (Qt WebEngine) shares its GL context with the windows;
    // this must be said before the application exists.
    // "--verify" and "--help" need no window, nor a display.
    QStringList arguments;
    for (int k = 1; k < argc; ++k)
        arguments.append(QString::fromLocal8Bit(argv[k]));
    if (MemoryCommand::wanted(arguments)) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        return MemoryCommand::run(arguments, QCoreApplication::applicationDirPath(), out, err);
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tarvo"_s);
    QApplication::setApplicationVersion(u"3.00"_s);
    // What Qt left of the arguments is none of ours.
    if (QApplication::arguments().size() > 1) {
        QTextStream err(stderr);
        err << u"Неизвестный параметр: "_s << QApplication::arguments().at(1) << u"\n\n"_s << MemoryCommand::usage();
        return 2;
    }

    // Qt's own texts (standard buttons, the fields' context menus) in Russian,
    // whatever the machine's locale.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Russian, QLocale::Russia), u"qtbase"_s, u"_"_s,
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // Every combo box reads out its caption, not its current value.
    installCaptionedComboBoxes();

    Clock clock;
    const QString programFolder = QApplication::applicationDirPath();
    Program program(clock, Folders(Folders::chooseProgramFolder(programFolder)),
                    {nullptr, loadSpreadsheetApplication(programFolder), nullptr});
    MainWindow mainWindow(program);
    QObject::connect(&program, &Program::quitRequested, &app, &QApplication::quit);

    program.start();
    AccessGateWindow gateWindow(program.gate());
    gateWindow.setAnchorWindow(&mainWindow);
    return app.exec();
}
