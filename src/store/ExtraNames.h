#pragma once

#include <QString>

#include <array>

// Names of the constants of each pick-list value and of the additional
// parameters of each card, for the seven text main parameters.
struct ExtraNames
{
    static constexpr int kTextParams = 7;
    static constexpr int kConstants = 24;
    static constexpr int kExtras = 10;

    // [i][0] is the name of the main parameter itself, [i][1..24] the constants.
    std::array<std::array<QString, kConstants + 1>, kTextParams> constantNames;
    // [i][1..10]; [i][0] is unused.
    std::array<std::array<QString, kExtras + 1>, kTextParams> extraNames;

    // Factory names; `paramNames` gives the names of the main parameters.
    void applyDefaults(const std::array<QString, 25> &paramNames);
    // Each text parameter's own name ([i][0]) as the settings name it.
    void takeParamNames(const std::array<QString, 25> &paramNames);
};
