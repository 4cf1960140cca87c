#include "PortSettingsModel.h"

#include "TerminalLink.h"
#include "core/AppContext.h"
#include "core/SettingsChange.h"

#include <QSerialPortInfo>

using namespace Qt::StringLiterals;

PortSettingsModel::PortSettingsModel(AppContext &context, TerminalLink &link, EventLog &log)
    : m_context(context)
    , m_link(link)
    , m_log(log)
{
}

QStringList PortSettingsModel::portChoices()
{
    QStringList choices;
    QStringList numberedDevices;
    for (int n = 1; n <= 8; ++n) {
        choices << QString::number(n);
        numberedDevices << PortParameters{QString::number(n), {}, {}, {}, {}}.deviceName();
    }
    // A numbered port is already offered as its number.
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString location = info.systemLocation();
        if (!numberedDevices.contains(location) && !choices.contains(location))
            choices << location;
    }
    return choices;
}

QStringList PortSettingsModel::speedChoices()
{
    return {u"1200"_s, u"2400"_s, u"4800"_s, u"9600"_s, u"19200"_s, u"38400"_s};
}

QStringList PortSettingsModel::parityChoices()
{
    return {u"n"_s, u"e"_s, u"o"_s, u"s"_s, u"m"_s};
}

QStringList PortSettingsModel::dataBitsChoices()
{
    return {u"5"_s, u"6"_s, u"7"_s, u"8"_s};
}

QStringList PortSettingsModel::stopBitsChoices()
{
    return {u"1"_s, u"2"_s};
}

QString PortSettingsModel::notFoundMessage()
{
    return u"Порт не обнаружен"_s;
}

QString PortSettingsModel::acceptedMessage()
{
    return u"Изменения приняты"_s;
}

PortParameters PortSettingsModel::current() const
{
    return PortParameters::fromSettings(m_context.settings);
}

QString PortSettingsModel::save(const PortParameters &chosen)
{
    PortParameters values = chosen;
    values.portNumber = values.portNumber.trimmed();
    if (!m_link.switchPort(values))
        return notFoundMessage();
    // The port is switched already: say so, and that it holds for this run only.
    if (const StoreResult stored = storeSettingsChange(m_context, m_log); !stored) {
        const QString &reason = stored.reason;
        return acceptedMessage() + u", но "_s + reason.left(1).toLower() + reason.mid(1);
    }
    return acceptedMessage();
}
