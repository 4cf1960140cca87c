#include "PhotoStore.h"

#include "core/SystemErrorText.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

PhotoStore::PhotoStore(QObject *parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

PhotoStore::~PhotoStore()
{
    m_pool.waitForDone();
}

void PhotoStore::write(const QString &path, const QImage &image)
{
    m_pending.insert(path, image);
    ++m_queued[path];
    QtConcurrent::run(&m_pool, [path, image] { return writeJpeg(path, image); })
        .then(this, [this, path](const QString &error) {
            if (--m_queued[path] == 0) {
                m_queued.remove(path);
                m_pending.remove(path);
            }
            if (error.isEmpty())
                emit written(path);
            else
                emit failed(path, error);
        });
}

void PhotoStore::waitForDone()
{
    m_pool.waitForDone();
    // The continuations run on this thread: let them clear the queue.
    while (!m_queued.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString PhotoStore::writeJpeg(const QString &path, const QImage &image)
{
    if (image.isNull())
        return u"нет кадра"_s;
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", Quality))
        return u"JPEG не закодирован"_s;
    // QSaveFile writes beside the target, syncs it to the disk and renames.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fileErrorText(file);
    if (file.write(jpeg) != jpeg.size()) {
        const QString reason = fileErrorText(file);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return fileErrorText(file);
#ifdef Q_OS_UNIX
    // The rename itself reaches the disk here, on this worker, rather than
    // with the next fsync of a day file, which would then wait for it.
    if (const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
    return {};
}
