#pragma once

#include "core/StoreResult.h"
#include "core/WriteJournal.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <vector>

// One change waiting for the server: its change number and the card as the
// JSON object that is sent.
struct OutboxEntry
{
    qint64 seq = 0;
    QByteArray payload;
};

// A change the server refused, set aside with its reason.
struct RejectedEntry
{
    OutboxEntry entry;
    QString reason;
};

// The outbox on disk, in its folder: "outbox.dat" holds the changes as
// records (4-byte length, 4-byte check, payload), appended and flushed;
// "outbox.sent" the change number up to which the server confirmed;
// "rejected.dat" the changes the server refused. Each record checks itself:
// a damaged one is skipped and the records after it are kept; only a torn
// tail is cut off. The files are the user's alone (0600). Not thread-safe:
// its owner serialises the calls.
class OutboxJournal
{
public:
    explicit OutboxJournal(const QString &folder);

    QString folder() const { return m_folder; }
    QString journalPath() const { return m_folder + QStringLiteral("outbox.dat"); }
    QString sentPath() const { return m_folder + QStringLiteral("outbox.sent"); }
    QString rejectedPath() const { return m_folder + QStringLiteral("rejected.dat"); }

    // The changes not yet confirmed, in order, and the highest change
    // number ever given (0 for none). `damagedBytes` counts what was
    // skipped as damage (a torn tail not included).
    StoreResult load(std::deque<OutboxEntry> &pending, qint64 &lastSeq, qint64 &damagedBytes);
    // The entries in one write, flushed to disk before it returns.
    StoreResult append(const std::vector<OutboxEntry> &entries);
    // The same write as a piece of a larger one; `appended` before it is
    // made (a piece made meanwhile follows it), `withdrawn` when it failed.
    WriteJournal::Piece appendPiece(const std::vector<OutboxEntry> &entries) const;
    void appended(const WriteJournal::Piece &piece) { m_size += piece.bytes.size(); }
    void withdrawn(const WriteJournal::Piece &piece) { m_size -= piece.bytes.size(); }
    // The server holds every change up to `seq`.
    StoreResult markSent(qint64 seq);
    // Nothing is pending: the journal is emptied once it has grown.
    StoreResult compactIfLarge();

    // The refused changes, replaced as a whole (they are few).
    std::vector<RejectedEntry> loadRejected() const;
    StoreResult saveRejected(const std::vector<RejectedEntry> &rejected) const;

private:
    QString m_folder;
    qint64 m_size = 0;
};
