#include "MainShell.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Hooks.h"
#include "core/Formats.h"
#include "core/MainTitle.h"
#include "store/DayFiles.h"
#include "weighing/CargoCard.h"
#include "weighing/Weighing.h"

using namespace Qt::StringLiterals;

QColor colourFromValue(qint64 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

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
    style.colour = colourFromValue(s.AdvertColor == 0 ? 16711680 : s.AdvertColor);
    return style;
}

MainShell::MainShell(AppContext &context, EventLog &log, DayFiles &days, Weighing &weighing, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_log(log)
    , m_days(days)
    , m_weighing(weighing)
{
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
    runHook(hooks.openPort);
    if (m_context.ExcelAvailable == 1)
        runHook(hooks.ensureDayWorkbook);
    m_days.LoadToday();
    runHook(hooks.showTodayCard);
    runHook(hooks.applyParamNames);
    runHook(hooks.showTodayList);
    if (s.TerminalType == 0)
        s.TerminalType = 1;
    runHook(hooks.selectTerminalEntry);
    runHook(hooks.applyScaleLayout);
    runHook(hooks.prepareArchiveAndPickLists);
    m_day = m_context.clock.today();
    runHook(hooks.writeTextReportHeaders);
    updateTitle();
    runHook(hooks.loadAnimationPictures);
    if (s.AutoStart == 1) {
        setAutoMode(true);
        if (s.AutoPhoto == 1)
            runHook(hooks.startAutoPhoto);
    }
    runHook(hooks.prepareReports);
    runHook(hooks.startPolling);
    m_loaded = true;
    emit changed();
}

void MainShell::ActivateMainWindow()
{
    Settings &s = m_context.settings;
    runHook(hooks.refreshPortStatus);
    if (s.SumModeOn == 0) {
        s.SumWeight = 0;
        s.SumCount = 0;
    }
    // In automatic mode cards are stored by the steadiness test: the button
    // stays hidden, or every activation would bring it back.
    m_storeButtonVisible = !m_autoMode;
    runHook(hooks.applyParamNames);
    emit changed();
}

void MainShell::ClockTick()
{
    updateTitle();
    runHook(hooks.CheckOverload);
    const QDate today = m_context.clock.today();
    if (today != m_day) {
        m_day = today;
        m_context.settings.DayCardNumber = 0;
        m_days.list(DayTarget::Today).clear();
        setPageButton(false, u"0"_s);
        m_context.createMonthFolders();
        m_context.storeSettings();
        m_weighing.dayChanged();
        runHook(hooks.dayChanged);
        emit dayListCleared();
    }
    emit changed();
}

void MainShell::SelectMode(Mode mode)
{
    m_mode = mode;
    static constexpr Weighing::Frame frames[] = {Weighing::Frame::DataEntry, Weighing::Frame::CurrentCard,
                                                 Weighing::Frame::Archive, Weighing::Frame::Other};
    m_weighing.setVisibleFrame(frames[int(mode)]);
    switch (mode) {
    case Mode::DataEntry:
        runHook(hooks.showTodayList);
        break;
    case Mode::View:
        runHook(hooks.redisplayCurrentCard);
        break;
    case Mode::Archive:
        runHook(hooks.enterArchive);
        break;
    case Mode::Reports:
        runHook(hooks.enterReports);
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
    return NumberText(m_context.settings.SumWeight);
}

QString MainShell::sumCountText() const
{
    return QString::number(m_context.settings.SumCount);
}

void MainShell::setAutoMode(bool on)
{
    m_autoMode = on;
    m_storeButtonVisible = !on;
    if (on)
        m_weighing.selectOperationType(OperationTypes::single());
    emit changed();
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
    runHook(hooks.closePort);
    runHook(m_context.hooks.releaseSpreadsheet);
    m_context.storeSettings();
    m_log.WriteLog(u"Выход из программы:"_s + m_context.CurrentOperator);
    runHook(hooks.closeVideo);
    runHook(hooks.quit);
}

void MainShell::CloseMainWindow()
{
    runHook(hooks.closePort);
    runHook(m_context.hooks.releaseSpreadsheet);
    runHook(hooks.closeVideo);
    runHook(hooks.quit);
}
