#include "FrameMaker.h"

#include <QStringBuilder>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kStx = 2;

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

// Sign first, then zeros: "-0012500", "00125.5".
QByteArray zeroPadded(double weight, int width)
{
    const QByteArray digits = numberText(std::fabs(weight));
    if (weight < 0)
        return '-' + rightAligned(digits, width - 1, '0');
    return rightAligned(digits, width, '0');
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
        QByteArray text = zeroPadded(weight, 7);
        std::reverse(text.begin(), text.end());
        return '=' + text;
    }
    case 3: {
        const double counts = m_options.coefficient != 0 ? weight / m_options.coefficient : weight;
        return rightAligned(QByteArray::number(clampCounts(counts, 9999999)), 7) + "\r\n";
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
    case 8: return '=' + rightAligned(numberText(weight), 7) + status + "\r\n";
    case 9: return kStx + QByteArray(steady ? "ST," : "US,") + rightAligned(numberText(weight), 6) + "\r\n";
    case 10: {
        const QByteArray sign = weight < 0 ? "-" : "+";
        const QByteArray digits = rightAligned(numberText(std::fabs(weight)), 7, '0');
        return QByteArray(steady ? "ST,GS," : "US,GS,") + sign + digits + " kg\r\n";
    }
    default: return QByteArray();
    }
}

QByteArray FrameMaker::frameWithBadCheck(double weight) const
{
    return m_options.type == 4 ? type4Frame(weight, false) : frame(weight);
}

QByteArray FrameMaker::type4Frame(double weight, bool goodCheck) const
{
    const int decimals = std::clamp(m_options.decimals, 0, 9);
    const qint64 scaled = std::max<qint64>(clampCounts(weight * std::pow(10.0, decimals), 9999999),
                                           -999999);
    QByteArray body = (scaled < 0 ? "-" : "")
        + rightAligned(QByteArray::number(std::abs(scaled)), scaled < 0 ? 6 : 7, '0');
    body += char('0' + decimals);
    quint8 check = 0;
    for (const char c : body)
        check ^= quint8(c);
    if (!goodCheck)
        check ^= 0x01;
    body += char('0' + (check >> 4));
    body += char('0' + (check & 15));
    return kStx + body + "\r\n";
}
