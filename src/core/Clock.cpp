#include "Clock.h"

QDateTime Clock::now() const
{
    return m_fixed.isValid() ? m_fixed : QDateTime::currentDateTime();
}

void Clock::setNow(const QDateTime &moment)
{
    m_fixed = moment;
}

void Clock::advanceSeconds(qint64 seconds)
{
    m_fixed = now().addSecs(seconds);
}

void Clock::useSystemTime()
{
    m_fixed = QDateTime();
}
