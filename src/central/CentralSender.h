#pragma once

#include "CentralSettings.h"

#include <QMutex>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class OutboxQueue;
class QTimer;
struct OutboxEntry;

// The outbox's worker, living on a thread of its own: connects, refuses a
// schema newer than the program, brings an older one up to date, claims the
// site code with the installation's key, sends the pending changes in
// batches, one transaction each, and confirms them. A card the server
// refuses is set aside and the queue goes on; any other failure closes the
// connection and tries again after the retry interval. Nobody waits for it:
// a sender that is told to stop is left to end on its own.
class CentralSender : public QObject
{
    Q_OBJECT

public:
    CentralSender(std::shared_ptr<OutboxQueue> queue, const CentralSettings &settings, const QString &key,
                  int retryMs, int batchSize);
    ~CentralSender() override;

    // From any thread: no new work, and a call waiting for the server
    // returns at once (its connection is cut on this side).
    void stop();

public slots:
    // New changes are pending.
    void wake();

signals:
    // Empty when the queue drains, else why it does not.
    void reasonChanged(const QString &reason);
    // Something for the event log (a rename of the site, a card set aside).
    void notice(const QString &text);

private:
    enum class Outcome { Sent, Lost };

    void sendPending();
    bool connectServer(QString &error);
    Outcome send(const std::vector<OutboxEntry> &entries, QString &error);
    void disconnectServer();
    void fail(const QString &reason);

    std::shared_ptr<OutboxQueue> m_queue;
    CentralSettings m_settings;
    QString m_key;
    QString m_connection;
    QTimer *m_retry;
    int m_batchSize;
    bool m_connected = false;
    bool m_checked = false;
    std::atomic<bool> m_stopping = false;
    // The connection's socket while it is open, for stop().
    QMutex m_socketMutex;
    int m_socket = -1;
};
