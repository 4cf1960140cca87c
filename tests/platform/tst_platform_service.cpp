#include "platform/SpreadsheetExport.h"
#include "platform/SpreadsheetService.h"
#include "platform/WorkbookCell.h"

#include "core/AppContext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// Records the calls; a workbook saved under a name becomes an empty file of
// that name, so the existence checks see it.
class FakeApplication : public SpreadsheetApplication
{
public:
    bool createResult = true;
    int createDelayMs = 0;
    bool saveResult = true;
    QSemaphore released;
    std::atomic<int> aborts{0};
    std::atomic<QThread *> shutDownThread{nullptr};

    QStringList calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

    bool create() override
    {
        QThread::msleep(createDelayMs);
        return log(u"create"_s) && createResult;
    }
    int addWorkbook() override
    {
        log(u"add"_s);
        m_open.append(QString());
        return int(m_open.size());
    }
    bool activateWorkbook(int book) override { return log(u"activate"_s) && book >= 1 && book <= m_open.size(); }
    int openWorkbook(const QString &path) override
    {
        if (!log(u"open "_s + path) || !QFile::exists(path))
            return 0;
        m_open.append(path);
        return int(m_open.size());
    }
    bool saveAs(const QString &path) override
    {
        return log(u"saveAs "_s + path) && !m_open.isEmpty() && touch(m_open.last() = path);
    }
    bool save() override { return log(u"save"_s) && saveResult && !m_open.isEmpty() && touch(m_open.last()); }
    bool close() override
    {
        log(u"close"_s);
        if (m_open.isEmpty())
            return false;
        m_open.removeLast();
        return true;
    }
    bool closeAll() override
    {
        m_open.clear();
        return true;
    }
    void quit() override
    {
        log(u"quit"_s);
        m_open.clear();
    }
    bool setCellInteger(int r, int c, qint64) override { return cell(u"int"_s, r, c); }
    bool setCellDouble(int r, int c, double) override { return cell(u"double"_s, r, c); }
    bool setCellDate(int r, int c, double) override { return cell(u"date"_s, r, c); }
    bool setCellText(int r, int c, const QString &t) override { return cell(u"text"_s, r, c, t); }
    bool setNumberFormat(int r, int c, const QString &f) override { return cell(u"format"_s, r, c, f); }
    bool setBorderLineStyle(int r, int c, LineStyle) override { return cell(u"line"_s, r, c); }
    bool setBorderWeight(int r, int c, BorderWeight) override { return cell(u"weight"_s, r, c); }
    bool setHorizontalAlignment(int r, int c, Alignment) override { return cell(u"align"_s, r, c); }
    bool setColumnWidth(int c, double) override { return cell(u"width"_s, 0, c); }
    void shutDown() override { shutDownThread = QThread::currentThread(); }
    void abort() override
    {
        ++aborts;
        released.release();
    }

private:
    bool log(const QString &call)
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append(call);
        return true;
    }
    bool cell(const QString &what, int r, int c, const QString &value = QString())
    {
        return log(u"%1 %2,%3 %4"_s.arg(what).arg(r).arg(c).arg(value)) && !m_open.isEmpty();
    }
    static bool touch(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    }

    mutable QMutex m_mutex;
    QStringList m_calls;
    QStringList m_open;
};

} // namespace

