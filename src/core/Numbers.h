#pragma once

#include <QString>

// The leading number of a text: blanks, tabs and line feeds are skipped
// anywhere, an optional sign may lead, digits follow with at most one "."
// as decimal point, "E" or "D" starts a decimal exponent, and the first
// other character ends the number. No digits at all gives 0, and so does
// a number too large for a double.
double ReadLeadingNumber(QStringView text);

// ReadLeadingNumber after every "," has become "." (operator input, fields).
double ParseNumber(QStringView text);

// Whether ReadLeadingNumber finds a number in the text at all, rather than
// giving the 0 of a text without digits (empty, "abc", "-", ".").
bool HasLeadingNumber(QStringView text);

// The same by ParseNumber's rules: "," counts as the decimal point.
bool HasParsedNumber(QStringView text);
