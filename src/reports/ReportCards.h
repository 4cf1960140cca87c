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
    // The cards of the day files from `start` to `end`; false with the reason
    // when they could not be read.
    virtual bool cardsOf(const QDate &start, const QDate &end, std::vector<CargoCard> &cards, QString &reason) = 0;
};
