#include "ReportColumnLayout.h"

#include "card/CargoCard.h"

namespace {

struct DefaultColumn
{
    qint16 param;
    qint16 width;
};

constexpr std::array<DefaultColumn, 19> kDefault = {{
    {CargoName, 2000},
    {DocumentNumber, 2000},
    {Sender, 2000},
    {Receiver, 2000},
    {VehicleNumber, 2000},
    {DriverName, 2000},
    {EscortName, 2000},
    {OperationType, 1000},
    {Status, 1500},
    {Date1, 1000},
    {Time1, 1000},
    {Date2, 1000},
    {Time2, 1000},
    {Gross, 1000},
    {Net, 1000},
    {Tare, 1000},
    {CleanWeight, 1000},
    {LitterWeight, 1000},
    {LitterPercent, 1000},
}};

constexpr qint16 kWideColumn = 2000;

void place(ReportColumnLayout &layout, int column, int param, qint16 width)
{
    layout.columnParam[size_t(column)] = qint16(param);
    layout.paramColumn[size_t(param)] = qint16(column);
    layout.columnWidth[size_t(column)] = width;
}

} // namespace

int ReportColumnLayout::lastColumn() const
{
    int last = 0;
    while (last + 1 < Size && columnParam[size_t(last + 1)] != None)
        ++last;
    return last;
}

void ResetColumnLayout(ReportColumnLayout &layout)
{
    layout.paramColumn.fill(ReportColumnLayout::None);
    layout.columnParam.fill(ReportColumnLayout::None);
    layout.columnWidth.fill(0);
    for (size_t i = 0; i < kDefault.size(); ++i)
        place(layout, int(i) + 1, kDefault[i].param, kDefault[i].width);
}

void ApplyGroupingChoice(ReportColumnLayout &layout, int entry, bool sites)
{
    ResetColumnLayout(layout);
    if (sites) {
        const int end = layout.lastColumn() + 1;
        if (entry == int(GroupingParams.size())) {
            place(layout, end, layout.columnParam[1], layout.columnWidth[1]);
            place(layout, 1, ReportColumnLayout::SiteParam, kWideColumn);
            return;
        }
        place(layout, end, ReportColumnLayout::SiteParam, kWideColumn);
    }
    if (entry < 0 || entry >= int(GroupingParams.size()))
        return;

    if (entry < CardTextCount) {
        // The seven texts rotate so the chosen one leads.
        for (int i = 0; i < CardTextCount; ++i)
            place(layout, i + 1, (entry + i) % CardTextCount, kWideColumn);
        return;
    }

    // The chosen parameter leads, the cargo name follows, and the document
    // number takes the column the chosen parameter had.
    const int p = GroupingParams[size_t(entry)];
    const int home = layout.paramColumn[size_t(p)];
    place(layout, 1, p, kWideColumn);
    place(layout, 2, CargoName, kWideColumn);
    place(layout, home, DocumentNumber, kWideColumn);
}
