#pragma once

#include "card/CargoCard.h"

#include <QDate>
#include <QString>

#include <vector>

// Where a report takes the cards of its period from when not from this
// scale's day files (the central database).
class ReportCards
{
public:
    virtual ~ReportCards() = default;
    // The cards of the day files from `start` to `end`, and the code of the
    // scale each came from (none when they are one scale's); false with the
    // reason when they could not be read.
    virtual bool cardsOf(const QDate &start, const QDate &end, std::vector<CargoCard> &cards,
                         std::vector<QString> &sites, QString &reason) = 0;
    // Whether the cards come from several scales: the report then shows
    // which, and can group by it.
    virtual bool manySites() const = 0;
};