class TestSpreadsheetService : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<SpreadsheetService> m_service;
    FakeApplication *m_fake = nullptr;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock.setNow(QDateTime(QDate(2024, 1, 9), QTime(8, 30, 0)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir->path()));
        m_context->ApplyDefaults();
        QVERIFY(QDir().mkpath(m_context->folders.TemplateFolder));
        m_context->ExcelAvailable = 1;
        auto fake = std::make_unique<FakeApplication>();
        m_fake = fake.get();
        m_service = std::make_unique<SpreadsheetService>(std::move(fake));
    }

    void cleanup() { m_service.reset(); }

    void jobsRunInOrderOnOneWorkerWithoutBlockingTheCaller()
    {
        m_fake->createDelayMs = 300;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(m_service->start());
        QList<QThread *> threads;
        QList<int> order;
        for (int i = 0; i < 4; ++i)
            m_service->post([&, i](SpreadsheetApplication &) {
                order << i;
                threads << QThread::currentThread();
            });
        QVERIFY2(timer.elapsed() < 200, "neither the start nor a job may wait for the application");
        QSignalSpy failed(m_service.get(), &SpreadsheetService::jobFailed);
        m_service->post([](SpreadsheetApplication &) { throw std::runtime_error("broken"); });
        m_service->post([&](SpreadsheetApplication &) { order << 99; }); // a throwing job costs only itself
        QVERIFY(m_service->waitForIdle(5000));
        QCOMPARE(order, (QList<int>{0, 1, 2, 3, 99}));
        QTRY_COMPARE(failed.size(), 1); // said, for the event log
        QCOMPARE(threads.count(threads.first()), 4);
        QVERIFY(threads.first() != QThread::currentThread());

        m_service->shutdown();
        QCOMPARE(m_fake->shutDownThread.load(), threads.first()); // ended where it was used
        QCOMPARE(m_service->state(), SpreadsheetService::State::Stopped);
        m_service->post([&](SpreadsheetApplication &) { order << 100; });
        QCOMPARE(order.size(), 5);
    }

    void aFailedStartDropsEveryJobAndClearsTheFlag()
    {
        m_fake->createResult = false;
        SpreadsheetExport exporter(*m_context, *m_service);
        QVERIFY(exporter.probe()); // answered before the start is known
        exporter.CreateSpreadsheetTemplate();
        exporter.EnsureDayWorkbooks(true);
        QTRY_COMPARE(m_context->ExcelAvailable, 0);
        QCOMPARE(m_service->state(), SpreadsheetService::State::Unavailable);
        exporter.EnsureDayWorkbooks(false);
        QVERIFY(m_service->waitForIdle(1000));
        QCOMPARE(m_fake->calls(), QStringList{u"create"_s});

        SpreadsheetService none(nullptr);
        QVERIFY(!none.start());
    }

    void aHungJobIsCutOffByTheWatchdogAndAtExit()
    {
        m_service->setJobTimeout(200);
        QSignalSpy failed(m_service.get(), &SpreadsheetService::jobFailed);
        QVERIFY(m_service->start());
        bool next = false;
        m_service->post([this](SpreadsheetApplication &) { m_fake->released.acquire(); });
        m_service->post([&](SpreadsheetApplication &) { next = true; });
        QTRY_VERIFY_WITH_TIMEOUT(next, 5000);
        QCOMPARE(m_fake->aborts.load(), 2); // cut off, tried once more on a fresh application, cut off again
        QTRY_COMPARE(failed.size(), 1); // once for the job, not once per watchdog tick
        QCOMPARE(failed.at(0).at(0).toString(), u"офисная программа не ответила и была остановлена"_s);

        m_service->setJobTimeout(SpreadsheetService::DefaultJobTimeoutMs);
        m_service->post([this](SpreadsheetApplication &) { m_fake->released.acquire(); });
        m_service->post([&](SpreadsheetApplication &) { next = false; });
        QElapsedTimer timer;
        timer.start();
        m_service->shutdown(300);
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(m_fake->aborts.load(), 3); // given up at exit: not tried again
        QVERIFY(next); // what was still queued is dropped
    }

    // An office that died under a job is made ready again and the job runs
    // once more; only a second failure is said, with its reason.
    void aFailedJobIsRetriedOnceOnAReadyApplication()
    {
        QSignalSpy failed(m_service.get(), &SpreadsheetService::jobFailed);
        QVERIFY(m_service->start());
        int runs = 0;
        m_service->post([&](SpreadsheetApplication &) {
            if (++runs == 1)
                throw SpreadsheetJobFailed{u"не записана строка 3 книги 09.01.2024.xls"_s};
        });
        QVERIFY(m_service->waitForIdle(5000));
        QCOMPARE(runs, 2);
        QCOMPARE(m_fake->calls(), (QStringList{u"create"_s, u"create"_s}));
        int again = 0;
        m_service->post([&](SpreadsheetApplication &) {
            ++again;
            throw SpreadsheetJobFailed{u"не записана строка 4 книги 09.01.2024.xls"_s};
        });
        QVERIFY(m_service->waitForIdle(5000));
        QCOMPARE(again, 2);
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), u"не записана строка 4 книги 09.01.2024.xls"_s);
    }

    // Rows are saved under a neighbour name and renamed over the workbook;
    // the first cell is retried once on a failure; B1 takes the date.
    void aRowIsWrittenInOrderAndSavedByARename()
    {
        SpreadsheetExport exporter(*m_context, *m_service);
        QVERIFY(exporter.probe());
        const QString path = m_dir->path() + u"/09.01.2024.xls"_s;
        QFile(path).open(QIODevice::WriteOnly);
        WorkbookRow row;
        for (int column = 1; column <= 25; ++column)
            row[size_t(column - 1)] = WorkbookCell::real(column);
        row[5] = WorkbookCell::time(0.5);
        row[6] = WorkbookCell::string(QString());
        exporter.WriteWeighingRow(path, 3, row, QDate(2024, 1, 9));
        QVERIFY(m_service->waitForIdle(5000));
        const QStringList calls = m_fake->calls();
        const QString saving = m_dir->path() + u"/.09.01.2024.xls.saving"_s;
        QCOMPARE(calls.filter(u"saveAs"_s), QStringList{u"saveAs "_s + saving});
        QVERIFY(!QFile::exists(saving) && QFile::exists(path));
        QStringList cells;
        for (const QString &call : calls)
            if (call.startsWith(u"double 3,"_s) || call.startsWith(u"date 3,"_s) || call.startsWith(u"text 3,"_s))
                cells << call.section(u' ', 1, 1).section(u',', 1);
        QCOMPARE(cells, (QStringList{u"1"_s, u"9"_s, u"10"_s, u"11"_s, u"12"_s, u"13"_s, u"14"_s, u"15"_s, u"7"_s,
                                     u"8"_s, u"21"_s, u"2"_s, u"5"_s, u"6"_s, u"3"_s, u"4"_s, u"16"_s, u"18"_s,
                                     u"17"_s, u"19"_s, u"20"_s, u"22"_s, u"23"_s, u"24"_s, u"25"_s}));
        QCOMPARE(calls.filter(u"line 3,"_s).size(), 25);
        QVERIFY(calls.indexOf(u"format 3,6 h:mm:ss"_s) < calls.indexOf(u"date 3,6 "_s));
        QVERIFY(calls.contains(u"date 1,2 "_s));

        // An archived card's status: one cell, saved the same way.
        exporter.WriteCellText(path, 5, 4, u"завершена"_s);
        // A whole workbook anew: progress per row, finished once.
        QList<int> done;
        QList<bool> finished;
        QFile(m_context->folders.TemplateFolder + u"Tip30.xls"_s).open(QIODevice::WriteOnly);
        exporter.RebuildWorkbook(m_dir->path() + u"/rebuilt.xls"_s, {{3, row}, {4, row}}, QDate(2024, 1, 9),
                                 [&](int rows, int) { done << rows; }, [&](bool ok) { finished << ok; });
        QVERIFY(m_service->waitForIdle(5000));
        QVERIFY(m_fake->calls().contains(u"text 5,4 завершена"_s));
        QCOMPARE(done, (QList<int>{1, 2}));
        QTRY_COMPARE(finished, QList<bool>{true});
        QVERIFY(QFile::exists(m_dir->path() + u"/rebuilt.xls"_s));
    }

    // A build whose save fails leaves nothing, so the next start builds again.
    void aFailedTemplateBuildLeavesNoTemplate()
    {
        SpreadsheetExport exporter(*m_context, *m_service);
        m_fake->saveResult = false;
        QSignalSpy failed(m_service.get(), &SpreadsheetService::jobFailed);
        QVERIFY(exporter.probe());
        exporter.CreateSpreadsheetTemplate();
        QVERIFY(m_service->waitForIdle(5000));
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), u"не создан шаблон Tip30.xls"_s);
        QVERIFY(m_fake->calls().contains(u"saveAs "_s + m_context->folders.TemplateFolder + u"Tip30.building.xls"_s));
        QVERIFY(QDir(m_context->folders.TemplateFolder).isEmpty());
        QCOMPARE(m_fake->calls().last(), u"quit"_s);
    }

    void dayWorkbooksAreCopiedFromTheTemplateWhereMissing()
    {
        SpreadsheetExport exporter(*m_context, *m_service);
        QSignalSpy failed(m_service.get(), &SpreadsheetService::jobFailed);
        QVERIFY(exporter.probe());
        exporter.EnsureDayWorkbooks(false); // no template yet: nothing for the operator, a line for the log
        QVERIFY(m_service->waitForIdle(5000));
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), u"не создана книга 09.01.2024.xls"_s);
        const QString folder = m_context->MonthResultFolder();
        QVERIFY(folder.endsWith(u"/2024/Январь/"_s));
        QVERIFY(QDir(folder).exists() && QDir(folder).isEmpty());

        exporter.CreateSpreadsheetTemplate();
        exporter.EnsureDayWorkbooks(false);
        QVERIFY(m_service->waitForIdle(5000));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"09.01.2024.xls"_s});
        const qsizetype before = m_fake->calls().size();
        exporter.EnsureDayWorkbooks(true);
        QVERIFY(m_service->waitForIdle(5000));
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{u"09.01.2024.xls"_s, u"09.01.2024_1C.xls"_s}));
        QCOMPARE(m_fake->calls().mid(before).filter(u"saveAs"_s).size(), 1); // the present one is left alone

        // A new day and an existing result folder of the settings.
        QTemporaryDir results;
        m_context->settings.ResultFolder = results.path();
        m_clock.setNow(QDateTime(QDate(2024, 2, 1), QTime(0, 0, 5)));
        exporter.EnsureDayWorkbooks(false);
        QVERIFY(m_service->waitForIdle(5000));
        QVERIFY(PathExists(results.path() + u"/2024/Февраль/01.02.2024.xls"_s));

        m_context->ExcelAvailable = 0;
        const qsizetype off = m_fake->calls().size();
        exporter.EnsureDayWorkbooks(true);
        exporter.CreateSpreadsheetTemplate();
        QVERIFY(m_service->waitForIdle(5000));
        QCOMPARE(m_fake->calls().size(), off);
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheetService)
#include "tst_platform_service.moc"
