#include "CommitLog.h"

#include "CrashPoint.h"
#include "SettingsFile.h"
#include "SystemErrorText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// An entry: mark, generation, sequence, body length, body, SHA-256 of all
// before it. The body: piece count, then each piece's full path, offset,
// length and bytes. Entries of one generation follow each other from the
// start of the file, numbered from 0; what lies behind them (an older
// generation's entries, a torn one) is not replayed.
constexpr char kMark[4] = {'T', 'C', '0', '1'};
constexpr qsizetype kHead = 4 + 8 + 4 + 4;
constexpr qsizetype kSumSize = 32;
// The log is flushed and emptied once it holds this much.
constexpr qint64 kSettleAbove = 1024 * 1024;
// Written with zeros once: an entry then overwrites blocks the file already
// has, and its flush carries no change of the file's size or extents.
constexpr qint64 kLogSize = kSettleAbove + 128 * 1024;

QMutex g_registryMutex;
QList<CommitLog *> g_registry;

template <typename T>
void append(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

QByteArray encode(quint64 generation, quint32 sequence, const QList<WriteJournal::Piece> &pieces)
{
    QByteArray body;
    append<quint16>(body, quint16(pieces.size()));
    for (const WriteJournal::Piece &piece : pieces) {
        const QByteArray path = piece.path.toUtf8();
        append<quint16>(body, quint16(path.size()));
        body.append(path);
        append<qint64>(body, piece.offset);
        append<quint32>(body, quint32(piece.bytes.size()));
        body.append(piece.bytes);
    }
    QByteArray out;
    out.reserve(kHead + body.size() + kSumSize);
    out.append(kMark, sizeof kMark);
    append<quint64>(out, generation);
    append<quint32>(out, sequence);
    append<quint32>(out, quint32(body.size()));
    out.append(body);
    out.append(QCryptographicHash::hash(out, QCryptographicHash::Sha256));
    return out;
}

// The weighing memory's record files ("Memory/2026-12.mem"): only ever
// appended to, so a replay may add to them but never change a record.
bool appendOnlyPath(const QFileInfo &info)
{
    return info.suffix() == u"mem"_s && info.dir().dirName() == u"Memory"_s;
}

// Only the store's own data files, by a full path with nothing to resolve:
// a damaged or planted log never writes anywhere else.
bool acceptedPath(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    return QDir::isAbsolutePath(path) && QDir::cleanPath(path) == path && !info.fileName().startsWith(u'.')
        && (suffix == u"dat"_s || suffix == u"txt"_s || suffix == u"eng"_s || appendOnlyPath(info));
}

// What a replay finds where it would write into an append-only file: the
// piece's own bytes (a write that got that far) or zeros (room taken, not
// yet written) only.
bool onlyExtends(QFile &file, const WriteJournal::Piece &piece)
{
    if (!file.seek(piece.offset))
        return piece.offset >= file.size();
    const QByteArray there = file.read(piece.bytes.size());
    for (qsizetype k = 0; k < there.size(); ++k)
        if (there[k] != piece.bytes[k] && there[k] != '\0')
            return false;
    return true;
}

struct Decoded
{
    quint64 generation = 0;
    quint32 sequence = 0;
    QList<WriteJournal::Piece> pieces;
    qsizetype size = 0; // 0: no whole, valid entry here
};

Decoded decode(QByteArrayView data)
{
    Decoded d;
    if (data.size() < kHead + kSumSize || data.first(sizeof kMark) != QByteArrayView(kMark, sizeof kMark))
        return d;
    const quint32 length = qFromLittleEndian<quint32>(data.data() + 16);
    if (data.size() - kHead - kSumSize < qsizetype(length))
        return d;
    const QByteArrayView whole = data.first(kHead + length);
    if (QCryptographicHash::hash(whole, QCryptographicHash::Sha256) != data.sliced(whole.size(), kSumSize))
        return d;
    d.generation = qFromLittleEndian<quint64>(data.data() + 4);
    d.sequence = qFromLittleEndian<quint32>(data.data() + 12);
    const QByteArrayView body = whole.sliced(kHead);
    qsizetype at = 0;
    const auto need = [&](qsizetype n) { return body.size() - at >= n; };
    if (!need(2))
        return {};
    const quint16 count = qFromLittleEndian<quint16>(body.data());
    at = 2;
    for (int k = 0; k < count; ++k) {
        if (!need(2))
            return {};
        const quint16 pathSize = qFromLittleEndian<quint16>(body.data() + at);
        at += 2;
        if (!need(pathSize + 12))
            return {};
        WriteJournal::Piece piece;
        piece.path = QString::fromUtf8(body.sliced(at, pathSize));
        at += pathSize;
        piece.offset = qFromLittleEndian<qint64>(body.data() + at);
        const quint32 size = qFromLittleEndian<quint32>(body.data() + at + 8);
        at += 12;
        if (!need(size) || piece.offset < 0)
            return {};
        piece.bytes = body.sliced(at, size).toByteArray();
        at += size;
        d.pieces.append(piece);
    }
    if (at != body.size())
        return {};
    d.size = whole.size() + kSumSize;
    return d;
}

StoreResult syncData(QFile &file)
{
    CrashPoint::beforeFileCall();
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(systemErrorText(errno));
    return {};
}

// The first mark overwritten: the log holds nothing.
StoreResult emptyLog(QFile &log)
{
    if (!CrashPoint::positionedWrite(log, 0, QByteArray(sizeof kMark, '\0')))
        return StoreResult::failed(fileErrorText(log));
    return syncData(log);
}

QString named(const QString &path, const QString &reason)
{
    return QFileInfo(path).fileName() + u": "_s + reason;
}

} // namespace

