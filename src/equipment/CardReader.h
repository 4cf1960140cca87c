#pragma once

#include "SerialDevice.h"

#include <QByteArray>

// The card reader on its serial line: ASCII lines, one card number each,
// ended by CR, LF or both. A line that is no card number is dropped and
// said, never taken for a card.
class CardReader : public SerialDevice
{
    Q_OBJECT

public:
    explicit CardReader(QObject *parent = nullptr);

    // Bytes as they arrive from the line; whole lines are read at once.
    void take(const QByteArray &bytes);

    // Longer than any card line: the rest is noise up to the next line end.
    static constexpr qsizetype MaxLine = 64;

signals:
    // A card's number in its one form (ProximityCard).
    void cardRead(const QString &number);
    // A line that holds no card number, as received (non-printables as "?").
    void lineRejected(const QString &line);

private:
    void endLine();

    QByteArray m_line;
    bool m_overlong = false;
};
