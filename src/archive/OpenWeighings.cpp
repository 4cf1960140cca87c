#include "OpenWeighings.h"

#include "core/AppContext.h"

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
    emit changed();
}

QString OpenWeighings::countText() const
{
    return u"Открытых взвешиваний: %1"_s.arg(count());
}
