#pragma once

#include <QDialog>

class AppContext;
class EventLog;
class QCheckBox;
class QDateEdit;
class QLabel;
class QSpinBox;

// "Первый запуск": what a new installation cannot know by itself, asked
// once, so a day-one truck is neither an overload nor a scale overdue for
// verification: the scale's maximum weight and its next verification date
// (left empty, no reminder is shown until one is set).
class FirstStartWindow : public QDialog
{
    Q_OBJECT

public:
    FirstStartWindow(AppContext &context, EventLog &log, QWidget *parent = nullptr);

    QSpinBox *maxWeightField() const { return m_maxWeight; }
    QCheckBox *dueKnownBox() const { return m_dueKnown; }
    QDateEdit *dueField() const { return m_due; }

    void accept() override;

private:
    AppContext &m_context;
    EventLog &m_log;
    QSpinBox *m_maxWeight;
    QCheckBox *m_dueKnown;
    QDateEdit *m_due;
    QLabel *m_state;
};
