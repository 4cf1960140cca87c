#pragma once

#include "store/PickListFile.h"
#include "store/PlusFile.h"

#include <QDate>
#include <QString>

#include <array>

class PrintSurface;

// What a transport waybill is filled from.
struct WaybillValues
{
    QString cargoName;      // ОП(0), printed as it stands
    QString documentNumber; // ОП(1)
    QString cardNumber;     // ОП(11), names the print jobs
    ExtraParams extras{};   // ДП(i, j) of the card
    // ДК(i, k) of the pick-list entry of ОП(i), i = 0..6; empty when not listed.
    std::array<ParamConstants, 7> constants{};
    QDate today;
    // The card's own values, printed where the engineer left a field's
    // parameter or constant empty: ОП(0)..ОП(6) as the frame shows them, and
    // its gross and net (empty while the card does not hold that weight).
    std::array<QString, 7> boxes{};
    QString gross;
    QString net;
    QString weightUnit;
};

// The copies ДП(1,3) asks for: its whole number, 1 unless within 1..10.
int WaybillCopies(const QString &text);

// The value cut for a one-line field.
QString WaybillCut80(const QString &value);
// The two lines of a wrapped value: under 65 characters the value and an
// empty line, else characters 1..64 and the rest.
std::array<QString, 2> WaybillWrap(const QString &value);

// Each copy is a print job of its own: front side, new page, reverse side.
// False when a job could not be started or sent.
bool PrintWaybill(PrintSurface &surface, const WaybillValues &values);
