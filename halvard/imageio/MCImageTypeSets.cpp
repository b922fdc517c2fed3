#include "halvard/imageio/MCImageFunctions.h"

#include "halvard/imageio/MCImageLoaderExtensionManager.h"
#include "platform/types/UTType.h"

// Sets of type identifiers the system reads and the tests on them.

QSet<QString> MCImageTypes()
{
    return MCImageLoaderExtensionManager::sharedInstance().supportedImageTypes();
}

QSet<QString> MCRAWImageTypes()
{
    static const QSet<QString> types = [] {
        QSet<QString> raw;
        const QSet<QString> all = MCImageTypes();
        for (const QString &type : all) {
            if (platform::UTTypeConformsTo(type, kUTTypeRawImage))
                raw.insert(type);
        }
        return raw;
    }();
    return types;
}

QSet<QString> MCJPEGImageTypes()
{
    static const QSet<QString> types{kUTTypeJPEG, kUTTypeJPEG2000, QStringLiteral("com.apple.rjpeg")};
    return types;
}

QSet<QString> MCHEICImageTypes()
{
    static const QSet<QString> types{kUTTypeHEIC, kUTTypeHEIF};
    return types;
}

QSet<QString> MCMovieTypes()
{
    return MCImageLoaderExtensionManager::sharedInstance().supportedVideoTypes();
}

bool MCIsImageType(const QString &typeIdentifier)
{
    return !typeIdentifier.isNull() && MCImageTypes().contains(typeIdentifier);
}

bool MCIsRAWImageType(const QString &typeIdentifier)
{
    return !typeIdentifier.isNull() && MCRAWImageTypes().contains(typeIdentifier);
}

bool MCIsJPEGImageType(const QString &typeIdentifier)
{
    return !typeIdentifier.isNull() && MCJPEGImageTypes().contains(typeIdentifier);
}

bool MCIsHEICImageType(const QString &typeIdentifier)
{
    return !typeIdentifier.isNull() && MCHEICImageTypes().contains(typeIdentifier);
}

bool MCIsMovieType(const QString &typeIdentifier)
{
    return !typeIdentifier.isNull() && MCMovieTypes().contains(typeIdentifier);
}
