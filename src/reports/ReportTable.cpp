#include "ReportTable.h"

#include "CellOrder.h"

#include <QHash>
#include <QThread>

#include <algorithm>
#include <numeric>
#include <system_error>
#include <thread>

ReportTable::ReportTable()
{
    m_width.fill(DefaultColumnWidth);
    m_alignment.fill(Alignment::Left);
    clear(1);
}

void ReportTable::clear(int rows)
{
    m_rows.clear();
    m_rows.resize(size_t(qMax(1, rows)));
}

void ReportTable::setFormatString(QStringView format)
{
    int column = 0;
    for (QStringView segment : format.tokenize(u'|')) {
        if (column >= MaxColumns)
            break;
        Alignment alignment = Alignment::Left;
        if (segment.startsWith(u'^'))
            alignment = Alignment::Centre;
        else if (segment.startsWith(u'>'))
            alignment = Alignment::Right;
        if (alignment != Alignment::Left || segment.startsWith(u'<'))
            segment = segment.sliced(1);
        setCaption(column++, segment, alignment);
    }
    setColumnCount(column);
}

void ReportTable::setColumnCount(int columns)
{
    m_columns = qBound(1, columns, MaxColumns);
    ReportRow &captions = m_rows.front();
    for (int c = m_columns; c < captions.cellCount(); ++c)
        captions.setCell(c, {});
}

void ReportTable::setCaption(int column, QStringView caption, Alignment alignment)
{
    if (column < 0 || column >= MaxColumns)
        return;
    m_alignment[size_t(column)] = alignment;
    m_rows.front().setCell(column, caption);
}

ReportTable::Alignment ReportTable::alignment(int column) const
{
    return column >= 0 && column < MaxColumns ? m_alignment[size_t(column)] : Alignment::Left;
}

void ReportTable::addItem(QStringView tabText, int index)
{
    insertRow(index, ReportRow::fromTabText(tabText));
}

void ReportTable::insertRow(int index, ReportRow row)
{
    // The caption row stays first whatever the index.
    if (index < 1 || index > rowCount())
        m_rows.push_back(std::move(row));
    else
        m_rows.insert(m_rows.begin() + index, std::move(row));
}

void ReportTable::appendRow(ReportRow row)
{
    m_rows.push_back(std::move(row));
}

void ReportTable::setRow(int index, ReportRow row)
{
    if (validRow(index))
        m_rows[size_t(index)] = std::move(row);
}

QStringView ReportTable::text(int row, int column) const
{
    return validRow(row) ? m_rows[size_t(row)].cell(column) : QStringView();
}

void ReportTable::setText(int row, int column, QStringView text)
{
    if (validRow(row))
        m_rows[size_t(row)].setCell(column, text);
}

bool ReportTable::isRowHidden(int row) const
{
    return validRow(row) && m_rows[size_t(row)].isHidden();
}

void ReportTable::setRowHidden(int row, bool hidden)
{
    if (validRow(row))
        m_rows[size_t(row)].setHidden(hidden);
}

int ReportTable::columnWidth(int column) const
{
    return column >= 0 && column < MaxColumns ? m_width[size_t(column)] : 0;
}

void ReportTable::setColumnWidth(int column, int twips)
{
    if (column >= 0 && column < MaxColumns)
        m_width[size_t(column)] = qMax(0, twips);
}

void ReportTable::setRowStyle(int row, int fromColumn, QRgb background, bool bold, int fontWidth)
{
    if (validRow(row))
        m_rows[size_t(row)].setStyle(fromColumn, background, bold, fontWidth);
}

