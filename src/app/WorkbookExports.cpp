#include "WorkbookExports.h"

#include "platform/SpreadsheetExport.h"

WorkbookExports::WorkbookExports(SpreadsheetExport &spreadsheet)
    : m_spreadsheet(spreadsheet)
{
}

void WorkbookExports::prepareDay(bool withAccountingWorkbook)
{
    m_spreadsheet.EnsureDayWorkbooks(withAccountingWorkbook);
}

// The rows and exchange lines are not written yet: the day file holds the
// card, and the files can be rebuilt from it.
void WorkbookExports::writeDayWorkbookRow(int) {}
void WorkbookExports::writeAccountingWorkbookRow(int) {}
void WorkbookExports::writeAccountingTexts(int) {}
void WorkbookExports::writeTextReportHeaders() {}
void WorkbookExports::writeArchiveStatus(const QString &, const QDate &, int, const QString &) {}
