#include "FrameReader.h"

#include "TerminalProtocols.h"

ParseResult FrameReader::read(int type, QByteArrayView bytes, const Settings &settings)
{
    // Bytes kept for another protocol mean nothing to this one.
    if (type != m_waitingType)
        m_waiting.clear();
    m_waitingType = type;
    const QByteArray input = m_waiting + bytes.toByteArray();
    ParseResult result = TerminalProtocols::parse(type, input, settings, m_type7);
    const qsizetype from = std::clamp<qsizetype>(result.keepFrom, 0, input.size());
    m_waiting = input.mid(from).right(kMaxWaiting);
    return result;
}

bool FrameReader::wouldComplete(int type, QByteArrayView bytes, const Settings &settings) const
{
    FrameReader copy = *this;
    return copy.read(type, bytes, settings).hasFrame();
}
