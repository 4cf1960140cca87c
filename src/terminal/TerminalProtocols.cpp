#include "TerminalProtocols.h"

#include "core/Cp1251.h"
#include "core/Formats.h"
#include "core/Numbers.h"
#include "core/Rounding.h"
#include "core/Settings.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

using namespace Qt::StringLiterals;

QString indicatorStateText(IndicatorState state)
{
    switch (state) {
    case IndicatorState::Overload: return u"ПЕРЕГРУЗ"_s;
    case IndicatorState::Underload: return u"НЕДОГРУЗ"_s;
    case IndicatorState::Error: return u"ОШИБКА"_s;
    case IndicatorState::None: break;
    }
    return QString();
}

namespace TerminalProtocols {

namespace {

// No frame of any type is longer; only this many bytes at the end of a
// read can still be the start of one.
constexpr qsizetype kLongestFrame = 40;

QString weightNote(double weight)
{
    return u"вес "_s + NumberText(weight);
}

double powerOfTen(int exponent)
{
    return std::pow(10.0, double(exponent));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Blanks, an optional sign, digits with at most one point, blanks: what
// every indicator writes in its weight field. Anything else (a letter, a
// control byte of the next frame) means the field is not whole.
bool numberField(QByteArrayView f)
{
    qsizetype i = 0;
    const qsizetype n = f.size();
    while (i < n && f[i] == ' ')
        ++i;
    if (i < n && (f[i] == '+' || f[i] == '-')) {
        ++i;
        while (i < n && f[i] == ' ')
            ++i;
    }
    int digits = 0;
    int points = 0;
    for (; i < n && (isDigit(f[i]) || f[i] == '.'); ++i)
        f[i] == '.' ? ++points : ++digits;
    while (i < n && f[i] == ' ')
        ++i;
    return i == n && digits > 0 && points <= 1;
}

// Digits with at most one point and nothing else.
bool plainDigits(QByteArrayView f)
{
    return std::all_of(f.begin(), f.end(), [](char c) { return isDigit(c) || c == '.'; })
        && f.count('.') <= 1 && f.count('.') < f.size();
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

ParseResult withMotion(ParseResult result, bool motion)
{
    result.motion = motion;
    if (motion && result.hasWeight())
        result.note += u", вес не успокоился"_s;
    return result;
}

// What one layout makes of the bytes from one position on.
struct Match
{
    enum class Status { None, Partial, Whole };
    Status status = Status::None;
    qsizetype length = 0;
    // Whole: a weight, a state, or no weight for a frame that failed its check.
    ParseResult result;

    static Match none() { return {}; }
    static Match partial() { return {Status::Partial, 0, {}}; }
    static Match whole(qsizetype length, ParseResult result, const QString &format)
    {
        result.format = format;
        return {Status::Whole, length, std::move(result)};
    }
    static Match rejected(qsizetype length, const QString &why, const QString &format)
    {
        return whole(length, ParseResult::noWeight(why), format);
    }
};

using Layout = Match (*)(QByteArrayView bytes, qsizetype at);

// The first whole frame that passes its checks, trying the layouts in
// order at every position; a frame that fails is skipped. The bytes from
// the first place that may begin a frame not yet whole, after the last
// whole one, are kept for the next read.
ParseResult scan(QByteArrayView bytes, std::initializer_list<Layout> layouts, const QString &noMarker)
{
    std::optional<ParseResult> found;
    int rejected = 0;
    QString rejectedNote;
    qsizetype partialAt = -1;
    for (qsizetype at = 0; at < bytes.size();) {
        Match best;
        bool partial = false;
        for (const Layout layout : layouts) {
            Match m = layout(bytes, at);
            if (m.status == Match::Status::Whole && m.result.hasFrame()) {
                best = std::move(m);
                break;
            }
            if (m.status == Match::Status::Whole && best.status != Match::Status::Whole)
                best = std::move(m);
            else if (m.status == Match::Status::Partial)
                partial = true;
        }
        if (best.status == Match::Status::Whole && best.result.hasFrame()) {
            if (!found)
                found = best.result;
            at += best.length;
            partialAt = -1;
            at = std::max(at, bytes.size() - kLongestFrame);
            continue;
        }
        if (partial && partialAt < 0)
            partialAt = at;
        if (best.status == Match::Status::Whole && !found) {
            ++rejected;
            rejectedNote = best.result.note;
        }
        ++at;
    }

    ParseResult result;
    if (found) {
        result = *found;
        if (rejected > 0)
            result.note += u", пропущено кадров, не прошедших проверку: "_s + QString::number(rejected);
    } else if (rejected > 0) {
        result = ParseResult::noWeight(u"ни один кадр не прошёл проверку (кадров: "_s + QString::number(rejected)
                                       + u"; "_s + rejectedNote + u")"_s);
    } else if (partialAt >= 0) {
        result = ParseResult::noWeight(u"кадр пришёл не целиком, ждём его конец"_s);
    } else {
        result = ParseResult::noWeight(bytes.isEmpty() ? u"нет данных"_s : noMarker);
    }
    result.keepFrom = partialAt >= 0 ? partialAt : bytes.size();
    return result;
}

// The bytes from `at` on, at most `length`; `enough` when all are there.
QByteArrayView take(QByteArrayView bytes, qsizetype at, qsizetype length, bool *enough)
{
    *enough = bytes.size() - at >= length;
    return bytes.sliced(at, std::min(length, bytes.size() - at));
}

Match weightMatch(qsizetype length, QByteArrayView chars, const QString &format, bool motion = false)
{
    if (!numberField(chars))
        return Match::rejected(length, u"в поле веса не число: «"_s + decode1251(chars) + u"»"_s, format);
    const double weight = weightNumber(chars);
    return Match::whole(length, withMotion(weightOrNone(weight, chars.toByteArray(), weightNote(weight)), motion),
                        format);
}

// НВТ-1 and VT-100 as read so far (no public description): STX and nine
// characters, of which the first seven are the weight.
Match stxNine(QByteArrayView b, qsizetype at)
{
    if (b[at] != kStx)
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 10, &enough);
    if (!enough)
        return Match::partial();
    return weightMatch(10, f.sliced(1, 7), u"STX и 9 знаков"_s);
}

// VT-series "LEO" (Vishay VT200/VT300/VT400 technical manuals, continuous
// weight data block): a status byte (bit 6 always set; bit 0 no weight
// shown, bit 3 out of range, bit 4 standstill), "+" or "-", six
// characters of digits and point, CR.
Match vtLeo(QByteArrayView b, qsizetype at)
{
    const quint8 status = quint8(b[at]);
    if (!(status & 0x40))
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 9, &enough);
    if (f.size() >= 2 && f[1] != '+' && f[1] != '-')
        return Match::none();
    if (!enough)
        return Match::partial();
    const QString format = u"VT, формат LEO"_s;
    if (!plainDigits(f.sliced(2, 6)) || f[8] != kCr)
        return Match::none();
    if (status & 0x01)
        return Match::whole(9, ParseResult::stateOf(IndicatorState::Error, f.toByteArray(), u"индикатор не показывает вес"_s),
                            format);
    if (status & 0x08) {
        const IndicatorState state = f[1] == '-' ? IndicatorState::Underload : IndicatorState::Overload;
        return Match::whole(9, ParseResult::stateOf(state, f.toByteArray(), u"вес вне диапазона"_s), format);
    }
    return weightMatch(9, f.sliced(1, 7), format, !(status & 0x10));
}

// The header of the CAS and AND frames: "ST" stable, "US" moving, "OL"
// overload.
bool casHeaderPrefix(QByteArrayView h)
{
    for (const char *head : {"ST", "US", "OL"})
        if (QByteArrayView(head).first(h.size()) == h)
            return true;
    return false;
}

// Whether the bytes so far fit "HH,MM," of a CAS or AND frame.
bool casPrefix(QByteArrayView f)
{
    return casHeaderPrefix(f.first(std::min<qsizetype>(2, f.size()))) && (f.size() <= 2 || f[2] == ',')
        && (f.size() <= 5 || f[5] == ',');
}

// CAS 22 bytes (CAS CI-400/CI-600 owner's manuals, "22 Bytes for CAS"):
// header, ",", "GS" or "NT", ",", device id, lamp byte (bit 6 stable), ",",
// 8 data bytes with sign and point, a blank, the unit in 2 bytes, CR LF.
Match cas22(QByteArrayView b, qsizetype at)
{
    bool enough = false;
    const QByteArrayView f = take(b, at, 22, &enough);
    if (!casPrefix(f))
        return Match::none();
    if (!enough)
        return Match::partial();
    if (f[8] != ',' || f[20] != kCr || f[21] != kLf)
        return Match::none();
    const QString format = u"CAS, 22 байта"_s;
    if (f.first(2) == "OL")
        return Match::whole(22, ParseResult::stateOf(IndicatorState::Overload, f.first(17).toByteArray(),
                                                     u"перегрузка индикатора (OL)"_s),
                            format);
    const quint8 lamp = quint8(f[7]);
    return weightMatch(22, f.sliced(9, 8), format, f.first(2) == "US" || ((lamp & 0x80) && !(lamp & 0x40)));
}

// AND 18 bytes (CAS CI-400/CI-600 manuals "18 Bytes for AND"; the Vishay
// VT200 "AND format"): header, ",", "GS"/"NT"/"TR"/"PT", ",", 8 data
// bytes (sign and 7 characters), the unit in 2 bytes, CR LF.
Match and18(QByteArrayView b, qsizetype at)
{
    bool enough = false;
    const QByteArrayView f = take(b, at, 18, &enough);
    if (!casPrefix(f))
        return Match::none();
    if (!enough)
        return Match::partial();
    if (f[16] != kCr || f[17] != kLf)
        return Match::none();
    const QString format = u"AND, 18 байт"_s;
    if (f.first(2) == "OL")
        return Match::whole(18, ParseResult::stateOf(IndicatorState::Overload, f.first(14).toByteArray(),
                                                     u"перегрузка индикатора (OL)"_s),
                            format);
    return weightMatch(18, f.sliced(6, 8), format, f.first(2) == "US");
}

bool numberChar(char c)
{
    return isDigit(c) || c == ' ' || c == '.' || c == '+' || c == '-';
}

// CAS 10 bytes (CAS CI-400/CI-600 manuals "10 Bytes for CAS"): 8 data
// bytes, CR LF. It has no header: the data must be exactly eight
// characters before the CR, which no tail of the longer frames is (their
// unit stands before the CR).
Match cas10(QByteArrayView b, qsizetype at)
{
    bool enough = false;
    const QByteArrayView f = take(b, at, 10, &enough);
    const QByteArrayView data = f.first(std::min<qsizetype>(8, f.size()));
    if (!std::all_of(data.begin(), data.end(), numberChar))
        return Match::none();
    if (f.size() > 8 && f[8] != kCr)
        return Match::none();
    if (!enough)
        return Match::partial();
    if (f[9] != kLf || !numberField(data))
        return Match::none();
    return weightMatch(10, data, u"CAS, 10 байт"_s);
}

// НВТ-3 (no public description at hand; the forms its indicators were seen
// to send): "=", seven characters least significant first, and in the
// later form a sign character: "0" (or "+") positive, "-" or the flag "1"
// negative, so -1.00 goes out as "=00.1000-" or "=00.10001". The earlier
// form has no sign character: the next frame's "=" or a line end follows.
Match nvt3(QByteArrayView b, qsizetype at)
{
    if (b[at] != '=')
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 9, &enough);
    if (f.size() < 9)
        return Match::partial();
    QByteArray seven = f.sliced(1, 7).toByteArray();
    std::reverse(seven.begin(), seven.end());
    if (!numberField(seven))
        return Match::none();
    const char sign = f[8];
    const bool signed9 = sign == '0' || sign == '+' || sign == '-' || sign == '1';
    if (!signed9 && (isDigit(sign) || sign == '.'))
        return Match::none();
    double weight = weightNumber(seven);
    if (sign == '-' || sign == '1')
        weight = -std::fabs(weight);
    const QString format = signed9 ? u"НВТ-3: «=», 7 знаков и знак"_s : u"НВТ-3: «=» и 7 знаков"_s;
    return Match::whole(signed9 ? 9 : 8, weightOrNone(weight, seven, weightNote(weight)), format);
}

// TB-3: "=", a sign character ("0" or "+" positive, "-" negative) and
// seven characters, digits with at most a point, most significant first:
// "=00012340" is 12340.
Match tb3Signed(QByteArrayView b, qsizetype at)
{
    if (b[at] != '=')
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 9, &enough);
    if (f.size() >= 2 && f[1] != '0' && f[1] != '+' && f[1] != '-')
        return Match::none();
    if (f.size() > 2 && !std::all_of(f.begin() + 2, f.end(), [](char c) { return isDigit(c) || c == '.'; }))
        return Match::none();
    if (!enough)
        return Match::partial();
    if (!plainDigits(f.sliced(2)))
        return Match::none();
    double weight = weightNumber(f.sliced(2));
    if (f[1] == '-')
        weight = -weight;
    return Match::whole(9, weightOrNone(weight, f.sliced(1).toByteArray(), weightNote(weight)),
                        u"TB-3: «=», знак и 7 цифр"_s);
}

