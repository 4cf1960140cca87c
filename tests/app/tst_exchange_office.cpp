// The day and accounting workbooks through the real office, read back by a
// separate office run: the rows of a card, twenty cards without stalling
// the window, a rebuilt day, and an office killed while it saves.

#include "ProgramFixture.h"
#include "platform/FodsSheet.h"
#include "platform/UnoSpreadsheetApplication.h"
#include "core/Cp1251.h"
#include "core/Formats.h"
#include "store/DayFileCodec.h"
#include "terminal/FakeTerminalPort.h"
#include "weighing/ui/DataEntryFrame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <QThread>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

class TestExchangeOffice : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_p;
    FakeTerminalPort *m_port = nullptr;
    UnoSpreadsheetApplication *m_office = nullptr;
    QTemporaryDir m_work;

    bool startAt(const QDateTime &now)
    {
        auto office = UnoSpreadsheetApplication::createIfInstalled();
        m_office = office.get();
        m_port = new FakeTerminalPort;
        m_p = std::make_unique<ProgramFixture>(now, m_port, nullptr, std::move(office));
        m_p->build();
        m_p->login();
        m_p->link->stopPolling();
        m_p->window->clockTimer()->stop();
        // The office outlives the start-up and has made today's workbook.
        return idle() && m_p->program->spreadsheetService().state() == SpreadsheetService::State::Running
            && QFile::exists(folder() + ShortDateText(now.date()) + u".xls"_s) && m_p->shell->loaded() && m_p->context->ExcelAvailable == 1;
    }
    void weigh(qint64 w)
    {
        m_port->incoming = "\x02 "_ba + QByteArray::number(w).rightJustified(6, '0') + ".0\r\n"_ba;
        m_p->link->ReadTick();
    }
    void addEntry(int i, const QString &value, const QString &code)
    {
        ParamConstants entry;
        entry[0] = value;
        entry[1] = code;
        m_p->extras->constantValues[size_t(i)] = entry;
        QVERIFY(m_p->extras->AddPickListEntry(i, value));
    }
    bool idle() { return m_p->program->spreadsheetService().waitForIdle(120000); }
    QString folder() const { return m_p->context->MonthResultFolder(); }
    QList<FodsSheet> readBack(const QStringList &files)
    {
        const QString out = m_work.path() + u"/fods"_s;
        QDir(out).removeRecursively();
        QList<FodsSheet> sheets;
        if (FodsSheet::convert(files, out, m_work.path() + u"/convert-profile"_s)) {
            for (const QString &file : files) {
                sheets.append(FodsSheet());
                if (!sheets.last().load(out + u'/' + QFileInfo(file).completeBaseName() + u".fods"_s))
                    sheets.removeLast();
            }
        }
        return sheets;
    }
    QString snapshot(const QString &path, const QString &name)
    {
        const QString copy = m_work.path() + u'/' + name;
        QFile::remove(copy);
        return QFile::copy(path, copy) ? copy : QString();
    }
    static QString cellText(const FodsSheet::Cell &c)
    {
        return c.valueType + u'|' + c.value + u'|' + c.text + u'|' + c.format;
    }

