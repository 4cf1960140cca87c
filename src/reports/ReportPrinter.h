#pragma once

#include "platform/PrintSurface.h"

#include <QDate>
#include <QList>
#include <QObject>

#include <vector>

class ReportPicture;
class ReportTable;
class PeriodReport;

// "Отчет о работе весов с 01.03.2012 по 15.03.2012".
QString ReportTitle(const QDate &start, const QDate &end);

// No report text is printed smaller than this.
inline constexpr double ReportMinimumPoints = 7;

// How a table `width` twips wide, drawn in type of `points`, goes on paper:
// scaled to the page's room, but not below ReportMinimumPoints; turned to
// landscape when that is enough; else in bands of columns at the smallest
// type.
struct ReportPaperPlan
{
    PrintSurface::Orientation orientation;
    double scale;
    bool banded;
};
ReportPaperPlan PlanReportPaper(double width, double portraitRoom, double landscapeRoom,
                                PrintSurface::Orientation orientation, double points);

// A line of the text report: its text, bold or not, and its font size.
struct ReportTextLine
{
    QString text;
    bool bold = false;
    double points = 10;
};
// The shown rows as text lines: columns 1..19 that are not hidden, each a
// blank and the cell cut to 12 (columns 1..8) or 10 characters; before them
// the marks of deleted and incomplete cards where the rows shown hold any.
QList<ReportTextLine> ReportTextLines(const ReportTable &table);
// The characters of each column of those lines, its blank included, and how
// many of the first columns say which row it is (the mark, the first
// parameter).
struct ReportTextColumns
{
    std::vector<int> characters;
    int describing = 0;
};
ReportTextColumns ReportTextColumnsOf(const ReportTable &table);

// One monospaced line per shown row, in one document; lines wider than the
// page in a font small enough to fit it, but never below the smallest type:
// then turned, or in bands of columns one after the other.
bool PrintReportAsText(PrintSurface &surface, const ReportTable &table, const QString &title,
                       PrintSurface::Orientation orientation);

// The grid's picture page by page in one document, each page with the title
// and the first `repeat` rows on top. A picture wider than the page is
// scaled down, turned or split into bands of columns as PlanReportPaper
// says; the bands of a table short enough stand one under the other.
// `limit` -1: only the page height limits the rows of a page. False after
// the first error.
bool FlexGridPrint(PrintSurface &surface, const ReportPicture &grid, const QString &title,
                   PrintSurface::Orientation orientation, int limit, double top, double left, int repeat);

// "Печать отчета" with its two check boxes, printing the report as shown.
class ReportPrinter : public QObject
{
    Q_OBJECT

public:
    ReportPrinter(PeriodReport &report, Clock &clock, const QString &pdfFolder,
                  PrintSurface::Destination destination = PrintSurface::Destination::DefaultPrinter,
                  QObject *parent = nullptr);

    // "текст" and "альбомная".
    bool textMode() const { return m_text; }
    bool landscape() const { return m_landscape; }
    void setTextMode(bool on) { m_text = on; }
    void setLandscape(bool on) { m_landscape = on; }

    // Prints and says where the last page went, or that printing failed.
    QString PrintReport();

    static QString failedMessage();
    PrintSurface &surface() { return m_surface; }

signals:
    void printed(const QString &status);

private:
    PeriodReport &m_report;
    PrintSurface m_surface;
    bool m_text = false;
    bool m_landscape = false;
};
