#include "OpenWeighings.h"

#include "core/AppContext.h"
#include "store/VehicleRegister.h"

using namespace Qt::StringLiterals;

OpenWeighings::OpenWeighings(AppContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
}

void OpenWeighings::refresh()
{
    const QDate today = m_context.clock.today();
    CardQuery query;
    query.to = today;
    query.from = today.addDays(1 - m_context.operatorSettings.openWeighingDays());
    query.incompleteOnly = true;
    m_cards = findCards(m_context.folders, query);
    applyFilter();
}

void OpenWeighings::setFilter(const QString &text)
{
    m_filter = text;
    applyFilter();
}

void OpenWeighings::applyFilter()
{
    m_shown.clear();
    for (const CardHit &hit : std::as_const(m_cards))
        if (cardMatches(hit.card, m_filter))
            m_shown.append(hit);
    emit changed();
}

int OpenWeighings::rowOf(const QString &plate) const
{
    const QString key = VehicleRegister::plateKey(plate);
    if (key.isEmpty())
        return -1;
    for (qsizetype row = 0; row < m_shown.size(); ++row)
        if (VehicleRegister::plateKey(m_shown[row].card.texts[VehicleNumber]) == key)
            return int(row);
    return -1;
}

QString OpenWeighings::countText() const
{
    return u"Открытых взвешиваний: %1"_s.arg(count());
}
