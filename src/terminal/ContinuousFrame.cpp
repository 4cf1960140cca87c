#include "ContinuousFrame.h"

#include <QStringBuilder>

#include <algorithm>
#include <cmath>

namespace ContinuousFrame {

QByteArray type4(double weight, int decimals)
{
    decimals = std::clamp(decimals, 0, 9);
    constexpr double limit = 999999;
    const auto scaled = qint64(std::clamp(std::round(weight * std::pow(10.0, decimals)), -limit, limit));
    QByteArray body = scaled < 0 ? "-" : "+";
    body += QByteArray::number(std::abs(scaled)).rightJustified(6, '0');
    body += char('0' + decimals);
    quint8 check = 0;
    for (const char c : body)
        check ^= quint8(c);
    const auto hex = [](int n) { return char(n < 10 ? '0' + n : 'A' + n - 10); };
    body += hex(check >> 4);
    body += hex(check & 15);
    return QByteArray(1, char(2)) + body + char(3);
}

int decimalsFor(double weight)
{
    for (int d = 0; d < 3; ++d) {
        const double scaled = weight * std::pow(10.0, d);
        if (std::abs(scaled - std::round(scaled)) < 1e-6 || std::abs(scaled * 10) > 999999)
            return d;
    }
    return 3;
}

} // namespace ContinuousFrame
