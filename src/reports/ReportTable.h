#pragma once

#include "ReportRow.h"

#include <QString>

#include <array>
#include <vector>

// The report grid as data: row 0 is the fixed caption row, every row has a
// marker in column 0, a height (shown or hidden) and a look; every column
// has a width in twips (0 hides it) and an alignment. Widgets only show it.
class ReportTable
{
public:
    static constexpr int MaxColumns = ReportRow::MaxCells;
    static constexpr int DefaultColumnWidth = 960;

    enum class Alignment : quint8 { Left, Centre, Right };

    ReportTable();

    // `rows` empty rows, the first of them the caption row.
    void clear(int rows);
    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_columns; }

    // Captions and alignment of every column from segments separated by
    // "|": a leading "^" centres, ">" right-aligns, "<" left-aligns. The
    // number of segments becomes the number of columns.
    void setFormatString(QStringView format);
    // The same for one column at a time, for captions that may hold "|".
    void setColumnCount(int columns);
    void setCaption(int column, QStringView caption, Alignment alignment);
    Alignment alignment(int column) const;

    // A row from cells separated by TAB, at `index` or at the end.
    void addItem(QStringView tabText, int index = -1);
    void insertRow(int index, ReportRow row);
    void appendRow(ReportRow row);
    void setRow(int index, ReportRow row);

    QStringView text(int row, int column) const;
    void setText(int row, int column, QStringView text);
    const ReportRow &row(int index) const { return m_rows[size_t(index)]; }

    bool isRowHidden(int row) const;
    void setRowHidden(int row, bool hidden);
    int columnWidth(int column) const;
    void setColumnWidth(int column, int twips);

    // Cells `fromColumn` to the last column of `row` get this look.
    void setRowStyle(int row, int fromColumn, QRgb background, bool bold, int fontWidth);

    // Rows `firstRow`..`lastRow` ascending, columns `firstColumn`..`lastColumn`
    // as keys from left to right, in the order of CellOrder.h.
    void sort(int firstRow, int lastRow, int firstColumn, int lastColumn);

    // For rebuilding many rows at once without shifting the rest each time;
    // the table is left with an empty caption row.
    std::vector<ReportRow> takeRows();
    void setRows(std::vector<ReportRow> rows);
    void reserveRows(int rows) { m_rows.reserve(size_t(rows)); }

private:
    bool validRow(int row) const { return row >= 0 && row < rowCount(); }

    std::vector<ReportRow> m_rows;
    int m_columns = 1;
    std::array<int, MaxColumns> m_width;
    std::array<Alignment, MaxColumns> m_alignment;
};
