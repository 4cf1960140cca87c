#pragma once

#include <QByteArray>

class QFile;

// Hooks for the crash tests, read from the environment once:
// - TARVO_CRASH_BEFORE_FILE_CALL=N: the N-th durable file call of the
//   process ends it with _exit(77) just before the call happens;
// - TARVO_TEAR_FILE_CALL=N: the N-th call, when it is a positioned write,
//   lands only up to a page boundary inside it and the process ends with
//   _exit(77), as a power cut in the middle of the write would leave it;
//   any other call ends it with _exit(78) (nothing to tear there).
// With TARVO_CRASH_FROM_MARK=1 the calls are counted only from mark() on.
// Unset, they only count.
namespace CrashPoint {
// Counting starts afresh here (a test program's work after its start-up).
void mark();
// Called right before every durable write, replacement and folder sync.
void beforeFileCall(bool positionedWrite = false);
// Writes `bytes` at `offset` of the open `file` (a durable file call of its
// own). False when the write failed; errno tells why.
bool positionedWrite(QFile &file, qint64 offset, const QByteArray &bytes);
// Where a write of `size` bytes at `offset` is cut: the last 4096-byte page
// boundary inside it, else the last 512-byte sector boundary, else its middle.
qint64 tornLength(qint64 offset, qint64 size);
} // namespace CrashPoint
