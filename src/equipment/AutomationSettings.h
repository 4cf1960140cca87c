#pragma once

#include "core/StoreResult.h"

#include <QString>

// The weighbridge's equipment as the engineer set it up: "automation.ini" in
// the base folder, UTF-8 `key=value` lines (a ";" starts a comment). A
// missing file gives the defaults with the equipment off; -1 for an input
// or a coil means that part is not fitted.
struct AutomationSettings
{
    bool enabled = false;
    QString ioHost = QStringLiteral("127.0.0.1");
    int ioPort = 502;
    int ioUnit = 1;
    // Discrete inputs, 1 while the beam at that end is clear.
    int beamEntryInput = 0;
    int beamExitInput = 1;
    // Coils; a barrier's coil is 1 while it is open.
    int lightEntryGreenCoil = 0;
    int lightEntryRedCoil = 1;
    int lightExitGreenCoil = 2;
    int lightExitRedCoil = 3;
    int barrierEntryCoil = 4;
    int barrierExitCoil = 5;
    // Below it (kg) the platform is free.
    int emptyWeight = 200;
    // Serial devices; empty: none fitted.
    QString scoreboardPort;
    int scoreboardBaud = 9600;
    QString readerPort;
    int readerBaud = 9600;

    static QString filePath(const QString &baseFolder) { return baseFolder + QStringLiteral("automation.ini"); }
    static AutomationSettings load(const QString &baseFolder);
    [[nodiscard]] StoreResult save(const QString &baseFolder) const;

    bool operator==(const AutomationSettings &) const = default;
};
