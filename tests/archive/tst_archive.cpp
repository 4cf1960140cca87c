#include "common/CardRig.h"
#include "core/AppContext.h"
#include "core/OleDate.h"
#include "core/EventLog.h"
#include "archive/ArchiveBrowser.h"
#include "store/ParamExtras.h"
#include "store/DayFileCodec.h"
#include "store/DayFiles.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cstring>

#include "store/DayLayoutReading.h"

using namespace Qt::StringLiterals;

using namespace layout;

namespace {

const QDate kToday(2026, 12, 9);
const QDate kYesterday(2026, 12, 8);
const QTime kNow(10, 0, 0);

double oleTime(const QTime &t) { return toOleDate(QDate(1899, 12, 30), t); }

CargoCard card(int n, const QString &type, const QString &status)
{
    CargoCard c;
    c.texts = {u"Щебень"_s, u"Н-15"_s, u"Карьер"_s, u"Стройка"_s, u"А123ВС"_s, u"Иванов"_s, u"Петров"_s};
    c.id = 40 + n;
    c.number = n;
    c.date1 = toOleDate(kYesterday);
    c.time1 = oleTime(QTime(15, 30, 0));
    c.operationType = type;
    c.status = status;
    c.litterPercent = 2;
    c.sumWeight = 500;
    c.sumCount = 3;
    if (type == OperationTypes::loading()) {
        c.tare = c.weight1 = 12000;
    } else {
        c.gross = c.weight1 = 30100;
    }
    return c;
}

} // namespace

// The steps a completion hands on, written down as the test reads them.
class Exports final : public CardExports
{
public:
    Exports(QStringList &calls, const QString &base) : m_calls(calls), m_base(base) {}
    void prepareDay(bool) override { m_calls << u"prepare"_s; }
    QList<WriteJournal::Piece> exchangeLines(const CargoCard &card) override
    {
        m_calls << u"text "_s + QString::number(card.number);
        return {};
    }
    void writeWorkbookRows(const CargoCard &card) override
    {
        m_calls << u"book "_s + QString::number(card.number) << u"sheet "_s + QString::number(card.number);
    }
    void writeTextReportHeaders() override {}
    void reconcileTexts(const QDate &) override {}
    void writeArchiveStatus(const QString &folder, const QDate &day, int n, const QString &s) override
    {
        m_calls << u"archive status "_s + folder.mid(m_base.size()) + u' ' + day.toString(u"dd.MM"_s) + u' '
                       + QString::number(n) + u' ' + s;
    }

private:
    QStringList &m_calls;
    QString m_base;
};

class Photos final : public CardPhotos
{
public:
    Photos(QStringList &calls, const QString &base) : m_calls(calls), m_base(base) {}
    void takePhoto(const QString &name, int slot) override
    {
        m_calls << u"photo "_s + name + u' ' + QString::number(slot);
    }
    void showCardPhotos(Frame, const QString &folder, qint32 id) override
    {
        m_calls << u"photos "_s + folder.mid(m_base.size()) + u' ' + QString::number(id);
    }
    void startForAutoMode() override {}
    void switchOff() override {}

private:
    QStringList &m_calls;
    QString m_base;
};