QString CommitLog::pathIn(const QString &baseFolder)
{
    return baseFolder + u".tarvo.commits"_s;
}

CommitLog::CommitLog(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_generation(QRandomGenerator::global()->generate64())
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(3000);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (const StoreResult settled = settle(); !settled)
            emit settleFailed(settled.reason);
    });
    QMutexLocker lock(&g_registryMutex);
    g_registry.append(this);
}

CommitLog::~CommitLog()
{
    {
        QMutexLocker lock(&g_registryMutex);
        g_registry.removeAll(this);
    }
    // What fails here is replayed at the next start.
    (void)settle();
}

bool CommitLog::pending() const
{
    QMutexLocker lock(&m_mutex);
    return !m_files.empty();
}

bool CommitLog::touchesLocked(const QString &path) const
{
    return m_files.count(QDir::cleanPath(QFileInfo(path).absoluteFilePath())) > 0;
}

QFile *CommitLog::target(const QString &path, StoreResult &opened)
{
    if (auto found = m_files.find(path); found != m_files.end())
        return found->second.get();
    const bool created = !QFileInfo::exists(path);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        opened = StoreResult::failed(named(path, fileErrorText(*file)));
        return nullptr;
    }
    if (created)
        m_created.insert(path);
    return m_files.emplace(path, std::move(file)).first->second.get();
}

namespace {

// The blocks a write beyond the end of `file` will need, taken before the
// commit point (the size stays): a full disk refuses the change then, and
// never cuts its writes after it.
StoreResult reserve(QFile &file, qint64 end)
{
    const qint64 size = file.size();
    if (end <= size)
        return {};
    if (::fallocate(file.handle(), FALLOC_FL_KEEP_SIZE, size, end - size) != 0 && errno != EOPNOTSUPP)
        return StoreResult::failed(named(file.fileName(), systemErrorText(errno)));
    return {};
}

// What a write that failed says, with errno as the call left it.
StoreResult writeFailed(QFile &file)
{
    const int error = errno;
    return StoreResult::failed(named(file.fileName(), error != 0 ? systemErrorText(error) : fileErrorText(file)));
}

} // namespace

