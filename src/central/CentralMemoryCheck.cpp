#include "CentralMemoryCheck.h"

#include "CentralCard.h"
#include "RunAside.h"
#include "core/Formats.h"
#include "memory/MemoryKey.h"
#include "memory/MemoryVerifier.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString reasonOf(const QSqlQuery &query)
{
    return centralFailureText(query.lastError()) + u" ("_s + centralFailureDetail(query.lastError()) + u')';
}

QString workerConnection(const char *what)
{
    static std::atomic<int> next = 0;
    return u"tarvo-central-%1-%2"_s.arg(QLatin1StringView(what)).arg(++next);
}

} // namespace

QString CentralMemoryCheck::recordsText(qint64 count)
{
    return CountText(count, u"запись", u"записи", u"записей");
}

CentralMemoryCheck::Result CentralMemoryCheck::check(const CentralSettings &settings, const QString &site,
                                                     const QString &connection)
{
    Result result;
    const QString code = site.trimmed();
    QString error;
    QByteArray key;
    QList<QByteArray> records;
    QList<MemoryVerifier::CopiedCard> cards;
    if (!openCentralDatabase(settings, connection, error)) {
        result.headline = u"Весовая память не проверена: нет соединения: "_s + error;
        return result;
    }
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        query.setForwardOnly(true);
        query.prepare(u"SELECT memory_key FROM sites WHERE code = ?"_s);
        query.addBindValue(code);
        if (!query.exec())
            error = reasonOf(query);
        else if (!query.next())
            error = u"весов «%1» на сервере нет"_s.arg(code);
        else
            key = query.value(0).toByteArray();
        if (error.isEmpty()) {
            query.prepare(u"SELECT record FROM memory_records WHERE site = ? ORDER BY number"_s);
            query.addBindValue(code);
            if (!query.exec())
                error = reasonOf(query);
            while (error.isEmpty() && query.next())
                records.append(query.value(0).toByteArray());
        }
        if (error.isEmpty()) {
            query.prepare(u"SELECT "_s + CentralCard::columns() + u", day FROM cards WHERE site = ? ORDER BY card_id"_s);
            query.addBindValue(code);
            if (!query.exec())
                error = reasonOf(query);
            while (error.isEmpty() && query.next()) {
                MemoryVerifier::CopiedCard c;
                c.card = CentralCard::fromQuery(query);
                c.number = c.card.number;
                c.day = query.value(query.record().count() - 1).toDate().toString(u"dd.MM.yyyy"_s);
                cards.append(c);
            }
        }
    }
    closeCentralDatabase(connection);
    if (!error.isEmpty()) {
        result.headline = u"Весовая память не проверена: "_s + error;
        return result;
    }
    const QString whose = u"Весовая память весов %1: "_s.arg(code);
    if (records.isEmpty()) {
        result.headline = whose + u"записей на сервере нет"_s;
        return result;
    }
    // As the scale's verifier: the chain vouches for the signatures it links.
    const MemoryVerifier::Report report = MemoryVerifier::verifyCopy(records, key, cards);
    result.findings = report.findings;
    result.ok = report.ok();
    if (report.ok())
        result.headline = whose + recordsText(report.records) + u", цепочка цела, подписи верны"_s
                          + u"; карточек сверено: %1, все сходятся с записями; отпечаток ключа %2"_s.arg(report.cards)
                                .arg(report.fingerprint);
    else
        result.headline = whose + recordsText(report.records) + u"; "_s + report.findings.first()
                          + (report.findings.size() > 1 ? u"; всего нарушений: %1"_s.arg(report.findings.size())
                                                        : QString());
    return result;
}

QStringList CentralMemoryCheck::sites(const CentralSettings &settings, const QString &connection, QString &error)
{
    QStringList codes;
    if (!openCentralDatabase(settings, connection, error))
        return codes;
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        if (!query.exec(u"SELECT code FROM sites ORDER BY code"_s))
            error = reasonOf(query);
        while (error.isEmpty() && query.next())
            codes.append(query.value(0).toString());
    }
    closeCentralDatabase(connection);
    return codes;
}

bool CentralMemoryCheck::startCheck(const CentralSettings &settings, const QString &site)
{
    if (m_checking)
        return false;
    m_checking = true;
    runAside<Result>(this, [settings, site] { return check(settings, site, workerConnection("memory")); },
                     [this](const Result &result) {
                         m_checking = false;
                         emit checked(result);
                     });
    return true;
}

void CentralMemoryCheck::startSites(const CentralSettings &settings)
{
    using Answer = std::pair<QStringList, QString>;
    runAside<Answer>(this,
                     [settings] {
                         QString error;
                         const QStringList codes = sites(settings, workerConnection("sites"), error);
                         return Answer{codes, error};
                     },
                     [this](const Answer &answer) { emit sitesRead(answer.first, answer.second); });
}
