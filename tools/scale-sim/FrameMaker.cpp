#include "FrameMaker.h"

#include "terminal/ContinuousFrame.h"

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

QStringList FrameMaker::formats(int type)
{
    switch (type) {
    case 2: return {QStringLiteral("signed"), QStringLiteral("short"), QStringLiteral("flag")};
    case 3: return {QStringLiteral("cof3"), QStringLiteral("cof1"), QStringLiteral("cof11"), QStringLiteral("cof9")};
    case 5: return {QStringLiteral("stx"), QStringLiteral("leo"), QStringLiteral("and")};
    case 6:
        return {QStringLiteral("status"), QStringLiteral("choice9"), QStringLiteral("choice13"),
                QStringLiteral("choice14")};
    case 9: return {QStringLiteral("ft11"), QStringLiteral("ft111")};
    case 10: return {QStringLiteral("cas22"), QStringLiteral("and18"), QStringLiteral("cas10")};
    default: return {QStringLiteral("standard")};
    }
}

bool FrameMaker::canSayOverload(int type, const QString &format)
{
    return (type == 5 && format != QStringLiteral("stx") && !format.isEmpty()) || type == 6 || type == 9
        || (type == 10 && format != QStringLiteral("cas10"));
}

bool FrameMaker::canSayMotion(int type, const QString &format)
{
    return canSayOverload(type, format);
}

QString FrameMaker::format() const
{
    return m_options.format.isEmpty() ? formats(m_options.type).constFirst() : m_options.format;
}

QByteArray FrameMaker::signedData8(double weight) const
{
    const QByteArray text = decimalText(weight);
    return (weight < 0 ? '-' : '+') + rightAligned(text, 7, '0');
}

QByteArray FrameMaker::casHeader(bool steady) const
{
    return m_options.overload ? "OL" : steady ? "ST" : "US";
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
    switch (m_options.type) {
    case 1: {
        // Sign, six digits of the whole part, point, one decimal.
        const qint64 whole = clampCounts(std::trunc(weight), 999999);
        const int tenth = int(std::fmod(std::fabs(weight) * 10.0, 10.0));
        return kStx + QByteArray(1, weight < 0 ? '-' : ' ')
            + rightAligned(QByteArray::number(std::abs(whole)), 6, '0') + '.'
            + QByteArray::number(tenth) + "\r\n";
    }
    case 2: return type2Frame(weight);
    case 3: return type3Frame(weight);
    case 4: return type4Frame(weight, true);
    case 5: return type5Frame(weight, steady);
    case 6: return type6Frame(weight, steady);
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

QByteArray FrameMaker::type2Frame(double weight) const
{
    // "=", seven characters least significant first; "signed" and "flag"
    // add a sign character ("0"/"-", "0"/"1"), "short" carries the minus
    // among the seven.
    QByteArray text = format() == QStringLiteral("short") && weight < 0
        ? '-' + rightAligned(decimalText(weight), 6, '0')
        : rightAligned(decimalText(weight), 7, '0');
    std::reverse(text.begin(), text.end());
    if (format() == QStringLiteral("short"))
        return '=' + text;
    const char negative = format() == QStringLiteral("flag") ? '1' : '-';
    return '=' + text + (weight < 0 ? negative : '0');
}

QByteArray FrameMaker::type3Frame(double weight) const
{
    // The measured value in 8 characters; COF1 adds the address, COF11 the
    // status, COF9 both, each after ","; CR LF.
    const double counts = m_options.coefficient != 0 ? weight / m_options.coefficient : weight;
    QByteArray line = rightAligned(QByteArray::number(clampCounts(counts, 9999999)), 8);
    if (format() == QStringLiteral("cof1") || format() == QStringLiteral("cof9"))
        line += ",31";
    if (format() == QStringLiteral("cof11") || format() == QStringLiteral("cof9"))
        line += ",000";
    return line + "\r\n";
}

QByteArray FrameMaker::type5Frame(double weight, bool steady) const
{
    if (format() == QStringLiteral("leo")) {
        // Status (bit 6 always, bit 3 out of range, bit 4 standstill), "+"
        // or "-", six characters, CR.
        const char status = char(0x40 | (m_options.overload ? 0x08 : 0) | (steady ? 0x10 : 0));
        return status + QByteArray(1, weight < 0 ? '-' : '+') + rightAligned(decimalText(weight), 6, '0') + '\r';
    }
    if (format() == QStringLiteral("and"))
        return casHeader(steady) + ",GS," + signedData8(weight) + "kg\r\n";
    return FrameMaker({1, m_options.decimals}).frame(weight, steady);
}

QByteArray FrameMaker::type6Frame(double weight, bool steady) const
{
    // <STAT>: "O" overload or underload, "M" motion, a blank otherwise.
    const char status = m_options.overload ? 'O' : steady ? ' ' : 'M';
    QByteArray data = rightAligned(numberText(weight), 8);
    if (format() == QStringLiteral("choice9"))
        return kStx + data + " kg" + status + " S0\r";
    if (format() == QStringLiteral("choice13"))
        return kStx + data + " kg Gross" + status + " \r\n";
    if (format() == QStringLiteral("choice14"))
        return '\n' + data + "kg\r\n" + status + '\r' + kEtx;
    return kStx + data + status + "\r\n";
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
    if (format() == QStringLiteral("ft111"))
        f += '\n';
    quint8 sum = 0;
    for (const char c : f)
        sum = quint8(sum + quint8(c));
    return f + char(quint8(-sum));
}

QByteArray FrameMaker::type10Frame(double weight, bool steady) const
{
    // "ST,GS," with "US" moving or "OL" overload, device id, lamp byte
    // (bit 7 set, bit 6 stable, bit 2 gross), ",", 8 data bytes, " kg", CR LF.
    const QByteArray head = casHeader(steady);
    if (format() == QStringLiteral("and18"))
        return head + ",GS," + signedData8(weight) + "kg\r\n";
    const char lamp = char(0x80 | (steady ? 0x40 : 0) | 0x04);
    const QByteArray text = decimalText(weight);
    const QByteArray data = weight < 0 ? '-' + rightAligned(text, 7, '0') : rightAligned(text, 8, '0');
    if (format() == QStringLiteral("cas10"))
        return data + "\r\n";
    return head + ",GS,1" + lamp + ',' + data + " kg\r\n";
}
QByteArray FrameMaker::frameWithBadCheck(double weight) const
{
    return m_options.type == 4 ? type4Frame(weight, false) : frame(weight);
}

QByteArray FrameMaker::type4Frame(double weight, bool goodCheck) const
{
    QByteArray frame = ContinuousFrame::type4(weight, m_options.decimals);
    if (!goodCheck) {
        // The low check character one off: still a hex digit, no longer the XOR.
        const char low = frame[10];
        const int n = (low <= '9' ? low - '0' : low - 'A' + 10) ^ 1;
        frame[10] = char(n < 10 ? '0' + n : 'A' + n - 10);
    }
    return frame;
}
