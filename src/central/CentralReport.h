#pragma once

#include "reports/ReportCards.h"

#include <QObject>
#include <QStringList>

class CentralOutbox;
class PeriodReport;

// The report's source choice: "Эти весы" (the day files) or "Все весы
// (центральная база)", the cards of every scale, or of one, selected by SQL
// on the server; the report groups and sums them as it does its own.
class CentralReport : public QObject, public ReportCards
{
    Q_OBJECT

public:
    enum Source { ThisScale = 0, AllScales = 1 };

    CentralReport(CentralOutbox &outbox, PeriodReport &report, QObject *parent = nullptr);

    static QStringList sourceNames();
    // The site filter's first entry: every site.
    static QString allSites();

    Source source() const { return m_source; }
    void selectSource(Source source);
    // The sites the server knows, for the filter; false with `error`.
    bool loadSites(QString &error);
    QStringList sites() const { return m_sites; }
    // One site's code, or allSites().
    void setSiteFilter(const QString &site) { m_filter = site; }
    QString siteFilter() const { return m_filter; }

    bool cardsOf(const QDate &start, const QDate &end, std::vector<CargoCard> &cards, QString &reason) override;

signals:
    void changed();

private:
    CentralOutbox &m_outbox;
    PeriodReport &m_report;
    Source m_source = ThisScale;
    QStringList m_sites;
    QString m_filter;
};
