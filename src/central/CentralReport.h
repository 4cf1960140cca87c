#pragma once

#include "reports/ReportCards.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class CentralOutbox;
class PeriodReport;
class QThread;

// The report's source choice: "Эти весы" (the day files) or "Все весы
// (центральная база)", the cards of every scale, or of one, selected by SQL
// on the server; the report groups and sums them as it does its own.
class CentralReport : public QObject, public ReportCards
{
    Q_OBJECT

public:
    enum Source { ThisScale = 0, AllScales = 1 };

    CentralReport(CentralOutbox &outbox, PeriodReport &report, QObject *parent = nullptr);
    ~CentralReport() override;

    static QStringList sourceNames();
    // The site filter's first entry: every site.
    static QString allSites();

    Source source() const { return m_source; }
    void selectSource(Source source);
    // The sites the server knows, for the filter; false with `error`.
    bool loadSites(QString &error);
    QStringList sites() const { return m_sites; }
    // One site's code, or allSites().
    void setSiteFilter(const QString &site);
    QString siteFilter() const { return m_filter; }

    // Read on a worker; the window's events (not the user's) go on meanwhile.
    bool cardsOf(const QDate &start, const QDate &end, std::vector<CargoCard> &cards, std::vector<QString> &sites,
                 QString &reason) override;
    bool manySites() const override { return m_filter == allSites(); }
    // How long a report waits for the server before it gives up.
    void setTimeout(int ms) { m_timeoutMs = ms; }

    struct Cache;

signals:
    void changed();

private:
    CentralOutbox &m_outbox;
    PeriodReport &m_report;
    Source m_source = ThisScale;
    QStringList m_sites;
    QString m_filter;
    // Runs `work` on the report's worker and lets the window's events (not
    // the user's) run until it is done or the time is up (false then).
    bool runAside(std::function<void()> work, const std::function<void()> &tick = {});
    void stopWorker();

    int m_timeoutMs = 120000;
    QThread *m_worker = nullptr;
    QObject *m_workerContext = nullptr;
    std::shared_ptr<Cache> m_cache;
};