// The older TB-3 reading: "=", seven weight characters and a status character.
Match tb3Older(QByteArrayView b, qsizetype at)
{
    if (b[at] != '=')
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 9, &enough);
    if (!enough)
        return Match::partial();
    if (!numberField(f.sliced(1, 7)))
        return Match::none();
    return weightMatch(9, f.sliced(1, 7), u"TB-3: «=», 7 знаков и состояние"_s);
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

// D2008F: STX, sign and six digits, the decimal-position digit, the XOR of
// these eight as two check characters.
Match d2008f(QByteArrayView b, qsizetype at)
{
    if (b[at] != kStx)
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 11, &enough);
    if (!enough)
        return Match::partial();
    const QByteArrayView c = f.sliced(1);
    quint8 computed = 0;
    for (qsizetype i = 0; i < 8; ++i)
        computed ^= quint8(c[i]);
    const int high = checkNibble(c[8]);
    const int low = checkNibble(c[9]);
    const QString format = u"D2008F"_s;
    if (high < 0 || low < 0 || computed != quint8((high << 4) | low))
        return Match::rejected(11, u"неверная контрольная сумма"_s, format);
    if (!isDigit(c[7]) || !numberField(c.first(7)))
        return Match::rejected(11, u"в поле веса не число"_s, format);
    const double weight = weightNumber(c.first(7)) / powerOfTen(c[7] - '0');
    return Match::whole(11, weightOrNone(weight, c.first(8).toByteArray(), weightNote(weight)), format);
}

