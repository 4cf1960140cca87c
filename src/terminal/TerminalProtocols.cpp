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

// The fixed-place reading of a marker frame: the weight characters at
// their place after the first marker.
ParseResult markerReading(const MarkerLayout &layout, QByteArrayView chunk)
{
    const qsizetype marker = chunk.indexOf(layout.marker);
    if (marker < 0)
        return ParseResult::noWeight(u"в данных нет "_s + (layout.marker == kStx ? u"байта "_s : u"знака "_s)
                                     + markerName(layout.marker));
    const qsizetype start = marker + 1 + layout.skip;
    const qsizetype available = std::max<qsizetype>(0, chunk.size() - start);
    const qsizetype length = std::min<qsizetype>(layout.take, available);
    if (length == 0)
        return ParseResult::noWeight(u"после маркера на позиции "_s + QString::number(marker + 1)
                                     + u" данных нет"_s);
    // A frame cut off by the end of the poll's bytes would read as a wrong,
    // shorter number; it counts as lost, like any frame split between polls.
    if (length < layout.weightChars)
        return ParseResult::noWeight(u"кадр обрезан концом данных: "_s + QString::number(length)
                                     + u" из "_s + QString::number(layout.weightChars)
                                     + u" символов веса"_s);

    QByteArray weightChars = chunk.sliced(start, layout.weightChars).toByteArray();
    if (layout.reversed)
        std::reverse(weightChars.begin(), weightChars.end());
    const double weight = weightNumber(weightChars);
    return weightOrNone(weight, weightChars, weightNote(weight));
}

// A weight whose frame says the scale is moving.
ParseResult moving(ParseResult result, bool motion)
{
    result.motion = motion;
    if (motion && result.hasWeight())
        result.note += u", вес не успокоился"_s;
    return result;
}

ParseResult cutFrame(qsizetype have, qsizetype need)
{
    return ParseResult::noWeight(u"кадр обрезан концом данных: "_s + QString::number(have) + u" из "_s
                                 + QString::number(need) + u" байт"_s);
}

bool isDigitOrPoint(char c)
{
    return (c >= '0' && c <= '9') || c == '.';
}

// НВТ-3 sends "=", seven characters least significant first, then a sign
// character: "0" for a positive weight, "-" for a negative one, so -1.00
// goes out as "=00.1000-". The seven characters are read as ever; the sign
// character decides the sign. Seven characters that end the bytes of
// the poll are a frame cut before its sign: unless they carry a "-" of their
// own, the sign is unknown and the frame is no weight.
ParseResult parseType2(QByteArrayView chunk)
{
    const ParseResult seven = markerReading(*markerLayout(2), chunk);
    if (!seven.hasWeight())
        return seven;
    const qsizetype signAt = chunk.indexOf('=') + 8;
    if (signAt >= chunk.size()) {
        if (seven.frame.contains('-'))
            return seven;
        return ParseResult::noWeight(u"кадр обрезан перед знаком"_s);
    }
    if (chunk[signAt] != '-')
        return seven;
    const double weight = -std::fabs(seven.weight);
    return weightOrNone(weight, seven.frame + '-', weightNote(weight));
}

// TB-3 sends "=", a sign character ("0" or "+" positive, "-" negative) and
// seven characters, digits with at most a point, most significant first:
// "=00012340" is 12340. A frame that is not of this form keeps the older
// reading (seven weight characters and a status character). The sign-led
// form cut by the end of the bytes is no weight rather than a shorter number.
ParseResult parseType8(QByteArrayView chunk)
{
    const qsizetype marker = chunk.indexOf('=');
    if (marker >= 0 && marker + 1 < chunk.size()) {
        const QByteArrayView rest = chunk.sliced(marker + 1).first(std::min<qsizetype>(8, chunk.size() - marker - 1));
        const char sign = rest[0];
        const bool signLed = sign == '0' || sign == '+' || sign == '-';
        if (signLed && std::all_of(rest.begin() + 1, rest.end(), isDigitOrPoint)) {
            if (rest.size() < 8)
                return cutFrame(rest.size() + 1, 9);
            const QByteArray digits = rest.sliced(1).toByteArray();
            double weight = weightNumber(digits);
            if (sign == '-')
                weight = -weight;
            return weightOrNone(weight, rest.toByteArray(), weightNote(weight));
        }
    }
    return markerReading(*markerLayout(8), chunk);
}

