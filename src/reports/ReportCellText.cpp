#include "ReportCellText.h"

#include "core/Formats.h"

static_assert(ReportCellCapacity >= CharsCapacity);

namespace {

bool isText(int param)
{
    return (param >= 0 && param < CardTextCount) || param == OperationType || param == Status;
}

// A cell of a parameter that is no text, from its value.
qsizetype valueChars(int param, double value, char16_t *out)
{
    switch (param) {
    case Date1:
    case Time1:
    case Date2:
    case Time2:
        return GeneralDateChars(value, out);
    case LitterPercent:
    case CardId:
    case CardNumber:
    case Gross:
    case Net:
    case Tare:
    case Weight1:
    case Weight2:
    case LitterWeight:
    case CleanWeight:
    case SumWeight:
    case SumCount:
        // The whole numbers come out as their digits.
        return NumberChars(value, out);
    default:
        return 0;
    }
}

double cardValue(const CargoCard &card, int param)
{
    switch (param) {
    case Date2: return card.date2;
    case Time2: return card.time2;
    case LitterPercent: return card.litterPercent;
    case CardId: return card.id;
    case CardNumber: return card.number;
    case Date1: return card.date1;
    case Time1: return card.time1;
    case Gross: return card.gross;
    case Net: return card.net;
    case Tare: return card.tare;
    case Weight1: return card.weight1;
    case Weight2: return card.weight2;
    case LitterWeight: return card.litterWeight;
    case CleanWeight: return card.cleanWeight;
    case SumWeight: return card.sumWeight;
    case SumCount: return card.sumCount;
    default: return 0;
    }
}

} // namespace

QString reportCellText(const CargoCard &card, int param)
{
    if (param >= 0 && param < CardTextCount)
        return card.texts[size_t(param)];
    if (param == OperationType)
        return card.operationType;
    if (param == Status)
        return card.status;
    char16_t chars[CharsCapacity];
    return QString(reinterpret_cast<const QChar *>(chars), valueChars(param, cardValue(card, param), chars));
}

qsizetype reportCellChars(const DayCardSlot &slot, int param, char16_t *out)
{
    return isText(param) ? slot.text(param, out) : valueChars(param, slot.value(param), out);
}
