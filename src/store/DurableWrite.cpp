#include "DurableWrite.h"

#include "core/CrashPoint.h"
#include "core/SettingsFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

StoreResult writeDurably(const QString &path, qint64 offset, const QByteArray &bytes)
{
    CrashPoint::beforeFileCall();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return StoreResult::failed(file.errorString());
    if (!file.seek(offset) || file.write(bytes) != bytes.size())
        return StoreResult::failed(file.errorString());
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(qt_error_string(errno));
    return {};
}

StoreResult replaceDurably(const QString &path, const QByteArray &content)
{
    CrashPoint::beforeFileCall();
    // Without commit() the temporary file is discarded and the old content stays.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return StoreResult::failed(file.errorString());
    if (file.write(content) != content.size() || !file.flush())
        return StoreResult::failed(file.errorString());
    // The new content reaches the disk before it takes the name.
    if (::fdatasync(file.handle()) != 0)
        return StoreResult::failed(qt_error_string(errno));
    if (!file.commit())
        return StoreResult::failed(file.errorString());
    return syncFolderOf(path);
}
