#pragma once

#include <QWidget>

class EventLog;
class QPlainTextEdit;

// "Журнал событий": the journal's end, read afresh whenever it is activated.
class EventLogWindow : public QWidget
{
    Q_OBJECT

public:
    explicit EventLogWindow(EventLog &log, QWidget *parent = nullptr);

    QString shownText() const;

protected:
    bool event(QEvent *event) override;

private:
    void reload();

    EventLog &m_log;
    QPlainTextEdit *m_text;
};
