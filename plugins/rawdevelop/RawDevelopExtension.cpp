// The camera-RAW plug-in: develops the sensor data (demosaic, camera white balance, sRGB,
// 16 bits) and takes thumbnails from the previews the camera embeds. It declines files its
// RAW decoder cannot open, and the general plug-in then reads them as TIFF.
#include "halvard/imageio/MCCGImageSourceAdapter.h"
#include "platform/imageio/ImageTypes.h"

namespace {

class RawDevelopExtension final : public MCImageLoaderExtension
{
public:
    qint64 priority() const override { return 20; }
    QStringList supportedImageTypes() const override { return platform::cameraRawTypeIdentifiers(); }

    std::unique_ptr<MCImageSource> imageSourceWithURL(const QString &path, const QString &type) override
    {
        CGImageSourceRef source = CGImageSource::createWithURL(path, {{kCGImageSourceTypeIdentifierHint, type}});
        if (!source || source->status() != kCGImageStatusComplete || !platform::isCameraRawType(source->type()))
            return nullptr;
        return std::make_unique<MCCGImageSourceAdapter>(std::move(source));
    }
};

} // namespace

MC_IMAGE_LOADER_EXTENSION(RawDevelopExtension)
