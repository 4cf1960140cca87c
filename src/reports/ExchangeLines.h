#pragma once

#include "core/StoreResult.h"
#include "core/WriteJournal.h"
#include "card/CargoCard.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>

// The exchange texts of a day: "{date}.txt", a readable table of 480-byte
// records (four header records, then card N at record N + 4), and
// "{date}_1C.txt", 326-byte records of card N at record N with the
// accounting codes in place of the seven texts. Windows-1251 throughout.
namespace ExchangeLines {

inline constexpr qsizetype DayRecordSize = 480;
inline constexpr qsizetype AccountingRecordSize = 326;
inline constexpr int HeaderRecords = 4;

// The accounting code of each of the seven texts of a card; empty: none.
using Codes = std::array<QString, CardTextCount>;

// The parameter each of the 25 fields of a line shows, in line order.
inline constexpr std::array<int, 25> FieldParams = {
    10, 11, 14, 15, 12, 13, 7, 8, 0, 1, 2, 3, 4, 5, 6, 16, 17, 18, 19, 20, 9, 21, 22, 23, 24,
};

// The line of a card in the day text (480 bytes) and the accounting text (326).
QByteArray dayLine(const CargoCard &card);
QByteArray accountingLine(const CargoCard &card, const Codes &codes);
// Records 1..4 of the day text: the font hint, the title with `date`, the
// rule, and the column header of the parameter names.
QByteArray headerRecords(const std::array<QString, 25> &paramNames, const QDate &date);

QString dayTextPath(const QString &monthResultFolder, const QDate &date);
QString accountingTextPath(const QString &monthResultFolder, const QDate &date);

// Record `record` (from 1) of a file of `recordSize`-byte records.
StoreResult writeRecord(const QString &path, qsizetype recordSize, qint64 record, const QByteArray &bytes);
// The lines of card `n` in both texts of a folder, as pieces of one write:
// after a power cut both are new or both old. None for a line too long.
QList<WriteJournal::Piece> cardLines(const QString &dayText, const QString &accountingText, int n,
                                     const QByteArray &dayLine, const QByteArray &accountingLine);
// The same, written at once.
StoreResult writeCardLines(const QString &dayText, const QString &accountingText, int n, const QByteArray &dayLine,
                           const QByteArray &accountingLine);
// Whether the day text at `path` holds its four header records.
bool hasHeaders(const QString &path);

} // namespace ExchangeLines
