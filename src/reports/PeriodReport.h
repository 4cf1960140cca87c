#pragma once

#include "ReportCards.h"
#include "ReportColumnLayout.h"
#include "ReportMessage.h"
#include "ReportTable.h"
#include "ReportTableModel.h"

#include <QDate>
#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

class AppContext;
struct CargoCard;
class ProgressDisplay;

// The report view "Отчеты о работе весов" as plain state: the two date
// fields, the grouping list, the two check boxes, the kept period, the
// column layout and the table. The frame only shows it and forwards clicks.
class PeriodReport : public QObject
{
    Q_OBJECT

public:
    static constexpr QRgb HeaderColour = qRgb(192, 192, 192);
    static constexpr QRgb DeletedColour = qRgb(255, 192, 192);
    static constexpr QRgb IncompleteColour = qRgb(255, 255, 192);
    static constexpr QRgb ClosedByCopyColour = qRgb(200, 224, 255);
    static constexpr int HeaderFontWidth = 6;
    // Most cards a day file is read for.
    static constexpr int MaxDayCards = 100000;

    explicit PeriodReport(AppContext &context, QObject *parent = nullptr);

    // Shown while a report is built; none by default.
    void setProgressDisplay(ProgressDisplay *display) { m_progress = display; }
    ProgressDisplay *progressDisplay() const { return m_progress; }
    // The width in twips the grid needs for a caption; without it a
    // caption never widens its column.
    void setCaptionWidth(std::function<int(const QString &)> measure) { m_captionWidth = std::move(measure); }

    // Another source of cards than the day files ("Все весы"); none: this
    // scale's day files. The grouping, columns and totals stay the same.
    void setCardSource(ReportCards *source);
    ReportCards *cardSource() const { return m_source; }
    // The source now gives cards of one scale or of several: the grouping
    // list offers "Весы" only for several.
    void sourceChanged();
    bool manySites() const;
    static QString siteCaption();
    // Why the last SourceFailed happened.
    QString sourceError() const { return m_sourceError; }

    // What the main window calls.
    // Its load: both dates to today, the grid prepared, the grouping list
    // filled from the parameter names with the first entry selected.
    void loadMainWindow();
    // Default layout and its captions, before any report was built.
    void prepareGrid();
    // Entering the report view: captions again, and a new report when the
    // kept period is a single day (also on the first visit after start).
    ReportMessage enterView();
    // The parameter names were renamed: the grouping list and the column
    // captions follow, the selection and the rows stay.
    void applyParamNames();

    QString date1Text() const { return m_date1; }
    QString date2Text() const { return m_date2; }
    void setDate1Text(const QString &text);
    void setDate2Text(const QString &text);
    QStringList parameterEntries() const { return m_entries; }
    int selectedEntry() const { return m_selected; }
    void setSelectedEntry(int entry);
    // "Раскрыть строки" and "Раскрыть столбцы"; setting them changes
    // nothing in the table until ApplyExpandOptions runs.
    bool rowsExpanded() const { return m_rowsExpanded; }
    bool columnsExpanded() const { return m_columnsExpanded; }
    void setRowsExpanded(bool on);
    void setColumnsExpanded(bool on);

    // The period of the last run, also of a rejected one.
    QDate keptStart() const { return m_keptStart; }
    QDate keptEnd() const { return m_keptEnd; }

    const ReportColumnLayout &columnLayout() const { return m_layout; }
    const ReportTable &table() const { return m_table; }
    ReportTableModel *model() { return &m_model; }

    // Operations of the report view.
    ReportMessage BuildPeriodReport();
    void Data_Read_Report(const QString &path);
    void ResetColumnLayout();
    void ApplyGroupingChoice();
    void ApplyColumnCaptions();
    // `row` is a row of the table (0 = caption row).
    void ToggleGroup(int row);
    void ApplyExpandOptions();

    // The card an archive completion closed in its own day: its weighing
    // lives in the completed copy of a later card, so the report shows it
    // with its weights in brackets and leaves it out of the sums.
    static bool isClosedByCopy(const CargoCard &card);

    // A date field's text: d.M.yyyy, blanks around it allowed.
    static QDate parseDate(const QString &text);
    static QDate earliestStart() { return QDate(2010, 1, 1); }

signals:
    // The fields, the list or the check boxes changed.
    void fieldsChanged();
    // Captions or column widths changed.
    void columnsChanged();

private:
    ReportMessage checkPeriod(const QDate &start, const QDate &end) const;
    int firstYearWithFolder(int fromYear, int toYear) const;
    void appendCardRow(const CargoCard &card);
    QStringList groupingEntries() const;
    void insertGroupHeaders();
    void sumUpwards();
    void applyColumnOption();
    void applyRowOption();
    void progress(int percent);

    AppContext &m_context;
    ProgressDisplay *m_progress = nullptr;
    std::function<int(const QString &)> m_captionWidth;
    int m_progressShown = -1;

    QString m_date1;
    QString m_date2;
    QStringList m_entries;
    int m_selected = -1;
    bool m_rowsExpanded = true;
    bool m_columnsExpanded = true;
    QDate m_keptStart;
    QDate m_keptEnd;

    ReportColumnLayout m_layout;
    ReportTable m_table;
    ReportTableModel m_model;
    int m_dataRows = 0;
    ReportCards *m_source = nullptr;
    QString m_sourceError;
};
