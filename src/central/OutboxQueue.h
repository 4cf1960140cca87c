#pragma once

#include "OutboxJournal.h"
#include "store/CardCommit.h"

#include <QMutex>
#include <QRecursiveMutex>

#include <functional>
#include <vector>

// The outbox's queue in memory and on disk, shared by the window's thread
// (stores, resends) and the senders' threads; every call is thread-safe.
// A sender that was told to stop may still confirm what the server took:
// confirmations only ever move forward.
class OutboxQueue
{
public:
    explicit OutboxQueue(const QString &folder);

    // Called on any thread after the counts changed; set before use.
    std::function<void()> changed;

    // The journal and the set-aside changes; `damagedBytes` as the journal
    // says.
    StoreResult load(qint64 &damagedBytes);
    bool loaded() const;

    // Numbers the cards (compact JSON objects) after the last and appends them.
    StoreResult append(const std::vector<QByteArray> &bodies);
    // The same inside a card's commit. Another may run inside `commit` on
    // the same thread (the memory's records, then the change's cards): its
    // changes are numbered and written after these, in the same entry.
    StoreResult commitWith(const std::vector<QByteArray> &bodies, const CardMirror::Commit &commit);

    std::vector<OutboxEntry> peek(int count) const;
    // The server holds every change up to `seq`.
    void confirm(qint64 seq);
    // Changes the server refused: kept aside with the reason, out of the way
    // of the rest. The caller confirms them after.
    StoreResult setAside(const std::vector<RejectedEntry> &refused);
    // The set-aside changes queued again (newly numbered); how many.
    StoreResult resendRejected(int &count);

    int pending() const;
    int rejectedCount() const;
    std::vector<RejectedEntry> rejected() const;
    // The days ("yyyy-MM-dd") that queued changes belong to.
    QSet<QString> pendingDays() const;
    // The numbers of the weighing memory's records queued.
    QSet<qint64> pendingRecords() const;

private:
    std::vector<OutboxEntry> numbered(const std::vector<QByteArray> &bodies) const;
    void notify() const;

    mutable QRecursiveMutex m_mutex;
    OutboxJournal m_journal;
    std::deque<OutboxEntry> m_pending;
    std::vector<RejectedEntry> m_rejected;
    qint64 m_lastSeq = 0;
    qint64 m_confirmed = 0;
    bool m_loaded = false;
    // Serialises the marks of several senders without holding up the stores.
    QMutex m_markMutex;
};
