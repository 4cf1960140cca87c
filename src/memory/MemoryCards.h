#pragma once

#include "MemoryRecord.h"

#include "card/CargoCard.h"

#include <QDate>
#include <QStringList>

struct Settings;
class OperatorSettings;

// What the memory keeps of a card and of the settings, in the one form both
// the writer and the verifier use.
namespace MemoryCards {

// The fields of `card` a day file must agree with: dates, times, weights,
// status, as texts.
QList<std::pair<QString, QString>> snapshot(const CargoCard &card);
// "Брутто: 23480 → 23400" for every field of the two cards that differs.
QStringList changes(const CargoCard &before, const CargoCard &after);

// The legally relevant settings as one text (terminal type, decimal places,
// impulse coefficient, maximum weight, the steadiness settings, the unit):
// a change of it is counted and recorded.
QString legalSettings(const Settings &settings, const OperatorSettings &operatorSettings);

} // namespace MemoryCards
