#pragma once

#include <QObject>

class AppContext;
class Weighing;
class WeightConditioning;

// The automatic mode's steadiness test. A vehicle whose weight stays within
// the allowed fluctuation for eleven triples of readings is stored as a
// single weighing, once: the scale must be emptied before the next one.
class AutoWeighing : public QObject
{
    Q_OBJECT

public:
    // Steady triples counted before the one that records.
    static constexpr int kTriplesBeforeRecording = 10;

    AutoWeighing(AppContext &context, Weighing &weighing, WeightConditioning &conditioning,
                 QObject *parent = nullptr);

    // Once per terminal reading while "Автомат" is ticked. `noData`: the
    // terminal showed no weight this time.
    void Stability(bool noData = false);

    // Position within the current triple, -1..2.
    int AutoPhase = 0;
    // Steady triples since the last recording.
    int SteadyCount = 0;
    // 1 from a recording until the vehicle has left the scale.
    int AutoFixed = 0;

    // The net that tells whether a vehicle stands on the scale.
    double presentNet() const;

signals:
    void beep();
    // A steady vehicle was taken; `stored` tells whether its card was
    // stored (only while the data-entry frame is shown).
    void recorded(bool stored);

private:
    void record();

    AppContext &m_context;
    Weighing &m_weighing;
    WeightConditioning &m_conditioning;
};
