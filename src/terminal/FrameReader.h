#pragma once

#include "ParseResult.h"
#include "Type7State.h"

#include <QByteArray>
#include <QByteArrayView>

struct Settings;

// Reads frames from what the port delivers read after read: the bytes of
// a frame begun in one read wait for the rest in the next, so a frame
// split between reads is read whole. Type 7 keeps its own buffer.
class FrameReader
{
public:
    // More than a few frames waiting is garbage, not a frame.
    static constexpr qsizetype kMaxWaiting = 64;

    // The parser of `type` on the waiting bytes and `bytes`.
    ParseResult read(int type, QByteArrayView bytes, const Settings &settings);
    // Whether `bytes` complete a frame, without taking them.
    bool wouldComplete(int type, QByteArrayView bytes, const Settings &settings) const;

    // What the last read left for the next one.
    const QByteArray &waiting() const { return m_waiting; }
    const Type7State &type7State() const { return m_type7; }
    void dropWaiting() { m_waiting.clear(); }

private:
    QByteArray m_waiting;
    int m_waitingType = 0;
    Type7State m_type7;
};
