// The ten terminal parsers. Byte 0 picks the type (1..10), byte 1 the
// coefficient (type 3) or the decimal places (type 7); the rest is split at
// every 0xFF into the chunks of successive polls.

#include "FuzzSupport.h"

#include "core/Formats.h"
#include "core/Settings.h"
#include "terminal/FrameReader.h"
#include "terminal/TerminalProtocols.h"

#include <cmath>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static const double coefficients[] = {1.0, 0.5, 10.0, 0.001, 1e300, -2.0, 0.0,
                                          std::numeric_limits<double>::infinity()};
    const int type = data[0] % TerminalProtocols::kTypeCount + 1;
    Settings settings;
    settings.ImpulseCoefficient = coefficients[data[1] % 8];
    settings.DecimalPlaces = int(data[1] % 8) - 2;

    const QByteArray rest = fuzz::bytesOf(data + 2, size - 2);
    // As the link reads: a frame's start waits for the next read.
    FrameReader reader;
    for (QByteArrayView chunk : rest.split('\xff')) {
        const ParseResult result = reader.read(type, chunk, settings);
        // A weight reaches the live weights and the field: it must be a number.
        if (result.hasWeight())
            fuzz::require(std::isfinite(result.weight), "a weight that is no finite number");
        (void)NumberText(result.weight);
        fuzz::require(reader.type7State().buffer.size() <= 24, "type 7 buffer above 24 bytes");
        fuzz::require(reader.waiting().size() <= FrameReader::kMaxWaiting, "more bytes waiting than a frame");
    }
    return 0;
}
