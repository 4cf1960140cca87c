#pragma once

#include "StoreResult.h"

class AppContext;
class EventLog;

// The one way a change of the settings reaches the file: the caller has
// changed the in-memory record, this stores it. A failure is written to the
// event log and returned with the text a window shows, "Файл настроек не
// записан: …"; the change then holds for this run only.
StoreResult storeSettingsChange(AppContext &context, EventLog &log);

// The log line of a settings file not written, with the file's path; for a
// store that is not a change (the first start's defaults).
void logSettingsNotStored(const AppContext &context, EventLog &log, const QString &reason);
