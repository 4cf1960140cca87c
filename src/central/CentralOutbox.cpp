#include "CentralOutbox.h"

#include "core/Formats.h"

#include "CentralCard.h"
#include "CentralSender.h"
#include "OutboxQueue.h"
#include "core/Folders.h"
#include "memory/MemoryRecord.h"
#include "store/DayFileCodec.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

using namespace Qt::StringLiterals;

namespace {

// The cards of one day file and their additional values.
std::vector<CardMirror::Item> dayItems(const Folders &folders, const QDate &day)
{
    std::vector<CardMirror::Item> items;
    const QString path = dayFilePath(folders, day);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return items;
    const QByteArray data = file.readAll();
    const PlusFile plus(PlusFile::besideDayFile(path));
    for (qint64 n = 1; decodeDayCardId(data, n) != 0; ++n)
        items.push_back({decodeDayCard(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n))), plus.read(int(n)), day});
    return items;
}

// The records of the weighing memory below `baseFolder` that `wanted`
// picks, each as the memory holds it; the month files before `fromMonth`
// are not read.
QList<QByteArray> memoryRecords(const QString &baseFolder, const QDate &fromMonth,
                                const std::function<bool(const RecordSpan &, QByteArrayView)> &wanted)
{
    QList<QByteArray> out;
    const QString folder = WeighingMemory::folderIn(baseFolder);
    const QString first = fromMonth.isValid() ? WeighingMemory::monthPath(folder, fromMonth) : QString();
    for (const QString &path : WeighingMemory::recordFiles(folder)) {
        if (path < first)
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        // Bytes that are no record are the verifier's to report; the next
        // record is looked for.
        for (qsizetype at = 0; at < data.size();) {
            const QByteArrayView rest = QByteArrayView(data).sliced(at);
            const RecordSpan span = scanRecord(rest);
            if (span.size == 0) {
                at = data.indexOf("TVM1", at + 1);
                if (at < 0)
                    break;
                continue;
            }
            if (wanted(span, rest.first(span.size)))
                out.append(rest.first(span.size).toByteArray());
            at += span.size;
        }
    }
    return out;
}

qint64 grams(double kg) { return qint64(std::floor(kg * 1000 + 0.5)); }

// What the server's tarvo_day_digests gives for the same cards.
std::pair<int, QString> dayDigest(const std::vector<CardMirror::Item> &items)
{
    std::vector<std::pair<int, QString>> rows;
    for (const CardMirror::Item &item : items) {
        const QJsonObject o = CentralCard::toJson(item.card, item.extras, item.day);
        rows.push_back({item.card.id, u"%1:%2:%3:%4:%5:%6"_s.arg(o[u"card_id"_s].toInt())
                                          .arg(o[u"number"_s].toInt())
                                          .arg(o[u"status"_s].toString())
                                          .arg(grams(o[u"gross"_s].toDouble()))
                                          .arg(grams(o[u"tare"_s].toDouble()))
                                          .arg(grams(o[u"net"_s].toDouble()))});
    }
    std::sort(rows.begin(), rows.end());
    QStringList parts;
    for (const auto &row : rows)
        parts << row.second;
    return {int(rows.size()),
            QString::fromLatin1(QCryptographicHash::hash(parts.join(u',').toUtf8(), QCryptographicHash::Md5).toHex())};
}

} // namespace

// The workers' voice: it outlives the outbox if a worker does, so a late
// worker never talks to a destroyed object.
class OutboxRelay : public QObject
{
    Q_OBJECT

signals:
    void status();
    void progress(int done, int total);
    void resendDone(int queued, const QString &error);
    void reconcileDone(int days, const QString &error);
    void notice(const QString &text);
    void wake();
};

namespace {

std::shared_ptr<OutboxRelay> makeRelay()
{
    return std::shared_ptr<OutboxRelay>(new OutboxRelay, [](OutboxRelay *r) { r->deleteLater(); });
}

// Waits for a worker a moment; one that does not end is left to end alone.
void release(QThread *thread, int ms)
{
    if (!thread)
        return;
    thread->quit();
    if (thread->wait(ms))
        delete thread;
}

} // namespace

