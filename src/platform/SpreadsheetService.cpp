#include "SpreadsheetService.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace {

// Milliseconds on a clock that never jumps; never 0, which means "idle".
qint64 monotonicMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed() + 1;
}

} // namespace

SpreadsheetService::SpreadsheetService(std::unique_ptr<SpreadsheetApplication> application, QObject *parent)
    : QObject(parent)
    , m_application(std::move(application))
{
}

SpreadsheetService::~SpreadsheetService()
{
    shutdown();
}

bool SpreadsheetService::start()
{
    QMutexLocker lock(&m_mutex);
    if (!m_application || m_state != State::NotStarted)
        return m_application && m_state != State::Unavailable && m_state != State::Stopped;
    m_state = State::Starting;
    m_thread = QThread::create([this] { run(); });
    m_thread->setObjectName(QStringLiteral("spreadsheet"));
    m_thread->start();
    m_watchdog = new QTimer(this);
    m_watchdog->setInterval(1000);
    connect(m_watchdog, &QTimer::timeout, this, &SpreadsheetService::checkHungJob);
    m_watchdog->start();
    return true;
}

void SpreadsheetService::post(Job job)
{
    QMutexLocker lock(&m_mutex);
    if (m_stopping || (m_state != State::Starting && m_state != State::Running))
        return;
    m_queue.push_back(std::move(job));
    m_wake.wakeOne();
}

bool SpreadsheetService::waitForIdle(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_busy || !m_queue.empty() || m_state == State::Starting) {
        if (!m_idle.wait(&m_mutex, deadline))
            return false;
    }
    return true;
}

void SpreadsheetService::shutdown(int timeoutMs)
{
    if (m_watchdog)
        m_watchdog->stop();
    {
        QMutexLocker lock(&m_mutex);
        if (!m_thread)
            return;
        m_stopping = true;
        m_wake.wakeAll();
    }
    if (!m_thread->wait(QDeadlineTimer(timeoutMs))) {
        // Out of time: what is left is dropped and a hanging call is cut off.
        {
            QMutexLocker lock(&m_mutex);
            m_queue.clear();
        }
        m_abandoned = true;
        m_application->abort();
        if (!m_thread->wait(QDeadlineTimer(10000))) {
            // Still stuck: leave it to the end of the process rather than
            // destroy what it is using.
            m_thread = nullptr;
            (void)m_application.release();
            return;
        }
    }
    delete m_thread;
    m_thread = nullptr;
    QMutexLocker lock(&m_mutex);
    m_state = State::Stopped;
}

SpreadsheetService::State SpreadsheetService::state() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

void SpreadsheetService::setJobTimeout(int timeoutMs)
{
    m_jobTimeoutMs = timeoutMs;
}

void SpreadsheetService::run()
{
    SpreadsheetApplication &application = *m_application;
    const bool available = application.create();
    {
        QMutexLocker lock(&m_mutex);
        m_state = available ? State::Running : State::Unavailable;
        if (!available)
            m_queue.clear();
        m_idle.wakeAll();
    }
    emit startFinished(available);

    for (;;) {
        Job job;
        {
            QMutexLocker lock(&m_mutex);
            while (m_queue.empty() && !m_stopping)
                m_wake.wait(&m_mutex);
            if (m_queue.empty())
                break;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        QString reason;
        if (!runOnce(job, reason) && !m_abandoned) {
            // The office may have died or hung under the job: once more on
            // one that is ready again.
            application.create();
            if (!m_abandoned && !runOnce(job, reason) && !m_abandoned)
                emit jobFailed(reason);
        }
        m_busySince = 0;
        QMutexLocker lock(&m_mutex);
        m_busy = false;
        if (m_queue.empty())
            m_idle.wakeAll();
    }
    application.shutDown();
}

bool SpreadsheetService::runOnce(const Job &job, QString &reason)
{
    m_cutOff = false;
    m_busySince = monotonicMs();
    bool done = true;
    try {
        job(*m_application);
    } catch (const SpreadsheetJobFailed &failure) {
        reason = failure.reason;
        done = false;
    } catch (...) {
        // A faulty job must not take the worker and every later job with it.
        reason = QStringLiteral("ошибка офисной программы");
        done = false;
    }
    m_busySince = 0;
    if (m_cutOff) {
        const QString hung = QStringLiteral("офисная программа не ответила и была остановлена");
        reason = done ? hung : reason + QStringLiteral(" (") + hung + u')';
        done = false;
    }
    return done;
}

void SpreadsheetService::checkHungJob()
{
    const qint64 since = m_busySince;
    if (since > 0 && monotonicMs() - since > m_jobTimeoutMs) {
        // Once per run of a job: the worker sets it again for the next one.
        m_busySince = 0;
        m_cutOff = true;
        m_application->abort();
    }
}
