// The mirror of the cards in a central PostgreSQL server the test starts
// itself: cards of two scales arrive once, corrections and deletions follow,
// the group report adds up the scales' own reports; a server that is down,
// refuses the password, loses a connection mid-transaction or sees the
// sending program killed never loses or doubles a card.

#include "PgServer.h"
#include "central/CentralCard.h"
#include "central/CentralOutbox.h"
#include "central/CentralReport.h"
#include "central/CentralSchema.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "reports/ReportFixtures.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QTest>

#include <atomic>
#include <memory>
#include <csignal>
#include <thread>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using fixtures::Bench;

namespace {

const QDate kDay1(2026, 12, 7);
const QDate kDay2(2026, 12, 8);

// The cards of one scale: `count` weighings over two days, every fifth
// still open, grosses from `seed`.
QList<CargoCard> scaleCards(int count, int seed)
{
    static const QStringList cargos = {u"Песок"_s, u"Щебень 20-40"_s, u"ПГС"_s, u"Глина"_s};
    QList<CargoCard> cards;
    for (int i = 0; i < count; ++i) {
        const double gross = 20000 + (seed * 7919 + i * 131) % 15000;
        const QString status = i % 5 == 4 ? Statuses::incomplete() : Statuses::complete();
        CargoCard c = fixtures::card(cargos[(i + seed) % cargos.size()], status, gross, status == Statuses::complete() ? 8000 + i % 900 : 0);
        c.texts[VehicleNumber] = u"А%1ВС 77"_s.arg(100 + i % 37);
        c.litterPercent = i % 3;
        c.litterWeight = c.net * c.litterPercent / 100;
        c.cleanWeight = c.net - c.litterWeight;
        cards.append(c);
    }
    return cards;
}

// Day files of a scale as its store would leave them; the cards as written.
std::vector<CentralOutbox::Item> writeScale(const Folders &folders, const QList<CargoCard> &cards, int firstId)
{
    const qsizetype half = cards.size() / 2;
    fixtures::writeDay(folders, kDay1, cards.mid(0, half), firstId);
    fixtures::writeDay(folders, kDay2, cards.mid(half), firstId + int(half));
    std::vector<CentralOutbox::Item> items;
    for (const QDate &day : {kDay1, kDay2}) {
        QFile f(dayFilePath(folders, day));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray data = f.readAll();
        for (qint64 n = 1; decodeDayCardId(data, n) != 0; ++n)
            items.push_back({decodeDayCard(QByteArrayView(data).sliced(DayFileLayout::cardOffset(n))), ExtraParams(), day});
    }
    return items;
}

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

int askNumber(const CentralSettings &settings, const QString &sql)
{
    const QStringList rows = ask(settings, sql);
    return rows.size() == 1 ? rows[0].toInt() : -1;
}

// The totals row ("ИТОГО") of a built report: gross, net, tare, clean.
std::array<double, 4> totals(const Bench &b)
{
    const int last = b.rows() - 1;
    std::array<double, 4> t{};
    const std::array<int, 4> params = {Gross, Net, Tare, CleanWeight};
    for (size_t i = 0; i < params.size(); ++i)
        t[i] = ParseNumber(b.value(last, params[i]));
    return t;
}

QStringList tableText(const Bench &b)
{
    QStringList rows;
    for (int r = 0; r < b.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < b.table().columnCount(); ++c)
            cells << b.text(r, c);
        rows << cells.join(u'\t');
    }
    return rows;
}

} // namespace

class TestCentralOutbox : public QObject
{
    Q_OBJECT

    PgServer m_pg;
    int m_databases = 0;

    // A fresh database for one test, and the settings of `site` on it.
    CentralSettings freshDatabase(const QString &site)
    {
        const QString name = u"t%1"_s.arg(++m_databases);
        if (!m_pg.createDatabase(name))
            qWarning() << m_pg.error;
        return m_pg.settings(site, name);
    }