StoreResult CommitLog::commit(const QList<WriteJournal::Piece> &pieces)
{
    if (pieces.isEmpty())
        return {};
    QMutexLocker lock(&m_mutex);
    QList<WriteJournal::Piece> absolute = pieces;
    for (WriteJournal::Piece &piece : absolute)
        piece.path = QDir::cleanPath(QFileInfo(piece.path).absoluteFilePath());
    // A file moved away or replaced behind the program's back since the
    // last change: what went into it is settled, and its name opened anew.
    const bool stale = std::any_of(m_files.begin(), m_files.end(), [](const auto &held) {
        struct stat byName = {}, byHandle = {};
        return ::stat(QFile::encodeName(held.first).constData(), &byName) != 0
            || ::fstat(held.second->handle(), &byHandle) != 0 || byName.st_ino != byHandle.st_ino
            || byName.st_dev != byHandle.st_dev;
    });
    if (m_writeAt >= kSettleAbove || stale)
        if (const StoreResult settled = settleLocked(); !settled)
            return settled;

    // Every file opened (and a missing one created) before the commit
    // point: what fails later can only be the disk itself.
    QList<QFile *> files;
    for (const WriteJournal::Piece &piece : std::as_const(absolute)) {
        StoreResult opened;
        QFile *file = target(piece.path, opened);
        if (!file)
            return opened;
        files.append(file);
    }
    for (qsizetype k = 0; k < absolute.size(); ++k)
        if (const StoreResult room = reserve(*files[k], absolute[k].offset + absolute[k].bytes.size()); !room)
            return room;

    if (!m_log) {
        const bool created = !QFileInfo::exists(m_path);
        m_log = std::make_unique<QFile>(m_path);
        if (!m_log->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            const QString reason = named(m_path, fileErrorText(*m_log));
            m_log.reset();
            return StoreResult::failed(reason);
        }
        if (m_log->size() < kLogSize) {
            errno = 0;
            if (!CrashPoint::positionedWrite(*m_log, m_log->size(), QByteArray(kLogSize - m_log->size(), '\0')))
                return writeFailed(*m_log);
            if (const StoreResult synced = syncData(*m_log); !synced)
                return StoreResult::failed(named(m_path, synced.reason));
        }
        // A log that a power cut could lose with its folder entry guards nothing.
        if (created)
            if (const StoreResult synced = syncFolderOf(m_path); !synced)
                return StoreResult::failed(named(m_path, synced.reason));
    }
    const QByteArray entry = encode(m_generation, m_sequence, absolute);
    if (const StoreResult room = reserve(*m_log, m_writeAt + entry.size()); !room)
        return room;
    errno = 0;
    if (!CrashPoint::positionedWrite(*m_log, m_writeAt, entry))
        return writeFailed(*m_log);
    // The commit point.
    if (const StoreResult synced = syncData(*m_log); !synced)
        return StoreResult::failed(named(m_path, synced.reason));
    m_writeAt += entry.size();
    ++m_sequence;

    for (qsizetype k = 0; k < absolute.size(); ++k)
        if (!CrashPoint::positionedWrite(*files[k], absolute[k].offset, absolute[k].bytes)) {
            const StoreResult failed = writeFailed(*files[k]);
            return StoreResult::failed(failed.reason + u" (запись будет завершена при запуске)"_s);
        }
    if (QThread::currentThread() == thread())
        m_idle.start();
    return {};
}

StoreResult CommitLog::settle()
{
    QMutexLocker lock(&m_mutex);
    return settleLocked();
}

