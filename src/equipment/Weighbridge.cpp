#include "Weighbridge.h"

#include "IoModule.h"

using namespace Qt::StringLiterals;

Weighbridge::Weighbridge(IoModule &module, const QString &baseFolder, QObject *parent)
    : QObject(parent)
    , m_io(module)
    , m_baseFolder(baseFolder)
{
    connect(&m_io, &IoModule::inputsRead, this, &Weighbridge::inputsRead);
    connect(&m_io, &IoModule::answered, this, [this] {
        if (m_module == ModuleState::Off)
            return;
        const bool wasSilent = m_module == ModuleState::Silent;
        m_module = ModuleState::Answering;
        if (wasSilent)
            emit moduleBack();
        emit changed();
    });
    connect(&m_io, &IoModule::lost, this, [this](const QString &reason) {
        if (m_module == ModuleState::Off || m_module == ModuleState::Silent)
            return;
        m_module = ModuleState::Silent;
        emit moduleLost(reason);
        emit changed();
    });
}

void Weighbridge::load()
{
    apply(AutomationSettings::load(m_baseFolder));
}

StoreResult Weighbridge::save(const AutomationSettings &settings)
{
    const StoreResult saved = settings.save(m_baseFolder);
    if (saved)
        apply(settings);
    return saved;
}

void Weighbridge::apply(const AutomationSettings &settings)
{
    m_settings = settings;
    m_beamClear = {true, true};
    m_released = false;
    if (!m_settings.enabled) {
        m_io.stop();
        m_module = ModuleState::Off;
        m_state = State::Off;
        m_outputs = {};
        emit settingsApplied();
        emit changed();
        return;
    }
    IoModule::Target target{m_settings.ioHost, m_settings.ioPort, m_settings.ioUnit, {}};
    for (const int input : {m_settings.beamEntryInput, m_settings.beamExitInput})
        if (input >= 0 && !target.inputs.contains(input))
            target.inputs.append(input);
    m_io.start(target);
    m_module = ModuleState::Connecting;
    m_state = State::Off;
    // The module forgot the coils: every fitted one is set again.
    if (m_manual)
        setAll(m_outputs, true);
    update();
    emit settingsApplied();
    emit changed();
}

void Weighbridge::setWeight(double weight)
{
    if (weight == m_weight)
        return;
    m_weight = weight;
    update();
}

void Weighbridge::cardWritten(CardChange change)
{
    if (change != CardChange::Store && change != CardChange::Completion && change != CardChange::ArchiveCompletion)
        return;
    if (!m_settings.enabled)
        return;
    m_released = true;
    update();
}

int Weighbridge::coil(Output output) const
{
    switch (output) {
    case Output::EntryGreen: return m_settings.lightEntryGreenCoil;
    case Output::EntryRed: return m_settings.lightEntryRedCoil;
    case Output::ExitGreen: return m_settings.lightExitGreenCoil;
    case Output::ExitRed: return m_settings.lightExitRedCoil;
    case Output::EntryBarrier: return m_settings.barrierEntryCoil;
    case Output::ExitBarrier: return m_settings.barrierExitCoil;
    }
    return -1;
}

QString Weighbridge::outputCaption(Output output)
{
    switch (output) {
    case Output::EntryGreen: return u"Въезд: зелёный"_s;
    case Output::EntryRed: return u"Въезд: красный"_s;
    case Output::ExitGreen: return u"Выезд: зелёный"_s;
    case Output::ExitRed: return u"Выезд: красный"_s;
    case Output::EntryBarrier: return u"Шлагбаум въезда открыт"_s;
    case Output::ExitBarrier: return u"Шлагбаум выезда открыт"_s;
    }
    return {};
}

void Weighbridge::setManual(bool on)
{
    if (on == m_manual)
        return;
    m_manual = on;
    // Back to automatic: the outputs the state wants, whatever was set by hand.
    if (!on && m_settings.enabled) {
        m_state = State::Off;
        update();
    }
    emit changed();
}

void Weighbridge::setOutputByHand(Output output, bool on)
{
    if (!m_manual || !m_settings.enabled)
        return;
    set(output, on, false);
    emit changed();
}

QString Weighbridge::storeRefusal() const
{
    if (!m_settings.enabled)
        return {};
    if (m_module != ModuleState::Answering)
        return silentText();
    // Someone crossing a beam of an empty platform is no wheel left off it.
    if (m_weight >= m_settings.emptyWeight && (!m_beamClear[0] || !m_beamClear[1]))
        return beamText();
    return {};
}

QString Weighbridge::statusText() const
{
    return m_module == ModuleState::Silent ? silentText() : QString();
}

void Weighbridge::inputsRead(const QMap<int, bool> &inputs)
{
    if (!m_settings.enabled)
        return;
    const std::array<bool, 2> clear{inputs.value(m_settings.beamEntryInput, true),
                                    inputs.value(m_settings.beamExitInput, true)};
    if (clear == m_beamClear)
        return;
    m_beamClear = clear;
    update();
    emit changed();
}

bool Weighbridge::platformFree() const
{
    return m_weight < m_settings.emptyWeight && m_beamClear[0] && m_beamClear[1];
}

void Weighbridge::update()
{
    if (!m_settings.enabled)
        return;
    const bool free = platformFree();
    if (free)
        m_released = false;
    const State state = free ? State::Free : m_released ? State::Leaving : State::Taken;
    if (state == m_state)
        return;
    const bool first = m_state == State::Off;
    m_state = state;
    if (!m_manual) {
        // entry green, entry red, exit green, exit red, entry barrier, exit barrier
        switch (state) {
        case State::Free: setAll({true, false, false, true, true, false}, first); break;
        case State::Taken: setAll({false, true, false, true, false, false}, first); break;
        case State::Leaving: setAll({false, true, true, false, false, true}, first); break;
        case State::Off: break;
        }
    }
    emit changed();
}

void Weighbridge::setAll(const std::array<bool, outputCount> &outputs, bool force)
{
    for (int i = 0; i < outputCount; ++i)
        set(Output(i), outputs[i], force);
}

void Weighbridge::set(Output output, bool on, bool force)
{
    if (!force && m_outputs[int(output)] == on)
        return;
    m_outputs[int(output)] = on;
    if (const int c = coil(output); c >= 0)
        m_io.setCoil(c, on);
}
