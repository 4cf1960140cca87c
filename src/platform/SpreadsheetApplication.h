#pragma once

#include <QString>

// The spreadsheet application as the workbook writers use it: one
// application, workbooks of which one is active, cells of the active
// workbook's first sheet addressed 1-based. Every operation reports
// whether it worked; callers go on with their next step either way.
//
// An implementation is used from one thread at a time.
class SpreadsheetApplication
{
public:
    // The constants of the automation interface, so callers read as its users do.
    enum class LineStyle { Continuous = 1, None = -4142 };
    enum class BorderWeight { Thin = 2, Medium = -4138 };
    enum class Alignment { Left = -4131, Center = -4108, Right = -4152 };

    virtual ~SpreadsheetApplication();

    // Makes the application ready; starts it again when it has gone away.
    virtual bool create() = 0;

    // Workbooks.Add: a new empty workbook, which becomes active. Returns its
    // handle, 0 on failure.
    virtual int addWorkbook() = 0;
    // Workbook.Activate.
    virtual bool activateWorkbook(int workbook) = 0;
    // Workbooks.Open: the workbook becomes active. Returns its handle, 0 on failure.
    virtual int openWorkbook(const QString &path) = 0;
    // ActiveWorkbook.SaveAs (as an Excel 97 workbook), .Save and .Close.
    virtual bool saveAs(const QString &path) = 0;
    virtual bool save() = 0;
    virtual bool close() = 0;
    // Workbooks.Close: every open workbook, unsaved.
    virtual bool closeAll() = 0;
    // Application.Quit: no workbook of this caller stays open afterwards.
    virtual void quit() = 0;

    // Cells(row, column) = value.
    virtual bool setCellInteger(int row, int column, qint64 value) = 0;
    virtual bool setCellDouble(int row, int column, double value) = 0;
    // A date as days since 30.12.1899 with the time as fraction; shown as a
    // date unless the cell already has a date or time format.
    virtual bool setCellDate(int row, int column, double oleDate) = 0;
    // Always stored as text, also when it looks like a number or a formula.
    virtual bool setCellText(int row, int column, const QString &text) = 0;

    // Cells(row, column).NumberFormat, a format code such as "h:mm:ss".
    virtual bool setNumberFormat(int row, int column, const QString &format) = 0;
    // Cells(row, column).Borders.LineStyle and .Borders.Weight, all four edges.
    virtual bool setBorderLineStyle(int row, int column, LineStyle style) = 0;
    virtual bool setBorderWeight(int row, int column, BorderWeight weight) = 0;
    // Cells(row, column).HorizontalAlignment.
    virtual bool setHorizontalAlignment(int row, int column, Alignment alignment) = 0;
    // Columns(column).ColumnWidth, in characters of the standard font.
    virtual bool setColumnWidth(int column, double characters) = 0;

    // Ends the application for good, on the thread that used it; a later
    // create() would start it anew.
    virtual void shutDown() {}
    // Ends the application at once; callable from any thread. Used when a
    // job hangs, so that its pending call fails and the worker gets free.
    virtual void abort() {}
};
