// Feeds arbitrary bytes to the parser of the metadata tool's answers (its -php tag lists).
#include "app/metadata/ExifTool.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ExifTool::parsePHPTagList(bytes);
    return 0;
}