// GSE 350/355 (service manual, serial transmit choices 7..13): STX, the
// weight in 8 characters, then by choice a blank, the unit, a word
// (gross, net, quantity), the status letter <STAT> ("O" overload or
// underload, "M" motion, blank otherwise) and the setpoint status " S0"..
// " S7", ended by CR (LF). The shortest, STX, weight, status, CR LF, is
// the layout read so far. The status is the last letter before the
// setpoint status.
IndicatorState gseStatus(QByteArrayView tail, bool *motion)
{
    if (tail.size() >= 3 && tail[tail.size() - 3] == ' ' && tail[tail.size() - 2] == 'S'
        && tail.back() >= '0' && tail.back() <= '7')
        tail.chop(3);
    while (!tail.isEmpty() && tail.back() == ' ')
        tail.chop(1);
    const char status = tail.isEmpty() ? ' ' : tail.back();
    *motion = status == 'M';
    return status == 'O' ? IndicatorState::Overload : IndicatorState::None;
}

Match gseStx(QByteArrayView b, qsizetype at)
{
    if (b[at] != kStx)
        return Match::none();
    constexpr qsizetype kLongestTail = 20;
    bool enough = false;
    const QByteArrayView f = take(b, at, 9 + kLongestTail + 1, &enough);
    if (f.size() < 9)
        return Match::partial();
    if (!numberField(f.sliced(1, 8)))
        return Match::none();
    const qsizetype cr = f.indexOf(kCr, 9);
    if (cr < 0)
        return enough ? Match::none() : Match::partial();
    const qsizetype length = cr + 1 + (cr + 1 < f.size() && f[cr + 1] == kLf ? 1 : 0);
    const QString format = cr == 10 ? u"GSE: STX, 8 знаков, состояние"_s : u"GSE: STX, 8 знаков, единица и состояние"_s;
    bool motion = false;
    const IndicatorState state = gseStatus(f.sliced(9, cr - 9), &motion);
    if (state != IndicatorState::None)
        return Match::whole(length, ParseResult::stateOf(state, f.first(cr).toByteArray(), u"состояние «O»"_s), format);
    return weightMatch(length, f.sliced(1, 8), format, motion);
}

