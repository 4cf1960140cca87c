#include "DayList.h"

#include "core/Formats.h"
#include "core/Numbers.h"
#include "DayFileCodec.h"
#include "card/CargoCard.h"

#include <algorithm>

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

// `n` characters cut or padded with blanks to `width`; returns the end.
char16_t *putField(char16_t *out, const char16_t *chars, qsizetype n, qsizetype width)
{
    n = qMin(n, width);
    std::copy_n(chars, n, out);
    std::fill_n(out + n, width - n, u' ');
    return out + width;
}

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

} // namespace

void DayList::clear()
{
    m_pages = QStringList{QString()};
    m_incomplete = {QList<int>()};
    m_dropped = 0;
}

// What a line shows of a card.
struct DayList::Fields
{
    qint32 number = 0;
    double date1 = 0;
    double time1 = 0;
    QStringView cargo;
    QStringView vehicle;
    double gross = 0;
    double net = 0;
    double tare = 0;
    // Marked in the list as still open.
    bool incomplete = false;
};

void DayList::writeLine(char16_t *out, const Fields &f)
{
    // Each column is written straight into the line: a day of thirteen
    // thousand cards makes no string per field.
    auto blanks = [&out] {
        *out++ = u' ';
        *out++ = u' ';
    };
    auto text = [&out](QStringView v, qsizetype width) {
        out = putField(out, reinterpret_cast<const char16_t *>(v.utf16()), v.size(), width);
    };
    char16_t chars[CharsCapacity];
    *out++ = u'\r';
    *out++ = u'\n';
    // Whole numbers are written with a blank where a minus sign would stand.
    chars[0] = u' ';
    const qsizetype sign = f.number < 0 ? 0 : 1;
    const qsizetype digits = NumberChars(f.number, chars + sign);
    out = putField(out, chars, sign + digits, kColumns[0].width);
    blanks();
    out = putField(out, chars, OleShortDateChars(f.date1, chars), kColumns[1].width);
    blanks();
    out = putField(out, chars, OleLongTimeChars(f.time1, chars), kColumns[2].width);
    blanks();
    text(f.cargo, kColumns[3].width);
    blanks();
    text(f.vehicle, kColumns[4].width);
    for (size_t i = 5; i < kColumns.size(); ++i) {
        blanks();
        const double v = i == 5 ? f.gross : i == 6 ? f.net : f.tare;
        out = putField(out, chars, NumberChars(v, chars), kColumns[i].width);
    }
}

void DayList::appendLine(const Fields &fields)
{
    QString *page = &m_pages.last();
    if (page->size() + LineChars > MaxPageChars) {
        if (m_pages.size() == MaxPages) {
            m_pages.removeFirst();
            m_incomplete.removeFirst();
            ++m_dropped;
        }
        m_pages.append(QString());
        m_incomplete.append(QList<int>());
        page = &m_pages.last();
    }
    const qsizetype at = page->size();
    if (at == 0)
        page->reserve(MaxPageChars);
    if (fields.incomplete)
        m_incomplete.last().append(int(at / LineChars));
    page->resize(at + LineChars);
    writeLine(reinterpret_cast<char16_t *>(page->data()) + at, fields);
}

DayList::Fields DayList::fieldsOf(const CargoCard &card)
{
    return {card.number, card.date1, card.time1, card.texts[CargoName], card.texts[VehicleNumber],
            card.gross, card.net, card.tare, IsIncomplete(card.status)};
}

void DayList::append(const CargoCard &card)
{
    if (!IsDeleted(card.status))
        appendLine(fieldsOf(card));
}

void DayList::append(const DayCardSlot &slot)
{
    char16_t statusChars[DayFileLayout::ShortTextBytes];
    const QStringView status(statusChars, slot.text(Status, statusChars));
    if (IsDeleted(status))
        return;
    char16_t cargo[kColumns[3].width];
    char16_t vehicle[kColumns[4].width];
    appendLine({slot.number(), slot.value(Date1), slot.value(Time1),
                QStringView(cargo, slot.text(CargoName, cargo, kColumns[3].width)),
                QStringView(vehicle, slot.text(VehicleNumber, vehicle, kColumns[4].width)), slot.value(Gross),
                slot.value(Net), slot.value(Tare), IsIncomplete(status)});
}

bool DayList::update(const CargoCard &card)
{
    if (IsDeleted(card.status))
        return false;
    const Fields fields = fieldsOf(card);
    for (qsizetype i = m_pages.size() - 1; i >= 0; --i) {
        QString &page = m_pages[i];
        for (qsizetype at = page.size() - LineChars; at >= 0; at -= LineChars) {
            if (numberAt(page, at) != card.number)
                continue;
            writeLine(reinterpret_cast<char16_t *>(page.data()) + at, fields);
            QList<int> &open = m_incomplete[i];
            const int line = int(at / LineChars);
            open.removeAll(line);
            if (fields.incomplete)
                open.insert(std::lower_bound(open.begin(), open.end(), line), line);
            return true;
        }
    }
    return false;
}

QString DayList::line(const CargoCard &card)
{
    QString line(LineChars, Qt::Uninitialized);
    writeLine(reinterpret_cast<char16_t *>(line.data()), fieldsOf(card));
    return line;
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