CentralOutbox::CentralOutbox(const QString &baseFolder, QObject *parent)
    : QObject(parent)
    , m_baseFolder(baseFolder)
    , m_queue(std::make_shared<OutboxQueue>(baseFolder + u"Central/"_s))
    , m_cancel(std::make_shared<std::atomic<bool>>(false))
{
    m_relay = makeRelay();
    const std::shared_ptr<OutboxRelay> &relay = m_relay;
    connect(relay.get(), &OutboxRelay::status, this, &CentralOutbox::statusChanged);
    connect(relay.get(), &OutboxRelay::progress, this, &CentralOutbox::resendProgress);
    connect(relay.get(), &OutboxRelay::notice, this, &CentralOutbox::notice);
    connect(relay.get(), &OutboxRelay::wake, this, &CentralOutbox::wakeSender);
    connect(relay.get(), &OutboxRelay::resendDone, this, [this](int queued, const QString &error) {
        release(m_resend, 1000);
        m_resend = nullptr;
        emit resendFinished(queued, error);
    });
    connect(relay.get(), &OutboxRelay::reconcileDone, this, [this](int days, const QString &error) {
        release(m_reconcile, 1000);
        m_reconcile = nullptr;
        if (days < 0)
            emit notice(u"Центральная база: сверка с сервером не выполнена: "_s + error);
        else if (days > 0)
            emit notice(u"Центральная база: сверка с сервером, дней отправлено заново: %1"_s.arg(days));
        emit reconcileFinished(days, error);
    });
    // Any thread may change the counts; the window hears it once per turn.
    std::weak_ptr<OutboxRelay> weak = relay;
    m_queue->changed = [weak] {
        if (const auto r = weak.lock())
            emit r->status();
    };
}

CentralOutbox::~CentralOutbox()
{
    m_cancel->store(true);
    // The queue is on disk: the program's end waits for its workers less
    // than a second in all. Its connection cut, the sender ends at once
    // unless it is still logging in to a server that does not answer.
    const QDeadlineTimer deadline(900);
    stopSender(int(std::max<qint64>(1, deadline.remainingTime())));
    release(m_resend, int(std::max<qint64>(1, deadline.remainingTime())));
    release(m_reconcile, int(std::max<qint64>(1, deadline.remainingTime())));
}

void CentralOutbox::start()
{
    m_settings = CentralSettings::load(m_baseFolder);
    qint64 damaged = 0;
    if (const StoreResult loaded = m_queue->load(damaged); !loaded)
        m_reason = u"очередь не прочитана: "_s + loaded.reason;
    if (damaged > 0)
        // Said once; the reconciliation queues the lost days again.
        emit notice(u"Центральная база: очередь повреждена, пропущено байт: %1; остальные карточки сохранены, "
                    u"сверка с сервером отправит потерянные дни заново"_s.arg(damaged));
    if (m_settings.enabled) {
        if (const StoreResult made = CentralSettings::installationKey(m_baseFolder, m_key); !made)
            m_reason = u"ключ весов не записан: "_s + made.reason;
        // Settings of an older program: the comparison starts today.
        if (!m_settings.since.isValid()) {
            m_settings.since = QDate::currentDate();
            (void)m_settings.save(m_baseFolder);
        }
    }
    startSender();
    emit statusChanged();
}

StoreResult CentralOutbox::applySettings(const CentralSettings &wanted)
{
    CentralSettings settings = wanted;
    if (settings.enabled && !settings.since.isValid())
        settings.since = m_settings.since.isValid() ? m_settings.since : QDate::currentDate();
    if (settings.enabled && m_key.isEmpty())
        if (const StoreResult made = CentralSettings::installationKey(m_baseFolder, m_key); !made)
            return made;
    if (const StoreResult saved = settings.save(m_baseFolder); !saved)
        return saved;
    stopSender();
    m_settings = settings;
    m_reason.clear();
    startSender();
    emit statusChanged();
    return {};
}

void CentralOutbox::startSender()
{
    if (!m_settings.enabled || !m_queue->loaded() || m_sender || m_key.isEmpty())
        return;
    m_thread = new QThread;
    m_thread->setObjectName(u"central-outbox"_s);
    m_sender = new CentralSender(m_queue, m_settings, m_key, m_retryMs, m_batchSize);
    m_sender->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_sender, &QObject::deleteLater);
    connect(m_sender, &CentralSender::reasonChanged, this, &CentralOutbox::setReason);
    connect(m_sender, &CentralSender::notice, m_relay.get(), &OutboxRelay::notice);
    m_thread->start();
    wakeSender();
}

