#include "app/MainShell.h"
#include "common/RecordingServices.h"
#include "reports/PeriodReport.h"
#include "archive/ArchiveBrowser.h"
#include "store/ParamExtras.h"
#include "terminal/TerminalLink.h"
#include "terminal/TerminalPort.h"
#include "terminal/WeightConditioning.h"
#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Cp1251.h"
#include "core/SettingsFile.h"
#include "store/DayFiles.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A terminal that writes down being opened and closed.
class RecordingPort final : public TerminalPort
{
public:
    explicit RecordingPort(QStringList &calls)
        : m_calls(calls)
    {
    }
    bool open(const PortParameters &) override
    {
        m_calls << u"openPort"_s;
        return false;
    }
    void close() override { m_calls << u"closePort"_s; }
    bool isOpen() const override { return false; }
    bool write(const QByteArray &) override { return false; }
    QByteArray readAll() override { return {}; }
    Fault fault() const override { return Fault::NotFound; }
    QString faultText() const override { return u"Порт не обнаружен"_s; }

private:
    QStringList &m_calls;
};

class TestMainShell : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    QStringList m_calls;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;
    ExtraNames m_names;
    std::unique_ptr<ParamExtras> m_extras;
    RecordingExports m_exports{m_calls};
    RecordingPhotos m_photos{m_calls};
    std::unique_ptr<DayFiles> m_days;
    std::unique_ptr<TerminalLink> m_link;
    std::unique_ptr<WeightConditioning> m_conditioning;
    std::unique_ptr<CardCommit> m_commit;
    std::unique_ptr<Weighing> m_weighing;
    std::unique_ptr<ArchiveBrowser> m_archive;
    std::unique_ptr<PeriodReport> m_report;
    std::unique_ptr<MainShell> m_shell;

    QString logText() const
    {
        QFile f(m_context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()) : QString();
    }

    void record(const MainShell *shell)
    {
        auto rec = [this](const char *name) { return [this, name] { m_calls << QString::fromLatin1(name); }; };
        connect(shell, &MainShell::paramNamesChanged, this, rec("applyParamNames"));
        connect(shell, &MainShell::todayListChanged, this, rec("showTodayList"));
        connect(shell, &MainShell::scaleLayoutChanged, this, rec("applyScaleLayout"));
        connect(shell, &MainShell::pickListsLoaded, this, rec("fillPickLists"));
        connect(shell, &MainShell::picturesChanged, this, rec("loadAnimationPictures"));
        connect(shell, &MainShell::quitRequested, this, rec("quit"));
        connect(shell, &MainShell::spreadsheetReleaseRequested, this, rec("releaseSpreadsheet"));
    }

