#pragma once

#include "ExtraNames.h"

#include <QByteArray>
#include <QString>

#include <array>

// A pick list "1.txt".."7.txt": blocks of 25 records of 132 bytes; block 0
// holds the names, every later block one value with its 24 constants.
namespace PickListLayout {
constexpr int kRecordSize = 132;
constexpr int kFieldSize = 128;
constexpr int kRecordsPerBlock = 25;
constexpr int kBlockSize = kRecordSize * kRecordsPerBlock; // 3300
} // namespace PickListLayout

QString pickListPath(const QString &baseFolder, int list);

// One block of 25 fields. Header blocks number their middle records 02..24,
// entry blocks 01..23.
QByteArray encodePickListBlock(const std::array<QString, 25> &fields, bool header);

// Block 0 of every list from the constant names; entries are left as they are.
bool WritePickListHeaders(const ExtraNames &names, const QString &baseFolder);
