#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/OleDate.h"
#include "core/ProgressDisplay.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "store/DurableWrite.h"
#include "core/WriteJournal.h"
#include "core/CommitLog.h"
#include "core/Cp1251.h"
#include "card/CargoCard.h"

#include "DayLayoutReading.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

using namespace layout;

namespace {

CargoCard sampleCard(int number)
{
    CargoCard c;
    c.texts = {u"Щебень гранитный"_s, u"№ 15/7"_s, u"ООО Карьер"_s, u"Стройка-2"_s,
               u"А123ВС 77"_s, u"Иванов И.И."_s, u"Петров"_s};
    c.date2 = 40885;
    c.time2 = 0.75;
    c.litterPercent = 2.5;
    c.id = 1000 + number;
    c.number = number;
    c.date1 = 40885;
    c.time1 = 0.5 + number / 86400.0;
    c.operationType = u"Разгрузка"_s;
    c.status = u"завершена"_s;
    c.gross = 30100.5;
    c.tare = 12000;
    c.net = 18100.5;
    c.weight1 = 30100.5;
    c.weight2 = 12000;
    c.litterWeight = 452.5125;
    c.cleanWeight = 17647.9875;
    c.sumWeight = 90000.25;
    c.sumCount = 4;
    return c;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Recorder : ProgressDisplay
{
    QList<int> steps;
    int begun = 0, ended = 0;
    void beginProgress() override { ++begun; }
    void stepProgress(int done, int total) override { steps << int(qint64(done) * 100 / total); }
    void endProgress() override { ++ended; }
};

} // namespace

class TestDayFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<DayFiles> m_files;

