#include "OfficeLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

namespace {

using Factory = SpreadsheetApplication *(*)();

std::unique_ptr<SpreadsheetApplication> tryLoad(const QString &path)
{
    // Never unloaded: the application object's code lives in the plugin.
    auto *library = new QLibrary(path);
    if (!library->load()) {
        delete library;
        return nullptr;
    }
    const auto create = reinterpret_cast<Factory>(library->resolve("tarvoCreateSpreadsheetApplication"));
    return std::unique_ptr<SpreadsheetApplication>(create ? create() : nullptr);
}

} // namespace

QStringList officePluginCandidates(const QString &executableFolder)
{
    // Relative paths only, so an installed copy or a moved build still finds
    // its plugin: beside the executable (the build), then in the library
    // folder an installation puts it in.
    QStringList folders{executableFolder};
    // The running program's own folder, when the caller named another one
    // (a test, or a copy of the executable started from its build).
    if (QCoreApplication::instance()) {
        const QString own = QCoreApplication::applicationDirPath();
        if (!own.isEmpty() && QDir(own) != QDir(executableFolder))
            folders << own;
    }
    const QString name = QStringLiteral(TARVO_OFFICE_PLUGIN_NAME);
    QStringList paths;
    for (const QString &folder : std::as_const(folders)) {
        paths << QDir::cleanPath(folder + u'/' + name);
        paths << QDir::cleanPath(folder + u'/' + QStringLiteral(TARVO_OFFICE_PLUGIN_RELDIR) + u'/' + name);
    }
    return paths;
}

std::unique_ptr<SpreadsheetApplication> loadSpreadsheetApplication(const QString &executableFolder)
{
    for (const QString &path : officePluginCandidates(executableFolder)) {
        if (auto app = tryLoad(path))
            return app;
    }
    return nullptr;
}