void ReportTable::sort(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    firstRow = qMax(firstRow, 1);
    lastRow = qMin(lastRow, rowCount() - 1);
    firstColumn = qMax(firstColumn, 0);
    lastColumn = qMin(lastColumn, MaxColumns - 1);
    const int rows = lastRow - firstRow + 1;
    const int keys = lastColumn - firstColumn + 1;
    if (rows < 2 || keys < 1)
        return;

    // Each key column is turned into ranks of its distinct texts, so the
    // sort itself compares integers, every distinct text is classified and
    // compared only once, and a column is looked at only when the columns
    // before it leave rows tied.
    std::vector<std::vector<quint32>> ranks(static_cast<size_t>(keys));
    auto ranksOf = [&](int k) -> const std::vector<quint32> & {
        std::vector<quint32> &rank = ranks[size_t(k)];
        if (!rank.empty())
            return rank;
        const int column = firstColumn + k;
        QHash<QStringView, quint32> ids;
        std::vector<QStringView> distinct;
        rank.resize(size_t(rows));
        for (int r = 0; r < rows; ++r) {
            const QStringView text = m_rows[size_t(firstRow + r)].cell(column);
            const auto it = ids.constFind(text);
            if (it != ids.constEnd()) {
                rank[size_t(r)] = *it;
            } else {
                rank[size_t(r)] = quint32(distinct.size());
                ids.insert(text, quint32(distinct.size()));
                distinct.push_back(text);
            }
        }
        // The distinct texts side by side: sorting them then stays in cache
        // instead of visiting a row's string at every comparison.
        qsizetype characters = 0;
        for (QStringView text : distinct)
            characters += text.size();
        QString packed;
        packed.reserve(characters);
        std::vector<qsizetype> starts(distinct.size());
        for (size_t i = 0; i < distinct.size(); ++i) {
            starts[i] = packed.size();
            packed.append(distinct[i]);
        }
        std::vector<CellKey> key(distinct.size());
        for (size_t i = 0; i < distinct.size(); ++i) {
            distinct[i] = QStringView(packed).sliced(starts[i], distinct[i].size());
            key[i] = cellKey(distinct[i]);
        }
        std::vector<quint32> order(distinct.size());
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
            return compareCells(distinct[a], key[a], distinct[b], key[b]) < 0;
        });
        std::vector<quint32> rankOfId(distinct.size());
        for (size_t i = 0; i < order.size(); ++i)
            rankOfId[order[i]] = quint32(i);
        for (quint32 &r : rank)
            r = rankOfId[r];
        return rank;
    };

    // A large table is nearly always tied somewhere on its first key, so the
    // second key's ranks are worked out beside the first's on another core.
    std::thread second;
    if (keys > 1 && rows >= 4096 && QThread::idealThreadCount() > 1) {
        try {
            second = std::thread([&ranksOf] { ranksOf(1); });
        } catch (const std::system_error &) {
            // the sort asks for them when it needs them
        }
    }
    ranksOf(0);
    if (second.joinable())
        second.join();

    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        for (int k = 0; k < keys; ++k) {
            const std::vector<quint32> &rank = ranksOf(k);
            if (rank[size_t(a)] != rank[size_t(b)])
                return rank[size_t(a)] < rank[size_t(b)];
        }
        return a < b; // identical rows keep their order
    });

    // Rows are moved in place along the cycles of the order, so a large
    // table is not held twice. Position k takes the row order[k] names.
    for (int start = 0; start < rows; ++start) {
        if (order[size_t(start)] < 0 || order[size_t(start)] == start)
            continue;
        ReportRow first = std::move(m_rows[size_t(firstRow + start)]);
        int k = start;
        while (order[size_t(k)] != start) {
            const int from = order[size_t(k)];
            m_rows[size_t(firstRow + k)] = std::move(m_rows[size_t(firstRow + from)]);
            order[size_t(k)] = -1;
            k = from;
        }
        m_rows[size_t(firstRow + k)] = std::move(first);
        order[size_t(k)] = -1;
    }
}

std::vector<ReportRow> ReportTable::takeRows()
{
    std::vector<ReportRow> rows = std::move(m_rows);
    m_rows.clear();
    m_rows.resize(1);
    return rows;
}

void ReportTable::setRows(std::vector<ReportRow> rows)
{
    m_rows = std::move(rows);
    if (m_rows.empty())
        m_rows.resize(1);
}
