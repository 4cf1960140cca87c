// The two number readers on a text read as UTF-8.

#include "FuzzSupport.h"

#include "core/Numbers.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    const double leading = ReadLeadingNumber(text);
    const double parsed = ParseNumber(text);
    fuzz::require(std::isfinite(leading) && std::isfinite(parsed), "a number that is not finite");

    // ParseNumber is ReadLeadingNumber after every comma became a point.
    QString dotted = text;
    dotted.replace(u',', u'.');
    const double viaDots = ReadLeadingNumber(dotted);
    fuzz::require(std::memcmp(&parsed, &viaDots, sizeof parsed) == 0, "ParseNumber differs from the dotted text");
    return 0;
}
