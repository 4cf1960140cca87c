#include "CentralReport.h"

#include "CentralCard.h"
#include "CentralOutbox.h"
#include "reports/PeriodReport.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

const QString kConnection = u"tarvo-central-report"_s;

QString reasonOf(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.simplified();
}

// One connection per question: reports are rare and the server may have
// restarted since the last.
struct Connection
{
    Connection(const CentralSettings &settings, QString &error) { ok = openCentralDatabase(settings, kConnection, error); }
    ~Connection() { closeCentralDatabase(kConnection); }
    QSqlDatabase db() const { return QSqlDatabase::database(kConnection, false); }
    bool ok = false;
};

} // namespace

CentralReport::CentralReport(CentralOutbox &outbox, PeriodReport &report, QObject *parent)
    : QObject(parent)
    , m_outbox(outbox)
    , m_report(report)
    , m_filter(allSites())
{
}

QStringList CentralReport::sourceNames() { return {u"Эти весы"_s, u"Все весы (центральная база)"_s}; }

QString CentralReport::allSites() { return u"Все"_s; }

void CentralReport::selectSource(Source source)
{
    m_source = source;
    m_report.setCardSource(source == AllScales ? this : nullptr);
    emit changed();
}

bool CentralReport::loadSites(QString &error)
{
    Connection connection(m_outbox.settings(), error);
    if (!connection.ok)
        return false;
    QSqlQuery query(connection.db());
    if (!query.exec(u"SELECT code FROM sites ORDER BY code"_s)) {
        error = reasonOf(query.lastError());
        return false;
    }
    m_sites.clear();
    while (query.next())
        m_sites.append(query.value(0).toString());
    if (m_filter != allSites() && !m_sites.contains(m_filter))
        m_filter = allSites();
    emit changed();
    return true;
}

bool CentralReport::cardsOf(const QDate &start, const QDate &end, std::vector<CargoCard> &cards, QString &reason)
{
    QString error;
    Connection connection(m_outbox.settings(), error);
    if (!connection.ok) {
        reason = u"нет соединения с центральной базой: "_s + error;
        return false;
    }
    const bool oneSite = m_filter != allSites();
    QSqlQuery query(connection.db());
    query.setForwardOnly(true);
    query.prepare(u"SELECT "_s + CentralCard::columns() + u" FROM cards WHERE day BETWEEN ? AND ?"_s
                  + (oneSite ? u" AND site = ?"_s : QString()) + u" ORDER BY site, day, number"_s);
    query.addBindValue(start);
    query.addBindValue(end);
    if (oneSite)
        query.addBindValue(m_filter);
    if (!query.exec()) {
        reason = reasonOf(query.lastError());
        return false;
    }
    while (query.next())
        cards.push_back(CentralCard::fromQuery(query));
    return true;
}
