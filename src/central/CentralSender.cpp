#include "CentralSender.h"

#include "CentralOutbox.h"
#include "CentralSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

QString reasonOf(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.simplified();
}

} // namespace

CentralSender::CentralSender(CentralOutbox &outbox, const CentralSettings &settings, int retryMs, int batchSize)
    : m_outbox(outbox)
    , m_settings(settings)
    , m_connection(u"tarvo-central-sender-%1"_s.arg(quintptr(this)))
    , m_retry(new QTimer(this))
    , m_batchSize(std::max(1, batchSize))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(retryMs);
    connect(m_retry, &QTimer::timeout, this, &CentralSender::sendPending);
}

CentralSender::~CentralSender()
{
    closeCentralDatabase(m_connection);
}

void CentralSender::wake()
{
    // After a failure the retry timer decides; a store does not hammer a
    // server that is down.
    if (!m_retry->isActive())
        sendPending();
}

void CentralSender::fail(const QString &reason)
{
    closeCentralDatabase(m_connection);
    m_connected = false;
    emit reasonChanged(reason);
    if (!stopping)
        m_retry->start();
}

bool CentralSender::connectServer(QString &error)
{
    if (m_connected)
        return true;
    if (!openCentralDatabase(m_settings, m_connection, error))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!CentralSchema::migrate(db, error))
        return false;
    m_connected = true;
    return true;
}

bool CentralSender::sendBatch(const QByteArray &batch, QString &error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        error = reasonOf(db.lastError());
        return false;
    }
    QSqlQuery query(db);
    query.prepare(u"SELECT tarvo_put_cards(CAST(? AS jsonb))"_s);
    query.addBindValue(QString::fromUtf8(batch));
    if (!query.exec()) {
        error = reasonOf(query.lastError());
        db.rollback();
        return false;
    }
    query.finish();
    if (!db.commit()) {
        error = reasonOf(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

void CentralSender::sendPending()
{
    while (!stopping) {
        const std::vector<OutboxEntry> entries = m_outbox.peek(m_batchSize);
        if (entries.empty()) {
            emit reasonChanged(QString());
            return;
        }
        QString error;
        if (!connectServer(error)) {
            fail(u"нет соединения: "_s + error);
            return;
        }
        QByteArray batch = "[";
        for (const OutboxEntry &e : entries) {
            if (batch.size() > 1)
                batch += ',';
            batch += e.payload;
        }
        batch += ']';
        if (!sendBatch(batch, error)) {
            fail(u"ошибка передачи: "_s + error);
            return;
        }
        m_outbox.confirm(entries.back().seq);
    }
}
