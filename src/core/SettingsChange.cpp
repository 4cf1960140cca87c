#include "SettingsChange.h"

#include "AppContext.h"
#include "EventLog.h"

using namespace Qt::StringLiterals;

namespace {

QString notStoredText(const QString &reason)
{
    return u"Файл настроек не записан: "_s + reason;
}

} // namespace

StoreResult storeSettingsChange(AppContext &context, EventLog &log)
{
    const StoreResult stored = context.storeSettings();
    if (stored)
        return stored;
    logSettingsNotStored(context, log, stored.reason);
    return StoreResult::failed(notStoredText(stored.reason));
}

void logSettingsNotStored(const AppContext &context, EventLog &log, const QString &reason)
{
    log.WriteLog(notStoredText(reason) + u" ("_s + context.folders.SettingsFile + u')');
}
