#pragma once

#include <QWidget>

class AppContext;
class EventLog;
class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

// "Рабочее место": the operator's settings kept beside the settings file.
class WorkplaceSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    WorkplaceSettingsWindow(AppContext &context, EventLog &log, QWidget *parent = nullptr);

    // The controls show the settings as they are.
    void load();
    QCheckBox *clearEntryBox() const { return m_clear; }
    QCheckBox *learnListsBox() const { return m_learn; }
    QCheckBox *refuseUnsteadyBox() const { return m_unsteady; }
    QCheckBox *unattendedBox() const { return m_unattended; }
    QSpinBox *openDaysField() const { return m_openDays; }
    QSpinBox *tareAgeField() const { return m_tareAge; }
    QSpinBox *emptyWeightField() const { return m_emptyWeight; }
    QPushButton *saveButton() const { return m_save; }
    QLabel *stateLine() const { return m_state; }

signals:
    void saved();

private:
    void save();

    AppContext &m_context;
    EventLog &m_log;
    QCheckBox *m_clear;
    QCheckBox *m_learn;
    QCheckBox *m_unsteady;
    QCheckBox *m_unattended;
    QSpinBox *m_openDays;
    QSpinBox *m_tareAge;
    QSpinBox *m_emptyWeight;
    QPushButton *m_save;
    QLabel *m_state;
};
