#include "CardFieldText.h"

#include "core/Formats.h"
#include "core/OleDate.h"

namespace {

QString dateText(double v) { return v == 0 ? QString() : ShortDateText(oleDateToDate(v)); }
// A time of 0 is midnight unless the weighing has no date at all.
QString timeText(double v, double date) { return v == 0 && date == 0 ? QString() : LongTimeText(oleDateToTime(v)); }

} // namespace

QString CardFieldText(const CargoCard &c, int n)
{
    if (n >= 0 && n < CardTextCount)
        return c.texts[size_t(n)];
    switch (n) {
    case Date2: return dateText(c.date2);
    case Time2: return timeText(c.time2, c.date2);
    case LitterPercent: return NumberText(c.litterPercent);
    case CardId: return QString::number(c.id);
    case CardNumber: return QString::number(c.number);
    case Date1: return dateText(c.date1);
    case Time1: return timeText(c.time1, c.date1);
    case OperationType: return c.operationType;
    case Status: return c.status;
    case Gross: return NumberText(c.gross);
    case Net: return NumberText(c.net);
    case Tare: return NumberText(c.tare);
    case Weight1: return NumberText(c.weight1);
    case Weight2: return NumberText(c.weight2);
    case LitterWeight: return NumberText(c.litterWeight);
    case CleanWeight: return NumberText(c.cleanWeight);
    case SumWeight: return NumberText(c.sumWeight);
    case SumCount: return QString::number(c.sumCount);
    default: return QString();
    }
}
