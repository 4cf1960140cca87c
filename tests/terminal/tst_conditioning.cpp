#include "core/AppContext.h"
#include "core/Cp1251.h"
#include "core/EventLog.h"
#include "core/SettingsFile.h"
#include "terminal/WeightConditioning.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestConditioning : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Clock m_clock;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<EventLog> m_log;

    QStringList logLines() const
    {
        QFile f(m_context->settings.LogPath);
        return f.open(QIODevice::ReadOnly) ? decode1251(f.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts)
                                           : QStringList();
    }
    Settings stored() const
    {
        Settings s;
        LoadSettings(s, m_context->folders.SettingsFile);
        return s;
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 5)));
        m_context = std::make_unique<AppContext>(m_clock, Folders(m_dir.path()));
        QVERIFY(m_context->LoadOrCreateSettings());
        m_context->CurrentOperator = u"Петров"_s;
        m_log = std::make_unique<EventLog>(*m_context);
    }

    void lamps()
    {
        WeightConditioning c(*m_context, *m_log);
        const int R = WeightConditioning::Red, G = WeightConditioning::Green;
        using L = std::array<int, 3>;
        // From an empty history: 10, 10, 10, 10 light none, one, two, three.
        c.StabilityLamps(10, false);
        QCOMPARE(c.lamps, (L{R, R, R}));
        c.StabilityLamps(10, false);
        QCOMPARE(c.lamps, (L{G, R, R}));
        c.StabilityLamps(10, false);
        QCOMPARE(c.lamps, (L{G, G, R}));
        c.StabilityLamps(10, false);
        QCOMPARE(c.lamps, (L{G, G, G}));
        c.StabilityLamps(11, false);
        QCOMPARE(c.lamps, (L{R, R, R}));
        QCOMPARE(c.SampleHistory, (std::array<double, 3>{11, 10, 10}));
        // No data: all red, the history stays.
        c.StabilityLamps(11, true);
        QCOMPARE(c.lamps, (L{R, R, R}));
        QCOMPARE(c.SampleHistory, (std::array<double, 3>{11, 10, 10}));
        c.StabilityLamps(11, false);
        QCOMPARE(c.lamps, (L{G, R, R}));
    }

    void overload()
    {
        WeightConditioning c(*m_context, *m_log);
        Settings &s = m_context->settings;
        s.MaxWeight = 30000;
        s.OverloadWeight = 0;
        s.AdvertColor = 16711680;
        QCOMPARE(c.advertColour(), 16711680);
        QVERIFY(!c.CheckOverload(29999));

        QVERIFY(c.CheckOverload(30100));
        QCOMPARE(s.OverloadText, u"09.12.2026 10:00:05  30100"_s);
        QCOMPARE(logLines(), QStringList{u"09.12.2026  10:00:05  Весы были перегружены: 30100 Петров"_s});
        QCOMPARE(c.advertColour(), 255);
        QCOMPARE(stored().OverloadFlag, 1);
        QCOMPARE(stored().OverloadWeight, 30100.0);

        m_clock.advanceSeconds(1);
        QVERIFY(!c.CheckOverload(30050));
        QCOMPARE(logLines().size(), 1);
        QVERIFY(c.CheckOverload(30200.5));
        QCOMPARE(logLines().last(), u"09.12.2026  10:00:06  Весы были перегружены: 30200.5 Петров"_s);

        // A maximum of 0 makes every positive weight an overload.
        QVERIFY(c.resetOverload());
        QCOMPARE(c.advertColour(), 16711680);
        QCOMPARE(stored().OverloadFlag, 0);
        QCOMPARE(stored().OverloadText, QString());
        s.MaxWeight = 0;
        QVERIFY(c.CheckOverload(0.5));
        QVERIFY(!c.CheckOverload(0));

        // The indicator's own overload: recorded once when it begins, its
        // weight unknown, so a higher weight seen later still counts.
        QVERIFY(c.resetOverload());
        s.MaxWeight = 30000;
        QVERIFY(!c.CheckReportedState(IndicatorState::None));
        QVERIFY(c.CheckReportedState(IndicatorState::Overload));
        QVERIFY(!c.CheckReportedState(IndicatorState::Overload));
        QCOMPARE(stored().OverloadFlag, 1);
        QCOMPARE(stored().OverloadText, u"09.12.2026 10:00:06 ПЕРЕГРУЗ (индикатор)"_s);
        QCOMPARE(logLines().last(), u"09.12.2026  10:00:06  Весы были перегружены: ПЕРЕГРУЗ (индикатор) Петров"_s);
        QCOMPARE(c.advertColour(), 255);
        QVERIFY(c.CheckOverload(30100));
        QVERIFY(!c.CheckReportedState(IndicatorState::None));
        QVERIFY(c.CheckReportedState(IndicatorState::Error));
        QVERIFY(logLines().last().contains(u"ОШИБКА (индикатор)"_s));
    }

    void scaleSettings()
    {
        Settings &s = m_context->settings;
        saveScaleSettings(*m_context, *m_log, {u"2,5"_s, u"0,1"_s, u"250"_s, u"т"_s, u"Весовая №2"_s});
        QCOMPARE(s.AutoMinWeight, 2.5);
        QCOMPARE(s.AutoMaxFluctuation, 0.1);
        QCOMPARE(s.PollPeriodMs, 300);
        QCOMPARE(s.ParamNames[16], u"Брутто,т"_s);
        QCOMPARE(s.ParamNames[17], u"Нетто, т"_s);
        QCOMPARE(s.ParamNames[18], u"Тары, т"_s);
        QCOMPARE(s.ParamNames[19], u"Вес №1,т"_s);
        QCOMPARE(s.ParamNames[20], u"Вес №2,т"_s);
        QCOMPARE(s.ParamNames[21], u"Вес засора,кг"_s);
        QCOMPARE(s.ParamNames[23], u"Суммарный вес,т"_s);
        QCOMPARE(stored().AdvertCaption, u"Весовая №2"_s);
        QCOMPARE(stored().ParamNames[17], u"Нетто, т"_s);

        // The workplace's hold time and reply timeout go to its own file.
        QCOMPARE(saveScaleSettings(*m_context, *m_log, {u"1"_s, u"0"_s, u"300"_s, u"т"_s, QString(), 1500, 80}), QString());
        OperatorSettings workplace;
        workplace.load(OperatorSettings::pathBeside(m_context->folders.SettingsFile));
        QCOMPARE(workplace.holdTimeMs(), 1500);
        QCOMPARE(workplace.replyTimeoutMs(), 80);

        for (auto [text, period] : {std::pair{u"10000"_s, 10000}, std::pair{u"10001"_s, 300},
                                    std::pair{u"500,9"_s, 500}, std::pair{u"-5"_s, 300}}) {
            QCOMPARE(saveScaleSettings(*m_context, *m_log, {u"1"_s, u"0"_s, text, u"кг"_s, QString()}), QString());
            QCOMPARE(stored().PollPeriodMs, period);
        }

        s.AutoMaxFluctuation = 3;
        s.PollPeriodMs = 1000;
        s.AdvertColor = 255;
        QVERIFY(restoreScaleDefaults(*m_context, *m_log));
        QCOMPARE(s.WeightUnit, u"кг"_s);
        QCOMPARE(s.AdvertCaption, u"Kalvenstrom"_s);
        QCOMPARE(s.AdvertColor, 16711680);
        QCOMPARE(s.AutoMinWeight, 1.0);
        QCOMPARE(s.AutoMaxFluctuation, 3.0);
        QCOMPARE(s.PollPeriodMs, 1000);
        QCOMPARE(stored().TerminalType, 1);
        QCOMPARE(stored().AdvertFontBold, -1);
        QCOMPARE(stored().AdvertFontItalic, 0);

        QCOMPARE(saveServiceSettings(*m_context, *m_log, {u"ВСП-60"_s, u"77"_s, u"01.06.2027"_s, true, false, u"60000,5"_s}),
                 QString());
        QCOMPARE(stored().ScaleModel, u"ВСП-60"_s);
        QCOMPARE(stored().TareFromKeyboard, 1);
        QCOMPARE(stored().ShowReceiptButton, 0);
        QCOMPARE(stored().MaxWeight, 60000.5);
    }

    void fieldWithoutNumberRefusesTheSave()
    {
        Settings &s = m_context->settings;
        const ScaleSettingsInput good{u"2,5"_s, u"0,1"_s, u"1000"_s, u"т"_s, u"Весовая"_s};
        QCOMPARE(saveScaleSettings(*m_context, *m_log, good), QString());
        const Settings before = stored();

        // Any one of the three number fields without a number refuses the
        // whole save and names that field; nothing changes, in memory or file.
        const QList<std::pair<ScaleSettingsInput, QString>> refused{
            {{u"abc"_s, u"0,1"_s, u"1000"_s, u"кг"_s, u"X"_s}, u"мин. фикс. вес в реж. АВТОМАТ"_s},
            {{u"2,5"_s, QString(), u"1000"_s, u"кг"_s, u"X"_s}, u"мак. колебание веса в реж. АВТОМАТ"_s},
            {{u"2,5"_s, u"0,1"_s, u" "_s, u"кг"_s, u"X"_s}, u"Период опроса весов 300..10000мс"_s},
            {{u"x1"_s, u"-"_s, u"нет"_s, u"кг"_s, u"X"_s}, u"мин. фикс. вес в реж. АВТОМАТ"_s},
        };
        for (const auto &[input, field] : refused) {
            QCOMPARE(saveScaleSettings(*m_context, *m_log, input), u"Поле «"_s + field + u"» должно содержать число"_s);
            QCOMPARE(s.AutoMinWeight, 2.5);
            QCOMPARE(s.AutoMaxFluctuation, 0.1);
            QCOMPARE(s.PollPeriodMs, 1000);
            QCOMPARE(s.WeightUnit, u"т"_s);
            QCOMPARE(s.ParamNames[16], u"Брутто,т"_s);
            QCOMPARE(s.AdvertCaption, u"Весовая"_s);
            QCOMPARE(stored().AdvertCaption, before.AdvertCaption);
        }
        // A leading number is a number; a comma is the decimal point.
        QCOMPARE(saveScaleSettings(*m_context, *m_log, {u",5"_s, u"0"_s, u"700мс"_s, u"кг"_s, u"X"_s}), QString());
        QCOMPARE(s.AutoMinWeight, 0.5);
        QCOMPARE(s.PollPeriodMs, 700);

        // "abc" as maximum weight used to store 0, an overload for every vehicle.
        QCOMPARE(saveServiceSettings(*m_context, *m_log, {u"M"_s, u"1"_s, u"d"_s, true, true, u"30000"_s}), QString());
        for (const QString &text : {u"abc"_s, QString(), u"  "_s, u"-"_s}) {
            QCOMPARE(saveServiceSettings(*m_context, *m_log, {u"N"_s, u"2"_s, u"e"_s, false, false, text}),
                     u"Поле «Макс. вес» должно содержать число"_s);
            QCOMPARE(s.MaxWeight, 30000.0);
            QCOMPARE(s.ScaleModel, u"M"_s);
            QCOMPARE(s.TareFromKeyboard, 1);
            QCOMPARE(stored().MaxWeight, 30000.0);
            QCOMPARE(stored().ScaleModel, u"M"_s);
        }
        WeightConditioning c(*m_context, *m_log);
        QVERIFY(!c.CheckOverload(20000));
    }

    void captionFont()
    {
        Settings &s = m_context->settings;
        setCaptionFont(s, {u"Liberation Sans"_s, 12, true, true, false, true, 10, 20, 30});
        QVERIFY(m_context->storeSettings());
        const Settings back = stored();
        QCOMPARE(back.AdvertFontName, u"Liberation Sans"_s);
        QCOMPARE(back.AdvertFontSize, 12);
        QCOMPARE(back.AdvertFontBold, -1);
        QCOMPARE(back.AdvertFontItalic, -1);
        QCOMPARE(back.AdvertFontStrikethrough, 0);
        QCOMPARE(back.AdvertFontUnderline, -1);
        QCOMPARE(back.AdvertColor, 10 + 256 * 20 + 65536 * 30);

        // Sizes outside 10..28 are kept within them.
        setCaptionFont(s, {u"Arial"_s, 72, false, false, true, false, 255, 255, 255});
        QCOMPARE(s.AdvertFontSize, 28);
        QCOMPARE(s.AdvertFontBold, 0);
        QCOMPARE(s.AdvertFontStrikethrough, -1);
        QCOMPARE(s.AdvertColor, 16777215);
    }
};

QTEST_GUILESS_MAIN(TestConditioning)
#include "tst_conditioning.moc"
