#pragma once

#include <QString>

#include <optional>

// Points a Tarvo installation at the simulator: its settings file gets the
// simulator's device as the port, and the terminal type (and what that type
// needs to read the same weight), through the program's own settings code.
struct SettingsAttach
{
    QString programFolder;
    QString port;
    int terminalType = 1;
    std::optional<double> impulseCoefficient;
    std::optional<int> decimalPlaces;
    // The page of IP camera 1, so a demonstration has photos without a camera.
    std::optional<QString> cameraUrl;

    // Returns the settings file written, or an empty text and `error`.
    QString apply(QString *error) const;
};
