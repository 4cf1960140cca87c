#pragma once

#include "SerialDevice.h"

#include <QDateTime>

#include <optional>

class Clock;
class QTimer;

// The drivers' display: the live weight sent over and over as the type 4
// continuous frame, the form outdoor displays take from indicators. After
// a weighing without an operator it shows that weighing's net for a while.
class Scoreboard : public SerialDevice
{
    Q_OBJECT

public:
    explicit Scoreboard(Clock &clock, QObject *parent = nullptr);

    // The terminal's weight now; none while the terminal shows none (the
    // display then gets no frames and blanks itself).
    void setWeight(std::optional<double> weight) { m_weight = weight; }
    // `net` instead of the live weight for `ms`.
    void showNet(double net, int ms);
    // What the display shows now.
    std::optional<double> shown() const;
    // The frame sent now; empty when nothing is.
    QByteArray frame() const;
    // About five frames a second.
    static constexpr int PeriodMs = 200;
    static constexpr int NetShownMs = 5000;

private:
    void send();

    Clock &m_clock;
    QTimer *m_timer;
    std::optional<double> m_weight;
    double m_net = 0;
    QDateTime m_netUntil;
};
