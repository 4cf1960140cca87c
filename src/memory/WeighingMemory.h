#pragma once

#include "MemoryKey.h"
#include "MemoryRecord.h"

#include "card/CardServices.h"
#include "store/CardCommit.h"

#include <QDate>
#include <QStringList>

#include <functional>

class Clock;
class CommitLog;

// Where the memory's records are copied (the central database). Like the
// card mirror's, its own record of them joins the commit that writes them.
class MemoryMirror
{
public:
    using Commit = CardRecorder::Commit;

    virtual ~MemoryMirror() = default;
    // Calls `commit` with the mirror's pieces for `records` (each as the
    // memory holds it; none while the mirror is off) and takes them into
    // its queue once it succeeded. A card change's own commit may run
    // inside `commit`.
    virtual StoreResult commitRecords(const QList<QByteArray> &records, const Commit &commit) = 0;
};

// The weighing memory ("alibi memory" of WELMEC 7.2, extension L): every
// weight the program takes into a card, and every later change of a card
// or of a legally relevant setting, as a numbered, hash-chained, signed
// record, appended to "Memory/yyyy-MM.mem" below the base folder. Numbers
// are never reused: "Memory/head.txt" keeps the last one (signed too), so
// records cut from the end are missed. Records are written as pieces of the
// card change's own commit-log entry.
class WeighingMemory final : public CardRecorder, public WeighingNumbers
{
public:
    // Where the weight being taken came from, asked for at each weighing.
    struct Source
    {
        int terminalType = 0;
        QByteArray frame; // the terminal's last whole frame
        bool stable = true;
        bool automatic = false;
        // Taken by the program itself at a card read, nobody at the window.
        bool unattended = false;
        QList<double> axles; // the axles' weights in axle weighing
        QString unit;
    };

    WeighingMemory(const QString &baseFolder, Clock &clock, CommitLog &journal);

    static QString folderIn(const QString &baseFolder);
    static QString headPath(const QString &memoryFolder);
    static QString monthPath(const QString &memoryFolder, const QDate &month);
    // The record files of a memory folder, oldest first.
    static QStringList recordFiles(const QString &memoryFolder);

    // Reads the key and where the memory ends; the first time, makes the key
    // and the first record ("начало памяти", with the public key and the
    // card ID counter `idCounter`: cards up to it are older than the memory).
    StoreResult open(qint32 idCounter);
    // Why records cannot be written now; empty when they can.
    QString problem() const { return m_problem; }

    void setSource(std::function<Source()> source) { m_source = std::move(source); }
    void setMirror(MemoryMirror *mirror) { m_mirror = mirror; }

    StoreResult commitWith(const QList<CardWrite> &writes, CardChange change, const QString &who,
                           const Commit &commit) override;

    // The running program's identification: a record when it differs from
    // the last one recorded.
    StoreResult noteSoftware(const QString &identity);
    // The legally relevant settings as they are now: when they differ from
    // those last recorded, a record and the event counter one up.
    StoreResult noteSettings(const QString &legal, const QString &who);

    qint64 lastNumber() const { return m_head.number; }
    qint64 eventCounter() const { return m_head.events; }
    QString fingerprint() const { return MemoryKey::fingerprint(m_key.publicKey()); }

    QList<Weighed> weighingsOf(qint32 id, const QDate &day) const override;

    // The head file: the last number and hash, the event counter, the digest
    // of the legal settings and the software identification, signed.
    struct Head
    {
        qint64 number = 0;
        QByteArray hash = QByteArray(MemoryRecord::HashSize, '\0');
        qint64 events = 0;
        QByteArray settings;
        QString software;
        QByteArray signedPart;
        QByteArray signature;
    };
    static QByteArray encodeHead(const Head &head, const QByteArray &secretKey);
    static bool decodeHead(const QByteArray &bytes, Head &head);
    static constexpr qsizetype HeadSize = 512;

private:
    QList<MemoryRecord> recordsOf(const QList<CardWrite> &writes, CardChange change, const QString &who) const;
    // `records` numbered after the last and written with `head` through `commit`.
    StoreResult append(QList<MemoryRecord> records, Head head, const Commit &commit);
    StoreResult ready();

    QString m_folder;
    Clock &m_clock;
    CommitLog &m_journal;
    std::function<Source()> m_source;
    MemoryMirror *m_mirror = nullptr;
    MemoryKey m_key;
    Head m_head;
    QString m_path; // the last record file and where it ends
    qint64 m_end = 0;
    bool m_opened = false;
    QString m_problem;
};
