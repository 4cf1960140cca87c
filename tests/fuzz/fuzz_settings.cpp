// The settings file reader: any bytes give a settings record that writes
// out and reads back to the same bytes.

#include "FuzzSupport.h"

#include "core/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Settings first;
    decodeSettings(fuzz::bytesOf(data, size), first);
    const QByteArray written = encodeSettings(first);
    fuzz::require(written.size() == SettingsLayout::kFileSize, "settings not 131 records");

    Settings second;
    decodeSettings(written, second);
    fuzz::require(encodeSettings(second) == written, "settings changed when read back");
    return 0;
}
