#include "WriteJournal.h"

#include "CommitLog.h"
#include "CrashPoint.h"
#include "SettingsFile.h"
#include "SystemErrorText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace WriteJournal {

namespace {

constexpr char kMagic[4] = {'T', 'J', '0', '1'};
constexpr QCryptographicHash::Algorithm kSum = QCryptographicHash::Sha256;
constexpr qsizetype kSumSize = 32;

template <typename T>
void append(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

struct Entry
{
    QString fileName;
    qint64 offset = 0;
    QByteArray bytes;
};

// Only a plain name in the journal's folder: a journal never sends a write elsewhere.
bool plainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u".."_s && name != u"."_s;
}

// Whether `data` begins an entry at all: an emptied journal does not.
bool holdsEntry(QByteArrayView data)
{
    return data.size() >= qsizetype(sizeof kMagic) && data.first(sizeof kMagic) == QByteArrayView(kMagic, sizeof kMagic);
}

// Nothing when there is no entry, or one that fails its checksum or its own
// lengths. Bytes behind the entry are what a longer earlier one left.
QList<Entry> decodeEntry(QByteArrayView data)
{
    constexpr qsizetype head = sizeof kMagic + 4;
    if (!holdsEntry(data) || data.size() < head + 2 + kSumSize)
        return {};
    const quint32 length = qFromLittleEndian<quint32>(data.data() + sizeof kMagic);
    if (length < 2 || data.size() < head + qsizetype(length) + kSumSize)
        return {};
    const QByteArrayView body = data.first(head + length);
    if (QCryptographicHash::hash(body, kSum) != data.sliced(body.size(), kSumSize))
        return {};
    qsizetype at = head;
    const quint16 count = qFromLittleEndian<quint16>(body.data() + at);
    at += 2;
    QList<Entry> entries;
    for (int k = 0; k < count; ++k) {
        if (body.size() < at + 2)
            return {};
        const quint16 nameSize = qFromLittleEndian<quint16>(body.data() + at);
        at += 2;
        if (body.size() < at + nameSize + 8 + 4)
            return {};
        Entry entry;
        entry.fileName = QString::fromUtf8(body.sliced(at, nameSize));
        at += nameSize;
        entry.offset = qFromLittleEndian<qint64>(body.data() + at);
        at += 8;
        const quint32 size = qFromLittleEndian<quint32>(body.data() + at);
        at += 4;
        if (body.size() < at + qsizetype(size) || entry.offset < 0 || !plainName(entry.fileName))
            return {};
        entry.bytes = body.sliced(at, size).toByteArray();
        at += size;
        entries.append(entry);
    }
    if (at != body.size())
        return {};
    return entries;
}

// The entry's mark overwritten: the journal holds nothing.
bool empty(QFile &journal)
{
    return journal.seek(0) && journal.write(QByteArray(sizeof kMagic, '\0')) == qint64(sizeof kMagic);
}

StoreResult syncData(QFile &file)
{
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(systemErrorText(errno));
    return {};
}

} // namespace

QString journalPath(const QString &folder)
{
    return folder + u".tarvo.journal"_s;
}

QByteArray encodeEntry(const QList<Piece> &pieces)
{
    QByteArray out;
    out.append(kMagic, sizeof kMagic);
    append<quint32>(out, 0); // the length, once known
    append<quint16>(out, quint16(pieces.size()));
    for (const Piece &piece : pieces) {
        const QByteArray name = QFileInfo(piece.path).fileName().toUtf8();
        append<quint16>(out, quint16(name.size()));
        out.append(name);
        append<qint64>(out, piece.offset);
        append<quint32>(out, quint32(piece.bytes.size()));
        out.append(piece.bytes);
    }
    qToLittleEndian<quint32>(quint32(out.size() - sizeof kMagic - 4), out.data() + sizeof kMagic);
    out.append(QCryptographicHash::hash(out, kSum));
    return out;
}

