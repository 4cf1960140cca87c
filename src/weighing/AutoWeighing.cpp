#include "AutoWeighing.h"

#include "card/CargoCard.h"
#include "Weighing.h"
#include "core/AppContext.h"
#include "core/Rounding.h"
#include "terminal/WeightConditioning.h"

AutoWeighing::AutoWeighing(AppContext &context, Weighing &weighing, WeightConditioning &conditioning,
                           QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_weighing(weighing)
    , m_conditioning(conditioning)
{
}

double AutoWeighing::presentNet() const
{
    // The other frames show the weights of a stored card, and a two-pass
    // type shows no net at all: neither follows the scale, so there the
    // weight on the scale tells.
    if (m_weighing.visibleFrame() == Weighing::Frame::DataEntry
        && m_weighing.operationType() == OperationTypes::single())
        return round6(m_weighing.liveWeights().net);
    return round6(m_weighing.WeighingWeight());
}

void AutoWeighing::Stability(bool noData)
{
    const Settings &s = m_context.settings;
    WeightConditioning &c = m_conditioning;
    auto &h = c.SampleHistory;
    constexpr int Red = WeightConditioning::Red;
    constexpr int Green = WeightConditioning::Green;

    // Axle weighing sums axles taken by hand; nothing is recorded by itself.
    if (s.AxleProgram == 1)
        return;
    // A poll without a weight breaks the triple: the last reading repeated
    // is no proof that the vehicle stands still.
    if (noData) {
        c.setAllLamps(Red);
        AutoPhase = 0;
        return;
    }

    if (presentNet() < s.AutoMinWeight) {
        c.setAllLamps(Red);
        AutoFixed = 0;
        AutoPhase = -1;
        return;
    }
    if (AutoFixed == 1)
        return;

    const double cur = m_weighing.TerminalWeight();
    const double f = s.AutoMaxFluctuation;
    const auto within = [cur, f](double sample) { return sample - f <= cur && cur <= sample + f; };

    switch (AutoPhase) {
    case 0:
        h[0] = cur;
        c.lamps[0] = Green;
        break;
    case 1:
        if (within(h[0])) {
            h[1] = cur;
            c.lamps[1] = Green;
        } else {
            h[0] = cur;
            h[1] = 0;
            c.setAllLamps(Red);
        }
        break;
    case 2:
        if (within(h[0]) && within(h[1])) {
            h[2] = cur;
            c.lamps[2] = Green;
            if (SteadyCount >= kTriplesBeforeRecording) {
                record();
            } else {
                ++SteadyCount;
                c.setAllLamps(Red);
            }
        } else {
            h[0] = cur;
            h[1] = 0;
            h[2] = 0;
            c.setAllLamps(Red);
        }
        AutoPhase = -1;
        break;
    default:
        // -1: one idle reading.
        AutoPhase = -1;
        break;
    }
    ++AutoPhase;
}

void AutoWeighing::record()
{
    // Someone else's store is still running: this vehicle is taken by the
    // next steady triple instead of being lost to a refused store.
    if (m_weighing.storing()) {
        m_conditioning.setAllLamps(WeightConditioning::Red);
        return;
    }
    emit beep();
    // Marked before the store: readings that arrive while it runs must see
    // this vehicle as recorded and never start a second card for it.
    AutoFixed = 1;
    SteadyCount = 0;
    AutoPhase = -1;
    bool stored = false;
    if (m_weighing.visibleFrame() == Weighing::Frame::DataEntry) {
        if (m_weighing.operationType() != OperationTypes::single())
            m_weighing.selectOperationType(OperationTypes::single());
        stored = m_weighing.StoreNewCard();
    }
    emit recorded(stored);
}
