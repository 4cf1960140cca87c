#pragma once

#include <QByteArray>
#include <QString>

// The simulator's end of a pseudo-terminal. The other end is a device the
// program opens as its serial port; a fixed link path can point to it so
// a restarted simulator is found at the same name.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool open(QString *error);
    // Makes `path` a symbolic link to the device, replacing an old one.
    bool link(const QString &path, QString *error);

    QString devicePath() const { return m_device; }
    // The link when there is one, else the device.
    QString portPath() const { return m_link.isEmpty() ? m_device : m_link; }
    int masterDescriptor() const { return m_master; }

    // Bytes that do not fit (nobody reads the device) are dropped.
    void write(const QByteArray &bytes);
    QByteArray read();

private:
    int m_master = -1;
    // Held open so the device stays while the program closes and reopens it.
    int m_slave = -1;
    QString m_device;
    QString m_link;
};
