#pragma once

#include <QProcess>
#include <QString>

#include <atomic>

// One headless office of our own: its own profile, its own UNO pipe and its
// own process group, so that ending it also ends whatever it started.
class OfficeProcess
{
public:
    explicit OfficeProcess(const QString &program);
    ~OfficeProcess();

    OfficeProcess(const OfficeProcess &) = delete;
    OfficeProcess &operator=(const OfficeProcess &) = delete;

    // Starts the office listening on `pipeName`; false when it cannot be run.
    bool start(const QString &profileFolder, const QString &pipeName);
    bool isRunning();
    // Ended by itself, asking to be started again.
    bool askedForRestart();
    // Waits up to `timeoutMs` for the office to end by itself.
    bool waitForExit(int timeoutMs);
    // Ends the whole process group at once.
    void kill();
    // The same from any thread, without touching the process object.
    void killGroup();
    // The launcher's id, which is also the id of its process group; 0 when none.
    qint64 processId() const { return m_group; }

    static QStringList arguments(const QString &profileFolder, const QString &pipeName);

private:
    QString m_program;
    QProcess m_process;
    std::atomic<qint64> m_group{0};
};
