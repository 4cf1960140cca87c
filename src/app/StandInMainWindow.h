#pragma once

#include <QMainWindow>

class AppContext;
class EventLog;
class EventLogWindow;
class QLabel;
class QTimer;

// The operator's window after login: title with date, time and operator,
// the event log viewer and the exit with its question.
class StandInMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    StandInMainWindow(AppContext &context, EventLog &log, QWidget *parent = nullptr);

    void showLoaded();
    void updateTitle();
    // Returns false when the operator cancelled.
    bool exitProgram();

private:
    AppContext &m_context;
    EventLog &m_log;
    EventLogWindow *m_logWindow = nullptr;
    QLabel *m_caption;
    QTimer *m_clock;
    bool m_loaded = false;
};
