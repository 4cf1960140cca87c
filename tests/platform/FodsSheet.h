#pragma once

#include <QHash>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// The first sheet of a workbook as a separate office run exports it to flat
// XML, so workbooks are checked by a reader that shares nothing with the
// program's writer.
class FodsSheet
{
public:
    struct Cell
    {
        QString text;      // as displayed
        QString valueType; // "string", "float", "date", "time"; "" when empty
        QString value;     // office:value, date-value or time-value
        QString format;    // number format pattern, e.g. "h:mm:ss"
        QString textAlign; // "end" for right-aligned
        double border[4] = {0, 0, 0, 0}; // top, bottom, left, right in points
    };

    // Converts every file to .fods in `outputFolder` with one office run.
    static bool convert(const QStringList &files, const QString &outputFolder, const QString &profileFolder);
    bool load(const QString &fodsPath);

    Cell cell(int row, int column) const { return m_cells.value({row, column}); }
    double columnWidthInches(int column) const { return m_columnWidths.value(column - 1); }

private:
    QHash<QString, Cell> m_styles; // cell styles as a blank cell of that style
    QHash<QString, QString> m_dataStyles;
    QHash<QString, QString> m_styleFormat;
    QHash<QString, double> m_columnStyles;
    QList<double> m_columnWidths;
    QMap<QPair<int, int>, Cell> m_cells;
};
