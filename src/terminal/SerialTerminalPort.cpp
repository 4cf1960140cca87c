#include "SerialTerminalPort.h"

#include "PortParameters.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

SerialTerminalPort::SerialTerminalPort(QObject *parent)
    : TerminalPort(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTerminalPort::onError);
}

SerialTerminalPort::~SerialTerminalPort()
{
    m_port.close();
}

bool SerialTerminalPort::open(const PortParameters &parameters)
{
    close();
    m_fault = Fault::None;
    m_faultText.clear();

    const QString device = parameters.deviceName();
    if (device.isEmpty()) {
        fail(Fault::NotFound, u"порт не задан"_s);
        return false;
    }
    if (!parameters.valid()) {
        fail(Fault::BadParameters, u"недопустимые параметры порта"_s);
        return false;
    }

    m_port.setPortName(device);
    m_port.setBaudRate(*parameters.baudValue());
    m_port.setParity(*parameters.parityValue());
    m_port.setDataBits(*parameters.dataBitsValue());
    m_port.setStopBits(*parameters.stopBitsValue());
    m_port.setFlowControl(QSerialPort::NoFlowControl);

    if (!m_port.open(QIODevice::ReadWrite)) {
        switch (m_port.error()) {
        case QSerialPort::DeviceNotFoundError:
            fail(Fault::NotFound, u"порт не найден"_s);
            break;
        case QSerialPort::PermissionError: {
            // The port's lock or exclusive use also reads as a permission error.
            const QString path = device.startsWith(u'/') ? device : u"/dev/"_s + device;
            if (accessible(path))
                fail(Fault::Busy, u"порт занят другой программой"_s);
            else
                fail(Fault::NoPermission, permissionText(path));
            break;
        }
        case QSerialPort::UnsupportedOperationError:
            fail(Fault::BadParameters, u"устройство не является последовательным портом "
                                       "или не принимает заданные параметры"_s);
            break;
        default:
            fail(Fault::Other, u"порт не открывается"_s);
            break;
        }
        m_port.clearError();
        return false;
    }
    // A pseudo-terminal or an adapter may still hold bytes of an earlier run.
    m_port.clear(QSerialPort::AllDirections);
    m_lossPending = false;
    return true;
}

void SerialTerminalPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool SerialTerminalPort::isOpen() const
{
    return m_port.isOpen();
}

bool SerialTerminalPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen() || m_lossPending)
        return false;
    return m_port.write(bytes) == bytes.size();
}

QByteArray SerialTerminalPort::readAll()
{
    if (!m_port.isOpen())
        return QByteArray();
    return m_port.readAll();
}

void SerialTerminalPort::fail(Fault fault, const QString &text)
{
    m_fault = fault;
    m_faultText = text;
}

void SerialTerminalPort::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || m_lossPending)
        return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError
        && error != QSerialPort::WriteError)
        return;
    // A hung-up line keeps reporting readable with nothing to read, so the
    // port must be closed; not from inside the port's own notification.
    m_lossPending = true;
    QMetaObject::invokeMethod(this, &SerialTerminalPort::dropLostPort, Qt::QueuedConnection);
}

void SerialTerminalPort::dropLostPort()
{
    if (!m_lossPending)
        return;
    m_lossPending = false;
    close();
    fail(Fault::Lost, u"связь с портом потеряна"_s);
    emit lost();
}

bool SerialTerminalPort::accessible(const QString &device)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
    return true;
#endif
}

QString SerialTerminalPort::permissionText(const QString &device)
{
    const QString group = QFileInfo(device).group();
    if (!group.isEmpty() && group != u"root")
        return u"нет прав доступа к порту: пользователя нужно включить в группу «"_s + group
            + u"»"_s;
    return u"нет прав доступа к порту"_s;
}
