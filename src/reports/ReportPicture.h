#pragma once

#include <QImage>
#include <QRectF>

#include <vector>

class QPainter;
class ReportTable;

// The picture of the report grid as displayed, in twips: the caption row
// on top, hidden rows and columns taking no space. It is painted band by
// band, so a table of any length never becomes one huge image.
class ReportPicture
{
public:
    static constexpr double RowHeight = 255;
    static constexpr double FontPoints = 8;
    static constexpr QRgb CaptionColour = qRgb(212, 208, 200);
    static constexpr QRgb LineColour = qRgb(160, 160, 160);

    explicit ReportPicture(const ReportTable &table);

    int rowCount() const { return int(m_top.size()) - 1; }
    // 0 for a hidden row.
    double rowHeight(int row) const { return m_top[size_t(row) + 1] - m_top[size_t(row)]; }
    double height() const { return m_top.back(); }
    double width() const { return m_width; }

    // The band from `top`, `height` high, with its top left at (0, 0).
    void paint(QPainter &painter, double top, double height) const;
    // The same band as an image of `dpi` dots per inch.
    QImage render(double top, double height, double dpi = 96) const;

private:
    struct Column
    {
        int column;
        double left, width;
    };

    const ReportTable &m_table;
    std::vector<double> m_top; // the top of each row, and the bottom of the last
    std::vector<Column> m_columns;
    double m_width = 0;
};
