#include "PlusFile.h"

#include "DurableWrite.h"
#include "core/Cp1251.h"

#include <QFile>

PlusFile::PlusFile(const QString &path)
    : m_path(path)
{
}

QString PlusFile::besideDayFile(const QString &dayFilePath)
{
    QString path = dayFilePath;
    if (path.endsWith(QStringLiteral(".dat")))
        path.chop(4);
    return path + QStringLiteral("_Plus.dat");
}

QString PlusFile::field(QByteArrayView data, qsizetype offset)
{
    if (offset < 0 || offset >= data.size())
        return QString();
    QByteArrayView bytes = data.sliced(offset, qMin<qsizetype>(kRecordSize, data.size() - offset));
    if (quint8(bytes[0]) < 0x20)
        return QString();
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        bytes.truncate(zero);
    QString text = decode1251(bytes);
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    text.truncate(end);
    return text;
}

ExtraParams PlusFile::read(int card) const
{
    ExtraParams values;
    if (card < 1)
        return values;
    QFile file(m_path);
    const qint64 first = (recordOf(card, 0, 1) - 1) * kRecordSize;
    if (!file.open(QIODevice::ReadOnly) || !file.seek(first))
        return values;
    const QByteArray slot = file.read(qint64(kRecordsPerCard) * kRecordSize);
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j)
            values[std::size_t(i)][std::size_t(j)] = field(slot, (recordOf(card, i, j) - 1) * kRecordSize - first);
    return values;
}

WriteJournal::Piece PlusFile::piece(int card, const ExtraParams &values) const
{
    QByteArray slot;
    slot.reserve(kRecordsPerCard * kRecordSize);
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j)
            slot.append(fixedField1251(values[std::size_t(i)][std::size_t(j)], kRecordSize));
    return {m_path, (recordOf(card, 0, 1) - 1) * kRecordSize, slot};
}

StoreResult PlusFile::write(int card, const ExtraParams &values) const
{
    if (card < 1)
        return StoreResult::failed(QStringLiteral("нет карточки № %1").arg(card));
    const WriteJournal::Piece p = piece(card, values);
    return writeDurably(p.path, p.offset, p.bytes);
}
