#pragma once

#include "ExtraNames.h"
#include "core/StoreResult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// A pick list "1.txt".."7.txt": blocks of 25 records of 132 bytes; block 0
// holds the names, every later block one value with its 24 constants.
namespace PickListLayout {
constexpr int kRecordSize = 132;
constexpr int kFieldSize = 128;
constexpr int kRecordsPerBlock = 25;
constexpr int kBlockSize = kRecordSize * kRecordsPerBlock; // 3300
} // namespace PickListLayout

// A value and its 24 constants, or the 25 names of a header block.
using ParamConstants = std::array<QString, PickListLayout::kRecordsPerBlock>;

QString pickListPath(const QString &baseFolder, int list);

// One block of 25 fields. Header blocks number their middle records 02..24,
// entry blocks 01..23.
QByteArray encodePickListBlock(const ParamConstants &fields, bool header);

// Block 0 of one list, or of every list, from the constant names; entries are
// left as they are.
StoreResult WritePickListHeader(const ExtraNames &names, const QString &baseFolder, int list);
StoreResult WritePickListHeaders(const ExtraNames &names, const QString &baseFolder);

// Names 1..24 of every list from its block 0; a blank name gets
// "Имя Константы №" and its number. Name 0 is left to the caller.
void LoadPickListHeaders(ExtraNames &names, const QString &baseFolder);

// The entries of one list file. Entries are blocks 1, 2, ... up to the
// first block that begins with a zero byte; values compare trimmed.
class PickListFile
{
public:
    explicit PickListFile(const QString &path);

    ParamConstants header() const;
    QList<ParamConstants> entries() const;
    // The trimmed field 0 of every entry, in file order.
    QStringList values() const;
    std::optional<ParamConstants> find(const QString &value) const;
    // Over the entry of that value, else as a new block at the end of the
    // list. A file without its header block gets `header` first.
    StoreResult add(const QString &value, const ParamConstants &entry, const ParamConstants &header);
    // Later blocks move up one block and the block that ended the list
    // takes the last place, so the length stays. True when the value is
    // not listed; false only when the file could not be rewritten.
    StoreResult remove(const QString &value);

    // Field k of a block: the stored text without its padding; a field
    // that begins below the blank is empty.
    static QString field(QByteArrayView block, int k);

private:
    QByteArray read() const;
    // The entry of `value` (from 1) or 0, and the block that ends the list.
    static void scan(const QByteArray &data, const QString &value, int &match, int &end);

    QString m_path;
};
