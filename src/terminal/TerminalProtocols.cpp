#include "TerminalProtocols.h"

#include "core/Cp1251.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/Rounding.h"
#include "core/Settings.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace TerminalProtocols {

namespace {

// Where a marker parser finds its frame: `skip` characters after the marker
// are passed over, then `take` characters form the frame, of which the first
// `weightChars` are the weight.
struct MarkerLayout
{
    char marker;
    int skip;
    int take;
    int weightChars;
    bool reversed;
};

std::optional<MarkerLayout> markerLayout(int type)
{
    switch (type) {
    case 1:
    case 5: return MarkerLayout{kStx, 0, 9, 7, false};
    case 2: return MarkerLayout{'=', 0, 7, 7, true};
    case 6: return MarkerLayout{kStx, 0, 9, 8, false};
    case 8: return MarkerLayout{'=', 0, 8, 7, false};
    case 9: return MarkerLayout{kStx, 3, 6, 6, false};
    default: return std::nullopt;
    }
}

QString markerName(char marker)
{
    switch (marker) {
    case kStx: return u"STX (02)"_s;
    case kCr: return u"CR (0D)"_s;
    default: return u"«"_s + QChar(QLatin1Char(marker)) + u"»"_s;
    }
}

QString weightNote(double weight)
{
    return u"вес "_s + NumberText(weight);
}

double powerOfTen(int exponent)
{
    return std::pow(10.0, double(exponent));
}

// A weight that is no finite number (a reply such as "1D308" times the
// coefficient, or a damaged coefficient) is no weight, like a bad frame:
// shown, infinity would read as "0".
ParseResult weightOrNone(double weight, const QByteArray &frame, const QString &note)
{
    if (!std::isfinite(weight))
        return ParseResult::noWeight(u"число вне диапазона, кадр без веса"_s);
    return ParseResult::weightOf(weight, frame, note);
}

// The type 10 frame: 8 characters that start 11 positions before the first CR.
ParseResult parseType10(QByteArrayView chunk)
{
    const qsizetype cr = chunk.indexOf(kCr);
    if (cr < 0)
        return ParseResult::noWeight(u"в данных нет байта "_s + markerName(kCr));
    const qsizetype start = cr - 11;
    if (start < 0)
        return ParseResult::noWeight(u"CR стоит на позиции "_s + QString::number(cr + 1)
                                     + u": кадр начался бы до начала данных"_s);
    const QByteArray frame = chunk.sliced(start, 8).toByteArray();
    const double weight = weightNumber(frame);
    return weightOrNone(weight, frame, weightNote(weight));
}

} // namespace

QStringList typeNames()
{
    return {u"НВТ-1"_s, u"НВТ-3"_s, u"HBM AED"_s, u"D2008F"_s, u"VT-100 VISHAY"_s,
            u"GSE350"_s, u"МИДЛ"_s, u"TB-3"_s, u"FT11"_s, u"CAS6000"_s};
}

QString typeName(int type)
{
    const QStringList names = typeNames();
    return type >= 1 && type <= names.size() ? names[type - 1] : QString();
}

QByteArray pollRequest(int type)
{
    if (type == 3)
        return "msv?;"_ba;
    if (type == 7)
        return QByteArray(1, kLf);
    return QByteArray();
}

QByteArray zeroCommand(int type)
{
    if (type == 3)
        return "CDL;"_ba;
    if (type == 7)
        return QByteArray(1, kLf);
    return QByteArray();
}

double weightNumber(QByteArrayView characters)
{
    return ReadLeadingNumber(decode1251(characters).trimmed());
}

ParseResult parseMarkerFrame(int type, QByteArrayView chunk)
{
    if (type == 10)
        return parseType10(chunk);
    const std::optional<MarkerLayout> layout = markerLayout(type);
    if (!layout)
        return ParseResult::nothing(u"тип без маркера"_s);

    const qsizetype marker = chunk.indexOf(layout->marker);
    if (marker < 0)
        return ParseResult::noWeight(u"в данных нет "_s + (layout->marker == kStx ? u"байта "_s : u"знака "_s)
                                     + markerName(layout->marker));
    const qsizetype start = marker + 1 + layout->skip;
    const qsizetype available = std::max<qsizetype>(0, chunk.size() - start);
    const qsizetype length = std::min<qsizetype>(layout->take, available);
    if (length == 0)
        return ParseResult::noWeight(u"после маркера на позиции "_s + QString::number(marker + 1)
                                     + u" данных нет"_s);
    // A frame cut off by the end of the poll's bytes would read as a wrong,
    // shorter number; it counts as lost, like any frame split between polls.
    if (length < layout->weightChars)
        return ParseResult::noWeight(u"кадр обрезан концом данных: "_s + QString::number(length)
                                     + u" из "_s + QString::number(layout->weightChars)
                                     + u" символов веса"_s);

    QByteArray weightChars = chunk.sliced(start, layout->weightChars).toByteArray();
    if (layout->reversed)
        std::reverse(weightChars.begin(), weightChars.end());
    const double weight = weightNumber(weightChars);
    return weightOrNone(weight, weightChars, weightNote(weight));
}

