#include "CellOrder.h"

#include "core/OleDate.h"

#include <QDate>
#include <charconv>
#include <cmath>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads 1..maxDigits digits at `i`; false when there are none.
bool readDigits(QStringView s, qsizetype &i, int minDigits, int maxDigits, int &value)
{
    const qsizetype from = i;
    value = 0;
    while (i < s.size() && i - from < maxDigits && isDigit(s[i]))
        value = value * 10 + (s[i++].unicode() - u'0');
    return i - from >= minDigits && (i == s.size() || !isDigit(s[i]));
}

// "d.M.yyyy" at `i`, as a day number.
bool readDate(QStringView s, qsizetype &i, double &days)
{
    int d, m, y;
    if (!readDigits(s, i, 1, 2, d) || i >= s.size() || s[i++] != u'.')
        return false;
    if (!readDigits(s, i, 1, 2, m) || i >= s.size() || s[i++] != u'.')
        return false;
    if (!readDigits(s, i, 4, 4, y))
        return false;
    const QDate date(y, m, d);
    if (!date.isValid())
        return false;
    days = toOleDate(date);
    return true;
}

// "H:mm:ss" at `i`, as a fraction of a day.
bool readTime(QStringView s, qsizetype &i, double &fraction)
{
    int h, m, sec;
    if (!readDigits(s, i, 1, 2, h) || i >= s.size() || s[i++] != u':')
        return false;
    if (!readDigits(s, i, 2, 2, m) || i >= s.size() || s[i++] != u':')
        return false;
    if (!readDigits(s, i, 2, 2, sec) || h > 23 || m > 59 || sec > 59)
        return false;
    fraction = (h * 3600 + m * 60 + sec) / 86400.0;
    return true;
}

std::optional<double> dateTimeValue(QStringView s)
{
    qsizetype i = 0;
    double days = 0;
    double fraction = 0;
    if (readDate(s, i, days)) {
        if (i == s.size())
            return days;
        if (s[i++] != u' ' || !readTime(s, i, fraction) || i != s.size())
            return std::nullopt;
        return days < 0 ? days - fraction : days + fraction;
    }
    i = 0;
    if (readTime(s, i, fraction) && i == s.size())
        return fraction;
    return std::nullopt;
}

std::optional<double> decimalValue(QStringView s)
{
    // Checked by hand first: the library would accept a leading part only.
    char buf[64];
    qsizetype n = 0;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            buf[n++] = '-';
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < s.size() && n < qsizetype(sizeof buf) - 8; ++i) {
        const QChar c = s[i];
        if (isDigit(c)) {
            buf[n++] = char(c.unicode());
            digits = true;
        } else if ((c == u',' || c == u'.') && !point) {
            buf[n++] = '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
        buf[n++] = 'e';
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            buf[n++] = char(s[i++].unicode());
        bool expDigits = false;
        for (; i < s.size() && isDigit(s[i]) && n < qsizetype(sizeof buf); ++i) {
            buf[n++] = char(s[i].unicode());
            expDigits = true;
        }
        if (!expDigits)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(buf, buf + n, value);
    if (ec != std::errc() || end != buf + n || !std::isfinite(value))
        return std::nullopt;
    return value;
}

char16_t folded(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return QChar::toCaseFolded(c);
}

// Letter case ignored, character by character; equal characters, the
// usual case in a sorted column, are passed without folding them.
int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = qMin(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t fa = folded(pa[i]);
        const char16_t fb = folded(pb[i]);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

} // namespace

std::optional<double> cellNumber(QStringView text)
{
    const QStringView s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    // A date has two points, so it can never pass as a decimal number.
    if (const auto v = dateTimeValue(s))
        return v;
    return decimalValue(s);
}

CellKey cellKey(QStringView text)
{
    if (text.trimmed().isEmpty())
        return {CellKey::Empty, 0};
    if (const auto v = cellNumber(text))
        return {CellKey::Number, *v};
    return {CellKey::Text, 0};
}

int compareCells(QStringView a, const CellKey &keyA, QStringView b, const CellKey &keyB)
{
    if (keyA.kind != keyB.kind)
        return keyA.kind < keyB.kind ? -1 : 1;
    if (keyA.kind == CellKey::Number && keyA.number != keyB.number)
        return keyA.number < keyB.number ? -1 : 1;
    if (keyA.kind == CellKey::Text) {
        if (const int r = compareFolded(a, b))
            return r;
    }
    return a.compare(b, Qt::CaseSensitive);
}

int compareCells(QStringView a, QStringView b)
{
    return compareCells(a, cellKey(a), b, cellKey(b));
}
