// Feeds arbitrary bytes to the reading of a convert preset file: the property list, the
// preset's values, its rename pattern and every stage's dictionary; then stores and copies it.
#include "app/engine/pipeline/MCConvertPreset.h"
#include "platform/core/MCPropertyList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QVariant plist = platform::propertyListFromData(bytes);
    if (plist.typeId() != QMetaType::QVariantMap)
        return 0;
    const std::shared_ptr<MCConvertPreset> preset = MCConvertPreset::presetFromDictionary(plist.toMap());
    if (!preset)
        return 0;
    const QVariantMap stored = preset->dictionaryRepresentation();
    platform::dataFromPropertyList(stored);
    preset->copyPreset();
    for (const MCConvertStageRef &stage : preset->stages()) {
        stage->hash();
        stage->dictionaryRepresentation();
    }
    return 0;
}
