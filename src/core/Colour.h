#pragma once

#include <QColor>

// A colour as the settings store it: red + 256 * green + 65536 * blue.
inline QColor colourFromValue(qint64 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
