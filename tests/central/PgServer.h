#pragma once

// A PostgreSQL server of the test's own: initdb and pg_ctl in a temporary
// folder, listening on a free port of 127.0.0.1 only. Under root it runs
// as the unprivileged user "nobody", as PostgreSQL demands.

#include "central/CentralSettings.h"

#include <QCollator>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTemporaryDir>

#include <csignal>
#include <unistd.h>

class PgServer
{
public:
    static constexpr uid_t kNobody = 65534;

    // The newest installed version's programs; empty when none is.
    static QString binFolder()
    {
        QDir root(QStringLiteral("/usr/lib/postgresql"));
        QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCollator numeric;
        numeric.setNumericMode(true);
        std::sort(versions.begin(), versions.end(), numeric);
        for (auto it = versions.crbegin(); it != versions.crend(); ++it)
            if (QFileInfo::exists(root.filePath(*it + QStringLiteral("/bin/pg_ctl"))))
                return root.filePath(*it + QStringLiteral("/bin/"));
        return {};
    }

    QString error;
    int port = 0;
    // More server options ("-c ssl=on ..."), for the next start.
    QString extraOptions;
    QString password = QStringLiteral("geheim-7");

    bool start()
    {
        m_bin = binFolder();
        if (m_bin.isEmpty())
            return fail(QStringLiteral("PostgreSQL is not installed (package postgresql)"));
        if (!m_dir.isValid())
            return fail(QStringLiteral("no temporary folder"));
        if (::geteuid() == 0 && ::chown(m_dir.path().toLocal8Bit().constData(), kNobody, kNobody) != 0)
            return fail(QStringLiteral("chown failed"));
        QFile pw(m_dir.filePath(QStringLiteral("pw")));
        if (!pw.open(QIODevice::WriteOnly) || pw.write(password.toUtf8()) < 0)
            return fail(QStringLiteral("no password file"));
        pw.close();
        if (::geteuid() == 0 && ::chown(pw.fileName().toLocal8Bit().constData(), kNobody, kNobody) != 0)
            return fail(QStringLiteral("chown failed"));
        // initdb takes seconds: its cluster is made once per build folder
        // and version, and copied for every run.
        const QString version = QDir(m_bin).absolutePath().section(u'/', -2, -2);
        const QString cache = QStringLiteral(TARVO_PG_CACHE "/cluster-") + version;
        if (!QFileInfo::exists(cache + QStringLiteral("/PG_VERSION"))) {
            const QString fresh = m_dir.filePath(QStringLiteral("fresh"));
            if (!run(QStringLiteral("initdb"),
                     {QStringLiteral("-D"), fresh, QStringLiteral("-U"), QStringLiteral("tarvo"),
                      QStringLiteral("--pwfile=") + pw.fileName(), QStringLiteral("--auth=scram-sha-256"),
                      QStringLiteral("--no-sync"), QStringLiteral("--no-locale"), QStringLiteral("-E"),
                      QStringLiteral("UTF8")}))
                return false;
            const QString mine = cache + QStringLiteral(".%1").arg(::getpid());
            if (!QDir().mkpath(QFileInfo(cache).path()) || !copy(fresh, mine))
                return false;
            // Another test program may have made it meanwhile: its copy serves too.
            if (!QDir().rename(mine, cache))
                QDir(mine).removeRecursively();
        }
        if (!copy(cache, dataDir()))
            return false;
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return fail(QStringLiteral("no free port"));
        port = probe.serverPort();
        probe.close();
        return startAgain();
    }

    // pg_ctl start on the same folder and port.
    bool startAgain()
    {
        const QString options = QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -c unix_socket_directories='' "
                                               "-c fsync=off -c synchronous_commit=off -c full_page_writes=off")
                                    .arg(port)
                                + u' ' + extraOptions;
        return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"),
                                              m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                                              QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                                              options, QStringLiteral("start")});
    }

    bool stop(const QString &mode = QStringLiteral("fast"))
    {
        return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"), mode,
                                              QStringLiteral("-w"), QStringLiteral("stop")});
    }

    ~PgServer()
    {
        if (port != 0)
            stop(QStringLiteral("immediate"));
    }

    CentralSettings settings(const QString &site, const QString &database) const
    {
        CentralSettings s;
        s.enabled = true;
        s.site = site;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port;
        s.database = database;
        s.user = QStringLiteral("tarvo");
        s.password = password;
        return s;
    }

    // A fresh, empty database.
    bool createDatabase(const QString &name)
    {
        QString why;
        const CentralSettings admin = settings(QStringLiteral("admin"), QStringLiteral("postgres"));
        if (!openCentralDatabase(admin, QStringLiteral("pg-admin"), why))
            return fail(why);
        bool ok = false;
        {
            QSqlQuery q(QSqlDatabase::database(QStringLiteral("pg-admin"), false));
            ok = q.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
            if (!ok)
                error = q.lastError().text();
        }
        closeCentralDatabase(QStringLiteral("pg-admin"));
        return ok;
    }

    // SIGSTOP (true) or SIGCONT to the server and all its processes: a
    // server that hangs, neither answering nor closing a connection.
    bool freeze(bool on)
    {
        QFile pidFile(dataDir() + QStringLiteral("/postmaster.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("no postmaster.pid"));
        const pid_t main = pid_t(pidFile.readLine().trimmed().toInt());
        QList<pid_t> pids{main};
        const QStringList procs = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &proc : procs) {
            QFile stat(QStringLiteral("/proc/") + proc + QStringLiteral("/stat"));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // pid (name) state ppid ...
            const QByteArray line = stat.readAll();
            const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (rest.size() > 1 && rest[1].toInt() == main)
                pids << pid_t(proc.toInt());
        }
        for (pid_t pid : pids)
            ::kill(pid, on ? SIGSTOP : SIGCONT);
        return true;
    }

    // A folder of the server's own user, for its certificate and key.
    QString folder() const { return m_dir.path(); }

    QString log() const
    {
        QFile f(m_dir.filePath(QStringLiteral("server.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }

    // cp -a keeps the owner and the modes PostgreSQL insists on.
    bool copy(const QString &from, const QString &to)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("cp"), {QStringLiteral("-a"), from, to});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return fail(QStringLiteral("cp: ") + QString::fromLocal8Bit(p.readAll()));
        return true;
    }

    bool fail(const QString &why)
    {
        error = why;
        return false;
    }

    bool run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (::geteuid() == 0) {
            p.start(QStringLiteral("setpriv"),
                    QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                QStringLiteral("--clear-groups"), m_bin + program}
                        + args);
        } else {
            p.start(m_bin + program, args);
        }
        // pg_ctl's server keeps the channel open; only pg_ctl itself is awaited.
        if (!p.waitForFinished(90000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return fail(program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll()) + log());
        return true;
    }

    QString m_bin;
    QTemporaryDir m_dir;
};

// One question to the server, its rows as "a|b|c" lines.
inline QStringList ask(const CentralSettings &settings, const QString &sql)
{
    QString error;
    QStringList rows;
    if (!openCentralDatabase(settings, QStringLiteral("tst-ask"), error))
        return {QStringLiteral("no connection: ") + error};
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("tst-ask"), false));
        if (!q.exec(sql))
            rows << QStringLiteral("error: ") + q.lastError().text();
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << q.value(i).toString();
            rows << cells.join(u'|');
        }
    }
    closeCentralDatabase(QStringLiteral("tst-ask"));
    return rows;
}
