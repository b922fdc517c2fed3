#pragma once

// The defaults the application registers at launch, so that a setting the user never changed
// reads as its default everywhere. Registering only supplies values for keys the user has not
// set; nothing is written to the settings file.
#include <QString>
#include <QVariantMap>

class MCUserDefaults;

// Keys of the application's own table (the theme's "AperanceKind" is kMCAperanceKindKey; the
// converter's, renamer's and grouping presets' keys are declared beside their owners).
extern const QString kMCBoundsToGlyphsKey;                         // "BoundsToGlyphs"
extern const QString kMCCompletionActionKey;                       // "CompletionAction"
extern const QString kMCUseNotificationCenterKey;                  // "UseNotificationCenter"
extern const QString kMCMinImageSizeKey;                           // "MinImageSize"
extern const QString kMCMinFileSizeKey;                            // "MinFileSize"
extern const QString kMCMinFileSizeUnitKey;                        // "MinFileSizeUnit"
extern const QString kMCSortKindKey;                               // "SortKind"
extern const QString kMCSortDirectionKey;                          // "SortDirection"
extern const QString kMCPhotoListScaleKey;                         // "PhotoListScale"
extern const QString kMCPathBarIsHiddenKey;                        // "PathBarIsHidden"
extern const QString kMCShowMessageBeforeRemovingPhotosFromListKey; // "ShowMessageBeforeRemovingPhotosFromList"
extern const QString kMCInfoPanelIsVisibleKey;                     // "InfoPanelIsVisible"
extern const QString kMCTreePanelIsVisibleKey;                     // "TreePanelIsVisible"
extern const QString kMCShowMessageAfterConvertingKey;             // "ShowMessageAfterConverting"
extern const QString kMCShowMessageAfterMetadataEditingKey;        // "ShowMessageAfterMetadataEditing"
extern const QString kMCShowMessageAfterCopyOrMoveKey;             // "ShowMessageAfterCopyOrMove"
extern const QString kMCShowMessageAfterRenameKey;                 // "ShowMessageAfterRename"

namespace MCRegisteredDefaults {

// The application's own table of 22 defaults (integers, booleans and reals as property-list
// numbers of those types; the grouping presets as the factory presets' stored forms).
QVariantMap applicationDefaults();

// The table merged, later entries replacing earlier ones of the same key, with the batch
// renamer's defaults, the bitmap converter's and then the metadata converter's (whose presets
// flag lets the shipped metadata presets install on first use).
QVariantMap registeredDefaults();

// The application delegate's registration step: hands registeredDefaults() to `defaults`.
void registerDefaults(MCUserDefaults &defaults);
// The same for the standard user settings.
void registerDefaults();

} // namespace MCRegisteredDefaults
