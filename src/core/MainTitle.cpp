#include "MainTitle.h"

#include "Formats.h"

using namespace Qt::StringLiterals;

QString mainWindowTitle(const QDateTime &now, const QString &currentOperator)
{
    return u"Kalvenstrom       Tarvo v.3.00            Сегодня: "_s + ShortDateText(now.date()) + u"  "_s
        + LongTimeText(now.time()) + u"         Оператор: "_s + currentOperator;
}
