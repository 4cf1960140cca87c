#include "ScaleSimulator.h"

#include "PseudoTerminal.h"

#include <QSocketNotifier>
#include <QTextStream>
#include <QTime>

#include <algorithm>

using namespace Qt::StringLiterals;

ScaleSimulator::ScaleSimulator(const Options &options, PseudoTerminal &terminal, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_frames(options.frame)
    , m_course(options.scenario, options.weight, options.noise)
    , m_terminal(terminal)
{
    m_course.setTrucks(options.trucks, options.standMs, options.quickMoves);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    m_sendTimer.setInterval(1000 / std::clamp(options.rate, 1, 100));
    connect(&m_sendTimer, &QTimer::timeout, this, &ScaleSimulator::sendFrame);
    m_lineTimer.setTimerType(Qt::PreciseTimer);
    m_lineTimer.setInterval(2);
    connect(&m_lineTimer, &QTimer::timeout, this, &ScaleSimulator::drainLine);
}

void ScaleSimulator::start()
{
    m_clock.start();
    if (FrameMaker::polled(m_options.frame.type)) {
        m_requests = new QSocketNotifier(m_terminal.masterDescriptor(), QSocketNotifier::Read, this);
        connect(m_requests, &QSocketNotifier::activated, this, &ScaleSimulator::answerRequests);
    } else {
        m_sendTimer.start();
    }
}

double ScaleSimulator::reading(bool *steady)
{
    const qint64 ms = m_clock.elapsed();
    const double weight = m_course.weightAt(ms);
    *steady = m_course.steadyAt(ms) && !m_options.motion;
    const QString phase = m_course.phaseAt(ms);
    if (phase != m_phase) {
        m_phase = phase;
        QTextStream(stderr) << QTime::currentTime().toString(u"HH:mm:ss"_s) << u"  "_s << phase
                            << u", вес "_s << m_course.loadAt(ms) << Qt::endl;
    }
    return weight;
}

void ScaleSimulator::sendFrame()
{
    bool steady = true;
    const double weight = reading(&steady);
    const bool bad = m_options.badCheck && (m_frameCount % 2 == 0);
    ++m_frameCount;
    const QByteArray frame = bad ? m_frames.frameWithBadCheck(weight) : m_frames.frame(weight, steady);
    send(frame, std::min(40, int(m_sendTimer.interval() / 2)));
}

void ScaleSimulator::answerRequests()
{
    m_pending += m_terminal.read();
    const int type = m_options.frame.type;
    for (;;) {
        if (type == 7) {
            const qsizetype lf = m_pending.indexOf('\n');
            if (lf < 0)
                break;
            m_pending.remove(0, lf + 1);
        } else {
            const qsizetype ask = m_pending.indexOf("msv?;");
            const qsizetype zero = m_pending.indexOf("CDL;");
            if (ask < 0 && zero < 0)
                break;
            if (zero >= 0 && (ask < 0 || zero < ask)) {
                m_pending.remove(0, zero + 4);
                m_course.zero(m_clock.elapsed());
                QTextStream(stderr) << u"обнуление"_s << Qt::endl;
                continue;
            }
            m_pending.remove(0, ask + 5);
        }
        bool steady = true;
        const double weight = reading(&steady);
        const QByteArray answer = m_frames.frame(weight, steady);
        if (m_options.replyDelayMs > 0)
            QTimer::singleShot(m_options.replyDelayMs, Qt::PreciseTimer, this, [this, answer] { send(answer, 10); });
        else
            send(answer, 10);
    }
    // Noise on the line must not pile up.
    if (m_pending.size() > 64)
        m_pending = m_pending.right(8);
}

void ScaleSimulator::send(const QByteArray &bytes, int pauseMs)
{
    if (!m_options.split || bytes.size() < 2) {
        queue(bytes);
        return;
    }
    const qsizetype half = bytes.size() / 2;
    queue(bytes.left(half));
    const QByteArray rest = bytes.mid(half);
    QTimer::singleShot(pauseMs, Qt::PreciseTimer, this, [this, rest] { queue(rest); });
}

void ScaleSimulator::queue(const QByteArray &bytes)
{
    if (m_options.baud <= 0) {
        m_terminal.write(bytes);
        return;
    }
    // A line that falls far behind (a rate above what the speed carries)
    // keeps only the newest second, as a terminal's own buffer would.
    m_line += bytes;
    const qsizetype second = m_options.baud / 10;
    if (m_line.size() > second)
        m_line = m_line.right(second);
    if (!m_lineTimer.isActive()) {
        m_lineMs = m_clock.elapsed();
        m_lineTimer.start();
    }
}

void ScaleSimulator::drainLine()
{
    const qint64 now = m_clock.elapsed();
    const qsizetype due = qsizetype((now - m_lineMs) * m_options.baud / 10000);
    if (due <= 0)
        return;
    m_lineMs += qint64(due) * 10000 / m_options.baud;
    m_terminal.write(m_line.left(due));
    m_line.remove(0, std::min(due, m_line.size()));
    if (m_line.isEmpty())
        m_lineTimer.stop();
}
