#pragma once

#include "terminal/TerminalPort.h"

// A terminal that is never there.
class AbsentPort : public TerminalPort
{
public:
    bool open(const PortParameters &) override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    bool write(const QByteArray &) override { return false; }
    QByteArray readAll() override { return {}; }
    Fault fault() const override { return Fault::NotFound; }
    QString faultText() const override { return QStringLiteral("Порт не обнаружен"); }
};
