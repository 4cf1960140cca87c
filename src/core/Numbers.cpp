#include "Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

bool skipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Collects the number into plain ASCII and lets the library convert it,
// so the result is the correctly rounded double of the decimal text.
double readNumber(QStringView text, bool commaIsPoint)
{
    // Plain whole numbers, most weights, need no library: up to 15 digits
    // are exact in a double.
    {
        const bool negative = !text.isEmpty() && text.front() == u'-';
        const QStringView digits = negative ? text.sliced(1) : text;
        if (!digits.isEmpty() && digits.size() <= 15
            && std::all_of(digits.begin(), digits.end(), [](QChar c) { return isDigit(c); })) {
            qint64 value = 0;
            for (QChar c : digits)
                value = value * 10 + (c.unicode() - u'0');
            return negative && value != 0 ? -double(value) : double(value);
        }
    }
    std::string number;
    bool haveDigits = false;
    bool havePoint = false;
    bool signAllowed = true;
    qsizetype i = 0;

    auto current = [&](qsizetype k) -> QChar {
        const QChar c = text[k];
        return commaIsPoint && c == u',' ? QChar(u'.') : c;
    };

    for (; i < text.size(); ++i) {
        const QChar c = current(i);
        if (skipped(c))
            continue;
        if (signAllowed && (c == u'+' || c == u'-')) {
            if (c == u'-')
                number.push_back('-');
            signAllowed = false;
            continue;
        }
        signAllowed = false;
        if (isDigit(c)) {
            number.push_back(char(c.unicode()));
            haveDigits = true;
        } else if (c == u'.' && !havePoint) {
            // ".5" reads as "0.5"; the library wants a digit first.
            if (!haveDigits)
                number.push_back('0');
            number.push_back('.');
            havePoint = true;
        } else {
            break;
        }
    }
    if (!haveDigits)
        return 0.0;

    // Optional exponent: "E" or "D", optional sign, digits.
    if (i < text.size()) {
        const QChar e = current(i).toUpper();
        if (e == u'E' || e == u'D') {
            std::string exponent;
            bool expSignAllowed = true;
            bool expDigits = false;
            for (++i; i < text.size(); ++i) {
                const QChar c = current(i);
                if (skipped(c))
                    continue;
                if (expSignAllowed && (c == u'+' || c == u'-')) {
                    exponent.push_back(char(c.unicode()));
                    expSignAllowed = false;
                    continue;
                }
                expSignAllowed = false;
                if (!isDigit(c))
                    break;
                exponent.push_back(char(c.unicode()));
                expDigits = true;
            }
            if (expDigits) {
                number.push_back('e');
                number.append(exponent);
            }
        }
    }

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is no usable number either.
        return 0.0;
    }
    if (ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value == 0.0 ? 0.0 : value;
}

} // namespace

double ReadLeadingNumber(QStringView text)
{
    return readNumber(text, false);
}

double ParseNumber(QStringView text)
{
    return readNumber(text, true);
}

namespace {

// The mantissa scan of readNumber: digits before the first character that
// ends the number.
bool hasDigits(QStringView text, bool commaIsPoint)
{
    bool signAllowed = true;
    bool havePoint = false;
    for (QChar c : text) {
        if (commaIsPoint && c == u',')
            c = u'.';
        if (skipped(c))
            continue;
        if (signAllowed && (c == u'+' || c == u'-')) {
            signAllowed = false;
            continue;
        }
        signAllowed = false;
        if (isDigit(c))
            return true;
        if (c != u'.' || havePoint)
            return false;
        havePoint = true;
    }
    return false;
}

} // namespace

bool HasLeadingNumber(QStringView text)
{
    return hasDigits(text, false);
}

bool HasParsedNumber(QStringView text)
{
    return hasDigits(text, true);
}
