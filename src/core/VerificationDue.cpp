#include "VerificationDue.h"

using namespace Qt::StringLiterals;

VerificationDue VerificationDue::check(const QString &verificationDate, const QDate &today)
{
    const QDate due = QDate::fromString(verificationDate.trimmed(), u"dd.MM.yyyy"_s);
    if (!due.isValid() || !today.isValid())
        return {};
    const qint64 left = today.daysTo(due);
    if (left < 0)
        return {true, u"поверка просрочена"_s};
    if (left <= WarnDays)
        return {true, u"до поверки %1 дн."_s.arg(left)};
    return {};
}
