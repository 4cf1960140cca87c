#pragma once

#include <QString>

// What a storage operation did: on failure, the reason as the OS gives it.
struct StoreResult
{
    bool ok = true;
    QString reason;

    explicit operator bool() const { return ok; }
    static StoreResult failed(const QString &reason) { return {false, reason}; }
};
