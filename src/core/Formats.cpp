#include "Formats.h"

#include "OleDate.h"

#include <charconv>
#include <cmath>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// 15 significant digits in the general form, the exponent written as
// "E+16" / "E-07", the decimal point replaced by `point`.
QString generalText(double value, QChar point)
{
    if (value == 0.0 || !std::isfinite(value))
        return u"0"_s;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buf, res.ptr - buf);
    text.replace(u'.', point);
    text.replace(u'e', u'E');
    return text;
}

} // namespace

QString NumberText(double value)
{
    return generalText(value, u',');
}

QString DotNumberText(double value)
{
    const QString text = generalText(value, u'.');
    return text.startsWith(u'-') ? text : u' ' + text;
}

namespace {

// Two digits with a leading zero; called for every line of a day list.
void putTwo(char16_t *p, int v)
{
    p[0] = char16_t(u'0' + v / 10 % 10);
    p[1] = char16_t(u'0' + v % 10);
}

} // namespace

QString ShortDateText(const QDate &date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return QString();
    char16_t t[10] = {0, 0, u'.', 0, 0, u'.', 0, 0, 0, 0};
    putTwo(t, date.day());
    putTwo(t + 3, date.month());
    putTwo(t + 6, date.year() / 100);
    putTwo(t + 8, date.year() % 100);
    return QString(reinterpret_cast<const QChar *>(t), 10);
}

QString LongTimeText(const QTime &time)
{
    if (!time.isValid())
        return QString();
    char16_t t[8] = {0, 0, u':', 0, 0, u':', 0, 0};
    putTwo(t, time.hour());
    putTwo(t + 3, time.minute());
    putTwo(t + 6, time.second());
    return QString(reinterpret_cast<const QChar *>(t), 8);
}

QString GeneralDateText(double oleDate)
{
    // Date and time apart: a QDateTime would look up the time zone each time.
    const QDate date = oleDateToDate(oleDate);
    if (!date.isValid())
        return QString();
    const QTime time = oleDateToTime(oleDate);
    const QString clock = QString::number(time.hour()) + u':' + LongTimeText(time).mid(3);
    if (date == QDate(1899, 12, 30))
        return clock;
    if (time == QTime(0, 0))
        return ShortDateText(date);
    return ShortDateText(date) + u' ' + clock;
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
