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

Parts split(double value)
{
    if (!std::isfinite(value) || value < kMin || value >= kEnd)
        return {};
    const double whole = std::trunc(value);
    long long seconds = std::llround(std::fabs(value - whole) * kSecondsPerDay);
    QDate date = kEpoch.addDays(static_cast<qint64>(whole));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds = 0;
    }
    return {date, QTime(0, 0).addSecs(int(seconds))};
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
