#include "app/library/MCResourceManager.h"

#include "halvard/imageio/MCImageFunctions.h"
#include "halvard/imageio/MCUTType.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/ImageTypes.h"
#include "platform/types/UTType.h"

#include <algorithm>

const QString kMCUseFastBitmapGeneratorKey = QStringLiteral("UseFastBitmapGenerator");

MCResourceManager &MCResourceManager::defaultManager()
{
    static MCResourceManager manager;
    return manager;
}

QSet<QString> MCResourceManager::imageTypes()
{
    static const QSet<QString> types = [] {
        const QStringList readable = platform::CGImageSourceCopyTypeIdentifiers();
        QSet<QString> all(readable.begin(), readable.end());
        all.unite(MCImageTypes()); // what the loader plug-ins declared
        all.insert(QStringLiteral("public.webp"));
        return all;
    }();
    return types;
}

QSet<QString> MCResourceManager::rawImageTypes()
{
    static const QSet<QString> types = [] {
        QSet<QString> raw;
        for (const QString &type : imageTypes())
            if (platform::UTTypeConformsTo(type, kUTTypeRawImage))
                raw.insert(type);
        return raw;
    }();
    return types;
}

QList<std::shared_ptr<MCUTType>> MCResourceManager::availableFileTypes()
{
    static const QList<std::shared_ptr<MCUTType>> types = [] {
        QList<std::shared_ptr<MCUTType>> known;
        for (const QString &identifier : imageTypes())
            if (platform::UTTypeIsDeclared(identifier) && !platform::UTTypeIsDynamic(identifier))
                known.append(MCUTType::typeWithIdentifier(identifier));
        std::sort(known.begin(), known.end(), [](const auto &a, const auto &b) {
            const int order = a->typeDescription().compare(b->typeDescription());
            return order != 0 ? order < 0 : a->typeIdentifier() < b->typeIdentifier();
        });
        return known;
    }();
    return types;
}

bool MCResourceManager::isImageType(const QString &identifier)
{
    return !identifier.isEmpty() && imageTypes().contains(identifier);
}

bool MCResourceManager::isRAWImageType(const QString &identifier)
{
    return !identifier.isEmpty() && rawImageTypes().contains(identifier);
}

bool MCResourceManager::isRAWImageAtURL(const QString &path)
{
    return !path.isEmpty() && isRAWImageType(platform::UTTypeOfFileAtPath(path));
}

bool MCResourceManager::isJPEGImageType(const QString &identifier) { return identifier == kUTTypeJPEG; }
bool MCResourceManager::isBMPImageType(const QString &identifier) { return identifier == kUTTypeBMP; }
bool MCResourceManager::isGIFImageType(const QString &identifier) { return identifier == kUTTypeGIF; }
bool MCResourceManager::isJPEG2000ImageType(const QString &identifier) { return identifier == kUTTypeJPEG2000; }
bool MCResourceManager::isPNGImageType(const QString &identifier) { return identifier == kUTTypePNG; }
bool MCResourceManager::isTIFFImageType(const QString &identifier) { return identifier == kUTTypeTIFF; }
bool MCResourceManager::isPDFImageType(const QString &identifier) { return identifier == kUTTypePDF; }
bool MCResourceManager::isHEICImageType(const QString &identifier)
{
    return identifier == kUTTypeHEIC || identifier == kUTTypeHEIF;
}

bool MCResourceManager::usesFastThumbnailGenerator() const
{
    return MCUserDefaults::standardUserDefaults().boolForKey(kMCUseFastBitmapGeneratorKey);
}

QByteArray MCResourceManager::newImageDataFromImage(const CGImageRef &image) const
{
    if (!image || !image->bytes())
        return {};
    return QByteArray(reinterpret_cast<const char *>(image->bytes()), qsizetype(image->byteCount()));
}
