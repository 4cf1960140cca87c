#include "DayList.h"

#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/OleDate.h"
#include "card/CargoCard.h"

namespace {

struct Column
{
    int param;
    qsizetype width;
};

// The columns of a line after its line break, two blanks apart.
constexpr std::array<Column, 8> kColumns = {{
    {CardNumber, 7},
    {Date1, 5},
    {Time1, 5},
    {CargoName, 23},
    {VehicleNumber, 15},
    {Gross, 10},
    {Net, 10},
    {Tare, 10},
}};

constexpr qsizetype lineWidth()
{
    qsizetype width = 2 * qsizetype(kColumns.size() - 1);
    for (const Column &c : kColumns)
        width += c.width;
    return width;
}
static_assert(lineWidth() + 2 == DayList::LineChars, "a line is its line break and its columns");

QString field(const QString &text, qsizetype width)
{
    return text.left(width).leftJustified(width, u' ');
}

QString columns(const std::array<QString, kColumns.size()> &values)
{
    QString s;
    s.reserve(DayList::LineChars);
    for (size_t i = 0; i < kColumns.size(); ++i) {
        if (i > 0)
            s += QStringLiteral("  ");
        s += field(values[i], kColumns[i].width);
    }
    return s;
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
    m_incomplete = {QList<int>()};
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
            m_incomplete.removeFirst();
            ++m_dropped;
        }
        m_pages.append(QString());
        m_pages.last().reserve(MaxPageChars);
        m_incomplete.append(QList<int>());
    }
    if (IsIncomplete(card.status))
        m_incomplete.last().append(int(m_pages.last().size() / LineChars));
    m_pages.last() += text;
}

QString DayList::line(const CargoCard &card)
{
    return QStringLiteral("\r\n")
        + columns({signedText(card.number), ShortDateText(oleDateToDate(card.date1)),
                   LongTimeText(oleDateToTime(card.time1)), card.texts[CargoName], card.texts[VehicleNumber],
                   NumberText(card.gross), NumberText(card.net), NumberText(card.tare)});
}

QString DayList::header(const std::array<QString, 25> &paramNames)
{
    std::array<QString, kColumns.size()> names;
    for (size_t i = 0; i < kColumns.size(); ++i)
        names[i] = paramNames[size_t(kColumns[i].param)];
    // Over the digits of the number, not over the blank where its sign goes.
    names[0].prepend(u' ');
    return columns(names);
}

int DayList::numberAt(const QString &page, qsizetype caret)
{
    const double n = ParseNumber(QStringView(page).mid(lineStart(caret) + 2, 7));
    return n >= 1 && n <= 2147483647.0 ? int(n) : 0;
}
