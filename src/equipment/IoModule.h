#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

// The I/O module of the weighbridge: discrete inputs read over and over,
// coils set on request. Nothing here waits for the module: its answers and
// its silence arrive as signals.
class IoModule : public QObject
{
    Q_OBJECT

public:
    struct Target
    {
        QString host;
        int port = 502;
        int unit = 1;
        // The discrete inputs to poll.
        QList<int> inputs;
    };

    using QObject::QObject;

    // Talks to the module at `target` from now on, every coil forgotten.
    virtual void start(const Target &target) = 0;
    virtual void stop() = 0;
    // The coil is kept at `on`, and set again whenever the module returns.
    virtual void setCoil(int coil, bool on) = 0;

signals:
    // After every answered poll: each polled input's state.
    void inputsRead(const QMap<int, bool> &inputs);
    // The module answers again (or for the first time).
    void answered();
    // The module does not answer (or no longer), with the reason.
    void lost(const QString &reason);
};
