// Feeds arbitrary bytes to the reading of a stored rename pattern (a property list of
// tokens and text), then shows every token and prints counters and dates as a rename would.
#include "app/library/MCBatchRenameSettings.h"
#include "platform/core/MCPropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QVariant plist = platform::propertyListFromData(bytes);
    if (plist.typeId() == QMetaType::QVariantMap) {
        const MCBatchRenameSettings settings = MCBatchRenameSettings::settingsWithDictionary(plist.toMap());
        platform::dataFromPropertyList(settings.dictionaryRepresentation());
        for (const MCBatchRenameElement &element : settings.tokens()) {
            const auto *token = std::get_if<MCBatchRenameToken>(&element);
            if (!token)
                continue;
            token->displayTokenName();
            token->displayTokenDescription();
            MCBatchRenameToken::stringFromIndex(token->integerSetting(kMCRenameStartIndexKey),
                                                token->integerSetting(kMCRenameNumberOfDigitsKey));
            MCDateQuillon::stringFromDateFormat(quint64(token->integerSetting(kMCRenameDateFormatIDKey)),
                                                quint64(token->integerSetting(kMCRenameTimeFormatIDKey)));
        }
    }
    // The counter's printing straight from the bytes as well.
    if (size >= 16) {
        qint64 index = 0, digits = 0;
        std::memcpy(&index, data, 8);
        std::memcpy(&digits, data + 8, 8);
        MCBatchRenameToken::stringFromIndex(index, digits);
    }
    return 0;
}
