#include "CentralSettings.h"

#include "store/DurableWrite.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString oneLine(QString text)
{
    text.replace(u'\n', u' ').replace(u'\r', u' ');
    return text.trimmed();
}

} // namespace

CentralSettings CentralSettings::load(const QString &baseFolder)
{
    CentralSettings s;
    QFile file(filePath(baseFolder));
    if (file.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString &line : lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0)
                continue;
            const QString key = line.left(eq).trimmed();
            const QString value = line.mid(eq + 1).trimmed();
            if (key == u"enabled")
                s.enabled = value == u"1";
            else if (key == u"site")
                s.site = value;
            else if (key == u"host")
                s.host = value;
            else if (key == u"port")
                s.port = value.toInt();
            else if (key == u"database")
                s.database = value;
            else if (key == u"user")
                s.user = value;
            else if (key == u"tls")
                s.tls = value == u"1";
        }
    }
    if (s.port < 1 || s.port > 65535)
        s.port = 5432;
    QFile secret(passwordPath(baseFolder));
    if (secret.open(QIODevice::ReadOnly))
        s.password = QString::fromUtf8(secret.readAll());
    return s;
}

StoreResult CentralSettings::save(const QString &baseFolder) const
{
    const QString text = u"enabled=%1\nsite=%2\nhost=%3\nport=%4\ndatabase=%5\nuser=%6\ntls=%7\n"_s.arg(enabled ? 1 : 0)
                             .arg(oneLine(site), oneLine(host))
                             .arg(port)
                             .arg(oneLine(database), oneLine(user))
                             .arg(tls ? 1 : 0);
    if (const StoreResult saved = replaceDurably(filePath(baseFolder), text.toUtf8()); !saved)
        return saved;
    // The password file is made 0600 before a byte of it is written.
    return replaceDurably(passwordPath(baseFolder), password.toUtf8(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString CentralSettings::problem() const
{
    if (site.trimmed().isEmpty())
        return u"не задан код весов"_s;
    if (host.trimmed().isEmpty())
        return u"не задан сервер"_s;
    if (database.trimmed().isEmpty() || user.trimmed().isEmpty())
        return u"не заданы база данных и пользователь"_s;
    return {};
}

bool openCentralDatabase(const CentralSettings &settings, const QString &name, QString &error)
{
    if (const QString problem = settings.problem(); !problem.isEmpty()) {
        error = problem;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(u"QPSQL"_s, name);
    if (!db.isValid()) {
        error = u"нет драйвера PostgreSQL (пакет libqt6sql6-psql)"_s;
        return false;
    }
    if (db.isOpen())
        return true;
    db.setHostName(settings.host.trimmed());
    db.setPort(settings.port);
    db.setDatabaseName(settings.database.trimmed());
    db.setUserName(settings.user.trimmed());
    db.setPassword(settings.password);
    // A server that is gone, or a cable pulled mid-send, ends the attempt
    // within seconds instead of hanging the sender.
    db.setConnectOptions(u"connect_timeout=5;application_name=tarvo;keepalives_idle=10;keepalives_interval=3;"
                         u"keepalives_count=3;tcp_user_timeout=15000;sslmode="_s
                         + (settings.tls ? u"require"_s : u"disable"_s));
    if (!db.open()) {
        error = oneLine(db.lastError().databaseText());
        if (error.isEmpty())
            error = oneLine(db.lastError().text());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return false;
    }
    return true;
}

void closeCentralDatabase(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString checkCentralConnection(const CentralSettings &settings)
{
    const QString name = u"tarvo-central-check"_s;
    QString error;
    if (!openCentralDatabase(settings, name, error))
        return u"Нет соединения: "_s + error;
    QString text;
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        if (query.exec(u"SHOW server_version"_s) && query.next())
            text = u"Соединение установлено: PostgreSQL "_s + query.value(0).toString();
        else
            text = u"Нет соединения: "_s + oneLine(query.lastError().databaseText());
    }
    closeCentralDatabase(name);
    return text;
}