    QDate today() const { return m_clock.today(); }
    QByteArray todayBytes() const
    {
        QFile f(m_files->todayPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeToday(const CargoCard &card)
    {
        QVERIFY(m_files->WriteDayCard(m_files->ReadDayCard(today(), card.number), card));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(QDateTime(QDate(2011, 12, 8), QTime(10, 15, 30)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir.path()));
        m_context->createMonthFolders();
        m_log = std::make_unique<EventLog>(*m_context);
        m_files = std::make_unique<DayFiles>(*m_context, *m_log);
    }

    void pathOfDay()
    {
        QCOMPARE(m_files->todayPath(), m_dir.path() + u"/Tarvo v.3.00/Data/2011/Декабрь/08.12.2011.dat"_s);
        QCOMPARE(dayFileName(QDate(2026, 1, 2)), u"02.01.2026.dat"_s);
        QVERIFY(!m_files->todayFileExists());
    }

    void firstCardMatchesLayout()
    {
        m_context->settings.DayCardNumber = 1;
        writeToday(sampleCard(1));
        const QByteArray f = todayBytes();
        QCOMPARE(f.size(), 1200);
        QCOMPARE(i32(f, 0), 1);
        QCOMPARE(f.mid(4, 12), QByteArray(12, '\0'));

        const CargoCard c = sampleCard(1);
        QCOMPARE(i32(f, at(1, 2)), c.id);
        QCOMPARE(i32(f, at(1, 3)), 1);
        QCOMPARE(f64(f, at(1, 4)), c.date1);
        QCOMPARE(f64(f, at(1, 5)), c.time1);
        QCOMPARE(textAt(f, at(1, 6)), cp1251(c.texts[0]));
        QCOMPARE(textAt(f, at(1, 14)), cp1251(c.texts[1]));
        QCOMPARE(textAt(f, at(1, 22)), cp1251(c.texts[6]));
        QCOMPARE(textAt(f, at(1, 30)), cp1251(c.texts[2]));
        QCOMPARE(textAt(f, at(1, 38)), cp1251(c.texts[3]));
        QCOMPARE(f64(f, at(1, 46)), c.net);
        QCOMPARE(textAt(f, at(1, 47)), cp1251(c.texts[4]));
        QCOMPARE(f64(f, at(1, 55)), c.tare);
        QCOMPARE(f64(f, at(1, 56)), c.date2);
        QCOMPARE(f64(f, at(1, 57)), c.time2);
        QCOMPARE(i32(f, at(1, 58)), c.sumCount);
        QCOMPARE(f64(f, at(1, 59)), c.sumWeight);
        QCOMPARE(f64(f, at(1, 60)), c.weight1);
        QCOMPARE(f64(f, at(1, 61)), c.weight2);
        QCOMPARE(textAt(f, at(1, 62)), cp1251(c.texts[5]));
        QCOMPARE(f64(f, at(1, 70)), c.gross);
        QCOMPARE(shortAt(f, at(1, 71)), cp1251(c.operationType));
        QCOMPARE(shortAt(f, at(1, 72)), cp1251(c.status));
        QCOMPARE(f64(f, at(1, 73)), c.litterPercent);
        QCOMPARE(f64(f, at(1, 74)), c.litterWeight);
        QCOMPARE(f64(f, at(1, 75)), c.cleanWeight);

        // Padding is zero: an int record keeps 12 zero bytes, a real 8.
        QCOMPARE(f.mid(at(1, 2) + 4, 12), QByteArray(12, '\0'));
        QCOMPARE(f.mid(at(1, 70) + 8, 8), QByteArray(8, '\0'));
        QCOMPARE(f.mid(at(1, 71) + 2 + 9, 14 - 9), QByteArray(5, '\0'));

        QVERIFY(m_files->ReadDayCard(today(), 1).fileRead);
        QCOMPARE(m_files->ReadDayCard(today(), 1).card, c);
    }

    void textChunksAndCuts()
    {
        CargoCard c = sampleCard(1);
        c.texts[CargoName] = u"Песок речной мытый!!"_s; // 20 characters
        c.texts[Sender] = QString(120, u'ж');
        c.texts[Receiver] = u"Снег ☃ и €"_s;            // ☃ is not in the code page
        c.operationType = u"Разгрузка вагона"_s;        // 16: cut to 14
        m_context->settings.DayCardNumber = 1;
        writeToday(c);

        QByteArray f = todayBytes();
        const qint64 cargo = at(1, 6);
        QCOMPARE(i32(f, cargo) & 0xFFFF, 14);
        QCOMPARE(i32(f, cargo + 16) & 0xFFFF, 6);
        for (int k = 2; k < 8; ++k)
            QCOMPARE(i32(f, cargo + 16 * k) & 0xFFFF, 0);
        QCOMPARE(shortAt(f, at(1, 30) + 16 * 7).size(), 14);
        QCOMPARE(textAt(f, at(1, 38)), QByteArray("\xD1\xED\xE5\xE3 ? \xE8 \x88"));
        QCOMPARE(shortAt(f, at(1, 71)), cp1251(u"Разгрузка ваго"_s));

        const DayCard read = m_files->ReadDayCard(today(), 1);
        QVERIFY(read.fileRead);
        QCOMPARE(read.card.texts[CargoName], c.texts[CargoName]);
        QCOMPARE(read.card.texts[Sender], QString(112, u'ж'));
        QCOMPARE(read.card.texts[Receiver], u"Снег ? и €"_s);
        QCOMPARE(read.card.operationType, u"Разгрузка ваго"_s);

        // A rewrite with shorter texts leaves nothing of the old ones.
        c.texts[Sender] = u"Я"_s;
        c.status = u"удалена"_s;
        writeToday(c);
        f = todayBytes();
        QCOMPARE(textAt(f, at(1, 30)), cp1251(u"Я"_s));
        QCOMPARE(f.mid(at(1, 30) + 3, 13), QByteArray(13, '\0'));
        QCOMPARE(f.mid(at(1, 72), 16), QByteArray("\x07\x00", 2) + cp1251(u"удалена"_s) + QByteArray(7, '\0'));
    }

    void rewriteKeepsOtherSlots()
    {
        for (int n = 1; n <= 5; ++n) {
            m_context->settings.DayCardNumber = n;
            writeToday(sampleCard(n));
        }
        const QByteArray before = todayBytes();
        QCOMPARE(before.size(), 16 * (1 + 74 * 5));

        CargoCard third = sampleCard(3);
        third.status = u"незавершена"_s;
        third.texts[CargoName] = u"Другой груз"_s;
        writeToday(third);
        const QByteArray after = todayBytes();
        QCOMPARE(after.size(), before.size());
        QCOMPARE(i32(after, 0), 5);
        for (int n : {1, 2, 4, 5})
            QCOMPARE(after.mid(at(n, 2), 1184), before.mid(at(n, 2), 1184));
        QVERIFY(after.mid(at(3, 2), 1184) != before.mid(at(3, 2), 1184));

        // Another day's file never has its count touched.
        const QDate yesterday = today().addDays(-1);
        QVERIFY(QFile::copy(m_files->todayPath(), dayFilePath(m_context->folders, yesterday)));
        QFile shortened(dayFilePath(m_context->folders, yesterday));
        QVERIFY(shortened.open(QIODevice::ReadWrite));
        shortened.write(encodeCountRecord(3));
        shortened.close();
        m_context->settings.DayCardNumber = 99;
        QVERIFY(m_files->WriteDayCard(m_files->ReadDayCard(yesterday, 2), sampleCard(2)));
        QCOMPARE(i32(readAll(dayFilePath(m_context->folders, yesterday)), 0), 3);
        QCOMPARE(m_context->settings.DayCardNumber, 99);
        QCOMPARE(i32(todayBytes(), 0), 5);
        QVERIFY(!m_files->WriteDayCard(DayCard::noCard(today(), 0), sampleCard(1)));
    }

    void writeOverAChangedSlotIsRefused()
    {
        CargoCard open = sampleCard(1);
        open.status = Statuses::incomplete();
        writeToday(open);
        const DayCard opened = m_files->ReadDayCard(today(), 1);
        QVERIFY(opened.holdsCard());
        // The card is completed meanwhile: the same ID, another card.
        writeToday(completeCard(open, CompletionKind::Tare, 11000, QDateTime(today(), QTime(11, 0))));
        const QByteArray completed = todayBytes();
        QVERIFY(!m_files->slotUnchanged(opened));
        CargoCard stale = opened.card;
        stale.texts[VehicleNumber] = u"Х000ХХ"_s;
        const StoreResult refused = m_files->WriteDayCard(opened, stale);
        QVERIFY(!refused);
        QCOMPARE(refused.reason, u"Карточка № 1 изменена с момента открытия: изменения не записаны, откройте карточку заново"_s);
        QCOMPARE(todayBytes(), completed);

        // A new card goes only into a slot that still holds none.
        const DayCard free = DayCard::noCard(today(), 2);
        writeToday(sampleCard(2));
        const QByteArray two = todayBytes();
        QCOMPARE(m_files->WriteDayCard(free, sampleCard(3)).reason, DayFiles::changedMessage(2));
        QCOMPARE(todayBytes(), two);
    }

    void readsHandMadeFile()
    {
        // A file put together by hand from the layout reads back as the card.
        QByteArray f(16 * 75, '\0');
        auto putI = [&](int rec, qint32 v) { qToLittleEndian(v, f.data() + at(1, rec)); };
        auto putD = [&](int rec, double v) { std::memcpy(f.data() + at(1, rec), &v, 8); };
        auto putS = [&](int rec, const QByteArray &b) {
            qToLittleEndian(quint16(b.size()), f.data() + at(1, rec));
            std::memcpy(f.data() + at(1, rec) + 2, b.constData(), size_t(b.size()));
        };
        putI(1, 1);
        putI(2, 77);
        putI(3, 1);
        putD(4, 40885);
        putD(5, 0.25);
        putS(6, cp1251(u"Уголь каменный"_s));
        putS(7, cp1251(u" марки ДГ"_s));
        putS(47, cp1251(u"В777ОР"_s));
        putD(70, 25000);
        putD(55, 5000);
        putD(46, 20000);
        putS(71, cp1251(u"Погрузка"_s));
        putS(72, cp1251(u"незавершена"_s));
        putS(62, QByteArray("\x0F\x00") + QByteArray(14, 'x')); // length above 14 is limited
        QFile out(m_files->todayPath());
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(f);
        out.close();

        const DayCard read = m_files->ReadDayCard(today(), 1);
        QVERIFY(read.fileRead);
        const CargoCard &c = read.card;
        QCOMPARE(c.id, 77);
        QCOMPARE(c.texts[CargoName], u"Уголь каменный марки ДГ"_s);
        QCOMPARE(c.texts[VehicleNumber], u"В777ОР"_s);
        QCOMPARE(c.gross, 25000.0);
        QCOMPARE(c.tare, 5000.0);
        QCOMPARE(c.net, 20000.0);
        QCOMPARE(c.operationType, u"Погрузка"_s);
        QVERIFY(IsIncomplete(c.status));
        QCOMPARE(c.date2, 0.0);
        QCOMPARE(oleDateToDate(c.date1), QDate(2011, 12, 8));
        QCOMPARE(oleDateToTime(c.time1), QTime(6, 0));

        // Beyond the end: an empty card; today with no positive number: nothing.
        QVERIFY(m_files->ReadDayCard(today(), 9).fileRead);
        QCOMPARE(m_files->ReadDayCard(today(), 9).card, CargoCard());
        QVERIFY(!m_files->ReadDayCard(today(), 9).holdsCard());
        QCOMPARE(m_files->ReadDayCard(today(), 0).card, CargoCard());
        QCOMPARE(m_files->ReadDayCard(today(), -3).card, CargoCard());
    }

    void loadToday()
    {
        Recorder progress;
        m_files->setProgressDisplay(&progress);

        // No file yet: created empty, the count reads 0.
        m_context->settings.DayCardNumber = 12;
        QVERIFY(m_files->LoadToday());
        QVERIFY(m_files->todayFileExists());
        QCOMPARE(m_context->settings.DayCardNumber, 0);
        QCOMPARE(m_files->list(DayTarget::Today).page(0), QString());

        for (int n = 1; n <= 4; ++n) {
            CargoCard c = sampleCard(n);
            if (n == 2)
                c.status = u"удалена"_s;
            m_context->settings.DayCardNumber = n;
            writeToday(c);
        }
        m_context->settings.DayCardNumber = 0;
        progress = Recorder();
        QVERIFY(m_files->LoadToday());
        QCOMPARE(m_context->settings.DayCardNumber, 4);
        QCOMPARE(m_files->ReadDayCard(today(), m_context->settings.DayCardNumber).card, sampleCard(4));
        const QString page = m_files->list(DayTarget::Today).page(0);
        QCOMPARE(page.size(), 3 * 101);
        QCOMPARE(page.mid(2, 7), u" 1     "_s);
        QCOMPARE(page.mid(101 + 2, 7), u" 3     "_s);
        QCOMPARE(page.mid(202 + 2, 7), u" 4     "_s);
        QCOMPARE(progress.begun, 1);
        QCOMPARE(progress.ended, 1);
        QCOMPARE(progress.steps, (QList<int>{25, 50, 75, 100}));

        // A count beyond what the file holds lists only the real slots, and
        // is brought back to them.
        QFile f(m_files->todayPath());
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray big = encodeCountRecord(2000000000);
        f.write(big);
        f.close();
        QVERIFY(m_files->LoadToday());
        QCOMPARE(m_context->settings.DayCardNumber, 4);
        QCOMPARE(i32(todayBytes(), 0), 4);
        QCOMPARE(m_files->list(DayTarget::Today).page(0).size(), 3 * 101);
        QCOMPARE(m_files->ReadDayCard(today(), m_context->settings.DayCardNumber).card, sampleCard(4));

        // Half a fifth card at the end is left out, and named in the log.
        QVERIFY(f.open(QIODevice::Append));
        f.write(encodeDayCard(sampleCard(5)).left(600));
        f.close();
        QVERIFY(m_files->LoadToday());
        QCOMPARE(m_context->settings.DayCardNumber, 4);
        QFile log(m_context->settings.LogPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(decode1251(log.readAll()).contains(u"Неполная карточка № 5 в конце файла 08.12.2011.dat не прочитана: 600 байт из 1184"_s));
        // The next card goes over it.
        CargoCard fifth = sampleCard(5);
        writeToday(fifth);
        QCOMPARE(todayBytes().size(), DayFileLayout::fileSize(5));
    }

    // Writes through the journal: a journal cut short is dropped, one whole
    // is replayed, one already done is only emptied; nothing leaves the folder.
    void journalReplay()
    {
        const QString folder = m_context->MonthDataFolder();
        const QString path = m_files->todayPath();
        for (int n = 1; n <= 2; ++n)
            writeToday(sampleCard(n));
        const QByteArray before = todayBytes();
        CargoCard changed = sampleCard(2);
        changed.texts[0] = u"Песок"_s;
        const QByteArray entry = WriteJournal::encodeEntry(
            {{path, DayFileLayout::cardOffset(2), encodeDayCard(changed)}, {path, 0, encodeCountRecord(2)}});
        const auto journal = [&](const QByteArray &bytes) {
            QFile j(WriteJournal::journalPath(folder));
            QVERIFY(j.open(QIODevice::WriteOnly | QIODevice::Truncate) && j.write(bytes) == bytes.size());
        };
        // Cut short: dropped, the file untouched.
        journal(entry.left(entry.size() - 1));
        QList<WriteJournal::Recovery> found = WriteJournal::recover(folder);
        QCOMPARE(found.size(), 1);
        QVERIFY(!found[0].replayed && !found[0].failed);
        QCOMPARE(todayBytes(), before);
        QVERIFY(WriteJournal::recover(folder).isEmpty());
        // Whole: replayed once.
        journal(entry);
        found = WriteJournal::recover(folder);
        QCOMPARE(found.size(), 1);
        QVERIFY(found[0].replayed);
        QCOMPARE(found[0].file, path);
        QCOMPARE(m_files->ReadDayCard(today(), 2).card, changed);
        QVERIFY(WriteJournal::recover(folder).isEmpty());
        // A file that is gone is not made anew from a journal.
        journal(WriteJournal::encodeEntry({{folder + u"gone.dat"_s, 16, "x"}}));
        found = WriteJournal::recover(folder);
        QVERIFY(found.size() == 1 && !found[0].replayed);
        QVERIFY(!QFile::exists(folder + u"gone.dat"_s));
        // Replacing a file whole forgets its unfinished write.
        journal(entry);
        QVERIFY(replaceDurably(path, before));
        QVERIFY(WriteJournal::recover(folder).isEmpty());
        QCOMPARE(todayBytes(), before);
    }

    // The card commits' log: entries replayed in order over files that lost
    // their unflushed writes, missing files made anew, and nothing of a torn
    // entry, an older generation or a path outside the store's files.
    void commitLogReplay()
    {
        QTemporaryDir elsewhere;
        const QString folder = m_context->MonthDataFolder();
        const QString a = folder + u"a.dat"_s;
        const QString b = elsewhere.path() + u"/b.txt"_s;
        const QString planted = elsewhere.path() + u"/run.sh"_s;
        const QString log = CommitLog::pathIn(m_context->folders.BaseFolder);
        const auto write = [](const QString &path, const QByteArray &bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
        };
        const auto lost = [&](const QByteArray &image) {
            QFile::remove(a);
            QFile::remove(b);
            write(log, image);
        };
        QByteArray image;
        {
            CommitLog journal(log);
            QVERIFY(journal.commit({{a, 0, "one"}, {b, 4, "two"}}));
            QVERIFY(journal.commit({{a, 1, "XY"}, {planted, 0, "rm"}}));
            QCOMPARE(readAll(a), QByteArray("oXY"));
            QVERIFY(journal.pending());
            image = readAll(log);
            // A write that bypasses the log settles it first.
            QVERIFY(writeDurably(a, 0, "o"));
            QVERIFY(!journal.pending());
            QVERIFY(CommitLog::recover(log).isEmpty());
        }
        QFile::remove(planted);
        lost(image);
        QList<WriteJournal::Recovery> found = CommitLog::recover(log);
        QCOMPARE(readAll(a), QByteArray("oXY"));
        QCOMPARE(readAll(b), QByteArray(4, '\0') + "two");
        QVERIFY(!QFile::exists(planted));
        QCOMPARE(found.size(), 3);
        QVERIFY(found[0].replayed && found[1].replayed && !found[2].replayed);
        QCOMPARE(found[2].file, planted);
        QVERIFY(CommitLog::recover(log).isEmpty());

        // The second entry torn: the first alone.
        QByteArray torn = image;
        torn[torn.lastIndexOf("XY")] = 'Z';
        lost(torn);
        found = CommitLog::recover(log);
        QCOMPARE(readAll(a), QByteArray("one"));
        QVERIFY(!found.last().replayed && found.last().file == log);

        // After a flush the log starts again; what lies behind the new entry
        // belongs to the old generation and is not put back.
        {
            CommitLog journal(log);
            QVERIFY(journal.commit({{a, 0, "AAA"}}));
            QVERIFY(journal.commit({{a, 0, "BBB"}}));
            QVERIFY(journal.settle());
            QVERIFY(journal.commit({{a, 0, "CCC"}}));
            image = readAll(log);
        }
        lost(image);
        QVERIFY(CommitLog::recover(log).size() == 1);
        QCOMPARE(readAll(a), QByteArray("CCC"));
    }

    void loadArchiveDay()
    {
        // The count says 7, card 6 has ID 0: cards 1 to 5 are the day.
        for (int n = 1; n <= 7; ++n)
            writeToday(sampleCard(n));
        CargoCard sixth = sampleCard(6);
        sixth.id = 0;
        writeToday(sixth);
        const QString path = m_files->todayPath();
        m_files->LoadArchiveDay(path);
        QCOMPARE(m_files->archiveCardCount(), 5);
        QCOMPARE(m_files->ReadDayCard(today(), m_files->archiveCardCount()).card, sampleCard(5));
        QCOMPARE(m_files->list(DayTarget::Archive).page(0).size(), 5 * 101);
        QCOMPARE(m_files->archivePath(), path);

        // A file cut inside card 3 still shows the cards before the damage.
        QFile f(path);
        QVERIFY(f.resize(at(3, 2) + 2));
        m_files->LoadArchiveDay(path);
        QCOMPARE(m_files->archiveCardCount(), 2);

        // A missing day is empty and is not created by looking at it.
        const QString missing = m_dir.path() + u"/Tarvo v.3.00/Data/2011/Декабрь/01.12.2011.dat"_s;
        m_files->LoadArchiveDay(missing);
        QCOMPARE(m_files->archiveCardCount(), 0);
        QCOMPARE(m_files->list(DayTarget::Archive).page(0), QString());
        QVERIFY(!QFile::exists(missing));
    }

    void listLineLayout()
    {
        CargoCard c = sampleCard(12);
        c.texts[CargoName] = u"Щебень фракции 20-40 мм, мытый"_s;
        c.texts[VehicleNumber] = u"А123ВС 77"_s;
        c.gross = 30100.5;
        c.net = 0;
        c.tare = 123456789012.0;
        c.time1 = toOleDate(QDate(1899, 12, 30), QTime(7, 5, 9)) ;
        const QString line = DayList::line(c);
        QCOMPARE(line.size(), 101);
        QCOMPARE(line, u"\r\n 12    "_s + u"  08.12  07:05  "_s + u"Щебень фракции 20-40 мм"_s + u"  "_s
                           + u"А123ВС 77      "_s + u"  30100,5   "_s + u"  0         "_s + u"  1234567890"_s);
        c.number = -3;
        QCOMPARE(DayList::line(c).mid(2, 7), u"-3     "_s);
    }

    void listFromSlotsAsFromCards()
    {
        // A day is listed from its slots without whole cards; each line must
        // be the one the card read back from the same bytes gives.
        QList<CargoCard> cards;
        CargoCard c = sampleCard(1);
        cards << c;
        c.texts[CargoName] = u"Щебень гранитный фр. 5-20"_s; // across the first chunk's end
        c.texts[VehicleNumber] = u"中国 А123ВС 77 регион"_s;   // no such character in the code page
        c.gross = 999999999999999.0;
        c.net = 1e15;
        c.tare = -0.0;
        cards << c;
        c.number = -7;
        c.gross = 1.5e-7;
        c.net = -30000;
        c.tare = std::numeric_limits<double>::quiet_NaN();
        c.date1 = -1.25;
        c.time1 = 0.999999;
        cards << c;
        c.number = std::numeric_limits<qint32>::max();
        c.date1 = 3e6;
        c.time1 = std::numeric_limits<double>::infinity();
        c.texts[CargoName].clear();
        c.texts[VehicleNumber] = QString(120, u'Ж');
        cards << c;
        c.status = u"удалена"_s;
        cards << c;
        c.status = u"удалена "_s; // not the deleted status
        cards << c;

        DayList fromCards;
        DayList fromSlots;
        for (const CargoCard &card : cards) {
            const QByteArray slot = encodeDayCard(card);
            fromCards.append(decodeDayCard(slot));
            fromSlots.append(DayCardSlot(slot));
        }
        QCOMPARE(fromSlots.page(0), fromCards.page(0));
        QCOMPARE(fromSlots.page(0).size(), 5 * DayList::LineChars);
        QCOMPARE(fromSlots.page(0).mid(DayList::LineChars + 25, 23), u"Щебень гранитный фр. 5-"_s);
        QCOMPARE(fromSlots.page(0).mid(DayList::LineChars + 50, 15), u"?? А123ВС 77 ре"_s);
        QCOMPARE(fromSlots.page(0).mid(DayList::LineChars + 67, 34), u"9999999999  1E+15       0         "_s);
    }

    void listPages()
    {
        DayList list;
        CargoCard c = sampleCard(1);
        for (int i = 0; i < 633; ++i) {
            c.number = i + 1;
            list.append(c);
        }
        QCOMPARE(list.lastPage(), 0);
        QCOMPARE(list.page(0).size(), 633 * 101);
        c.number = 634;
        list.append(c);
        QCOMPARE(list.lastPage(), 1);
        QCOMPARE(list.page(1).size(), 101);

        // Past 21 pages the oldest page goes, the latest cards stay.
        for (int i = 634; i < 21 * 633; ++i) {
            c.number = i + 1;
            list.append(c);
        }
        QCOMPARE(list.pageCount(), 21);
        QCOMPARE(list.droppedPages(), 0);
        c.number = 99999;
        list.append(c);
        QCOMPARE(list.pageCount(), 21);
        QCOMPARE(list.droppedPages(), 1);
        QCOMPARE(list.page(20), DayList::line(c));
        QCOMPARE(list.page(0).mid(2, 7), u" 634   "_s);

        list.clear();
        QCOMPARE(list.pageCount(), 1);
        QCOMPARE(list.page(0), QString());
    }
};

QTEST_GUILESS_MAIN(TestDayFiles)
#include "tst_dayfiles.moc"
