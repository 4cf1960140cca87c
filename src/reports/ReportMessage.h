#pragma once

#include <QString>

// What a run of the report asks the window to tell the operator.
enum class ReportMessage {
    None,
    BadDate,        // "Ошибка при вводе даты"
    StartAfterEnd,  // "Дата начала не может быть позже даты окончания."
    StartTooEarly,  // "Дата начала не может быть раньше 01.01.2010"
    EndAfterToday,  // "Дата окончания не может быть позже текущей даты"
    SourceFailed,   // "Отчет не построен: " and the source's reason
};

// The message box text; empty for None.
QString reportMessageText(ReportMessage message);