StoreResult write(const QList<Piece> &pieces)
{
    if (pieces.isEmpty())
        return {};
    for (const Piece &piece : pieces)
        if (const StoreResult settled = CommitLog::settleBefore(piece.path); !settled)
            return settled;
    const QString folder = QFileInfo(pieces.first().path).absolutePath() + u'/';
    const QString path = journalPath(folder);
    const bool newJournal = !QFileInfo::exists(path);
    QFile journal(path);
    if (!journal.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return StoreResult::failed(fileErrorText(journal));
    // The journal keeps its size: a flush of bytes written over bytes is
    // cheaper than one that has to grow or shrink the file too.
    const QByteArray entry = encodeEntry(pieces);
    if (!CrashPoint::positionedWrite(journal, 0, entry))
        return StoreResult::failed(fileErrorText(journal));
    if (const StoreResult synced = syncData(journal); !synced)
        return synced;
    // A journal that a power cut could lose with its folder entry guards nothing.
    if (newJournal)
        if (const StoreResult synced = syncFolderOf(path); !synced)
            return synced;

    // Each file opened once, however many pieces it takes.
    bool newFiles = false;
    std::vector<std::unique_ptr<QFile>> files;
    for (const Piece &piece : pieces) {
        auto found = std::find_if(files.begin(), files.end(),
                                  [&piece](const auto &file) { return file->fileName() == piece.path; });
        if (found == files.end()) {
            newFiles = newFiles || !QFileInfo::exists(piece.path);
            files.push_back(std::make_unique<QFile>(piece.path));
            found = files.end() - 1;
            if (!(*found)->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
                return StoreResult::failed(fileErrorText(**found));
        }
        if (!CrashPoint::positionedWrite(**found, piece.offset, piece.bytes))
            return StoreResult::failed(fileErrorText(**found));
    }
    for (const auto &file : files)
        if (const StoreResult synced = syncData(*file); !synced)
            return synced;
    // A new file must outlast a power cut as its bytes do.
    if (newFiles)
        if (const StoreResult synced = syncFolderOf(path); !synced)
            return synced;

    // Flushed: the card changes write these files through the commit log,
    // and a stale entry replayed after a power cut would undo them.
    CrashPoint::beforeFileCall();
    if (!empty(journal))
        return StoreResult::failed(fileErrorText(journal));
    return syncData(journal);
}

StoreResult forget(const QString &path)
{
    if (const StoreResult settled = CommitLog::settleBefore(path); !settled)
        return settled;
    const QFileInfo target(path);
    QFile journal(journalPath(target.absolutePath() + u'/'));
    if (!journal.exists())
        return {};
    if (!journal.open(QIODevice::ReadWrite))
        return StoreResult::failed(fileErrorText(journal));
    const QList<Entry> entries = decodeEntry(journal.readAll());
    if (std::none_of(entries.begin(), entries.end(),
                     [&target](const Entry &e) { return e.fileName == target.fileName(); }))
        return {};
    CrashPoint::beforeFileCall();
    if (!empty(journal))
        return StoreResult::failed(fileErrorText(journal));
    return syncData(journal);
}

QList<Recovery> recover(const QString &folder)
{
    QFile journal(journalPath(folder));
    if (!journal.exists() || !journal.open(QIODevice::ReadWrite))
        return {};
    const QByteArray data = journal.readAll();
    if (!holdsEntry(data))
        return {};
    const QList<Entry> entries = decodeEntry(data);
    QList<Recovery> found;
    // Cut short by the crash itself: the files were not touched yet.
    if (entries.isEmpty())
        found.append({journal.fileName(), false, u"журнал записи повреждён"_s});
    for (const Entry &entry : entries) {
        const QString path = folder + entry.fileName;
        if (!QFileInfo(path).isFile()) {
            // Not even created: the write had not begun.
            found.append({path, false, u"файла нет"_s});
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            return {{path, false, fileErrorText(file), true}};
        // Already there: the write finished and only the emptying was lost.
        if (file.seek(entry.offset) && file.read(entry.bytes.size()) == entry.bytes)
            continue;
        if (!CrashPoint::positionedWrite(file, entry.offset, entry.bytes) || !syncData(file))
            return {{path, false, fileErrorText(file), true}};
        found.append({path, true, QString()});
    }
    if (!empty(journal) || !syncData(journal))
        found.append({journal.fileName(), false, fileErrorText(journal), true});
    return found;
}

QList<Recovery> recoverTree(const QString &root)
{
    QList<Recovery> found = recover(root);
    const QDir base(root);
    for (const QString &year : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir yearFolder(base.filePath(year));
        for (const QString &month : yearFolder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            found += recover(yearFolder.filePath(month) + u'/');
    }
    return found;
}

} // namespace WriteJournal
