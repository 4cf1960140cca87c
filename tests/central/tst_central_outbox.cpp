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
        s.tls = true;
        QVERIFY(bool(s.save(base)));
        QCOMPARE(CentralSettings::load(base), s);
        QFile ini(CentralSettings::filePath(base));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains(m_pg.password.toUtf8()));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(CentralSettings::passwordPath(base)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        QVERIFY(!QFileInfo::exists(base + u"tarvo v.3.00.eng"_s));

        // TLS demanded from a server without it is a clear refusal.
        QVERIFY(checkCentralConnection(s).startsWith(u"Нет соединения: "_s));
        s.tls = false;
        QVERIFY2(checkCentralConnection(s).startsWith(u"Соединение установлено: PostgreSQL "_s),
                 qPrintable(checkCentralConnection(s)));

        const CentralSettings db = freshDatabase(u"A"_s);
        QString error;
        QVERIFY(openCentralDatabase(db, u"tst-schema"_s, error));
        {
            QSqlDatabase conn = QSqlDatabase::database(u"tst-schema"_s, false);
            QVERIFY2(CentralSchema::migrate(conn, error), qPrintable(error));
            QVERIFY2(CentralSchema::migrate(conn, error), qPrintable(error));
        }
        closeCentralDatabase(u"tst-schema"_s);
        QCOMPARE(CentralSchema::latestVersion(), 1);
        QCOMPARE(ask(db, u"SELECT version FROM tarvo_migrations"_s), QStringList{u"1"_s});
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
        QCOMPARE(ask(db, u"SELECT tarvo_put_cards('"_s + staleJson + u"')"_s), QStringList{u"1"_s});
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
            central.setSiteFilter(u"КАРЬЕР-1"_s);
            QCOMPARE(all.build(u"07.12.2026"_s, u"08.12.2026"_s, entry), ReportMessage::None);
            QCOMPARE(tableText(all), ownA);
        }
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
        QVERIFY2(out.reason().contains(u"password"_s), qPrintable(out.reason()));
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
        QVERIFY(bool(OutboxJournal(base + u"Central/"_s).load(pending, last)));
        QCOMPARE(pending.size(), size_t(0));
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
