#include "CrashPoint.h"

#include <QFile>

#include <cstdlib>
#include <unistd.h>

namespace CrashPoint {

namespace {

// 0 when unset: read once, so the check costs a compare afterwards.
long fromEnvironment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::strtol(value, nullptr, 10) : 0L;
}

long crashAt()
{
    static const long at = fromEnvironment("TARVO_CRASH_BEFORE_FILE_CALL");
    return at;
}

long tearAt()
{
    static const long at = fromEnvironment("TARVO_TEAR_FILE_CALL");
    return at;
}

bool fromMark()
{
    static const bool from = fromEnvironment("TARVO_CRASH_FROM_MARK") == 1;
    return from;
}

long calls = 0;
bool counting = !fromMark();

bool firesAt(long at)
{
    return counting && at > 0 && calls == at;
}

} // namespace

void mark()
{
    calls = 0;
    counting = true;
}

void beforeFileCall(bool positionedWrite)
{
    if ((crashAt() <= 0 && tearAt() <= 0) || !counting)
        return;
    ++calls;
    if (firesAt(crashAt()))
        ::_exit(77);
    if (firesAt(tearAt()) && !positionedWrite)
        ::_exit(78);
}

qint64 tornLength(qint64 offset, qint64 size)
{
    for (const qint64 unit : {qint64(4096), qint64(512)}) {
        const qint64 boundary = (offset + size - 1) / unit * unit;
        if (boundary > offset)
            return boundary - offset;
    }
    return size / 2;
}

bool positionedWrite(QFile &file, qint64 offset, const QByteArray &bytes)
{
    beforeFileCall(true);
    if (!file.seek(offset))
        return false;
    if (firesAt(tearAt())) {
        const qint64 part = tornLength(offset, bytes.size());
        file.write(bytes.constData(), part);
        file.flush();
        ::fdatasync(file.handle());
        ::_exit(77);
    }
    return file.write(bytes) == bytes.size();
}

} // namespace CrashPoint
