#include "DurableFile.h"

#include "CommitLog.h"
#include "CrashPoint.h"
#include "SystemErrorText.h"
#include "WriteJournal.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

StoreResult replaceDurably(const QString &path, const QByteArray &content, QFileDevice::Permissions permissions)
{
    if (const StoreResult settled = CommitLog::settleBefore(path); !settled)
        return settled;
    if (const StoreResult forgotten = WriteJournal::forget(path); !forgotten)
        return forgotten;
    CrashPoint::beforeFileCall();
    // Without commit() the temporary file is discarded and the old content stays.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return StoreResult::failed(fileErrorText(file));
    if (permissions && !file.setPermissions(permissions))
        return StoreResult::failed(fileErrorText(file));
    if (file.write(content) != content.size() || !file.flush()) {
        const QString reason = fileErrorText(file);
        file.cancelWriting();
        return StoreResult::failed(reason);
    }
    // The new content reaches the disk before it takes the name.
    if (::fdatasync(file.handle()) != 0) {
        const QString reason = systemErrorText(errno);
        file.cancelWriting();
        return StoreResult::failed(reason);
    }
    if (!file.commit())
        return StoreResult::failed(fileErrorText(file));
    return syncFolderOf(path);
}

StoreResult syncFolderOf(const QString &filePath)
{
    CrashPoint::beforeFileCall();
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return StoreResult::failed(systemErrorText(errno));
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return synced ? StoreResult() : StoreResult::failed(systemErrorText(error));
}
