#pragma once

#include <QAbstractTableModel>

#include <vector>

class ReportTable;

// The report table as a view sees it: the caption row becomes the header,
// and only rows that are not hidden are rows of the model, so a collapsed
// report of a hundred thousand cards costs the view nothing.
class ReportTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ReportTableModel(const ReportTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Table row of a model row, -1 outside.
    int tableRow(int modelRow) const;
    // Model row of a table row, -1 when the row is hidden or the caption.
    int modelRow(int tableRow) const;

    // After the table was rebuilt or changed throughout.
    void reload();
    // After rows `first`..`last` of the table changed text or visibility;
    // the rows around them keep their place in any view.
    void updateRows(int first, int last);
    // After the caption row or the column set changed.
    void updateCaptions();

private:
    const ReportTable &m_table;
    std::vector<int> m_visible;
    int m_columns = 0;
};
