#pragma once

#include <QString>

// What the big weight display says beside the digits, most urgent first.
enum class ScaleState {
    NoLink,   // the port is closed or the terminal sends nothing readable
    Overload, // above MaxWeight, or the indicator reports it
    Underload, // the indicator reports it
    IndicatorError, // the indicator reports no valid weight
    Motion,   // the terminal reports the weight unsteady
    Zero,     // a steady zero: the platform is empty
    Weight,   // a steady weight: nothing to add
};

ScaleState scaleState(bool showsWeight, double weight, bool motion, double maxWeight);
// "НЕТ СВЯЗИ", "ПЕРЕГРУЗ", "≈" (motion), ">0<" (zero), or nothing.
QString scaleStateMark(ScaleState state);
// A mark an operator must act on (red), as against a plain hint.
inline bool scaleStateAlarm(ScaleState state)
{
    return state != ScaleState::Motion && state != ScaleState::Zero && state != ScaleState::Weight;
}
