#include "platform/imageio/ImageTypes.h"

#include "platform/types/UTType.h"

namespace platform {

QStringList cameraRawTypeIdentifiers()
{
    static const QStringList types = {
        QStringLiteral("com.adobe.raw-image"),        QStringLiteral("com.canon.crw-raw-image"),
        QStringLiteral("com.canon.cr2-raw-image"),    QStringLiteral("com.canon.cr3-raw-image"),
        QStringLiteral("com.nikon.raw-image"),        QStringLiteral("com.nikon.nrw-raw-image"),
        QStringLiteral("com.sony.arw-raw-image"),     QStringLiteral("com.sony.sr2-raw-image"),
        QStringLiteral("com.sony.raw-image"),         QStringLiteral("com.olympus.raw-image"),
        QStringLiteral("com.olympus.or-raw-image"),   QStringLiteral("com.fuji.raw-image"),
        QStringLiteral("com.panasonic.rw2-raw-image"), QStringLiteral("com.panasonic.raw-image"),
        QStringLiteral("com.leica.rwl-raw-image"),    QStringLiteral("com.pentax.raw-image"),
        QStringLiteral("com.samsung.raw-image"),      QStringLiteral("com.konicaminolta.raw-image"),
        QStringLiteral("com.epson.raw-image"),        QStringLiteral("com.kodak.raw-image"),
        QStringLiteral("com.sigma.raw-image"),        QStringLiteral("com.hasselblad.3fr-raw-image"),
        QStringLiteral("com.hasselblad.fff-raw-image"), QStringLiteral("com.phaseone.raw-image"),
        QStringLiteral("com.leafamerica.raw-image"),
    };
    return types;
}

QStringList CGImageSourceCopyTypeIdentifiers()
{
    static const QStringList types = QStringList{
        QStringLiteral("public.jpeg"), QStringLiteral("public.png"),  QStringLiteral("public.tiff"),
        QStringLiteral("com.compuserve.gif"), QStringLiteral("com.microsoft.bmp"),
        QStringLiteral("org.webmproject.webp"), QStringLiteral("public.heic"), QStringLiteral("public.heif"),
        QStringLiteral("public.avif"), QStringLiteral("public.jpeg-2000"), QStringLiteral("public.pbm"),
        QStringLiteral("com.microsoft.ico"), QStringLiteral("com.truevision.tga-image"), QStringLiteral("com.sgi.sgi-image"),
    } + cameraRawTypeIdentifiers();
    return types;
}

bool isCameraRawType(const QString &identifier)
{
    return UTTypeConformsTo(identifier, kUTTypeRawImage);
}

} // namespace platform
