#include "DurableWrite.h"

#include "core/CrashPoint.h"
#include "core/SettingsFile.h"
#include "core/SystemErrorText.h"
#include "core/WriteJournal.h"

#include <QFileInfo>

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

StoreResult writeDurably(const QString &path, qint64 offset, const QByteArray &bytes)
{
    return WriteJournal::write({{path, offset, bytes}});
}

StoreResult replaceDurably(const QString &path, const QByteArray &content)
{
    // An unfinished write into the old content must not come back over the new.
    if (const StoreResult forgotten = WriteJournal::forget(path); !forgotten)
        return forgotten;
    CrashPoint::beforeFileCall();
    // Without commit() the temporary file is discarded and the old content stays.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return StoreResult::failed(fileErrorText(file));
    if (file.write(content) != content.size() || !file.flush())
        return StoreResult::failed(fileErrorText(file));
    // The new content reaches the disk before it takes the name.
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(systemErrorText(errno));
    if (!file.commit())
        return StoreResult::failed(fileErrorText(file));
    return syncFolderOf(path);
}
