#pragma once

#include <QByteArray>

// The continuous frames an indicator sends by itself, as the terminal
// protocols read them; outdoor displays take the same frames.
namespace ContinuousFrame {

// Type 4: STX, sign, six digits, the decimal-position digit, the XOR of
// these eight as two characters ("0".."9", "A".."F"), ETX. A weight beyond
// six digits is sent as the largest that fits, with its sign.
QByteArray type4(double weight, int decimals);

// The decimals that show `weight` within six digits (0..3), trailing zeros
// dropped.
int decimalsFor(double weight);

} // namespace ContinuousFrame
