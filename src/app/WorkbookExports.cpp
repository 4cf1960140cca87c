#include "WorkbookExports.h"

#include "core/AppContext.h"
#include "core/EventLog.h"
#include "core/Formats.h"
#include "platform/SpreadsheetExport.h"
#include "reports/ExchangeLines.h"
#include "reports/ExchangeRebuild.h"
#include "reports/ExchangeRows.h"
#include "store/DayFileCodec.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

WorkbookExports::WorkbookExports(AppContext &context, EventLog &log, SpreadsheetExport &spreadsheet)
    : m_context(context)
    , m_log(log)
    , m_spreadsheet(spreadsheet)
{
}

void WorkbookExports::prepareDay(bool withAccountingWorkbook)
{
    m_spreadsheet.EnsureDayWorkbooks(withAccountingWorkbook);
}

void WorkbookExports::writeWorkbookRows(const CargoCard &card)
{
    if (!m_spreadsheet.available())
        return;
    const QDate today = m_context.clock.today();
    m_spreadsheet.WriteWeighingRow(m_spreadsheet.dayWorkbookPath(today), card.number + 2, ExchangeRows::dayRow(card),
                                   today);
    const auto codes = CodeBook(m_context.folders.BaseFolder).codes(card);
    m_spreadsheet.WriteWeighingRow(m_spreadsheet.accountingWorkbookPath(today), card.number + 2,
                                   ExchangeRows::accountingRow(card, codes), today);
}

QList<WriteJournal::Piece> WorkbookExports::exchangeLines(const CargoCard &card)
{
    using namespace ExchangeLines;
    const QDate today = m_context.clock.today();
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, today);
    const QString folder = m_context.MonthResultFolder();
    // A day begun while the program runs, or a file lost since, gets its
    // header first: no day text starts with zero bytes.
    const QString dayText = dayTextPath(folder, today);
    if (!hasHeaders(dayText))
        writeTextReportHeaders();
    QList<WriteJournal::Piece> pieces = cardLines(dayText, accountingTextPath(folder, today), card.number, dayLine(card),
                                                  accountingLine(card, CodeBook(m_context.folders.BaseFolder).codes(card)));
    if (pieces.isEmpty())
        m_log.WriteLog(u"Строка файлов обмена не записана: неверная запись %1"_s.arg(card.number));
    return pieces;
}

void WorkbookExports::writeTextReportHeaders()
{
    using namespace ExchangeLines;
    const QDate today = m_context.clock.today();
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, today);
    const QString path = dayTextPath(m_context.MonthResultFolder(), today);
    // The accounting text keeps card lines only: a title there would cover them.
    if (const StoreResult written = writeRecord(path, HeaderRecords * DayRecordSize, 1,
                                                headerRecords(m_context.settings.ParamNames, today));
        !written)
        m_log.WriteLog(u"Файл обмена %1 не записан (заголовок): %2"_s.arg(QFileInfo(path).fileName(),
                                                                           written.reason));
}

void WorkbookExports::reconcileTexts(const QDate &day)
{
    // What it finds wrong and rewrites is logged there.
    (void)ExchangeRebuild::reconcile(m_context, m_log, day);
}

void WorkbookExports::writeArchiveStatus(const QString &resultFolder, const QDate &day, int number,
                                         const QString &status)
{
    m_spreadsheet.WriteCellText(resultFolder + ShortDateText(day) + u".xls"_s, number + 2, 4, status);
}
