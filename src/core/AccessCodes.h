#pragma once

#include <QString>

// The factory access codes, kept together so they are changed in one place.
// An operator code must never be a prefix of another code: the gate logs in
// as soon as a code is complete.
namespace AccessCodes {

inline QString defaultEngineerCode() { return QStringLiteral("7391"); }
inline QString defaultEditCode() { return QStringLiteral("5826"); }

// Slot 0 has a fixed code; slot i (1..8) gets "10" followed by i.
inline QString defaultOperatorCode(int slot)
{
    return slot == 0 ? QStringLiteral("100") : QStringLiteral("10") + QString::number(slot);
}

// Opens the service window; not a setting, it cannot be changed.
inline QString serviceCode() { return QStringLiteral("640273915"); }

} // namespace AccessCodes
