#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

struct Settings;

// The five port settings, held as texts exactly as the settings file keeps
// them, with their conversion to what the serial port takes.
struct PortParameters
{
    QString portNumber;
    QString baudRate;
    QString parity;
    QString dataBits;
    QString stopBits;

    static PortParameters fromSettings(const Settings &settings);
    void toSettings(Settings &settings) const;

    // "1".."8" name the platform's ports; any other text is a device name.
    QString deviceName() const;
    // What the status line calls the port: "COM1", or the device name.
    QString portTitle() const;
    // "9600,n,8,1".
    QString parametersText() const;
    // "COM1  9600,n,8,1".
    QString statusText() const;

    std::optional<qint32> baudValue() const;
    std::optional<QSerialPort::Parity> parityValue() const;
    std::optional<QSerialPort::DataBits> dataBitsValue() const;
    std::optional<QSerialPort::StopBits> stopBitsValue() const;
    // All four convert.
    bool valid() const;

    bool operator==(const PortParameters &) const = default;
};

// The port number 1..8 when the text names one, else nothing.
std::optional<int> numberedPort(const QString &portNumber);
