#pragma once

#include "equipment/Weighbridge.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Оборудование весовой": the settings of automation.ini, and the module,
// the beams and the outputs as they are now. With "Ручное управление" on,
// the engineer switches each output; leaving the window gives them back to
// the weighbridge.
class EquipmentWindow : public QWidget
{
    Q_OBJECT

public:
    explicit EquipmentWindow(Weighbridge &weighbridge, QWidget *parent = nullptr);

    // The fields from the settings in force.
    void load();

    QCheckBox *enabledBox() const { return m_enabled; }
    QLineEdit *hostField() const { return m_host; }
    QSpinBox *portField() const { return m_port; }
    QSpinBox *unitField() const { return m_unit; }
    QSpinBox *beamField(Weighbridge::Beam beam) const { return m_beamInputs[int(beam)]; }
    QSpinBox *coilField(Weighbridge::Output output) const { return m_coils[int(output)]; }
    QSpinBox *emptyWeightField() const { return m_emptyWeight; }
    QLineEdit *scoreboardPortField() const { return m_scoreboardPort; }
    QComboBox *scoreboardBaudBox() const { return m_scoreboardBaud; }
    QLineEdit *readerPortField() const { return m_readerPort; }
    QComboBox *readerBaudBox() const { return m_readerBaud; }
    QPushButton *saveButton() const { return m_save; }
    QLabel *resultLabel() const { return m_result; }
    QLabel *moduleLabel() const { return m_module; }
    QLabel *stateLabel() const { return m_state; }
    QLabel *beamLabel(Weighbridge::Beam beam) const { return m_beams[int(beam)]; }
    QCheckBox *manualBox() const { return m_manual; }
    QCheckBox *outputBox(Weighbridge::Output output) const { return m_outputs[int(output)]; }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    AutomationSettings fields() const;
    void save();
    void showState();

    Weighbridge &m_weighbridge;
    QCheckBox *m_enabled;
    QLineEdit *m_host;
    QSpinBox *m_port;
    QSpinBox *m_unit;
    std::array<QSpinBox *, 2> m_beamInputs;
    std::array<QSpinBox *, Weighbridge::outputCount> m_coils;
    QSpinBox *m_emptyWeight;
    QLineEdit *m_scoreboardPort;
    QComboBox *m_scoreboardBaud;
    QLineEdit *m_readerPort;
    QComboBox *m_readerBaud;
    QPushButton *m_save;
    QLabel *m_result;
    QLabel *m_module;
    QLabel *m_state;
    std::array<QLabel *, 2> m_beams;
    QCheckBox *m_manual;
    std::array<QCheckBox *, Weighbridge::outputCount> m_outputs;
};
