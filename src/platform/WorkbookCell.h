#pragma once

#include <QString>

#include <array>

// One cell of a workbook row as the row writer sets it.
struct WorkbookCell
{
    enum class Kind {
        Integer,
        Double,
        Date, // a date, shown in the application's date format
        Time, // a date-time shown as "h:mm:ss"
        Text, // also the empty text that clears a cell
    };

    Kind kind = Kind::Text;
    double number = 0;
    QString text;

    static WorkbookCell integer(qint64 value) { return {Kind::Integer, double(value), {}}; }
    static WorkbookCell real(double value) { return {Kind::Double, value, {}}; }
    static WorkbookCell date(double oleDate) { return {Kind::Date, oleDate, {}}; }
    static WorkbookCell time(double oleDate) { return {Kind::Time, oleDate, {}}; }
    static WorkbookCell string(const QString &value) { return {Kind::Text, 0, value}; }

    bool operator==(const WorkbookCell &) const = default;
};

// Columns 1..25 of a row of the day or accounting workbook, index 0 = column 1.
using WorkbookRow = std::array<WorkbookCell, 25>;
