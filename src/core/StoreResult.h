#pragma once

#include <QString>

// What a storage operation did: on failure, the reason as the operator reads
// it (systemErrorText, fileErrorText). A result nobody looks at is a lost
// failure, so the compiler refuses to drop one.
struct [[nodiscard]] StoreResult
{
    bool ok = true;
    QString reason;

    explicit operator bool() const { return ok; }
    static StoreResult failed(const QString &reason) { return {false, reason}; }
};
