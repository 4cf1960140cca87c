#include "Formats.h"

#include "OleDate.h"

#include <charconv>
#include <cmath>
#include <string>

using namespace Qt::StringLiterals;

namespace {

QString charsText(const char16_t *chars, qsizetype n)
{
    return QString(reinterpret_cast<const QChar *>(chars), n);
}

// 15 significant digits in the general form, the exponent written as
// "E+16" / "E-07", the decimal point replaced by `point`.
qsizetype generalChars(double value, char16_t point, char16_t *out)
{
    if (value == 0.0 || !std::isfinite(value)) {
        out[0] = u'0';
        return 1;
    }
    char buf[CharsCapacity];
    char *end;
    // A whole number below 10^15 is its digits in the general form; most
    // weights are, and integer digits are much cheaper to write.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        end = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value)).ptr;
    else
        end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
    const qsizetype n = end - buf;
    for (qsizetype i = 0; i < n; ++i)
        out[i] = buf[i] == '.' ? point : buf[i] == 'e' ? u'E' : char16_t(uchar(buf[i]));
    return n;
}

// Two digits with a leading zero.
void putTwo(char16_t *p, int v)
{
    p[0] = char16_t(u'0' + v / 10 % 10);
    p[1] = char16_t(u'0' + v % 10);
}

} // namespace

qsizetype NumberChars(double value, char16_t *out)
{
    return generalChars(value, u',', out);
}

QString CountText(qint64 count, QStringView one, QStringView few, QStringView many)
{
    const qint64 tens = count % 100;
    const qint64 ones = count % 10;
    const QStringView word = tens >= 11 && tens <= 14 ? many : ones == 1 ? one : ones >= 2 && ones <= 4 ? few : many;
    return QString::number(count) + u' ' + word;
}

QString NumberText(double value)
{
    char16_t t[CharsCapacity];
    return charsText(t, NumberChars(value, t));
}

QString DotNumberText(double value)
{
    char16_t t[CharsCapacity + 1];
    t[0] = u' ';
    const qsizetype n = generalChars(value, u'.', t + 1);
    return t[1] == u'-' ? charsText(t + 1, n) : charsText(t, n + 1);
}

qsizetype ShortDateChars(const QDate &date, char16_t *out)
{
    // One look-up of the calendar for all three parts.
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1 || year > 9999)
        return 0;
    out[2] = u'.';
    out[5] = u'.';
    putTwo(out, day);
    putTwo(out + 3, month);
    putTwo(out + 6, year / 100);
    putTwo(out + 8, year % 100);
    return 10;
}

QString ShortDateText(const QDate &date)
{
    char16_t t[CharsCapacity];
    return charsText(t, ShortDateChars(date, t));
}

qsizetype LongTimeChars(const QTime &time, char16_t *out)
{
    if (!time.isValid())
        return 0;
    out[2] = u':';
    out[5] = u':';
    putTwo(out, time.hour());
    putTwo(out + 3, time.minute());
    putTwo(out + 6, time.second());
    return 8;
}

QString LongTimeText(const QTime &time)
{
    char16_t t[CharsCapacity];
    return charsText(t, LongTimeChars(time, t));
}

namespace {

// Whole days since 30.12.1899 as dd.MM.yyyy, worked out here rather than
// through QDate: day lists and reports write one for every card. Day, month
// and year of the proleptic Gregorian calendar from the days since
// 01.03.0000, in eras of 400 years; nothing outside the years 1..9999.
qsizetype civilDateChars(qint64 days, char16_t *out)
{
    const qint64 z = days + 693899; // 30.12.1899
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 ofEra = z - era * 146097;
    const qint64 yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365;
    const qint64 dayOfYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shifted = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * shifted + 2) / 5 + 1);
    const int month = int(shifted < 10 ? shifted + 3 : shifted - 9);
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999)
        return 0;
    out[2] = u'.';
    out[5] = u'.';
    putTwo(out, day);
    putTwo(out + 3, month);
    putTwo(out + 6, int(year / 100));
    putTwo(out + 8, int(year % 100));
    return 10;
}

// Seconds of the day as H:mm:ss, or HH:mm:ss with the hour's leading zero.
qsizetype clockChars(int seconds, bool leadingZero, char16_t *out)
{
    qsizetype n = 0;
    const int hour = seconds / 3600;
    if (hour >= 10 || leadingZero)
        out[n++] = char16_t(u'0' + hour / 10);
    out[n++] = char16_t(u'0' + hour % 10);
    out[n++] = u':';
    putTwo(out + n, seconds / 60 % 60);
    out[n + 2] = u':';
    putTwo(out + n + 3, seconds % 60);
    return n + 5;
}

} // namespace

qsizetype OleShortDateChars(double oleDate, char16_t *out)
{
    qint64 days = 0;
    int seconds = 0;
    return oleDateParts(oleDate, days, seconds) ? civilDateChars(days, out) : 0;
}

qsizetype OleLongTimeChars(double oleDate, char16_t *out)
{
    qint64 days = 0;
    int seconds = 0;
    return oleDateParts(oleDate, days, seconds) ? clockChars(seconds, true, out) : 0;
}

qsizetype GeneralDateChars(double oleDate, char16_t *out)
{
    qint64 days = 0;
    int seconds = 0;
    if (!oleDateParts(oleDate, days, seconds))
        return 0;
    qsizetype n = 0;
    if (days != 0) {
        n = civilDateChars(days, out);
        if (seconds == 0)
            return n;
        out[n++] = u' ';
    }
    // The hour without a leading zero.
    return n + clockChars(seconds, false, out + n);
}

QString GeneralDateText(double oleDate)
{
    char16_t t[CharsCapacity];
    return charsText(t, GeneralDateChars(oleDate, t));
}

QString MonthFolderName(int month)
{
    static const char16_t *const names[12] = {
        u"Январь", u"Февраль", u"Март", u"Апрель", u"Май", u"Июнь",
        u"Июль", u"Август", u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь",
    };
    if (month < 1 || month > 12)
        return QString();
    return QString::fromUtf16(names[month - 1]);
}
