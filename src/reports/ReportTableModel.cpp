#include "ReportTableModel.h"

#include "ReportTable.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>

ReportTableModel::ReportTableModel(const ReportTable &table, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
{
    reload();
}

int ReportTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_visible.size());
}

int ReportTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant ReportTableModel::data(const QModelIndex &index, int role) const
{
    const int row = tableRow(index.row());
    if (row < 0 || row >= m_table.rowCount() || index.column() < 0 || index.column() >= m_columns)
        return QVariant();
    const int column = index.column();
    const ReportRow &r = m_table.row(row);
    const bool styled = r.styledFrom() >= 0 && column >= r.styledFrom();

    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return r.cell(column).toString();
    case Qt::TextAlignmentRole:
        switch (m_table.alignment(column)) {
        case ReportTable::Alignment::Centre:
            return int(Qt::AlignCenter);
        case ReportTable::Alignment::Right:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        case ReportTable::Alignment::Left:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
        break;
    case Qt::BackgroundRole:
        if (styled)
            return QBrush(QColor::fromRgb(r.background()));
        break;
    case Qt::FontRole:
        if (styled && r.isBold()) {
            QFont font;
            font.setBold(true);
            return font;
        }
        break;
    default:
        break;
    }
    return QVariant();
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_table.text(0, section).toString();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}

Qt::ItemFlags ReportTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int ReportTableModel::tableRow(int modelRow) const
{
    return modelRow >= 0 && modelRow < int(m_visible.size()) ? m_visible[size_t(modelRow)] : -1;
}

int ReportTableModel::modelRow(int tableRow) const
{
    const auto it = std::lower_bound(m_visible.begin(), m_visible.end(), tableRow);
    return it != m_visible.end() && *it == tableRow ? int(it - m_visible.begin()) : -1;
}

void ReportTableModel::reload()
{
    beginResetModel();
    m_visible.clear();
    m_visible.reserve(size_t(qMax(0, m_table.rowCount() - 1)));
    for (int r = 1; r < m_table.rowCount(); ++r) {
        if (!m_table.isRowHidden(r))
            m_visible.push_back(r);
    }
    m_columns = m_table.columnCount();
    endResetModel();
}

void ReportTableModel::updateRows(int first, int last)
{
    first = qMax(first, 1);
    last = qMin(last, m_table.rowCount() - 1);
    if (first > last)
        return;

    const auto from = std::lower_bound(m_visible.begin(), m_visible.end(), first);
    const auto to = std::upper_bound(from, m_visible.end(), last);
    const int at = int(from - m_visible.begin());

    std::vector<int> now;
    for (int r = first; r <= last; ++r) {
        if (!m_table.isRowHidden(r))
            now.push_back(r);
    }

    // Rows that stay visible are only repainted; the others leave or enter.
    if (now == std::vector<int>(from, to)) {
        if (!now.empty())
            emit dataChanged(index(at, 0), index(at + int(now.size()) - 1, m_columns - 1));
        return;
    }
    if (from != to) {
        beginRemoveRows(QModelIndex(), at, at + int(to - from) - 1);
        m_visible.erase(from, to);
        endRemoveRows();
    }
    if (!now.empty()) {
        beginInsertRows(QModelIndex(), at, at + int(now.size()) - 1);
        m_visible.insert(m_visible.begin() + at, now.begin(), now.end());
        endInsertRows();
    }
}

void ReportTableModel::updateCaptions()
{
    if (m_table.columnCount() != m_columns) {
        reload();
        return;
    }
    if (m_columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}
