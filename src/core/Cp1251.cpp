#include "Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace {

QStringEncoder &encoder()
{
    thread_local QStringEncoder e("windows-1251", QStringConverter::Flag::Stateless);
    return e;
}

QStringDecoder &decoder()
{
    thread_local QStringDecoder d("windows-1251", QStringConverter::Flag::Stateless);
    return d;
}

constexpr char kSubstitute = 0x1A;

// Length in code points: a surrogate pair is one character and one byte.
qsizetype codePointEnd(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return i + 2;
    return i + 1;
}

} // namespace

QByteArray encode1251(QStringView text)
{
    QByteArray out = encoder().encode(text);
    if (!out.contains(kSubstitute) && out.size() == text.size())
        return out;

    // Slow path: find the characters the encoder replaced.
    out.clear();
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype end = codePointEnd(text, i);
        if (end - i == 2 || text[i].isSurrogate()) {
            out.append('?');
        } else if (text[i].unicode() == 0x1A) {
            out.append(kSubstitute);
        } else {
            const QByteArray one = encoder().encode(text.mid(i, 1));
            out.append(one.size() == 1 && one[0] != kSubstitute ? one[0] : '?');
        }
        i = end;
    }
    return out;
}

const std::array<char16_t, 256> &table1251()
{
    // One byte is one character in this code page, so each byte's character
    // is asked of the decoder once and kept: loading a day decodes a hundred
    // thousand short texts.
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QString one = decoder().decode(QByteArrayView(&c, 1));
            t[size_t(b)] = one.size() == 1 ? one[0].unicode() : char16_t(0xFFFD);
        }
        return t;
    }();
    return table;
}

QString decode1251(QByteArrayView bytes)
{
    const std::array<char16_t, 256> &table = table1251();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *p = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        p[i] = QChar(table[uchar(bytes[i])]);
    return out;
}

qsizetype length1251(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); i = codePointEnd(text, i))
        ++n;
    return n;
}

QString cut1251(const QString &text, qsizetype maxBytes)
{
    if (maxBytes <= 0)
        return QString();
    qsizetype count = 0;
    qsizetype i = 0;
    while (i < text.size() && count < maxBytes) {
        i = codePointEnd(text, i);
        ++count;
    }
    return text.left(i);
}

QByteArray fixedField1251(QStringView text, qsizetype width, char pad)
{
    QByteArray out = encode1251(text).left(width);
    if (out.size() < width)
        out.append(width - out.size(), pad);
    return out;
}
