#pragma once

#include <QColor>
#include <QDate>
#include <QObject>
#include <QString>
#include <functional>

class AppContext;
class DayFiles;
class EventLog;
class Weighing;

// The steps of the main window that other parts of the program carry out.
// A missing step is skipped, as a failing one would be.
struct MainShellHooks
{
    std::function<void()> openPort;
    std::function<void()> closePort;
    std::function<void()> refreshPortStatus;
    std::function<void()> startPolling;
    // The day workbook from the template when it is missing (spreadsheet only).
    std::function<void()> ensureDayWorkbook;
    // Card DayCardNumber into the card frame after today's file is read.
    std::function<void()> showTodayCard;
    // The 25 parameter names into every caption.
    std::function<void()> applyParamNames;
    std::function<void()> showTodayList;
    std::function<void()> selectTerminalEntry;
    // Platform or axle layout, then the service settings.
    std::function<void()> applyScaleLayout;
    // Archive calendar to today, additional names, the seven parameter boxes.
    std::function<void()> prepareArchiveAndPickLists;
    std::function<void()> writeTextReportHeaders;
    std::function<void()> loadAnimationPictures;
    // Automatic mode at start: camera switched on when so configured.
    std::function<void()> startAutoPhoto;
    // Report dates to today, the grid prepared, the parameter list filled.
    std::function<void()> prepareReports;
    // Mode entries that refresh their frame.
    std::function<void()> redisplayCurrentCard;
    std::function<void()> enterArchive;
    std::function<void()> enterReports;
    std::function<void()> CheckOverload;
    // After the change of day: nothing of yesterday stays open for completion.
    std::function<void()> dayChanged;
    std::function<void()> closeVideo;
    std::function<void()> quit;
};

// The advertising caption as the settings describe it, with the fallbacks.
struct AdvertStyle
{
    QString text;
    QString fontName;
    int fontSize = 26;
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    bool underline = false;
    QColor colour;
};
AdvertStyle advertStyle(const AppContext &context);

// A colour stored as red + 256 * green + 65536 * blue.
QColor colourFromValue(qint64 value);

// The operator's workplace without its widgets: the title, the modes, the
// sum switch, the clock and the exit. The window mirrors it.
class MainShell : public QObject
{
    Q_OBJECT

public:
    enum class Mode { DataEntry, View, Archive, Reports };

    MainShell(AppContext &context, EventLog &log, DayFiles &days, Weighing &weighing, QObject *parent = nullptr);

    MainShellHooks hooks;

    void LoadMainWindow();
    void ActivateMainWindow();
    void ClockTick();
    void SelectMode(Mode mode);
    void ToggleSum();
    // After the operator confirmed the question.
    void ExitProgram();
    void CloseMainWindow();

    bool loaded() const { return m_loaded; }
    QString title() const { return m_title; }
    Mode mode() const { return m_mode; }
    QDate rememberedDay() const { return m_day; }
    QString sumCaption() const;
    QColor sumColour() const;
    QString sumWeightText() const;
    QString sumCountText() const;
    // The data-entry state that automatic start sets.
    bool autoMode() const { return m_autoMode; }
    // "Автомат": ticking hides "Записать" and picks the single weighing;
    // clearing shows the button and keeps the type.
    void setAutoMode(bool on);
    bool storeButtonVisible() const { return m_storeButtonVisible; }
    // Today's list page button.
    bool pageButtonVisible() const { return m_pageButtonVisible; }
    QString pageButtonCaption() const { return m_pageButtonCaption; }
    void setPageButton(bool visible, const QString &caption);

    static QString exitQuestion();
    static QString exitTitle();

signals:
    void changed();
    void modeChanged();
    void dayListCleared();

private:
    void updateTitle();

    AppContext &m_context;
    EventLog &m_log;
    DayFiles &m_days;
    Weighing &m_weighing;
    bool m_loaded = false;
    QString m_title;
    Mode m_mode = Mode::DataEntry;
    QDate m_day;
    bool m_autoMode = false;
    bool m_storeButtonVisible = true;
    bool m_pageButtonVisible = false;
    QString m_pageButtonCaption = QStringLiteral("0");
};
