#include "PickListFile.h"

#include "DurableWrite.h"
#include "PlusFile.h"
#include "core/Cp1251.h"

#include <QFile>
#include <QFileInfo>

using namespace PickListLayout;
using namespace Qt::StringLiterals;

namespace {

QByteArrayView blockAt(const QByteArray &data, int m)
{
    const qsizetype start = qsizetype(m) * kBlockSize;
    if (start >= data.size())
        return {};
    return QByteArrayView(data).sliced(start, qMin<qsizetype>(kBlockSize, data.size() - start));
}

bool isListEnd(const QByteArray &data, int m)
{
    const qsizetype start = qsizetype(m) * kBlockSize;
    return start >= data.size() || data[start] == '\0';
}

} // namespace

QString pickListPath(const QString &baseFolder, int list)
{
    return baseFolder + QString::number(list + 1) + QStringLiteral(".txt");
}

QByteArray encodePickListBlock(const ParamConstants &fields, bool header)
{
    QByteArray block;
    block.reserve(kBlockSize);
    for (int k = 1; k <= kRecordsPerBlock; ++k) {
        block.append(k == 1 ? '{' : '[');
        block.append(fixedField1251(fields[std::size_t(k - 1)], kFieldSize));
        if (k == kRecordsPerBlock) {
            block.append("}\r\n");
        } else {
            const int number = k == 1 ? 1 : (header ? k : k - 1);
            block.append(']');
            block.append(QByteArray::number(number).rightJustified(2, '0'));
        }
    }
    return block;
}

StoreResult WritePickListHeader(const ExtraNames &names, const QString &baseFolder, int list)
{
    return writeDurably(pickListPath(baseFolder, list), 0, encodePickListBlock(names.constantNames[std::size_t(list)], true));
}

StoreResult WritePickListHeaders(const ExtraNames &names, const QString &baseFolder)
{
    // Every list is tried; the first failure is the one said.
    StoreResult result;
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        if (const StoreResult written = WritePickListHeader(names, baseFolder, i); !written && result)
            result = StoreResult::failed(QFileInfo(pickListPath(baseFolder, i)).fileName() + u": "_s + written.reason);
    return result;
}

void LoadPickListHeaders(ExtraNames &names, const QString &baseFolder)
{
    for (int i = 0; i < ExtraNames::kTextParams; ++i) {
        const ParamConstants header = PickListFile(pickListPath(baseFolder, i)).header();
        for (int j = 1; j <= ExtraNames::kConstants; ++j) {
            const QString &name = header[std::size_t(j)];
            names.constantNames[std::size_t(i)][std::size_t(j)] =
                name.trimmed().isEmpty() ? u"Имя Константы №"_s + QString::number(j) : name;
        }
    }
}

PickListFile::PickListFile(const QString &path)
    : m_path(path)
{
}

QByteArray PickListFile::read() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString PickListFile::field(QByteArrayView block, int k)
{
    if (k < 0 || k >= kRecordsPerBlock)
        return QString();
    return PlusFile::field(block, qsizetype(k) * kRecordSize + 1);
}

ParamConstants PickListFile::header() const
{
    const QByteArray data = read();
    ParamConstants names;
    for (int k = 0; k < kRecordsPerBlock; ++k)
        names[std::size_t(k)] = field(blockAt(data, 0), k);
    return names;
}

QList<ParamConstants> PickListFile::entries() const
{
    const QByteArray data = read();
    QList<ParamConstants> list;
    for (int m = 1; !isListEnd(data, m); ++m) {
        ParamConstants fields;
        for (int k = 0; k < kRecordsPerBlock; ++k)
            fields[std::size_t(k)] = field(blockAt(data, m), k);
        list.append(fields);
    }
    return list;
}

QStringList PickListFile::values() const
{
    const QByteArray data = read();
    QStringList list;
    for (int m = 1; !isListEnd(data, m); ++m)
        list.append(field(blockAt(data, m), 0).trimmed());
    return list;
}

void PickListFile::scan(const QByteArray &data, const QString &value, int &match, int &end)
{
    const QString wanted = value.trimmed();
    match = 0;
    int m = 1;
    for (; !isListEnd(data, m); ++m)
        if (match == 0 && field(blockAt(data, m), 0).trimmed() == wanted)
            match = m;
    end = m;
}

std::optional<ParamConstants> PickListFile::find(const QString &value) const
{
    const QByteArray data = read();
    int match = 0;
    int end = 0;
    scan(data, value, match, end);
    if (match == 0)
        return std::nullopt;
    ParamConstants fields;
    for (int k = 0; k < kRecordsPerBlock; ++k)
        fields[std::size_t(k)] = field(blockAt(data, match), k);
    return fields;
}

StoreResult PickListFile::add(const QString &value, const ParamConstants &entry, const ParamConstants &header)
{
    const QByteArray data = read();
    // Without its names the list would read its first entry as the header.
    if (data.size() < kBlockSize)
        if (const StoreResult written = writeDurably(m_path, 0, encodePickListBlock(header, true)); !written)
            return written;
    int match = 0;
    int end = 0;
    scan(data, value, match, end);
    const int m = match != 0 ? match : end;
    return writeDurably(m_path, qint64(m) * kBlockSize, encodePickListBlock(entry, false));
}

StoreResult PickListFile::remove(const QString &value)
{
    const QByteArray data = read();
    int match = 0;
    int end = 0;
    scan(data, value, match, end);
    if (match == 0)
        return {};

    QByteArray work = data;
    if (work.size() < qsizetype(end + 1) * kBlockSize)
        work.append(qsizetype(end + 1) * kBlockSize - work.size(), '\0');
    const QByteArray terminator = work.mid(qsizetype(end) * kBlockSize, kBlockSize);
    for (int m = match; m < end - 1; ++m)
        work.replace(qsizetype(m) * kBlockSize, kBlockSize, work.mid(qsizetype(m + 1) * kBlockSize, kBlockSize));
    work.replace(qsizetype(end - 1) * kBlockSize, kBlockSize, terminator);
    work.truncate(data.size());
    return replaceDurably(m_path, work);
}
