#pragma once

#include "card/CardServices.h"

#include <optional>

class AppContext;
class EventLog;
class SpreadsheetExport;
struct CargoCard;

// The workbooks and exchange files of the cards of today. Each export takes
// the card as today's day file holds it, and the accounting codes of its
// own seven texts, so a completed, corrected or deleted card never carries
// the codes of another. The texts are written at once; the workbook rows
// go to the spreadsheet worker and are skipped without an office. Failures
// reach the event log; the day file stays the record.
class WorkbookExports final : public CardExports
{
public:
    WorkbookExports(AppContext &context, EventLog &log, SpreadsheetExport &spreadsheet);

    void prepareDay(bool withAccountingWorkbook) override;
    void writeDayWorkbookRow(int number) override;
    void writeAccountingWorkbookRow(int number) override;
    void writeAccountingTexts(int number) override;
    void writeTextReportHeaders() override;
    void reconcileTexts(const QDate &day) override;
    void writeArchiveStatus(const QString &resultFolder, const QDate &day, int number,
                            const QString &status) override;

private:
    std::optional<CargoCard> todayCard(int number, const QString &what);

    AppContext &m_context;
    EventLog &m_log;
    SpreadsheetExport &m_spreadsheet;
};
