#include "MemoryKey.h"

#include "core/DurableFile.h"
#include "core/SystemErrorText.h"

#include <QCryptographicHash>
#include <QFile>

#include <sodium.h>


using namespace Qt::StringLiterals;

namespace {

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

QString MemoryKey::secretPath(const QString &memoryFolder)
{
    return memoryFolder + u"key.sec"_s;
}

QString MemoryKey::publicPath(const QString &memoryFolder)
{
    return memoryFolder + u"key.pub"_s;
}

QByteArray MemoryKey::readPublic(const QString &memoryFolder)
{
    QFile file(publicPath(memoryFolder));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray key = QByteArray::fromHex(file.readAll().trimmed());
    return key.size() == crypto_sign_PUBLICKEYBYTES ? key : QByteArray();
}

bool MemoryKey::load(const QString &memoryFolder, QString &error)
{
    m_public.clear();
    m_secret.clear();
    QFile file(secretPath(memoryFolder));
    if (!file.exists()) {
        error = u"ключ весовой памяти не найден"_s;
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = u"ключ весовой памяти не прочитан: "_s + fileErrorText(file);
        return false;
    }
    const QByteArray secret = file.readAll();
    if (secret.size() != crypto_sign_SECRETKEYBYTES || !sodiumReady()) {
        error = u"ключ весовой памяти повреждён"_s;
        return false;
    }
    QByteArray derived(crypto_sign_PUBLICKEYBYTES, '\0');
    crypto_sign_ed25519_sk_to_pk(reinterpret_cast<unsigned char *>(derived.data()),
                                 reinterpret_cast<const unsigned char *>(secret.constData()));
    if (readPublic(memoryFolder) != derived) {
        error = u"открытый ключ весовой памяти не подходит к её ключу"_s;
        return false;
    }
    m_secret = secret;
    m_public = derived;
    return true;
}

StoreResult MemoryKey::create(const QString &memoryFolder)
{
    if (!sodiumReady())
        return StoreResult::failed(u"библиотека подписи не запустилась"_s);
    QByteArray pk(crypto_sign_PUBLICKEYBYTES, '\0');
    QByteArray sk(crypto_sign_SECRETKEYBYTES, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(pk.data()), reinterpret_cast<unsigned char *>(sk.data()));
    // The secret half is never readable by anybody else, not even briefly.
    if (const StoreResult written =
            replaceDurably(secretPath(memoryFolder), sk, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        !written)
        return written;
    if (const StoreResult written = replaceDurably(publicPath(memoryFolder), pk.toHex() + '\n'); !written)
        return written;
    m_public = pk;
    m_secret = sk;
    return {};
}

QString MemoryKey::fingerprint(const QByteArray &publicKey)
{
    if (publicKey.isEmpty())
        return {};
    const QString hex = QString::fromLatin1(
        QCryptographicHash::hash(publicKey, QCryptographicHash::Sha256).toHex().left(16).toUpper());
    return hex.mid(0, 4) + u' ' + hex.mid(4, 4) + u' ' + hex.mid(8, 4) + u' ' + hex.mid(12, 4);
}

QByteArray MemoryKey::sign(QByteArrayView message, const QByteArray &secretKey)
{
    QByteArray signature(crypto_sign_BYTES, '\0');
    if (!sodiumReady() || secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return signature;
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(message.data()), quint64(message.size()),
                         reinterpret_cast<const unsigned char *>(secretKey.constData()));
    return signature;
}

bool MemoryKey::verify(QByteArrayView message, const QByteArray &signature, const QByteArray &publicKey)
{
    return sodiumReady() && signature.size() == crypto_sign_BYTES && publicKey.size() == crypto_sign_PUBLICKEYBYTES
        && crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.constData()),
                                       reinterpret_cast<const unsigned char *>(message.data()),
                                       quint64(message.size()),
                                       reinterpret_cast<const unsigned char *>(publicKey.constData()))
        == 0;
}
