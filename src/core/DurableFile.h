#pragma once

#include "StoreResult.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// The one way a whole file is replaced: the new content goes to a temporary
// file beside it (made with `permissions` before a byte is written, when
// given), reaches the disk, then takes the name, and the folder entry is
// synced too. A crash leaves the old content or the new, never a mixture
// or nothing. A write journal's unfinished change of the file is settled or
// dropped first, so no replay puts old bytes over the new content.
StoreResult replaceDurably(const QString &path, const QByteArray &content,
                           QFileDevice::Permissions permissions = {});

// Makes a rename or a new name in the folder of `filePath` durable.
StoreResult syncFolderOf(const QString &filePath);
