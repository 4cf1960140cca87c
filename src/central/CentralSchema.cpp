#include "CentralSchema.h"

#include "CentralSettings.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <map>

using namespace Qt::StringLiterals;

namespace {

std::map<int, QString> migrationFiles()
{
    std::map<int, QString> files;
    const QDir dir(u":/central/migrations"_s);
    const QStringList names = dir.entryList({u"*.sql"_s}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        bool ok = false;
        const int version = name.section(u'_', 0, 0).toInt(&ok);
        if (ok && version > 0)
            files[version] = dir.filePath(name);
    }
    return files;
}

// The statements of a migration, one by one: the driver runs one per call.
// A statement ends with ";" at the end of a line outside a $$ body.
QStringList statementsOf(const QString &script)
{
    QStringList statements;
    QString current;
    bool inBody = false;
    const QStringList lines = script.split(u'\n');
    for (const QString &line : lines) {
        if (!inBody && (line.trimmed().isEmpty() || line.trimmed().startsWith(u"--")))
            continue;
        current += line + u'\n';
        if (line.count(u"$$"_s) % 2 == 1)
            inBody = !inBody;
        if (!inBody && line.trimmed().endsWith(u';')) {
            statements.append(current.trimmed());
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.trimmed());
    return statements;
}

QString reasonOf(const QSqlQuery &query)
{
    return centralFailureText(query.lastError()) + u" ("_s + centralFailureDetail(query.lastError()) + u')';
}

} // namespace

QString CentralSchema::newerText() { return u"База данных новее программы: обновите программу"_s; }

int CentralSchema::latestVersion()
{
    const auto files = migrationFiles();
    return files.empty() ? 0 : files.rbegin()->first;
}

bool CentralSchema::migrate(QSqlDatabase &db, QString &error)
{
    QSqlQuery query(db);
    // Every connection asks; nearly always the schema is current already,
    // and then neither a lock nor a transaction is needed.
    if (query.exec(u"SELECT max(version) FROM tarvo_migrations"_s) && query.next()) {
        const int found = query.value(0).toInt();
        if (found > latestVersion()) {
            // A newer program's columns and rules: writing by the old ones
            // could lose what it added.
            error = newerText();
            return false;
        }
        if (found == latestVersion())
            return true;
    }
    query.finish();
    const auto fail = [&] {
        error = u"схема базы не обновлена: "_s + reasonOf(query);
        db.rollback();
        return false;
    };
    if (!db.transaction()) {
        error = centralFailureText(db.lastError());
        return false;
    }
    // Any number that is the program's own: one upgrade at a time.
    if (!query.exec(u"SELECT pg_advisory_xact_lock(7312030)"_s))
        return fail();
    if (!query.exec(u"CREATE TABLE IF NOT EXISTS tarvo_migrations (version integer PRIMARY KEY, "
                    "applied_at timestamptz NOT NULL DEFAULT now())"_s))
        return fail();
    if (!query.exec(u"SELECT coalesce(max(version), 0) FROM tarvo_migrations"_s) || !query.next())
        return fail();
    const int current = query.value(0).toInt();
    query.finish();
    if (current > latestVersion()) {
        error = newerText();
        db.rollback();
        return false;
    }
    for (const auto &[version, path] : migrationFiles()) {
        if (version <= current)
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error = u"нет файла схемы "_s + path;
            db.rollback();
            return false;
        }
        const QStringList statements = statementsOf(QString::fromUtf8(file.readAll()));
        for (const QString &statement : statements)
            if (!query.exec(statement))
                return fail();
        if (!query.exec(u"INSERT INTO tarvo_migrations (version) VALUES (%1)"_s.arg(version)))
            return fail();
    }
    if (!db.commit()) {
        error = u"схема базы не обновлена: "_s + centralFailureText(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}
