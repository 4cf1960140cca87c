#pragma once

#include <QString>

// What the papers print of the weighing memory: each weighing's record
// number, so an inspector can look it up, and the key's fingerprint.
struct MemoryMarks
{
    qint64 first = 0; // 0: none
    qint64 second = 0;
    QString fingerprint;
};
// "№ в весовой памяти: N".
QString memoryNumberText(qint64 number);
