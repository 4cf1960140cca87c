#pragma once

#include "ParseResult.h"
#include "Type7State.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

struct Settings;

// The ten terminal protocols. Each parser scans the bytes it is given for
// the first whole frame that passes its own checks, in any of the layouts
// its indicator family documents; type 7 also keeps a buffer of its own.
// One byte is one character.
namespace TerminalProtocols {

constexpr int kTypeCount = 10;
constexpr char kStx = 2;
constexpr char kEtx = 3;
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
// Types that answer a request rather than send by themselves.
bool polled(int type);

// Type 7: text or digit-byte frames collected in `state`.
ParseResult parseType7(QByteArrayView chunk, Type7State &state, int decimalPlaces);

// The parser of `type`; Nothing for a type outside 1..10. `keepFrom` of
// the result says which trailing bytes may begin a frame.
ParseResult parse(int type, QByteArrayView bytes, const Settings &settings, Type7State &state);

// The number in the weight characters of a frame, blanks around them removed.
double weightNumber(QByteArrayView characters);

} // namespace TerminalProtocols
