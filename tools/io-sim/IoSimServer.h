#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

struct _modbus;
struct _modbus_mapping_t;

// A Modbus TCP server on 127.0.0.1 with 16 coils and 16 discrete inputs,
// served on a thread of its own. The inputs start at 1 (a beam clear).
class IoSimServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int size = 16;

    explicit IoSimServer(QObject *parent = nullptr);
    ~IoSimServer() override;

    // Listens on `port` (0: any free one); false with the reason in `error`.
    bool listen(int port, QString *error = nullptr);
    // Closes the port and every connection, as a module switched off.
    void stop();
    bool listening() const { return m_thread.joinable(); }
    int port() const { return m_port; }

    bool coil(int n) const;
    bool input(int n) const;
    void setInput(int n, bool on);
    // Every coil off, as a module after a power cut.
    void resetCoils();

signals:
    // A client wrote a coil (from the server's thread).
    void coilsWritten();

private:
    void serve(int listener);

    _modbus *m_ctx = nullptr;
    _modbus_mapping_t *m_map = nullptr;
    mutable std::mutex m_mutex;
    std::thread m_thread;
    std::atomic_bool m_stop{false};
    int m_port = 0;
};
