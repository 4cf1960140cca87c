#include "CentralSettings.h"

#include "CentralSchema.h"
#include "core/DurableFile.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QStringList>
#include <QThread>

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
                // "1" of an older program asked for TLS: now it is checked too.
                s.tls = value == u"no-verify" ? Tls::NoVerify
                        : value == u"1" || value == u"verify-full" ? Tls::VerifyFull
                                                                     : Tls::Off;
            else if (key == u"ca_file")
                s.caFile = value;
            else if (key == u"since")
                s.since = QDate::fromString(value, Qt::ISODate);
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
    const QString tlsText = tls == Tls::VerifyFull ? u"verify-full"_s : tls == Tls::NoVerify ? u"no-verify"_s : u"0"_s;
    const QString text = u"enabled=%1\nsite=%2\nhost=%3\nport=%4\ndatabase=%5\nuser=%6\ntls=%7\nca_file=%8\nsince=%9\n"_s
                             .arg(enabled ? 1 : 0)
                             .arg(oneLine(site), oneLine(host))
                             .arg(port)
                             .arg(oneLine(database), oneLine(user), tlsText, oneLine(caFile), since.toString(Qt::ISODate));
    if (const StoreResult saved = replaceDurably(filePath(baseFolder), text.toUtf8()); !saved)
        return saved;
    // The password file is made 0600 before a byte of it is written.
    return replaceDurably(passwordPath(baseFolder), password.toUtf8(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

StoreResult CentralSettings::installationKey(const QString &baseFolder, QString &key)
{
    QFile file(keyPath(baseFolder));
    if (file.open(QIODevice::ReadOnly)) {
        key = QString::fromLatin1(file.readAll()).trimmed();
        if (key.size() >= 32)
            return {};
    }
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    key = QString::fromLatin1(bytes.toHex());
    return replaceDurably(keyPath(baseFolder), key.toLatin1(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString CentralSettings::problem() const
{
    if (site.trimmed().isEmpty())
        return u"не задан код весов"_s;
    return connectionProblem();
}

QString CentralSettings::connectionProblem() const
{
    if (host.trimmed().isEmpty())
        return u"не задан сервер"_s;
    if (database.trimmed().isEmpty() || user.trimmed().isEmpty())
        return u"не заданы база данных и пользователь"_s;
    return {};
}

namespace {

// A value of libpq's connection string, quoted: a path may hold blanks.
QString quoted(QString value)
{
    value.replace(u'\\', u"\\\\"_s).replace(u'\'', u"\\'"_s);
    return u'\'' + value + u'\'';
}

QString tlsOptions(const CentralSettings &s)
{
    switch (s.tls) {
    case CentralSettings::Tls::Off:
        return u"sslmode=disable"_s;
    case CentralSettings::Tls::NoVerify:
        return u"sslmode=require"_s;
    case CentralSettings::Tls::VerifyFull:
        break;
    }
    const QString ca = s.caFile.trimmed().isEmpty() ? CentralSettings::systemCaFile() : s.caFile.trimmed();
    return u"sslmode=verify-full;sslrootcert="_s + quoted(ca);
}

} // namespace

bool openCentralDatabase(const CentralSettings &settings, const QString &name, QString &error)
{
    if (const QString problem = settings.connectionProblem(); !problem.isEmpty()) {
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
                         u"keepalives_count=3;tcp_user_timeout=15000;"_s
                         + tlsOptions(settings));
    if (!db.open()) {
        const QSqlError failure = db.lastError();
        error = centralFailureText(failure) + u" ("_s + centralFailureDetail(failure) + u')';
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

QString centralFailureDetail(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.driverText();
    return text.simplified();
}

QString centralFailureText(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    const QString text = error.databaseText() + u' ' + error.driverText();
    const auto has = [&text](const char16_t *part) { return text.contains(QStringView(part), Qt::CaseInsensitive); };
    // A failed login gives libpq's text only: no SQLSTATE reaches the driver.
    if (code == u"28P01" || has(u"password authentication failed") || has(u"no password supplied"))
        return u"неверный пароль или пользователь"_s;
    if (code == u"3D000" || (has(u"database") && has(u"does not exist")))
        return u"нет такой базы данных"_s;
    if (code == u"28000" && has(u"role"))
        return u"нет такого пользователя"_s;
    if (has(u"pg_hba.conf"))
        return u"сервер не допускает этот компьютер (pg_hba.conf)"_s;
    if (has(u"server does not support SSL"))
        return u"сервер не поддерживает шифрование (TLS)"_s;
    if (has(u"certificate") || has(u"SSL") || has(u"root cert"))
        return u"сертификат сервера не прошёл проверку"_s;
    if (has(u"Connection refused"))
        return u"сервер не принимает соединения: не запущен или закрыт порт"_s;
    if (has(u"timeout expired") || has(u"timed out"))
        return u"сервер не отвечает"_s;
    if (has(u"could not translate host name") || has(u"Name or service not known"))
        return u"сервер с таким именем не найден"_s;
    if (has(u"server closed the connection") || has(u"no connection to the server") || has(u"terminating connection")
        || code.startsWith(u"08") || code.startsWith(u"57P"))
        return u"соединение с сервером прервано"_s;
    if (code == u"42501")
        return u"нет прав в базе данных"_s;
    if (code == u"TV001")
        return u"код весов не закреплён за этими весами"_s;
    if (code == u"53100")
        return u"на сервере кончилось место на диске"_s;
    return u"ошибка сервера"_s;
}

QString checkCentralConnection(const CentralSettings &settings, const QString &key)
{
    const QString name = u"tarvo-central-check-%1"_s.arg(quintptr(QThread::currentThreadId()));
    QString error;
    if (!openCentralDatabase(settings, name, error))
        return u"Нет соединения: "_s + error;
    QStringList said;
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        const auto one = [&query](const QString &sql) {
            return query.exec(sql) && query.next() ? query.value(0) : QVariant();
        };
        said << u"Соединение установлено: PostgreSQL "_s + one(u"SHOW server_version"_s).toString() + u'.';
        const bool hasSchema = one(u"SELECT to_regclass('tarvo_migrations') IS NOT NULL"_s).toBool();
        const int version = hasSchema ? one(u"SELECT coalesce(max(version), 0) FROM tarvo_migrations"_s).toInt() : 0;
        const int known = CentralSchema::latestVersion();
        const bool office = settings.site.trimmed().isEmpty();
        // Rights: what this user will be asked to do.
        QString rights;
        if (office) {
            if (hasSchema && !one(u"SELECT has_table_privilege('cards', 'SELECT')"_s).toBool())
                rights = u"нет права читать карточки"_s;
        } else {
            if (version < known && !one(u"SELECT has_schema_privilege('public', 'CREATE')"_s).toBool())
                rights = u"нет права создавать таблицы (схема не будет создана)"_s;
            else if (hasSchema
                     && !one(u"SELECT has_table_privilege('cards', 'SELECT, INSERT, UPDATE, DELETE') "
                             u"AND has_table_privilege('card_changes', 'INSERT')"_s)
                             .toBool())
                rights = u"нет права записывать карточки"_s;
        }
        said << (rights.isEmpty() ? (office ? u"Права: чтение отчёта разрешено."_s : u"Права: запись карточек разрешена."_s)
                                  : u"Права: "_s + rights + u'.');
        if (version > known)
            said << u"Схема: База данных новее программы: обновите программу."_s;
        else if (!hasSchema)
            said << (office ? u"Схема: таблиц ещё нет (их создадут весы)."_s
                            : u"Схема: таблиц ещё нет, они будут созданы при первой передаче."_s);
        else if (version < known)
            said << u"Схема: версия %1, будет обновлена до %2."_s.arg(version).arg(known);
        else
            said << u"Схема: версия %1."_s.arg(version);
        if (!office && version >= 2) {
            query.prepare(u"SELECT install_key FROM sites WHERE code = ?"_s);
            query.addBindValue(settings.site.trimmed());
            if (query.exec() && query.next() && !query.value(0).isNull() && query.value(0).toString() != key)
                said << u"Код весов «%1» уже занят другими весами: выберите другой."_s.arg(settings.site.trimmed());
        }
    }
    closeCentralDatabase(name);
    return said.join(u'\n');
}
