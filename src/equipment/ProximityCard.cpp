#include "ProximityCard.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace ProximityCard {

std::optional<QString> normalized(const QString &text)
{
    static const QRegularExpression whole(u"^[0-9]{8,10}$"_s);
    static const QRegularExpression pair(u"^([0-9]{1,3}),([0-9]{1,5})$"_s);
    const QString t = text.trimmed();
    quint64 code = 0;
    if (whole.match(t).hasMatch()) {
        code = t.toULongLong();
    } else if (const QRegularExpressionMatch m = pair.match(t); m.hasMatch()) {
        const quint64 facility = m.captured(1).toULongLong();
        const quint64 card = m.captured(2).toULongLong();
        if (facility > 255 || card > 65535)
            return std::nullopt;
        code = facility * 65536 + card;
    } else {
        return std::nullopt;
    }
    if (code > 0xFFFFFFFFull)
        return std::nullopt;
    return QString::number(code).rightJustified(10, u'0');
}

std::optional<QString> fromLine(QByteArrayView line)
{
    // Only printable ASCII: noise on the line is no card.
    for (const char c : line)
        if (quint8(c) < 0x20 || quint8(c) > 0x7E)
            return std::nullopt;
    return normalized(QString::fromLatin1(line));
}

} // namespace ProximityCard
