#pragma once

#include "Clock.h"
#include "Hooks.h"
#include "Folders.h"
#include "OperatorSettings.h"
#include "Settings.h"
#include "StoreResult.h"

#include <QStringList>

// What the start of the settings found beyond an ordinary load.
struct [[nodiscard]] SettingsStart
{
    // Whether a settings file that had to be written (first start, or in
    // place of a damaged one) was written; on failure the reason.
    StoreResult stored;
    // Lines for the event log: writes replayed, a damaged file moved aside.
    QStringList logLines;
    // What the operator is told at the gate; empty when nothing.
    QString message;

    explicit operator bool() const { return stored.ok; }
};

// The program-wide state that lives from start to exit.
class AppContext
{
public:
    AppContext(Clock &clock, const Folders &folders);

    Clock &clock;
    Folders folders;
    Settings settings;
    // Read when the context is made; written by its own window.
    OperatorSettings operatorSettings;

    QString CurrentOperator;
    // Told of every settings write once set (the weighing memory).
    SettingsObserver *settingsObserver = nullptr;
    int GatePurpose = 0;
    int ExcelAvailable = 0;

    // Settings to their defaults (counters kept).
    void ApplyDefaults();
    // Writes the settings file as the record stands; on failure the reason.
    // Changes go through storeSettingsChange, which also logs a failure.
    StoreResult storeSettings();
    StoreResult storeOperatorSettings() const;

    // Unfinished writes of the store are replayed first. First start writes
    // the defaults; later starts load the file. A damaged file is moved
    // aside and the last good copy, else the defaults, take its place.
    // Afterwards the month data folder and the template folder exist.
    // `firstStart` says whether it was the first start (the name files are
    // written then too).
    SettingsStart LoadOrCreateSettings(bool *firstStart = nullptr);

    // Set when the settings did not come from their own file: the ID
    // counter is behind the day files until the store raises it.
    bool settingsRenewed = false;

    QString MonthDataFolder() const { return folders.MonthDataFolder(clock.today()); }
    QString MonthResultFolder() const { return folders.MonthResultFolder(settings.ResultFolder, clock.today()); }
    void createMonthFolders() const;

private:
    // The damaged settings file aside, the last good copy or the defaults in.
    void restoreSettings(const QString &damage, SettingsStart &start);
};
