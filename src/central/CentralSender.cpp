#include "CentralSender.h"

#include "CentralSchema.h"
#include "OutboxQueue.h"

#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

#include <dlfcn.h>
#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

// The socket of a QPSQL connection. libpq is already loaded by the driver;
// the program itself does not link it.
int socketOf(const QSqlDatabase &db)
{
    using Socket = int (*)(const void *);
    static const Socket pqSocket = [] {
        void *lib = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        return lib ? reinterpret_cast<Socket>(::dlsym(lib, "PQsocket")) : nullptr;
    }();
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!pqSocket || !handle.isValid() || qstrcmp(handle.typeName(), "PGconn*") != 0)
        return -1;
    const void *conn = *static_cast<void *const *>(handle.constData());
    return conn ? pqSocket(conn) : -1;
}

QString reasonOf(const QSqlError &error)
{
    return centralFailureText(error) + u" ("_s + centralFailureDetail(error) + u')';
}

// A failure that lies in the cards sent, not in the connection or the
// server: a wrong value, a broken rule.
bool isDataError(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code.startsWith(u"22") || code.startsWith(u"23") || code.startsWith(u"P0");
}

// For the log. A record of the memory that differs from the server's copy
// means one of the two was changed after it was written.
QString asideText(const RejectedEntry &r)
{
    if (r.entry.payload.contains("\"record\":"))
        return u"Центральная база: запись весовой памяти отложена, сервер её не принял: "_s + r.reason;
    return u"Центральная база: карточка отложена, сервер её не принял: "_s + r.reason;
}

} // namespace

CentralSender::CentralSender(std::shared_ptr<OutboxQueue> queue, const CentralSettings &settings,
                             const QString &key, int retryMs, int batchSize)
    : m_queue(std::move(queue))
    , m_settings(settings)
    , m_key(key)
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
    disconnectServer();
}

void CentralSender::stop()
{
    m_stopping = true;
    QMutexLocker lock(&m_socketMutex);
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
}

void CentralSender::wake()
{
    // After a failure the retry timer decides; a store does not hammer a
    // server that is down.
    if (!m_retry->isActive())
        sendPending();
}

void CentralSender::disconnectServer()
{
    {
        QMutexLocker lock(&m_socketMutex);
        m_socket = -1;
    }
    closeCentralDatabase(m_connection);
    m_connected = false;
}

void CentralSender::fail(const QString &reason)
{
    disconnectServer();
    if (m_stopping)
        return;
    emit reasonChanged(reason);
    m_retry->start();
}

bool CentralSender::connectServer(QString &error)
{
    if (m_connected)
        return true;
    if (!openCentralDatabase(m_settings, m_connection, error)) {
        error = u"нет соединения: "_s + error;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    {
        QMutexLocker lock(&m_socketMutex);
        m_socket = socketOf(db);
        if (m_stopping && m_socket >= 0)
            ::shutdown(m_socket, SHUT_RDWR);
    }
    if (!CentralSchema::migrate(db, error))
        return false;
    QSqlQuery claim(db);
    claim.prepare(u"SELECT tarvo_claim_site(?, ?)"_s);
    claim.addBindValue(m_settings.site.trimmed());
    claim.addBindValue(m_key);
    if (!claim.exec() || !claim.next()) {
        error = u"код весов не проверен: "_s + reasonOf(claim.lastError());
        return false;
    }
    const QString answer = claim.value(0).toString();
    if (answer == u"taken") {
        // Short for the status line; what to do in the window and the log.
        error = u"код весов «%1» занят другими весами (карточки не передаются: задайте другой код весов)"_s.arg(
            m_settings.site.trimmed());
        return false;
    }
    if (answer == u"renamed")
        emit notice(u"Центральная база: весы переименованы в «%1», их карточки перешли к новому коду"_s.arg(
            m_settings.site.trimmed()));
    m_connected = true;
    return true;
}

CentralSender::Outcome CentralSender::send(const std::vector<OutboxEntry> &entries, QString &error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QByteArray batch = "[";
    for (const OutboxEntry &e : entries) {
        if (batch.size() > 1)
            batch += ',';
        batch += e.payload;
    }
    batch += ']';

    QSqlError failure;
    std::vector<RejectedEntry> refused;
    if (!db.transaction()) {
        error = u"ошибка передачи: "_s + reasonOf(db.lastError());
        return Outcome::Lost;
    }
    {
        QSqlQuery query(db);
        query.prepare(u"SELECT rejected_no, rejected_reason FROM tarvo_put_changes(?, ?, CAST(? AS jsonb))"_s);
        query.addBindValue(m_settings.site.trimmed());
        query.addBindValue(m_key);
        query.addBindValue(QString::fromUtf8(batch));
        if (query.exec()) {
            while (query.next()) {
                const qint64 seq = query.value(0).toLongLong();
                for (const OutboxEntry &e : entries)
                    if (e.seq == seq)
                        refused.push_back({e, query.value(1).toString().simplified()});
            }
        } else {
            failure = query.lastError();
        }
    }
    if (failure.type() == QSqlError::NoError && db.commit()) {
        if (!refused.empty()) {
            if (const StoreResult kept = m_queue->setAside(refused); !kept) {
                // Not kept aside locally: they stay queued and come again.
                error = u"отказанная карточка не отложена: "_s + kept.reason;
                return Outcome::Lost;
            }
            for (const RejectedEntry &r : refused)
                emit notice(asideText(r));
        }
        m_queue->confirm(entries.back().seq);
        return Outcome::Sent;
    }
    if (failure.type() == QSqlError::NoError)
        failure = db.lastError();
    db.rollback();
    // The batch as a whole was refused for what it holds: halves, down to
    // the one card that is set aside.
    if (!m_stopping && isDataError(failure) && db.isOpen() && QSqlQuery(db).exec(u"SELECT 1"_s)) {
        if (entries.size() == 1) {
            const RejectedEntry r{entries.front(), centralFailureDetail(failure)};
            if (const StoreResult kept = m_queue->setAside({r}); !kept) {
                error = u"отказанная карточка не отложена: "_s + kept.reason;
                return Outcome::Lost;
            }
            emit notice(asideText(r));
            m_queue->confirm(entries.front().seq);
            return Outcome::Sent;
        }
        const auto middle = entries.begin() + qsizetype(entries.size() / 2);
        if (send({entries.begin(), middle}, error) == Outcome::Lost)
            return Outcome::Lost;
        return send({middle, entries.end()}, error);
    }
    error = u"ошибка передачи: "_s + reasonOf(failure);
    return Outcome::Lost;
}

void CentralSender::sendPending()
{
    while (!m_stopping) {
        const std::vector<OutboxEntry> entries = m_queue->peek(m_batchSize);
        QString error;
        if (entries.empty()) {
            // Once at start even with nothing to send: a code another scale
            // holds, a newer schema or a wrong password is said at once.
            if (!m_checked && !connectServer(error)) {
                fail(error);
                return;
            }
            m_checked = true;
            emit reasonChanged(QString());
            return;
        }
        if (!connectServer(error)) {
            fail(error);
            return;
        }
        if (send(entries, error) == Outcome::Lost) {
            fail(error);
            return;
        }
    }
}
