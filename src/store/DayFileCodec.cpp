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

QString getText(QByteArrayView slot, int rec)
{
    char bytes[TextBytes];
    qint64 size = 0;
    for (int k = 0; k < TextChunks; ++k) {
        const QByteArrayView chunk = shortBytes(slot, rec + k);
        std::memcpy(bytes + size, chunk.data(), size_t(chunk.size()));
        size += chunk.size();
    }
    return decode1251(QByteArrayView(bytes, size));
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

CargoCard decodeDayCard(QByteArrayView bytes)
{
    // A slot cut short by the end of the file reads as zero beyond it.
    QByteArray padded;
    QByteArrayView slot = bytes;
    if (bytes.size() < CardBytes) {
        padded = bytes.toByteArray();
        padded.append(CardBytes - padded.size(), '\0');
        slot = padded;
    }

    CargoCard card;
    card.id = getInt(slot, RecId);
    card.number = getInt(slot, RecNumber);
    card.date1 = getReal(slot, RecDate1);
    card.time1 = getReal(slot, RecTime1);
    for (int i = 0; i < CardTextCount; ++i)
        card.texts[size_t(i)] = getText(slot, kTextRecords[size_t(i)]);
    card.net = getReal(slot, RecNet);
    card.tare = getReal(slot, RecTare);
    card.date2 = getReal(slot, RecDate2);
    card.time2 = getReal(slot, RecTime2);
    card.sumCount = getInt(slot, RecSumCount);
    card.sumWeight = getReal(slot, RecSumWeight);
    card.weight1 = getReal(slot, RecWeight1);
    card.weight2 = getReal(slot, RecWeight2);
    card.gross = getReal(slot, RecGross);
    card.operationType = decode1251(shortBytes(slot, RecOperationType));
    card.status = decode1251(shortBytes(slot, RecStatus));
    card.litterPercent = getReal(slot, RecLitterPercent);
    card.litterWeight = getReal(slot, RecLitterWeight);
    card.cleanWeight = getReal(slot, RecCleanWeight);
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
