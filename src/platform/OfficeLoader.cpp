#include "OfficeLoader.h"

#include <QLibrary>

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

std::unique_ptr<SpreadsheetApplication> loadSpreadsheetApplication(const QString &executableFolder)
{
    const QString name = QStringLiteral(TARVO_OFFICE_PLUGIN_NAME);
    if (auto app = tryLoad(executableFolder + u'/' + name))
        return app;
    return tryLoad(QStringLiteral(TARVO_OFFICE_PLUGIN_DIR) + u'/' + name);
}
