#include "DurableWrite.h"

#include "core/CrashPoint.h"
#include "core/SettingsFile.h"
#include "core/SystemErrorText.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

StoreResult writeDurably(const QString &path, qint64 offset, const QByteArray &bytes)
{
    CrashPoint::beforeFileCall();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return StoreResult::failed(fileErrorText(file));
    if (!file.seek(offset) || file.write(bytes) != bytes.size())
        return StoreResult::failed(fileErrorText(file));
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(systemErrorText(errno));
    return {};
}

StoreResult replaceDurably(const QString &path, const QByteArray &content)
{
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
