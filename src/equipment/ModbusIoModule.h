#pragma once

#include "IoModule.h"

#include <QThread>

class ModbusWorker;

// A Modbus TCP module. The connection, the polls and the writes run on a
// worker thread of their own with short timeouts, so a silent module never
// holds the window; a lost connection is tried again every second.
class ModbusIoModule final : public IoModule
{
    Q_OBJECT

public:
    // How often the inputs are read, and how long an answer may take.
    static constexpr int pollMs = 200;
    static constexpr int timeoutMs = 500;
    static constexpr int retryMs = 1000;

    explicit ModbusIoModule(QObject *parent = nullptr);
    ~ModbusIoModule() override;

    void start(const Target &target) override;
    void stop() override;
    void setCoil(int coil, bool on) override;

private:
    QThread m_thread;
    ModbusWorker *m_worker;
};
