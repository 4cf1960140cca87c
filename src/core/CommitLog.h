#pragma once

#include "StoreResult.h"
#include "WriteJournal.h"

#include <QMutex>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <map>
#include <memory>

class QFile;

// The write-ahead log of the card changes. A change is appended to the log
// as one entry and the log is flushed: from then on the change is made,
// whatever happens. Its pieces are then written in place without a flush of
// their own; the files are flushed together and the log emptied later (when
// the program has been idle a moment, when the log has grown, at exit, and
// before any other write or replacement of a file it touched). A start after
// a power cut replays the entries in order, so every file holds what the
// last entry gave it. One flush per change instead of one per file.
class CommitLog : public QObject
{
    Q_OBJECT

public:
    // The log of an installation, in its base folder.
    static QString pathIn(const QString &baseFolder);

    explicit CommitLog(const QString &path, QObject *parent = nullptr);
    ~CommitLog() override;

    QString path() const { return m_path; }
    // How long after the last change the files are flushed and the log emptied.
    void setIdleMs(int ms) { m_idle.setInterval(ms); }

    // The pieces, in any folders, as one change: on disk (in the log) when
    // it returns. Missing files are created; their folders must exist.
    StoreResult commit(const QList<WriteJournal::Piece> &pieces);
    // Every change so far in place and on disk, the log empty.
    StoreResult settle();
    bool pending() const;

    // Any log that still holds a change of `path` settles first: a write
    // that does not go through it must not be undone by a later replay.
    static StoreResult settleBefore(const QString &path);

    // Replays the log at `path`, if it holds changes, and empties it.
    static QList<WriteJournal::Recovery> recover(const QString &path);

signals:
    // The flush after an idle moment failed: the changes stay in the log.
    void settleFailed(const QString &reason);

private:
    StoreResult settleLocked();
    bool touchesLocked(const QString &path) const;
    QFile *target(const QString &path, StoreResult &opened);

    QString m_path;
    mutable QMutex m_mutex;
    std::unique_ptr<QFile> m_log;
    qint64 m_writeAt = 0;
    quint64 m_generation = 0;
    quint32 m_sequence = 0;
    // The files written since the last flush, kept open until it.
    std::map<QString, std::unique_ptr<QFile>> m_files;
    QSet<QString> m_created;
    QTimer m_idle;
};
