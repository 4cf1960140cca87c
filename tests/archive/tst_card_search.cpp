#include "common/DayFileWriter.h"
#include "archive/CardSearch.h"
#include "archive/OpenWeighings.h"
#include "card/CargoCard.h"
#include "core/AppContext.h"
#include "core/OleDate.h"
#include "store/DayFileCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2026, 12, 9);

CargoCard card(int n, const QString &plate, const QString &status, const QDate &day)
{
    CargoCard c;
    c.texts = {u"Песок"_s, u"Д-"_s + QString::number(n), u"Карьер"_s, u"Стройка"_s, plate, u"Иванов"_s, QString()};
    c.id = day.dayOfYear() * 100 + n;
    c.number = n;
    c.date1 = toOleDate(day);
    c.operationType = OperationTypes::unloading();
    c.status = status;
    c.gross = 20000 + n;
    return c;
}

QStringList found(const QList<CardHit> &hits)
{
    QStringList out;
    for (const CardHit &h : hits)
        out << h.day.toString(u"dd"_s) + u'/' + QString::number(h.card.number);
    return out;
}

} // namespace

class TestCardSearch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Folders m_folders{m_dir.path()};

private slots:
    void initTestCase()
    {
        const QString open = Statuses::incomplete();
        const QString done = Statuses::complete();
        // Three days in two months, a day without a file between them.
        writeDay(m_folders, kToday, {card(1, u"А123ВС 77"_s, done, kToday), card(2, u"в555ор"_s, open, kToday),
                                     card(3, u"а123вс 77"_s, open, kToday)});
        writeDay(m_folders, kToday.addDays(-2), {card(1, u"А123ВС 77"_s, u"удалена"_s, kToday.addDays(-2)),
                                                 card(2, u"А123ВС 77"_s, open, kToday.addDays(-2))});
        writeDay(m_folders, QDate(2026, 11, 30), {card(1, u"А123ВС 77"_s, done, QDate(2026, 11, 30))});
        // A day damaged behind its first card: the cards before the damage count.
        writeDay(m_folders, QDate(2026, 11, 20),
                 {card(1, u"А123ВС 77"_s, done, QDate(2026, 11, 20)), CargoCard(),
                  card(3, u"А123ВС 77"_s, done, QDate(2026, 11, 20))});
    }

    void findsAcrossDaysNewestFirstInAnyCase()
    {
        CardQuery q{u"  а123вс "_s, kToday.addDays(-30), kToday, false};
        QCOMPARE(found(findCards(m_folders, q)), (QStringList{u"09/3"_s, u"09/1"_s, u"07/2"_s, u"30/1"_s, u"20/1"_s}));
        // The period bounds hold both ends; a period the wrong way round finds nothing.
        q.from = kToday.addDays(-2);
        q.to = kToday.addDays(-2);
        QCOMPARE(found(findCards(m_folders, q)), QStringList{u"07/2"_s});
        q.from = kToday;
        QVERIFY(findCards(m_folders, q).isEmpty());
        // Type and status are texts of the card too; an empty text finds every card.
        QCOMPARE(findCards(m_folders, {u"НЕЗАВЕРШ"_s, kToday.addDays(-30), kToday, false}).size(), 3);
        QCOMPARE(findCards(m_folders, {QString(), kToday, kToday, false}).size(), 3);
        // Only the incomplete ones.
        QCOMPARE(found(findCards(m_folders, {u"а123"_s, kToday.addDays(-30), kToday, true})),
                 (QStringList{u"09/3"_s, u"07/2"_s}));
    }

    void progressCountsDaysAndCancels()
    {
        QList<int> steps;
        const CardQuery q{u"А123"_s, kToday.addDays(-8), kToday, false};
        QCOMPARE(findCards(m_folders, q, [&](int done, int total) {
                     steps << done * 100 + total;
                     return true;
                 }).size(), 3);
        QCOMPARE(steps.size(), 9);
        QCOMPARE(steps.last(), 909);
        // Stopped after the first day: only today's cards.
        QCOMPARE(found(findCards(m_folders, q, [](int, int) { return false; })), (QStringList{u"09/3"_s, u"09/1"_s}));
    }

    void searchRunsOffTheThreadAndReportsOnce()
    {
        CardSearch search(m_folders);
        QSignalSpy finished(&search, &CardSearch::finished);
        QSignalSpy cancelled(&search, &CardSearch::cancelled);
        QSignalSpy progress(&search, &CardSearch::progressChanged);
        // A search replaced by another reports nothing of its own.
        search.start({u"в555"_s, kToday.addDays(-30), kToday, false});
        search.start({u"а123"_s, kToday.addDays(-30), kToday, false});
        QVERIFY(search.running());
        QVERIFY(finished.wait(5000));
        QTest::qWait(50);
        QCOMPARE(finished.size(), 1);
        QVERIFY(!search.running());
        QCOMPARE(search.results().size(), 5);
        QCOMPARE(progress.last().at(0).toInt(), 100);

        // Cancelled: the results stay empty and no "finished" follows.
        search.start({u"а123"_s, kToday.addDays(-3000), kToday, false});
        search.cancel();
        QCOMPARE(cancelled.size(), 1);
        QTest::qWait(50);
        QCOMPARE(finished.size(), 1);
        QVERIFY(search.results().isEmpty());
        // Deleting a search that runs waits for its thread.
        auto *running = new CardSearch(m_folders);
        running->start({u"а123"_s, kToday.addDays(-3000), kToday, false});
        delete running;
    }

    void openWeighingsFollowTheDaySetting()
    {
        Clock clock;
        clock.setNow(QDateTime(kToday, QTime(12, 0)));
        AppContext context(clock, m_folders);
        OpenWeighings open(context);
        open.refresh();
        // Today's two and the one of two days ago, across the three days.
        QCOMPARE(open.count(), 3);
        QCOMPARE(open.countText(), u"Открытых взвешиваний: 3"_s);
        context.operatorSettings.setOpenWeighingDays(2);
        open.refresh();
        QCOMPARE(open.count(), 2);
        context.operatorSettings.setOpenWeighingDays(0);
        QCOMPARE(context.operatorSettings.openWeighingDays(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCardSearch)
#include "tst_card_search.moc"
