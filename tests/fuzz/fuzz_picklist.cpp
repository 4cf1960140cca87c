// A pick list file: its header, its entries, looking a value up and taking
// the first entry out.

#include "FuzzSupport.h"

#include "store/PickListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = fuzz::bytesOf(data, size);
    const QString base = fuzz::scratchFolder();
    const QString path = pickListPath(base, 0);
    fuzz::writeFile(path, file);

    PickListFile list(path);
    (void)list.header();
    const QList<ParamConstants> entries = list.entries();
    const QStringList values = list.values();
    fuzz::require(entries.size() == values.size(), "entries and values differ in number");
    ExtraNames names;
    LoadPickListHeaders(names, base);
    if (values.isEmpty()) {
        fuzz::require(!list.find(QStringLiteral("x")).has_value(), "a value found in an empty list");
        return 0;
    }

    const QString first = values.first();
    fuzz::require(list.find(first).has_value(), "a listed value not found");
    // Taking a value out keeps the file's length and every other entry.
    fuzz::require(bool(list.remove(first)), "the list could not be rewritten");
    QStringList expected = values;
    expected.removeFirst();
    fuzz::require(list.values() == expected, "removing a value changed the others");
    QFile after(path);
    fuzz::require(after.size() == file.size(), "removing a value changed the file's length");
    return 0;
}
