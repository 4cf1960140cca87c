#pragma once

#include <QObject>
#include <QString>

class QSerialPort;

// A serial line to one device of the weighbridge (the scoreboard, the card
// reader). Opening never blocks: a port that cannot be opened is a state
// with its reason, which the program shows and logs.
class SerialDevice : public QObject
{
    Q_OBJECT

public:
    // `name` is how the operator reads the device ("Табло", "Считыватель карт").
    explicit SerialDevice(const QString &name, QObject *parent = nullptr);
    ~SerialDevice() override;

    // Closes the port, then opens `port` (empty: no device fitted) at `baud`.
    // False when it could not be opened; state() says why.
    [[nodiscard]] bool open(const QString &port, int baud);
    void close();
    bool isOpen() const;
    QString port() const { return m_port; }
    int baud() const { return m_baud; }
    // "Табло: /dev/ttyUSB0 открыт", "…: порт не открыт: …"; empty when no
    // device is fitted.
    QString state() const { return m_state; }

    QSerialPort &serial() { return *m_serial; }

signals:
    // state() changed.
    void stateChanged(const QString &state);

private:
    void setState(const QString &state);

    QString m_name;
    QSerialPort *m_serial;
    QString m_port;
    int m_baud = 0;
    QString m_state;
};
