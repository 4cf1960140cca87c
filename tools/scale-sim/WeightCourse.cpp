#include "WeightCourse.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The truck's day on the platform, in ms within one cycle.
constexpr qint64 kOnStart = 4000;
constexpr qint64 kFrontAxleOn = 5500;
constexpr qint64 kOnEnd = 7000;
constexpr qint64 kSettled = 9000;
constexpr qint64 kOffStart = 15000;
constexpr qint64 kOffEnd = 17000;

double stepped(double value)
{
    return std::round(value / WeightCourse::kMotionStep) * WeightCourse::kMotionStep;
}

double ramp(qint64 t, qint64 from, qint64 to, double a, double b)
{
    return a + (b - a) * double(t - from) / double(to - from);
}

} // namespace

WeightCourse::WeightCourse(Scenario scenario, double weight, double noise, quint32 seed)
    : m_scenario(scenario)
    , m_weight(weight)
    , m_noise(noise)
    , m_random(seed)
{
}

WeightCourse::Phase WeightCourse::phase(qint64 ms) const
{
    if (m_scenario == Scenario::Fixed)
        return Phase::Fixed;
    const qint64 t = ms % kTruckCycleMs;
    if (t < kOnStart || t >= kOffEnd)
        return Phase::Empty;
    if (t < kOnEnd)
        return Phase::DrivingOn;
    if (t < kSettled)
        return Phase::Settling;
    if (t < kOffStart)
        return Phase::Standing;
    return Phase::DrivingOff;
}

double WeightCourse::loadAt(qint64 ms) const
{
    const qint64 t = ms % kTruckCycleMs;
    double load = 0.0;
    switch (phase(ms)) {
    case Phase::Fixed:
    case Phase::Standing: load = m_weight; break;
    case Phase::Empty: load = 0.0; break;
    case Phase::DrivingOn:
        // The front axle first, then the whole truck with a little overshoot.
        load = t < kFrontAxleOn ? ramp(t, kOnStart, kFrontAxleOn, 0.0, 0.45 * m_weight)
                                : ramp(t, kFrontAxleOn, kOnEnd, 0.45 * m_weight, 1.03 * m_weight);
        load = stepped(load);
        break;
    case Phase::Settling: {
        // A swing that dies away until the reading stands still.
        const double s = double(t - kOnEnd) / 1000.0;
        load = stepped(m_weight * (1.0 + 0.03 * std::exp(-2.5 * s) * std::cos(6.0 * s)));
        break;
    }
    case Phase::DrivingOff:
        load = stepped(ramp(t, kOffStart, kOffEnd, m_weight, 0.0));
        break;
    }
    return load - m_zero;
}

double WeightCourse::weightAt(qint64 ms)
{
    double value = loadAt(ms);
    if (m_noise > 0) {
        const int n = int(std::round(m_noise));
        value += double(m_random.bounded(-n, n + 1));
    }
    return value;
}

bool WeightCourse::steadyAt(qint64 ms) const
{
    const Phase p = phase(ms);
    return m_noise <= 0 && (p == Phase::Fixed || p == Phase::Empty || p == Phase::Standing);
}

QString WeightCourse::phaseAt(qint64 ms) const
{
    switch (phase(ms)) {
    case Phase::Fixed: return u"постоянный вес"_s;
    case Phase::Empty: return u"платформа пуста"_s;
    case Phase::DrivingOn: return u"машина заезжает"_s;
    case Phase::Settling: return u"вес успокаивается"_s;
    case Phase::Standing: return u"машина стоит"_s;
    case Phase::DrivingOff: return u"машина съезжает"_s;
    }
    return QString();
}

void WeightCourse::zero(qint64 ms)
{
    m_zero += loadAt(ms);
}
