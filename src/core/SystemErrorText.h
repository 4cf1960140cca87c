#pragma once

#include <QString>

#include <cerrno>

class QFileDevice;

// The reason of a failed system call as the operator reads it: Russian for
// the errors a weighbridge office meets (disk full, no access, read-only
// medium, a missing folder), the system's own text for the rest.
QString systemErrorText(int errnum);

// The reason a file operation failed. `errnum` is errno right after the
// failed call; the system's part of the file's error text is given as
// systemErrorText says it, anything Qt adds (the file name) is kept.
QString fileErrorText(const QFileDevice &file, int errnum = errno);
