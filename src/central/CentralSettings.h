#pragma once

#include "core/StoreResult.h"

#include <QDate>
#include <QString>

class QSqlDatabase;
class QSqlError;

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
    // How the server is reached: in clear, over TLS with the server's
    // certificate and name checked (against `caFile`, or the system's
    // authorities when empty), or over TLS without checking who answers.
    enum class Tls { Off, VerifyFull, NoVerify };
    Tls tls = Tls::Off;
    QString caFile;
    // The day the mirror was switched on: the days from it on are compared
    // with the server.
    QDate since;

    static QString filePath(const QString &baseFolder) { return baseFolder + QStringLiteral("central.ini"); }
    static QString passwordPath(const QString &baseFolder) { return baseFolder + QStringLiteral("central.pass"); }
    static QString keyPath(const QString &baseFolder) { return baseFolder + QStringLiteral("central.key"); }
    // The system's authorities, for a server with a certificate bought.
    static QString systemCaFile() { return QStringLiteral("/etc/ssl/certs/ca-certificates.crt"); }

    // The installation's own random key, made once and kept beside the
    // settings: it claims the site code on the server, so a second scale
    // given the same code cannot take this one's cards.
    static StoreResult installationKey(const QString &baseFolder, QString &key);

    // Missing files give the defaults (off).
    static CentralSettings load(const QString &baseFolder);
    StoreResult save(const QString &baseFolder) const;

    // What keeps these settings from mirroring; empty when none.
    QString problem() const;
    // What keeps them from any connection (the office's report needs no
    // site code); empty when none.
    QString connectionProblem() const;

    bool operator==(const CentralSettings &) const = default;
};

// A PostgreSQL connection by these settings under `name`, opened; false with
// the server's reason. Every thread opens its own.
bool openCentralDatabase(const CentralSettings &settings, const QString &name, QString &error);
// Closes and forgets the connection `name`.
void closeCentralDatabase(const QString &name);
// A failure of the server as the operator reads it: the common ones by
// their SQLSTATE or libpq's text, in Russian, without the server's text.
QString centralFailureText(const QSqlError &error);
// The server's own text of a failure, on one line, for the detail.
QString centralFailureDetail(const QSqlError &error);
// "Проверить соединение": the login, the rights and the schema, each said
// in Russian when it fails. Takes as long as the server does: call it on a
// worker.
QString checkCentralConnection(const CentralSettings &settings, const QString &key = QString());
