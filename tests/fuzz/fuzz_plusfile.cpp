// The additional-parameter file of a day: its fields and whole cards.

#include "FuzzSupport.h"

#include "store/PlusFile.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = fuzz::bytesOf(data, size);
    for (qsizetype offset : {qsizetype(-1), qsizetype(0), qsizetype(1), qsizetype(127), qsizetype(128),
                             file.size() - 1, file.size()})
        (void)PlusFile::field(file, offset);

    const QString path = fuzz::scratchFolder() + QStringLiteral("08.12.2011_Plus.dat");
    fuzz::writeFile(path, file);
    const PlusFile plus(path);
    for (int card : {INT_MIN, 0, 1, 2, INT_MAX})
        (void)plus.read(card);
    return 0;
}
