#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// Dates in files are doubles counting days since 30.12.1899, the fraction
// being the time of day. Before that day the whole part counts backwards
// while the fraction still runs forwards (-1.25 is 29.12.1899 06:00).
// Conversions are exact to the second; milliseconds are dropped.

double toOleDate(const QDate &date, const QTime &time = QTime(0, 0));
double toOleDate(const QDateTime &dateTime);
// The time of day alone, as time fields hold it (whole part 0).
inline double toOleTime(const QTime &time) { return toOleDate(QDate(1899, 12, 30), time); }

// Invalid date/time for values that are no date (NaN, beyond year 9999).
QDate oleDateToDate(double value);
QTime oleDateToTime(double value);
QDateTime fromOleDate(double value);
// The same split into whole days since 30.12.1899 and seconds of the day,
// without the calendar; false where the date would be invalid.
bool oleDateParts(double value, qint64 &days, int &seconds);
