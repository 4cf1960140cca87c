#include "SoftwareIdentity.h"

#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <sodium.h>

using namespace Qt::StringLiterals;

namespace {

// The first 16 hex digits of the file's SHA-256; empty when it cannot be
// read. A process hashes each file once: its own image does not change
// while it runs, and tests start the program many times over.
QString fileDigest(const QString &path)
{
    static QMutex mutex;
    static QHash<QString, std::pair<QDateTime, QString>> known;
    const QFileInfo info(path);
    const QDateTime modified = info.lastModified();
    QMutexLocker lock(&mutex);
    if (const auto found = known.constFind(path); found != known.cend() && found->first == modified)
        return found->second;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Mapped whole and hashed by libsodium: the program's image is tens of
    // megabytes, and Qt's own SHA-256 takes a second over it.
    const qint64 size = file.size();
    const QByteArray data = size > 0 ? QByteArray() : file.readAll();
    const uchar *bytes = size > 0 ? file.map(0, size) : reinterpret_cast<const uchar *>(data.constData());
    if (!bytes)
        return {};
    unsigned char sum[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(sum, bytes, size > 0 ? quint64(size) : quint64(data.size()));
    const QString digest = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(sum), 8).toHex().toUpper());
    known.insert(path, {modified, digest});
    return digest;
}

} // namespace

QString softwareIdentity(const QString &version, const QStringList &files)
{
    QStringList parts;
    if (!version.isEmpty())
        parts.append(version);
    for (const QString &path : files) {
        const QString name = QFileInfo(path).fileName();
        const QString digest = fileDigest(path);
        parts.append(digest.isEmpty() ? QString(name + u" не прочитан"_s) : QString(name + u' ' + digest));
    }
    return parts.join(u"; "_s);
}
