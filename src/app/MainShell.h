#pragma once

#include "core/Colour.h"

#include <QColor>
#include <QDate>
#include <QObject>
#include <QString>

class AppContext;
class ArchiveBrowser;
class CardExports;
class CardPhotos;
class DayFiles;
class EventLog;
class ParamExtras;
class PeriodReport;
class TerminalLink;
class Weighing;
class WeightConditioning;

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


// The operator's workplace without its widgets: the title, the modes, the
// sum switch, the clock and the exit. The window mirrors it.
class MainShell : public QObject
{
    Q_OBJECT

public:
    enum class Mode { DataEntry, View, Archive, Reports };

    // Everything the main window's load, clock and exit drive.
    struct Parts
    {
        AppContext &context;
        EventLog &log;
        DayFiles &days;
        Weighing &weighing;
        TerminalLink &link;
        WeightConditioning &conditioning;
        ArchiveBrowser &archive;
        ParamExtras &extras;
        PeriodReport &report;
        CardExports &exports;
        CardPhotos &photos;
    };

    explicit MainShell(const Parts &parts, QObject *parent = nullptr);

    void LoadMainWindow();
    // The service settings were saved: "Квит." and the tare field follow.
    void ApplyServiceSettings();
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
    QDate rememberedDay() const;
    QString sumCaption() const;
    QColor sumColour() const;
    QString sumWeightText() const;
    QString sumCountText() const;
    // The data-entry state that automatic start sets.
    bool autoMode() const { return m_autoMode; }
    // "Автомат": ticking hides "Записать" and picks the single weighing;
    // clearing shows the button and keeps the type.
    // Not in axle mode: the box is cleared and hidden there.
    void setAutoMode(bool on);
    // "Осевая" or "Платформенная": the axle controls or "Автомат".
    void applyProgramType();
    bool axleControlsVisible() const;
    bool autoBoxVisible() const { return !axleControlsVisible(); }
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
    // The 25 parameter names into every caption.
    void paramNamesChanged();
    // Today's list was read again: show its last page.
    void todayListChanged();
    // Platform or axle layout and the service settings into the windows.
    void scaleLayoutChanged();
    // The seven parameter boxes take the pick lists just read.
    void pickListsLoaded();
    // The animation pictures of the settings into the window.
    void picturesChanged();
    // The mode "Отчеты" was entered.
    void reportsEntered();
    // The main window closes: the office held for the workbooks is let go.
    void spreadsheetReleaseRequested();
    // "Выход" is done: the program ends.
    void quitRequested();

private:
    void updateTitle();
    void dayChanged();

    AppContext &m_context;
    EventLog &m_log;
    DayFiles &m_days;
    Weighing &m_weighing;
    TerminalLink &m_link;
    WeightConditioning &m_conditioning;
    ArchiveBrowser &m_archive;
    ParamExtras &m_extras;
    PeriodReport &m_report;
    CardExports &m_exports;
    CardPhotos &m_photos;
    bool m_loaded = false;
    QString m_title;
    Mode m_mode = Mode::DataEntry;
    bool m_autoMode = false;
    bool m_storeButtonVisible = true;
    bool m_pageButtonVisible = false;
    QString m_pageButtonCaption = QStringLiteral("0");
};