// FT11 sends STX, three status bytes, six weight digits without point, six
// tare digits, CR and a checksum byte that makes the sum of all bytes from
// STX on zero. Status A: bits 0..2 the point (0 and 1: one or two zeros
// not sent, 2: none, 3..7: one to five decimals), bits 5 and 6 set. Status
// B: bit 1 negative, bit 2 overload or error, bit 3 motion, bits 4 and 5
// set. Status C: 0x30. A frame whose status bytes are not of this form
// keeps the older reading (six characters three after the STX).
constexpr qsizetype kFt11Length = 18;

bool ft11Status(QByteArrayView s)
{
    return s.size() >= 3 && (quint8(s[0]) & 0x60) == 0x60 && (quint8(s[1]) & 0x70) == 0x30
        && (quint8(s[2]) & 0x7F) == 0x30;
}

ParseResult parseType9(QByteArrayView chunk)
{
    // The checksum byte may itself be an STX, so the frame starts at the
    // first STX that status bytes follow.
    qsizetype first = chunk.indexOf(kStx);
    while (first >= 0 && !ft11Status(chunk.sliced(first + 1).first(std::min<qsizetype>(3, chunk.size() - first - 1))))
        first = chunk.indexOf(kStx, first + 1);
    if (first < 0)
        return markerReading(*markerLayout(9), chunk);

    int rejected = 0;
    for (qsizetype stx = first; stx >= 0; stx = chunk.indexOf(kStx, stx + 1)) {
        if (chunk.size() - stx < kFt11Length) {
            if (rejected == 0 && stx == first)
                return cutFrame(chunk.size() - stx, kFt11Length);
            break;
        }
        const QByteArrayView f = chunk.sliced(stx, kFt11Length);
        quint8 sum = 0;
        for (const char c : f)
            sum = quint8(sum + quint8(c));
        // Some firmware sums seven bits only.
        if (!ft11Status(f.sliced(1, 3)) || f[16] != kCr || (sum & 0x7F) != 0) {
            ++rejected;
            continue;
        }
        const quint8 a = quint8(f[1]);
        const quint8 b = quint8(f[2]);
        if (b & 0x04)
            return ParseResult::noWeight(u"перегрузка или ошибка индикатора"_s);
        const QByteArrayView digits = f.sliced(4, 6);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c == ' ' || (c >= '0' && c <= '9'); }))
            return ParseResult::noWeight(u"в поле веса не число: "_s + decode1251(digits));
        const int point = a & 7;
        double weight = weightNumber(digits);
        weight = point < 2 ? weight * powerOfTen(2 - point) : weight / powerOfTen(point - 2);
        if (b & 0x02)
            weight = -weight;
        return moving(weightOrNone(weight, f.first(10).toByteArray(), weightNote(weight)), (b & 0x08) != 0);
    }
    return ParseResult::noWeight(u"ни один кадр не прошёл проверку (кадров: "_s + QString::number(rejected) + u")"_s);
}

// CAS6000 sends 22 bytes: "ST" (stable), "US" (moving) or "OL" (overload),
// ",", "GS" or "NT", ",", the device id, the lamp byte (bit 6: stable),
// ",", 8 data bytes with sign and point, a blank, the unit in 2 bytes, CR
// LF. A read starts anywhere in the stream, so the first CR often ends a
// frame begun before it: the first CR with a whole frame before it counts.
// Without one, the older reading of the first CR: the 8 characters that
// start 11 positions before it.
constexpr qsizetype kCasBeforeCr = 20;

