#include "ReportPicture.h"

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

} // namespace

ReportPicture::ReportPicture(const ReportTable &table)
    : m_table(table)
{
    m_top.reserve(size_t(table.rowCount()) + 1);
    m_top.push_back(0);
    for (int r = 0; r < table.rowCount(); ++r)
        m_top.push_back(m_top.back() + (r > 0 && table.isRowHidden(r) ? 0 : RowHeight));
    for (int c = 0; c < table.columnCount(); ++c) {
        const int width = table.columnWidth(c);
        if (width <= 0)
            continue;
        m_columns.push_back({c, m_width, double(width)});
        m_width += width;
    }
}

void ReportPicture::paint(QPainter &painter, double top, double height) const
{
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
        for (const Column &c : m_columns) {
            const QRectF cell(c.left, y, c.width, h);
            if (caption)
                painter.fillRect(cell, QColor::fromRgb(CaptionColour));
            else if (r.styledFrom() >= 0 && c.column >= r.styledFrom())
                painter.fillRect(cell, QColor::fromRgb(r.background()));
        }
        // The grid lines of the row: its top and bottom and every column's edges.
        painter.setPen(line);
        painter.drawLine(QPointF(0, y), QPointF(m_width, y));
        painter.drawLine(QPointF(0, y + h), QPointF(m_width, y + h));
        for (const Column &c : m_columns)
            painter.drawLine(QPointF(c.left, y), QPointF(c.left, y + h));
        painter.drawLine(QPointF(m_width, y), QPointF(m_width, y + h));

        painter.setPen(Qt::black);
        for (const Column &c : m_columns) {
            const QString text = m_table.text(row, c.column).toString();
            if (text.trimmed().isEmpty())
                continue;
            const bool styledBold = !caption && r.styledFrom() >= 0 && c.column >= r.styledFrom() && r.isBold();
            painter.setFont(styledBold ? bold : regular);
            const double advance = (styledBold ? boldMetrics : regularMetrics).horizontalAdvance(text);
            const double inner = c.width - 2 * CellPadding;
            double x = c.left + CellPadding;
            const ReportTable::Alignment alignment =
                caption ? ReportTable::Alignment::Centre : m_table.alignment(c.column);
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
