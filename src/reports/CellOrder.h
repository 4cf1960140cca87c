#pragma once

#include <QStringView>

#include <optional>

// The order of the report's generic sort. A cell is a number when its whole
// text, blanks around it aside, is a decimal number with "," or "." as the
// decimal point and an optional exponent ("12,5", "-3", "1E+16"), or a date,
// a time or both in the report's own form ("08.12.2011", "08:05:00"),
// which count as their day number. Empty cells come first, numbers next in
// numeric order, other texts last, ignoring letter case. Ties between
// different texts ("1" and "01", "Песок" and "песок") are broken on the
// exact text, so cells compare equal only when their texts are equal and
// equal texts always end up side by side.

// The numeric value of a cell, or nothing when the cell is no number.
std::optional<double> cellNumber(QStringView text);

struct CellKey
{
    enum Kind : quint8 { Empty, Number, Text };
    Kind kind = Empty;
    double number = 0;
};

CellKey cellKey(QStringView text);

// < 0, 0, > 0 as `a` sorts before, with or after `b`.
int compareCells(QStringView a, const CellKey &keyA, QStringView b, const CellKey &keyB);
int compareCells(QStringView a, QStringView b);
