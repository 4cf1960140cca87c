#include "FrameMaker.h"

#include <QStringBuilder>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kStx = 2;
constexpr char kEtx = 3;

// The weight as a terminal writes it: whole numbers without a point,
// otherwise up to three decimals with ".".
QByteArray numberText(double weight)
{
    if (weight == std::round(weight))
        return QByteArray::number(qint64(std::round(weight)));
    QByteArray text = QByteArray::number(weight, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    return text;
}

QByteArray rightAligned(const QByteArray &text, int width, char pad = ' ')
{
    if (text.size() >= width)
        return text.right(width);
    return QByteArray(width - text.size(), pad) + text;
}

qint64 clampCounts(double value, qint64 limit)
{
    return qint64(std::clamp(std::round(value), double(-limit), double(limit)));
}

} // namespace

FrameMaker::FrameMaker(const Options &options)
    : m_options(options)
{
}

bool FrameMaker::polled(int type)
{
    return type == 3 || type == 7;
}

QByteArray FrameMaker::decimalText(double weight, int *decimals) const
{
    int places = std::clamp(m_options.decimals, 0, 3);
    const double magnitude = std::fabs(weight);
    while (places < 3 && std::fabs(magnitude * std::pow(10.0, places) - std::round(magnitude * std::pow(10.0, places))) > 1e-6)
        ++places;
    if (decimals)
        *decimals = places;
    return QByteArray::number(magnitude, 'f', places);
}

QByteArray FrameMaker::frame(double weight, bool steady) const
{
    const char status = steady ? 'S' : 'U';
    switch (m_options.type) {
    case 1:
    case 5: {
        // Sign, six digits of the whole part, point, one decimal.
        const qint64 whole = clampCounts(std::trunc(weight), 999999);
        const int tenth = int(std::fmod(std::fabs(weight) * 10.0, 10.0));
        return kStx + QByteArray(1, weight < 0 ? '-' : ' ')
            + rightAligned(QByteArray::number(std::abs(whole)), 6, '0') + '.'
            + QByteArray::number(tenth) + "\r\n";
    }
    case 2: {
        // "=", seven characters least significant first, the sign character.
        QByteArray text = rightAligned(decimalText(weight), 7, '0');
        std::reverse(text.begin(), text.end());
        return '=' + text + (weight < 0 ? '-' : '0');
    }
    case 3: {
        // The measured value in 8 characters, CR LF.
        const double counts = m_options.coefficient != 0 ? weight / m_options.coefficient : weight;
        return rightAligned(QByteArray::number(clampCounts(counts, 9999999)), 8) + "\r\n";
    }
    case 4: return type4Frame(weight, true);
    case 6: return kStx + rightAligned(numberText(weight), 8) + status + "\r\n";
    case 7: {
        if (!m_options.digitFrames)
            return "W:" + rightAligned(numberText(weight), 7) + " kg\r\n";
        // Six digit values, least significant first, then filler up to the
        // line feed at position 20.
        qint64 raw = clampCounts(weight * std::pow(10.0, m_options.decimals), 999999);
        raw = std::max<qint64>(raw, 0);
        QByteArray bytes;
        for (int i = 0; i < 6; ++i) {
            bytes += char(raw % 10);
            raw /= 10;
        }
        return bytes + QByteArray(13, ' ') + '\n';
    }
    case 8:
        // "=", the sign character, seven characters most significant first.
        return '=' + QByteArray(1, weight < 0 ? '-' : '0') + rightAligned(decimalText(weight), 7, '0');
    case 9: return type9Frame(weight, steady);
    case 10: return type10Frame(weight, steady);
    default: return QByteArray();
    }
}

QByteArray FrameMaker::type9Frame(double weight, bool steady) const
{
    // STX, status A/B/C, six weight digits without point, six tare digits,
    // CR, and the checksum that makes the sum of all bytes zero.
    int decimals = 0;
    decimalText(weight, &decimals);
    const qint64 counts = clampCounts(std::fabs(weight) * std::pow(10.0, decimals), 999999);
    const char a = char(0x60 | 0x08 | (decimals + 2));
    const char b = char(0x30 | (weight < 0 ? 0x02 : 0) | (m_options.overload ? 0x04 : 0) | (steady ? 0 : 0x08));
    const QByteArray digits = m_options.overload ? QByteArray("OVER  ")
                                                 : rightAligned(QByteArray::number(counts), 6, '0');
    QByteArray f = kStx + QByteArray(1, a) + b + '0' + digits + "000000" + '\r';
    quint8 sum = 0;
    for (const char c : f)
        sum = quint8(sum + quint8(c));
    return f + char(quint8(-sum));
}

QByteArray FrameMaker::type10Frame(double weight, bool steady) const
{
    // "ST,GS," with "US" moving or "OL" overload, device id, lamp byte
    // (bit 7 set, bit 6 stable, bit 2 gross), ",", 8 data bytes, " kg", CR LF.
    const QByteArray head = m_options.overload ? "OL" : steady ? "ST" : "US";
    const char lamp = char(0x80 | (steady ? 0x40 : 0) | 0x04);
    const QByteArray text = decimalText(weight);
    const QByteArray data = weight < 0 ? '-' + rightAligned(text, 7, '0') : rightAligned(text, 8, '0');
    return head + ",GS,1" + lamp + ',' + data + " kg\r\n";
}
QByteArray FrameMaker::frameWithBadCheck(double weight) const
{
    return m_options.type == 4 ? type4Frame(weight, false) : frame(weight);
}

QByteArray FrameMaker::type4Frame(double weight, bool goodCheck) const
{
    const int decimals = std::clamp(m_options.decimals, 0, 9);
    // STX, sign, six digits, the decimal-position digit, the XOR of these
    // eight as two hex digits (letters for 10..15), ETX.
    const qint64 scaled = clampCounts(weight * std::pow(10.0, decimals), 999999);
    QByteArray body = (scaled < 0 ? "-" : "+") + rightAligned(QByteArray::number(std::abs(scaled)), 6, '0');
    body += char('0' + decimals);
    quint8 check = 0;
    for (const char c : body)
        check ^= quint8(c);
    if (!goodCheck)
        check ^= 0x01;
    const auto hex = [](int n) { return char(n < 10 ? 0x30 + n : 0x37 + n); };
    body += hex(check >> 4);
    body += hex(check & 15);
    return kStx + body + kEtx;
}
