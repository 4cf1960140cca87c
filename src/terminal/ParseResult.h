#pragma once

#include <QByteArray>
#include <QString>

// What one poll's parser made of the bytes it was given.
struct ParseResult
{
    enum class Kind {
        // A weight: it becomes TerminalWeight and is shown.
        Weight,
        // No weight: the no-data mark and the idle animation.
        NoWeight,
        // The no-data mark alone, the animation left as it is.
        NoDataMark,
        // Nothing to show yet: the display keeps what it had.
        Nothing,
    };

    Kind kind = Kind::NoWeight;
    double weight = 0.0;
    // The characters the weight was read from.
    QByteArray frame;
    // For the service view: what was found, in the engineer's words.
    QString note;
    // The frame itself says the scale is moving (a status flag).
    bool motion = false;

    static ParseResult weightOf(double weight, const QByteArray &frame, const QString &note = {})
    {
        return {Kind::Weight, weight, frame, note, false};
    }
    static ParseResult noWeight(const QString &note) { return {Kind::NoWeight, 0.0, {}, note, false}; }
    static ParseResult noDataMark(const QString &note) { return {Kind::NoDataMark, 0.0, {}, note, false}; }
    static ParseResult nothing(const QString &note) { return {Kind::Nothing, 0.0, {}, note, false}; }

    bool hasWeight() const { return kind == Kind::Weight; }
};
