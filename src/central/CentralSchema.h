#pragma once

#include <QString>

class QSqlDatabase;

// The server's schema is the program's: the migrations in the resources
// (":/central/migrations/NNN_name.sql") are applied in order, all missing
// ones in one transaction, so a server is never left half upgraded. Several
// scales upgrading at once wait for each other.
namespace CentralSchema {
// The newest version the program knows.
int latestVersion();
// "База данных новее программы: обновите программу".
QString newerText();
// Brings the schema to latestVersion(); false with the reason, also when
// the schema is newer than the program (nothing may be written then).
bool migrate(QSqlDatabase &db, QString &error);
} // namespace CentralSchema
