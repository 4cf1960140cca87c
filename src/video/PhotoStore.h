#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

// Writes the photos of cards as JPEG files. Encoding runs on a worker of its
// own, one photo after the other, so a store never waits for it and two
// photos of the same name land in the order they were taken.
class PhotoStore : public QObject
{
    Q_OBJECT

public:
    static constexpr int Quality = 65;

    explicit PhotoStore(QObject *parent = nullptr);
    ~PhotoStore() override;

    // Queues `image` for "{path}". Until it is on disk, `pending(path)`
    // returns it, so a frame that loads the photo meanwhile shows it.
    void write(const QString &path, const QImage &image);
    QImage pending(const QString &path) const { return m_pending.value(path); }
    // Blocks until every queued photo is written (tests, the program's end).
    void waitForDone();

    // The write itself: a temporary file in the same folder, flushed to the
    // disk, then renamed over the final name, so a crash never leaves a
    // torn JPEG under it. Returns the reason of a failure, else empty.
    static QString writeJpeg(const QString &path, const QImage &image);

signals:
    void written(const QString &path);
    void failed(const QString &path, const QString &reason);

private:
    QThreadPool m_pool;
    QHash<QString, QImage> m_pending;
    QHash<QString, int> m_queued;
};
