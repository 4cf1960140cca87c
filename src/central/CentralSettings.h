#pragma once

#include "core/StoreResult.h"

#include <QString>

class QSqlDatabase;

// Where this scale mirrors its cards: the site code and the connection to
// the central PostgreSQL database. Kept in "central.ini" beside the settings
// file; the password alone in "central.pass", readable by the user only.
struct CentralSettings
{
    bool enabled = false;
    QString site;
    QString host;
    int port = 5432;
    QString database = QStringLiteral("tarvo");
    QString user = QStringLiteral("tarvo");
    QString password;
    bool tls = false;

    static QString filePath(const QString &baseFolder) { return baseFolder + QStringLiteral("central.ini"); }
    static QString passwordPath(const QString &baseFolder) { return baseFolder + QStringLiteral("central.pass"); }

    // Missing files give the defaults (off).
    static CentralSettings load(const QString &baseFolder);
    StoreResult save(const QString &baseFolder) const;

    // What keeps these settings from a connection; empty when none.
    QString problem() const;

    bool operator==(const CentralSettings &) const = default;
};

// A PostgreSQL connection by these settings under `name`, opened; false with
// the server's reason. Every thread opens its own.
bool openCentralDatabase(const CentralSettings &settings, const QString &name, QString &error);
// Closes and forgets the connection `name`.
void closeCentralDatabase(const QString &name);
// "Проверить соединение": the server's version, or why there is none.
QString checkCentralConnection(const CentralSettings &settings);
