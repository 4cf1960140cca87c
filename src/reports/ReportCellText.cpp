#include "ReportCellText.h"

#include "core/Formats.h"

QString reportCellText(const CargoCard &card, int param)
{
    if (param >= 0 && param < CardTextCount)
        return card.texts[size_t(param)];
    switch (param) {
    case Date2:
        return GeneralDateText(card.date2);
    case Time2:
        return GeneralDateText(card.time2);
    case LitterPercent:
        return NumberText(card.litterPercent);
    case CardId:
        return QString::number(card.id);
    case CardNumber:
        return QString::number(card.number);
    case Date1:
        return GeneralDateText(card.date1);
    case Time1:
        return GeneralDateText(card.time1);
    case OperationType:
        return card.operationType;
    case Status:
        return card.status;
    case Gross:
        return NumberText(card.gross);
    case Net:
        return NumberText(card.net);
    case Tare:
        return NumberText(card.tare);
    case Weight1:
        return NumberText(card.weight1);
    case Weight2:
        return NumberText(card.weight2);
    case LitterWeight:
        return NumberText(card.litterWeight);
    case CleanWeight:
        return NumberText(card.cleanWeight);
    case SumWeight:
        return NumberText(card.sumWeight);
    case SumCount:
        return QString::number(card.sumCount);
    default:
        return QString();
    }
}
