// A store killed before any one of its file calls loses at most the card
// being stored: the day's count matches its cards, no ID comes twice, and
// the next store goes behind every card already there.

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/SettingsFile.h"
#include "core/WriteJournal.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(11, 0, 0));
constexpr int kStoresPerLevel = 3;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestStoreCrash : public QObject
{
    Q_OBJECT

    // Exit code of one store in a child killed before file call `level`.
    int storeInChild(const QString &folder, int level, double weight)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TARVO_CRASH_BEFORE_FILE_CALL"_s, QString::number(level));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationDirPath() + u"/crash_child"_s,
                    {folder, kNow.toString(Qt::ISODate), QString::number(weight)});
        if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit)
            return -1;
        return child.exitCode();
    }

    // What the program would find at its next start, read from a copy so the
    // next child meets the file exactly as the killed one left it.
    void checkDay(const QString &folder, const QByteArray &before, bool stored, double weight, QByteArray &after)
    {
        const Folders folders(folder);
        const QString path = dayFilePath(folders, kNow.date());
        // A write the kill left in the journal is finished first, as the next start does.
        (void)WriteJournal::recoverTree(folders.DataRoot);
        after = readAll(path);
        const qint64 cards = after.isEmpty() ? 0 : (after.size() - 16) / 1184;
        const qint64 cardsBefore = before.isEmpty() ? 0 : (before.size() - 16) / 1184;
        QVERIFY(after.isEmpty() || after.size() == DayFileLayout::fileSize(cards));
        QVERIFY(cards == cardsBefore || cards == cardsBefore + 1);
        if (stored)
            QCOMPARE(cards, cardsBefore + 1);
        // No card already there was touched.
        QCOMPARE(after.mid(16, cardsBefore * 1184), before.mid(16, cardsBefore * 1184));

        QTemporaryDir scratch;
        const Folders copy(scratch.path());
        QVERIFY(QDir().mkpath(copy.MonthDataFolder(kNow.date())));
        if (QFile::exists(path))
            QVERIFY(QFile::copy(path, dayFilePath(copy, kNow.date())));
        Clock clock;
        clock.setNow(kNow);
        AppContext context(clock, copy);
        if (QFile::exists(folders.SettingsFile))
            LoadSettings(context.settings, folders.SettingsFile);
        const qint32 savedCounter = context.settings.CardIdCounter;
        EventLog log(context);
        DayFiles days(context, log);
        QVERIFY(days.LoadToday());
        QCOMPARE(qint64(context.settings.DayCardNumber), cards);
        QCOMPARE(qint64(decodeCountRecord(readAll(days.todayPath()))), cards);

        // IDs rise from card to card, so none repeats; the saved counter is
        // never behind them (it goes to disk before the card).
        qint32 lastId = 0;
        for (qint64 n = 1; n <= cards; ++n) {
            const CargoCard c = decodeDayCard(QByteArrayView(after).sliced(DayFileLayout::cardOffset(n)));
            QCOMPARE(qint64(c.number), n);
            QVERIFY2(c.id > lastId, qPrintable(u"card %1 has ID %2 after %3"_s.arg(n).arg(c.id).arg(lastId)));
            lastId = c.id;
        }
        QVERIFY(savedCounter >= lastId);
        if (stored)
            QCOMPARE(decodeDayCard(QByteArrayView(after).sliced(DayFileLayout::cardOffset(cards))).gross, weight);
    }

private slots:
    void killedBeforeEachFileCall()
    {
        QVERIFY(QFile::exists(QCoreApplication::applicationDirPath() + u"/crash_child"_s));
        int level = 1;
        for (;; ++level) {
            QVERIFY2(level < 40, "the store never got through");
            QTemporaryDir dir;
            QByteArray day;
            int crashes = 0;
            for (int run = 0; run < kStoresPerLevel; ++run) {
                const double weight = 1000 * level + run + 1;
                const int code = storeInChild(dir.path(), level, weight);
                QVERIFY2(code == 0 || code == 77, qPrintable(u"level %1 run %2: exit %3"_s.arg(level).arg(run).arg(code)));
                if (code == 77)
                    ++crashes;
                QByteArray after;
                checkDay(dir.path(), day, code == 0, weight, after);
                if (QTest::currentTestFailed()) {
                    qWarning("level %d, run %d", level, run);
                    return;
                }
                day = after;
            }
            if (crashes == 0)
                break;
        }
        // Start-up, settings, folder, card and count all had their turn.
        qInfo("every store got through from file call %d on", level);
        QVERIFY(level >= 5);
    }
};

QTEST_GUILESS_MAIN(TestStoreCrash)

#include "tst_store_crash.moc"
