#include "OleDate.h"

#include <cmath>

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kSecondsPerDay = 86400.0;
// 01.01.0100 up to the end of 31.12.9999, the range such dates can take.
constexpr double kMin = -657434.0;
constexpr double kEnd = 2958466.0;

struct Parts {
    QDate date;
    QTime time;
};

} // namespace

bool oleDateParts(double value, qint64 &days, int &seconds)
{
    if (!std::isfinite(value) || value < kMin || value >= kEnd)
        return false;
    const double whole = std::trunc(value);
    const long long s = std::llround(std::fabs(value - whole) * kSecondsPerDay);
    days = static_cast<qint64>(whole);
    seconds = int(s);
    if (s >= 86400) {
        ++days;
        seconds = 0;
    }
    return true;
}

namespace {

Parts split(double value)
{
    qint64 days = 0;
    int seconds = 0;
    if (!oleDateParts(value, days, seconds))
        return {};
    return {kEpoch.addDays(days), QTime(0, 0).addSecs(seconds)};
}

} // namespace

double toOleDate(const QDate &date, const QTime &time)
{
    if (!date.isValid())
        return 0.0;
    const double days = double(kEpoch.daysTo(date));
    const double fraction = time.isValid() ? (time.msecsSinceStartOfDay() / 1000) / kSecondsPerDay : 0.0;
    return days < 0 ? days - fraction : days + fraction;
}

double toOleDate(const QDateTime &dateTime)
{
    return toOleDate(dateTime.date(), dateTime.time());
}

QDate oleDateToDate(double value)
{
    return split(value).date;
}

QTime oleDateToTime(double value)
{
    return split(value).time;
}

QDateTime fromOleDate(double value)
{
    const Parts p = split(value);
    return p.date.isValid() ? QDateTime(p.date, p.time) : QDateTime();
}
