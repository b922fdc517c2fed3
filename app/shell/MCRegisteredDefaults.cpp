#include "app/shell/MCRegisteredDefaults.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCGroupRulePresetsManager.h"
#include "app/metadata/MCMetadataConverter.h"
#include "app/uikit/MCColorQuillon.h"
#include "platform/core/MCUserDefaults.h"

const QString kMCBoundsToGlyphsKey = QStringLiteral("BoundsToGlyphs");
const QString kMCCompletionActionKey = QStringLiteral("CompletionAction");
const QString kMCUseNotificationCenterKey = QStringLiteral("UseNotificationCenter");
const QString kMCMinImageSizeKey = QStringLiteral("MinImageSize");
const QString kMCMinFileSizeKey = QStringLiteral("MinFileSize");
const QString kMCMinFileSizeUnitKey = QStringLiteral("MinFileSizeUnit");
const QString kMCSortKindKey = QStringLiteral("SortKind");
const QString kMCSortDirectionKey = QStringLiteral("SortDirection");
const QString kMCPhotoListScaleKey = QStringLiteral("PhotoListScale");
const QString kMCPathBarIsHiddenKey = QStringLiteral("PathBarIsHidden");
const QString kMCShowMessageBeforeRemovingPhotosFromListKey = QStringLiteral("ShowMessageBeforeRemovingPhotosFromList");
const QString kMCInfoPanelIsVisibleKey = QStringLiteral("InfoPanelIsVisible");
const QString kMCTreePanelIsVisibleKey = QStringLiteral("TreePanelIsVisible");
const QString kMCShowMessageAfterConvertingKey = QStringLiteral("ShowMessageAfterConverting");
const QString kMCShowMessageAfterMetadataEditingKey = QStringLiteral("ShowMessageAfterMetadataEditing");
const QString kMCShowMessageAfterCopyOrMoveKey = QStringLiteral("ShowMessageAfterCopyOrMove");
const QString kMCShowMessageAfterRenameKey = QStringLiteral("ShowMessageAfterRename");

namespace MCRegisteredDefaults {

QVariantMap applicationDefaults()
{
    // Typed so that each is stored as the property-list number it is (integer, boolean, real).
    return {
        {kMCAperanceKindKey, qint64(1)},
        {kMCBoundsToGlyphsKey, false},
        {kMCCompletionActionKey, qint64(1)},
        {kMCUseNotificationCenterKey, true},
        {kMCShouldAutorotateKey, true},
        {kMCCreateIntermidiateFoldersOnConvertKey, false},
        {kMCKeepOriginalFileCreationDateKey, true},
        {kMCMinImageSizeKey, 0.0},
        {kMCMinFileSizeKey, 0.0},
        {kMCMinFileSizeUnitKey, qint64(1)},
        {kMCSortKindKey, qint64(3)},
        {kMCSortDirectionKey, qint64(100)},
        {kMCPhotoListScaleKey, 0.5},
        {kMCPathBarIsHiddenKey, false},
        {kMCShowMessageBeforeRemovingPhotosFromListKey, true},
        {kMCInfoPanelIsVisibleKey, true},
        {kMCTreePanelIsVisibleKey, true},
        {kMCShowMessageAfterConvertingKey, true},
        {kMCShowMessageAfterMetadataEditingKey, true},
        {kMCShowMessageAfterCopyOrMoveKey, true},
        {kMCShowMessageAfterRenameKey, true},
        {MCGroupRulePresetsManager::kPresetsKey, MCGroupRulePresetsManager::defaultPresets()},
    };
}

QVariantMap registeredDefaults()
{
    QVariantMap defaults = applicationDefaults();
    for (const QVariantMap &merged : {MCBatchRenamer::userDefaultsDictionary(), MCBitmapConverter::userDefaultsDictionary(),
                                      MCMetadataConverter::userDefaultsDictionary()})
        defaults.insert(merged);
    return defaults;
}

void registerDefaults(MCUserDefaults &defaults)
{
    defaults.registerDefaults(registeredDefaults());
}

void registerDefaults()
{
    registerDefaults(MCUserDefaults::standardUserDefaults());
}

} // namespace MCRegisteredDefaults
