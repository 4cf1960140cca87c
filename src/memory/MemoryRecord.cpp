#include "MemoryRecord.h"

#include "MemoryKey.h"

#include <QCryptographicHash>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

constexpr char kMark[4] = {'T', 'V', 'M', '1'};
constexpr qsizetype kHead = 8;
// A body longer than this is no record (a damaged length).
constexpr quint32 kMaxBody = 1 << 20;

QString oneLine(QString text)
{
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

} // namespace

QString MemoryRecord::value(const QString &name) const
{
    for (const auto &[n, v] : fields)
        if (n == name)
            return v;
    return {};
}

void MemoryRecord::add(const QString &name, const QString &value)
{
    fields.append({name, oneLine(value)});
}

QByteArray MemoryRecord::body() const
{
    return text().toUtf8();
}

QString MemoryRecord::text() const
{
    QString out = MemoryFields::Number + u": "_s + QString::number(number) + u'\n';
    for (const auto &[name, value] : fields)
        out += name + u": "_s + value + u'\n';
    return out;
}

QByteArray encodeRecord(const MemoryRecord &record, const QByteArray &previous, const QByteArray &secretKey)
{
    const QByteArray body = record.body();
    QByteArray out;
    out.reserve(kHead + body.size() + MemoryRecord::HashSize + MemoryRecord::SignatureSize);
    out.append(kMark, sizeof kMark);
    char length[4];
    qToLittleEndian(quint32(body.size()), length);
    out.append(length, 4);
    out.append(body);
    out.append(previous.leftJustified(MemoryRecord::HashSize, '\0', true));
    out.append(MemoryKey::sign(out, secretKey));
    return out;
}

// The size of the record `data` begins with, and its body's `length`; 0
// when no whole record begins there.
static qsizetype wholeRecord(QByteArrayView data, quint32 &length)
{
    if (data.size() < kHead || data.first(sizeof kMark) != QByteArrayView(kMark, sizeof kMark))
        return 0;
    length = qFromLittleEndian<quint32>(data.data() + 4);
    const qsizetype total = kHead + qsizetype(length) + MemoryRecord::HashSize + MemoryRecord::SignatureSize;
    return length > kMaxBody || data.size() < total ? 0 : total;
}

StoredRecord decodeRecord(QByteArrayView data)
{
    StoredRecord r;
    quint32 length = 0;
    const qsizetype total = wholeRecord(data, length);
    if (total == 0)
        return r;
    const QString body = QString::fromUtf8(data.sliced(kHead, length));
    const QStringList lines = body.split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return r;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const qsizetype colon = lines[k].indexOf(u": "_s);
        if (colon < 0)
            return r;
        const QString name = lines[k].left(colon);
        const QString value = lines[k].mid(colon + 2);
        if (k == 0) {
            bool ok = false;
            r.record.number = value.toLongLong(&ok);
            if (name != MemoryFields::Number || !ok || r.record.number < 1)
                return StoredRecord();
        } else {
            r.record.fields.append({name, value});
        }
    }
    const qsizetype signedSize = total - MemoryRecord::SignatureSize;
    r.previous = data.sliced(kHead + length, MemoryRecord::HashSize).toByteArray();
    r.signature = data.sliced(signedSize, MemoryRecord::SignatureSize).toByteArray();
    r.signedPart = data.first(signedSize).toByteArray();
    r.hash = QCryptographicHash::hash(data.first(total), QCryptographicHash::Sha256);
    r.size = total;
    return r;
}

RecordSpan scanRecord(QByteArrayView data)
{
    RecordSpan span;
    quint32 length = 0;
    const qsizetype total = wholeRecord(data, length);
    if (total == 0)
        return span;
    const QByteArrayView body = data.sliced(kHead, length);
    static const QByteArray numberMark = (MemoryFields::Number + u": "_s).toUtf8();
    static const QByteArray idMark = (u'\n' + MemoryFields::CardId + u": "_s).toUtf8();
    if (!body.startsWith(numberMark))
        return span;
    const auto numberAt = [&body](qsizetype from) {
        qint64 value = 0;
        for (qsizetype k = from; k < body.size() && body[k] >= '0' && body[k] <= '9' && k < from + 18; ++k)
            value = value * 10 + (body[k] - '0');
        return value;
    };
    span.number = numberAt(numberMark.size());
    if (span.number < 1)
        return span;
    if (const qsizetype id = body.indexOf(idMark); id >= 0)
        span.cardId = qint32(numberAt(id + idMark.size()));
    span.size = total;
    return span;
}
