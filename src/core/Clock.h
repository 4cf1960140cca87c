#pragma once

#include <QDate>
#include <QDateTime>

// "Now" and "today" for the whole program. Tests set it to any moment so
// the change of day and other days' files are tried without waiting.
class Clock
{
public:
    QDateTime now() const;
    QDate today() const { return now().date(); }

    // Fixes the clock at `moment` until it is set again or released.
    void setNow(const QDateTime &moment);
    void advanceSeconds(qint64 seconds);
    void useSystemTime();
    bool isFixed() const { return m_fixed.isValid(); }

private:
    QDateTime m_fixed;
};
