#include "SoftwareIdentity.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString softwareIdentity(const QString &version, const QStringList &files)
{
    QStringList parts;
    if (!version.isEmpty())
        parts.append(version);
    for (const QString &path : files) {
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const QString name = QFileInfo(path).fileName();
        if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
            parts.append(name + u" не прочитан"_s);
            continue;
        }
        parts.append(name + u' ' + QString::fromLatin1(hash.result().toHex().left(16).toUpper()));
    }
    return parts.join(u"; "_s);
}
