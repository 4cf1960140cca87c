#pragma once

#include "Clock.h"
#include "Folders.h"
#include "Settings.h"
#include "StoreResult.h"

#include <functional>

// The steps of start-up that belong to other parts of the program. Each is
// optional: a missing one is skipped.
struct StartupHooks
{
    // Additional-parameter and constant names to their defaults, in memory.
    std::function<void()> applyDefaultNames;
    // The default name file and the headers of the pick lists.
    std::function<void()> writeDefaultNameFiles;
    // Whether the spreadsheet application can be started.
    std::function<bool()> probeSpreadsheet;
    // Builds the report template when it is missing (only when available).
    std::function<void()> createTemplateIfMissing;
    // Quits and releases the spreadsheet application if one is held.
    std::function<void()> releaseSpreadsheet;
};

// The program-wide state that lives from start to exit.
class AppContext
{
public:
    AppContext(Clock &clock, const Folders &folders);

    Clock &clock;
    Folders folders;
    Settings settings;
    StartupHooks hooks;

    QString CurrentOperator;
    int GatePurpose = 0;
    int ExcelAvailable = 0;

    // Settings and the additional names to their defaults (counters kept).
    void ApplyDefaults();
    // Writes the settings file as the record stands; on failure the reason.
    // Changes go through storeSettingsChange, which also logs a failure.
    StoreResult storeSettings();

    // First start writes the defaults and the name files; later starts load
    // the file. Afterwards the month data folder and the template folder exist.
    // Returns whether the first start could write the settings file.
    StoreResult LoadOrCreateSettings();

    QString MonthDataFolder() const { return folders.MonthDataFolder(clock.today()); }
    QString MonthResultFolder() const { return folders.MonthResultFolder(settings.ResultFolder, clock.today()); }
    void createMonthFolders() const;
};
