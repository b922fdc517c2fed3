// The general image-loader plug-in: every format the platform image sources decode, chosen by
// the file's content, so a file with the wrong extension still reads. For camera RAW files it
// is the fallback behind the RAW plug-in: it reads what a TIFF reader can read of them (the
// main image of a DNG, or the preview of a TIFF-based RAW).
#include "halvard/imageio/MCCGImageSourceAdapter.h"
#include "platform/imageio/ImageTypes.h"

namespace {

class ImageIOExtension final : public MCImageLoaderExtension
{
public:
    qint64 priority() const override { return 10; }
    QStringList supportedImageTypes() const override { return platform::CGImageSourceCopyTypeIdentifiers(); }

    std::unique_ptr<MCImageSource> imageSourceWithURL(const QString &path, const QString &type) override
    {
        // A RAW file is read by content: its TIFF structure, not its RAW type, decides.
        const QVariantMap options = platform::isCameraRawType(type) ? QVariantMap()
                                                                    : QVariantMap{{kCGImageSourceTypeIdentifierHint, type}};
        // A file of a known format that cannot be read (broken, too large) still gets a source:
        // its reads fail with the reason.
        CGImageSourceRef source = CGImageSource::createWithURL(path, options);
        if (!source || source->status() == kCGImageStatusUnknownType)
            return nullptr;
        return std::make_unique<MCCGImageSourceAdapter>(std::move(source));
    }
};

} // namespace

MC_IMAGE_LOADER_EXTENSION(ImageIOExtension)
