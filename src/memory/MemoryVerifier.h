#pragma once

#include "MemoryRecord.h"

#include "card/CargoCard.h"
#include "core/Folders.h"

#include <QStringList>

#include <functional>

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

    // A card as a copy of the day files holds it (the central database).
    struct CopiedCard
    {
        QString day; // dd.MM.yyyy
        qint64 number = 0;
        CargoCard card; // with its ID
    };
    // The same checks of records kept elsewhere (the central database),
    // each as the memory holds it, in the order of their numbers, with the
    // key kept beside them. Without the head: records not yet copied are
    // no finding, and neither is a record whose card was never copied.
    static Report verifyCopy(const QList<QByteArray> &records, const QByteArray &key, const QList<CopiedCard> &cards,
                             bool everySignature = false);

private:
    struct Loaded;
    struct Chain
    {
        qint64 last = 0;
        QByteArray lastHash = QByteArray(MemoryRecord::HashSize, '\0');
    };
    using CardVisit = std::function<void(const QString &day, qint64 number, const CargoCard &card)>;
    Loaded load() const;
    static Loaded fromRecords(const QList<QByteArray> &records, const QByteArray &key);
    static Chain checkChain(const Loaded &l, Report &report, bool everySignature);
    static void checkCards(const Loaded &l, Report &report, const std::function<void(const CardVisit &)> &forEachCard,
                           const QString &cardsPlace, bool cardsComplete);

    Folders m_folders;
    QString m_memory;
};
