#pragma once

#include "ParseResult.h"
#include "Type7State.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

struct Settings;

// The ten terminal protocols. Each parser works on the bytes of one poll
// (type 7 also on its buffer); one byte is one character.
namespace TerminalProtocols {

constexpr int kTypeCount = 10;
constexpr char kStx = 2;
constexpr char kLf = 10;
constexpr char kCr = 13;

// The texts of the list "Тип терминала", type 1 first.
QStringList typeNames();
// Empty outside 1..10.
QString typeName(int type);

// What a poll sends: "msv?;" for type 3, a line feed for type 7, else nothing.
QByteArray pollRequest(int type);
// What the zero button sends: "CDL;" for type 3, a line feed for type 7.
QByteArray zeroCommand(int type);

// Types 1, 2, 5, 6, 8, 9 and 10: a marker byte and a frame at a fixed place.
ParseResult parseMarkerFrame(int type, QByteArrayView chunk);
// Type 3: the chunk is the reply, scaled by the coefficient.
ParseResult parseType3(QByteArrayView chunk, double impulseCoefficient);
// Type 4: the first frame after an STX whose check characters match.
ParseResult parseType4(QByteArrayView chunk);
// Type 7: text or digit-byte frames collected in `state`.
ParseResult parseType7(QByteArrayView chunk, Type7State &state, int decimalPlaces);

// The parser of `type`; Nothing for a type outside 1..10.
ParseResult parse(int type, QByteArrayView chunk, const Settings &settings, Type7State &state);

// The number in the weight characters of a frame, blanks around them removed.
double weightNumber(QByteArrayView characters);

} // namespace TerminalProtocols