class TestArchive : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<ArchiveRig> m_rig;
    AppContext *m_context = nullptr;
    DayFiles *m_days = nullptr;
    Weighing *m_weighing = nullptr;
    ArchiveBrowser *m_archive = nullptr;
    QStringList m_calls;
    EventLog *m_log = nullptr;
    ParamExtras *m_extras = nullptr;
    std::unique_ptr<Exports> m_exports;
    std::unique_ptr<Photos> m_photos;

    QString dayPath(const QDate &d) const { return dayFilePath(m_context->folders, d); }
    QByteArray bytes(const QDate &d) const
    {
        QFile f(dayPath(d));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeDay(const QDate &d, const QList<CargoCard> &cards)
    {
        QVERIFY(m_context->folders.createMonthDataFolder(d));
        QByteArray f = encodeCountRecord(qint32(cards.size()));
        for (const CargoCard &c : cards)
            f += encodeDayCard(c);
        QFile file(dayPath(d));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(f);
    }
    void weigh(double w)
    {
        m_weighing->setTerminalWeight(w);
        m_weighing->UpdateLiveWeights();
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(QDateTime(kToday, kNow));
        m_rig.reset();
        const QString base = Folders(m_dir.path()).BaseFolder;
        m_exports = std::make_unique<Exports>(m_calls, base);
        m_photos = std::make_unique<Photos>(m_calls, base);
        m_rig = std::make_unique<ArchiveRig>(m_clock, m_dir.path(), *m_exports, *m_photos);
        m_context = &m_rig->context;
        m_log = &m_rig->log;
        m_extras = &m_rig->extras;
        m_days = &m_rig->days;
        m_weighing = &m_rig->weighing;
        m_archive = &m_rig->archive;
        m_context->createMonthFolders();
        QVERIFY(QDir().mkpath(m_context->folders.BaseFolder));
        m_weighing->setVisibleFrame(Weighing::Frame::Archive);
        m_calls.clear();
        connect(m_weighing, &Weighing::axlesReset, this, [this] { m_calls << u"axles"_s; });
        connect(m_archive, &ArchiveBrowser::beep, this, [this] { m_calls << u"beep"_s; });
    }

    void calendarChoice()
    {
        writeDay(kYesterday, {card(1, u"Разгрузка"_s, u"завершена"_s), card(2, u"Погрузка"_s, u"незавершена"_s)});
        m_archive->toggleCalendar();
        QVERIFY(m_archive->calendarVisible());

        QCOMPARE(m_archive->chooseDate(kToday.addDays(1)), u"Выберите дату до 09.12.2026"_s);
        QVERIFY(!m_archive->archiveDay().isValid());
        QCOMPARE(m_archive->calendarDate(), kToday);
        QCOMPARE(m_archive->chooseDate(QDate(2026, 12, 7)), u"Данные отсутствуют"_s);
        QVERIFY(m_archive->calendarVisible());
        QVERIFY(!m_archive->archiveDay().isValid());

        QCOMPARE(m_archive->chooseDate(kYesterday), QString());
        QVERIFY(!m_archive->calendarVisible());
        QCOMPARE(m_archive->archiveDay(), kYesterday);
        QCOMPARE(m_archive->folder(), m_context->folders.BaseFolder + u"Data/2026/Декабрь/"_s);
        QCOMPARE(m_archive->resultFolder(), m_context->folders.BaseFolder + u"2026/Декабрь/"_s);
        QCOMPARE(m_archive->plusFilePath(), m_archive->folder() + u"08.12.2026_Plus.dat"_s);
        QCOMPARE(m_archive->list().page(0).size(), 2 * 101);
        // The day's last card, open for its gross weighing.
        QCOMPARE(m_archive->shownCard(), card(2, u"Погрузка"_s, u"незавершена"_s));
        QVERIFY(m_archive->grossButtonVisible());
        QVERIFY(!m_archive->tareButtonVisible() && !m_archive->receiptButtonVisible());
        QCOMPARE(m_archive->netFieldColour(), Weighing::LightGreen);
        QCOMPARE(m_archive->openedForCompletion(), 2);
        QCOMPARE(m_calls, QStringList{u"photos Data/2026/Декабрь/ 42"_s});

        // Tomorrow keeps the day open, its card and its buttons.
        QCOMPARE(m_archive->chooseDate(kToday.addDays(1)), u"Выберите дату до 09.12.2026"_s);
        QCOMPARE(m_archive->archiveDay(), kYesterday);
        QCOMPARE(m_archive->calendarDate(), kYesterday);
        QCOMPARE(m_archive->shownCard().number, 2);
        QCOMPARE(m_archive->openedForCompletion(), 2);

        // Today works like any earlier day.
        writeDay(kToday, {card(1, u"Разгрузка"_s, u"незавершена"_s)});
        QCOMPARE(m_archive->chooseDate(kToday), QString());
        QCOMPARE(m_archive->shownCard().number, 1);
        QVERIFY(m_archive->tareButtonVisible());
        QCOMPARE(m_archive->tareFieldColour(), Weighing::LightGreen);
        QCOMPARE(m_archive->openedForCompletion(), 1);

        // A day file without cards: an empty card, nothing to print or complete.
        QVERIFY(m_context->folders.createMonthDataFolder(QDate(2026, 11, 30)));
        QFile empty(dayPath(QDate(2026, 11, 30)));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(m_archive->chooseDate(QDate(2026, 11, 30)), QString());
        QCOMPARE(m_archive->folder(), m_context->folders.BaseFolder + u"Data/2026/Ноябрь/"_s);
        QCOMPARE(m_archive->shownCard(), CargoCard());
        QVERIFY(!m_archive->grossButtonVisible() && !m_archive->tareButtonVisible());
        QVERIFY(!m_archive->receiptButtonVisible());
        QCOMPARE(m_archive->openedForCompletion(), 0);
        QVERIFY(!m_archive->CompleteArchiveCard(Weighing::Kind::Tare));
    }

    void buttonsFollowTheShownCard()
    {
        writeDay(kYesterday, {card(1, u"Разгрузка"_s, u"завершена"_s), card(2, u"Погрузка"_s, u"незавершена"_s)});
        CargoCard other = card(2, u"Погрузка"_s, u"завершена"_s);
        other.id = 7;
        writeDay(QDate(2026, 12, 7), {card(1, u"Разгрузка"_s, u"незавершена"_s), other});
        const QByteArray yesterday = bytes(kYesterday);
        const QByteArray before = bytes(QDate(2026, 12, 7));
        weigh(25000);

        // Another day whose last card (same №) is complete: nothing stays open.
        m_archive->chooseDate(kYesterday);
        QCOMPARE(m_archive->openedForCompletion(), 2);
        m_archive->chooseDate(QDate(2026, 12, 7));
        QCOMPARE(m_archive->shownCard(), other);
        QCOMPARE(m_archive->openedForCompletion(), 0);
        QVERIFY(!m_archive->grossButtonVisible());
        QVERIFY(m_archive->receiptButtonVisible());
        QCOMPARE(m_archive->netFieldColour(), Weighing::DarkGreen);
        QVERIFY(!m_archive->CompleteArchiveCard(Weighing::Kind::Gross));
        QCOMPARE(bytes(kYesterday), yesterday);
        QCOMPARE(bytes(QDate(2026, 12, 7)), before);
        QVERIFY(!QFile::exists(dayPath(kToday)));

        // A line of that day: its incomplete card opens for "Тара" only.
        m_archive->selectCard(1);
        QVERIFY(m_archive->tareButtonVisible());
        QCOMPARE(m_archive->openedForCompletion(), 1);
        QVERIFY(!m_archive->CompleteArchiveCard(Weighing::Kind::Gross));
        m_archive->selectCard(2);
        QCOMPARE(m_archive->openedForCompletion(), 0);
        QVERIFY(!m_archive->tareButtonVisible());
        QCOMPARE(bytes(QDate(2026, 12, 7)), before);
    }

    void completeLoadingWithGross()
    {
        const CargoCard first = card(1, u"Разгрузка"_s, u"завершена"_s);
        const CargoCard loading = card(2, u"Погрузка"_s, u"незавершена"_s);
        writeDay(kYesterday, {first, loading});
        CargoCard todays = card(1, u"Одинарная"_s, u"завершена"_s);
        todays.id = 57;
        writeDay(kToday, {todays});
        const QByteArray yesterday = bytes(kYesterday);
        const QByteArray todayBefore = bytes(kToday);
        Settings &s = m_context->settings;
        s.CardIdCounter = 57;
        s.DayCardNumber = 1;
        m_context->ExcelAvailable = 1;

        QCOMPARE(m_archive->chooseDate(kYesterday), QString());
        weigh(30000);
        m_calls.clear();
        QVERIFY(m_archive->CompleteArchiveCard(Weighing::Kind::Gross));

        // Yesterday: card 2 closed with today's date and time, nothing else changed.
        const QByteArray y = bytes(kYesterday);
        QCOMPARE(y.size(), yesterday.size());
        QCOMPARE(shortAt(y, at(2, 72)), cp1251(u"завершена"_s));
        QCOMPARE(f64(y, at(2, 56)), toOleDate(kToday));
        QCOMPARE(f64(y, at(2, 57)), oleTime(kNow));
        for (qint64 off = 0; off < y.size(); off += 16)
            if (off != at(2, 56) && off != at(2, 57) && off != at(2, 72))
                QVERIFY2(y.mid(off, 16) == yesterday.mid(off, 16), qPrintable(QString::number(off / 16 + 1)));

        // Today: the copy as card 2 with a new ID, the first weighing of yesterday.
        const QByteArray t = bytes(kToday);
        QCOMPARE(t.size(), 16 * (1 + 74 * 2));
        QCOMPARE(i32(t, 0), 2);
        QCOMPARE(t.mid(16, 1184), todayBefore.mid(16, 1184));
        QCOMPARE(i32(t, at(2, 2)), 58);
        QCOMPARE(i32(t, at(2, 3)), 2);
        QCOMPARE(f64(t, at(2, 4)), loading.date1);
        QCOMPARE(f64(t, at(2, 5)), loading.time1);
        QCOMPARE(shortAt(t, at(2, 6)), cp1251(u"Щебень"_s));
        QCOMPARE(f64(t, at(2, 70)), 30000.0);  // gross
        QCOMPARE(f64(t, at(2, 55)), 12000.0);  // tare
        QCOMPARE(f64(t, at(2, 46)), 18000.0);  // net
        QCOMPARE(f64(t, at(2, 74)), 360.0);    // litter weight
        QCOMPARE(f64(t, at(2, 75)), 17640.0);  // clean weight
        QCOMPARE(f64(t, at(2, 60)), 12000.0);  // first weighing
        QCOMPARE(f64(t, at(2, 56)), toOleDate(kToday));
        QCOMPARE(f64(t, at(2, 57)), oleTime(kNow));
        QCOMPARE(f64(t, at(2, 59)), 500.0);    // the archive card's sum
        QCOMPARE(i32(t, at(2, 58)), 3);
        QCOMPARE(shortAt(t, at(2, 71)), cp1251(u"Погрузка"_s));
        QCOMPARE(shortAt(t, at(2, 72)), cp1251(u"завершена"_s));
        QCOMPARE(s.CardIdCounter, 58);
        QCOMPARE(s.DayCardNumber, 2);
        // The sum labels show what the copy carries.
        QCOMPARE(m_weighing->sumWeightText(), u"500"_s);
        QCOMPARE(m_weighing->sumCountText(), u"3"_s);

        // One write: the copy's lines and rows once, its second photo, the
        // old workbook's status.
        for (const QString &step : {u"text 2"_s, u"book 2"_s, u"sheet 2"_s, u"photo 58_1 1"_s,
                                    u"archive status 2026/Декабрь/ 08.12 2 завершена"_s})
            QCOMPARE(m_calls.count(step), 1);

        // The frames: the copy complete with "Квит.", the archive card closed.
        QCOMPARE(m_weighing->shownCard().number, 2);
        QCOMPARE(m_weighing->shownCard().status, u"завершена"_s);
        QVERIFY(m_weighing->receiptButtonVisible());
        QCOMPARE(m_weighing->netFieldColour(), Weighing::DarkGreen);
        QCOMPARE(m_archive->shownCard().status, u"завершена"_s);
        QVERIFY(!m_archive->grossButtonVisible());
        QVERIFY(m_archive->receiptButtonVisible());
        QCOMPARE(m_days->list(DayTarget::Today).page(0).size(), 2 * 101);

        // Its papers: the closed original leads to the copy that holds the weighing.
        const DayCard copy = m_archive->completedCopy();
        QCOMPARE(copy.day, kToday);
        QCOMPARE(copy.number, 2);
        QCOMPARE(copy.card.gross, 30000.0);
        QCOMPARE(copy.card.net, 18000.0);
        m_archive->selectCard(1);
        QVERIFY(!m_archive->completedCopy().holdsCard());

        // It cannot be completed twice.
        m_archive->selectCard(2);
        QVERIFY(!m_archive->CompleteArchiveCard(Weighing::Kind::Gross));
        QCOMPARE(bytes(kToday), t);
    }

    void completeUnloadingWithTare()
    {
        writeDay(kYesterday, {card(1, u"Разгрузка"_s, u"незавершена"_s)});
        m_context->settings.SumModeOn = 1;
        QCOMPARE(m_archive->chooseDate(kYesterday), QString());
        weigh(12000);
        m_calls.clear();
        QVERIFY(m_archive->CompleteArchiveCard(Weighing::Kind::Tare));
        const QByteArray t = bytes(kToday);
        QCOMPARE(i32(t, 0), 1); // today had no file: the copy is card 1
        QCOMPARE(f64(t, at(1, 70)), 30100.0);
        QCOMPARE(f64(t, at(1, 55)), 12000.0);
        QCOMPARE(f64(t, at(1, 46)), 18100.0);
        QCOMPARE(f64(t, at(1, 73)), 2.0);
        QCOMPARE(f64(t, at(1, 74)), 362.0);
        // Summing on: the live net goes into the accumulator, the copy keeps the card's sum.
        QCOMPARE(m_context->settings.SumWeight, 18100.0);
        QCOMPARE(m_context->settings.SumCount, 1);
        QCOMPARE(f64(t, at(1, 59)), 500.0);
        QVERIFY(m_calls.contains(u"beep"_s));
        QVERIFY(m_calls.indexOf(u"beep"_s) > m_calls.indexOf(u"photo 1_1 1"_s)); // once the copy is stored
        // Without the spreadsheet application the old workbook is left alone.
        QVERIFY(std::none_of(m_calls.begin(), m_calls.end(), [](const QString &c) { return c.startsWith(u"archive"_s); }));
        QCOMPARE(shortAt(bytes(kYesterday), at(1, 72)), cp1251(u"завершена"_s));
        QCOMPARE(m_weighing->tareFieldColour(), Weighing::DarkGreen);
    }

    void copyNotWrittenLeavesTheCardOpen()
    {
        writeDay(kYesterday, {card(1, u"Разгрузка"_s, u"незавершена"_s)});
        const QByteArray yesterday = bytes(kYesterday);
        // Today's file cannot be written.
        QVERIFY(QDir().mkpath(dayPath(kToday)));
        QCOMPARE(m_archive->chooseDate(kYesterday), QString());
        weigh(12000);
        QVERIFY(!m_archive->CompleteArchiveCard(Weighing::Kind::Tare));
        QCOMPARE(bytes(kYesterday), yesterday);
        QCOMPARE(m_archive->shownCard().status, u"незавершена"_s);
        QVERIFY(m_archive->tareButtonVisible());
        QCOMPARE(m_archive->openedForCompletion(), 1);
    }

    void todayChosenInTheArchive()
    {
        writeDay(kToday, {card(1, u"Разгрузка"_s, u"незавершена"_s)});
        m_context->settings.DayCardNumber = 1;
        m_context->settings.CardIdCounter = 41;
        QVERIFY(m_days->LoadToday());
        m_weighing->ShowCurrentCard(1);
        m_weighing->SetCompletionButtons(1);
        QCOMPARE(m_weighing->openedForCompletion(), 1);

        QCOMPARE(m_archive->chooseDate(kToday), QString());
        weigh(12000);
        QVERIFY(m_archive->CompleteArchiveCard(Weighing::Kind::Tare));
        const QByteArray t = bytes(kToday);
        QCOMPARE(i32(t, 0), 2);
        QCOMPARE(shortAt(t, at(1, 72)), cp1251(u"завершена"_s));
        QCOMPARE(shortAt(t, at(2, 72)), cp1251(u"завершена"_s));
        QCOMPARE(i32(t, at(2, 2)), 42);
        // The card frame no longer offers card 1 for a second completion.
        QCOMPARE(m_weighing->openedForCompletion(), 0);
        QVERIFY(!m_weighing->CompleteCard(Weighing::Kind::Tare));
        QCOMPARE(bytes(kToday), t);
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
