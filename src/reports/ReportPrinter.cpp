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

namespace {

constexpr int MarkCharacters = 6;

bool hasShownMarks(const ReportTable &table)
{
    for (int r = 1; r < table.rowCount(); ++r)
        if (!table.isRowHidden(r) && table.row(r).mark() != ReportRow::Mark::None)
            return true;
    return false;
}

int lastTextColumn(const ReportTable &table)
{
    return qMin(LastPrintedColumn, table.columnCount() - 1);
}

} // namespace

ReportTextColumns ReportTextColumnsOf(const ReportTable &table)
{
    ReportTextColumns columns;
    if (hasShownMarks(table)) {
        columns.characters.push_back(1 + MarkCharacters);
        ++columns.describing;
    }
    bool first = true;
    for (int c = 1; c <= lastTextColumn(table); ++c) {
        if (table.columnWidth(c) == 0)
            continue;
        columns.characters.push_back(1 + (c <= WideColumnsUpTo ? 12 : 10));
        if (first)
            ++columns.describing;
        first = false;
    }
    return columns;
}

QList<ReportTextLine> ReportTextLines(const ReportTable &table)
{
    QList<ReportTextLine> lines;
    const int lastColumn = lastTextColumn(table);
    const bool marks = hasShownMarks(table);
    for (int r = 0; r < table.rowCount(); ++r) {
        if (r > 0 && table.isRowHidden(r))
            continue;
        ReportTextLine line;
        line.bold = !table.text(r, 0).isEmpty();
        if (marks) {
            const QString mark = r == 0 ? u"Отм."_s : ReportMarkText(table.row(r));
            line.text += u' ' + mark.leftJustified(MarkCharacters, u' ', true);
        }
        for (int c = 1; c <= lastColumn; ++c) {
            if (table.columnWidth(c) == 0)
                continue;
            line.text += u' ' + table.text(r, c).toString().leftJustified(c <= WideColumnsUpTo ? 12 : 10, u' ', true);
        }
        line.points = line.text.size() >= SmallLineLength ? ReportMinimumPoints : 10;
        lines.append(line);
    }
    return lines;
}

namespace {

// The bands of a banded plan: in the plan's smallest type, unless the
// type as drawn needs no more of them.
std::vector<std::vector<int>> chooseBands(const std::vector<double> &widths, int describing, double room,
                                          ReportPaperPlan &plan)
{
    double whole = 0;
    for (double w : widths)
        whole += w;
    if (!plan.banded)
        return ReportColumnBands(widths, 0, whole + 1);
    auto bands = ReportColumnBands(widths, describing, room / plan.scale);
    auto unscaled = ReportColumnBands(widths, describing, room);
    if (unscaled.size() <= bands.size()) {
        plan.scale = 1;
        return unscaled;
    }
    return bands;
}

// The printable width of a page turned this way, before anything is printed.
double roomFor(PrintSurface &surface, PrintSurface::Orientation orientation, double left)
{
    surface.setOrientation(orientation);
    return surface.pageWidth() - left;
}

// Which bands of columns a page shows, when there are several.
QString partText(size_t first, size_t last, size_t parts)
{
    if (parts < 2)
        return QString();
    const QString shown =
        QString::number(first + 1) + (last > first ? u'–' + QString::number(last + 1) : QString());
    return u"(столбцы "_s + shown + u" из "_s + QString::number(parts) + u')';
}

} // namespace

bool PrintReportAsText(PrintSurface &surface, const ReportTable &table, const QString &title,
                       PrintSurface::Orientation orientation)
{
    surface.setDocumentName(u"Отчет о работе весов"_s);
    surface.setFontName(u"Courier New"_s);
    surface.setFontItalic(false);
    surface.setFontBold(false);

    const QList<ReportTextLine> lines = ReportTextLines(table);
    const ReportTextColumns columns = ReportTextColumnsOf(table);
    double points = 10;
    qsizetype characters = 0;
    for (const ReportTextLine &line : lines) {
        points = qMin(points, line.points);
        characters = qMax(characters, line.text.size());
    }
    // Monospaced: a column's width grows with the type's size.
    surface.setFontSize(points);
    const double column = surface.columnWidth();
    const double indent = 3 * column;
    const double portraitRoom = roomFor(surface, PrintSurface::Orientation::Portrait, indent);
    const double landscapeRoom = roomFor(surface, PrintSurface::Orientation::Landscape, indent);
    ReportPaperPlan plan = PlanReportPaper(characters * column, portraitRoom, landscapeRoom, orientation, points);
    std::vector<double> widths;
    for (int n : columns.characters)
        widths.push_back(n * column);
    const double room = plan.orientation == PrintSurface::Orientation::Portrait ? portraitRoom : landscapeRoom;
    const std::vector<std::vector<int>> bands = chooseBands(widths, columns.describing, room, plan);
    // A size the printer's fonts have, rounded down so the line still fits.
    const double size = qMax(ReportMinimumPoints, std::floor(points * plan.scale * 10) / 10);
    surface.setOrientation(plan.orientation);

    std::vector<qsizetype> starts{0};
    for (int n : columns.characters)
        starts.push_back(starts.back() + n);
    surface.setFontSize(size);
    const double bandHeight = lines.size() * surface.lineHeight();
    surface.setFontSize(14);
    const double headingLine = surface.lineHeight();
    bool ok = true;
    for (size_t part = 0; part < bands.size(); ++part) {
        surface.setFontBold(false);
        surface.setFontSize(14);
        // A band that fits below the one before stays on its page.
        if (part == 0 || surface.currentY() + 3 * headingLine + bandHeight > surface.pageHeight()) {
            if (part > 0)
                ok = surface.newPage() && ok;
            ok = surface.print() && ok;
            ok = surface.print() && ok;
            ok = surface.print({Item::tab(10), title}) && ok;
        } else {
            ok = surface.print() && ok;
        }
        // The title's line is too short for the part as well.
        ok = surface.print({Item::tab(10), partText(part, part, bands.size())}) && ok;
        ok = surface.print() && ok;
        surface.setFontSize(size);
        for (const ReportTextLine &line : lines) {
            QString text;
            for (int c : bands[part])
                text += line.text.mid(starts[size_t(c)], columns.characters[size_t(c)]);
            surface.setFontBold(line.bold);
            ok = surface.print({Item::tab(4), text}) && ok;
        }
    }
    surface.setFontBold(false);
    return surface.endDocument() && ok;
}

