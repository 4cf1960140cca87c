#pragma once

#include <QRandomGenerator>
#include <QString>

// The weight on the platform over time: a fixed load, or a truck that
// drives on, settles, stands, drives off and comes again, in a loop.
class WeightCourse
{
public:
    enum class Scenario { Fixed, Truck };

    static constexpr qint64 kTruckCycleMs = 20000;
    // Weights in motion are shown in steps of this many units.
    static constexpr double kMotionStep = 10.0;

    WeightCourse(Scenario scenario, double weight, double noise = 0.0, quint32 seed = 1);

    // The reading at `ms` since the start, noise included.
    double weightAt(qint64 ms);
    // Without noise.
    double loadAt(qint64 ms) const;
    // The load does not change (the platform is empty or the truck stands).
    bool steadyAt(qint64 ms) const;
    // "платформа пуста", "машина заезжает", ...
    QString phaseAt(qint64 ms) const;

    // The zero command: what is on the platform now reads as 0.
    void zero(qint64 ms);

private:
    enum class Phase { Empty, DrivingOn, Settling, Standing, DrivingOff, Fixed };
    Phase phase(qint64 ms) const;

    Scenario m_scenario;
    double m_weight;
    double m_noise;
    double m_zero = 0.0;
    QRandomGenerator m_random;
};
