#include "CardReader.h"

#include "ProximityCard.h"

#include <QSerialPort>

using namespace Qt::StringLiterals;

CardReader::CardReader(QObject *parent)
    : SerialDevice(u"Считыватель карт"_s, parent)
{
    connect(&serial(), &QSerialPort::readyRead, this, [this] { take(serial().readAll()); });
}

void CardReader::take(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            endLine();
            continue;
        }
        if (m_line.size() < MaxLine)
            m_line += c;
        else
            m_overlong = true;
    }
}

void CardReader::endLine()
{
    const QByteArray line = std::exchange(m_line, QByteArray());
    const bool overlong = std::exchange(m_overlong, false);
    // CR LF ends one line, not two.
    if (line.isEmpty() && !overlong)
        return;
    if (!overlong)
        if (const std::optional<QString> number = ProximityCard::fromLine(line)) {
            emit cardRead(*number);
            return;
        }
    QString shown;
    for (const char c : line)
        shown += quint8(c) >= 0x20 && quint8(c) < 0x7F ? QChar(char16_t(quint8(c))) : u'?';
    emit lineRejected(overlong ? shown + u"…"_s : shown);
}
