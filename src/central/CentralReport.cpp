#include "CentralReport.h"

#include "CentralCard.h"
#include "CentralOutbox.h"
#include "reports/PeriodReport.h"
#include "core/ProgressDisplay.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <map>
#include <functional>
#include <memory>
#include <thread>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

// The report worker's connection, opened once and kept from report to
// report (a login costs more than a small question); on that thread only.
QString reportConnectionName()
{
    return u"tarvo-central-report-%1"_s.arg(quintptr(QThread::currentThreadId()));
}

bool reportConnection(const CentralSettings &settings, bool fresh, QString &error)
{
    thread_local CentralSettings opened;
    thread_local bool isOpen = false;
    const QString name = reportConnectionName();
    if (!fresh && isOpen && opened == settings && QSqlDatabase::database(name, false).isOpen())
        return true;
    closeCentralDatabase(name);
    isOpen = openCentralDatabase(settings, name, error);
    opened = settings;
    return isOpen;
}

} // namespace

bool CentralReport::runAside(std::function<void()> work, const std::function<void()> &tick)
{
    if (!m_worker) {
        m_worker = new QThread;
        m_worker->setObjectName(u"central-report"_s);
        m_workerContext = new QObject;
        m_workerContext->moveToThread(m_worker);
        connect(m_worker, &QThread::finished, m_workerContext, &QObject::deleteLater);
        connect(m_worker, &QThread::finished, m_worker, &QObject::deleteLater);
        m_worker->start();
    }
    const auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        m_workerContext,
        [work = std::move(work), done] {
            work();
            *done = true;
        },
        Qt::QueuedConnection);
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (*done || waited.elapsed() > m_timeoutMs)
            loop.quit();
        else if (tick)
            tick();
    });
    poll.start();
    if (!*done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!*done)
        // The worker is inside a call to a server that does not answer: it
        // ends after it, and the next question gets a worker of its own.
        stopWorker();
    return *done;
}

void CentralReport::stopWorker()
{
    if (!m_worker)
        return;
    QMetaObject::invokeMethod(m_workerContext, [] { closeCentralDatabase(reportConnectionName()); }, Qt::QueuedConnection);
    m_worker->quit();
    m_worker = nullptr;
    m_workerContext = nullptr;
}

CentralReport::~CentralReport()
{
    QThread *worker = m_worker;
    stopWorker();
    // The program's end waits a moment at most.
    if (worker)
        worker->wait(1000);
}

CentralReport::CentralReport(CentralOutbox &outbox, PeriodReport &report, QObject *parent)
    : QObject(parent)
    , m_outbox(outbox)
    , m_report(report)
    , m_filter(allSites())
    , m_cache(std::make_shared<Cache>())
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

void CentralReport::setSiteFilter(const QString &site)
{
    m_filter = site;
    m_report.sourceChanged();
}

bool CentralReport::loadSites(QString &error)
{
    struct Answer
    {
        QStringList sites;
        QString error;
    };
    const auto answer = std::make_shared<Answer>();
    const CentralSettings settings = m_outbox.settings();
    const bool answered = runAside([answer, settings] {
        for (bool fresh : {false, true}) {
            answer->error.clear();
            if (!reportConnection(settings, fresh, answer->error))
                return;
            QSqlQuery query(QSqlDatabase::database(reportConnectionName(), false));
            if (!query.exec(u"SELECT code FROM sites ORDER BY code"_s)) {
                // A connection the server dropped since the last report: once more.
                answer->error = centralFailureText(query.lastError());
                continue;
            }
            while (query.next())
                answer->sites.append(query.value(0).toString());
            return;
        }
    });
    if (!answered || !answer->error.isEmpty()) {
        error = answered ? answer->error : u"центральная база не отвечает"_s;
        return false;
    }
    m_sites = answer->sites;
    if (m_filter != allSites() && !m_sites.contains(m_filter)) {
        m_filter = allSites();
        m_report.sourceChanged();
    }
    emit changed();
    return true;
}

