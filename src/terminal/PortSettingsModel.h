#pragma once

#include "PortParameters.h"

#include <QString>
#include <QStringList>

class AppContext;
class EventLog;
class TerminalLink;

// The window "Настройка СОМ-порта компьютера": the choices of its five lists
// and what "Сохранить" does.
class PortSettingsModel
{
public:
    PortSettingsModel(AppContext &context, TerminalLink &link, EventLog &log);

    // "1".."8", then the ports the system reports.
    static QStringList portChoices();
    static QStringList speedChoices();
    static QStringList parityChoices();
    static QStringList dataBitsChoices();
    static QStringList stopBitsChoices();

    static QString notFoundMessage();
    static QString acceptedMessage();

    // What the lists show: the current settings.
    PortParameters current() const;

    // The port is reopened with the values; only a port that opens makes
    // them the settings and stores them. A port that does not open leaves
    // the previous port and settings in place. Returns the message to show:
    // acceptedMessage(), notFoundMessage() or the settings file's failure.
    QString save(const PortParameters &chosen);

private:
    AppContext &m_context;
    TerminalLink &m_link;
    EventLog &m_log;
};
