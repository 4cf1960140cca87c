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
    };

    ScaleSimulator(const Options &options, PseudoTerminal &terminal, QObject *parent = nullptr);

    void start();

private:
    void sendFrame();
    void answerRequests();
    void send(const QByteArray &bytes, int pauseMs);
    double reading(bool *steady);

    Options m_options;
    FrameMaker m_frames;
    WeightCourse m_course;
    PseudoTerminal &m_terminal;
    QElapsedTimer m_clock;
    QTimer m_sendTimer;
    QSocketNotifier *m_requests = nullptr;
    QByteArray m_pending;
    qint64 m_frameCount = 0;
    QString m_phase;
};
