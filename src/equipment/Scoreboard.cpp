#include "Scoreboard.h"

#include "core/Clock.h"
#include "terminal/ContinuousFrame.h"

#include <QSerialPort>
#include <QTimer>

using namespace Qt::StringLiterals;

Scoreboard::Scoreboard(Clock &clock, QObject *parent)
    : SerialDevice(u"Табло"_s, parent)
    , m_clock(clock)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(PeriodMs);
    connect(m_timer, &QTimer::timeout, this, &Scoreboard::send);
    m_timer->start();
}

void Scoreboard::showNet(double net, int ms)
{
    m_net = net;
    m_netUntil = m_clock.now().addMSecs(ms);
}

std::optional<double> Scoreboard::shown() const
{
    if (m_netUntil.isValid() && m_clock.now() < m_netUntil)
        return m_net;
    return m_weight;
}

QByteArray Scoreboard::frame() const
{
    const std::optional<double> weight = shown();
    if (!weight)
        return {};
    return ContinuousFrame::type4(*weight, ContinuousFrame::decimalsFor(*weight));
}

void Scoreboard::send()
{
    if (!isOpen())
        return;
    // A display that does not read its line must not fill the buffer.
    if (serial().bytesToWrite() > 4 * 12)
        return;
    if (const QByteArray bytes = frame(); !bytes.isEmpty())
        serial().write(bytes);
}