ReportPaperPlan PlanReportPaper(double width, double portraitRoom, double landscapeRoom,
                                PrintSurface::Orientation orientation, double points)
{
    const double smallest = ReportMinimumPoints / points;
    const bool portrait = orientation == PrintSurface::Orientation::Portrait;
    const double room = portrait ? portraitRoom : landscapeRoom;
    ReportPaperPlan plan{orientation, 1.0, false};
    if (width <= 0)
        return plan;
    if (width * smallest <= room) {
        plan.scale = qMin(1.0, room / width);
    } else if (portrait && width * smallest <= landscapeRoom) {
        // Turned, the whole width still reads.
        plan.orientation = PrintSurface::Orientation::Landscape;
        plan.scale = qMin(1.0, landscapeRoom / width);
    } else {
        plan.scale = smallest;
        plan.banded = true;
    }
    return plan;
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
    // A table wider than the page is printed smaller, but never so small
    // that it cannot be read: then it is turned, or printed in bands of
    // columns, each repeating the columns that say which row it is.
    const double portraitRoom = roomFor(surface, PrintSurface::Orientation::Portrait, left);
    const double landscapeRoom = roomFor(surface, PrintSurface::Orientation::Landscape, left);
    ReportPaperPlan plan =
        PlanReportPaper(grid.width(), portraitRoom, landscapeRoom, orientation, ReportPicture::FontPoints);
    surface.setOrientation(plan.orientation);
    std::vector<double> widths;
    for (const ReportPicture::Column &c : grid.columns())
        widths.push_back(c.width);
    const double room = plan.orientation == PrintSurface::Orientation::Portrait ? portraitRoom : landscapeRoom;
    const std::vector<std::vector<int>> bands = chooseBands(widths, grid.describingColumns(), room, plan);
    const double scale = plan.scale;
    const double pageHeight = surface.pageHeight();

    bool ok = true;
    // The page being drawn: which bands it shows, and where a further band
    // that fits whole could start (none after a band that runs on).
    bool pageOpen = false;
    size_t pageFirst = 0, pageLast = 0;
    double stackAt = -1;
    // The title goes on when the page is done, naming the bands on it.
    const auto finishPage = [&] {
        if (!pageOpen)
            return true;
        surface.setFontName(u"Courier New"_s);
        surface.setFontSize(12);
        surface.setFontBold(false);
        surface.setFontItalic(false);
        surface.setCurrentX(1000);
        surface.setCurrentY(500);
        const QString partOf = partText(pageFirst, pageLast, bands.size());
        return surface.print({partOf.isEmpty() ? title : title + u"  "_s + partOf}) && surface.print()
            && surface.print();
    };
    const auto openPage = [&](size_t part) {
        if (pageOpen && !(finishPage() && surface.newPage()))
            return false;
        pageOpen = true;
        pageFirst = pageLast = part;
        return true;
    };
    const double whole = grid.height() * scale;
    const double gap = ReportPicture::RowHeight * scale;
    for (size_t part = 0; part < bands.size() && ok; ++part) {
        const std::vector<int> &columns = bands[part];
        const double width = grid.width(columns);
        const auto band = [&grid, &columns, scale](double from, double height) {
            return [&grid, &columns, from, height, scale](QPainter &painter) {
                painter.scale(scale, scale);
                grid.paint(painter, from, height, columns);
            };
        };
        // A short table's bands stand one under the other on a page.
        if (stackAt >= 0 && limit == -1 && stackAt + gap + whole + top <= pageHeight) {
            ok = surface.drawBand(QRectF(left, stackAt + gap, width * scale, whole), band(0, grid.height()));
            stackAt += gap + whole;
            pageLast = part;
            continue;
        }
        int start = repeat;
        double offset = 0;
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
            if (!openPage(part)) {
                ok = false;
                break;
            }
            if (repeat > 0) {
                ok = surface.drawBand(QRectF(left, top, width * scale, captionHeight * scale),
                                      band(0, captionHeight));
                // One caption height more than counted: the bands of the pages
                // still join, and the rows that did not fit come first next time.
                const double height = captionHeight + acc;
                ok = ok
                    && surface.drawBand(QRectF(left, top + captionHeight * scale, width * scale, height * scale),
                                        band(captionHeight + offset, height));
            } else {
                ok = surface.drawBand(QRectF(left, top, width * scale, acc * scale), band(offset, acc));
            }
            if (!ok)
                break;
            start += n;
            offset += acc + captionHeight;
            // Once the picture is used up further pages would be blank.
            if (captionHeight + offset >= grid.height()) {
                stackAt = page == 0 && start > last ? top + whole : -1;
                break;
            }
        }
    }
    ok = finishPage() && ok;
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
