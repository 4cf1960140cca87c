#pragma once

#include "Clock.h"
#include "Folders.h"
#include "Settings.h"
#include "StoreResult.h"

// The program-wide state that lives from start to exit.
class AppContext
{
public:
    AppContext(Clock &clock, const Folders &folders);

    Clock &clock;
    Folders folders;
    Settings settings;

    QString CurrentOperator;
    int GatePurpose = 0;
    int ExcelAvailable = 0;

    // Settings to their defaults (counters kept).
    void ApplyDefaults();
    // Writes the settings file as the record stands; on failure the reason.
    // Changes go through storeSettingsChange, which also logs a failure.
    StoreResult storeSettings();

    // First start writes the defaults; later starts load the file. Afterwards
    // the month data folder and the template folder exist. `firstStart` says
    // which it was (the name files are written then too). Returns whether
    // the first start could write the settings file.
    StoreResult LoadOrCreateSettings(bool *firstStart = nullptr);

    QString MonthDataFolder() const { return folders.MonthDataFolder(clock.today()); }
    QString MonthResultFolder() const { return folders.MonthResultFolder(settings.ResultFolder, clock.today()); }
    void createMonthFolders() const;
};
