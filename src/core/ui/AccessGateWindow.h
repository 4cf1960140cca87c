#pragma once

#include <QPointer>
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

    // The main window. While it is on screen the gate appears centred over
    // it; before it is shown, centred on the screen.
    void setAnchorWindow(QWidget *mainWindow);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void sync();
    void placeWindow();

    AccessGate &m_gate;
    QLabel *m_prompt;
    QLineEdit *m_entry;
    QProgressBar *m_progress;
    QPointer<QWidget> m_anchor;
    QPointer<QWidget> m_notice;
    // The window that was active before a progress display came up.
    QPointer<QWidget> m_before;
    bool m_syncing = false;
};
