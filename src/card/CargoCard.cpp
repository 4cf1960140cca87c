#include "CargoCard.h"

#include "core/OleDate.h"
#include "core/Rounding.h"
#include "core/Settings.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace OperationTypes {
QString unloading() { return u"Разгрузка"_s; }
QString loading() { return u"Погрузка"_s; }
QString single() { return u"Одинарная"_s; }
std::array<QString, 3> all() { return {unloading(), loading(), single()}; }
} // namespace OperationTypes

namespace Statuses {
QString incomplete() { return u"незавершена"_s; }
QString complete() { return u"завершена"_s; }
QString deleted() { return u"удалена"_s; }
} // namespace Statuses

bool IsIncomplete(QStringView status)
{
    return status.trimmed().left(6) == u"незаве";
}

bool IsDeleted(QStringView status)
{
    return status == Statuses::deleted();
}

QString MainParamName(const Settings &settings, int n)
{
    if (n < 0 || n >= MainParamCount)
        return QString();
    return settings.ParamNames[size_t(n)];
}

QString limitEntry(int n, const QString &text)
{
    switch (n) {
    case CargoName:
    case Sender:
    case Receiver:
    case DriverName:
    case EscortName:
        return text.left(256);
    case VehicleNumber:
    case OperationType:
        return text.left(32);
    default:
        return text;
    }
}

DerivedWeights deriveWeights(double net, double litterPercent)
{
    DerivedWeights w;
    w.litterWeight = net * litterPercent / 100;
    w.cleanWeight = round6(net - w.litterWeight);
    return w;
}

double netWeight(double gross, double tare)
{
    return round6(gross - tare);
}

void applyDerivedWeights(CargoCard &card)
{
    const DerivedWeights derived = deriveWeights(card.net, card.litterPercent);
    card.litterWeight = derived.litterWeight;
    card.cleanWeight = derived.cleanWeight;
}

CargoCard completeCard(CargoCard card, CompletionKind kind, double weight, const QDateTime &now)
{
    card.date2 = toOleDate(now.date());
    card.time2 = toOleTime(now.time());
    if (kind == CompletionKind::Gross)
        card.gross = weight;
    else
        card.tare = weight;
    card.net = netWeight(card.gross, card.tare);
    card.status = Statuses::complete();
    applyDerivedWeights(card);
    return card;
}

bool closedByCopy(const CargoCard &card)
{
    return closedByCopy(card.status, card.operationType, card.date2, card.net, card.gross, card.tare);
}

bool closedByCopy(QStringView status, QStringView operationType, double date2, double net, double gross,
                  double tare)
{
    // The completion of an archived card stamps it "завершена" and leaves
    // its weights as the first weighing stored them: net 0 and no second
    // weight. A completed weighing computes net = gross - tare, so with its
    // second weight 0 its net is its first weight, which the test below
    // requires to be non-zero: no weighed card can look like this.
    if (status.trimmed() != Statuses::complete() || date2 == 0 || net != 0)
        return false;
    if (operationType == OperationTypes::unloading())
        return tare == 0 && gross != 0;
    if (operationType == OperationTypes::loading())
        return gross == 0 && tare != 0;
    return false;
}

bool isCompletedCopyOf(const CargoCard &copy, const CargoCard &original)
{
    return copy.id > original.id && copy.date1 == original.date1 && copy.time1 == original.time1
        && copy.operationType == original.operationType && copy.status.trimmed() == Statuses::complete()
        && !closedByCopy(copy);
}

void applyRunningSum(Settings &settings, double liveNet)
{
    if (settings.SumModeOn == 1) {
        settings.SumWeight += liveNet;
        ++settings.SumCount;
    } else {
        settings.SumWeight = 0;
        settings.SumCount = 0;
    }
}

NewCardNumbers numberNewCard(Settings &settings, int dayNumber)
{
    if (dayNumber < 1 || settings.CardIdCounter < 0 || settings.CardIdCounter == std::numeric_limits<qint32>::max())
        return {};
    ++settings.CardIdCounter;
    settings.DayCardNumber = dayNumber;
    return {settings.CardIdCounter, settings.DayCardNumber};
}
