#pragma once

#include <QImage>
#include <QRectF>
#include <QString>

#include <vector>

class QPainter;
class ReportRow;
class ReportTable;

// The picture of the report grid as displayed, in twips: the caption row
// on top, hidden rows and columns taking no space, and, where the report
// holds deleted or incomplete cards, a column of their marks beside the
// group marker. It is painted band by band, so a table of any length never
// becomes one huge image, and of any width in bands of columns.
class ReportPicture
{
public:
    static constexpr double RowHeight = 255;
    static constexpr double FontPoints = 8;
    static constexpr QRgb CaptionColour = qRgb(212, 208, 200);
    static constexpr QRgb LineColour = qRgb(160, 160, 160);
    // The paper column of the marks has no table column.
    static constexpr int MarkColumn = -1;
    static constexpr double MarkWidth = 700;

    struct Column
    {
        int column; // in the table, or MarkColumn
        double left, width;
    };

    explicit ReportPicture(const ReportTable &table);

    int rowCount() const { return int(m_top.size()) - 1; }
    // 0 for a hidden row.
    double rowHeight(int row) const { return m_top[size_t(row) + 1] - m_top[size_t(row)]; }
    double height() const { return m_top.back(); }
    double width() const { return m_width; }
    // The printed columns from left to right.
    const std::vector<Column> &columns() const { return m_columns; }
    // How many of the first columns describe a row (marker, mark, the first
    // parameter): each band of columns repeats them.
    int describingColumns() const { return m_describing; }

    // The band from `top`, `height` high, with its top left at (0, 0): every
    // column, or those of `band` (indices into columns()) side by side.
    void paint(QPainter &painter, double top, double height) const;
    void paint(QPainter &painter, double top, double height, const std::vector<int> &band) const;
    double width(const std::vector<int> &band) const;
    // The same band as an image of `dpi` dots per inch.
    QImage render(double top, double height, double dpi = 96) const;

private:
    QString text(int row, int column) const;

    const ReportTable &m_table;
    std::vector<double> m_top; // the top of each row, and the bottom of the last
    std::vector<Column> m_columns;
    double m_width = 0;
    int m_describing = 0;
};

// The printed word of a marked row: "удал.", "незав.", or nothing.
QString ReportMarkText(const ReportRow &row);

// Columns of these widths split into bands no wider than `room`, each
// starting with the first `repeated` columns; a column wider than a band on
// its own gets a band of its own. One band when everything fits.
std::vector<std::vector<int>> ReportColumnBands(const std::vector<double> &widths, int repeated, double room);
