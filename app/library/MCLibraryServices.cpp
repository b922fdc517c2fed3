#include "app/library/MCLibraryServices.h"

#include "app/metadata/MCFileInfo.h"
#include "halvard/imageio/MCImageLoader.h"

namespace quillon {

void installLibraryServices()
{
    MCFileInfo::setImageInfoReader([](const QString &path) {
        // An unreadable file gives no dictionary, which clears the properties it would fill.
        return MCImageLoader::metadataFromImageAtURL(path).value_or(QVariantMap());
    });
}

} // namespace quillon
