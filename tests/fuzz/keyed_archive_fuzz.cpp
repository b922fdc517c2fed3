// Feeds arbitrary bytes to the reader of archived values (colours and curves in presets and
// settings), with and without a valid header in front; a value it reads must archive again.
#include "halvard/system/MCDataExtensions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &archive : {bytes, QByteArray("MCAR\x01", 5) + bytes}) {
        const QVariant value = MCKeyedUnarchiver::unarchivedRootObject(archive);
        if (value.isValid() && !MCKeyedUnarchiver::unarchivedRootObject(MCKeyedArchiver::archivedRootObject(value)).isValid())
            std::abort(); // what was read must archive and read again
    }
    return 0;
}
