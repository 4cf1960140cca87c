#include "ReportPrinter.h"

#include "PeriodReport.h"
#include "ReportPicture.h"
#include "ReportTable.h"
#include "core/Formats.h"

using namespace Qt::StringLiterals;
using Item = PrintSurface::Item;

namespace {

constexpr int LastPrintedColumn = 19;
constexpr int WideColumnsUpTo = 8;
// Lines this long print small enough to fit the paper.
constexpr qsizetype SmallLineLength = 180;

} // namespace

QString ReportTitle(const QDate &start, const QDate &end)
{
    return u"Отчет о работе весов с "_s + ShortDateText(start) + u" по "_s + ShortDateText(end);
}

QList<ReportTextLine> ReportTextLines(const ReportTable &table)
{
    QList<ReportTextLine> lines;
    const int lastColumn = qMin(LastPrintedColumn, table.columnCount() - 1);
    for (int r = 0; r < table.rowCount(); ++r) {
        if (r > 0 && table.isRowHidden(r))
            continue;
        ReportTextLine line;
        line.bold = !table.text(r, 0).isEmpty();
        for (int c = 1; c <= lastColumn; ++c) {
            if (table.columnWidth(c) == 0)
                continue;
            line.text += u' ' + table.text(r, c).toString().leftJustified(c <= WideColumnsUpTo ? 12 : 10, u' ', true);
        }
        line.points = line.text.size() >= SmallLineLength ? 6 : 10;
        lines.append(line);
    }
    return lines;
}

bool PrintReportAsText(PrintSurface &surface, const ReportTable &table, const QString &title,
                       PrintSurface::Orientation orientation)
{
    surface.setDocumentName(u"Отчет о работе весов"_s);
    surface.setOrientation(orientation);
    surface.setFontName(u"Courier New"_s);
    surface.setFontItalic(false);
    surface.setFontBold(false);
    surface.setFontSize(14);
    bool ok = surface.print();
    ok = surface.print() && ok;
    ok = surface.print({Item::tab(10), title}) && ok;
    ok = surface.print() && ok;
    ok = surface.print() && ok;
    surface.setFontSize(6);

    for (const ReportTextLine &line : ReportTextLines(table)) {
        surface.setFontBold(line.bold);
        surface.setFontSize(line.points);
        ok = surface.print({Item::tab(4), line.text}) && ok;
    }
    surface.setFontBold(false);
    return surface.endDocument() && ok;
}

bool FlexGridPrint(PrintSurface &surface, const ReportPicture &grid, const QString &title,
                   PrintSurface::Orientation orientation, int limit, double top, double left, int repeat)
{
    const int last = grid.rowCount() - 1;
    repeat = qBound(0, repeat, grid.rowCount());
    double captionHeight = 0;
    for (int r = 0; r < repeat; ++r)
        captionHeight += grid.rowHeight(r);
    int start = repeat;
    double offset = 0;
    int page = 0;
    do {
        surface.setDocumentName(u"Отчет о работе весов, лист "_s + QString::number(++page));
        surface.setOrientation(orientation);
        const double pageHeight = surface.pageHeight();
        double acc = 0;
        int n = 0;
        for (int r = start; r <= last; ++r) {
            acc += grid.rowHeight(r);
            if ((limit != -1 && n > limit) || 2 * top + acc + captionHeight > pageHeight) {
                acc -= grid.rowHeight(r);
                break;
            }
            ++n;
        }
        // A row taller than the page would never be passed.
        if (n == 0 && start <= last)
            return false;

        surface.setFontName(u"Courier New"_s);
        surface.setFontSize(12);
        surface.setFontBold(false);
        surface.setFontItalic(false);
        surface.setCurrentX(1000);
        surface.setCurrentY(500);
        bool ok = surface.print({title});
        ok = ok && surface.print() && surface.print();

        const double width = grid.width();
        const auto band = [&grid](double from, double height) {
            return [&grid, from, height](QPainter &painter) { grid.paint(painter, from, height); };
        };
        if (repeat > 0) {
            ok = ok && surface.drawBand(QRectF(left, top, width, captionHeight), band(0, captionHeight));
            // One caption height more than counted: the bands of the pages
            // still join, and the rows that did not fit come first next time.
            const double height = captionHeight + acc;
            ok = ok
                && surface.drawBand(QRectF(left, top + captionHeight, width, height),
                                    band(captionHeight + offset, height));
        } else {
            ok = ok && surface.drawBand(QRectF(left, top, width, acc), band(offset, acc));
        }
        if (!surface.endDocument() || !ok)
            return false;
        start += n;
        offset += acc + captionHeight;
        // Once the picture is used up further pages would be blank.
    } while (captionHeight + offset < grid.height());
    return true;
}

ReportPrinter::ReportPrinter(PeriodReport &report, Clock &clock, const QString &pdfFolder,
                             PrintSurface::Destination destination, QObject *parent)
    : QObject(parent)
    , m_report(report)
    , m_surface(clock, pdfFolder, destination)
{
}

QString ReportPrinter::failedMessage()
{
    return u"Отчет не напечатан: печать не удалось начать. Проверьте принтер или папку Print."_s;
}

QString ReportPrinter::PrintReport()
{
    const auto orientation = m_landscape ? PrintSurface::Orientation::Landscape : PrintSurface::Orientation::Portrait;
    const QString title = ReportTitle(m_report.keptStart(), m_report.keptEnd());
    bool ok;
    if (m_text) {
        ok = PrintReportAsText(m_surface, m_report.table(), title, orientation);
    } else {
        const ReportPicture picture(m_report.table());
        ok = FlexGridPrint(m_surface, picture, title, orientation, -1, 1000, 1000, 1);
    }
    const QString status =
        ok ? PrintSurface::destinationMessage(m_surface.lastDestination(), m_surface.lastWentToFile()) : failedMessage();
    emit printed(status);
    return status;
}
