#include "OutboxJournal.h"

#include "core/CommitLog.h"
#include "core/SystemErrorText.h"
#include "store/DurableWrite.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <optional>
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

// The record that starts at `at`, if one whole, undamaged record does.
std::optional<QByteArrayView> recordAt(const QByteArray &data, qsizetype at)
{
    if (data.size() - at < kHeader)
        return {};
    const quint32 length = qFromLittleEndian<quint32>(data.constData() + at);
    const quint32 check = qFromLittleEndian<quint32>(data.constData() + at + 4);
    if (length > kMaxPayload || data.size() - at - kHeader < qsizetype(length) || (check >> 16) != kMagic)
        return {};
    const QByteArrayView payload = QByteArrayView(data).sliced(at + kHeader, length);
    if (seqOf(payload) == 0 || check != checkOf(payload))
        return {};
    return payload;
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

OutboxJournal::OutboxJournal(const QString &folder)
    : m_folder(folder)
{
}

StoreResult OutboxJournal::load(std::deque<OutboxEntry> &pending, qint64 &lastSeq, qint64 &damagedBytes)
{
    pending.clear();
    lastSeq = 0;
    damagedBytes = 0;
    if (!QDir().mkpath(m_folder))
        return StoreResult::failed(u"папка не создана: "_s + m_folder);
    // The queue holds the cards in clear: the user's alone, as the password is.
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qint64 sent = 0;
    if (QFile mark(sentPath()); mark.open(QIODevice::ReadOnly))
        sent = mark.readAll().trimmed().toLongLong();
    lastSeq = sent;

    QFile file(journalPath());
    if (!file.open(QIODevice::ReadWrite))
        return StoreResult::failed(fileErrorText(file));
    for (const QString &path : {journalPath(), sentPath(), rejectedPath()})
        if (QFile::exists(path))
            QFile::setPermissions(path, kOwnerOnly);
    const QByteArray data = file.readAll();
    qsizetype at = 0;
    qsizetype end = 0;
    while (at < data.size()) {
        const std::optional<QByteArrayView> payload = recordAt(data, at);
        if (!payload) {
            // A damaged record: the next one that checks out goes on.
            qsizetype next = at + 1;
            while (next < data.size() && !recordAt(data, next))
                ++next;
            if (next >= data.size())
                break;
            damagedBytes += next - at;
            at = next;
            continue;
        }
        const qint64 seq = seqOf(*payload);
        if (seq > sent)
            pending.push_back({seq, payload->toByteArray()});
        lastSeq = std::max(lastSeq, seq);
        at += kHeader + payload->size();
        end = at;
    }
    if (end != data.size()) {
        // The tail a crash tore: whatever follows it was never confirmed
        // to a caller, and new records must not land behind it.
        if (const StoreResult settled = CommitLog::settleBefore(journalPath()); !settled)
            return settled;
        if (!file.resize(end) || ::fdatasync(file.handle()) != 0)
            return StoreResult::failed(fileErrorText(file));
    }
    // Damage in the middle may hold numbers above the last readable one.
    std::sort(pending.begin(), pending.end(), [](const OutboxEntry &a, const OutboxEntry &b) { return a.seq < b.seq; });
    m_size = end;
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
    return replaceDurably(sentPath(), QByteArray::number(seq), kOwnerOnly);
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

std::vector<RejectedEntry> OutboxJournal::loadRejected() const
{
    std::vector<RejectedEntry> rejected;
    QFile file(rejectedPath());
    if (!file.open(QIODevice::ReadOnly))
        return rejected;
    // One JSON object a line; a line that does not read is left out.
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QByteArray payload = o.value(u"card"_s).toString().toUtf8();
        const qint64 seq = seqOf(payload);
        if (seq == 0)
            continue;
        // Set aside twice by a crash between the two writes: once is enough.
        if (std::any_of(rejected.begin(), rejected.end(), [seq](const RejectedEntry &r) { return r.entry.seq == seq; }))
            continue;
        rejected.push_back({{seq, payload}, o.value(u"reason"_s).toString()});
    }
    return rejected;
}

StoreResult OutboxJournal::saveRejected(const std::vector<RejectedEntry> &rejected) const
{
    QByteArray bytes;
    for (const RejectedEntry &r : rejected) {
        const QJsonObject o{{u"reason"_s, r.reason}, {u"card"_s, QString::fromUtf8(r.entry.payload)}};
        bytes += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    return replaceDurably(rejectedPath(), bytes, kOwnerOnly);
}
