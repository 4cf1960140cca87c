#include "OutboxJournal.h"

#include "core/CommitLog.h"
#include "core/SystemErrorText.h"
#include "store/DurableWrite.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 kMagic = 0x5443;
constexpr qsizetype kHeader = 8;
// Payloads are a card of a few kilobytes; anything far larger is damage.
constexpr quint32 kMaxPayload = 16 * 1024 * 1024;
constexpr qint64 kCompactAbove = 1024 * 1024;

quint32 checkOf(QByteArrayView payload) { return (quint32(kMagic) << 16) | qChecksum(payload); }

qint64 seqOf(QByteArrayView payload)
{
    // The change number leads every payload: {"change_no":N,...
    const QByteArrayView key = "{\"change_no\":";
    if (!payload.startsWith(key))
        return 0;
    qint64 value = 0;
    for (qsizetype i = key.size(); i < payload.size() && payload[i] >= '0' && payload[i] <= '9'; ++i)
        value = value * 10 + (payload[i] - '0');
    return value;
}

} // namespace

OutboxJournal::OutboxJournal(const QString &folder)
    : m_folder(folder)
{
}

StoreResult OutboxJournal::load(std::deque<OutboxEntry> &pending, qint64 &lastSeq)
{
    pending.clear();
    lastSeq = 0;
    if (!QDir().mkpath(m_folder))
        return StoreResult::failed(u"папка не создана: "_s + m_folder);
    qint64 sent = 0;
    if (QFile mark(sentPath()); mark.open(QIODevice::ReadOnly))
        sent = mark.readAll().trimmed().toLongLong();
    lastSeq = sent;

    QFile file(journalPath());
    if (!file.exists()) {
        m_size = 0;
        return {};
    }
    if (!file.open(QIODevice::ReadWrite))
        return StoreResult::failed(fileErrorText(file));
    const QByteArray data = file.readAll();
    qsizetype at = 0;
    while (data.size() - at >= kHeader) {
        const quint32 length = qFromLittleEndian<quint32>(data.constData() + at);
        const quint32 check = qFromLittleEndian<quint32>(data.constData() + at + 4);
        if (length > kMaxPayload || data.size() - at - kHeader < qsizetype(length))
            break;
        const QByteArrayView payload = QByteArrayView(data).sliced(at + kHeader, length);
        if (check != checkOf(payload))
            break;
        const qint64 seq = seqOf(payload);
        if (seq == 0)
            break;
        if (seq > sent)
            pending.push_back({seq, payload.toByteArray()});
        lastSeq = std::max(lastSeq, seq);
        at += kHeader + length;
    }
    if (at != data.size()) {
        // The tail a crash tore: whatever follows it was never confirmed
        // to a caller, and new records must not land behind it.
        if (!file.resize(at) || ::fdatasync(file.handle()) != 0)
            return StoreResult::failed(fileErrorText(file));
    }
    m_size = at;
    return {};
}

WriteJournal::Piece OutboxJournal::appendPiece(const std::vector<OutboxEntry> &entries) const
{
    QByteArray bytes;
    for (const OutboxEntry &e : entries) {
        char header[kHeader];
        qToLittleEndian<quint32>(quint32(e.payload.size()), header);
        qToLittleEndian<quint32>(checkOf(e.payload), header + 4);
        bytes.append(header, kHeader);
        bytes.append(e.payload);
    }
    return {journalPath(), m_size, bytes};
}

StoreResult OutboxJournal::append(const std::vector<OutboxEntry> &entries)
{
    const QByteArray bytes = appendPiece(entries).bytes;
    // A change of the card commits still in the log goes first.
    if (const StoreResult settled = CommitLog::settleBefore(journalPath()); !settled)
        return settled;
    QFile file(journalPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return StoreResult::failed(fileErrorText(file));
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString reason = fileErrorText(file);
        // A part written on a full disk must not stay as a torn record.
        file.resize(m_size);
        return StoreResult::failed(reason);
    }
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(systemErrorText(errno));
    m_size += bytes.size();
    return {};
}

StoreResult OutboxJournal::markSent(qint64 seq)
{
    return replaceDurably(sentPath(), QByteArray::number(seq));
}

StoreResult OutboxJournal::compactIfLarge()
{
    if (m_size < kCompactAbove)
        return {};
    if (const StoreResult settled = CommitLog::settleBefore(journalPath()); !settled)
        return settled;
    QFile file(journalPath());
    if (!file.open(QIODevice::ReadWrite) || !file.resize(0))
        return StoreResult::failed(fileErrorText(file));
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(systemErrorText(errno));
    m_size = 0;
    return {};
}
