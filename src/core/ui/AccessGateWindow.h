#pragma once

#include <QWidget>

class AccessGate;
class QLabel;
class QLineEdit;
class QProgressBar;

// The small window "Идентификация": prompt, code entry, progress bar.
class AccessGateWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AccessGateWindow(AccessGate &gate, QWidget *parent = nullptr);

    QLineEdit *codeEntry() const { return m_entry; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void sync();

    AccessGate &m_gate;
    QLabel *m_prompt;
    QLineEdit *m_entry;
    QProgressBar *m_progress;
    bool m_syncing = false;
};
