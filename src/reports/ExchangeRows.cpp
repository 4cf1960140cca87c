#include "ExchangeRows.h"

#include "core/SystemErrorText.h"
#include "store/DayFileCodec.h"
#include "store/PickListFile.h"

#include <QFile>

namespace ExchangeRows {

namespace {

// Column of the workbook (from 1) of each main parameter.
constexpr int column(int param)
{
    constexpr std::array<int, 25> params = {10, 11, 14, 15, 12, 13, 7, 8, 0,  1,  2,  3, 4,
                                            5,  6,  16, 18, 17, 19, 20, 9, 21, 22, 23, 24};
    for (size_t i = 0; i < params.size(); ++i)
        if (params[i] == param)
            return int(i) + 1;
    return 0;
}

void put(WorkbookRow &row, int param, const WorkbookCell &cell)
{
    row[size_t(column(param) - 1)] = cell;
}

} // namespace

WorkbookRow dayRow(const CargoCard &card)
{
    using C = WorkbookCell;
    WorkbookRow row;
    put(row, CardId, C::integer(card.id));
    put(row, CardNumber, C::integer(card.number));
    put(row, OperationType, C::string(card.operationType));
    put(row, Status, C::string(card.status));
    put(row, Date1, C::date(card.date1));
    put(row, Time1, C::time(card.time1));
    // An incomplete card has no second weighing: empty texts, not 30.12.1899.
    put(row, Date2, card.date2 != 0 ? C::date(card.date2) : C::string(QString()));
    put(row, Time2, card.time2 != 0 ? C::time(card.time2) : C::string(QString()));
    for (int i = 0; i < CardTextCount; ++i)
        put(row, i, C::string(card.texts[size_t(i)]));
    put(row, Gross, C::real(card.gross));
    put(row, Tare, C::real(card.tare));
    put(row, Net, C::real(card.net));
    put(row, Weight1, C::real(card.weight1));
    put(row, Weight2, C::real(card.weight2));
    put(row, LitterPercent, C::real(card.litterPercent));
    put(row, LitterWeight, C::real(card.litterWeight));
    put(row, CleanWeight, C::real(card.cleanWeight));
    put(row, SumWeight, C::real(card.sumWeight));
    put(row, SumCount, C::integer(card.sumCount));
    return row;
}

WorkbookRow accountingRow(const CargoCard &card, const ExchangeLines::Codes &codes)
{
    WorkbookRow row = dayRow(card);
    for (int i = 0; i < CardTextCount; ++i)
        put(row, i, WorkbookCell::string(codes[size_t(i)].trimmed()));
    return row;
}

std::optional<CargoCard> readCard(const QString &path, int n)
{
    QFile file(path);
    if (n < 1 || !file.open(QIODevice::ReadOnly) || !file.seek(DayFileLayout::cardOffset(n)))
        return std::nullopt;
    const CargoCard card = decodeDayCard(file.read(DayFileLayout::CardBytes));
    if (card.id == 0)
        return std::nullopt;
    return card;
}

QList<std::pair<int, CargoCard>> readDay(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = fileErrorText(file);
        return {};
    }
    const QByteArray data = file.readAll();
    QList<std::pair<int, CargoCard>> cards;
    // Every slot present counts, whatever the count record says: a card
    // written just before a crash is exported too.
    const qint64 present = (data.size() - DayFileLayout::RecordSize + DayFileLayout::CardBytes - 1)
        / DayFileLayout::CardBytes;
    for (qint64 n = 1; n <= present; ++n) {
        const CargoCard card = decodeDayCard(QByteArrayView(data).sliced(
            DayFileLayout::cardOffset(n), qMin(DayFileLayout::CardBytes, data.size() - DayFileLayout::cardOffset(n))));
        if (card.id != 0)
            cards.append({int(n), card});
    }
    return cards;
}

} // namespace ExchangeRows

CodeBook::CodeBook(const QString &baseFolder)
    : m_baseFolder(baseFolder)
{
}

ExchangeLines::Codes CodeBook::codes(const CargoCard &card)
{
    ExchangeLines::Codes codes;
    for (int i = 0; i < CardTextCount; ++i) {
        const QString value = card.texts[size_t(i)].trimmed();
        if (value.isEmpty())
            continue;
        auto &list = m_lists[size_t(i)];
        if (!list) {
            list.emplace();
            for (const ParamConstants &entry : PickListFile(pickListPath(m_baseFolder, i)).entries()) {
                const QString key = entry[0].trimmed();
                if (!key.isEmpty() && !list->contains(key))
                    list->insert(key, entry[1]);
            }
        }
        codes[size_t(i)] = list->value(value);
    }
    return codes;
}
