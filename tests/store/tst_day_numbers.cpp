// Numbers of today's cards come from the day file: a count record that
// disagrees with the cards the file holds is repaired, never trusted, so no
// card is lost, overwritten or written past the end.

#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/EventLog.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "card/CargoCard.h"

#include "DayLayoutReading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace layout;

namespace {

constexpr qint32 kMax = std::numeric_limits<qint32>::max();

qint64 sizeFor(qint64 cards) { return 16 * (1 + 74 * cards); }

// Card `n` as the program stores it, the ID given apart.
CargoCard card(int n, qint32 id)
{
    CargoCard c;
    c.texts[CargoName] = u"Щебень "_s + QString::number(n);
    c.id = id;
    c.number = n;
    c.date1 = 46365;
    c.status = Statuses::incomplete();
    c.operationType = OperationTypes::unloading();
    c.gross = 1000 + n;
    return c;
}

} // namespace

class TestDayNumbers : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<DayFiles> m_days;

    QString base() const { return m_context->folders.BaseFolder; }
    QByteArray bytes() const
    {
        QFile f(m_days->todayPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString logText() const
    {
        QFile f(m_context->folders.defaultLogPath());
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }
    // Today's file by hand: `count` in the count record, cards 1..`cards`
    // with IDs 100 + n, then `zeroSlots` slots of zeros.
    void writeRaw(qint32 count, int cards, int zeroSlots = 0)
    {
        QByteArray f = encodeCountRecord(count);
        for (int n = 1; n <= cards; ++n)
            f += encodeDayCard(card(n, 100 + n));
        f += QByteArray(zeroSlots * 1184, '\0');
        QVERIFY(QDir().mkpath(m_context->MonthDataFolder()));
        QFile file(m_days->todayPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(f), f.size());
    }
    // A new card stored the way the program numbers it.
    StoreResult storeNew(int expectedNumber)
    {
        int number = 0;
        if (StoreResult next = m_days->nextTodayNumber(number); !next)
            return next;
        if (number != expectedNumber)
            return StoreResult::failed(u"numbered %1"_s.arg(number));
        const NewCardNumbers numbers = numberNewCard(m_context->settings, number);
        if (!numbers)
            return StoreResult::failed(u"refused"_s);
        return m_days->WriteDayCard(DayCard::noCard(m_clock.today(), numbers.number), card(numbers.number, numbers.id));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir.path()));
        QVERIFY(QDir().mkpath(m_context->folders.BaseFolder));
        m_context->settings.CardIdCounter = 500;
        m_log = std::make_unique<EventLog>(*m_context);
        m_days = std::make_unique<DayFiles>(*m_context, *m_log);
    }

    void wrongCountIsRepaired_data()
    {
        QTest::addColumn<qint32>("count");
        QTest::addColumn<int>("zeroSlots");
        QTest::newRow("-1") << qint32(-1) << 0;
        QTest::newRow("0 over three") << qint32(0) << 0;
        QTest::newRow("2^31-1") << kMax << 0;
        QTest::newRow("one less") << qint32(2) << 0;
        QTest::newRow("one more") << qint32(4) << 0;
        QTest::newRow("one more, slot never written") << qint32(4) << 1;
    }

    void wrongCountIsRepaired()
    {
        QFETCH(qint32, count);
        QFETCH(int, zeroSlots);
        writeRaw(count, 3, zeroSlots);
        const QByteArray before = bytes();
        const QString line = u"Счётчик карточек файла 09.12.2026.dat исправлен: 3 вместо %1"_s.arg(count);

        // The next № follows the three cards; the count is mended on disk.
        int number = 0;
        QVERIFY(m_days->nextTodayNumber(number));
        QCOMPARE(number, 4);
        QByteArray f = bytes();
        QCOMPARE(f.size(), sizeFor(3 + zeroSlots));
        QCOMPARE(i32(f, 0), 3);
        QCOMPARE(f.mid(16), before.mid(16));
        QCOMPARE(logText().count(line), 1);

        // The new card goes behind them, nothing is overwritten.
        QVERIFY(storeNew(4));
        f = bytes();
        QCOMPARE(f.size(), sizeFor(4));
        QCOMPARE(i32(f, 0), 4);
        QCOMPARE(f.mid(16, 3 * 1184), before.mid(16, 3 * 1184));
        QCOMPARE(i32(f, at(4, 2)), 501);
        QCOMPARE(i32(f, at(4, 3)), 4);
        QCOMPARE(m_context->settings.DayCardNumber, 4);

        // Loading a file with the same fault repairs it as well.
        writeRaw(count, 3, zeroSlots);
        m_context->settings.DayCardNumber = 77;
        QVERIFY(m_days->LoadToday());
        QCOMPARE(m_context->settings.DayCardNumber, 3);
        QCOMPARE(i32(bytes(), 0), 3);
        QCOMPARE(bytes().size(), sizeFor(3 + zeroSlots));
        QCOMPARE(m_days->ReadDayCard(m_clock.today(), 3).card, card(3, 103));
        QCOMPARE(m_days->list(DayTarget::Today).page(0).size(), 3 * 101);
        QCOMPARE(logText().count(line), 2);
        QCOMPARE(m_days->loadedDay(), QDate(2026, 12, 9));
    }

    void nothingPastTheEnd()
    {
        writeRaw(3, 3);
        const QByteArray before = bytes();
        const QDate today = m_clock.today();
        for (int n : {5, 100, kMax}) {
            const StoreResult r = m_days->WriteDayCard(DayCard::noCard(today, n), card(5, 999));
            QVERIFY(!r);
            QVERIFY(!r.reason.isEmpty());
        }
        // Another day's file, too (here the same file, reached by its date).
        const QDate yesterday = today.addDays(-1);
        QVERIFY(QDir().mkpath(m_context->folders.MonthDataFolder(yesterday)));
        QVERIFY(QFile::copy(m_days->todayPath(), dayFilePath(m_context->folders, yesterday)));
        QVERIFY(!m_days->WriteDayCard(DayCard::noCard(yesterday, kMax), card(5, 999)));
        QCOMPARE(bytes(), before);

        // Reading far past the end is an empty card, as near it.
        QVERIFY(m_days->ReadDayCard(today, kMax).fileRead);
        QCOMPARE(m_days->ReadDayCard(today, kMax).card, CargoCard());

        // A rewrite inside keeps the count; the first free slot grows it.
        CargoCard second = card(2, 102);
        second.status = Statuses::complete();
        QVERIFY(m_days->WriteDayCard(m_days->ReadDayCard(today, 2), second));
        QCOMPARE(bytes().size(), sizeFor(3));
        QCOMPARE(i32(bytes(), 0), 3);
        QCOMPARE(m_context->settings.DayCardNumber, 3);

        // A missing or empty file starts at 1.
        int number = 0;
        QVERIFY(QFile::remove(m_days->todayPath()));
        QVERIFY(m_days->nextTodayNumber(number));
        QCOMPARE(number, 1);
        QVERIFY(m_days->LoadToday());
        QCOMPARE(bytes().size(), 0);
        QVERIFY(m_days->nextTodayNumber(number));
        QCOMPARE(number, 1);
    }

    void newMonthAndYear()
    {
        // The first second of a year: neither year nor month folder exists.
        m_clock.setNow(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0)));
        QVERIFY(!QDir(base() + u"Data/2027"_s).exists());
        QVERIFY(storeNew(1));
        QCOMPARE(m_days->todayPath(), base() + u"Data/2027/Январь/01.01.2027.dat"_s);
        QCOMPARE(bytes().size(), sizeFor(1));
        QCOMPARE(i32(bytes(), 0), 1);

        // The first second of a month: the year folder is there, the month not.
        m_clock.setNow(QDateTime(QDate(2027, 2, 1), QTime(0, 0, 0)));
        QVERIFY(!QDir(base() + u"Data/2027/Февраль"_s).exists());
        QVERIFY(storeNew(1));
        QCOMPARE(bytes().size(), sizeFor(1));
        QCOMPARE(i32(bytes(), at(1, 2)), 502);

        // Loading a new day makes its folders and an empty file.
        m_clock.setNow(QDateTime(QDate(2027, 3, 1), QTime(0, 0, 0)));
        QVERIFY(m_days->LoadToday());
        QVERIFY(QFile::exists(base() + u"Data/2027/Март/01.03.2027.dat"_s));
        QCOMPARE(m_context->settings.DayCardNumber, 0);
        QCOMPARE(m_days->loadedDay(), QDate(2027, 3, 1));
    }

    void cardBehindCountIsAdopted()
    {
        // A crash after the card and before its count: the card is complete
        // behind the count, its ID the one the settings saved.
        writeRaw(2, 3);
        m_context->settings.CardIdCounter = 103;
        const QByteArray before = bytes();
        QVERIFY(m_days->LoadToday());
        QCOMPARE(m_context->settings.DayCardNumber, 3);
        QCOMPARE(m_context->settings.CardIdCounter, 103);
        QCOMPARE(i32(bytes(), 0), 3);
        QCOMPARE(m_days->ReadDayCard(m_clock.today(), 3).card, card(3, 103));
        QVERIFY(logText().contains(u"Счётчик карточек файла 09.12.2026.dat исправлен: 3 вместо 2"_s));

        QVERIFY(storeNew(4));
        QCOMPARE(bytes().mid(16, 3 * 1184), before.mid(16, 3 * 1184));
        QCOMPARE(i32(bytes(), at(4, 2)), 104);
    }

    void idAboveCounterRaisesIt()
    {
        // Settings older than the day file (restored, or a lost rename).
        writeRaw(3, 3);
        m_context->settings.CardIdCounter = 50;
        QVERIFY(m_days->LoadToday());
        QCOMPARE(m_context->settings.CardIdCounter, 103);
        QVERIFY(logText().contains(u"Счётчик ID карточек поднят с 50 до 103 по файлу 09.12.2026.dat"_s));
        QVERIFY(storeNew(4));
        QCOMPARE(i32(bytes(), at(4, 2)), 104);

        // A counter already ahead stays, and nothing is logged.
        m_context->settings.CardIdCounter = 900;
        const QString logBefore = logText();
        QVERIFY(m_days->LoadToday());
        QCOMPARE(m_context->settings.CardIdCounter, 900);
        QCOMPARE(logText(), logBefore);
    }

    void failuresCarryTheReason()
    {
        // The year's folder cannot be made: a file stands in its place.
        m_clock.setNow(QDateTime(QDate(2028, 5, 1), QTime(0, 0, 0)));
        QVERIFY(QDir().mkpath(base() + u"Data"_s));
        {
            QFile blocker(base() + u"Data/2028"_s);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        StoreResult r = m_days->WriteDayCard(DayCard::noCard(m_clock.today(), 1), card(1, 1));
        QVERIFY(!r);
        QVERIFY(!r.reason.isEmpty());
        QVERIFY(!m_days->LoadToday());

        // A read-only month folder (root writes anywhere: only as a user).
        m_clock.setNow(QDateTime(QDate(2029, 6, 1), QTime(0, 0, 0)));
        m_context->createMonthFolders();
        const QString folder = m_context->MonthDataFolder();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (::geteuid() != 0) {
            r = m_days->WriteDayCard(DayCard::noCard(m_clock.today(), 1), card(1, 1));
            QVERIFY(!r);
            QVERIFY(!r.reason.isEmpty());
            QVERIFY(!QFile::exists(m_days->todayPath()));
        }
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
};

QTEST_GUILESS_MAIN(TestDayNumbers)

#include "tst_day_numbers.moc"
