#include "WeightCourse.h"

#include <algorithm>
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

void WeightCourse::setTrucks(const QList<Truck> &trucks, qint64 standMs, bool quick)
{
    m_trucks = trucks;
    m_standMs = standMs;
    m_quick = quick;
}

QList<WeightCourse::Truck> WeightCourse::parseTrucks(const QString &text)
{
    QList<Truck> trucks;
    for (const QString &item : text.split(u',')) {
        const QStringList parts = item.trimmed().split(u'~');
        bool ok = parts.size() <= 2;
        Truck truck;
        if (ok)
            truck.weight = parts[0].toDouble(&ok);
        if (ok && parts.size() == 2)
            truck.rocking = parts[1].toDouble(&ok);
        if (!ok || truck.weight <= 0 || truck.rocking < 0)
            return {};
        trucks << truck;
    }
    return trucks;
}

qint64 WeightCourse::queueCycleMs() const
{
    return emptyMs() + onMs() + settleMs() + m_standMs + offMs();
}

qint64 WeightCourse::queueMs() const
{
    return queueCycleMs() * m_trucks.size();
}

int WeightCourse::queueTruck(qint64 ms, qint64 *t) const
{
    const qint64 cycle = queueCycleMs();
    *t = ms % cycle;
    return int(std::min<qint64>(ms / cycle, m_trucks.size()));
}

double WeightCourse::queueLoadAt(qint64 ms) const
{
    qint64 t = 0;
    const int i = queueTruck(ms, &t);
    if (i >= m_trucks.size())
        return 0.0;
    const Truck &truck = m_trucks[i];
    const double w = truck.weight;
    const qint64 on = emptyMs();
    const qint64 settle = on + onMs();
    const qint64 stand = settle + settleMs();
    const qint64 off = stand + m_standMs;
    switch (phase(ms)) {
    case Phase::DrivingOn:
        return t < on + onMs() / 2 ? stepped(ramp(t, on, on + onMs() / 2, 0.0, 0.45 * w))
                                       : stepped(ramp(t, on + onMs() / 2, settle, 0.45 * w, 1.03 * w));
    case Phase::Settling: {
        const double s = double(t - settle) / 1000.0;
        return stepped(w * (1.0 + 0.03 * std::exp(-2.5 * s) * std::cos(6.0 * s)));
    }
    case Phase::Standing:
        return w;
    case Phase::Rocking:
        // A sine never shows one value at three readings in a row, however
        // they fall: it passes each level at most twice per period.
        return std::round(w + truck.rocking * std::sin(2.0 * M_PI * double(t - settle) / double(kRockPeriodMs)));
    case Phase::DrivingOff:
        return stepped(ramp(t, off, off + offMs(), w, 0.0));
    default:
        return 0.0;
    }
}

WeightCourse::Phase WeightCourse::phase(qint64 ms) const
{
    if (m_scenario == Scenario::Fixed)
        return Phase::Fixed;
    if (m_scenario == Scenario::Trucks) {
        qint64 t = 0;
        const int i = queueTruck(ms, &t);
        if (i >= m_trucks.size())
            return Phase::QueueDone;
        const qint64 settle = emptyMs() + onMs();
        const qint64 off = settle + settleMs() + m_standMs;
        if (t < emptyMs())
            return Phase::Empty;
        if (t < settle)
            return Phase::DrivingOn;
        if (t < off && m_trucks[i].rocking > 0)
            return Phase::Rocking;
        if (t < settle + settleMs())
            return Phase::Settling;
        if (t < off)
            return Phase::Standing;
        return Phase::DrivingOff;
    }
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
    if (m_scenario == Scenario::Trucks)
        return queueLoadAt(ms) - m_zero;
    const qint64 t = ms % kTruckCycleMs;
    double load = 0.0;
    switch (phase(ms)) {
    case Phase::Fixed:
    case Phase::Standing: load = m_weight; break;
    case Phase::Empty:
    case Phase::Rocking:
    case Phase::QueueDone: load = 0.0; break;
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
    return m_noise <= 0
           && (p == Phase::Fixed || p == Phase::Empty || p == Phase::Standing || p == Phase::QueueDone);
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
    case Phase::Rocking: return u"машина раскачивается"_s;
    case Phase::QueueDone: return u"все машины проехали"_s;
    }
    return QString();
}

void WeightCourse::zero(qint64 ms)
{
    m_zero += loadAt(ms);
}
