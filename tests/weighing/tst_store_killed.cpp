// A store that returned is on disk: the program killed right after it
// starts again with the next numbers.

#include "app/Program.h"
#include "core/SettingsFile.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "weighing/Weighing.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(11, 0, 0));

// The child: start as the program does, store one card, say so, and wait
// to be killed.
int storeAndWait(const QString &folder, double weight)
{
    Clock clock;
    clock.setNow(kNow);
    Program program(clock, Folders(folder), {});
    program.start();
    if (!program.days().LoadToday())
        return 3;
    Weighing &weighing = program.weighing();
    // No terminal here: the weight is given.
    weighing.setTerminalConnected(true);
    weighing.setEntryText(0, u"Щебень"_s);
    weighing.setTerminalWeight(weight);
    weighing.UpdateLiveWeights();
    if (!weighing.StoreNewCard())
        return 1;
    std::printf("stored %d %d\n", weighing.shownCard().id, weighing.shownCard().number);
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

class TestStoreKilled : public QObject
{
    Q_OBJECT

    QString storeInChild(const QString &folder, double weight)
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--store-and-wait"_s, folder, QString::number(weight)});
        if (!child.waitForStarted(5000))
            return QString();
        while (!child.canReadLine())
            if (!child.waitForReadyRead(10000))
                return QString();
        const QString line = QString::fromLatin1(child.readLine()).trimmed();
        child.kill(); // no chance to save anything more
        child.waitForFinished(5000);
        return line;
    }

private slots:
    void killedAfterStoreContinues()
    {
        QTemporaryDir dir;
        QCOMPARE(storeInChild(dir.path(), 30100), u"stored 1 1"_s);
        QCOMPARE(storeInChild(dir.path(), 25000), u"stored 2 2"_s);

        Folders folders(dir.path());
        QFile f(dayFilePath(folders, kNow.date()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray day = f.readAll();
        QCOMPARE(day.size(), DayFileLayout::fileSize(2));
        QCOMPARE(decodeCountRecord(day), 2);
        const CargoCard first = decodeDayCard(QByteArrayView(day).sliced(DayFileLayout::cardOffset(1)));
        const CargoCard second = decodeDayCard(QByteArrayView(day).sliced(DayFileLayout::cardOffset(2)));
        QCOMPARE(first.gross, 30100.0);
        QCOMPARE(second.gross, 25000.0);
        QCOMPARE(second.id, 2);
        QCOMPARE(first.texts[0], u"Щебень"_s);
        Settings stored;
        LoadSettings(stored, folders.SettingsFile);
        QCOMPARE(stored.CardIdCounter, 2);
        QCOMPARE(stored.DayCardNumber, 2);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--store-and-wait") == 0)
        return storeAndWait(QString::fromLocal8Bit(argv[2]), QString::fromLatin1(argv[3]).toDouble());
    TestStoreKilled test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store_killed.moc"
