#include "DayList.h"

#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/OleDate.h"
#include "weighing/CargoCard.h"

namespace {

QString field(const QString &text, qsizetype width)
{
    return text.left(width).leftJustified(width, u' ');
}

// Whole numbers are written with a blank where a minus sign would stand.
QString signedText(qint32 n)
{
    return n < 0 ? QString::number(n) : u' ' + QString::number(n);
}

} // namespace

void DayList::clear()
{
    m_pages = QStringList{QString()};
    m_dropped = 0;
}

void DayList::append(const CargoCard &card)
{
    if (IsDeleted(card.status))
        return;
    const QString text = line(card);
    if (m_pages.last().size() + text.size() > MaxPageChars) {
        if (m_pages.size() == MaxPages) {
            m_pages.removeFirst();
            ++m_dropped;
        }
        m_pages.append(QString());
        m_pages.last().reserve(MaxPageChars);
    }
    m_pages.last() += text;
}

QString DayList::line(const CargoCard &card)
{
    const QString gap(2, u' ');
    QString s;
    s.reserve(LineChars);
    s += QStringLiteral("\r\n");
    s += field(signedText(card.number), 7) + gap;
    s += field(ShortDateText(oleDateToDate(card.date1)), 5) + gap;
    s += field(LongTimeText(oleDateToTime(card.time1)), 5) + gap;
    s += field(card.texts[CargoName], 23) + gap;
    s += field(card.texts[VehicleNumber], 15) + gap;
    s += field(NumberText(card.gross), 10) + gap;
    s += field(NumberText(card.net), 10) + gap;
    s += field(NumberText(card.tare), 10);
    return s;
}

int DayList::numberAt(const QString &page, qsizetype caret)
{
    const double n = ParseNumber(QStringView(page).mid(lineStart(caret) + 2, 7));
    return n >= 1 && n <= 2147483647.0 ? int(n) : 0;
}
