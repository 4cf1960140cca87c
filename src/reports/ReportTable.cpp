#include "ReportTable.h"

#include "CellOrder.h"

#include <QThread>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <system_error>
#include <thread>

namespace {

// A cheap hash of a cell's text, for the table of a column's distinct texts.
quint32 textHash(QStringView text)
{
    quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(text.size());
    const char16_t *p = text.utf16();
    qsizetype n = text.size();
    for (; n >= 4; n -= 4, p += 4) {
        quint64 chunk;
        std::memcpy(&chunk, p, sizeof chunk);
        h = (h ^ chunk) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    quint64 tail = 0;
    if (n > 0)
        std::memcpy(&tail, p, size_t(n) * sizeof(char16_t));
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ull;
    return quint32(h ^ (h >> 32));
}

// The distinct texts of some rows in one column, in the order of CellOrder.h.
class DistinctTexts
{
public:
    quint32 size() const { return quint32(m_order.size()); }
    // The text and its key at rank `rank`.
    QStringView text(quint32 rank) const { return textOf(m_order[rank]); }
    const CellKey &key(quint32 rank) const { return m_keys[m_order[rank]]; }

    // Ranks rows[0..count) by their text in `column` into `rank`, 0 for
    // the first text in order, equal texts the same rank.
    void rank(const ReportRow *rows, int count, int column, quint32 *rank);

private:
    QStringView textOf(quint32 id) const
    {
        const qsizetype from = id == 0 ? 0 : m_ends[id - 1];
        return QStringView(m_packed).sliced(from, m_ends[id] - from);
    }

    // The texts side by side in the order they were met, so sorting them
    // stays in cache instead of visiting a row's string at each comparison.
    QString m_packed;
    std::vector<qsizetype> m_ends;
    std::vector<CellKey> m_keys;
    std::vector<quint32> m_order;
};

void DistinctTexts::rank(const ReportRow *rows, int count, int column, quint32 *rank)
{
    // Room for every row being distinct; pages never written cost nothing.
    std::vector<quint32> hashes;
    hashes.reserve(size_t(count));
    m_ends.reserve(size_t(count));
    m_keys.reserve(size_t(count));
    // Open addressing, id + 1 in each used place, at most half full.
    std::vector<quint32> places(64, 0);
    size_t mask = places.size() - 1;
    // The rows' texts lie all over the heap: each is asked for a while
    // before it is needed, so the walk does not wait on memory row by row.
    constexpr int Ahead = 16;
    for (int r = 0; r < qMin(count, Ahead); ++r)
        __builtin_prefetch(rows[r].cell(column).utf16());
    for (int r = 0; r < count; ++r) {
        if (r + Ahead < count)
            __builtin_prefetch(rows[r + Ahead].cell(column).utf16());
        const QStringView text = rows[r].cell(column);
        const quint32 hash = textHash(text);
        size_t i = hash & mask;
        for (; places[i] != 0; i = (i + 1) & mask) {
            const quint32 id = places[i] - 1;
            if (hashes[id] == hash && textOf(id) == text)
                break;
        }
        if (places[i] != 0) {
            rank[r] = places[i] - 1;
            continue;
        }
        const quint32 id = quint32(hashes.size());
        m_packed.append(text);
        m_ends.push_back(m_packed.size());
        m_keys.push_back(cellKey(text));
        hashes.push_back(hash);
        places[i] = id + 1;
        rank[r] = id;
        if (hashes.size() * 2 > places.size()) {
            places.assign(places.size() * 2, 0);
            mask = places.size() - 1;
            for (quint32 k = 0; k < quint32(hashes.size()); ++k) {
                size_t j = hashes[k] & mask;
                while (places[j] != 0)
                    j = (j + 1) & mask;
                places[j] = k + 1;
            }
        }
    }

    m_order.resize(hashes.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    std::sort(m_order.begin(), m_order.end(), [&](quint32 a, quint32 b) {
        return compareCells(textOf(a), m_keys[a], textOf(b), m_keys[b]) < 0;
    });
    std::vector<quint32> rankOfId(m_order.size());
    for (size_t i = 0; i < m_order.size(); ++i)
        rankOfId[m_order[i]] = quint32(i);
    for (int r = 0; r < count; ++r)
        rank[r] = rankOfId[rank[r]];
}

// Ranks of two runs of rows made ranks of both: `first` ranked the first
// `split` rows, `second` the rest. Returns how many distinct texts both hold.
quint32 mergeRanks(const DistinctTexts &first, const DistinctTexts &second, std::vector<quint32> &rank,
                   size_t split)
{
    std::vector<quint32> ofFirst(first.size());
    std::vector<quint32> ofSecond(second.size());
    quint32 i = 0;
    quint32 j = 0;
    quint32 next = 0;
    while (i < first.size() || j < second.size()) {
        const int c = i == first.size()    ? 1
                      : j == second.size() ? -1
                                           : compareCells(first.text(i), first.key(i), second.text(j), second.key(j));
        if (c <= 0)
            ofFirst[i++] = next;
        if (c >= 0)
            ofSecond[j++] = next;
        ++next;
    }
    for (size_t r = 0; r < rank.size(); ++r)
        rank[r] = r < split ? ofFirst[rank[r]] : ofSecond[rank[r]];
    return next;
}

// The rank of every row's text in one key column.
struct ColumnRanks
{
    std::vector<quint32> rank;
    quint32 distinct = 0;
};

} // namespace

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
    // sort itself works on integers, every distinct text is classified and
    // compared only once, and a column is looked at only when the columns
    // before it leave rows tied.
    const ReportRow *first = m_rows.data() + firstRow;
    std::vector<ColumnRanks> ranks(static_cast<size_t>(keys));
    auto ranksOf = [&](int k) -> const ColumnRanks & {
        ColumnRanks &column = ranks[size_t(k)];
        if (column.rank.empty()) {
            column.rank.resize(size_t(rows));
            DistinctTexts texts;
            texts.rank(first, rows, firstColumn + k, column.rank.data());
            column.distinct = texts.size();
        }
        return column;
    };

    // A large table is nearly always tied somewhere on its first key, so
    // the first two keys are ranked at once, each half of the rows on a
    // core of its own, and the halves merged.
    const int counted = qMin(keys, 2);
    if (rows >= 4096 && QThread::idealThreadCount() > 1) {
        const int split = rows / 2;
        std::array<std::array<DistinctTexts, 2>, 2> texts;
        for (int k = 0; k < counted; ++k)
            ranks[size_t(k)].rank.resize(size_t(rows));
        auto rankHalf = [&](int half) {
            const int from = half == 0 ? 0 : split;
            const int count = half == 0 ? split : rows - split;
            for (int k = 0; k < counted; ++k)
                texts[size_t(k)][size_t(half)].rank(first + from, count, firstColumn + k,
                                                    ranks[size_t(k)].rank.data() + from);
        };
        std::thread second;
        try {
            second = std::thread(rankHalf, 1);
        } catch (const std::system_error &) {
            // both halves here then
        }
        rankHalf(0);
        if (second.joinable())
            second.join();
        else
            rankHalf(1);
        for (int k = 0; k < counted; ++k)
            ranks[size_t(k)].distinct = mergeRanks(texts[size_t(k)][0], texts[size_t(k)][1], ranks[size_t(k)].rank,
                                                   size_t(split));
    }

    // The first two keys by stable counting passes, the second key first;
    // rows they leave tied go by the further keys, then by their place.
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> spare(order.size());
    for (int k = counted; k-- > 0;) {
        const ColumnRanks &column = ranksOf(k);
        std::vector<int> start(size_t(column.distinct) + 1, 0);
        for (int r : order)
            ++start[size_t(column.rank[size_t(r)]) + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (int r : order)
            spare[size_t(start[size_t(column.rank[size_t(r)])]++)] = r;
        order.swap(spare);
    }
    spare = {};
    if (keys > counted) {
        auto tied = [&](int a, int b) {
            for (int k = 0; k < counted; ++k) {
                if (ranks[size_t(k)].rank[size_t(a)] != ranks[size_t(k)].rank[size_t(b)])
                    return false;
            }
            return true;
        };
        for (size_t i = 0; i < order.size();) {
            size_t j = i + 1;
            while (j < order.size() && tied(order[i], order[j]))
                ++j;
            if (j - i > 1) {
                std::sort(order.begin() + qsizetype(i), order.begin() + qsizetype(j), [&](int a, int b) {
                    for (int k = counted; k < keys; ++k) {
                        const std::vector<quint32> &rank = ranksOf(k).rank;
                        if (rank[size_t(a)] != rank[size_t(b)])
                            return rank[size_t(a)] < rank[size_t(b)];
                    }
                    return a < b; // identical rows keep their order
                });
            }
            i = j;
        }
    }

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
