#pragma once

#include "core/StoreResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The installation's Ed25519 key pair that signs the weighing memory. Made
// at the first start; the secret half is readable by its user only.
class MemoryKey
{
public:
    // "key.sec" and "key.pub" in the memory's folder.
    static QString secretPath(const QString &memoryFolder);
    static QString publicPath(const QString &memoryFolder);

    // Reads the pair; false with `error` when it is missing or damaged.
    bool load(const QString &memoryFolder, QString &error);
    // A new pair, written and on disk before the call returns.
    StoreResult create(const QString &memoryFolder);

    bool valid() const { return m_public.size() == 32 && m_secret.size() == 64; }
    const QByteArray &publicKey() const { return m_public; }
    const QByteArray &secretKey() const { return m_secret; }

    // The public key of the folder alone (what a verifier reads).
    static QByteArray readPublic(const QString &memoryFolder);
    // "1A2B 3C4D 5E6F 7081": the first 16 hex digits of the SHA-256 of a
    // public key, as the act prints it.
    static QString fingerprint(const QByteArray &publicKey);

    static QByteArray sign(QByteArrayView message, const QByteArray &secretKey);
    static bool verify(QByteArrayView message, const QByteArray &signature, const QByteArray &publicKey);

private:
    QByteArray m_public;
    QByteArray m_secret;
};
