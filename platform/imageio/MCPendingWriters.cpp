#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"
namespace platform {
static bool pending(MCError *error) { return MCSetError(error, writerError(kMCImageDestinationUnsupportedType, QStringLiteral("pending"))); }
bool encodePDF(const WriterPixels &, const WriterOptions &, const QVariantMap &, QByteArray *, MCError *e) { return pending(e); }
bool encodeJPEG2000(const WriterPixels &, const WriterOptions &, QByteArray *, MCError *e) { return pending(e); }
bool encodeHEIC(const WriterPixels &, const WriterOptions &, const QVariantMap &, QByteArray *, MCError *e) { return pending(e); }
}
