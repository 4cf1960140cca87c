#include "DurableWrite.h"

#include <QFile>
#include <QSaveFile>

#include <unistd.h>

bool writeDurably(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const bool written = file.seek(offset) && file.write(bytes) == bytes.size();
    return ::fdatasync(file.handle()) == 0 && written;
}

bool replaceDurably(const QString &path, const QByteArray &content)
{
    // Without commit() the temporary file is discarded and the old content stays.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    // The new content reaches the disk before it takes the name.
    if (!file.flush() || ::fdatasync(file.handle()) != 0)
        return false;
    return file.commit();
}
