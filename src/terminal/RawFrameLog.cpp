#include "RawFrameLog.h"

#include "TerminalProtocols.h"
#include "core/Cp1251.h"
#include "core/Formats.h"

using namespace Qt::StringLiterals;

namespace {

QString controlName(quint8 byte)
{
    static const char *const names[32] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "TAB", "LF",
        "VT", "FF", "CR", "SO", "SI", "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM", "SUB", "ESC", "FS", "GS", "RS", "US",
    };
    if (byte < 32)
        return QLatin1String(names[byte]);
    if (byte == 127)
        return u"DEL"_s;
    return QString::asprintf("%02X", byte);
}

} // namespace

void RawFrameLog::add(Entry entry)
{
    entry.receivedSize = qMax(entry.receivedSize, entry.received.size());
    if (entry.received.size() > kKeptBytes)
        entry.received.truncate(kKeptBytes);
    m_entries.append(std::move(entry));
    while (m_entries.size() > kKeptEntries)
        m_entries.removeFirst();
}

QString RawFrameLog::visibleText(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const quint8 byte = quint8(c);
        // "<" is doubled so a received "<CR>" cannot pass for a control byte.
        if (byte == '<') {
            text += u"<<"_s;
        } else if (byte < 32 || byte == 127) {
            text += u'<' + controlName(byte) + u'>';
        } else {
            const QString decoded = decode1251(QByteArrayView(&c, 1));
            if (decoded.size() == 1 && decoded[0].isPrint())
                text += decoded;
            else
                text += u'<' + controlName(byte) + u'>';
        }
    }
    return text;
}

QString RawFrameLog::hexText(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ')).toUpper();
}

QString RawFrameLog::resultText(const ParseResult &result)
{
    switch (result.kind) {
    case ParseResult::Kind::Weight:
        return u"вес "_s + NumberText(result.weight) + u" (из «"_s + visibleText(result.frame)
            + u"»)"_s;
    case ParseResult::Kind::State:
        return indicatorStateText(result.state) + u": "_s + result.note;
    case ParseResult::Kind::NoWeight:
        return u"нет веса: "_s + result.note;
    case ParseResult::Kind::NoDataMark:
        return u"нет данных: "_s + result.note;
    case ParseResult::Kind::Nothing:
        return u"без изменений: "_s + result.note;
    }
    return QString();
}

QString RawFrameLog::entryText(const Entry &entry)
{
    QString text = LongTimeText(entry.time.time()) + u'.'
        + QString::number(entry.time.time().msec()).rightJustified(3, u'0') + u"  тип "_s
        + QString::number(entry.type);
    const QString name = TerminalProtocols::typeName(entry.type);
    if (!name.isEmpty())
        text += u" «"_s + name + u"»"_s;
    text += u'\n';
    if (!entry.sent.isEmpty())
        text += u"  отправлено: "_s + visibleText(entry.sent) + u'\n';
    text += u"  принято "_s + QString::number(entry.receivedSize) + u" байт"_s;
    if (entry.receivedSize > entry.received.size())
        text += u" (показаны первые "_s + QString::number(entry.received.size()) + u')';
    text += u": "_s + visibleText(entry.received) + u'\n';
    if (entry.carried > 0)
        text += u"  из них с прошлого чтения: "_s + QString::number(entry.carried) + u" байт\n"_s;
    if (!entry.received.isEmpty())
        text += u"  байты: "_s + hexText(entry.received) + u'\n';
    text += u"  разбор: "_s + resultText(entry.result) + u'\n';
    if (!entry.result.format.isEmpty())
        text += u"  формат: "_s + entry.result.format + u'\n';
    return text;
}
