#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

struct PortParameters;

// The line to the weight terminal. The polling cycle talks only to this,
// so it runs the same over a serial port, a pseudo-terminal or a test fake.
class TerminalPort : public QObject
{
    Q_OBJECT

public:
    // Why a port is not open.
    enum class Fault {
        None,
        NotFound,
        NoPermission,
        Busy,
        BadParameters,
        Lost,
        Other,
    };

    using QObject::QObject;

    // Closes the port if open, then opens it with `parameters`. On failure
    // fault() and faultText() say why.
    virtual bool open(const PortParameters &parameters) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // False when nothing could be written; the caller ignores it.
    virtual bool write(const QByteArray &bytes) = 0;
    // Everything received since the previous call.
    virtual QByteArray readAll() = 0;

    virtual Fault fault() const = 0;
    // The reason in the operator's words, empty while the port is fine.
    virtual QString faultText() const = 0;

signals:
    // An open port stopped working (adapter unplugged, line hung up). The
    // port is already closed when this arrives.
    void lost();
};
