#pragma once

#include "FrameReader.h"
#include "ParseResult.h"
#include "PollAnimation.h"
#include "ScaleState.h"
#include "PortParameters.h"
#include "RawFrameLog.h"
#include "TerminalPort.h"

#include <QObject>
#include <QTimer>

class AppContext;

// The link to the weight terminal: the port, the poll and read timers, the
// protocol of the selected terminal type and what the main window shows of
// it (terminal weight, port status line, animation). The main window owns
// one and mirrors its state.
class TerminalLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int kReadDelayMs = 50;
    // How often a polled type's port is looked at for the end of the reply.
    static constexpr int kReplyCheckMs = 5;
    static constexpr int kReopenMs = 2000;
    static constexpr int kOpenColour = 8454016;   // light green
    static constexpr int kClosedColour = 8421631; // light red
    static QString noDataMark();

    // Takes ownership of `port`; without one the serial port is used.
    explicit TerminalLink(AppContext &context, TerminalPort *port = nullptr, QObject *parent = nullptr);
    ~TerminalLink() override;

    // Opens the port with the stored parameters; a failure only shows in the
    // status line, and the port is tried again every 2 s.
    void OpenPortAtStart();
    // Close, apply the stored parameters, open; false when it failed.
    bool reopenPort();
    // Moves to the port `chosen`. When it does not open, the settings get the
    // previous parameters back and the previous port is opened again, so a
    // typing mistake never leaves the scale without its port. False then.
    bool switchPort(const PortParameters &chosen);
    // At exit: the port closed and no more attempts.
    void closePort();

    // PollTimer with PollPeriodMs, from the main window's load until exit.
    void startPolling();
    void stopPolling();
    // PollPeriodMs changed: the running timer takes it at once.
    void applyPollPeriod();

    void PollTick();
    // The read: at once when a polled type's reply is whole, else at the
    // reply timeout (polled types) or 50 ms after the poll.
    void ReadTick();
    void SendRequest(const QByteArray &bytes);
    // Everything received since the previous call, one character per byte.
    QString ReadAll();
    // Runs the parser of `type` on what arrived and shows its result.
    void ParseTerminal(int type);
    // The zero button ">0<".
    void SendZero();

    double TerminalWeight() const { return m_terminalWeight; }
    // What the field "Вес с терминала" shows: the last whole frame's weight
    // (or the state it reported) until no frame came for the hold time.
    QString weightText() const { return m_weightText; }
    // The last read brought a whole frame: the weight shown is no older
    // than one poll. A held weight is shown but is no weighing.
    bool weightFresh() const { return showsWeight() && m_fresh; }
    // The overload, underload or error the indicator reports; None while
    // it sends a weight.
    IndicatorState indicatorState() const;

    // The effective hold time and reply timeout, from the workplace
    // settings and the poll period.
    int holdPolls() const;
    int replyTimeoutMs() const;

    // The last frame said the scale is moving; the lamps stay red.
    bool inMotion() const { return m_motion; }

    // What the big display marks: no link, overload, motion, zero.
    ScaleState scaleState() const;

    bool portOpen() const;
    // The port is open and the field shows a weight, not the no-data mark.
    bool showsWeight() const;
    // "COM1  9600,n,8,1", with the reason when the port is not open.
    QString statusText() const;
    // Emits statusChanged when the text or the colour differ from the last.
    void refreshStatus();
    int statusColour() const { return portOpen() ? kOpenColour : kClosedColour; }

    const PollAnimation &animation() const { return m_animation; }
    const RawFrameLog &rawLog() const { return m_rawLog; }
    const Type7State &type7State() const { return m_reader.type7State(); }
    const FrameReader &frameReader() const { return m_reader; }
    const QTimer &pollTimer() const { return m_pollTimer; }
    const QTimer &readTimer() const { return m_readTimer; }
    bool reopening() const { return m_reopenTimer.isActive(); }

signals:
    // After every accepted weight, once TerminalWeight holds it.
    void weightRead();
    // After every read: the stability lamps, or the steadiness test in AUTO mode.
    void readFinished();
    void weightTextChanged(const QString &text);
    void animationChanged();
    void statusChanged();
    // A poll's bytes and their reading were added to the raw log.
    void frameLogged();

private:
    void apply(const ParseResult &result);
    void checkReply();
    // What the field shows: the no-data mark, a weight or the indicator's state.
    enum class Shown { Mark, Weight, State };
    void showMark();
    void showText(const QString &text);
    bool tryOpen();
    void onPortLost();
    void reopenTick();
    void setReason(const QString &reason);

    AppContext &m_context;
    TerminalPort *m_port;
    QTimer m_pollTimer;
    QTimer m_readTimer;
    QTimer m_replyTimer;
    QTimer m_reopenTimer;
    PollAnimation m_animation;
    RawFrameLog m_rawLog;
    FrameReader m_reader;
    // What a polled type answered so far in this poll.
    QByteArray m_reply;
    double m_terminalWeight = 0.0;
    bool m_motion = false;
    bool m_fresh = false;
    Shown m_shown = Shown::Mark;
    IndicatorState m_state = IndicatorState::None;
    // Reads in a row without a whole frame.
    int m_misses = 0;
    QString m_weightText;
    QByteArray m_lastSent;
    // Why the port is not open, for the status line.
    QString m_reason;
    QString m_shownStatus;
    bool m_shownOpen = false;
    bool m_wanted = false;
    bool m_wasLost = false;
};