private slots:
    void init()
    {
        m_shell.reset();
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir.path()));
        QVERIFY(m_context->LoadOrCreateSettings());
        m_context->createMonthFolders();
        m_context->CurrentOperator = u"Оператор"_s;
        m_log = std::make_unique<EventLog>(*m_context);
        m_extras = std::make_unique<ParamExtras>(m_names, m_context->folders.BaseFolder);
        m_days = std::make_unique<DayFiles>(*m_context, *m_log);
        m_link = std::make_unique<TerminalLink>(*m_context, new RecordingPort(m_calls));
        m_conditioning = std::make_unique<WeightConditioning>(*m_context, *m_log);
        m_commit = std::make_unique<CardCommit>(*m_context, *m_log, *m_days, m_exports, m_photos);
        m_weighing = std::make_unique<Weighing>(*m_context, *m_log, *m_days, *m_extras, m_exports, m_photos, *m_commit);
        m_archive = std::make_unique<ArchiveBrowser>(*m_context, *m_days, *m_weighing);
        m_report = std::make_unique<PeriodReport>(*m_context);
        m_shell = std::make_unique<MainShell>(MainShell::Parts{*m_context, *m_log, *m_days, *m_weighing, *m_link,
                                                               *m_conditioning, *m_archive, *m_extras, *m_report,
                                                               m_exports, m_photos});
        m_calls.clear();
        record(m_shell.get());
    }
    void cleanup()
    {
        m_link->stopPolling();
    }

    void loadRunsItsStepsInOrder()
    {
        m_context->settings.TerminalType = 0;
        m_context->ExcelAvailable = 0;
        m_shell->LoadMainWindow();
        QCOMPARE(m_calls, (QStringList{u"openPort"_s, u"applyParamNames"_s, u"showTodayList"_s,
                                       u"applyScaleLayout"_s, u"fillPickLists"_s, u"textHeaders"_s,
                                       u"loadAnimationPictures"_s}));
        QVERIFY(m_link->pollTimer().isActive());
        QCOMPARE(m_archive->calendarDate(), QDate(2026, 12, 31));
        QCOMPARE(m_context->settings.TerminalType, 1);
        QVERIFY(m_shell->loaded());
        QVERIFY(m_shell->title().contains(u"Сегодня: 31.12.2026  23:59:59"_s));
        QVERIFY(m_shell->title().endsWith(u"Оператор: Оператор"_s));
        QVERIFY(QFile::exists(m_days->todayPath()));
        QCOMPARE(m_weighing->operationType(), u"Разгрузка"_s);
        QVERIFY(!m_shell->autoMode());

        // With the spreadsheet the day workbook comes right after the port.
        init();
        m_context->ExcelAvailable = 1;
        m_shell->LoadMainWindow();
        QCOMPARE(m_calls.mid(0, 2), (QStringList{u"openPort"_s, u"prepareDay"_s}));
    }

    void unreadableDayIsSaid()
    {
        // Something that is no file stands where today's file goes.
        QVERIFY(QDir().mkpath(m_days->todayPath()));
        QSignalSpy said(m_weighing.get(), &Weighing::operatorMessage);
        m_shell->LoadMainWindow();
        QCOMPARE(said.size(), 1);
        const QString message = said.at(0).at(0).toString();
        QVERIFY2(message.startsWith(u"Файл дня не прочитан: 31.12.2026.dat: "_s), qPrintable(message));
        QVERIFY(logText().contains(message));
        QVERIFY(m_shell->loaded());
    }

    void autoStart()
    {
        m_context->settings.AutoStart = 1;
        m_context->settings.AutoPhoto = 1;
        m_shell->LoadMainWindow();
        QVERIFY(m_shell->autoMode());
        QVERIFY(!m_shell->storeButtonVisible());
        QCOMPARE(m_weighing->operationType(), u"Одинарная"_s);
        QVERIFY(m_calls.contains(u"startAutoPhoto"_s));
        // Activation must not bring "Записать" back in automatic mode.
        m_shell->ActivateMainWindow();
        QVERIFY(!m_shell->storeButtonVisible());
        m_shell->setAutoMode(false);
        m_shell->ActivateMainWindow();
        QVERIFY(m_shell->storeButtonVisible());
    }

    void programTypeAndAutoMode()
    {
        // Axle program at start-up: the automatic start does not tick a box
        // that is not there.
        m_context->settings.AxleProgram = 1;
        m_context->settings.AutoStart = 1;
        m_shell->LoadMainWindow();
        QVERIFY(m_shell->axleControlsVisible());
        QVERIFY(!m_shell->autoBoxVisible());
        QVERIFY(!m_shell->autoMode());
        QVERIFY(m_shell->storeButtonVisible());
        m_shell->setAutoMode(true);
        QVERIFY(!m_shell->autoMode());

        // "Платформенная": the box is back and can be ticked; "Осевая"
        // clears it again.
        m_context->settings.AxleProgram = 0;
        m_shell->applyProgramType();
        QVERIFY(m_shell->autoBoxVisible());
        QVERIFY(!m_shell->axleControlsVisible());
        m_shell->setAutoMode(true);
        QVERIFY(m_shell->autoMode());
        m_context->settings.AxleProgram = 1;
        m_shell->applyProgramType();
        QVERIFY(!m_shell->autoMode());
        QVERIFY(m_shell->storeButtonVisible());
    }

    void sumSwitch()
    {
        Settings &s = m_context->settings;
        s.SumModeOn = 0;
        const QString before = m_shell->sumCaption();
        QCOMPARE(before, u"0ff"_s);
        QCOMPARE(m_shell->sumColour(), QColor(255, 0, 0));
        s.SumWeight = 77;
        s.SumCount = 3;
        m_shell->ToggleSum();
        QCOMPARE(m_shell->sumCaption(), u"0n"_s);
        QCOMPARE(m_shell->sumColour(), QColor(0xC0, 0xFF, 0xC0));
        QCOMPARE(s.SumWeight, 0.0);
        s.SumWeight = 12.5;
        s.SumCount = 1;
        m_shell->ToggleSum();
        QCOMPARE(m_shell->sumCaption(), before);
        QCOMPARE(s.SumWeight, 0.0);
        QCOMPARE(s.SumCount, 0);
        QCOMPARE(m_shell->sumWeightText(), u"0"_s);

        // Activation clears a stale sum while summing is off.
        s.SumWeight = 5;
        s.SumCount = 2;
        m_shell->ActivateMainWindow();
        QCOMPARE(s.SumWeight, 0.0);
        QCOMPARE(s.SumCount, 0);
    }

    void midnight()
    {
        // Today has cards; a second later it is a new year.
        m_context->settings.DayCardNumber = 2;
        for (int n = 1; n <= 2; ++n) {
            CargoCard card;
            card.id = n;
            card.number = n;
            QVERIFY(m_days->WriteDayCard(m_days->ReadDayCard(m_context->clock.today(), n), card));
        }
        m_shell->LoadMainWindow();
        QVERIFY(!m_days->list(DayTarget::Today).page(0).isEmpty());
        m_shell->setPageButton(true, u"3"_s);
        QSignalSpy changedDay(m_weighing.get(), &Weighing::dayChanged);

        m_shell->ClockTick();
        QCOMPARE(changedDay.size(), 0);
        QCOMPARE(m_context->settings.DayCardNumber, 2);

        m_clock.advanceSeconds(1);
        m_shell->ClockTick();
        QCOMPARE(changedDay.size(), 1);
        QCOMPARE(m_shell->rememberedDay(), QDate(2027, 1, 1));
        QCOMPARE(m_days->loadedDay(), QDate(2027, 1, 1));
        QCOMPARE(m_context->settings.DayCardNumber, 0);
        QCOMPARE(m_days->list(DayTarget::Today).page(0), QString());
        QCOMPARE(m_days->list(DayTarget::Today).pageCount(), 1);
        QVERIFY(!m_shell->pageButtonVisible());
        QCOMPARE(m_shell->pageButtonCaption(), u"0"_s);
        QVERIFY(QFileInfo(m_dir.path() + u"/Tarvo v.3.00/Data/2027/Январь"_s).isDir());
        QVERIFY(QFileInfo(m_context->MonthResultFolder()).isDir());
        QVERIFY(m_shell->title().contains(u"01.01.2027  00:00:00"_s));

        // The stored settings carry the restarted day number.
        m_context->settings.DayCardNumber = 9;
        Settings stored;
        LoadSettings(stored, m_context->folders.SettingsFile);
        QCOMPARE(stored.DayCardNumber, 0);

        // The next tick of the same day changes nothing.
        m_shell->ClockTick();
        QCOMPARE(changedDay.size(), 1);
    }

    void exitAndClose()
    {
        m_shell->LoadMainWindow();
        m_calls.clear();
        m_context->settings.CardIdCounter = 4711;
        m_shell->ExitProgram();
        QCOMPARE(m_calls, (QStringList{u"closePort"_s, u"releaseSpreadsheet"_s, u"closeVideo"_s, u"quit"_s}));
        QVERIFY(!m_link->pollTimer().isActive());
        const QStringList lines = logText().split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], u"31.12.2026  23:59:59  23:59:59 31.12.2026 Выход из программы "_s);
        QCOMPARE(lines[1], u"31.12.2026  23:59:59  Выход из программы:Оператор"_s);
        Settings stored;
        LoadSettings(stored, m_context->folders.SettingsFile);
        QCOMPARE(stored.CardIdCounter, 4711);

        // The close button: no question, no log line, nothing stored.
        m_calls.clear();
        m_context->settings.CardIdCounter = 5000;
        m_shell->CloseMainWindow();
        QCOMPARE(m_calls, (QStringList{u"closePort"_s, u"releaseSpreadsheet"_s, u"closeVideo"_s, u"quit"_s}));
        QCOMPARE(logText().split(u"\r\n"_s, Qt::SkipEmptyParts).size(), 2);
        LoadSettings(stored, m_context->folders.SettingsFile);
        QCOMPARE(stored.CardIdCounter, 4711);
    }

    void advertFallbacks()
    {
        Settings &s = m_context->settings;
        s.AdvertFontName.clear();
        s.AdvertFontSize = 9;
        s.AdvertColor = 0;
        s.AdvertFontBold = 1;
        AdvertStyle style = advertStyle(*m_context);
        QCOMPARE(style.fontName, u"Arial"_s);
        QCOMPARE(style.fontSize, 9);
        QCOMPARE(style.colour, QColor(0, 0, 255));
        QVERIFY(style.bold);
        s.AdvertFontSize = 29;
        s.AdvertColor = 255;
        s.AdvertFontName = u"Liberation Serif"_s;
        style = advertStyle(*m_context);
        QCOMPARE(style.fontSize, 26);
        QCOMPARE(style.colour, QColor(255, 0, 0));
        QCOMPARE(style.fontName, u"Liberation Serif"_s);
        s.AdvertFontSize = 8;
        QCOMPARE(advertStyle(*m_context).fontSize, 26);
    }
};

QTEST_GUILESS_MAIN(TestMainShell)
#include "tst_main_shell.moc"
