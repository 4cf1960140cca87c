#pragma once

#include "ProgressDisplay.h"

#include <QObject>
#include <QString>

class AppContext;
class EventLog;

// The gate "Идентификация": start-up, the access-code check and the
// progress display of day loading. It holds what the window shows; the
// window only mirrors it and forwards the operator's typing.
class AccessGate : public QObject, public ProgressDisplay
{
    Q_OBJECT

public:
    // What an accepted code opens, by purpose.
    enum Purpose {
        Login = 0,
        ParameterSettings = 1,
        PortSettings = 2,
        ScaleSettings = 4,
        Service = 5,
        CardCorrection = 6,
        EditModes = 7,
        UsbCapture = 8,
        IpCamera = 9,
        CentralDatabase = 10,
        VehicleRegister = 11,
        WorkplaceSettings = 12,
        Equipment = 13,
    };

    AccessGate(AppContext &context, EventLog &log, QObject *parent = nullptr);

    // The gate at the program's start, the settings loaded: waiting for a
    // code, or logged in at once when the program starts itself.
    void open();

    // Sets the purpose and shows the gate again.
    void ShowGate(int purpose);
    // The window became active: the entry is emptied.
    void activate();
    // The close button. Before a login it ends the program.
    void close();

    // Every change of the entry's text runs the code check, while the gate
    // takes codes.
    void setCodeText(const QString &text);
    // False from an accepted code until the gate is shown again: keys typed
    // after the code that was accepted open nothing more.
    bool takesCode() const { return m_takesCode; }

    // What the next accepted code opens (`GatePurpose`).
    int purpose() const;
    QString promptText() const { return m_prompt; }
    QString codeText() const { return m_code; }
    bool isVisible() const { return m_visible; }
    bool progressVisible() const { return m_progressVisible; }
    int progressValue() const { return m_progressValue; }

    void beginProgress() override;
    void stepProgress(int done, int total) override;
    void endProgress() override;

    static QString initialPrompt();
    // What start-up has to tell the operator (a damaged settings file); empty: nothing.
    QString startupMessage() const { return m_startupMessage; }
    void setStartupMessage(const QString &text) { m_startupMessage = text; }

signals:
    void changed();
    // The main window is shown (and loads the first time).
    void mainWindowRequested();
    // An accepted code at a purpose other than the login.
    void purposeAccepted(int purpose);
    // Closed before anybody logged in.
    void quitRequested();

private:
    void checkCode();
    void loginAs(const QString &name);
    void accept(int purpose);
    void hide();

    AppContext &m_context;
    QString m_startupMessage;
    EventLog &m_log;
    QString m_prompt;
    QString m_code;
    bool m_visible = true;
    bool m_takesCode = true;
    bool m_progressVisible = false;
    int m_progressValue = 0;
};
