#pragma once

#include "card/CargoCard.h"

#include <QByteArray>
#include <QDate>
#include <QString>

class Folders;

// The day file: 16-byte records from 1. Record 1 holds the number of card
// slots; card N takes the 74 records after the 74 * (N - 1) + 1 before it.
namespace DayFileLayout {
inline constexpr qint64 RecordSize = 16;
inline constexpr qint64 RecordsPerCard = 74;
inline constexpr qint64 CardBytes = RecordSize * RecordsPerCard; // 1184
inline constexpr qint64 ShortTextBytes = 14;
inline constexpr int TextChunks = 8;
inline constexpr qint64 TextBytes = ShortTextBytes * TextChunks; // 112
// Byte offset of card `n` (from 1).
inline constexpr qint64 cardOffset(qint64 n) { return RecordSize * (1 + RecordsPerCard * (n - 1)); }
inline constexpr qint64 fileSize(qint64 cards) { return RecordSize * (1 + RecordsPerCard * cards); }
} // namespace DayFileLayout

// "08.12.2011.dat" in the month data folder of that day.
QString dayFileName(const QDate &date);
QString dayFilePath(const Folders &folders, const QDate &date);

// A card read field by field from its slot, for readers that need a few
// fields of many cards (a day list, a report) and no whole CargoCard. A
// slot cut short by the end of the file reads as zero beyond it.
class DayCardSlot
{
public:
    explicit DayCardSlot(QByteArrayView bytes);
    DayCardSlot(const DayCardSlot &) = delete;
    DayCardSlot &operator=(const DayCardSlot &) = delete;

    qint32 id() const;
    qint32 number() const;
    // Any parameter that is no text (dates, times, weights, the whole
    // numbers), as a double; 0 for a text parameter.
    double value(int param) const;
    // Text parameter `param` (0..6, OperationType, Status): its first `max`
    // characters into `out`; returns how many there are.
    qsizetype text(int param, char16_t *out, qsizetype max = DayFileLayout::TextBytes) const;
    QString text(int param) const;

private:
    QByteArray m_padded;
    QByteArrayView m_slot;
};

// One card as its 1184 bytes in the file.
QByteArray encodeDayCard(const CargoCard &card);
// Reads a card from its slot bytes; bytes missing at the end read as zero.
CargoCard decodeDayCard(QByteArrayView slot);

// The count record; a short buffer reads as 0.
QByteArray encodeCountRecord(qint32 count);
qint32 decodeCountRecord(QByteArrayView file);
// The ID of card `n` as the file holds it, 0 when the slot is missing.
qint32 decodeDayCardId(QByteArrayView file, qint64 n);