    static void enable(CentralOutbox &outbox, const CentralSettings &settings, int retryMs = 100)
    {
        outbox.setRetryInterval(retryMs);
        QVERIFY(bool(outbox.applySettings(settings)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_pg.start(), qPrintable(m_pg.error));
    }

    // Settings beside the settings file; the password in a file of its own
    // that only the user may read; the schema applied once, in one piece.
    void settingsAndSchema()
    {
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        QCOMPARE(CentralSettings::load(base), CentralSettings());
        QVERIFY(!CentralSettings().enabled);
        CentralSettings s = m_pg.settings(u"КАРЬЕР-1"_s, u"postgres"_s);
        s.tls = CentralSettings::Tls::NoVerify;
        s.caFile = u"/nowhere/ca.crt"_s;
        s.since = kDay1;
        QVERIFY(bool(s.save(base)));
        QCOMPARE(CentralSettings::load(base), s);
        QFile ini(CentralSettings::filePath(base));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains(m_pg.password.toUtf8()));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(CentralSettings::passwordPath(base)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        QVERIFY(!QFileInfo::exists(base + u"tarvo v.3.00.eng"_s));

        // The installation's key: made once, the user's alone.
        QString key;
        QVERIFY(bool(CentralSettings::installationKey(base, key)));
        QString again;
        QVERIFY(bool(CentralSettings::installationKey(base, again)));
        QCOMPARE(again, key);
        QCOMPARE(key.size(), 32);
        QCOMPARE(modeOf(CentralSettings::keyPath(base)), 0600);

        // The check says in Russian what failed, the server's text only as
        // a detail; a good connection reports login, rights and schema.
        CentralSettings wrongPassword = s;
        wrongPassword.tls = CentralSettings::Tls::Off;
        wrongPassword.password = u"не тот"_s;
        CentralSettings noDatabase = wrongPassword;
        noDatabase.password = m_pg.password;
        noDatabase.database = u"нет-такой"_s;
        CentralSettings refused = noDatabase;
        refused.port = 1;
        const QList<std::pair<CentralSettings, QString>> failures = {
            {s, u"Нет соединения: сервер не поддерживает шифрование (TLS) ("_s},
            {wrongPassword, u"Нет соединения: неверный пароль или пользователь ("_s},
            {noDatabase, u"Нет соединения: нет такой базы данных ("_s},
            {refused, u"Нет соединения: сервер не принимает соединения: не запущен или закрыт порт ("_s},
        };
        for (const auto &[settings, text] : failures) {
            const QString said = checkCentralConnection(settings);
            QVERIFY2(said.startsWith(text) && !said.contains(u'\t'), qPrintable(said));
        }
        s.tls = CentralSettings::Tls::Off;
        const QString good = checkCentralConnection(s);
        QVERIFY2(good.startsWith(u"Соединение установлено: PostgreSQL "_s), qPrintable(good));
        QVERIFY2(good.contains(u"Права: запись карточек разрешена."_s), qPrintable(good));
        QVERIFY2(good.contains(u"Схема: таблиц ещё нет"_s), qPrintable(good));

        // Plural forms of the status line.
        const QList<std::pair<int, QString>> plurals = {
            {0, u"0 карточек"_s},   {1, u"1 карточка"_s},   {2, u"2 карточки"_s},  {4, u"4 карточки"_s},
            {5, u"5 карточек"_s},   {11, u"11 карточек"_s}, {14, u"14 карточек"_s}, {21, u"21 карточка"_s},
            {22, u"22 карточки"_s}, {111, u"111 карточек"_s}};
        for (const auto &[n, text] : plurals)
            QCOMPARE(CentralOutbox::cardsText(n), text);

        const CentralSettings db = freshDatabase(u"A"_s);
        QString error;
        QVERIFY(openCentralDatabase(db, u"tst-schema"_s, error));
        {
            QSqlDatabase conn = QSqlDatabase::database(u"tst-schema"_s, false);
            QVERIFY2(CentralSchema::migrate(conn, error), qPrintable(error));
            QVERIFY2(CentralSchema::migrate(conn, error), qPrintable(error));
        }
        closeCentralDatabase(u"tst-schema"_s);
        QCOMPARE(CentralSchema::latestVersion(), 3);
        QCOMPARE(ask(db, u"SELECT version FROM tarvo_migrations ORDER BY version"_s), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM pg_indexes WHERE tablename = 'cards'"_s), 4);
    }

    // Two scales, 500 cards each through the outbox's entry: every card
    // once; corrections and deletions follow with their history; an older
    // change never overwrites a newer one; the group report is the sum of
    // the two scales' own reports, and one scale's share is its own report.
    void twoScalesArriveOnce()
    {
        const CentralSettings db = freshDatabase(u"КАРЬЕР-1"_s);
        Bench a(QDate(2026, 12, 10));
        Bench b(QDate(2026, 12, 10));
        const std::vector<CentralOutbox::Item> cardsA = writeScale(a.folders(), scaleCards(500, 1), 1);
        const std::vector<CentralOutbox::Item> cardsB = writeScale(b.folders(), scaleCards(500, 2), 1);
        QCOMPARE(cardsA.size() + cardsB.size(), size_t(1000));

        CentralOutbox outA(a.folders().BaseFolder);
        CentralOutbox outB(b.folders().BaseFolder);
        outA.start();
        outB.start();
        CentralSettings other = db;
        other.site = u"ВЫЕЗД-2"_s;
        enable(outA, db);
        enable(outB, other);
        // The two scales store at the same time, as two PCs would.
        std::atomic<int> refusedB = 0;
        std::thread scaleB([&] {
            for (const CentralOutbox::Item &item : cardsB)
                if (!outB.cardWritten(item.card, item.extras, item.day, CardChange::Store, u"Сидоров"_s))
                    ++refusedB;
        });
        for (const CentralOutbox::Item &item : cardsA)
            QVERIFY(bool(outA.cardWritten(item.card, item.extras, item.day, CardChange::Store, u"Петров"_s)));
        scaleB.join();
        QCOMPARE(refusedB.load(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(outA.queued() + outB.queued(), 0, 30000);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards"_s), 1000);
        QCOMPARE(askNumber(db, u"SELECT count(DISTINCT (site, card_id)) FROM card_changes"_s), 1000);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM card_changes"_s), 1000);
        QCOMPARE(ask(db, u"SELECT code FROM sites ORDER BY code"_s), (QStringList{u"ВЫЕЗД-2"_s, u"КАРЬЕР-1"_s}));
        QVERIFY(outA.statusText().startsWith(u"Центральная база: 0 карточек в очереди"_s));

        // A correction and a deletion, as the card window writes them.
        ExtraParams extras;
        extras[0][1] = u"ГОСТ 8736"_s;
        CargoCard corrected = cardsA[3].card;
        corrected.gross += 100;
        corrected.net += 100;
        corrected.cleanWeight += 100;
        QVERIFY(bool(outA.cardWritten(corrected, extras, kDay1, CardChange::Correction, u"Инженер"_s)));
        CargoCard deleted = cardsB[7].card;
        deleted.status = Statuses::deleted();
        QVERIFY(bool(outB.cardWritten(deleted, ExtraParams(), kDay1, CardChange::Deletion, u"Инженер"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(outA.queued() + outB.queued(), 0, 10000);
        const QString idA = QString::number(corrected.id);
        QCOMPARE(ask(db, u"SELECT gross, extras->0->>0 FROM cards WHERE site = 'КАРЬЕР-1' AND card_id = "_s + idA),
                 QStringList{QString::number(corrected.gross) + u"|ГОСТ 8736"_s});
        QCOMPARE(ask(db, u"SELECT change, operator, changes->'gross' FROM card_changes WHERE site = 'КАРЬЕР-1' AND card_id = "_s
                         + idA + u" ORDER BY change_no"_s),
                 (QStringList{u"store|Петров|"_s, u"correction|Инженер|[%1, %2]"_s.arg(cardsA[3].card.gross).arg(corrected.gross)}));
        QCOMPARE(ask(db, u"SELECT deleted, status FROM cards WHERE site = 'ВЫЕЗД-2' AND card_id = %1"_s.arg(deleted.id)),
                 QStringList{u"true|удалена"_s});
        // The local files follow, for the reports below.
        {
            QFile f(dayFilePath(a.folders(), kDay1));
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(DayFileLayout::cardOffset(corrected.number))
                    && f.write(encodeDayCard(corrected)) == DayFileLayout::CardBytes);
            QFile g(dayFilePath(b.folders(), kDay1));
            QVERIFY(g.open(QIODevice::ReadWrite) && g.seek(DayFileLayout::cardOffset(deleted.number))
                    && g.write(encodeDayCard(deleted)) == DayFileLayout::CardBytes);
        }

        // A change older than the one the server holds is recorded, not applied.
        QJsonObject stale = CentralCard::toJson(cardsA[3].card, ExtraParams(), kDay1);
        stale[u"site"_s] = u"КАРЬЕР-1"_s;
        stale[u"change_no"_s] = 1;
        stale[u"change"_s] = u"store"_s;
        const QString staleJson = QString::fromUtf8(QJsonDocument(QJsonArray{stale}).toJson(QJsonDocument::Compact));
        QCOMPARE(ask(db, u"SELECT count(*) FROM tarvo_put_cards('КАРЬЕР-1', '%1', '"_s.arg(outA.installationKey())
                             + staleJson + u"')"_s),
                 QStringList{u"0"_s});
        QCOMPARE(ask(db, u"SELECT gross FROM cards WHERE site = 'КАРЬЕР-1' AND card_id = "_s + idA),
                 QStringList{QString::number(corrected.gross)});

        // The group report over both scales: the same rows, grouped and summed.
        for (int entry : {0, 4}) {
            QCOMPARE(a.build(u"07.12.2026"_s, u"08.12.2026"_s, entry), ReportMessage::None);
            QCOMPARE(b.build(u"07.12.2026"_s, u"08.12.2026"_s, entry), ReportMessage::None);
            const auto localA = totals(a);
            const auto localB = totals(b);
            const QStringList ownA = tableText(a);

            Bench all(QDate(2026, 12, 10));
            CentralReport central(outA, *all.report);
            central.selectSource(CentralReport::AllScales);
            QString error;
            QVERIFY2(central.loadSites(error), qPrintable(error));
            QCOMPARE(central.sites(), (QStringList{u"ВЫЕЗД-2"_s, u"КАРЬЕР-1"_s}));
            QCOMPARE(all.build(u"07.12.2026"_s, u"08.12.2026"_s, entry), ReportMessage::None);
            const auto group = totals(all);
            for (size_t i = 0; i < group.size(); ++i)
                QCOMPARE(group[i], localA[i] + localB[i]);
            // Every card says its scale; grouped by "Весы", each scale's
            // group sums to its own report.
            QCOMPARE(all.report->parameterEntries().last(), u"Весы"_s);
            const int siteColumn = all.report->columnLayout().paramColumn[ReportColumnLayout::SiteParam];
            QCOMPARE(all.text(0, siteColumn), u"Весы"_s);
            QStringList seen;
            for (int r = 1; r < all.rows() - 1; ++r)
                if (all.text(r, 0).isEmpty())
                    seen << all.text(r, siteColumn);
            seen.removeDuplicates();
            seen.sort();
            QCOMPARE(seen, (QStringList{u"ВЫЕЗД-2"_s, u"КАРЬЕР-1"_s}));
            QCOMPARE(all.build(u"07.12.2026"_s, u"08.12.2026"_s, int(GroupingParams.size())), ReportMessage::None);
            QCOMPARE(all.text(0, 1), u"Весы"_s);
            QStringList headers;
            for (int r = 1; r < all.rows(); ++r)
                if (all.text(r, 0) == u"-"_s)
                    headers << all.text(r, 1) + u' ' + all.value(r, Net);
            QCOMPARE(headers, (QStringList{u"ВЫЕЗД-2 "_s + NumberText(localB[1]), u"КАРЬЕР-1 "_s + NumberText(localA[1])}));
            central.setSiteFilter(u"КАРЬЕР-1"_s);
            QCOMPARE(all.report->parameterEntries().size(), int(GroupingParams.size()));
            QCOMPARE(all.build(u"07.12.2026"_s, u"08.12.2026"_s, entry), ReportMessage::None);
            QCOMPARE(tableText(all), ownA);
        }

        // The office's user of the README: it reads the report, writes nothing.
        for (const QString &sql : {u"CREATE ROLE tarvo_office LOGIN PASSWORD 'office-1'"_s,
                                   u"GRANT CONNECT ON DATABASE %1 TO tarvo_office"_s.arg(db.database),
                                   u"GRANT SELECT ON ALL TABLES IN SCHEMA public TO tarvo_office"_s,
                                   u"ALTER DEFAULT PRIVILEGES FOR ROLE tarvo IN SCHEMA public GRANT SELECT ON TABLES TO tarvo_office"_s})
            QCOMPARE(ask(db, sql), QStringList());
        CentralSettings office = db;
        office.enabled = false;
        office.site.clear();
        office.user = u"tarvo_office"_s;
        office.password = u"office-1"_s;
        const QString said = checkCentralConnection(office);
        QVERIFY2(said.contains(u"Права: чтение отчёта разрешено."_s), qPrintable(said));
        QVERIFY(ask(office, u"UPDATE cards SET gross = 0"_s).value(0).contains(u"permission denied"_s));
        QTemporaryDir officeDir;
        CentralOutbox officeOut(officeDir.path() + u'/');
        officeOut.start();
        QVERIFY(bool(officeOut.applySettings(office)));
        Bench officeReport(QDate(2026, 12, 10));
        CentralReport officeCentral(officeOut, *officeReport.report);
        officeCentral.selectSource(CentralReport::AllScales);
        QCOMPARE(officeReport.build(u"07.12.2026"_s, u"08.12.2026"_s, 0), ReportMessage::None);
        QCOMPARE(a.build(u"07.12.2026"_s, u"08.12.2026"_s, 0), ReportMessage::None);
        QCOMPARE(b.build(u"07.12.2026"_s, u"08.12.2026"_s, 0), ReportMessage::None);
        const auto officeTotals = totals(officeReport);
        for (size_t i = 0; i < officeTotals.size(); ++i)
            QCOMPARE(officeTotals[i], totals(a)[i] + totals(b)[i]);
    }

    // The server stopped while 500 cards are stored: every store returns at
    // once, the queue holds 500 and says why; started again, all 500
    // arrive in the order they were stored.
    void serverDownDuringStores()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-1"_s);
        QTemporaryDir dir;
        CentralOutbox out(dir.path() + u'/');
        out.start();
        enable(out, db, 50);
        // The schema is there before the server goes.
        QVERIFY(bool(out.cardWritten(fixtures::card(u"Песок"_s, Statuses::complete(), 1000), {}, kDay1,
                                     CardChange::Store, QString())));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        QVERIFY2(m_pg.stop(), qPrintable(m_pg.error));

        for (int i = 0; i < 500; ++i) {
            CargoCard c = fixtures::card(u"ПГС"_s, Statuses::incomplete(), 10000 + i);
            c.id = 1000 + i;
            c.number = i + 1;
            QVERIFY(bool(out.cardWritten(c, {}, kDay2, CardChange::Store, u"Оператор"_s)));
        }
        QCOMPARE(out.queued(), 500);
        QTRY_VERIFY_WITH_TIMEOUT(out.statusText().startsWith(u"Центральная база: 500 карточек в очереди — нет соединения: "_s), 10000);

        QVERIFY2(m_pg.startAgain(), qPrintable(m_pg.error));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 20000);
        QTRY_COMPARE(out.reason(), QString());
        QStringList expected;
        for (int i = 0; i < 500; ++i)
            expected << QString::number(1000 + i);
        QCOMPARE(ask(db, u"SELECT card_id FROM card_changes WHERE card_id >= 1000 ORDER BY arrival"_s), expected);
    }

    // A wrong password keeps the queue and says so; the right one drains it.
    // A connection killed on the server in the middle of a transaction is
    // sent again, and nothing arrives twice.
    void refusedAndDroppedConnections()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-2"_s);
        QTemporaryDir dir;
        CentralOutbox out(dir.path() + u'/');
        out.setBatchSize(50);
        out.start();
        CentralSettings wrong = db;
        wrong.password = u"не тот"_s;
        enable(out, wrong, 50);
        QVERIFY(bool(out.cardWritten(fixtures::card(u"Песок"_s, Statuses::complete(), 1000), {}, kDay1,
                                     CardChange::Store, QString())));
        QTRY_VERIFY_WITH_TIMEOUT(out.reason().startsWith(u"нет соединения: "_s), 10000);
        QVERIFY2(out.reason().startsWith(u"нет соединения: неверный пароль или пользователь ("_s)
                     && out.reason().contains(u"password authentication failed"_s),
                 qPrintable(out.reason()));
        // The status line says it short, without the server's own text.
        QCOMPARE(out.statusText(), u"Центральная база: 1 карточка в очереди — нет соединения: неверный пароль или пользователь"_s);
        QCOMPARE(out.queued(), 1);
        enable(out, db, 50);
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);

        // Another session holds the table: the sender's transaction waits
        // inside the server until its connection is killed there.
        QString error;
        QVERIFY(openCentralDatabase(db, u"tst-lock"_s, error));
        QSqlDatabase lock = QSqlDatabase::database(u"tst-lock"_s, false);
        QVERIFY(lock.transaction());
        QVERIFY(QSqlQuery(lock).exec(u"LOCK TABLE cards IN EXCLUSIVE MODE"_s));
        std::vector<CentralOutbox::Item> items;
        for (int i = 0; i < 200; ++i) {
            CargoCard c = fixtures::card(u"Щебень"_s, Statuses::complete(), 20000 + i);
            c.id = 5000 + i;
            c.number = i + 1;
            items.push_back({c, {}, kDay2});
        }
        QVERIFY(bool(out.cardsWritten(items, CardChange::Store, u"Оператор"_s)));
        const auto waiting = [&db] {
            return ask(db, u"SELECT pid FROM pg_stat_activity WHERE application_name = 'tarvo' AND wait_event_type = 'Lock'"_s)
                .value(0);
        };
        QString pid;
        QTRY_VERIFY_WITH_TIMEOUT(!(pid = waiting()).isEmpty(), 10000);
        QCOMPARE(ask(db, u"SELECT pg_terminate_backend(%1)"_s.arg(pid)), QStringList{u"true"_s});
        lock.rollback();
        lock = QSqlDatabase();
        closeCentralDatabase(u"tst-lock"_s);
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 20000);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards WHERE card_id >= 5000"_s), 200);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM card_changes WHERE card_id >= 5000"_s), 200);
    }

    // The sending program killed with SIGKILL at random moments, 100 times,
    // while it queues and sends: after the last run every card it was told
    // queued is on the server, once, and nothing it never queued.
    void killedWhileSending()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-3"_s);
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        QVERIFY(bool(db.save(base)));
        const quint32 seed = qEnvironmentVariableIsSet("TARVO_SEED") ? quint32(qEnvironmentVariableIntValue("TARVO_SEED"))
                                                                     : QRandomGenerator::global()->generate();
        qInfo("seed %u (TARVO_SEED=%u repeats this run)", seed, seed);
        QRandomGenerator random(seed);

        QSet<int> queued;
        QSet<int> attempted;
        constexpr int kRuns = 100;
        constexpr int kPerRun = 10;
        for (int run = 0; run <= kRuns; ++run) {
            const int first = 1 + run * kPerRun;
            const int count = run < kRuns ? kPerRun : 0;
            QProcess child;
            child.start(QStringLiteral(TARVO_OUTBOX_CHILD), {base, QString::number(first), QString::number(count)});
            QVERIFY(child.waitForStarted());
            for (int i = 0; i < count; ++i)
                attempted.insert(first + i);
            QByteArray said;
            while (!said.contains("ready") && child.waitForReadyRead(10000))
                said += child.readAllStandardOutput();
            QVERIFY(said.contains("ready"));
            if (run < kRuns) {
                // While it queues (a few ms) or sends (three cards a batch).
                QTest::qSleep(int(random.bounded(0, 30)));
                ::kill(pid_t(child.processId()), SIGKILL);
                QVERIFY(child.waitForFinished(10000));
            } else {
                QVERIFY(child.waitForFinished(30000));
                QCOMPARE(child.exitCode(), 0);
            }
            said += child.readAllStandardOutput();
            if (said.contains("queued"))
                for (int i = 0; i < count; ++i)
                    queued.insert(first + i);
        }
        QVERIFY(queued.size() > 0);
        QSet<int> onServer;
        for (const QString &id : ask(db, u"SELECT card_id FROM cards"_s))
            onServer.insert(id.toInt());
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM card_changes"_s), int(onServer.size()));
        QVERIFY(onServer.contains(queued));
        QVERIFY(attempted.contains(onServer));
        std::deque<OutboxEntry> pending;
        qint64 last = 0;
        qint64 damaged = 0;
        QVERIFY(bool(OutboxJournal(base + u"Central/"_s).load(pending, last, damaged)));
        QCOMPARE(damaged, 0);
        QCOMPARE(pending.size(), size_t(0));
    }

    // Two installations given the same site code: the second is refused,
    // says why and sends nothing; the first's cards stay as they were. A
    // code changed in the window renames the site on the server, its cards
    // and their history follow, and the old code is free again.
    void siteIdentity()
    {
        const CentralSettings db = freshDatabase(u"КАРЬЕР-1"_s);
        QTemporaryDir dirA;
        QTemporaryDir dirB;
        CentralOutbox outA(dirA.path() + u'/');
        CentralOutbox outB(dirB.path() + u'/');
        outA.start();
        outB.start();
        enable(outA, db, 50);
        const auto card = [](int id, double gross) {
            CargoCard c = fixtures::card(u"Песок"_s, Statuses::complete(), gross);
            c.id = id;
            c.number = id;
            return c;
        };
        for (int id = 1; id <= 3; ++id)
            QVERIFY(bool(outA.cardWritten(card(id, 1000 * id), {}, kDay1, CardChange::Store, u"А"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(outA.queued(), 0, 10000);

        enable(outB, db, 50);
        QVERIFY(outB.installationKey() != outA.installationKey());
        QVERIFY(bool(outB.cardWritten(card(1, 99999), {}, kDay1, CardChange::Store, u"Б"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(outB.reason().contains(u"занят другими весами"_s), 10000);
        QCOMPARE(outB.statusText(), u"Центральная база: 1 карточка в очереди — код весов «КАРЬЕР-1» занят другими весами"_s);
        QVERIFY(checkCentralConnection(db, outB.installationKey()).contains(u"Код весов «КАРЬЕР-1» уже занят другими весами"_s));
        QVERIFY(!checkCentralConnection(db, outA.installationKey()).contains(u"уже занят"_s));
        QCOMPARE(ask(db, u"SELECT card_id, gross FROM cards ORDER BY card_id"_s),
                 (QStringList{u"1|1000"_s, u"2|2000"_s, u"3|3000"_s}));
        QCOMPARE(outB.queued(), 1);

        CentralSettings renamed = db;
        renamed.site = u"КАРЬЕР-9"_s;
        enable(outA, renamed, 50);
        QVERIFY(bool(outA.cardWritten(card(4, 4000), {}, kDay1, CardChange::Store, u"А"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(outA.queued(), 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(outB.queued(), 0, 10000);
        QCOMPARE(ask(db, u"SELECT site, count(*), sum(gross) FROM cards GROUP BY site ORDER BY site"_s),
                 (QStringList{u"КАРЬЕР-1|1|99999"_s, u"КАРЬЕР-9|4|10000"_s}));
        QCOMPARE(ask(db, u"SELECT site, count(*) FROM card_changes GROUP BY site ORDER BY site"_s),
                 (QStringList{u"КАРЬЕР-1|1"_s, u"КАРЬЕР-9|4"_s}));
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM sites"_s), 2);
    }

    // A card the server refuses is set aside with its reason, the cards
    // around it arrive and the queue goes on; a batch refused as a whole (a
    // text the server cannot hold) is halved down to its one bad card. The
    // set-aside cards survive a restart and can be sent again.
    void poisonCardSetAside()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-4"_s);
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        CentralOutbox out(base);
        out.setBatchSize(50);
        out.start();
        enable(out, db, 50);
        const auto card = [](int id, double gross) {
            CargoCard c = fixtures::card(u"Щебень"_s, Statuses::complete(), gross);
            c.id = id;
            c.number = id;
            return c;
        };
        std::vector<CentralOutbox::Item> items;
        for (int id = 100; id < 105; ++id)
            items.push_back({card(id, id == 102 ? qQNaN() : 1000.0 * id), {}, kDay1});
        QVERIFY(bool(out.cardsWritten(items, CardChange::Store, u"Оператор"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        QCOMPARE(ask(db, u"SELECT card_id FROM cards ORDER BY card_id"_s),
                 (QStringList{u"100"_s, u"101"_s, u"103"_s, u"104"_s}));
        QCOMPARE(out.rejected().size(), size_t(1));
        QVERIFY(out.rejected()[0].entry.payload.contains("\"card_id\":102"));
        QVERIFY2(out.rejected()[0].reason.contains(u"null value"_s), qPrintable(out.rejected()[0].reason));
        QTRY_COMPARE(out.statusText(), u"Центральная база: 0 карточек в очереди, отложено: 1"_s);

        // The operator's name with a NUL: the batch's JSON is refused whole.
        QVERIFY(bool(out.cardsWritten({{card(200, 1), {}, kDay2}, {card(201, 2), {}, kDay2}}, CardChange::Store, u"О"_s)));
        QVERIFY(bool(out.cardWritten(card(202, 3), {}, kDay2, CardChange::Store, u"О"_s + QChar(0))));
        QVERIFY(bool(out.cardsWritten({{card(203, 4), {}, kDay2}, {card(204, 5), {}, kDay2}}, CardChange::Store, u"О"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards WHERE card_id >= 200"_s), 4);
        QCOMPARE(out.rejected().size(), size_t(2));

        // Kept on disk; sent again they are refused again, listed once each.
        CentralOutbox again(base);
        again.start();
        QCOMPARE(again.rejected().size(), size_t(2));
        enable(again, db, 50);
        int count = 0;
        QVERIFY(bool(again.resendRejected(count)));
        QCOMPARE(count, 2);
        QTRY_COMPARE_WITH_TIMEOUT(again.queued(), 0, 10000);
        QTRY_COMPARE(again.rejected().size(), size_t(2));
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards"_s), 8);
    }

    // A damaged record in the middle of the queue is skipped and said once;
    // every record after it is kept; a torn tail is cut off. The queue's
    // files are the user's alone.
    void damagedOutboxKeepsRest()
    {
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        OutboxJournal journal(base + u"Central/"_s);
        std::deque<OutboxEntry> pending;
        qint64 last = 0;
        qint64 damaged = 0;
        QVERIFY(bool(journal.load(pending, last, damaged)));
        std::vector<OutboxEntry> entries;
        for (qint64 seq = 1; seq <= 5; ++seq)
            entries.push_back({seq, "{\"change_no\":" + QByteArray::number(seq) + ",\"card_id\":" + QByteArray::number(seq) + '}'});
        QVERIFY(bool(journal.append(entries)));
        QVERIFY(bool(journal.markSent(0)));
        QFile file(journal.journalPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        const qint64 second = file.readAll().indexOf("{\"change_no\":2");
        QVERIFY(file.seek(second + 5) && file.write("XX") == 2);
        // A torn record at the end: a header and part of its payload.
        QVERIFY(file.seek(size) && file.write(QByteArray("\x40\0\0\0\0\0\x43\x54{\"change_no\":6", 22)) == 22);
        file.close();

        QVERIFY(bool(journal.load(pending, last, damaged)));
        QList<qint64> seqs;
        for (const OutboxEntry &e : pending)
            seqs << e.seq;
        QCOMPARE(seqs, (QList<qint64>{1, 3, 4, 5}));
        QVERIFY(damaged > 0);
        QCOMPARE(QFileInfo(journal.journalPath()).size(), size);
        QCOMPARE(modeOf(journal.journalPath()), 0600);
        QCOMPARE(modeOf(journal.sentPath()), 0600);
        QCOMPARE(modeOf(journal.folder()), 0700);

        // The outbox says it once, for the event log.
        CentralOutbox out(base);
        QSignalSpy notices(&out, &CentralOutbox::notice);
        out.start();
        QCOMPARE(notices.count(), 1);
        QVERIFY(notices[0][0].toString().startsWith(u"Центральная база: очередь повреждена"_s));
        QCOMPARE(out.queued(), 4);
    }

    // A schema newer than the program is refused: said, nothing written.
    // A column a later version added takes its default for this program's
    // cards, as a field missing from an older program's card does.
    void schemaVersions()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-5"_s);
        QTemporaryDir dir;
        CentralOutbox out(dir.path() + u'/');
        out.start();
        enable(out, db, 50);
        const auto store = [&out](int id) {
            CargoCard c = fixtures::card(u"ПГС"_s, Statuses::complete(), 1000 + id);
            c.id = id;
            c.number = id;
            return out.cardWritten(c, {}, kDay1, CardChange::Store, u"Оператор"_s);
        };
        QVERIFY(bool(store(1)));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        ask(db, u"ALTER TABLE cards ADD COLUMN axles integer NOT NULL DEFAULT 2"_s);
        QVERIFY(bool(store(2)));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        const QString older = u"[{\"change_no\": 7, \"card_id\": 3, \"day\": \"2026-12-07\", \"number\": 3}]"_s;
        QCOMPARE(ask(db, u"SELECT count(*) FROM tarvo_put_cards('ВЕСЫ-5', '%1', '%2')"_s.arg(out.installationKey(), older)),
                 QStringList{u"0"_s});
        QCOMPARE(ask(db, u"SELECT card_id, cargo, gross, extras = '[]', deleted, axles FROM cards ORDER BY card_id"_s),
                 (QStringList{u"1|ПГС|1001|false|false|2"_s, u"2|ПГС|1002|false|false|2"_s, u"3||0|true|false|2"_s}));

        ask(db, u"INSERT INTO tarvo_migrations (version) VALUES (%1)"_s.arg(CentralSchema::latestVersion() + 1));
        enable(out, db, 50);
        QVERIFY(bool(store(4)));
        QTRY_COMPARE_WITH_TIMEOUT(out.reason(), u"База данных новее программы: обновите программу"_s, 10000);
        QCOMPARE(out.queued(), 1);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards WHERE card_id = 4"_s), 0);
        QVERIFY(checkCentralConnection(db).contains(u"Схема: База данных новее программы: обновите программу."_s));
    }

    // TLS that checks the server: a self-signed server is refused against
    // the system's authorities and accepted with its own CA; "без проверки
    // сервера" connects as well, as a choice of its own.
    void tlsVerifyFull()
    {
        PgServer tls;
        const QString folder = tls.folder() + u'/';
        QFile ext(folder + u"ext.cnf"_s);
        QVERIFY(ext.open(QIODevice::WriteOnly) && ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") > 0);
        ext.close();
        const auto openssl = [&folder](const QStringList &args) {
            QProcess p;
            p.setWorkingDirectory(folder);
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(u"openssl"_s, args);
            return p.waitForFinished(20000) && p.exitCode() == 0;
        };
        const QStringList ec = {u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s};
        QVERIFY(openssl(QStringList{u"req"_s, u"-x509"_s} + ec
                        + QStringList{u"-keyout"_s, u"ca.key"_s, u"-out"_s, u"ca.crt"_s, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=Test CA"_s}));
        QVERIFY(openssl(QStringList{u"req"_s} + ec
                        + QStringList{u"-keyout"_s, u"server.key"_s, u"-out"_s, u"server.csr"_s, u"-subj"_s, u"/CN=localhost"_s}));
        QVERIFY(openssl({u"x509"_s, u"-req"_s, u"-in"_s, u"server.csr"_s, u"-CA"_s, u"ca.crt"_s, u"-CAkey"_s, u"ca.key"_s,
                         u"-CAcreateserial"_s, u"-out"_s, u"server.crt"_s, u"-days"_s, u"2"_s, u"-extfile"_s, u"ext.cnf"_s}));
        // The server's key: its user's alone, as PostgreSQL demands.
        QVERIFY(QFile::setPermissions(folder + u"server.key"_s, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        if (::geteuid() == 0)
            for (const QString &name : {u"server.key"_s, u"server.crt"_s})
                QCOMPARE(::chown(QFile::encodeName(folder + name).constData(), PgServer::kNobody, PgServer::kNobody), 0);
        tls.extraOptions = u"-c ssl=on -c ssl_cert_file=%1server.crt -c ssl_key_file=%1server.key"_s.arg(folder);
        QVERIFY2(tls.start(), qPrintable(tls.error));

        CentralSettings s = tls.settings(u"ВЕСЫ-7"_s, u"postgres"_s);
        s.host = u"localhost"_s;
        s.tls = CentralSettings::Tls::VerifyFull;
        QString said = checkCentralConnection(s);
        QVERIFY2(said.startsWith(u"Нет соединения: сертификат сервера не прошёл проверку ("_s), qPrintable(said));
        s.caFile = folder + u"ca.crt"_s;
        said = checkCentralConnection(s);
        QVERIFY2(said.startsWith(u"Соединение установлено"_s), qPrintable(said));
        QCOMPARE(ask(s, u"SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"_s), QStringList{u"true"_s});
        s.caFile.clear();
        s.tls = CentralSettings::Tls::NoVerify;
        said = checkCentralConnection(s);
        QVERIFY2(said.startsWith(u"Соединение установлено"_s), qPrintable(said));
    }

    // A server that hangs (SIGSTOP) while the sender waits on it: new
    // settings and the end of the outbox return at once; the queue is on
    // disk and drains once the server is back.
    void hungServer()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-6"_s);
        QTemporaryDir dir;
        const QString base = dir.path() + u'/';
        auto out = std::make_unique<CentralOutbox>(base);
        out->setBatchSize(20);
        out->start();
        enable(*out, db, 50);
        QVERIFY(bool(out->cardWritten(fixtures::card(u"Песок"_s, Statuses::complete(), 1000), {}, kDay1,
                                      CardChange::Store, QString())));
        QTRY_COMPARE_WITH_TIMEOUT(out->queued(), 0, 10000);
        QVERIFY2(m_pg.freeze(true), qPrintable(m_pg.error));
        std::vector<CentralOutbox::Item> items;
        for (int i = 0; i < 100; ++i) {
            CargoCard c = fixtures::card(u"ПГС"_s, Statuses::complete(), 2000 + i);
            c.id = 10 + i;
            c.number = i + 1;
            items.push_back({c, {}, kDay2});
        }
        QVERIFY(bool(out->cardsWritten(items, CardChange::Store, u"Оператор"_s)));
        QTest::qWait(300);
        QElapsedTimer t;
        t.start();
        enable(*out, db, 50);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QTest::qWait(200);
        t.restart();
        out.reset();
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(m_pg.freeze(false));

        CentralOutbox again(base);
        again.start();
        QTRY_COMPARE_WITH_TIMEOUT(again.queued(), 0, 20000);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards"_s), 101);
    }

    // Cards stored before the mirror was on, and a card changed on the
    // server behind the scale's back: the comparison of the days since the
    // mirror was switched on queues the differing days again, and only them.
    void reconciliation()
    {
        const CentralSettings db = freshDatabase(u"ВЕСЫ-8"_s);
        Bench a(QDate(2026, 12, 8));
        writeScale(a.folders(), scaleCards(40, 3), 1);
        CentralOutbox out(a.folders().BaseFolder);
        out.start();
        CentralSettings s = db;
        s.since = kDay1;
        enable(out, s, 50);
        QSignalSpy finished(&out, &CentralOutbox::reconcileFinished);
        const auto reconcile = [&] {
            finished.clear();
            if (!out.startReconcile(a.folders(), kDay2))
                return -2;
            if (!finished.wait(10000))
                return -3;
            return finished[0][0].toInt();
        };
        // The site is claimed at the first connection: a card of its own.
        QVERIFY(bool(out.cardWritten(fixtures::card(u"Песок"_s, Statuses::complete(), 1), {}, QDate(2026, 12, 1),
                                     CardChange::Store, QString())));
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        QCOMPARE(reconcile(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        QCOMPARE(askNumber(db, u"SELECT count(*) FROM cards WHERE day >= '2026-12-07'"_s), 40);
        QCOMPARE(reconcile(), 0);

        ask(db, u"UPDATE cards SET gross = 1 WHERE card_id = 30"_s);
        QCOMPARE(reconcile(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(out.queued(), 0, 10000);
        QVERIFY(askNumber(db, u"SELECT gross FROM cards WHERE card_id = 30"_s) > 1);
        QCOMPARE(reconcile(), 0);
    }

    void cleanupTestCase()
    {
        // The server's log on a failure is the first thing to read.
        if (QTest::currentTestFailed())
            qWarning().noquote() << m_pg.log();
    }
};

QTEST_GUILESS_MAIN(TestCentralOutbox)
#include "tst_central_outbox.moc"
