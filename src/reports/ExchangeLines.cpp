#include "ExchangeLines.h"

#include "core/Cp1251.h"
#include "ReportCellText.h"
#include "core/Formats.h"
#include "core/WriteJournal.h"
#include "store/DurableWrite.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace ExchangeLines {

namespace {

constexpr std::array<int, 25> DayWidths = {
    8, 8, 10, 16, 10, 8, 10, 8, 32, 32, 32, 32, 32, 32, 32, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
};
constexpr int CodeWidth = 10;

// "|_" first, "_|_" between two fields, "_|" last, all behind CR LF.
QByteArray line(const std::array<QString, 25> &texts, const std::array<int, 25> &widths)
{
    QByteArray out("\r\n|_");
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out.append("_|_");
        out.append(fixedField1251(texts[i], widths[i]));
    }
    out.append("_|");
    return out;
}

std::array<QString, 25> cardTexts(const CargoCard &card)
{
    std::array<QString, 25> texts;
    for (size_t i = 0; i < FieldParams.size(); ++i)
        texts[i] = reportCellText(card, FieldParams[i]);
    return texts;
}

} // namespace

QByteArray dayLine(const CargoCard &card)
{
    return line(cardTexts(card), DayWidths);
}

QByteArray accountingLine(const CargoCard &card, const Codes &codes)
{
    std::array<QString, 25> texts = cardTexts(card);
    std::array<int, 25> widths = DayWidths;
    for (size_t i = 0; i < FieldParams.size(); ++i) {
        const int param = FieldParams[i];
        if (param < CardTextCount) {
            texts[i] = codes[size_t(param)];
            widths[i] = CodeWidth;
        }
    }
    return line(texts, widths);
}

QByteArray headerRecords(const std::array<QString, 25> &paramNames, const QDate &date)
{
    QByteArray out = fixedField1251(
        u"Для правильного отображение выберите шрифт Courier New (Меню: Фромат>Шрифт>Courier New)"_s, DayRecordSize);
    out.append(fixedField1251(QString(u"\r\nОтчет за:"_s + ShortDateText(date)), DayRecordSize));
    out.append("\r\n");
    out.append(QByteArray(DayRecordSize - 2, '_'));
    std::array<QString, 25> names;
    for (size_t i = 0; i < FieldParams.size(); ++i)
        names[i] = paramNames[size_t(FieldParams[i])];
    out.append(line(names, DayWidths));
    return out;
}

QString dayTextPath(const QString &monthResultFolder, const QDate &date)
{
    return monthResultFolder + ShortDateText(date) + u".txt"_s;
}

QString accountingTextPath(const QString &monthResultFolder, const QDate &date)
{
    return monthResultFolder + ShortDateText(date) + u"_1C.txt"_s;
}

StoreResult writeRecord(const QString &path, qsizetype recordSize, qint64 record, const QByteArray &bytes)
{
    if (record < 1 || bytes.size() > recordSize)
        return StoreResult::failed(u"неверная запись %1"_s.arg(record));
    return writeDurably(path, (record - 1) * recordSize, bytes);
}

QList<WriteJournal::Piece> cardLines(const QString &dayText, const QString &accountingText, int n,
                                     const QByteArray &dayLine, const QByteArray &accountingLine)
{
    if (n < 1 || dayLine.size() > DayRecordSize || accountingLine.size() > AccountingRecordSize)
        return {};
    return {{dayText, qint64(n + HeaderRecords - 1) * DayRecordSize, dayLine},
            {accountingText, qint64(n - 1) * AccountingRecordSize, accountingLine}};
}

StoreResult writeCardLines(const QString &dayText, const QString &accountingText, int n, const QByteArray &dayLine,
                           const QByteArray &accountingLine)
{
    const QList<WriteJournal::Piece> pieces = cardLines(dayText, accountingText, n, dayLine, accountingLine);
    if (pieces.isEmpty())
        return StoreResult::failed(u"неверная запись %1"_s.arg(n));
    return WriteJournal::write(pieces);
}

bool hasHeaders(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < HeaderRecords * DayRecordSize)
        return false;
    // A record never written reads as zero bytes.
    for (int record = 0; record < HeaderRecords; ++record) {
        file.seek(record * DayRecordSize);
        char first = 0;
        if (!file.getChar(&first) || first == 0)
            return false;
    }
    return true;
}

} // namespace ExchangeLines