// GSE choice 14 (simulates an NCI 3835): LF, the signed weight in 8
// characters (the unit may follow), CR LF, the status, CR, ETX.
Match gseChoice14(QByteArrayView b, qsizetype at)
{
    if (b[at] != kLf)
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 24, &enough);
    const QByteArrayView data = f.sliced(1, std::min<qsizetype>(8, f.size() - 1));
    if (!std::all_of(data.begin(), data.end(), numberChar))
        return Match::none();
    if (f.size() < 9)
        return Match::partial();
    if (!numberField(data))
        return Match::none();
    const qsizetype cr = f.indexOf(kCr, 9);
    if (cr < 0 || cr > 12)
        return cr < 0 && f.size() <= 12 ? Match::partial() : Match::none();
    const qsizetype end = f.indexOf(kEtx, cr);
    if (end < 0)
        return enough ? Match::none() : Match::partial();
    // CR LF, one to four status characters, CR, ETX.
    if (f[cr + 1] != kLf || end - cr < 4 || end - cr > 7 || f[end - 1] != kCr)
        return Match::none();
    const QByteArrayView status = f.sliced(cr + 2, end - 1 - (cr + 2));
    const QString format = u"GSE, выбор 14"_s;
    if (status.contains('O'))
        return Match::whole(end + 1, ParseResult::stateOf(IndicatorState::Overload, f.first(end + 1).toByteArray(),
                                                          u"состояние «O»"_s),
                            format);
    return weightMatch(end + 1, data, format, status.contains('M'));
}