ParseResult parseType3(QByteArrayView chunk, double impulseCoefficient)
{
    if (chunk.isEmpty())
        return ParseResult::noWeight(u"нет ответа на запрос"_s);
    const QByteArray frame = chunk.first(std::min<qsizetype>(8, chunk.size())).toByteArray();
    const double counts = weightNumber(frame);
    const double weight = round2(counts * impulseCoefficient);
    return weightOrNone(weight, frame,
                        NumberText(counts) + u" имп. × "_s + NumberText(impulseCoefficient)
                            + u", "_s + weightNote(weight));
}

ParseResult parseType4(QByteArrayView chunk)
{
    int rejected = 0;
    for (qsizetype stx = chunk.indexOf(kStx); stx >= 0; stx = chunk.indexOf(kStx, stx + 1)) {
        if (chunk.size() - (stx + 1) < 10)
            break;
        const QByteArrayView c = chunk.sliced(stx + 1, 10);
        quint8 computed = 0;
        for (qsizetype i = 0; i < 8; ++i)
            computed ^= quint8(c[i]);
        const quint8 received = quint8(((quint8(c[8]) & 15) << 4) | (quint8(c[9]) & 15));
        if (computed != received) {
            ++rejected;
            continue;
        }
        const int decimals = int(weightNumber(c.sliced(7, 1)));
        const double weight = weightNumber(c.first(7)) / powerOfTen(decimals);
        QString note = weightNote(weight);
        if (rejected > 0)
            note += u", пропущено кадров с неверной контрольной суммой: "_s + QString::number(rejected);
        return weightOrNone(weight, c.first(8).toByteArray(), note);
    }
    if (rejected > 0)
        return ParseResult::noWeight(u"контрольная сумма не совпала ни в одном кадре (кадров: "_s
                                     + QString::number(rejected) + u")"_s);
    return ParseResult::noWeight(u"нет полного кадра после байта STX (02)"_s);
}

ParseResult parseType7(QByteArrayView chunk, Type7State &state, int decimalPlaces)
{
    QByteArray &buffer = state.buffer;
    buffer.append(chunk);
    ParseResult result = ParseResult::nothing(u"в буфере "_s + QString::number(buffer.size())
                                              + u" байт, ждём кадр"_s);

    if (buffer.size() > 12) {
        const qsizetype lengthBefore = buffer.size();
        qsizetype w = -1;
        for (qsizetype i = 0; i < lengthBefore && w < 0; ++i)
            if (buffer[i] == 'W' || buffer[i] == 'w')
                w = i;
        if (w >= 0) {
            const QByteArray frame = buffer.mid(w + 2, 7);
            buffer.clear();
            state.misses = 0;
            // A "W" too close to the end leaves a frame too short for a weight.
            if (frame.size() < 7) {
                result = ParseResult::noWeight(u"текстовый кадр обрезан: "_s
                                               + QString::number(frame.size()) + u" из 7 символов"_s);
            } else {
                const double weight = weightNumber(frame);
                result = weightOrNone(weight, frame, u"текстовый кадр, "_s + weightNote(weight));
            }
        } else if (buffer.indexOf(kLf, 19) >= 0) {
            const QByteArray frame = buffer.left(6);
            buffer.clear();
            state.misses = 0;
            // Every byte must carry a digit value 0..9; anything else is no
            // weight rather than a wrong one.
            const auto bad = std::find_if(frame.begin(), frame.end(),
                                          [](char b) { return quint8(b) >= 10; });
            if (bad != frame.end()) {
                result = ParseResult::noWeight(u"цифровой кадр: байт "_s
                                               + QString::number(bad - frame.begin() + 1) + u" равен "_s
                                               + QString::number(quint8(*bad)) + u", а не цифре 0..9"_s);
            } else {
                double raw = 0;
                for (qsizetype i = 5; i >= 0; --i)
                    raw = raw * 10 + quint8(frame[i]);
                const int places = std::clamp(decimalPlaces, 0, 3);
                const double weight = raw / powerOfTen(places);
                result = weightOrNone(weight, frame, u"цифровой кадр, "_s + weightNote(weight));
            }
        }
    }

    if (buffer.size() > 24) {
        buffer.clear();
        result = ParseResult::noDataMark(u"в буфере больше 24 байт без кадра, буфер очищен"_s);
    }

    ++state.misses;
    if (state.misses > 10) {
        state.misses = 0;
        result = ParseResult::noDataMark(u"11 опросов подряд без кадра"_s);
    }
    return result;
}

ParseResult parse(int type, QByteArrayView chunk, const Settings &settings, Type7State &state)
{
    switch (type) {
    case 3: return parseType3(chunk, settings.ImpulseCoefficient);
    case 4: return parseType4(chunk);
    case 7: return parseType7(chunk, state, settings.DecimalPlaces);
    case 1:
    case 2:
    case 5:
    case 6:
    case 8:
    case 9:
    case 10: return parseMarkerFrame(type, chunk);
    default: return ParseResult::nothing(u"тип терминала "_s + QString::number(type) + u" не известен"_s);
    }
}

} // namespace TerminalProtocols
