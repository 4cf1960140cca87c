#pragma once

#include "ExchangeLines.h"
#include "platform/WorkbookCell.h"
#include "card/CargoCard.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The rows of the day workbook and the accounting workbook, and what both
// exchange exports take from the files: the card as its day file holds it
// and the accounting codes of its own seven texts.
namespace ExchangeRows {

// Row N + 2 of the day workbook for card N.
WorkbookRow dayRow(const CargoCard &card);
// The same with the trimmed codes in columns 9..15.
WorkbookRow accountingRow(const CargoCard &card, const ExchangeLines::Codes &codes);

// Card `n` of the day file at `path`; nothing when the slot holds no card.
std::optional<CargoCard> readCard(const QString &path, int n);
// Every card of a day file with its slot number, in slot order (slots
// without a card are left out). `error` gets the reason when the file
// cannot be read.
QList<std::pair<int, CargoCard>> readDay(const QString &path, QString *error = nullptr);

} // namespace ExchangeRows

// The accounting codes of the pick lists as they are now: constant 1 of the
// first entry of each value, each list read once.
class CodeBook
{
public:
    explicit CodeBook(const QString &baseFolder);

    // The code of each of the seven texts of `card`; empty where a value
    // has no entry.
    ExchangeLines::Codes codes(const CargoCard &card);

private:
    QString m_baseFolder;
    std::array<std::optional<QHash<QString, QString>>, CardTextCount> m_lists;
};
