#pragma once

#include "platform/core/MCError.h"
#include "platform/graphics/CGTypes.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

// The interface of image-loader plug-ins. A plug-in is a shared object in the application's
// plug-in folder that exports one C function named by kMCImageLoaderExtensionFactorySymbol,
// of type MCImageLoaderExtensionFactory, returning a new extension object the loader owns
// (deleted with `delete` through the virtual destructor; plug-ins stay loaded for the life
// of the process, so the object's code remains valid).

// What the loader hands to a plug-in's source for one thumbnail read.
class MCThumbnailReadingOptions
{
public:
    virtual ~MCThumbnailReadingOptions() = default;
    // A new instance with all four fields copied.
    virtual std::unique_ptr<MCThumbnailReadingOptions> copy() const
    {
        return std::make_unique<MCThumbnailReadingOptions>(*this);
    }

    // Make the thumbnail from the full image even when the file embeds one.
    bool createThumbnailFromImageAlways = false;
    // Make one from the full image only when the file embeds none.
    bool createThumbnailFromImageIfAbsent = false;
    // Turn the thumbnail upright by the image's orientation.
    bool createThumbnailWithTransform = false;
    // The largest side in pixels (0: no limit).
    quint64 thumbnailMaxPixelSize = 0;
};

// One read of one file, made by a plug-in for the loader.
class MCImageSource
{
public:
    virtual ~MCImageSource() = default;
    // The full image, or nullptr.
    virtual CGImageRef newImage() = 0;
    // A thumbnail, or nullptr.
    virtual CGImageRef newThumbnailWithOptions(const MCThumbnailReadingOptions &options) = 0;
    // The property dictionary (MCImageProperties.h layout), or nothing.
    virtual std::optional<QVariantMap> metadata() = 0;
    // Why the last newImage or newThumbnailWithOptions answered nullptr, when the source knows
    // (damaged data, an image too large, an unknown format ...); null otherwise.
    virtual MCError error() const { return {}; }
    // The image decoded at reduced size where the format does that cheaply (JPEG by n/8) by a
    // factor that maps both sides onto whole pixels, its larger side still at least
    // `minimumSide`; the full image otherwise (and for 0).
    // Declared last, so plug-ins built before it keep their table of functions.
    virtual CGImageRef newImageWithMinimumSide(quint64 minimumSide) { return newImage(); }
};

class MCImageLoaderExtension
{
public:
    virtual ~MCImageLoaderExtension() = default;
    // Order among plug-ins of one type: higher first.
    virtual qint64 priority() const = 0;
    virtual QStringList supportedImageTypes() const = 0;
    virtual QStringList supportedVideoTypes() const { return {}; }
    // A source for the file at `path` whose type is `type`, or nullptr when the plug-in
    // declines it. A plug-in that recognises the file but cannot read it may answer a source
    // whose reads fail with the reason (MCImageSource::error), so the user learns why.
    virtual std::unique_ptr<MCImageSource> imageSourceWithURL(const QString &path, const QString &type) = 0;
};

extern "C" {
typedef MCImageLoaderExtension *(*MCImageLoaderExtensionFactory)();
}
inline constexpr const char *kMCImageLoaderExtensionFactorySymbol = "MCImageLoaderExtensionCreate";

// Declares the factory of a plug-in: MC_IMAGE_LOADER_EXTENSION(MyExtension)
#define MC_IMAGE_LOADER_EXTENSION(ClassName)                                                                           \
    extern "C" __attribute__((visibility("default"))) MCImageLoaderExtension *MCImageLoaderExtensionCreate()           \
    {                                                                                                                  \
        return new ClassName();                                                                                        \
    }
