#pragma once

#include "halvard/imageio/MCImageLoaderExtension.h"

#include "platform/imageio/CGImageSource.h"

// An image-loader source over a platform image source: the plug-ins that decode through
// platform/imageio wrap their CGImageSource in this to answer the loader.
class MCCGImageSourceAdapter final : public MCImageSource
{
public:
    explicit MCCGImageSourceAdapter(CGImageSourceRef source) : m_source(std::move(source)) {}

    CGImageRef newImage() override { return m_source->createImageAtIndex(0); }

    CGImageRef newThumbnailWithOptions(const MCThumbnailReadingOptions &options) override
    {
        return m_source->createThumbnailAtIndex(0, thumbnailOptions(options));
    }

    std::optional<QVariantMap> metadata() override
    {
        if (m_source->count() == 0)
            return std::nullopt;
        return m_source->copyPropertiesAtIndex(0);
    }

    MCError error() const override { return m_source->error(); }

    CGImageRef newImageWithMinimumSide(quint64 minimumSide) override
    {
        if (minimumSide == 0)
            return newImage();
        return m_source->createImageAtIndex(0, {{kMCImageSourceDecodeMinimumPixelSize, qint64(minimumSide)}});
    }

    const CGImageSourceRef &source() const { return m_source; }

    // The platform option dictionary of the loader's thumbnail options.
    static QVariantMap thumbnailOptions(const MCThumbnailReadingOptions &options)
    {
        QVariantMap map{
            {kCGImageSourceCreateThumbnailFromImageAlways, options.createThumbnailFromImageAlways},
            {kCGImageSourceCreateThumbnailFromImageIfAbsent, options.createThumbnailFromImageIfAbsent},
            {kCGImageSourceCreateThumbnailWithTransform, options.createThumbnailWithTransform},
        };
        if (options.thumbnailMaxPixelSize > 0)
            map.insert(kCGImageSourceThumbnailMaxPixelSize, qint64(options.thumbnailMaxPixelSize));
        return map;
    }

private:
    CGImageSourceRef m_source;
};
