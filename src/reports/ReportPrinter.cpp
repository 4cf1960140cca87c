#include "ReportPrinter.h"

#include "PeriodReport.h"
#include "ReportPicture.h"
#include "ReportTable.h"
#include "core/Formats.h"

#include <cmath>

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

    // A line wider than the page prints in a smaller font, so that every
    // shown column reaches the paper.
    const double pageWidth = surface.pageWidth();
    for (const ReportTextLine &line : ReportTextLines(table)) {
        surface.setFontBold(line.bold);
        surface.setFontSize(line.points);
        const double reach = 3 * surface.columnWidth() + surface.textWidth(line.text);
        if (reach > pageWidth)
            surface.setFontSize(std::floor(line.points * pageWidth / reach * 10) / 10);
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

    // All pages are one document: one PDF file, one print job.
    surface.setDocumentName(u"Отчет о работе весов"_s);
    surface.setOrientation(orientation);
    const double width = grid.width();
    // A table wider than the page is printed smaller, so no column is cut.
    const double room = surface.pageWidth() - left;
    const double scale = width > room && width > 0 ? room / width : 1.0;
    const double pageHeight = surface.pageHeight();

    int start = repeat;
    double offset = 0;
    bool ok = true;
    for (int page = 0;; ++page) {
        double acc = 0;
        int n = 0;
        for (int r = start; r <= last; ++r) {
            acc += grid.rowHeight(r);
            if ((limit != -1 && n > limit) || 2 * top + (acc + captionHeight) * scale > pageHeight) {
                acc -= grid.rowHeight(r);
                break;
            }
            ++n;
        }
        // A row taller than the page would never be passed.
        if (n == 0 && start <= last) {
            ok = false;
            break;
        }

        if (page > 0 && !surface.newPage()) {
            ok = false;
            break;
        }
        surface.setFontName(u"Courier New"_s);
        surface.setFontSize(12);
        surface.setFontBold(false);
        surface.setFontItalic(false);
        surface.setCurrentX(1000);
        surface.setCurrentY(500);
        ok = surface.print({title}) && surface.print() && surface.print();

        const auto band = [&grid, scale](double from, double height) {
            return [&grid, from, height, scale](QPainter &painter) {
                painter.scale(scale, scale);
                grid.paint(painter, from, height);
            };
        };
        if (repeat > 0) {
            ok = ok
                && surface.drawBand(QRectF(left, top, width * scale, captionHeight * scale),
                                    band(0, captionHeight));
            // One caption height more than counted: the bands of the pages
            // still join, and the rows that did not fit come first next time.
            const double height = captionHeight + acc;
            ok = ok
                && surface.drawBand(QRectF(left, top + captionHeight * scale, width * scale, height * scale),
                                    band(captionHeight + offset, height));
        } else {
            ok = ok && surface.drawBand(QRectF(left, top, width * scale, acc * scale), band(offset, acc));
        }
        if (!ok)
            break;
        start += n;
        offset += acc + captionHeight;
        // Once the picture is used up further pages would be blank.
        if (captionHeight + offset >= grid.height())
            break;
    }
    // Pages drawn before a failure still go out.
    return surface.endDocument() && ok;
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