// FT11 (FT-11/FT-111 manuals, continuous output): STX, three status bytes,
// six weight digits without point, six tare digits, CR and a checksum
// byte that makes the sum of all bytes from STX on zero; the FT-111 also
// sends LF before the checksum. Status A: bits 0..2 the point (0 and 1:
// one or two zeros not sent, 2: none, 3..7: one to five decimals), bits 5
// and 6 set. Status B: bit 1 negative, bit 2 overload or error (the weight
// field then says "OVER", "UNDER" or "ERR"), bit 3 motion, bits 4 and 5
// set. Status C: 0x30.
bool ft11Status(QByteArrayView s)
{
    const auto fits = [&](qsizetype i, quint8 mask, quint8 value) { return i >= s.size() || (quint8(s[i]) & mask) == value; };
    return fits(0, 0x60, 0x60) && fits(1, 0x70, 0x30) && fits(2, 0x7F, 0x30);
}

// Some firmware sums seven bits only.
bool ft11SumZero(QByteArrayView f)
{
    quint8 sum = 0;
    for (const char c : f)
        sum = quint8(sum + quint8(c));
    return (sum & 0x7F) == 0;
}

Match ft11Frame(QByteArrayView f, const QString &format)
{
    const quint8 a = quint8(f[1]);
    const quint8 b = quint8(f[2]);
    const QByteArrayView digits = f.sliced(4, 6);
    if (b & 0x04) {
        const QByteArrayView word = digits.trimmed();
        const IndicatorState state = word.startsWith("UND") || word.startsWith("-") ? IndicatorState::Underload
            : word.startsWith("ERR")                                                 ? IndicatorState::Error
                                                                                     : IndicatorState::Overload;
        return Match::whole(f.size(), ParseResult::stateOf(state, digits.toByteArray(),
                                                           u"индикатор: «"_s + decode1251(digits).trimmed() + u"»"_s),
                            format);
    }
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c == ' ' || isDigit(c); })
        || !numberField(digits))
        return Match::rejected(f.size(), u"в поле веса не число: "_s + decode1251(digits), format);
    const int point = a & 7;
    double weight = weightNumber(digits);
    weight = point < 2 ? weight * powerOfTen(2 - point) : weight / powerOfTen(point - 2);
    if (b & 0x02)
        weight = -weight;
    return Match::whole(f.size(), withMotion(weightOrNone(weight, f.first(10).toByteArray(), weightNote(weight)), (b & 0x08) != 0),
                        format);
}

