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

std::optional<CargoCard> WorkbookExports::todayCard(int number, const QString &what)
{
    const QDate today = m_context.clock.today();
    std::optional<CargoCard> card = ExchangeRows::readCard(dayFilePath(m_context.folders, today), number);
    if (!card)
        m_log.WriteLog(u"%1 не записана: карточки %2 нет в файле дня %3"_s.arg(what).arg(number).arg(
            dayFileName(today)));
    return card;
}

void WorkbookExports::prepareDay(bool withAccountingWorkbook)
{
    m_spreadsheet.EnsureDayWorkbooks(withAccountingWorkbook);
}

void WorkbookExports::writeDayWorkbookRow(int number)
{
    if (!m_spreadsheet.available())
        return;
    if (const auto card = todayCard(number, u"Строка книги Excel"_s))
        m_spreadsheet.WriteWeighingRow(m_spreadsheet.dayWorkbookPath(m_context.clock.today()), number + 2,
                                       ExchangeRows::dayRow(*card), m_context.clock.today());
}

void WorkbookExports::writeAccountingWorkbookRow(int number)
{
    if (!m_spreadsheet.available())
        return;
    if (const auto card = todayCard(number, u"Строка книги 1С"_s)) {
        const auto codes = CodeBook(m_context.folders.BaseFolder).codes(*card);
        m_spreadsheet.WriteWeighingRow(m_spreadsheet.accountingWorkbookPath(m_context.clock.today()), number + 2,
                                       ExchangeRows::accountingRow(*card, codes), m_context.clock.today());
    }
}

void WorkbookExports::writeAccountingTexts(int number)
{
    using namespace ExchangeLines;
    const auto card = todayCard(number, u"Строка файлов обмена"_s);
    if (!card)
        return;
    const QDate today = m_context.clock.today();
    m_context.folders.createMonthResultFolder(m_context.settings.ResultFolder, today);
    const QString folder = m_context.MonthResultFolder();
    // A day begun while the program runs, or a file lost since, gets its
    // header first: no day text starts with zero bytes.
    const QString dayText = dayTextPath(folder, today);
    if (!hasHeaders(dayText))
        writeTextReportHeaders();
    const QString accounting = accountingTextPath(folder, today);
    if (const StoreResult written =
            writeCardLines(dayText, accounting, number, dayLine(*card),
                           accountingLine(*card, CodeBook(m_context.folders.BaseFolder).codes(*card)));
        !written)
        m_log.WriteLog(u"Файлы обмена %1 и %2 не записаны (карточка %3): %4"_s.arg(QFileInfo(dayText).fileName(),
                                                                                    QFileInfo(accounting).fileName())
                           .arg(number)
                           .arg(written.reason));
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
