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

// The outbox on disk, in its folder: "outbox.dat" holds the changes as
// records (4-byte length, 4-byte check, payload), appended and flushed;
// "outbox.sent" the change number up to which the server confirmed. A record
// torn by a crash ends the journal and is cut off at the next load. Not
// thread-safe: its owner serialises the calls.
class OutboxJournal
{
public:
    explicit OutboxJournal(const QString &folder);

    QString journalPath() const { return m_folder + QStringLiteral("outbox.dat"); }
    QString sentPath() const { return m_folder + QStringLiteral("outbox.sent"); }

    // The changes not yet confirmed, in order, and the highest change
    // number ever given (0 for none).
    StoreResult load(std::deque<OutboxEntry> &pending, qint64 &lastSeq);
    // The entries in one write, flushed to disk before it returns.
    StoreResult append(const std::vector<OutboxEntry> &entries);
    // The same write as a piece of a larger one; `appended` once it is made.
    WriteJournal::Piece appendPiece(const std::vector<OutboxEntry> &entries) const;
    void appended(const WriteJournal::Piece &piece) { m_size += piece.bytes.size(); }
    // The server holds every change up to `seq`.
    StoreResult markSent(qint64 seq);
    // Nothing is pending: the journal is emptied once it has grown.
    StoreResult compactIfLarge();

private:
    QString m_folder;
    qint64 m_size = 0;
};
