#include "ReportMessage.h"

using namespace Qt::StringLiterals;

QString reportMessageText(ReportMessage message)
{
    switch (message) {
    case ReportMessage::None:
        break;
    case ReportMessage::BadDate:
        return u"Ошибка при вводе даты"_s;
    case ReportMessage::StartAfterEnd:
        return u"Дата начала не может быть позже даты окончания."_s;
    case ReportMessage::StartTooEarly:
        return u"Дата начала не может быть раньше 01.01.2010"_s;
    case ReportMessage::EndAfterToday:
        return u"Дата окончания не может быть позже текущей даты"_s;
    case ReportMessage::SourceFailed:
        return u"Отчет не построен: "_s;
    }
    return QString();
}
