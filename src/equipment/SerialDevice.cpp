#include "SerialDevice.h"

#include "terminal/PortParameters.h"

#include <QSerialPort>

using namespace Qt::StringLiterals;

SerialDevice::SerialDevice(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_serial(new QSerialPort(this))
{
    connect(m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // A line that goes away while open (adapter pulled) is closed and said.
        if (error == QSerialPort::ResourceError && m_serial->isOpen()) {
            m_serial->close();
            setState(m_name + u": связь с портом "_s + m_port + u" потеряна"_s);
        }
    });
}

SerialDevice::~SerialDevice()
{
    m_serial->close();
}

bool SerialDevice::open(const QString &port, int baud)
{
    close();
    m_port = port.trimmed();
    m_baud = baud;
    if (m_port.isEmpty()) {
        setState(QString());
        return false;
    }
    PortParameters named;
    named.portNumber = m_port;
    m_serial->setPortName(named.deviceName());
    m_serial->setBaudRate(baud > 0 ? baud : 9600);
    m_serial->setDataBits(QSerialPort::Data8);
    m_serial->setParity(QSerialPort::NoParity);
    m_serial->setStopBits(QSerialPort::OneStop);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_serial->open(QIODevice::ReadWrite)) {
        setState(m_name + u": порт "_s + m_port + u" не открыт: "_s + m_serial->errorString());
        return false;
    }
    // A pseudo-terminal keeps the bytes of an earlier run.
    m_serial->clear();
    setState(m_name + u": порт "_s + m_port + u" открыт"_s);
    return true;
}

void SerialDevice::close()
{
    if (m_serial->isOpen())
        m_serial->close();
}

bool SerialDevice::isOpen() const
{
    return m_serial->isOpen();
}

void SerialDevice::setState(const QString &state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
