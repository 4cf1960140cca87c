#include "ReportRow.h"

ReportRow ReportRow::fromTabText(QStringView text)
{
    ReportRow row;
    row.reserve(text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype tab = text.indexOf(u'\t', from);
        row.appendCell(text.sliced(from, (tab < 0 ? text.size() : tab) - from));
        if (tab < 0)
            break;
        from = tab + 1;
    }
    return row;
}

ReportRow ReportRow::fromJoined(QStringView text, const qsizetype *ends, int cells)
{
    ReportRow row;
    row.m_cells = quint8(qBound(0, cells, MaxCells));
    const qsizetype size = row.m_cells == 0 ? 0 : qBound<qsizetype>(0, ends[row.m_cells - 1], text.size());
    row.m_text = text.first(size).toString();
    qsizetype end = 0;
    for (int c = 0; c < row.m_cells; ++c) {
        end = qBound(end, ends[c], size);
        row.m_end[size_t(c)] = quint32(end);
    }
    return row;
}

void ReportRow::appendCell(QStringView text)
{
    if (m_cells >= MaxCells)
        return;
    m_text.append(text);
    m_end[m_cells++] = quint32(m_text.size());
}

void ReportRow::setCell(int column, QStringView text)
{
    if (column < 0 || column >= MaxCells)
        return;
    while (m_cells <= column)
        appendCell({});

    const qsizetype start = cellStart(column);
    const qsizetype oldSize = qsizetype(m_end[size_t(column)]) - start;
    if (text == QStringView(m_text).sliced(start, oldSize))
        return;
    const QString copy = text.toString(); // `text` may point into m_text
    m_text.replace(start, oldSize, copy);
    const qsizetype shift = copy.size() - oldSize;
    for (int c = column; c < m_cells; ++c)
        m_end[size_t(c)] = quint32(qsizetype(m_end[size_t(c)]) + shift);
}

void ReportRow::setStyle(int fromColumn, QRgb background, bool bold, int fontWidth)
{
    m_styledFrom = qint8(qBound(-1, fromColumn, MaxCells));
    m_background = background;
    m_bold = bold;
    m_fontWidth = quint8(qBound(0, fontWidth, 255));
}
