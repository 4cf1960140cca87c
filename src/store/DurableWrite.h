#pragma once

#include "core/StoreResult.h"

#include <QByteArray>
#include <QString>

// Writes of the store's fixed-record files that survive a crash: a record
// goes down through the folder's write journal, so a power cut leaves the
// old bytes or the new, and is on disk before the call returns. A missing
// file is created. On failure the OS's reason.
StoreResult writeDurably(const QString &path, qint64 offset, const QByteArray &bytes);

// The whole file replaced: the new content goes to a temporary file beside
// it, which then takes the file's name, so a crash leaves the old content
// or the new, never a mixture or nothing. The folder entry is synced too.
StoreResult replaceDurably(const QString &path, const QByteArray &content);
