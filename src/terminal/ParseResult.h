#pragma once

#include <QByteArray>
#include <QString>

// What the indicator itself reports instead of a weight.
enum class IndicatorState {
    None,
    Overload,
    Underload,
    Error,
};

// "ПЕРЕГРУЗ", "НЕДОГРУЗ", "ОШИБКА"; empty for None.
QString indicatorStateText(IndicatorState state);

// What one poll's parser made of the bytes it was given.
struct ParseResult
{
    enum class Kind {
        // A weight: it becomes TerminalWeight and is shown.
        Weight,
        // A whole frame that reports overload, underload or an error.
        State,
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
    IndicatorState state = IndicatorState::None;
    // The frame layout recognised, for the service view.
    QString format;
    // The bytes from here on may be the start of a frame: they wait for
    // the next read. The size of the bytes given: nothing waits.
    qsizetype keepFrom = -1;

    static ParseResult weightOf(double weight, const QByteArray &frame, const QString &note = {})
    {
        ParseResult r;
        r.kind = Kind::Weight;
        r.weight = weight;
        r.frame = frame;
        r.note = note;
        return r;
    }
    static ParseResult stateOf(IndicatorState state, const QByteArray &frame, const QString &note)
    {
        ParseResult r;
        r.kind = Kind::State;
        r.state = state;
        r.frame = frame;
        r.note = note;
        return r;
    }
    static ParseResult noWeight(const QString &note) { return withKind(Kind::NoWeight, note); }
    static ParseResult noDataMark(const QString &note) { return withKind(Kind::NoDataMark, note); }
    static ParseResult nothing(const QString &note) { return withKind(Kind::Nothing, note); }

    bool hasWeight() const { return kind == Kind::Weight; }
    // A whole, valid frame arrived: a weight or the indicator's state.
    bool hasFrame() const { return kind == Kind::Weight || kind == Kind::State; }

private:
    static ParseResult withKind(Kind kind, const QString &note)
    {
        ParseResult r;
        r.kind = kind;
        r.note = note;
        return r;
    }
};
