#include "AppContext.h"

#include "SettingsFile.h"

#include <QDir>

AppContext::AppContext(Clock &clock, const Folders &folders)
    : clock(clock)
    , folders(folders)
{
}

void AppContext::ApplyDefaults()
{
    ::ApplyDefaults(settings, folders);
}

StoreResult AppContext::storeSettings()
{
    return StoreSettings(settings, folders.SettingsFile);
}

StoreResult AppContext::LoadOrCreateSettings(bool *firstStartOut)
{
    // What a save interrupted by a crash left beside the settings file.
    if (PathExists(folders.BaseFolder))
        removeLeftoverSaveFiles(folders.SettingsFile);
    const bool firstStart = !PathExists(folders.BaseFolder) || !PathExists(folders.SettingsFile);
    StoreResult stored;
    if (firstStart) {
        QDir().mkpath(folders.BaseFolder);
        ApplyDefaults();
        stored = storeSettings();
    } else {
        LoadSettings(settings, folders.SettingsFile);
    }
    folders.createMonthDataFolder(clock.today());
    if (!PathExists(folders.TemplateFolder))
        QDir().mkdir(folders.TemplateFolder);
    if (firstStartOut)
        *firstStartOut = firstStart;
    return stored;
}

void AppContext::createMonthFolders() const
{
    folders.createMonthDataFolder(clock.today());
    folders.createMonthResultFolder(settings.ResultFolder, clock.today());
}
