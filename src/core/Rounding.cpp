#include "Rounding.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

double RoundHalfEven(double value, int decimals)
{
    if (!std::isfinite(value) || value == 0.0)
        return value == 0.0 ? 0.0 : value;

    // Shortest round-trip text in scientific form: d.ddd...e±XX.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string text(buf, res.ptr);
    const auto ePos = text.find('e');
    std::string digits;
    for (std::size_t k = 0; k < ePos; ++k)
        if (text[k] != '.')
            digits.push_back(text[k]);
    const int exponent = std::atoi(text.c_str() + ePos + 1);

    // Digit k (from 0) stands for 10^(exponent - k); keep those down to 10^-decimals.
    const long keep = long(exponent) + 1 + decimals;
    if (keep >= long(digits.size()))
        return value;

    // Nothing kept reads as a single zero, so a carry has a digit to go to.
    std::string kept = keep > 0 ? digits.substr(0, std::size_t(keep)) : std::string(1, '0');
    const std::string dropped = keep >= 0 ? digits.substr(std::size_t(keep)) : std::string("0");

    bool up = false;
    if (keep >= 0) {
        const char first = dropped.front();
        const bool restNonZero = dropped.find_first_not_of('0', 1) != std::string::npos;
        if (first > '5' || (first == '5' && restNonZero))
            up = true;
        else if (first == '5') {
            const int lastKept = kept.back() - '0';
            up = (lastKept % 2) == 1;
        }
    }
    bool carryOut = false;
    if (up) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept[std::size_t(i)] == '9') {
            kept[std::size_t(i)] = '0';
            --i;
        }
        if (i < 0)
            carryOut = true;
        else
            ++kept[std::size_t(i)];
    }

    // Built by appending only: gcc 12 at -O3 sees overlaps that are not there
    // in an insert at the front or a concatenation of temporaries.
    char exponentText[16];
    const auto written = std::to_chars(exponentText, exponentText + sizeof exponentText, -decimals);
    std::string result;
    result.reserve(kept.size() + 2 + std::size_t(written.ptr - exponentText));
    if (carryOut)
        result.push_back('1');
    result.append(kept);
    result.push_back('e');
    result.append(exponentText, written.ptr);
    double rounded = 0.0;
    std::from_chars(result.data(), result.data() + result.size(), rounded);
    if (rounded == 0.0)
        return 0.0;
    return value < 0 ? -rounded : rounded;
}
