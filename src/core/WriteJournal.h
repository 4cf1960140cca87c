#pragma once

#include "StoreResult.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Makes a write in place all-or-nothing. The new bytes, their offset, the
// file's name and a checksum go to the journal of the file's folder and are
// on disk before the write itself; once the write is on disk the journal is
// emptied. A power cut in between leaves a journal that the next start
// replays, so the file holds the old bytes or the new, never a mix; a
// journal cut short fails its checksum and is dropped (the file was not yet
// touched then). One write at a time: the journal holds the last one only.
namespace WriteJournal {

// The journal of the files in `folder` (a path ending with "/").
QString journalPath(const QString &folder);

// New bytes for one place of one file of the folder.
struct Piece
{
    QString path;
    qint64 offset = 0;
    QByteArray bytes;
};

// Every piece, all in one folder, written as one: after a power cut all of
// them are in place or none. Missing files are created. On disk when the
// call returns; on failure the OS's reason.
StoreResult write(const QList<Piece> &pieces);

// Drops an unfinished write into `path` from its folder's journal, before
// the file is replaced whole: a later replay must not put old bytes back.
StoreResult forget(const QString &path);

// What the start found in a journal.
struct Recovery
{
    QString file;     // the file the write was for (full path), or the journal when it is damaged
    bool replayed;    // false: dropped
    QString reason;   // why it was dropped, or the replay failed
    bool failed = false;
};

// Replays or drops the journal of `folder`, if it holds a write.
QList<Recovery> recover(const QString &folder);
// The same for `root` and each folder two levels below it (year, month).
QList<Recovery> recoverTree(const QString &root);

// The journal entry of a write; the inverse of what recover reads.
QByteArray encodeEntry(const QList<Piece> &pieces);

} // namespace WriteJournal
