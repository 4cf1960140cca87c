#pragma once

// Rounding to a number of decimals, halves to the even neighbour, done on
// the shortest decimal text of the value (what a person reads), not on its
// binary expansion: 2.675 is a half and gives 2.68, 0.125 gives 0.12.
double RoundHalfEven(double value, int decimals);

inline double round2(double value) { return RoundHalfEven(value, 2); }
inline double round6(double value) { return RoundHalfEven(value, 6); }
