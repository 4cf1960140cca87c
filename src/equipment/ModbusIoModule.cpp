#include "ModbusIoModule.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTimer>

#include <modbus.h>

#include <cerrno>

namespace {

// The engineer reads it in the event log: the usual network failures in Russian.
QString failureText(int error)
{
    switch (error) {
    case ECONNREFUSED: return QStringLiteral("соединение отклонено");
    case ETIMEDOUT: return QStringLiteral("нет ответа");
    case ECONNRESET:
    case EPIPE: return QStringLiteral("соединение разорвано");
    case EHOSTUNREACH:
    case ENETUNREACH: return QStringLiteral("адрес недоступен");
    case EINVAL: return QStringLiteral("неверный адрес модуля");
    default: return QString::fromLocal8Bit(modbus_strerror(error));
    }
}

} // namespace

// Lives on the module's thread: every libmodbus call happens here.
class ModbusWorker : public QObject
{
    Q_OBJECT

public:
    ~ModbusWorker() override { close(); }

    void start(const IoModule::Target &target)
    {
        close();
        m_target = target;
        m_coils.clear();
        m_dirty.clear();
        m_state = State::Unknown;
        m_retry.invalidate();
        if (!m_timer) {
            m_timer = new QTimer(this);
            m_timer->setInterval(ModbusIoModule::pollMs);
            connect(m_timer, &QTimer::timeout, this, &ModbusWorker::poll);
        }
        m_timer->start();
        poll();
    }

    void stop()
    {
        if (m_timer)
            m_timer->stop();
        close();
        m_coils.clear();
        m_dirty.clear();
    }

    void setCoil(int coil, bool on)
    {
        m_coils[coil] = on;
        m_dirty.insert(coil);
        if (m_ctx)
            (void)writeDirty();
    }

signals:
    void inputsRead(const QMap<int, bool> &inputs);
    void answered();
    void lost(const QString &reason);

private:
    enum class State { Unknown, Answering, Silent };

    void poll()
    {
        if (!m_ctx && !open())
            return;
        if (!writeDirty())
            return;
        QMap<int, bool> inputs;
        for (const int input : std::as_const(m_target.inputs)) {
            uint8_t bit = 0;
            if (modbus_read_input_bits(m_ctx, input, 1, &bit) != 1) {
                fail();
                return;
            }
            inputs.insert(input, bit != 0);
        }
        if (m_state != State::Answering) {
            m_state = State::Answering;
            emit answered();
        }
        emit inputsRead(inputs);
    }

    bool open()
    {
        if (m_retry.isValid() && m_retry.elapsed() < ModbusIoModule::retryMs)
            return false;
        m_retry.start();
        m_ctx = modbus_new_tcp(m_target.host.toUtf8().constData(), m_target.port);
        if (!m_ctx) {
            report(failureText(errno));
            return false;
        }
        modbus_set_slave(m_ctx, m_target.unit);
        modbus_set_response_timeout(m_ctx, 0, ModbusIoModule::timeoutMs * 1000);
        if (modbus_connect(m_ctx) != 0) {
            fail();
            return false;
        }
        // A module that returns has forgotten nothing of ours: every coil again.
        for (auto coil = m_coils.cbegin(); coil != m_coils.cend(); ++coil)
            m_dirty.insert(coil.key());
        return true;
    }

    bool writeDirty()
    {
        for (auto coil = m_dirty.begin(); coil != m_dirty.end();) {
            if (modbus_write_bit(m_ctx, *coil, m_coils.value(*coil) ? 1 : 0) != 1) {
                fail();
                return false;
            }
            coil = m_dirty.erase(coil);
        }
        return true;
    }

    void fail()
    {
        const QString reason = failureText(errno);
        close();
        report(reason);
    }

    void report(const QString &reason)
    {
        if (m_state == State::Silent)
            return;
        m_state = State::Silent;
        emit lost(reason);
    }

    void close()
    {
        if (!m_ctx)
            return;
        modbus_close(m_ctx);
        modbus_free(m_ctx);
        m_ctx = nullptr;
    }

    IoModule::Target m_target;
    modbus_t *m_ctx = nullptr;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_retry;
    QMap<int, bool> m_coils;
    QSet<int> m_dirty;
    State m_state = State::Unknown;
};

ModbusIoModule::ModbusIoModule(QObject *parent)
    : IoModule(parent)
    , m_worker(new ModbusWorker)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &ModbusWorker::inputsRead, this, &IoModule::inputsRead);
    connect(m_worker, &ModbusWorker::answered, this, &IoModule::answered);
    connect(m_worker, &ModbusWorker::lost, this, &IoModule::lost);
    m_thread.setObjectName(QStringLiteral("io-module"));
    m_thread.start();
}

ModbusIoModule::~ModbusIoModule()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void ModbusIoModule::start(const Target &target)
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker, target] { w->start(target); }, Qt::QueuedConnection);
}

void ModbusIoModule::stop()
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->stop(); }, Qt::QueuedConnection);
}

void ModbusIoModule::setCoil(int coil, bool on)
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker, coil, on] { w->setCoil(coil, on); }, Qt::QueuedConnection);
}

#include "ModbusIoModule.moc"
