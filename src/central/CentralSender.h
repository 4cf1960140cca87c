#pragma once

#include "CentralSettings.h"

#include <QObject>

#include <atomic>

class CentralOutbox;
class QTimer;

// The outbox's worker, living on its own thread: connects, brings the
// schema up to date, sends the pending changes in batches, one transaction
// each, and confirms them. Any failure closes the connection and tries
// again after the retry interval.
class CentralSender : public QObject
{
    Q_OBJECT

public:
    CentralSender(CentralOutbox &outbox, const CentralSettings &settings, int retryMs, int batchSize);
    ~CentralSender() override;

    std::atomic<bool> stopping = false;

public slots:
    // New changes are pending.
    void wake();

signals:
    // Empty when the queue drains, else why it does not.
    void reasonChanged(const QString &reason);

private:
    void sendPending();
    bool connectServer(QString &error);
    bool sendBatch(const QByteArray &batch, QString &error);
    void fail(const QString &reason);

    CentralOutbox &m_outbox;
    CentralSettings m_settings;
    QString m_connection;
    QTimer *m_retry;
    int m_batchSize;
    bool m_connected = false;
};
