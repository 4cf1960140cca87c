#include "PortParameters.h"

#include "core/Settings.h"

using namespace Qt::StringLiterals;

namespace {

std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

std::optional<int> numberedPort(const QString &portNumber)
{
    const std::optional<int> n = wholeNumber(portNumber);
    if (n && *n >= 1 && *n <= 8)
        return n;
    return std::nullopt;
}

PortParameters PortParameters::fromSettings(const Settings &settings)
{
    return {settings.PortNumber, settings.BaudRate, settings.Parity, settings.DataBits,
            settings.StopBits};
}

void PortParameters::toSettings(Settings &settings) const
{
    settings.PortNumber = portNumber;
    settings.BaudRate = baudRate;
    settings.Parity = parity;
    settings.DataBits = dataBits;
    settings.StopBits = stopBits;
}

QString PortParameters::deviceName() const
{
    if (const std::optional<int> n = numberedPort(portNumber)) {
#ifdef Q_OS_WIN
        return u"COM"_s + QString::number(*n);
#else
        return u"/dev/ttyS"_s + QString::number(*n - 1);
#endif
    }
    return portNumber.trimmed();
}

QString PortParameters::portTitle() const
{
    if (const std::optional<int> n = numberedPort(portNumber))
        return u"COM"_s + QString::number(*n);
    return portNumber.trimmed();
}

QString PortParameters::parametersText() const
{
    return baudRate.trimmed() + u',' + parity.trimmed() + u',' + dataBits.trimmed() + u','
        + stopBits.trimmed();
}

QString PortParameters::statusText() const
{
    return portTitle() + u"  "_s + parametersText();
}

std::optional<qint32> PortParameters::baudValue() const
{
    const std::optional<int> baud = wholeNumber(baudRate);
    if (baud && *baud > 0)
        return baud;
    return std::nullopt;
}

std::optional<QSerialPort::Parity> PortParameters::parityValue() const
{
    const QString letter = parity.trimmed().toLower();
    if (letter == u"n")
        return QSerialPort::NoParity;
    if (letter == u"e")
        return QSerialPort::EvenParity;
    if (letter == u"o")
        return QSerialPort::OddParity;
    if (letter == u"s")
        return QSerialPort::SpaceParity;
    if (letter == u"m")
        return QSerialPort::MarkParity;
    return std::nullopt;
}

std::optional<QSerialPort::DataBits> PortParameters::dataBitsValue() const
{
    switch (wholeNumber(dataBits).value_or(0)) {
    case 5: return QSerialPort::Data5;
    case 6: return QSerialPort::Data6;
    case 7: return QSerialPort::Data7;
    case 8: return QSerialPort::Data8;
    default: return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> PortParameters::stopBitsValue() const
{
    switch (wholeNumber(stopBits).value_or(0)) {
    case 1: return QSerialPort::OneStop;
    case 2: return QSerialPort::TwoStop;
    default: return std::nullopt;
    }
}

bool PortParameters::valid() const
{
    return baudValue() && parityValue() && dataBitsValue() && stopBitsValue();
}
