#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The one place that writes numbers, dates and times for fields and files.
// The formats are Russian whatever the machine's locale.

// A number as fields show it: up to 15 significant digits, decimal comma,
// no thousands separator, no trailing zeros, "0" for zero ("30100,5").
QString NumberText(double value);

// A count with its noun in the Russian form it takes: `one` (1, 21, …),
// `few` (2–4, 22–24, …) or `many` (0, 5–20, …): "1 карточка", "3 карточки",
// "11 карточек".
QString CountText(qint64 count, QStringView one, QStringView few, QStringView many);

// A number with "." as decimal point and a leading blank when it is not
// negative (" 30100.5", "-2.5"), as the overload record writes it.
QString DotNumberText(double value);

// dd.MM.yyyy, as in the names of the day files ("08.12.2011").
QString ShortDateText(const QDate &date);

// HH:mm:ss on the 24-hour clock.
QString LongTimeText(const QTime &time);

// The general date form of report cells and exchange files: a date alone
// as dd.MM.yyyy, a time alone as H:mm:ss ("9:05:03"), both as
// "dd.MM.yyyy H:mm:ss", zero as "0:00:00"; empty for a value that is no date.
QString GeneralDateText(double oleDate);

// The same texts written into `out`, for code that writes many of them (a
// day list, a report) without a string each. Each returns the number of
// characters written; `out` must hold CharsCapacity.
inline constexpr qsizetype CharsCapacity = 32;
qsizetype NumberChars(double value, char16_t *out);
qsizetype ShortDateChars(const QDate &date, char16_t *out);
qsizetype LongTimeChars(const QTime &time, char16_t *out);
qsizetype GeneralDateChars(double oleDate, char16_t *out);
// ShortDateChars and LongTimeChars of a date value, without QDate and QTime.
qsizetype OleShortDateChars(double oleDate, char16_t *out);
qsizetype OleLongTimeChars(double oleDate, char16_t *out);

// Month folder name, 1 = "Январь" .. 12 = "Декабрь"; empty outside 1..12.
QString MonthFolderName(int month);
