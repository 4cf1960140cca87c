#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QString>

// The weight on the platform over time: a fixed load, or a truck that
// drives on, settles, stands, drives off and comes again, in a loop, or a
// queue of trucks, each once, some of them rocking while they stand.
class WeightCourse
{
public:
    enum class Scenario { Fixed, Truck, Trucks };

    struct Truck
    {
        double weight = 0;
        // Rocking: the reading swings by up to this many units around the
        // weight instead of settling.
        double rocking = 0;
    };
    // One truck of the queue, in ms: empty platform, driving on, settling,
    // (standing), driving off.
    static constexpr qint64 kQueueEmptyMs = 2000;
    static constexpr qint64 kQueueOnMs = 2000;
    static constexpr qint64 kQueueSettleMs = 1500;
    static constexpr qint64 kQueueOffMs = 1500;
    // The swing of a rocking truck.
    static constexpr qint64 kRockPeriodMs = 2000;

    static constexpr qint64 kTruckCycleMs = 20000;
    // Weights in motion are shown in steps of this many units.
    static constexpr double kMotionStep = 10.0;

    WeightCourse(Scenario scenario, double weight, double noise = 0.0, quint32 seed = 1);
    // The queue: each truck stands `standMs` after settling, then the
    // platform stays empty. `quick`: the moves take half a second each and
    // the platform is empty for a second between trucks (a reading or two
    // at the usual poll period), for tests that play many trucks.
    void setTrucks(const QList<Truck> &trucks, qint64 standMs, bool quick = false);
    // "12500,18340,15000~20": weights, "~N" a truck rocking by ±N. Empty
    // when the text is no such list.
    static QList<Truck> parseTrucks(const QString &text);
    // From the start until the last truck of the queue has left.
    qint64 queueMs() const;

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
    enum class Phase { Empty, DrivingOn, Settling, Standing, DrivingOff, Fixed, Rocking, QueueDone };
    Phase phase(qint64 ms) const;
    qint64 queueCycleMs() const;
    // The truck of the queue at `ms` and the time within its cycle.
    int queueTruck(qint64 ms, qint64 *t) const;
    double queueLoadAt(qint64 ms) const;
    qint64 emptyMs() const { return m_quick ? 1000 : kQueueEmptyMs; }
    qint64 onMs() const { return m_quick ? 500 : kQueueOnMs; }
    qint64 settleMs() const { return m_quick ? 500 : kQueueSettleMs; }
    qint64 offMs() const { return m_quick ? 500 : kQueueOffMs; }

    Scenario m_scenario;
    double m_weight;
    double m_noise;
    double m_zero = 0.0;
    QRandomGenerator m_random;
    QList<Truck> m_trucks;
    qint64 m_standMs = 12000;
    bool m_quick = false;
};
