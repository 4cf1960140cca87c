#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "WorkbookCell.h"

#include <array>
#include <functional>
#include <utility>

class AppContext;
class SpreadsheetApplication;
class SpreadsheetService;

// The report template and the day workbooks: every step is queued on the
// spreadsheet worker, with the paths and names fixed at the moment of the
// call, and nothing happens while `ExcelAvailable` is 0.
class SpreadsheetExport
{
public:
    // Columns 1..25 of the template and the day workbooks: the main
    // parameter shown in each.
    static constexpr std::array<int, 25> ColumnParams = {
        10, 11, 14, 15, 12, 13, 7, 8, 0, 1, 2, 3, 4, 5, 6, 16, 18, 17, 19, 20, 9, 21, 22, 23, 24,
    };

    SpreadsheetExport(AppContext &context, SpreadsheetService &service);

    // The start-up probe. Answers at once whether the application exists
    // and starts it on the worker; should the start fail, `ExcelAvailable`
    // drops to 0 then and the jobs queued meanwhile are dropped.
    bool probe();
    // Builds "Tip30.xls" in the template folder when it is missing.
    void CreateSpreadsheetTemplate();
    // The day workbook of today, and with `withAccountingWorkbook` also the
    // accounting workbook, from the template where missing.
    void EnsureDayWorkbooks(bool withAccountingWorkbook);
    // Row `row` of the existing workbook `path`, and B1 = `date`.
    void WriteWeighingRow(const QString &path, int row, const WorkbookRow &cells, const QDate &date);
    // One text cell of an existing workbook (an archived card's new status).
    void WriteCellText(const QString &path, int row, int column, const QString &text);
    // `path` anew from the template with all of `rows` (row number, cells)
    // and B1 = `date`; `progress`(rows done, rows) is called on the worker,
    // `finished`(written) at the end, also when the job never runs.
    using Rows = QList<std::pair<int, WorkbookRow>>;
    void RebuildWorkbook(const QString &path, const Rows &rows, const QDate &date,
                         std::function<void(int, int)> progress, std::function<void(bool)> finished);
    bool available() const;

    // Waits (bounded) for the queued workbooks, then ends the application.
    void release();

    QString templatePath() const;
    QString dayWorkbookPath(const QDate &date) const;
    QString accountingWorkbookPath(const QDate &date) const;

    static QStringList headerNames(const std::array<QString, 25> &paramNames);

    // The sequences as they run on the worker.
    static void buildTemplate(SpreadsheetApplication &app, const QString &path, const QStringList &headers);
    static void copyTemplate(SpreadsheetApplication &app, const QString &templatePath, const QString &target);
    // Cells of row `row` after its first: borders, then the columns in the
    // order the row writer sets them.
    static void writeRowCells(SpreadsheetApplication &app, int row, const WorkbookRow &cells);
    static bool setCell(SpreadsheetApplication &app, int row, int column, const WorkbookCell &cell);
    // Saves the active workbook under a neighbour name, closes it and puts
    // it in place of `path` by a rename, so a crash at any moment leaves
    // the old or the new workbook, never a part of one.
    static bool saveReplacing(SpreadsheetApplication &app, const QString &path);
    static QString savingPath(const QString &path);

private:

    AppContext &m_context;
    SpreadsheetService &m_service;
};
