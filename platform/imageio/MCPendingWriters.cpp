#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"

namespace platform {

bool encodeJPEG2000(const WriterPixels &, const WriterOptions &, QByteArray *, MCError *error)
{
    return MCSetError(error, writerError(kMCImageDestinationUnsupportedType,
                                         QStringLiteral("JPEG 2000 files cannot be written yet.")));
}

} // namespace platform
