#pragma once

#include <QDate>
#include <QString>

// The scale's next verification date (`VerificationDate`, free text) seen
// from `today`: overdue, due within `warnDays`, or fine. A text that is no
// dd.MM.yyyy date is never flagged.
struct VerificationDue
{
    static constexpr int WarnDays = 30;

    bool warn = false;
    // What the status line adds: "поверка просрочена" or "до поверки N дн."
    QString text;

    static VerificationDue check(const QString &verificationDate, const QDate &today);
};
