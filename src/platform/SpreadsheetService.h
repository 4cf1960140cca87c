#pragma once

#include "SpreadsheetApplication.h"

#include <QMutex>
#include <QObject>
#include <QWaitCondition>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>

class QThread;
class QTimer;

// Thrown by a job that could not do its work; the reason reaches jobFailed.
struct SpreadsheetJobFailed
{
    QString reason;
};

// Runs the workbook jobs one after another on a worker thread of their own,
// so the window and the day files never wait for the spreadsheet
// application. The application is started by start() on that worker, kept
// for the whole run and ended by shutdown(). A job that fails, or hangs and
// is cut off, runs once more on an application made ready again (the office
// restarted when it died); only a second failure reaches jobFailed.
class SpreadsheetService : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<void(SpreadsheetApplication &)>;

    enum class State { NotStarted, Starting, Running, Unavailable, Stopped };

    static constexpr int DefaultShutdownMs = 10000;
    static constexpr int DefaultJobTimeoutMs = 60000;

    explicit SpreadsheetService(std::unique_ptr<SpreadsheetApplication> application, QObject *parent = nullptr);
    ~SpreadsheetService() override;

    // Starts the worker and, on it, the application; returns at once.
    // False when there is no application to start.
    bool start();
    // Queues a job behind the others. Jobs are dropped, unrun, when the
    // application could not be started and after shutdown().
    void post(Job job);
    // Waits until every queued job has run.
    bool waitForIdle(int timeoutMs);
    // Lets the queued jobs run for up to `timeoutMs`, then ends the
    // application and the worker. The office is ended in any case.
    void shutdown(int timeoutMs = DefaultShutdownMs);

    State state() const;
    // A job that runs longer has its application aborted, so that a hung
    // office cannot block every later workbook.
    void setJobTimeout(int timeoutMs);

signals:
    // From the worker, once the start has been tried.
    void startFinished(bool available);
    // A job failed or was cut off twice: the workbook it wrote is missing or old.
    void jobFailed(const QString &reason);

private:
    void run();
    // Runs the job once; false with the reason when it failed or was cut off.
    bool runOnce(const Job &job, QString &reason);
    void checkHungJob();

    std::unique_ptr<SpreadsheetApplication> m_application;
    QThread *m_thread = nullptr;
    QTimer *m_watchdog = nullptr;

    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    QWaitCondition m_idle;
    std::deque<Job> m_queue;
    State m_state = State::NotStarted;
    bool m_stopping = false;
    bool m_busy = false;

    std::atomic<qint64> m_busySince{0};
    std::atomic<bool> m_cutOff{false};
    // Set when shutdown() gives up on the queue: nothing is tried again.
    std::atomic<bool> m_abandoned{false};
    std::atomic<int> m_jobTimeoutMs{DefaultJobTimeoutMs};
};
