#include "IoSimServer.h"

#include <modbus.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

IoSimServer::IoSimServer(QObject *parent)
    : QObject(parent)
    , m_map(modbus_mapping_new(size, size, 0, 0))
{
    for (int i = 0; i < size; ++i)
        m_map->tab_input_bits[i] = 1;
}

IoSimServer::~IoSimServer()
{
    stop();
    modbus_mapping_free(m_map);
}

bool IoSimServer::listen(int port, QString *error)
{
    stop();
    m_ctx = modbus_new_tcp("127.0.0.1", port);
    const int listener = m_ctx ? modbus_tcp_listen(m_ctx, 4) : -1;
    if (listener < 0) {
        if (error)
            *error = QString::fromLocal8Bit(modbus_strerror(errno));
        if (m_ctx)
            modbus_free(m_ctx);
        m_ctx = nullptr;
        return false;
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_stop = false;
    m_thread = std::thread([this, listener] { serve(listener); });
    return true;
}

void IoSimServer::stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    if (m_ctx) {
        modbus_free(m_ctx);
        m_ctx = nullptr;
    }
}

bool IoSimServer::coil(int n) const
{
    const std::lock_guard lock(m_mutex);
    return n >= 0 && n < size && m_map->tab_bits[n] != 0;
}

bool IoSimServer::input(int n) const
{
    const std::lock_guard lock(m_mutex);
    return n >= 0 && n < size && m_map->tab_input_bits[n] != 0;
}

void IoSimServer::setInput(int n, bool on)
{
    const std::lock_guard lock(m_mutex);
    if (n >= 0 && n < size)
        m_map->tab_input_bits[n] = on ? 1 : 0;
}

void IoSimServer::resetCoils()
{
    const std::lock_guard lock(m_mutex);
    std::fill_n(m_map->tab_bits, size, 0);
}

void IoSimServer::serve(int listener)
{
    std::vector<int> clients;
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    while (!m_stop) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        int highest = listener;
        for (const int fd : clients) {
            FD_SET(fd, &ready);
            highest = std::max(highest, fd);
        }
        // Short, so stop() is heard at once.
        timeval wait{0, 50000};
        if (::select(highest + 1, &ready, nullptr, nullptr, &wait) <= 0)
            continue;
        if (FD_ISSET(listener, &ready)) {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd >= 0)
                clients.push_back(fd);
        }
        for (auto fd = clients.begin(); fd != clients.end();) {
            if (!FD_ISSET(*fd, &ready)) {
                ++fd;
                continue;
            }
            modbus_set_socket(m_ctx, *fd);
            const int n = modbus_receive(m_ctx, query);
            if (n > 0) {
                const int function = query[modbus_get_header_length(m_ctx)];
                {
                    const std::lock_guard lock(m_mutex);
                    modbus_reply(m_ctx, query, n, m_map);
                }
                if (function == MODBUS_FC_WRITE_SINGLE_COIL || function == MODBUS_FC_WRITE_MULTIPLE_COILS)
                    emit coilsWritten();
                ++fd;
            } else if (n < 0) {
                ::close(*fd);
                fd = clients.erase(fd);
            } else {
                ++fd;
            }
        }
    }
    for (const int fd : clients)
        ::close(fd);
    ::close(listener);
    // The context's own socket is one of those closed above.
    modbus_set_socket(m_ctx, -1);
}
