#pragma once

#include <QtGlobal>

#include <array>

// Which grid column shows which main parameter, and how wide it is. The
// tables are indexed 0..25; the first "none" in the column tables ends the
// list of columns.
struct ReportColumnLayout
{
    static constexpr qint16 None = 255;
    static constexpr int Size = 26;
    // Not a card's parameter: the scale a card of the central database
    // came from ("Весы").
    static constexpr qint16 SiteParam = 25;

    // By main parameter 0..24: its grid column, or None.
    std::array<qint16, Size> paramColumn{};
    // By grid column 1..25: the main parameter it shows, or None.
    std::array<qint16, Size> columnParam{};
    // By grid column 1..25: width in twips, 0 for a column showing nothing.
    std::array<qint16, Size> columnWidth{};

    // The last grid column that shows a parameter (19 by default).
    int lastColumn() const;

    bool operator==(const ReportColumnLayout &) const = default;
};

// The default columns: the seven texts, type, status, both dates and
// times, then gross, net, tare, clean weight, litter weight and litter %.
void ResetColumnLayout(ReportColumnLayout &layout);

// The main parameter behind each entry of the grouping list, in list order.
inline constexpr std::array<int, 11> GroupingParams = {0, 1, 2, 3, 4, 5, 6, 14, 15, 12, 7};

// The default layout with the chosen grouping parameter moved to column 1;
// any entry outside 0..10 (nothing selected) keeps the default. With
// `sites` the scale's column follows the others, and entry 11 ("Весы")
// leads with it, the first column's parameter taking its place.
void ApplyGroupingChoice(ReportColumnLayout &layout, int entry, bool sites = false);
