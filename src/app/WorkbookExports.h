#pragma once

#include "card/CardServices.h"


class AppContext;
class EventLog;
class SpreadsheetExport;
struct CargoCard;

// The workbooks and exchange files of the cards of today. Each export takes
// the card as it was written, and the accounting codes of its own seven
// texts, so a completed, corrected or deleted card never carries the codes
// of another. The text lines go with the card's own write; the workbook
// rows go to the spreadsheet worker and are skipped without an office.
// Failures reach the event log; the day file stays the record.
class WorkbookExports final : public CardExports
{
public:
    WorkbookExports(AppContext &context, EventLog &log, SpreadsheetExport &spreadsheet);

    void prepareDay(bool withAccountingWorkbook) override;
    QList<WriteJournal::Piece> exchangeLines(const CargoCard &card) override;
    void writeWorkbookRows(const CargoCard &card) override;
    void writeTextReportHeaders() override;
    void reconcileTexts(const QDate &day) override;
    void writeArchiveStatus(const QString &resultFolder, const QDate &day, int number,
                            const QString &status) override;

    AppContext &m_context;
    EventLog &m_log;
    SpreadsheetExport &m_spreadsheet;
};
