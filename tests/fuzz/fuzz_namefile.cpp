// The name file "Name_Plus.dat": every name reads as a text, a blank one
// as its default.

#include "FuzzSupport.h"

#include "store/NamePlusFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::writeFile(namePlusPath(fuzz::scratchFolder()), fuzz::bytesOf(data, size));
    ExtraNames names;
    loadExtraNames(names, fuzz::scratchFolder());
    for (int i = 0; i < ExtraNames::kTextParams; ++i)
        for (int j = 1; j <= ExtraNames::kExtras; ++j)
            fuzz::require(!names.extraNames[std::size_t(i)][std::size_t(j)].trimmed().isEmpty(), "a blank name");
    return 0;
}
