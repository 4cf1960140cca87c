#pragma once

#include "FrameMaker.h"
#include "WeightCourse.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class PseudoTerminal;
class QSocketNotifier;

// Plays one terminal on the pseudo-terminal: answers requests for the
// polled types, sends frames at a fixed rate for the others.
class ScaleSimulator : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        FrameMaker::Options frame;
        WeightCourse::Scenario scenario = WeightCourse::Scenario::Fixed;
        double weight = 12500;
        double noise = 0;
        // The queue of the trucks scenario, and how long each stands.
        QList<WeightCourse::Truck> trucks;
        qint64 standMs = 12000;
        // The moves between the stands quicker (WeightCourse::setTrucks).
        bool quickMoves = false;
        int rate = 10;
        // Type 4: every second frame with wrong check characters.
        bool badCheck = false;
        // Every frame written in two parts with a pause between.
        bool split = false;
        // Every frame says the scale moves, where the frame can say it.
        bool motion = false;
        // Line speed: bytes leave no faster than a serial line carries them
        // (10 bits a byte), so a read may end anywhere inside a frame. 0:
        // each frame written at once.
        int baud = 9600;
        // Types 3 and 7: the answer leaves this long after the request.
        int replyDelayMs = 0;
    };

    ScaleSimulator(const Options &options, PseudoTerminal &terminal, QObject *parent = nullptr);

    void start();

private:
    void sendFrame();
    void answerRequests();
    void send(const QByteArray &bytes, int pauseMs);
    void queue(const QByteArray &bytes);
    void drainLine();
    double reading(bool *steady);

    Options m_options;
    FrameMaker m_frames;
    WeightCourse m_course;
    PseudoTerminal &m_terminal;
    QElapsedTimer m_clock;
    QTimer m_sendTimer;
    QSocketNotifier *m_requests = nullptr;
    QByteArray m_pending;
    // Bytes waiting for the line, and when the line last took some.
    QByteArray m_line;
    QTimer m_lineTimer;
    qint64 m_lineMs = 0;
    qint64 m_frameCount = 0;
    QString m_phase;
};
