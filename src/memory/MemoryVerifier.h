#pragma once

#include "MemoryRecord.h"

#include "core/Folders.h"

#include <QStringList>

// Checks a weighing memory for an inspector: the chain of hashes, every
// signature, numbers without gaps up to the signed head, the key against
// the one of the first record, and every card of every day file against
// the last record of that card. Reads only; needs no running program.
class MemoryVerifier
{
public:
    explicit MemoryVerifier(const Folders &folders);

    struct Report
    {
        QStringList findings; // one line each, naming the day, card or record
        qint64 records = 0;
        qint64 last = 0;
        qint64 cards = 0;      // cards of the day files compared
        qint64 olderCards = 0; // stored before the memory began
        qint64 unattended = 0; // weighings taken without an operator
        QString fingerprint;
        bool ok() const { return findings.isEmpty(); }
        QString summary() const;
    };
    // `fingerprint`, when given, is the one printed on a paper: the key
    // must be that one. Each record's hash is signed with the record after
    // it, so the signature of the last record and of every record the
    // chain breaks after vouch for all the others; `everySignature` checks
    // each one as well (slower, the same findings).
    Report verify(const QString &fingerprint = QString(), bool everySignature = false) const;

    // Record `n` and what holds of it: its signature, its place in the
    // chain, and whether its card agrees.
    struct RecordCheck
    {
        bool found = false;
        QString text;
        QStringList findings;
        QString verdict; // one line: agrees or why not
    };
    RecordCheck record(qint64 n) const;

private:
    struct Loaded;
    Loaded load() const;

    Folders m_folders;
    QString m_memory;
};
