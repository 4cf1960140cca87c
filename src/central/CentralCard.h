#pragma once

#include "store/PlusFile.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonObject>

class QSqlQuery;

// A card as the server's cards table holds it: one column per main
// parameter, the dates typed, the additional parameters as JSON.
namespace CentralCard {
// The card as its day file keeps it (texts cut to their fields), with the
// day of that file, as a JSON object named by the table's columns.
QJsonObject toJson(const CargoCard &card, const ExtraParams &extras, const QDate &day);
// The columns toJson writes and fromQuery reads, in that order, for a SELECT.
QString columns();
// A row selected with columns() back into a card, dates exact to the second.
CargoCard fromQuery(const QSqlQuery &query);
// The same from a JSON array of those columns (json_build_array on the server).
CargoCard fromArray(const QJsonArray &row);
// "store", "completion", ...: what the history records.
QString changeName(CardChange change);
} // namespace CentralCard
