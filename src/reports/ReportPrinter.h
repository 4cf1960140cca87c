#pragma once

#include "platform/PrintSurface.h"

#include <QDate>
#include <QList>
#include <QObject>

class ReportPicture;
class ReportTable;
class PeriodReport;

// "Отчет о работе весов с 01.03.2012 по 15.03.2012".
QString ReportTitle(const QDate &start, const QDate &end);

// A line of the text report: its text, bold or not, and its font size.
struct ReportTextLine
{
    QString text;
    bool bold = false;
    double points = 10;
};
// The shown rows as text lines: columns 1..19 that are not hidden, each a
// blank and the cell cut to 12 (columns 1..8) or 10 characters.
QList<ReportTextLine> ReportTextLines(const ReportTable &table);

// One monospaced line per shown row, in one document; lines wider than the
// page in a font small enough to fit it.
bool PrintReportAsText(PrintSurface &surface, const ReportTable &table, const QString &title,
                       PrintSurface::Orientation orientation);

// The grid's picture page by page in one document, each page with the title
// and the first `repeat` rows on top; a picture wider than the page is
// scaled down to its width. `limit` -1: only the page height limits the rows
// of a page. False after the first error.
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
