#pragma once

#include <QByteArray>

// The bytes a terminal of each of the ten types sends for a weight: a frame
// of its own (continuous types) or the answer to a request (types 3 and 7).
class FrameMaker
{
public:
    struct Options
    {
        int type = 1;
        // Type 4: the decimal-position digit; type 7 digit frames: the
        // decimal places the program is set to; type 9: the decimals of the
        // point code; text frames: at least this many decimals written.
        int decimals = 0;
        // Type 3: weight units per count.
        double coefficient = 1.0;
        // Type 7: digit-byte frames instead of text frames.
        bool digitFrames = false;
        // Types 9 and 10: every frame says overload (FT11 status bit and
        // "OVER" in the weight field, CAS "OL" header).
        bool overload = false;
    };

    explicit FrameMaker(const Options &options);

    // Whether the type answers requests rather than sending by itself.
    static bool polled(int type);

    QByteArray frame(double weight, bool steady = true) const;
    // Type 4: the same frame with check characters that do not match.
    QByteArray frameWithBadCheck(double weight) const;

    const Options &options() const { return m_options; }

private:
    QByteArray type4Frame(double weight, bool goodCheck) const;
    QByteArray type9Frame(double weight, bool steady) const;
    QByteArray type10Frame(double weight, bool steady) const;
    // The weight with at least options().decimals decimals, more when it has them.
    QByteArray decimalText(double weight, int *decimals = nullptr) const;

    Options m_options;
};
