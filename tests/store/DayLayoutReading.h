#pragma once

// The file layouts read by hand, so the program's files are checked against
// the layouts and not against the program's own codecs.

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstring>

namespace layout {

// Offset of record `rec` (from 1, like the file's records) of day card `card`.
inline qint64 at(int card, int rec) { return 16 * (qint64(card - 1) * 74 + rec - 1); }
inline qint32 i32(const QByteArray &f, qint64 off) { return qFromLittleEndian<qint32>(f.constData() + off); }
inline double f64(const QByteArray &f, qint64 off)
{
    double v;
    std::memcpy(&v, f.constData() + off, 8);
    return v;
}
// A short text: its 16-bit length and its bytes.
inline QByteArray shortAt(const QByteArray &f, qint64 off)
{
    return f.mid(off + 2, qFromLittleEndian<quint16>(f.constData() + off));
}
// A text of eight short-text records.
inline QByteArray textAt(const QByteArray &f, qint64 off)
{
    QByteArray all;
    for (int k = 0; k < 8; ++k)
        all += shortAt(f, off + 16 * k);
    return all;
}
// Windows-1251 for the letters the tests use.
inline QByteArray cp1251(const QString &s)
{
    QByteArray out;
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u < 0x80)
            out += char(u);
        else if (u >= 0x410 && u <= 0x44F)
            out += char(0xC0 + (u - 0x410));
        else if (u == 0x2116)
            out += char(0xB9); // №
        else
            out += '?';
    }
    return out;
}

} // namespace layout
