#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

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
    // Waits (bounded) for the queued workbooks, then ends the application.
    void release();

    QString templatePath() const;
    QString dayWorkbookPath(const QDate &date) const;
    QString accountingWorkbookPath(const QDate &date) const;

    static QStringList headerNames(const std::array<QString, 25> &paramNames);

    // The sequences as they run on the worker.
    static void buildTemplate(SpreadsheetApplication &app, const QString &path, const QStringList &headers);
    static void copyTemplate(SpreadsheetApplication &app, const QString &templatePath, const QString &target);

private:
    bool available() const;

    AppContext &m_context;
    SpreadsheetService &m_service;
};
