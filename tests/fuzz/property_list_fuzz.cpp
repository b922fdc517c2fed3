// Feeds arbitrary bytes to the XML property-list reader (presets, settings, statistics); a
// value it reads must write back and read again.
#include "platform/core/MCPropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QVariant plist = platform::propertyListFromData(bytes);
    if (!plist.isValid())
        return 0;
    const QByteArray written = platform::dataFromPropertyList(plist);
    if (written.isEmpty() || !platform::propertyListFromData(written).isValid())
        std::abort(); // what was read must be writable and readable again
    return 0;
}