namespace {

// What the worker of one report hands back; kept by both sides, so a
// worker given up on (a server that does not answer) ends on its own.
struct Fetch
{
    std::atomic<int> daysDone = 0;
    std::atomic<int> days = 0;
    std::vector<CargoCard> cards;
    std::vector<QString> sites;
    QString error;
};

// The days' JSON arrays of cards read into cards, on all cores.
std::vector<std::vector<CargoCard>> readDays(const std::vector<QByteArray> &days, Fetch &fetch)
{
    std::vector<std::vector<CargoCard>> parts(days.size());
    std::atomic<size_t> next = 0;
    const auto work = [&] {
        for (size_t i = next++; i < days.size(); i = next++) {
            const QJsonArray rows = QJsonDocument::fromJson(days[i]).array();
            parts[i].reserve(size_t(rows.size()));
            for (const QJsonValue &row : rows)
                parts[i].push_back(CentralCard::fromArray(row.toArray()));
            ++fetch.daysDone;
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < QThread::idealThreadCount() && size_t(t) < days.size(); ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &h : helpers)
        h.join();
    return parts;
}

QString failureOf(const QSqlQuery &query)
{
    return centralFailureText(query.lastError()) + u" ("_s + centralFailureDetail(query.lastError()) + u')';
}

} // namespace

// The cards of each site and day already read, with the count and the last
// change number the server had for them then: a day whose count and last
// change are still the same is not read again (a change of a card always
// takes a number above every earlier one of its site).
struct CentralReport::Cache
{
    struct Day
    {
        int count = 0;
        qint64 lastChange = 0;
        std::vector<CargoCard> cards;
    };
    QMutex mutex;
    std::map<std::pair<QString, qint64>, Day> days;
};

namespace {

void fetchCards(const CentralSettings &settings, const QString &site, const QDate &start, const QDate &end,
                CentralReport::Cache &cache, Fetch &fetch)
{
    const QString name = reportConnectionName();
    QString error;
    if (!reportConnection(settings, false, error)) {
        fetch.error = u"нет соединения с центральной базой: "_s + error;
        return;
    }
    using Key = std::pair<QString, qint64>;
    std::vector<std::pair<Key, std::pair<int, qint64>>> wanted;
    std::vector<Key> stale;
    std::vector<QByteArray> texts;
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        query.setForwardOnly(true);
        query.prepare(u"SELECT site, day, cards, last_change FROM card_days WHERE cards > 0 AND day BETWEEN ? AND ?"_s
                      + (site.isEmpty() ? QString() : u" AND site = ?"_s) + u" ORDER BY site, day"_s);
        query.addBindValue(start);
        query.addBindValue(end);
        if (!site.isEmpty())
            query.addBindValue(site);
        if (!query.exec()) {
            // A connection the server dropped since the last report: once more.
            if (!reportConnection(settings, true, error)) {
                fetch.error = u"нет соединения с центральной базой: "_s + error;
                return;
            }
            query = QSqlQuery(QSqlDatabase::database(name, false));
            query.prepare(u"SELECT site, day, cards, last_change FROM card_days WHERE cards > 0 AND day BETWEEN ? AND ?"_s
                          + (site.isEmpty() ? QString() : u" AND site = ?"_s) + u" ORDER BY site, day"_s);
            query.addBindValue(start);
            query.addBindValue(end);
            if (!site.isEmpty())
                query.addBindValue(site);
            if (!query.exec())
                fetch.error = failureOf(query);
        }
        QJsonArray missing;
        {
            QMutexLocker lock(&cache.mutex);
            while (query.next()) {
                const Key key{query.value(0).toString(), query.value(1).toDate().toJulianDay()};
                const std::pair<int, qint64> version{query.value(2).toInt(), query.value(3).toLongLong()};
                wanted.push_back({key, version});
                const auto found = cache.days.find(key);
                if (found == cache.days.end() || found->second.count != version.first
                    || found->second.lastChange != version.second) {
                    stale.push_back(key);
                    missing.append(QJsonObject{{u"s"_s, key.first}, {u"d"_s, QDate::fromJulianDay(key.second).toString(Qt::ISODate)}});
                }
            }
        }
        if (fetch.error.isEmpty() && !stale.empty()) {
            // One JSON array a site and day, made by the server: far fewer,
            // larger values than a row a card, and read on all cores here.
            query.prepare(u"SELECT json_agg(json_build_array("_s + CentralCard::columns()
                          + u") ORDER BY number)::text FROM cards c JOIN json_to_recordset(CAST(? AS json)) "
                            u"AS w(s text, d date) ON c.site = w.s AND c.day = w.d GROUP BY c.site, c.day "
                            u"ORDER BY c.site, c.day"_s);
            query.addBindValue(QString::fromUtf8(QJsonDocument(missing).toJson(QJsonDocument::Compact)));
            if (!query.exec())
                fetch.error = failureOf(query);
            while (query.next())
                texts.push_back(query.value(0).toString().toUtf8());
        }
    }
    if (!fetch.error.isEmpty()) {
        (void)reportConnection(settings, true, error);
        return;
    }
    if (texts.size() != stale.size()) {
        fetch.error = u"карточки изменились во время чтения, постройте отчёт ещё раз"_s;
        return;
    }
    fetch.days = int(texts.size());
    std::vector<std::vector<CargoCard>> read = readDays(texts, fetch);
    QMutexLocker lock(&cache.mutex);
    std::map<Key, CentralReport::Cache::Day> kept;
    for (size_t i = 0; i < stale.size(); ++i)
        cache.days[stale[i]].cards = std::move(read[i]);
    size_t total = 0;
    for (const auto &[key, version] : wanted) {
        CentralReport::Cache::Day &day = cache.days[key];
        // A day that changed between the two questions is read again next time.
        day.count = int(day.cards.size()) == version.first ? version.first : -1;
        day.lastChange = version.second;
        total += day.cards.size();
    }
    fetch.cards.reserve(total);
    fetch.sites.reserve(total);
    for (const auto &[key, version] : wanted) {
        auto found = cache.days.find(key);
        fetch.cards.insert(fetch.cards.end(), found->second.cards.begin(), found->second.cards.end());
        fetch.sites.insert(fetch.sites.end(), found->second.cards.size(), key.first);
        kept.insert(cache.days.extract(found));
    }
    // Only the last period is kept: memory stays that of one report.
    cache.days = std::move(kept);
}

} // namespace

bool CentralReport::cardsOf(const QDate &start, const QDate &end, std::vector<CargoCard> &cards,
                            std::vector<QString> &sites, QString &reason)
{
    const auto fetch = std::make_shared<Fetch>();
    const CentralSettings settings = m_outbox.settings();
    const QString site = m_filter != allSites() ? m_filter : QString();
    // The window stays painted and the scale keeps weighing while the
    // server answers; the bar moves as the days are read. A second report
    // cannot be asked for meanwhile.
    ProgressDisplay *progress = m_report.progressDisplay();
    const std::shared_ptr<Cache> cache = m_cache;
    const bool answered = runAside([fetch, settings, site, start, end, cache] { fetchCards(settings, site, start, end, *cache, *fetch); },
                                   [&] {
                                        if (progress && fetch->days > 0)
                                            progress->stepProgress(10 + 70 * fetch->daysDone / fetch->days, 100);
                                    });
    if (!answered) {
        reason = u"центральная база не ответила за %1 с"_s.arg(m_timeoutMs / 1000);
        return false;
    }
    if (!fetch->error.isEmpty()) {
        reason = fetch->error;
        return false;
    }
    cards = std::move(fetch->cards);
    sites = std::move(fetch->sites);
    return true;
}
