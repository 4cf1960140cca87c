#pragma once

#include "card/CargoCard.h"
#include "store/DayFileCodec.h"

#include <QString>

// The text a report cell shows for main parameter `param` of `card`:
// texts as stored, dates and times in the general date form (a date alone
// as the short date, a time alone as H:mm:ss, zero as "0:00:00"),
// reals in the general number form, the card numbers as integers.
QString reportCellText(const CargoCard &card, int param);

// The same straight from a card's day-file slot into `out`, which holds
// ReportCellCapacity characters; returns how many it wrote.
inline constexpr qsizetype ReportCellCapacity = DayFileLayout::TextBytes;
qsizetype reportCellChars(const DayCardSlot &slot, int param, char16_t *out);
