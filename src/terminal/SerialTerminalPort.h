#pragma once

#include "TerminalPort.h"

#include <QSerialPort>

// The terminal port over the platform's serial port (or a pseudo-terminal).
class SerialTerminalPort : public TerminalPort
{
    Q_OBJECT

public:
    explicit SerialTerminalPort(QObject *parent = nullptr);
    ~SerialTerminalPort() override;

    bool open(const PortParameters &parameters) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    Fault fault() const override { return m_fault; }
    QString faultText() const override { return m_faultText; }

private:
    void fail(Fault fault, const QString &text);
    void onError(QSerialPort::SerialPortError error);
    void dropLostPort();
    static bool accessible(const QString &device);
    static QString permissionText(const QString &device);

    QSerialPort m_port;
    Fault m_fault = Fault::None;
    QString m_faultText;
    bool m_lossPending = false;
};
