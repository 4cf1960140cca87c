#include "CentralOutbox.h"

#include "CentralCard.h"
#include "CentralSender.h"
#include "core/Folders.h"
#include "store/DayFileCodec.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QMutexLocker>

using namespace Qt::StringLiterals;

CentralOutbox::CentralOutbox(const QString &baseFolder, QObject *parent)
    : QObject(parent)
    , m_baseFolder(baseFolder)
    , m_journal(baseFolder + u"Central/"_s)
{
    m_thread.setObjectName(u"central-outbox"_s);
}

CentralOutbox::~CentralOutbox()
{
    stopSender();
}

void CentralOutbox::start()
{
    m_settings = CentralSettings::load(m_baseFolder);
    {
        QMutexLocker lock(&m_mutex);
        if (const StoreResult loaded = m_journal.load(m_pending, m_lastSeq); !loaded)
            m_reason = u"очередь не прочитана: "_s + loaded.reason;
        m_loaded = true;
    }
    startSender();
    emit statusChanged();
}

StoreResult CentralOutbox::applySettings(const CentralSettings &settings)
{
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
    if (!m_settings.enabled || !m_loaded || m_sender)
        return;
    m_sender = new CentralSender(*this, m_settings, m_retryMs, m_batchSize);
    m_sender->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_sender, &QObject::deleteLater);
    connect(m_sender, &CentralSender::reasonChanged, this, &CentralOutbox::setReason);
    m_thread.start();
    wakeSender();
}

void CentralOutbox::stopSender()
{
    if (!m_sender)
        return;
    m_sender->stopping = true;
    m_thread.quit();
    m_thread.wait();
    m_sender = nullptr;
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

std::vector<OutboxEntry> CentralOutbox::entriesOf(const std::vector<Item> &items, CardChange change,
                                                  const QString &who) const
{
    const QString site = m_settings.site.trimmed();
    // With its offset from UTC, so the server keeps the real moment.
    const QDateTime now = QDateTime::currentDateTime();
    const QString at = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    // Microseconds of the real time, so a journal lost with its disk
    // still numbers above everything it sent before.
    qint64 seq = std::max(m_lastSeq, QDateTime::currentMSecsSinceEpoch() * 1000);
    std::vector<OutboxEntry> entries;
    entries.reserve(items.size());
    for (const Item &item : items) {
        QJsonObject o = CentralCard::toJson(item.card, item.extras, item.day);
        o[u"site"_s] = site;
        o[u"change"_s] = CentralCard::changeName(change);
        o[u"operator"_s] = who;
        o[u"changed_at"_s] = at;
        // The change number goes first, where the journal finds it.
        ++seq;
        entries.push_back({seq, "{\"change_no\":" + QByteArray::number(seq) + ','
                                    + QJsonDocument(o).toJson(QJsonDocument::Compact).mid(1)});
    }
    return entries;
}

void CentralOutbox::queue(std::vector<OutboxEntry> &entries)
{
    m_lastSeq = entries.back().seq;
    for (OutboxEntry &e : entries)
        m_pending.push_back(std::move(e));
}

StoreResult CentralOutbox::commitWith(const std::vector<Item> &items, CardChange change, const QString &who,
                                      const Commit &commit)
{
    if (!m_settings.enabled || items.empty())
        return commit({});
    {
        QMutexLocker lock(&m_mutex);
        std::vector<OutboxEntry> entries = entriesOf(items, change, who);
        const WriteJournal::Piece piece = m_journal.appendPiece(entries);
        if (const StoreResult written = commit({piece}); !written)
            return written;
        m_journal.appended(piece);
        queue(entries);
    }
    wakeSender();
    emit statusChanged();
    return {};
}

StoreResult CentralOutbox::cardsWritten(const std::vector<Item> &items, CardChange change, const QString &who)
{
    if (!m_settings.enabled || items.empty())
        return {};
    {
        QMutexLocker lock(&m_mutex);
        std::vector<OutboxEntry> entries = entriesOf(items, change, who);
        if (const StoreResult written = m_journal.append(entries); !written)
            return written;
        queue(entries);
    }
    wakeSender();
    emit statusChanged();
    return {};
}

int CentralOutbox::resendPeriod(const Folders &folders, const QDate &from, const QDate &to, const QString &who,
                                QString &error)
{
    if (!m_settings.enabled) {
        error = u"передача в центральную базу выключена"_s;
        return -1;
    }
    int total = 0;
    for (QDate day = from; day.isValid() && day <= to; day = day.addDays(1)) {
        const QString path = dayFilePath(folders, day);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        const PlusFile plus(PlusFile::besideDayFile(path));
        std::vector<Item> items;
        for (qint64 n = 1; decodeDayCardId(data, n) != 0; ++n)
            items.push_back({decodeDayCard(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n))),
                             plus.read(int(n)), day});
        if (const StoreResult queued = cardsWritten(items, CardChange::Resend, who); !queued) {
            error = queued.reason;
            return -1;
        }
        total += int(items.size());
    }
    return total;
}

int CentralOutbox::queued() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_pending.size());
}

QString CentralOutbox::statusText() const
{
    if (!m_settings.enabled)
        return {};
    QString text = u"Центральная база: %1 карточек в очереди"_s.arg(queued());
    if (!m_reason.isEmpty())
        text += u" — "_s + m_reason;
    return text;
}

std::vector<OutboxEntry> CentralOutbox::peek(int count) const
{
    QMutexLocker lock(&m_mutex);
    std::vector<OutboxEntry> entries;
    for (auto it = m_pending.begin(); it != m_pending.end() && int(entries.size()) < count; ++it)
        entries.push_back(*it);
    return entries;
}

void CentralOutbox::confirm(qint64 seq)
{
    // The mark first: a crash after it only sends the batch again, which
    // the server records once.
    const StoreResult marked = m_journal.markSent(seq);
    {
        QMutexLocker lock(&m_mutex);
        while (!m_pending.empty() && m_pending.front().seq <= seq)
            m_pending.pop_front();
        if (marked && m_pending.empty())
            (void)m_journal.compactIfLarge();
    }
    QMetaObject::invokeMethod(this, &CentralOutbox::statusChanged, Qt::QueuedConnection);
}
