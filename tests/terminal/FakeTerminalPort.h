#pragma once

#include "core/AppContext.h"
#include "terminal/PortParameters.h"
#include "terminal/TerminalLink.h"
#include "terminal/TerminalPort.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <utility>

// A port the test feeds and watches: what the link wrote, what it reads next.
class FakeTerminalPort : public TerminalPort
{
public:
    bool opens = true;
    // Port numbers that never open, whatever `opens` says.
    QStringList missing;
    Fault failure = Fault::NotFound;
    QString failureText = QStringLiteral("порт не найден");

    int openCount = 0;
    PortParameters lastParameters;
    QList<QByteArray> written;
    QByteArray incoming;

    bool open(const PortParameters &parameters) override
    {
        ++openCount;
        lastParameters = parameters;
        m_open = opens && !missing.contains(parameters.portNumber);
        m_fault = m_open ? Fault::None : failure;
        m_text = m_open ? QString() : failureText;
        return m_open;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        written << bytes;
        return m_open;
    }
    QByteArray readAll() override { return std::exchange(incoming, QByteArray()); }
    Fault fault() const override { return m_fault; }
    QString faultText() const override { return m_text; }

    // The adapter is pulled out while open.
    void unplug()
    {
        m_open = false;
        m_fault = Fault::Lost;
        m_text = QStringLiteral("связь с портом потеряна");
        emit lost();
    }

private:
    bool m_open = false;
    Fault m_fault = Fault::None;
    QString m_text;
};

// A link over the fake port in a temporary installation.
struct FakeLinkFixture
{
    QTemporaryDir dir;
    Clock clock;
    AppContext context{clock, Folders(dir.path())};
    FakeTerminalPort *port = new FakeTerminalPort;
    TerminalLink link{context, port};
};