StoreResult CommitLog::settleLocked()
{
    if (m_files.empty())
        return {};
    for (auto &[path, file] : m_files)
        if (const StoreResult synced = syncData(*file); !synced)
            return StoreResult::failed(named(path, synced.reason));
    QSet<QString> folders;
    for (const QString &path : std::as_const(m_created))
        folders.insert(QFileInfo(path).absolutePath());
    for (const QString &folder : std::as_const(folders))
        if (const StoreResult synced = syncFolderOf(folder + u"/x"_s); !synced)
            return StoreResult::failed(synced.reason);
    if (m_log)
        if (const StoreResult emptied = emptyLog(*m_log); !emptied)
            return StoreResult::failed(named(m_path, emptied.reason));
    m_files.clear();
    m_created.clear();
    m_writeAt = 0;
    m_sequence = 0;
    ++m_generation;
    return {};
}

StoreResult CommitLog::settleBefore(const QString &path)
{
    QMutexLocker registry(&g_registryMutex);
    for (CommitLog *log : std::as_const(g_registry)) {
        QMutexLocker lock(&log->m_mutex);
        if (log->touchesLocked(path))
            if (const StoreResult settled = log->settleLocked(); !settled)
                return settled;
    }
    return {};
}

QList<WriteJournal::Recovery> CommitLog::recover(const QString &path)
{
    QFile log(path);
    if (!log.exists() || !log.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return {};
    const QByteArray data = log.readAll();
    if (!data.startsWith(QByteArrayView(kMark, sizeof kMark)))
        return {};

    QList<WriteJournal::Recovery> found;
    std::map<QString, std::unique_ptr<QFile>> files;
    QSet<QString> replayed;
    qsizetype at = 0;
    quint64 generation = 0;
    for (quint32 sequence = 0;; ++sequence) {
        const Decoded entry = decode(QByteArrayView(data).sliced(at));
        if (entry.size == 0 || (sequence > 0 && entry.generation != generation) || entry.sequence != sequence) {
            // Cut short by the crash itself: that change was never made.
            if (data.size() - at >= qsizetype(sizeof kMark) && data.sliced(at, sizeof kMark) == QByteArrayView(kMark, sizeof kMark)
                && (entry.size == 0 || entry.generation == generation))
                found.append({path, false, u"журнал записи повреждён"_s});
            break;
        }
        generation = entry.generation;
        at += entry.size;
        for (const WriteJournal::Piece &piece : entry.pieces) {
            if (!acceptedPath(piece.path)) {
                found.append({piece.path, false, u"недопустимое имя файла"_s});
                continue;
            }
            if (!QFileInfo(QFileInfo(piece.path).absolutePath()).isDir()) {
                found.append({piece.path, false, u"папки нет"_s});
                continue;
            }
            auto it = files.find(piece.path);
            if (it == files.end()) {
                auto file = std::make_unique<QFile>(piece.path);
                if (!file->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
                    return {{piece.path, false, fileErrorText(*file), true}};
                it = files.emplace(piece.path, std::move(file)).first;
            }
            QFile &file = *it->second;
            // Already there: the write finished and only the flush was not known.
            if (file.seek(piece.offset) && file.read(piece.bytes.size()) == piece.bytes)
                continue;
            if (appendOnlyPath(QFileInfo(piece.path)) && !onlyExtends(file, piece)) {
                found.append({piece.path, false, u"запись изменила бы сохранённые данные"_s});
                continue;
            }
            if (!CrashPoint::positionedWrite(file, piece.offset, piece.bytes))
                return {{piece.path, false, fileErrorText(file), true}};
            if (!replayed.contains(piece.path)) {
                replayed.insert(piece.path);
                found.append({piece.path, true, QString()});
            }
        }
    }
    for (auto &[name, file] : files)
        if (const StoreResult synced = syncData(*file); !synced)
            return {{name, false, synced.reason, true}};
    for (const auto &[name, file] : files)
        if (const StoreResult synced = syncFolderOf(name); !synced)
            return {{name, false, synced.reason, true}};
    if (const StoreResult emptied = emptyLog(log); !emptied)
        found.append({path, false, emptied.reason, true});
    return found;
}
