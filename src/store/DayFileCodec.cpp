#include "DayFileCodec.h"

#include "core/Cp1251.h"
#include "core/Folders.h"
#include "core/Formats.h"

#include <QtEndian>
#include <cstring>

using namespace DayFileLayout;

namespace {

// Record numbers within a card, from its first record (b + 2 is 0).
enum : int {
    RecId = 0,
    RecNumber = 1,
    RecDate1 = 2,
    RecTime1 = 3,
    RecCargo = 4,
    RecDocument = 12,
    RecEscort = 20,
    RecSender = 28,
    RecReceiver = 36,
    RecNet = 44,
    RecVehicle = 45,
    RecTare = 53,
    RecDate2 = 54,
    RecTime2 = 55,
    RecSumCount = 56,
    RecSumWeight = 57,
    RecWeight1 = 58,
    RecWeight2 = 59,
    RecDriver = 60,
    RecGross = 68,
    RecOperationType = 69,
    RecStatus = 70,
    RecLitterPercent = 71,
    RecLitterWeight = 72,
    RecCleanWeight = 73,
};

// Where each of the seven texts starts, by ОП index.
constexpr std::array<int, CardTextCount> kTextRecords = {
    RecCargo, RecDocument, RecSender, RecReceiver, RecVehicle, RecDriver, RecEscort};

char *record(QByteArray &slot, int rec) { return slot.data() + RecordSize * rec; }

void putInt(QByteArray &slot, int rec, qint32 v) { qToLittleEndian(v, record(slot, rec)); }

void putReal(QByteArray &slot, int rec, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian(bits, record(slot, rec));
}

// A byte count and up to 14 bytes; longer input is cut to the field.
void putShortBytes(QByteArray &slot, int rec, QByteArrayView bytes)
{
    const auto n = quint16(qMin<qint64>(bytes.size(), ShortTextBytes));
    char *p = record(slot, rec);
    qToLittleEndian(n, p);
    // An empty text's view may hold no buffer at all.
    if (n > 0)
        std::memcpy(p + 2, bytes.data(), n);
}

void putText(QByteArray &slot, int rec, const QString &text)
{
    // Chunks are cut from the encoded text so a chunk never splits a character.
    const QByteArray bytes = encode1251(text);
    for (int k = 0; k < TextChunks; ++k)
        putShortBytes(slot, rec + k, bytes.mid(k * ShortTextBytes, ShortTextBytes));
}

const uchar *at(QByteArrayView slot, int rec) { return reinterpret_cast<const uchar *>(slot.data()) + RecordSize * rec; }

qint32 getInt(QByteArrayView slot, int rec) { return qFromLittleEndian<qint32>(at(slot, rec)); }

double getReal(QByteArrayView slot, int rec)
{
    const quint64 bits = qFromLittleEndian<quint64>(at(slot, rec));
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// A short text's bytes, its length limited to the field.
QByteArrayView shortBytes(QByteArrayView slot, int rec)
{
    const uchar *p = at(slot, rec);
    const qint64 n = qMin<qint64>(qFromLittleEndian<quint16>(p), ShortTextBytes);
    return QByteArrayView(p + 2, n);
}

// Where main parameter `param` starts; -1 for one the file does not hold.
int recordOf(int param)
{
    if (param >= 0 && param < CardTextCount)
        return kTextRecords[size_t(param)];
    switch (param) {
    case Date2: return RecDate2;
    case Time2: return RecTime2;
    case LitterPercent: return RecLitterPercent;
    case CardId: return RecId;
    case CardNumber: return RecNumber;
    case Date1: return RecDate1;
    case Time1: return RecTime1;
    case OperationType: return RecOperationType;
    case Status: return RecStatus;
    case Gross: return RecGross;
    case Net: return RecNet;
    case Tare: return RecTare;
    case Weight1: return RecWeight1;
    case Weight2: return RecWeight2;
    case LitterWeight: return RecLitterWeight;
    case CleanWeight: return RecCleanWeight;
    case SumWeight: return RecSumWeight;
    case SumCount: return RecSumCount;
    default: return -1;
    }
}

} // namespace

QString dayFileName(const QDate &date)
{
    return ShortDateText(date) + QStringLiteral(".dat");
}

QString dayFilePath(const Folders &folders, const QDate &date)
{
    return folders.MonthDataFolder(date) + dayFileName(date);
}

QByteArray encodeDayCard(const CargoCard &card)
{
    QByteArray slot(CardBytes, '\0');
    putInt(slot, RecId, card.id);
    putInt(slot, RecNumber, card.number);
    putReal(slot, RecDate1, card.date1);
    putReal(slot, RecTime1, card.time1);
    for (int i = 0; i < CardTextCount; ++i)
        putText(slot, kTextRecords[size_t(i)], card.texts[size_t(i)]);
    putReal(slot, RecNet, card.net);
    putReal(slot, RecTare, card.tare);
    putReal(slot, RecDate2, card.date2);
    putReal(slot, RecTime2, card.time2);
    putInt(slot, RecSumCount, card.sumCount);
    putReal(slot, RecSumWeight, card.sumWeight);
    putReal(slot, RecWeight1, card.weight1);
    putReal(slot, RecWeight2, card.weight2);
    putReal(slot, RecGross, card.gross);
    putShortBytes(slot, RecOperationType, encode1251(card.operationType));
    putShortBytes(slot, RecStatus, encode1251(card.status));
    putReal(slot, RecLitterPercent, card.litterPercent);
    putReal(slot, RecLitterWeight, card.litterWeight);
    putReal(slot, RecCleanWeight, card.cleanWeight);
    return slot;
}

DayCardSlot::DayCardSlot(QByteArrayView bytes)
    : m_slot(bytes.first(qMin<qsizetype>(bytes.size(), CardBytes)))
{
    if (m_slot.size() < CardBytes) {
        m_padded = m_slot.toByteArray();
        m_padded.append(CardBytes - m_padded.size(), '\0');
        m_slot = m_padded;
    }
}

qint32 DayCardSlot::id() const
{
    return getInt(m_slot, RecId);
}

qint32 DayCardSlot::number() const
{
    return getInt(m_slot, RecNumber);
}

double DayCardSlot::value(int param) const
{
    switch (param) {
    case CardId:
    case CardNumber:
    case SumCount:
        return getInt(m_slot, recordOf(param));
    case OperationType:
    case Status:
        return 0;
    default:
        return param < CardTextCount || recordOf(param) < 0 ? 0 : getReal(m_slot, recordOf(param));
    }
}

qsizetype DayCardSlot::text(int param, char16_t *out, qsizetype max) const
{
    const int rec = recordOf(param);
    if (rec < 0 || (param >= CardTextCount && param != OperationType && param != Status))
        return 0;
    const std::array<char16_t, 256> &table = table1251();
    const int chunks = param < CardTextCount ? TextChunks : 1;
    qsizetype size = 0;
    for (int k = 0; k < chunks && size < max; ++k) {
        const QByteArrayView chunk = shortBytes(m_slot, rec + k);
        const qsizetype n = qMin(chunk.size(), max - size);
        for (qsizetype i = 0; i < n; ++i)
            out[size++] = table[uchar(chunk[i])];
    }
    return size;
}

QString DayCardSlot::text(int param) const
{
    char16_t chars[TextBytes];
    return QString(reinterpret_cast<const QChar *>(chars), text(param, chars));
}

CargoCard decodeDayCard(QByteArrayView bytes)
{
    const DayCardSlot slot(bytes);
    CargoCard card;
    card.id = slot.id();
    card.number = slot.number();
    for (int i = 0; i < CardTextCount; ++i)
        card.texts[size_t(i)] = slot.text(i);
    card.operationType = slot.text(OperationType);
    card.status = slot.text(Status);
    card.date2 = slot.value(Date2);
    card.time2 = slot.value(Time2);
    card.litterPercent = slot.value(LitterPercent);
    card.date1 = slot.value(Date1);
    card.time1 = slot.value(Time1);
    card.gross = slot.value(Gross);
    card.net = slot.value(Net);
    card.tare = slot.value(Tare);
    card.weight1 = slot.value(Weight1);
    card.weight2 = slot.value(Weight2);
    card.litterWeight = slot.value(LitterWeight);
    card.cleanWeight = slot.value(CleanWeight);
    card.sumWeight = slot.value(SumWeight);
    card.sumCount = qint32(slot.value(SumCount));
    return card;
}

QByteArray encodeCountRecord(qint32 count)
{
    QByteArray rec(RecordSize, '\0');
    qToLittleEndian(count, rec.data());
    return rec;
}

qint32 decodeCountRecord(QByteArrayView file)
{
    if (file.size() < 4)
        return 0;
    return qFromLittleEndian<qint32>(file.data());
}

qint32 decodeDayCardId(QByteArrayView file, qint64 n)
{
    const qint64 offset = cardOffset(n);
    if (n < 1 || offset + 4 > file.size())
        return 0;
    return qFromLittleEndian<qint32>(file.data() + offset);
}