private slots:
    void cleanup()
    {
        if (QTest::currentTestFailed() && m_p) {
            QTest::qWait(200); // failures of the worker reach the log through the event loop
            QFile log(m_p->context->settings.LogPath);
            if (log.open(QIODevice::ReadOnly))
                qInfo("event log:\n%s", qPrintable(decode1251(log.readAll())));
        }
        m_p.reset();
    }

    void theRowsOfACardInBothWorkbooks()
    {
        if (!UnoSpreadsheetApplication::createIfInstalled())
            QSKIP("LibreOffice is not installed");
        QVERIFY(startAt(QDateTime(QDate(2026, 12, 9), QTime(8, 15, 0))));
        addEntry(0, u"Щебень"_s, u"ЩБ-1"_s);
        addEntry(2, u"ООО Карьер"_s, u" К-17 "_s);
        m_p->weighing->setEntryText(0, u"Щебень"_s);
        m_p->weighing->setEntryText(1, u"ТН-101"_s);
        m_p->weighing->setEntryText(2, u"ООО Карьер"_s);
        m_p->weighing->setEntryLitterText(u"2,5"_s);
        weigh(30100);
        QVERIFY(m_p->weighing->StoreNewCard());
        QVERIFY(idle());
        const QString day = folder() + u"09.12.2026.xls"_s, accounting = folder() + u"09.12.2026_1C.xls"_s;
        const QString openDay = snapshot(day, u"open.xls"_s), openAccounting = snapshot(accounting, u"open_1C.xls"_s);

        m_p->clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 5, 3)));
        m_p->weighing->ShowCurrentCard(1);
        m_p->weighing->SetCompletionButtons(1);
        weigh(12000);
        QVERIFY(m_p->weighing->CompleteCard(Weighing::Kind::Tare));
        QVERIFY(idle());
        // Nothing but the workbooks, the texts and the texts' write journal:
        // no lock, no half-saved copy.
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u".tarvo.journal"_s, u"09.12.2026.txt"_s, u"09.12.2026.xls"_s, u"09.12.2026_1C.txt"_s,
                              u"09.12.2026_1C.xls"_s}));

        const QList<FodsSheet> s = readBack({openDay, openAccounting, day, accounting});
        QCOMPARE(s.size(), 4);
        for (const FodsSheet &sheet : s) {
            QCOMPARE(sheet.cell(1, 2).valueType, u"date"_s);
            QCOMPARE(sheet.cell(1, 2).text, u"09.12.2026"_s); // B1: today
            QCOMPARE(sheet.cell(3, 1).valueType, u"float"_s);
            QCOMPARE(sheet.cell(3, 2).value, u"1"_s);
            QCOMPARE(sheet.cell(3, 3).text, u"Разгрузка"_s);
            QCOMPARE(sheet.cell(3, 3).valueType, u"string"_s);
            QCOMPARE(sheet.cell(3, 5).valueType, u"date"_s);
            QCOMPARE(sheet.cell(3, 5).text, u"09.12.2026"_s);
            QCOMPARE(sheet.cell(3, 6).format, u"h:mm:ss"_s);
            QCOMPARE(sheet.cell(3, 6).text, u"8:15:00"_s);
            QCOMPARE(sheet.cell(3, 16).valueType, u"float"_s);
            QCOMPARE(sheet.cell(3, 16).value, u"30100"_s);
            QCOMPARE(sheet.cell(3, 21).value, u"2.5"_s);
            QCOMPARE(sheet.cell(3, 25).valueType, u"float"_s);
            for (int column = 1; column <= 25; ++column)
                QVERIFY2(sheet.cell(3, column).border[0] > 0.3, qPrintable(QString::number(column)));
            QCOMPARE(sheet.cell(3, 26).border[0], 0.0);
            QVERIFY(sheet.cell(4, 1).valueType.isEmpty());
        }
        // Incomplete: empty texts in columns 7 and 8.
        for (int k : {0, 1}) {
            QCOMPARE(s[k].cell(3, 4).text, u"незавершена"_s);
            QVERIFY(s[k].cell(3, 7).valueType.isEmpty() && s[k].cell(3, 7).text.isEmpty());
            QVERIFY(s[k].cell(3, 8).valueType.isEmpty() && s[k].cell(3, 8).text.isEmpty());
        }
        // Completed: row 3 rewritten with the second weighing.
        for (int k : {2, 3}) {
            QCOMPARE(s[k].cell(3, 4).text, u"завершена"_s);
            QCOMPARE(s[k].cell(3, 7).text, u"09.12.2026"_s);
            QCOMPARE(s[k].cell(3, 8).format, u"h:mm:ss"_s);
            QCOMPARE(s[k].cell(3, 8).text, u"9:05:03"_s);
            QCOMPARE(s[k].cell(3, 17).value, u"12000"_s); // tare
            QCOMPARE(s[k].cell(3, 18).value, u"18100"_s); // net
        }
        QCOMPARE(s[2].cell(3, 9).text, u"Щебень"_s);
        QCOMPARE(s[2].cell(3, 10).text, u"ТН-101"_s);
        QCOMPARE(s[2].cell(3, 11).text, u"ООО Карьер"_s);
        // The accounting workbook: trimmed codes in columns 9..15, as text.
        for (int k : {1, 3}) {
            QCOMPARE(s[k].cell(3, 9).text, u"ЩБ-1"_s);
            QCOMPARE(s[k].cell(3, 9).valueType, u"string"_s);
            QVERIFY(s[k].cell(3, 10).text.isEmpty());
            QCOMPARE(s[k].cell(3, 11).text, u"К-17"_s);
        }
    }

    void twentyCardsWithoutStallingTheWindowAndTheDayRebuilt()
    {
        if (!UnoSpreadsheetApplication::createIfInstalled())
            QSKIP("LibreOffice is not installed");
        QVERIFY(startAt(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0))));
        addEntry(0, u"Песок"_s, u"П-2"_s);
        m_p->weighing->setEntryText(0, u"Песок"_s);
        m_p->weighing->selectOperationType(u"Одинарная"_s);
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = qMax(longestGap, sinceTick.restart());
        });
        QElapsedTimer all;
        all.start();
        sinceTick.start();
        ticker.start();
        // Twenty of the same load: the boxes stay as typed.
        m_p->context->operatorSettings.setClearEntryAfterStore(false);
        QPushButton *store = m_p->window->dataEntryFrame()->storeButton();
        // Each store is one event of the window, queued right behind the
        // previous one, as a quick operator's clicks are.
        QList<qint64> clicks;
        int stored = 0;
        std::function<void()> next = [&] {
            weigh(20000 + 10 * stored);
            m_p->clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, stored, 7)));
            QElapsedTimer click;
            click.start();
            QTest::mouseClick(store, Qt::LeftButton);
            clicks << click.elapsed();
            if (++stored < 20)
                QTimer::singleShot(0, this, next);
        };
        QTimer::singleShot(0, this, next);
        QTRY_COMPARE_WITH_TIMEOUT(stored, 20, 60000);
        const qint64 storedMs = all.elapsed();
        const qint64 storingGap = longestGap;
        longestGap = 0;
        QStringList clickTimes;
        for (qint64 ms : clicks)
            clickTimes << QString::number(ms);
        qInfo("each store took (ms): %s", qPrintable(clickTimes.join(u' ')));
        while (!m_p->program->spreadsheetService().waitForIdle(0) && all.elapsed() < 240000)
            QTest::qWait(20);
        ticker.stop();
        qInfo("20 cards stored in %lld ms; workbooks done after %lld ms; longest gap between 5 ms ticks: %lld ms "
              "while storing, %lld ms while the office wrote the rows",
              storedMs, all.elapsed(), storingGap, longestGap);
        QCOMPARE(m_p->context->settings.DayCardNumber, 20);
        // The share of the exports in a store: both text lines, both rows handed to the worker.
        const CargoCard card20 = m_p->days->ReadDayCard(m_p->clock.today(), 20).card;
        QList<qint64> exportTimes;
        for (int i = 0; i < 9; ++i) {
            QElapsedTimer t;
            t.start();
            m_p->program->exports().writeWorkbookRows(card20);
            QVERIFY(!m_p->program->exports().exchangeLines(card20).isEmpty());
            exportTimes << t.elapsed();
        }
        std::sort(exportTimes.begin(), exportTimes.end());
        qInfo("the exports of one card on the window's thread: median %lld ms, longest %lld ms", exportTimes[4],
              exportTimes.last());
        QVERIFY(m_p->program->spreadsheetService().waitForIdle(120000));
        // The office never holds the window up. A store itself waits for its
        // day-file writes to reach the disk, which on a busy machine now and
        // then takes longer than a tick: quoted above, not judged here. The
        // times are judged only when asked for (TARVO_TIMING=1), on a quiet
        // machine: a shared one makes any limit a coin toss.
        if (qEnvironmentVariableIsSet("TARVO_TIMING")) {
            QVERIFY2(longestGap <= 50, qPrintable(QString::number(longestGap)));
            QVERIFY(exportTimes[4] <= 20);
        }

        const QString names[4] = {u"09.12.2026.txt"_s, u"09.12.2026_1C.txt"_s, u"09.12.2026.xls"_s,
                                  u"09.12.2026_1C.xls"_s};
        QStringList live;
        for (const QString &name : names)
            live << snapshot(folder() + name, u"live-"_s + name);

        // Rebuilt from the day file after the office was missing for a while:
        // both workbooks deleted, the texts damaged.
        QVERIFY(QFile::remove(folder() + names[2]));
        QVERIFY(QFile::remove(folder() + names[3]));
        QFile damaged(folder() + names[0]);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        damaged.resize(1000);
        damaged.close();
        QSignalSpy finished(&m_p->program->exchangeRebuild(), &ExchangeRebuild::finished);
        QSignalSpy progress(&m_p->program->exchangeRebuild(), &ExchangeRebuild::progress);
        QVERIFY(m_p->program->exchangeRebuild().rebuild(QDate(2026, 12, 9)));
        QVERIFY(finished.wait(120000));
        QVERIFY2(finished.at(0).at(0).toBool(), qPrintable(finished.at(0).at(1).toString()));
        QCOMPARE(progress.last().at(0).toInt(), 60);
        QCOMPARE(progress.last().at(1).toInt(), 60);
        QStringList rebuilt;
        for (const QString &name : names)
            rebuilt << snapshot(folder() + name, u"rebuilt-"_s + name);
        for (int k : {0, 1}) {
            QFile a(live[k]), b(rebuilt[k]);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QCOMPARE(b.readAll(), a.readAll());
        }
        const QList<FodsSheet> s = readBack({live[2], live[3], rebuilt[2], rebuilt[3]});
        QCOMPARE(s.size(), 4);
        for (int k : {0, 1}) {
            // Every row present, in order, the same cell for cell.
            for (int row = 3; row <= 22; ++row)
                QCOMPARE(s[k].cell(row, 2).value, QString::number(row - 2));
            QVERIFY(s[k].cell(23, 1).valueType.isEmpty());
            for (int row = 1; row <= 24; ++row)
                for (int column = 1; column <= 26; ++column)
                    QCOMPARE(cellText(s[k + 2].cell(row, column)), cellText(s[k].cell(row, column)));
        }
        QCOMPARE(s[1].cell(22, 9).text, u"П-2"_s);
    }

    // Saves always replace the workbook whole: an office killed at any moment
    // leaves the previous workbook or the new one, and the row is retried.
    void anOfficeKilledWhileSavingLeavesWholeWorkbooks()
    {
        if (!UnoSpreadsheetApplication::createIfInstalled())
            QSKIP("LibreOffice is not installed");
        QVERIFY(startAt(QDateTime(QDate(2026, 12, 9), QTime(11, 0, 0))));
        QVERIFY(idle());
        const QString day = folder() + u"09.12.2026.xls"_s;
        QVERIFY(QFile::exists(day));
        QSignalSpy failed(&m_p->program->spreadsheetService(), &SpreadsheetService::jobFailed);
        // TARVO_KILL_SAVES=50 for the full measurement; a shorter run keeps CI
        // quick (each kill costs an office start).
        const int Saves = qEnvironmentVariableIsSet("TARVO_KILL_SAVES") ? qEnvironmentVariableIntValue("TARVO_KILL_SAVES") : 4;
        // The kill moments are random; TARVO_KILL_SEED replays a run.
        bool seeded = false;
        quint32 seed = qEnvironmentVariable("TARVO_KILL_SEED").toUInt(&seeded);
        if (!seeded)
            seed = QRandomGenerator::system()->generate();
        qInfo("kill moments from seed %u (TARVO_KILL_SEED=%u replays them)", seed, seed);
        QRandomGenerator moments(seed);
        const auto save = [&](int k) {
            WorkbookRow row;
            for (int column = 1; column <= 25; ++column)
                row[size_t(column - 1)] = WorkbookCell::real(k * 100 + column);
            m_p->program->spreadsheet().WriteWeighingRow(day, k + 2, row, QDate(2026, 12, 9));
        };
        // How long one warm save takes, so the kills fall within saves.
        QList<qint64> warm;
        for (int k = 1; k <= 3; ++k) {
            QElapsedTimer t;
            t.start();
            save(k);
            QVERIFY(idle());
            warm << t.elapsed();
        }
        std::sort(warm.begin(), warm.end());
        const int window = int(qMax<qint64>(50, warm[1] * 3 / 2));
        const int startsBefore = m_office->startCount();
        int kills = 0;
        QStringList snapshots;
        QElapsedTimer timer;
        timer.start();
        for (int k = 1; k <= Saves; ++k) {
            // Each save once, at a random moment from its start to a bit past its usual end.
            save(k);
            QThread::msleep(moments.bounded(window));
            if (m_office->processId() > 0) {
                m_office->abort();
                ++kills;
            }
            QVERIFY(idle());
            snapshots << snapshot(day, u"save-%1.xls"_s.arg(k));
        }
        const qint64 elapsed = timer.elapsed();
        QTest::qWait(50);
        const QList<FodsSheet> sheets = readBack(snapshots);
        int present = 0;
        QCOMPARE(sheets.size(), Saves); // every snapshot opens
        QStringList lost;
        for (int k = 1; k <= Saves; ++k) {
            const FodsSheet &s = sheets[k - 1];
            QCOMPARE(s.cell(1, 1).text, u"Отчет за:"_s);
            // Earlier rows as they were written (unless that row failed twice).
            for (int j = 1; j < k; ++j) {
                const QString value = s.cell(j + 2, 25).value;
                QVERIFY(value.isEmpty() || value == QString::number(j * 100 + 25));
            }
            if (s.cell(k + 2, 25).value == QString::number(k * 100 + 25))
                ++present;
            else
                lost << QString::number(k);
        }
        qInfo("%d saves (a warm save takes %lld ms, kills within %d ms of the start) in %lld ms, %d kills of the "
              "office, %d office starts: %d workbooks open, %d with the new row, rows given up and logged: %s",
              Saves, warm[1], window, elapsed, kills, m_office->startCount() - startsBefore, int(sheets.size()),
              present, qPrintable(lost.isEmpty() ? u"none"_s : lost.join(u", "_s)));
        QCOMPARE(failed.size(), lost.size());
        for (const QList<QVariant> &f : failed)
            QVERIFY(f.at(0).toString().contains(u"книги 09.12.2026.xls"_s));
        QVERIFY(kills > Saves / 2);
        QVERIFY(present >= Saves - 2);
        // Whatever is left beside the workbook is hidden: a scratch copy or an office lock.
        for (const QString &name : QDir(folder()).entryList({u"*.xls*"_s}, QDir::Files | QDir::Hidden))
            QVERIFY2(name == u"09.12.2026.xls"_s || name.startsWith(u'.'), qPrintable(name));
    }
};

QTEST_MAIN(TestExchangeOffice)
#include "tst_exchange_office.moc"
