#pragma once

#include "AutomationSettings.h"
#include "card/CardServices.h"
#include "core/StoreResult.h"

#include <QObject>

#include <array>

class IoModule;

// The lights, the barriers and the beams of the weighbridge. The platform
// is free, taken by a truck, or being left by a truck just weighed; the
// outputs follow that state unless the engineer sets them by hand. It
// refuses a weighing while a beam is broken or the module is silent.
class Weighbridge : public QObject, public PlatformGuard
{
    Q_OBJECT

public:
    enum class Output { EntryGreen, EntryRed, ExitGreen, ExitRed, EntryBarrier, ExitBarrier };
    static constexpr int outputCount = 6;
    enum class Beam { Entry, Exit };
    enum class State { Off, Free, Taken, Leaving };
    enum class ModuleState { Off, Connecting, Answering, Silent };

    Weighbridge(IoModule &module, const QString &baseFolder, QObject *parent = nullptr);

    // automation.ini of the base folder, applied.
    void load();
    // Written to automation.ini and applied at once: the module is
    // reached again with the new settings.
    [[nodiscard]] StoreResult save(const AutomationSettings &settings);
    void apply(const AutomationSettings &settings);
    const AutomationSettings &settings() const { return m_settings; }

    // The scale's live weight, kg.
    void setWeight(double weight);
    // A card was written: after a weighing the truck may leave.
    void cardWritten(CardChange change);

    State state() const { return m_state; }
    ModuleState moduleState() const { return m_module; }
    // A beam not fitted counts as clear.
    bool beamClear(Beam beam) const { return m_beamClear[int(beam)]; }
    bool output(Output output) const { return m_outputs[int(output)]; }
    // The coil of the output, -1 when it is not fitted.
    int coil(Output output) const;
    static QString outputCaption(Output output);

    // While on, the engineer switches the outputs and the state does not.
    void setManual(bool on);
    bool manual() const { return m_manual; }
    void setOutputByHand(Output output, bool on);

    QString storeRefusal() const override;
    // What the main window's status line says: empty while all is well.
    QString statusText() const;
    static QString silentText() { return QStringLiteral("Модуль ввода-вывода не отвечает"); }
    static QString backText() { return QStringLiteral("Модуль ввода-вывода снова отвечает"); }
    static QString beamText() { return QStringLiteral("Машина стоит не полностью на платформе"); }

signals:
    // Anything shown changed: a state, a beam, an output, the settings.
    void changed();
    void moduleLost(const QString &reason);
    void moduleBack();
    void settingsApplied();

private:
    void inputsRead(const QMap<int, bool> &inputs);
    void update();
    void set(Output output, bool on, bool force);
    void setAll(const std::array<bool, outputCount> &outputs, bool force);
    bool platformFree() const;

    IoModule &m_io;
    QString m_baseFolder;
    AutomationSettings m_settings;
    State m_state = State::Off;
    ModuleState m_module = ModuleState::Off;
    std::array<bool, 2> m_beamClear{true, true};
    std::array<bool, outputCount> m_outputs{};
    double m_weight = 0;
    bool m_released = false;
    bool m_manual = false;
};