Match ft11(QByteArrayView b, qsizetype at)
{
    if (b[at] != kStx)
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 19, &enough);
    if (!ft11Status(f.sliced(1, std::min<qsizetype>(3, f.size() - 1))))
        return Match::none();
    if (f.size() < 18)
        return Match::partial();
    if (f[16] == kCr && ft11SumZero(f.first(18)))
        return ft11Frame(f.first(18), u"FT11, 18 байт"_s);
    if (f[16] == kCr && f[17] == kLf) {
        if (!enough)
            return Match::partial();
        if (ft11SumZero(f))
            return ft11Frame(f, u"FT-111, 19 байт с CR LF"_s);
    }
    return Match::rejected(18, u"неверная контрольная сумма"_s, u"FT11"_s);
}

// Whether an STX with FT11 status bytes stands anywhere: then only FT11
// frames count, and a stray byte before one cannot pass for the older
// reading.
bool ft11Anywhere(QByteArrayView b)
{
    for (qsizetype stx = b.indexOf(kStx); stx >= 0; stx = b.indexOf(kStx, stx + 1))
        if (stx + 3 < b.size() && ft11Status(b.sliced(stx + 1, 3)))
            return true;
    return false;
}

// The older FT11 reading for frames without status bytes: six characters
// three after the STX.
Match ft11Older(QByteArrayView b, qsizetype at)
{
    if (b[at] != kStx)
        return Match::none();
    bool enough = false;
    const QByteArrayView f = take(b, at, 10, &enough);
    if (f.size() >= 4 && ft11Status(f.sliced(1, 3)))
        return Match::none();
    if (!enough)
        return Match::partial();
    return weightMatch(10, f.sliced(4, 6), u"STX, 3 знака, 6 знаков веса"_s);
}

// HBM AED answers "msv?;" with one line by its output format (AD104
// operating manual, command COF): COF3 the measured value in 8 characters;
// COF1 with ",", the address in 2; COF11 with ",", the status in 3; COF9
// both; each ended by CR LF. The delimiter is set by TEX, "," unless
// changed. A line of seven characters (a blank sign place lost) counts
// too, but only as a whole line: after garbage it would be the tail of an
// eight-digit value.
bool aedDelimiter(char c)
{
    return !numberChar(c) && c != kCr && c != kLf;
}

bool digitsOrBlanks(QByteArrayView f)
{
    return std::all_of(f.begin(), f.end(), [](char c) { return isDigit(c) || c == ' '; });
}

