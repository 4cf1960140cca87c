#pragma once

#include <QRgb>
#include <QString>

#include <array>

// One row of the report table. The cells are kept one after another in a
// single string, so a report of a hundred thousand cards costs one
// allocation per row rather than one per cell.
class ReportRow
{
public:
    static constexpr int MaxCells = 26;

    ReportRow() = default;
    // Cells separated by TAB characters.
    static ReportRow fromTabText(QStringView text);
    // `cells` cells at once from their texts one after another in `text`,
    // cell c ending at ends[c]; one allocation for the whole row.
    static ReportRow fromJoined(QStringView text, const qsizetype *ends, int cells);

    int cellCount() const { return m_cells; }
    // Empty for a cell the row does not have.
    QStringView cell(int column) const
    {
        if (column < 0 || column >= m_cells)
            return {};
        const qsizetype start = cellStart(column);
        return QStringView(m_text).sliced(start, qsizetype(m_end[size_t(column)]) - start);
    }
    void setCell(int column, QStringView text);
    // Cells are appended from column 0 on; beyond MaxCells nothing is kept.
    void appendCell(QStringView text);
    void reserve(qsizetype characters) { m_text.reserve(characters); }

    QStringView marker() const { return cell(0); }

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }

    // A data row shown but left out of the sums.
    bool isUnsummed() const { return m_unsummed; }
    void setUnsummed(bool unsummed) { m_unsummed = unsummed; }

    // What a data row adds to the sums of its group, one value per summed
    // column, read from its cells when the row is made; a row without them
    // adds nothing.
    static constexpr int SummandCount = 6;
    using Summands = std::array<double, SummandCount>;
    bool hasSummands() const { return m_hasSummands; }
    const Summands &summands() const { return m_summands; }
    void setSummands(const Summands &values)
    {
        m_summands = values;
        m_hasSummands = true;
    }

    // A card the sums leave out or still wait for: the screen shows it by
    // colour, paper by a word, which a black-and-white printer keeps.
    enum class Mark : quint8 { None, Deleted, Incomplete };
    Mark mark() const { return m_mark; }
    void setMark(Mark mark) { m_mark = mark; }

    // Background and font of the cells from `styledFrom` to the last column;
    // -1 leaves the row in the grid's default look.
    int styledFrom() const { return m_styledFrom; }
    QRgb background() const { return m_background; }
    bool isBold() const { return m_bold; }
    int fontWidth() const { return m_fontWidth; }
    void setStyle(int fromColumn, QRgb background, bool bold, int fontWidth);

private:
    qsizetype cellStart(int column) const { return column == 0 ? 0 : m_end[size_t(column - 1)]; }

    QString m_text;
    std::array<quint32, MaxCells> m_end{};
    quint8 m_cells = 0;
    bool m_hidden = false;
    bool m_unsummed = false;
    bool m_hasSummands = false;
    bool m_bold = false;
    quint8 m_fontWidth = 0;
    Mark m_mark = Mark::None;
    qint8 m_styledFrom = -1;
    QRgb m_background = 0;
    Summands m_summands{};
};
