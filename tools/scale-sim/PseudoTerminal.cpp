#include "PseudoTerminal.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

PseudoTerminal::~PseudoTerminal()
{
    // Only a link that still points to this device is ours to remove.
    if (!m_link.isEmpty() && QFileInfo(m_link).symLinkTarget() == m_device)
        QFile::remove(m_link);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PseudoTerminal::open(QString *error)
{
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        *error = u"не удалось открыть псевдотерминал: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_device = QString::fromLocal8Bit(name);
    return true;
}

bool PseudoTerminal::link(const QString &path, QString *error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString temporary = absolute + u".new"_s;
    QFile::remove(temporary);
    const QByteArray target = QFile::encodeName(m_device);
    if (::symlink(target.constData(), QFile::encodeName(temporary).constData()) != 0
        || ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(absolute).constData()) != 0) {
        *error = u"не удалось создать ссылку "_s + absolute + u": "_s
            + QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return false;
    }
    m_link = absolute;
    return true;
}

void PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_master < 0 || bytes.isEmpty())
        return;
    const ssize_t written = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    Q_UNUSED(written);
}

QByteArray PseudoTerminal::read()
{
    QByteArray bytes;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}
