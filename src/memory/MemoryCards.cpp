#include "MemoryCards.h"

#include "core/Formats.h"
#include "core/OleDate.h"
#include "core/OperatorSettings.h"
#include "core/Settings.h"

using namespace Qt::StringLiterals;

namespace MemoryCards {

namespace {

QString dateText(double value)
{
    return value == 0 ? QString() : ShortDateText(oleDateToDate(value));
}

QString timeText(double date, double value)
{
    return date == 0 && value == 0 ? QString() : LongTimeText(oleDateToTime(value));
}

} // namespace

QList<std::pair<QString, QString>> snapshot(const CargoCard &card)
{
    namespace F = MemoryFields;
    return {
        {F::Date1, dateText(card.date1)},     {F::Time1, timeText(card.date1, card.time1)},
        {F::Date2, dateText(card.date2)},     {F::Time2, timeText(card.date2, card.time2)},
        {F::Gross, NumberText(card.gross)},   {F::Tare, NumberText(card.tare)},
        {F::Net, NumberText(card.net)},       {F::Weight1, NumberText(card.weight1)},
        {F::Weight2, NumberText(card.weight2)}, {F::Status, card.status.trimmed()},
    };
}

QStringList changes(const CargoCard &before, const CargoCard &after)
{
    QStringList out;
    const auto note = [&out](const QString &name, const QString &was, const QString &now) {
        if (was != now)
            out.append(name + u": "_s + was + u" → "_s + now);
    };
    const auto old = snapshot(before);
    const auto now = snapshot(after);
    for (qsizetype k = 0; k < old.size(); ++k)
        note(old[k].first, old[k].second, now[k].second);
    static const QString textNames[CardTextCount] = {u"Груз"_s, u"Документ"_s, u"Отправитель"_s, u"Получатель"_s,
                                                     u"Машина"_s, u"Водитель"_s, u"Сопровождающий"_s};
    for (int i = 0; i < CardTextCount; ++i)
        note(textNames[i], before.texts[size_t(i)], after.texts[size_t(i)]);
    note(u"Тип операции"_s, before.operationType, after.operationType);
    note(u"% засора"_s, NumberText(before.litterPercent), NumberText(after.litterPercent));
    return out;
}

QString legalSettings(const Settings &s, const OperatorSettings &o)
{
    return u"тип терминала %1; знаков после запятой %2; коэффициент импульса %3; наибольший вес %4; "
           "колебание веса в автоматическом режиме %5; наименьший вес автоматического режима %6; "
           "неустойчивый вес %7; единица %8"_s
        .arg(s.TerminalType)
        .arg(s.DecimalPlaces)
        .arg(NumberText(s.ImpulseCoefficient), NumberText(s.MaxWeight), NumberText(s.AutoMaxFluctuation),
             NumberText(s.AutoMinWeight), o.refuseUnsteady() ? u"не принимается"_s : u"принимается"_s,
             s.WeightUnit.trimmed());
}

} // namespace MemoryCards
