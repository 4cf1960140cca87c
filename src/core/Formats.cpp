#include "Formats.h"

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

QString ShortDateText(const QDate &date)
{
    if (!date.isValid())
        return QString();
    return u"%1.%2.%3"_s.arg(date.day(), 2, 10, QChar(u'0'))
        .arg(date.month(), 2, 10, QChar(u'0'))
        .arg(date.year(), 4, 10, QChar(u'0'));
}

QString LongTimeText(const QTime &time)
{
    if (!time.isValid())
        return QString();
    return u"%1:%2:%3"_s.arg(time.hour(), 2, 10, QChar(u'0'))
        .arg(time.minute(), 2, 10, QChar(u'0'))
        .arg(time.second(), 2, 10, QChar(u'0'));
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
