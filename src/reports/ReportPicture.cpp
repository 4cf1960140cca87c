#include "ReportPicture.h"

#include "ReportRow.h"
#include "ReportTable.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Room between a cell's border and its text.
constexpr double CellPadding = 45;

QFont gridFont(bool bold)
{
    QFont font;
    // The grid's font, or the same-metric stand-in where it is not installed.
    font.setFamilies({u"MS Sans Serif"_s, u"Liberation Sans"_s});
    font.setPixelSize(int(ReportPicture::FontPoints * 20));
    font.setBold(bold);
    font.setKerning(false);
    return font;
}

// Whether a cell of `column` takes its row's look; the marks take the look
// of the parameters beside them.
bool styled(const ReportRow &row, int column)
{
    return row.styledFrom() >= 0 && (column == ReportPicture::MarkColumn ? 1 : column) >= row.styledFrom();
}

} // namespace

QString ReportMarkText(const ReportRow &row)
{
    switch (row.mark()) {
    case ReportRow::Mark::Deleted: return u"удал."_s;
    case ReportRow::Mark::Incomplete: return u"незав."_s;
    case ReportRow::Mark::None: break;
    }
    return QString();
}

std::vector<std::vector<int>> ReportColumnBands(const std::vector<double> &widths, int repeated, double room)
{
    const int count = int(widths.size());
    repeated = qBound(0, repeated, count);
    double head = 0;
    for (int i = 0; i < repeated; ++i)
        head += widths[size_t(i)];
    std::vector<std::vector<int>> bands;
    int next = repeated;
    // Describing columns too wide to leave room for anything are not repeated.
    if (head >= room && next < count) {
        repeated = 0;
        head = 0;
        next = 0;
    }
    do {
        std::vector<int> band;
        for (int i = 0; i < repeated; ++i)
            band.push_back(i);
        double used = head;
        const size_t fixed = band.size();
        while (next < count && (band.size() == fixed || used + widths[size_t(next)] <= room)) {
            used += widths[size_t(next)];
            band.push_back(next++);
        }
        bands.push_back(std::move(band));
    } while (next < count);
    return bands;
}

ReportPicture::ReportPicture(const ReportTable &table)
    : m_table(table)
{
    m_top.reserve(size_t(table.rowCount()) + 1);
    m_top.push_back(0);
    bool marks = false;
    for (int r = 0; r < table.rowCount(); ++r) {
        const bool shown = r == 0 || !table.isRowHidden(r);
        m_top.push_back(m_top.back() + (shown ? RowHeight : 0));
        marks = marks || (r > 0 && shown && table.row(r).mark() != ReportRow::Mark::None);
    }
    const auto add = [this](int column, double width) {
        m_columns.push_back({column, m_width, width});
        m_width += width;
    };
    bool first = true;
    for (int c = 0; c < table.columnCount(); ++c) {
        const int width = table.columnWidth(c);
        // The marks stand right of the group marker, before the parameters.
        if (marks && c == 1) {
            add(MarkColumn, MarkWidth);
            ++m_describing;
        }
        if (width <= 0)
            continue;
        add(c, width);
        if (c == 0 || first)
            ++m_describing;
        first = first && c == 0;
    }
}

QString ReportPicture::text(int row, int column) const
{
    if (column != MarkColumn)
        return m_table.text(row, column).toString();
    return row == 0 ? u"Отметка"_s : ReportMarkText(m_table.row(row));
}

double ReportPicture::width(const std::vector<int> &band) const
{
    double w = 0;
    for (int i : band)
        w += m_columns[size_t(i)].width;
    return w;
}

void ReportPicture::paint(QPainter &painter, double top, double height) const
{
    std::vector<int> all(m_columns.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = int(i);
    paint(painter, top, height, all);
}

void ReportPicture::paint(QPainter &painter, double top, double height, const std::vector<int> &band) const
{
    // The band's columns side by side from the left edge.
    std::vector<Column> columns;
    double left = 0;
    for (int i : band) {
        columns.push_back({m_columns[size_t(i)].column, left, m_columns[size_t(i)].width});
        left += m_columns[size_t(i)].width;
    }
    const double width = left;
    const double bottom = top + height;
    // The first row that reaches into the band.
    const auto first = std::upper_bound(m_top.begin(), m_top.end(), top);
    int row = int(first - m_top.begin()) - 1;
    row = std::max(row, 0);
    const QFont regular = gridFont(false);
    const QFont bold = gridFont(true);
    const QFontMetricsF regularMetrics(regular);
    const QFontMetricsF boldMetrics(bold);
    const double ascent = regularMetrics.ascent();
    const double textHeight = QFontMetricsF(regular).height();
    const QPen line(QColor::fromRgb(LineColour), 0);

    for (; row < rowCount() && m_top[size_t(row)] < bottom; ++row) {
        const double h = rowHeight(row);
        if (h <= 0)
            continue;
        const double y = m_top[size_t(row)] - top;
        const ReportRow &r = m_table.row(row);
        const bool caption = row == 0;
        for (const Column &c : columns) {
            const QRectF cell(c.left, y, c.width, h);
            if (caption)
                painter.fillRect(cell, QColor::fromRgb(CaptionColour));
            else if (styled(r, c.column))
                painter.fillRect(cell, QColor::fromRgb(r.background()));
        }
        // The grid lines of the row: its top and bottom and every column's edges.
        painter.setPen(line);
        painter.drawLine(QPointF(0, y), QPointF(width, y));
        painter.drawLine(QPointF(0, y + h), QPointF(width, y + h));
        for (const Column &c : columns)
            painter.drawLine(QPointF(c.left, y), QPointF(c.left, y + h));
        painter.drawLine(QPointF(width, y), QPointF(width, y + h));

        painter.setPen(Qt::black);
        for (const Column &c : columns) {
            const QString text = this->text(row, c.column);
            if (text.trimmed().isEmpty())
                continue;
            const bool styledBold = !caption && styled(r, c.column) && r.isBold();
            painter.setFont(styledBold ? bold : regular);
            const double advance = (styledBold ? boldMetrics : regularMetrics).horizontalAdvance(text);
            const double inner = c.width - 2 * CellPadding;
            double x = c.left + CellPadding;
            const ReportTable::Alignment alignment =
                caption || c.column == MarkColumn ? ReportTable::Alignment::Centre : m_table.alignment(c.column);
            if (alignment == ReportTable::Alignment::Right)
                x += inner - advance;
            else if (alignment == ReportTable::Alignment::Centre)
                x += (inner - advance) / 2;
            const QPointF at(std::max(x, c.left + CellPadding), y + (h - textHeight) / 2 + ascent);
            if (advance <= inner) {
                painter.drawText(at, text);
                continue;
            }
            // A text wider than its cell keeps its start and is cut at the cell's edge.
            painter.save();
            painter.setClipRect(QRectF(c.left, y, c.width, h).adjusted(CellPadding / 2, 0, -CellPadding / 2, 0),
                                Qt::IntersectClip);
            painter.drawText(at, text);
            painter.restore();
        }
    }
}

QImage ReportPicture::render(double top, double height, double dpi) const
{
    const double scale = dpi / 1440;
    QImage image(std::max(1, int(std::ceil(m_width * scale))), std::max(1, int(std::ceil(height * scale))),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.scale(scale, scale);
    paint(painter, top, height);
    return image;
}