void CentralOutbox::stopSender(int waitMs)
{
    if (!m_sender)
        return;
    // The old sender may be inside a call to a hung server: its connection
    // is cut and nobody waits for it; what it confirms is still true.
    disconnect(m_sender, nullptr, this, nullptr);
    disconnect(m_sender, nullptr, m_relay.get(), nullptr);
    m_sender->stop();
    QThread *thread = m_thread;
    m_sender = nullptr;
    m_thread = nullptr;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->quit();
    if (waitMs > 0 && thread->wait(waitMs))
        delete thread;
}

void CentralOutbox::wakeSender()
{
    if (m_sender)
        QMetaObject::invokeMethod(m_sender, &CentralSender::wake, Qt::QueuedConnection);
}

void CentralOutbox::setReason(const QString &reason)
{
    m_reason = reason;
    emit statusChanged();
}

StoreResult CentralOutbox::cardWritten(const CargoCard &card, const ExtraParams &extras, const QDate &day,
                                       CardChange change, const QString &who)
{
    return cardsWritten({Item{card, extras, day}}, change, who);
}

std::vector<QByteArray> CentralOutbox::bodiesOf(const std::vector<Item> &items, CardChange change,
                                                const QString &who)
{
    // With its offset from UTC, so the server keeps the real moment.
    const QDateTime now = QDateTime::currentDateTime();
    const QString at = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    std::vector<QByteArray> bodies;
    bodies.reserve(items.size());
    for (const Item &item : items) {
        QJsonObject o = CentralCard::toJson(item.card, item.extras, item.day);
        o[u"change"_s] = CentralCard::changeName(change);
        o[u"operator"_s] = who;
        o[u"changed_at"_s] = at;
        bodies.push_back(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    return bodies;
}

StoreResult CentralOutbox::commitWith(const std::vector<Item> &items, CardChange change, const QString &who,
                                      const Commit &commit)
{
    if (!m_settings.enabled || items.empty())
        return commit({});
    if (const StoreResult written = m_queue->commitWith(bodiesOf(items, change, who), commit); !written)
        return written;
    wakeSender();
    return {};
}

std::vector<QByteArray> CentralOutbox::recordBodies(const QList<QByteArray> &records)
{
    std::vector<QByteArray> bodies;
    bodies.reserve(size_t(records.size()));
    for (const QByteArray &record : records)
        bodies.push_back("{\"memory_no\":" + QByteArray::number(scanRecord(record).number) + ",\"record\":\""
                         + record.toBase64() + "\"}");
    return bodies;
}

StoreResult CentralOutbox::commitRecords(const QList<QByteArray> &records, const Commit &commit)
{
    if (!m_settings.enabled || records.isEmpty())
        return commit({});
    if (const StoreResult written = m_queue->commitWith(recordBodies(records), commit); !written)
        return written;
    wakeSender();
    return {};
}

StoreResult CentralOutbox::cardsWritten(const std::vector<Item> &items, CardChange change, const QString &who)
{
    if (!m_settings.enabled)
        return {};
    return queueItems(*m_queue, *m_relay, items, change, who);
}

StoreResult CentralOutbox::queueItems(OutboxQueue &queue, OutboxRelay &relay, const std::vector<Item> &items,
                                      CardChange change, const QString &who)
{
    if (items.empty())
        return {};
    if (const StoreResult written = queue.append(bodiesOf(items, change, who)); !written)
        return written;
    emit relay.wake();
    return {};
}

int CentralOutbox::resendDays(OutboxQueue &queue, OutboxRelay &relay, const Folders &folders, const QDate &from,
                              const QDate &to, const QString &who, QString &error,
                              const std::function<bool(int, int)> &progress)
{
    const int days = from.isValid() && to.isValid() ? int(from.daysTo(to)) + 1 : 0;
    int total = 0;
    for (int i = 0; i < days; ++i) {
        if (progress && !progress(i, days)) {
            error = u"прервано"_s;
            return -1;
        }
        const std::vector<Item> items = dayItems(folders, from.addDays(i));
        if (const StoreResult queued = queueItems(queue, relay, items, CardChange::Resend, who); !queued) {
            error = queued.reason;
            return -1;
        }
        total += int(items.size());
    }
    // The memory's records of the period: the server keeps each once.
    if (days > 0) {
        const QList<QByteArray> records =
            memoryRecords(folders.BaseFolder, QDate(from.year(), from.month(), 1), [&](const RecordSpan &, QByteArrayView bytes) {
                const QString written = decodeRecord(bytes).record.value(MemoryFields::Written);
                const QDate day = QDate::fromString(written.left(10), u"dd.MM.yyyy"_s);
                return day.isValid() && day >= from && day <= to;
            });
        if (const StoreResult queued = queue.append(recordBodies(records)); !queued) {
            error = queued.reason;
            return -1;
        }
        emit relay.wake();
    }
    if (progress)
        progress(days, days);
    return total;
}

int CentralOutbox::resendPeriod(const Folders &folders, const QDate &from, const QDate &to, const QString &who,
                                QString &error, const std::function<bool(int, int)> &progress)
{
    if (!m_settings.enabled) {
        error = u"передача в центральную базу выключена"_s;
        return -1;
    }
    return resendDays(*m_queue, *m_relay, folders, from, to, who, error, progress);
}

bool CentralOutbox::startResend(const Folders &folders, const QDate &from, const QDate &to, const QString &who)
{
    if (m_resend)
        return false;
    if (!m_settings.enabled) {
        emit resendFinished(-1, u"передача в центральную базу выключена"_s);
        return false;
    }
    const std::shared_ptr<OutboxRelay> relay = m_relay;
    const std::shared_ptr<std::atomic<bool>> cancel = m_cancel;
    const std::shared_ptr<OutboxQueue> queue = m_queue;
    // The worker keeps what it uses; the program's end stops it between days.
    m_resend = QThread::create([relay, cancel, queue, folders, from, to, who] {
        QString error;
        const int queued = resendDays(*queue, *relay, folders, from, to, who, error, [&relay, &cancel](int done, int total) {
            emit relay->progress(done, total);
            return !cancel->load();
        });
        emit relay->resendDone(queued, error);
    });
    m_resend->setObjectName(u"central-resend"_s);
    m_resend->start();
    return true;
}

bool CentralOutbox::startReconcile(const Folders &folders, const QDate &today)
{
    if (m_reconcile || !m_settings.enabled || !m_settings.since.isValid() || m_key.isEmpty())
        return false;
    const std::shared_ptr<OutboxRelay> relay = m_relay;
    const std::shared_ptr<std::atomic<bool>> cancel = m_cancel;
    const std::shared_ptr<OutboxQueue> queue = m_queue;
    const CentralSettings settings = m_settings;
    const QString key = m_key;
    m_reconcile = QThread::create([relay, cancel, queue, settings, key, folders, today] {
        const QString name = u"tarvo-central-reconcile-%1"_s.arg(quintptr(QThread::currentThreadId()));
        QString error;
        std::map<QDate, std::pair<int, QString>> server;
        std::vector<std::pair<qint64, qint64>> missing;
        if (!openCentralDatabase(settings, name, error)) {
            emit relay->reconcileDone(-1, u"нет соединения: "_s + error);
            return;
        }
        {
            QSqlQuery query(QSqlDatabase::database(name, false));
            // The days of a code another scale holds are not this one's.
            query.prepare(u"SELECT install_key FROM sites WHERE code = ?"_s);
            query.addBindValue(settings.site.trimmed());
            if (query.exec() && query.next() && !query.value(0).isNull() && query.value(0).toString() != key)
                error = u"код весов «%1» уже занят другими весами"_s.arg(settings.site.trimmed());
            // A site the server does not know yet has no cards there.
            query.prepare(u"SELECT day, cards, digest FROM tarvo_day_digests(?, ?, ?)"_s);
            query.addBindValue(settings.site.trimmed());
            query.addBindValue(settings.since);
            query.addBindValue(today);
            if (error.isEmpty() && !query.exec())
                error = centralFailureText(query.lastError()) + u" ("_s + centralFailureDetail(query.lastError()) + u')';
            while (error.isEmpty() && query.next())
                server[query.value(0).toDate()] = {query.value(1).toInt(), query.value(2).toString()};
            // The memory's numbers the server lacks: its gaps and all after its last.
            query.prepare(u"SELECT prev + 1, number - 1 FROM (SELECT number, lag(number, 1, 0::bigint) "
                          "OVER (ORDER BY number) AS prev FROM memory_records WHERE site = ?) t "
                          "WHERE number > prev + 1 "
                          "UNION ALL SELECT coalesce(max(number), 0) + 1, NULL FROM memory_records WHERE site = ?"_s);
            query.addBindValue(settings.site.trimmed());
            query.addBindValue(settings.site.trimmed());
            if (error.isEmpty() && !query.exec())
                error = centralFailureText(query.lastError()) + u" ("_s + centralFailureDetail(query.lastError()) + u')';
            while (error.isEmpty() && query.next())
                missing.push_back({query.value(0).toLongLong(),
                                   query.value(1).isNull() ? std::numeric_limits<qint64>::max() : query.value(1).toLongLong()});
        }
        closeCentralDatabase(name);
        if (!error.isEmpty()) {
            emit relay->reconcileDone(-1, error);
            return;
        }
        // Days with changes still queued differ for now, and will not.
        const QSet<QString> queued = queue->pendingDays();
        int differing = 0;
        for (QDate day = settings.since; day <= today && !cancel->load(); day = day.addDays(1)) {
            if (queued.contains(day.toString(Qt::ISODate)))
                continue;
            const std::vector<Item> items = dayItems(folders, day);
            const auto found = server.find(day);
            const std::pair<int, QString> local = items.empty() ? std::pair<int, QString>{0, QString()} : dayDigest(items);
            const std::pair<int, QString> there = found == server.end() ? std::pair<int, QString>{0, QString()} : found->second;
            if (local == there)
                continue;
            if (local.first < there.first || items.empty())
                continue; // cards only the server has: nothing here to send
            if (const StoreResult ok = queueItems(*queue, *relay, items, CardChange::Resend, u"сверка"_s); !ok) {
                emit relay->reconcileDone(-1, ok.reason);
                return;
            }
            ++differing;
        }
        // Records still queued arrive anyway.
        const QSet<qint64> pending = queue->pendingRecords();
        const QList<QByteArray> records =
            memoryRecords(folders.BaseFolder, QDate(), [&](const RecordSpan &span, QByteArrayView) {
                return !pending.contains(span.number)
                       && std::any_of(missing.begin(), missing.end(), [&span](const auto &range) {
                              return span.number >= range.first && span.number <= range.second;
                          });
            });
        if (!cancel->load() && !records.isEmpty()) {
            if (const StoreResult ok = queue->append(recordBodies(records)); !ok) {
                emit relay->reconcileDone(-1, ok.reason);
                return;
            }
            emit relay->wake();
            emit relay->notice(u"Центральная база: сверка с сервером, записей весовой памяти отправлено: %1"_s.arg(
                records.size()));
        }
        emit relay->reconcileDone(differing, QString());
    });
    m_reconcile->setObjectName(u"central-reconcile"_s);
    m_reconcile->start();
    return true;
}

int CentralOutbox::queued() const { return m_queue->pending(); }

std::vector<RejectedEntry> CentralOutbox::rejected() const { return m_queue->rejected(); }

StoreResult CentralOutbox::resendRejected(int &count)
{
    const StoreResult queued = m_queue->resendRejected(count);
    wakeSender();
    return queued;
}

QString CentralOutbox::cardsText(int count)
{
    return CountText(count, u"карточка", u"карточки", u"карточек");
}

QString CentralOutbox::statusText() const
{
    if (!m_settings.enabled)
        return {};
    QString text = u"Центральная база: %1 в очереди"_s.arg(cardsText(queued()));
    if (const int aside = m_queue->rejectedCount(); aside > 0)
        text += u", отложено: %1"_s.arg(aside);
    // The server's own text stays in the window and the log.
    if (!m_reason.isEmpty())
        text += u" — "_s + m_reason.section(u" ("_s, 0, 0);
    return text;
}

#include "CentralOutbox.moc"
