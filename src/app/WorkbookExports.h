#pragma once

#include "weighing/CardServices.h"

class SpreadsheetExport;

// The workbooks and exchange files of the cards, as far as this machine's
// office allows: without one every workbook step is skipped inside the
// spreadsheet export, and the day file stays the record.
class WorkbookExports final : public CardExports
{
public:
    explicit WorkbookExports(SpreadsheetExport &spreadsheet);

    void prepareDay(bool withAccountingWorkbook) override;
    void writeDayWorkbookRow(int number) override;
    void writeAccountingWorkbookRow(int number) override;
    void writeAccountingTexts(int number) override;
    void writeTextReportHeaders() override;
    void writeArchiveStatus(const QString &resultFolder, const QDate &day, int number,
                            const QString &status) override;

private:
    SpreadsheetExport &m_spreadsheet;
};
