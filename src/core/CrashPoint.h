#pragma once

// A hook for the crash tests: with TARVO_CRASH_BEFORE_FILE_CALL=N in the
// environment, the N-th durable file call of the process ends it with
// _exit(77) just before the call happens. Unset, it only counts nothing.
namespace CrashPoint {
// Called right before every durable write, replacement and folder sync.
void beforeFileCall();
} // namespace CrashPoint
