#pragma once

#include "core/DurableFile.h"
#include "core/StoreResult.h"

#include <QByteArray>
#include <QString>

// Writes of the store's fixed-record files that survive a crash: a record
// goes down through the folder's write journal, so a power cut leaves the
// old bytes or the new, and is on disk before the call returns. A missing
// file is created. On failure the OS's reason.
StoreResult writeDurably(const QString &path, qint64 offset, const QByteArray &bytes);