Match aedLine(QByteArrayView b, qsizetype at)
{
    if (b[at] == kLf || b[at] == kCr)
        return Match::none();
    const bool lineStart = at == 0 || b[at - 1] == kLf || b[at - 1] == kCr;
    constexpr qsizetype kLongestLine = 15;
    const qsizetype found = b.sliced(at, std::min(kLongestLine + 1, b.size() - at)).indexOf(kCr);
    if (found < 0)
        return b.size() - at <= kLongestLine ? Match::partial() : Match::none();
    const qsizetype cr = at + found;
    const QByteArrayView line = b.sliced(at, cr - at);
    const qsizetype length = cr + 1 - at + (cr + 1 < b.size() && b[cr + 1] == kLf ? 1 : 0);
    QString format;
    QString status;
    switch (line.size()) {
    case 7:
        if (lineStart)
            format = u"HBM, COF3"_s;
        break;
    case 8: format = u"HBM, COF3"_s; break;
    case 11:
        if (aedDelimiter(line[8]) && digitsOrBlanks(line.sliced(9)))
            format = u"HBM, COF1 (с адресом)"_s;
        break;
    case 12:
        if (aedDelimiter(line[8]) && digitsOrBlanks(line.sliced(9))) {
            format = u"HBM, COF11 (с состоянием)"_s;
            status = QString::fromLatin1(line.sliced(9)).trimmed();
        }
        break;
    case 15:
        if (aedDelimiter(line[8]) && line[11] == line[8] && digitsOrBlanks(line.sliced(9, 2))
            && digitsOrBlanks(line.sliced(12))) {
            format = u"HBM, COF9 (с адресом и состоянием)"_s;
            status = QString::fromLatin1(line.sliced(12)).trimmed();
        }
        break;
    default: break;
    }
    if (format.isEmpty())
        return Match::none();
    const QByteArrayView value = line.first(std::min<qsizetype>(8, line.size()));
    if (!numberField(value))
        return Match::rejected(length, u"в ответе не число: «"_s + decode1251(value) + u"»"_s, format);
    // The counts: the coefficient is applied to the frame found.
    QString note = status.isEmpty() ? QString() : u", состояние "_s + status;
    return Match::whole(length, ParseResult::weightOf(weightNumber(value), value.toByteArray(), note), format);
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

bool polled(int type)
{
    return type == 3 || type == 7;
}

double weightNumber(QByteArrayView characters)
{
    return ReadLeadingNumber(decode1251(characters).trimmed());
}

namespace {

// The reply scaled by the coefficient, rounded to two decimals.
ParseResult scaledReply(ParseResult reply, double coefficient)
{
    if (!reply.hasWeight())
        return reply;
    const double counts = reply.weight;
    const double weight = round2(counts * coefficient);
    ParseResult scaled = weightOrNone(weight, reply.frame,
                                      NumberText(counts) + u" имп. × "_s + NumberText(coefficient) + u", "_s
                                          + weightNote(weight) + reply.note);
    scaled.format = reply.format;
    scaled.keepFrom = reply.keepFrom;
    return scaled;
}

} // namespace

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

ParseResult parse(int type, QByteArrayView bytes, const Settings &settings, Type7State &state)
{
    const QString noStx = u"в данных нет байта STX (02)"_s;
    const QString noEquals = u"в данных нет знака «=»"_s;
    switch (type) {
    case 1: return scan(bytes, {stxNine}, noStx);
    case 2: return scan(bytes, {nvt3}, noEquals);
    case 3: {
        if (bytes.isEmpty()) {
            ParseResult none = ParseResult::noWeight(u"нет ответа на запрос"_s);
            none.keepFrom = 0;
            return none;
        }
        return scaledReply(scan(bytes, {aedLine}, u"нет полного ответа: 8 знаков и CR"_s), settings.ImpulseCoefficient);
    }
    case 4: return scan(bytes, {d2008f}, noStx);
    case 5: return scan(bytes, {stxNine, vtLeo, and18}, u"нет кадра: ни STX, ни LEO, ни AND"_s);
    case 6: return scan(bytes, {gseStx, gseChoice14}, noStx);
    case 7: {
        ParseResult result = parseType7(bytes, state, settings.DecimalPlaces);
        result.keepFrom = bytes.size();
        return result;
    }
    case 8: return scan(bytes, {tb3Signed, tb3Older}, noEquals);
    case 9: return ft11Anywhere(bytes) ? scan(bytes, {ft11}, noStx) : scan(bytes, {ft11Older}, noStx);
    case 10: return scan(bytes, {cas22, and18, cas10}, u"нет кадра CAS с CR LF"_s);
    default: {
        ParseResult none = ParseResult::nothing(u"тип терминала "_s + QString::number(type) + u" не известен"_s);
        none.keepFrom = bytes.size();
        return none;
    }
    }
}

} // namespace TerminalProtocols