bool casFrameBefore(QByteArrayView chunk, qsizetype cr)
{
    if (cr < kCasBeforeCr)
        return false;
    const QByteArrayView f = chunk.sliced(cr - kCasBeforeCr, kCasBeforeCr);
    const QByteArrayView head = f.first(2);
    return (head == "ST" || head == "US" || head == "OL") && f[2] == ',' && f[5] == ',' && f[8] == ',';
}

ParseResult parseType10(QByteArrayView chunk)
{
    for (qsizetype cr = chunk.indexOf(kCr); cr >= 0; cr = chunk.indexOf(kCr, cr + 1)) {
        if (!casFrameBefore(chunk, cr))
            continue;
        const QByteArrayView f = chunk.sliced(cr - kCasBeforeCr, kCasBeforeCr);
        if (f.first(2) == "OL")
            return ParseResult::noWeight(u"перегрузка индикатора (OL)"_s);
        const QByteArray data = f.sliced(9, 8).toByteArray();
        const double weight = weightNumber(data);
        const quint8 lamp = quint8(f[7]);
        return moving(weightOrNone(weight, data, weightNote(weight)),
                      f.first(2) == "US" || ((lamp & 0x80) && !(lamp & 0x40)));
    }

    const qsizetype cr = chunk.indexOf(kCr);
    if (cr < 0)
        return ParseResult::noWeight(u"в данных нет байта "_s + markerName(kCr));
    const qsizetype start = cr - 11;
    if (start < 0)
        return ParseResult::noWeight(u"CR стоит на позиции "_s + QString::number(cr + 1)
                                     + u": кадр начался бы до начала данных"_s);
    // The comma before the data without the header before it: the "OL"
    // that would make it no weight may be what is missing.
    if (start > 0 && chunk[start - 1] == ',')
        return ParseResult::noWeight(u"кадр без заголовка"_s);
    const QByteArray frame = chunk.sliced(start, 8).toByteArray();
    const double weight = weightNumber(frame);
    return weightOrNone(weight, frame, weightNote(weight));
}

// D2008F check characters carry a nibble each: "0".."9" for 0..9, and for
// 10..15 the hex letters "A".."F" (0x37 + n) or, from older firmware, the
// characters 0x30 + n (":".."?"). -1 for anything else.
int checkNibble(char c)
{
    if (c >= 0x30 && c <= 0x3F)
        return c - 0x30;
    if (c >= 'A' && c <= 'F')
        return c - 0x37;
    return -1;
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
    switch (type) {
    case 2: return parseType2(chunk);
    case 8: return parseType8(chunk);
    case 9: return parseType9(chunk);
    case 10: return parseType10(chunk);
    default: break;
    }
    const std::optional<MarkerLayout> layout = markerLayout(type);
    if (!layout)
        return ParseResult::nothing(u"тип без маркера"_s);
    return markerReading(*layout, chunk);
}

ParseResult parseType3(QByteArrayView chunk, double impulseCoefficient)
{
    if (chunk.isEmpty())
        return ParseResult::noWeight(u"нет ответа на запрос"_s);
    // The reply is the measured value, right-aligned in 8 characters (7 are
    // taken too: a blank sign place lost), then CR LF. Only such a line ended by its CR is a
    // whole reply: the tail of a reply begun in the previous poll ("45" of
    // "   12345") is no weight, and a whole reply after it still counts.
    qsizetype start = 0;
    qsizetype cr = chunk.indexOf(kCr);
    for (; cr >= 0; cr = chunk.indexOf(kCr, cr + 1)) {
        while (start < cr && chunk[start] == kLf)
            ++start;
        if (cr - start == 7 || cr - start == 8)
            break;
        start = cr + 1;
    }
    if (cr < 0)
        return ParseResult::noWeight(u"нет полного ответа: 8 знаков и CR"_s);
    const QByteArray frame = chunk.sliced(start, cr - start).toByteArray();
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
        const int high = checkNibble(c[8]);
        const int low = checkNibble(c[9]);
        if (high < 0 || low < 0 || computed != quint8((high << 4) | low)) {
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
