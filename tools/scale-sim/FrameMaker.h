#pragma once

#include <QByteArray>
#include <QStringList>

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
        // Every frame says overload, where its layout can (VT LEO out of
        // range, GSE "O", FT11 status bit and "OVER", CAS and AND "OL").
        bool overload = false;
        // One of formats(type); empty: the first.
        QString format = {};
    };

    explicit FrameMaker(const Options &options);

    // Whether the type answers requests rather than sending by itself.
    static bool polled(int type);
    // The layouts a type's indicators can be set to send, the usual first.
    static QStringList formats(int type);
    // Whether a frame of `type` in `format` can say overload.
    static bool canSayOverload(int type, const QString &format);
    // Whether a frame of `type` in `format` can say the scale moves.
    static bool canSayMotion(int type, const QString &format);

    QByteArray frame(double weight, bool steady = true) const;
    // Type 4: the same frame with check characters that do not match.
    QByteArray frameWithBadCheck(double weight) const;

    const Options &options() const { return m_options; }

private:
    QByteArray type4Frame(double weight, bool goodCheck) const;
    QByteArray type9Frame(double weight, bool steady) const;
    QByteArray type10Frame(double weight, bool steady) const;
    QByteArray type2Frame(double weight) const;
    QByteArray type3Frame(double weight) const;
    QByteArray type5Frame(double weight, bool steady) const;
    QByteArray type6Frame(double weight, bool steady) const;
    // CAS and AND: the header, "ST", "US" or "OL".
    QByteArray casHeader(bool steady) const;
    // Sign and seven characters, zeros before the digits.
    QByteArray signedData8(double weight) const;
    QString format() const;
    // The weight with at least options().decimals decimals, more when it has them.
    QByteArray decimalText(double weight, int *decimals = nullptr) const;

    Options m_options;
};
