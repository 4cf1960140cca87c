#include "MainShell.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "core/MainTitle.h"
#include "core/SettingsChange.h"
#include "core/StoreResult.h"
#include "reports/PeriodReport.h"
#include "archive/ArchiveBrowser.h"
#include "store/DayFiles.h"
#include "store/ParamExtras.h"
#include "terminal/TerminalLink.h"
#include "terminal/WeightConditioning.h"
#include "card/CardServices.h"
#include "card/CargoCard.h"
#include "weighing/Weighing.h"


using namespace Qt::StringLiterals;

AdvertStyle advertStyle(const AppContext &context)
{
    const Settings &s = context.settings;
    AdvertStyle style;
    style.text = s.AdvertCaption;
    style.fontName = s.AdvertFontName.isEmpty() ? u"Arial"_s : s.AdvertFontName;
    style.fontSize = s.AdvertFontSize >= 9 && s.AdvertFontSize <= 28 ? s.AdvertFontSize : 26;
    style.bold = s.AdvertFontBold != 0;
    style.italic = s.AdvertFontItalic != 0;
    style.strikeOut = s.AdvertFontStrikethrough != 0;
    style.underline = s.AdvertFontUnderline != 0;
    style.colour = colourFromValue(advertColourValue(s));
    return style;
}

MainShell::MainShell(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_context(parts.context)
    , m_log(parts.log)
    , m_days(parts.days)
    , m_weighing(parts.weighing)
    , m_link(parts.link)
    , m_conditioning(parts.conditioning)
    , m_archive(parts.archive)
    , m_extras(parts.extras)
    , m_report(parts.report)
    , m_exports(parts.exports)
    , m_photos(parts.photos)
{
    connect(&m_weighing, &Weighing::dayChanged, this, &MainShell::dayChanged);
}

QString MainShell::exitQuestion()
{
    return u"Вы действительно хотите закончить работу с программой ?"_s;
}

QString MainShell::exitTitle()
{
    return u"Внимание!"_s;
}

void MainShell::updateTitle()
{
    m_title = mainWindowTitle(m_context.clock.now(), m_context.CurrentOperator);
}

void MainShell::LoadMainWindow()
{
    Settings &s = m_context.settings;
    m_link.OpenPortAtStart();
    if (m_context.ExcelAvailable == 1)
        m_exports.prepareDay(false);
    m_weighing.reloadToday();
    m_weighing.ShowCurrentCard(s.DayCardNumber);
    m_weighing.showSum(s.SumWeight, s.SumCount);
    emit paramNamesChanged();
    emit todayListChanged();
    if (s.TerminalType == 0)
        s.TerminalType = 1;
    applyProgramType();
    ApplyServiceSettings();
    m_archive.setCalendarDate(m_context.clock.today());
    m_extras.LoadPickListHeaders();
    m_extras.loadNames();
    emit pickListsLoaded();
    m_exports.writeTextReportHeaders();
    updateTitle();
    emit picturesChanged();
    if (s.AutoStart == 1) {
        setAutoMode(true);
        if (s.AutoPhoto == 1)
            m_photos.startForAutoMode();
    }
    m_report.loadMainWindow();
    m_link.startPolling();
    m_loaded = true;
    emit changed();
}

QDate MainShell::rememberedDay() const
{
    return m_days.loadedDay();
}

void MainShell::ApplyServiceSettings()
{
    m_weighing.setReceiptButtonVisible(m_context.settings.ShowReceiptButton == 1);
    emit scaleLayoutChanged();
}

void MainShell::ActivateMainWindow()
{
    Settings &s = m_context.settings;
    m_link.refreshStatus();
    if (s.SumModeOn == 0) {
        s.SumWeight = 0;
        s.SumCount = 0;
        m_weighing.showSum(0, 0);
    }
    // In automatic mode cards are stored by the steadiness test: the button
    // stays hidden, or every activation would bring it back.
    m_storeButtonVisible = !m_autoMode;
    emit paramNamesChanged();
    emit changed();
}

void MainShell::ClockTick()
{
    updateTitle();
    m_conditioning.CheckOverload(m_weighing.liveWeights().gross);
    // Today's file follows the clock; a store after midnight may have
    // noticed the new day first.
    m_weighing.followClock();
    emit changed();
}

void MainShell::dayChanged()
{
    setPageButton(false, u"0"_s);
    // Nobody waits for this store; a failure is in the log.
    static_cast<void>(storeSettingsChange(m_context, m_log));
    emit todayListChanged();
}

void MainShell::SelectMode(Mode mode)
{
    m_mode = mode;
    static constexpr Weighing::Frame frames[] = {Weighing::Frame::DataEntry, Weighing::Frame::CurrentCard,
                                                 Weighing::Frame::Archive, Weighing::Frame::Other};
    m_weighing.setVisibleFrame(frames[int(mode)]);
    switch (mode) {
    case Mode::DataEntry:
        emit todayListChanged();
        break;
    case Mode::View:
        m_weighing.ShowCurrentCard(m_weighing.shownCard().number);
        m_weighing.SetCompletionButtons(m_weighing.shownCard().number);
        break;
    case Mode::Archive:
        m_archive.enter();
        break;
    case Mode::Reports:
        emit reportsEntered();
        break;
    }
    emit modeChanged();
}

void MainShell::ToggleSum()
{
    Settings &s = m_context.settings;
    s.SumModeOn = s.SumModeOn == 1 ? 0 : 1;
    s.SumWeight = 0;
    s.SumCount = 0;
    m_weighing.showSum(0, 0);
    emit changed();
}

QString MainShell::sumCaption() const
{
    return m_context.settings.SumModeOn == 1 ? u"0n"_s : u"0ff"_s;
}

QColor MainShell::sumColour() const
{
    return colourFromValue(m_context.settings.SumModeOn == 1 ? 12648384 : 255);
}

QString MainShell::sumWeightText() const
{
    return m_weighing.sumWeightText();
}

QString MainShell::sumCountText() const
{
    return m_weighing.sumCountText();
}

void MainShell::setAutoMode(bool on)
{
    // Axle weights are taken by hand: an automatic recording would store
    // whatever axles happen to be fixed.
    if (on && m_context.settings.AxleProgram == 1)
        on = false;
    m_autoMode = on;
    m_storeButtonVisible = !on;
    if (on)
        m_weighing.selectOperationType(OperationTypes::single());
    emit changed();
}

void MainShell::applyProgramType()
{
    if (axleControlsVisible() && m_autoMode)
        setAutoMode(false);
    emit changed();
}

bool MainShell::axleControlsVisible() const
{
    return m_context.settings.AxleProgram == 1;
}

void MainShell::setPageButton(bool visible, const QString &caption)
{
    m_pageButtonVisible = visible;
    m_pageButtonCaption = caption;
    emit changed();
}

void MainShell::ExitProgram()
{
    const QDateTime now = m_context.clock.now();
    m_log.WriteLog(LongTimeText(now.time()) + u' ' + ShortDateText(now.date()) + u" Выход из программы "_s);
    m_link.stopPolling();
    m_link.closePort();
    emit spreadsheetReleaseRequested();
    // The program ends either way; a failure is in the log.
    static_cast<void>(storeSettingsChange(m_context, m_log));
    m_log.WriteLog(u"Выход из программы:"_s + m_context.CurrentOperator);
    m_photos.switchOff();
    emit quitRequested();
}

void MainShell::CloseMainWindow()
{
    m_link.stopPolling();
    m_link.closePort();
    emit spreadsheetReleaseRequested();
    m_photos.switchOff();
    emit quitRequested();
}
