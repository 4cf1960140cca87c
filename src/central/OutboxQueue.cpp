#include "OutboxQueue.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

OutboxQueue::OutboxQueue(const QString &folder)
    : m_journal(folder)
{
}

void OutboxQueue::notify() const
{
    if (changed)
        changed();
}

StoreResult OutboxQueue::load(qint64 &damagedBytes)
{
    QMutexLocker lock(&m_mutex);
    const StoreResult loaded = m_journal.load(m_pending, m_lastSeq, damagedBytes);
    m_rejected = m_journal.loadRejected();
    for (const RejectedEntry &r : m_rejected)
        m_lastSeq = std::max(m_lastSeq, r.entry.seq);
    m_confirmed = m_pending.empty() ? m_lastSeq : m_pending.front().seq - 1;
    m_loaded = bool(loaded);
    return loaded;
}

bool OutboxQueue::loaded() const
{
    QMutexLocker lock(&m_mutex);
    return m_loaded;
}

std::vector<OutboxEntry> OutboxQueue::numbered(const std::vector<QByteArray> &bodies) const
{
    // Microseconds of the real time, so a journal lost with its disk
    // still numbers above everything it sent before.
    qint64 seq = std::max(m_lastSeq, QDateTime::currentMSecsSinceEpoch() * 1000);
    std::vector<OutboxEntry> entries;
    entries.reserve(bodies.size());
    for (const QByteArray &body : bodies) {
        // The change number goes first, where the journal finds it.
        ++seq;
        entries.push_back({seq, "{\"change_no\":" + QByteArray::number(seq) + ',' + body.mid(1)});
    }
    return entries;
}

StoreResult OutboxQueue::append(const std::vector<QByteArray> &bodies)
{
    if (bodies.empty())
        return {};
    {
        QMutexLocker lock(&m_mutex);
        std::vector<OutboxEntry> entries = numbered(bodies);
        if (const StoreResult written = m_journal.append(entries); !written)
            return written;
        m_lastSeq = entries.back().seq;
        for (OutboxEntry &e : entries)
            m_pending.push_back(std::move(e));
    }
    notify();
    return {};
}

StoreResult OutboxQueue::commitWith(const std::vector<QByteArray> &bodies, const CardMirror::Commit &commit)
{
    if (bodies.empty())
        return commit({});
    {
        QMutexLocker lock(&m_mutex);
        std::vector<OutboxEntry> entries = numbered(bodies);
        const WriteJournal::Piece piece = m_journal.appendPiece(entries);
        // Taken before the commit, so one nested in it follows; the sender
        // sees none of it before the lock is released.
        const qint64 lastSeq = m_lastSeq;
        const size_t pending = m_pending.size();
        m_journal.appended(piece);
        m_lastSeq = entries.back().seq;
        for (OutboxEntry &e : entries)
            m_pending.push_back(std::move(e));
        if (const StoreResult written = commit({piece}); !written) {
            m_journal.withdrawn(piece);
            m_lastSeq = lastSeq;
            m_pending.resize(pending);
            return written;
        }
    }
    notify();
    return {};
}

std::vector<OutboxEntry> OutboxQueue::peek(int count) const
{
    QMutexLocker lock(&m_mutex);
    std::vector<OutboxEntry> entries;
    for (auto it = m_pending.begin(); it != m_pending.end() && int(entries.size()) < count; ++it)
        entries.push_back(*it);
    return entries;
}

void OutboxQueue::confirm(qint64 seq)
{
    {
        QMutexLocker marks(&m_markMutex);
        {
            QMutexLocker lock(&m_mutex);
            if (seq <= m_confirmed)
                return;
        }
        // The mark first: a crash after it only sends the batch again, which
        // the server records once.
        const StoreResult marked = m_journal.markSent(seq);
        QMutexLocker lock(&m_mutex);
        m_confirmed = seq;
        while (!m_pending.empty() && m_pending.front().seq <= seq)
            m_pending.pop_front();
        if (marked && m_pending.empty())
            (void)m_journal.compactIfLarge();
    }
    notify();
}

StoreResult OutboxQueue::setAside(const std::vector<RejectedEntry> &refused)
{
    if (refused.empty())
        return {};
    StoreResult saved;
    {
        QMutexLocker marks(&m_markMutex);
        std::vector<RejectedEntry> all;
        {
            QMutexLocker lock(&m_mutex);
            all = m_rejected;
        }
        for (const RejectedEntry &r : refused)
            if (std::none_of(all.begin(), all.end(), [&r](const RejectedEntry &a) { return a.entry.seq == r.entry.seq; }))
                all.push_back(r);
        saved = m_journal.saveRejected(all);
        if (saved) {
            QMutexLocker lock(&m_mutex);
            m_rejected = std::move(all);
        }
    }
    notify();
    return saved;
}

StoreResult OutboxQueue::resendRejected(int &count)
{
    count = 0;
    QMutexLocker marks(&m_markMutex);
    std::vector<QByteArray> bodies;
    {
        QMutexLocker lock(&m_mutex);
        for (const RejectedEntry &r : m_rejected) {
            // The card again, under a new change number.
            const qsizetype comma = r.entry.payload.indexOf(',');
            if (comma > 0)
                bodies.push_back('{' + r.entry.payload.mid(comma + 1));
        }
    }
    if (const StoreResult queued = append(bodies); !queued)
        return queued;
    if (const StoreResult cleared = m_journal.saveRejected({}); !cleared)
        return cleared;
    {
        QMutexLocker lock(&m_mutex);
        m_rejected.clear();
    }
    count = int(bodies.size());
    notify();
    return {};
}

int OutboxQueue::pending() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_pending.size());
}

int OutboxQueue::rejectedCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_rejected.size());
}

std::vector<RejectedEntry> OutboxQueue::rejected() const
{
    QMutexLocker lock(&m_mutex);
    return m_rejected;
}

QSet<QString> OutboxQueue::pendingDays() const
{
    QMutexLocker lock(&m_mutex);
    QSet<QString> days;
    const QByteArrayView key = "\"day\":\"";
    for (const OutboxEntry &e : m_pending) {
        const qsizetype at = QByteArrayView(e.payload).indexOf(key);
        if (at >= 0)
            days.insert(QString::fromLatin1(e.payload.mid(at + key.size(), 10)));
    }
    return days;
}

QSet<qint64> OutboxQueue::pendingRecords() const
{
    QMutexLocker lock(&m_mutex);
    QSet<qint64> numbers;
    const QByteArrayView key = "\"memory_no\":";
    for (const OutboxEntry &e : m_pending) {
        const qsizetype at = QByteArrayView(e.payload).indexOf(key);
        if (at >= 0)
            numbers.insert(e.payload.mid(at + key.size(), 20).split(',').first().toLongLong());
    }
    return numbers;
}
