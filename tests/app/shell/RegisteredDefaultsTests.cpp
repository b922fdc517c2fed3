#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCGroupRulePresetsManager.h"
#include "app/metadata/MCMetadataConverter.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "platform/core/MCUserDefaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct Expected {
    const char *key;
    QMetaType::Type type;
    QVariant value;
};

} // namespace

TEST(MCRegisteredDefaults, TheApplicationsTableHasItsTwentyTwoTypedDefaults)
{
    const std::vector<Expected> table = {
        {"AperanceKind", QMetaType::LongLong, 1},
        {"BoundsToGlyphs", QMetaType::Bool, false},
        {"CompletionAction", QMetaType::LongLong, 1},
        {"UseNotificationCenter", QMetaType::Bool, true},
        {"ShouldAutorotate", QMetaType::Bool, true},
        {"CreateIntermidiateFoldersOnConvert", QMetaType::Bool, false},
        {"KeepOriginalFileCreationDate", QMetaType::Bool, true},
        {"MinImageSize", QMetaType::Double, 0.0},
        {"MinFileSize", QMetaType::Double, 0.0},
        {"MinFileSizeUnit", QMetaType::LongLong, 1},
        {"SortKind", QMetaType::LongLong, 3},
        {"SortDirection", QMetaType::LongLong, 100},
        {"PhotoListScale", QMetaType::Double, 0.5},
        {"PathBarIsHidden", QMetaType::Bool, false},
        {"ShowMessageBeforeRemovingPhotosFromList", QMetaType::Bool, true},
        {"InfoPanelIsVisible", QMetaType::Bool, true},
        {"TreePanelIsVisible", QMetaType::Bool, true},
        {"ShowMessageAfterConverting", QMetaType::Bool, true},
        {"ShowMessageAfterMetadataEditing", QMetaType::Bool, true},
        {"ShowMessageAfterCopyOrMove", QMetaType::Bool, true},
        {"ShowMessageAfterRename", QMetaType::Bool, true},
    };
    const QVariantMap defaults = MCRegisteredDefaults::applicationDefaults();
    ASSERT_EQ(defaults.size(), 22);
    for (const Expected &entry : table) {
        SCOPED_TRACE(entry.key);
        const QVariant value = defaults.value(QString::fromLatin1(entry.key));
        EXPECT_EQ(value.typeId(), int(entry.type));
        EXPECT_EQ(value, entry.value);
    }
    const QVariantList presets = defaults.value(QStringLiteral("GroupRulePresets")).toList();
    EXPECT_FALSE(presets.isEmpty());
    EXPECT_EQ(presets, MCGroupRulePresetsManager::defaultPresets());
}

TEST(MCRegisteredDefaults, TheRenamersAndConvertersDefaultsAreMergedIn)
{
    const QVariantMap defaults = MCRegisteredDefaults::registeredDefaults();
    const QVariantMap renamer = MCBatchRenamer::userDefaultsDictionary();
    const QVariantMap converter = MCBitmapConverter::userDefaultsDictionary();
    ASSERT_TRUE(renamer.contains(QStringLiteral("RenameDefaultSettingsForCopying")));
    const QVariantMap metadata = MCMetadataConverter::userDefaultsDictionary();
    EXPECT_EQ(defaults.size(), 22 + renamer.size() + converter.size() + metadata.size());
    for (auto it = renamer.begin(); it != renamer.end(); ++it)
        EXPECT_EQ(defaults.value(it.key()), it.value()) << qPrintable(it.key());
    for (auto it = converter.begin(); it != converter.end(); ++it)
        EXPECT_EQ(defaults.value(it.key()), it.value()) << qPrintable(it.key());
    EXPECT_EQ(defaults.value(QStringLiteral("ConvertImageQuality")), 0.8);
    EXPECT_EQ(defaults.value(QStringLiteral("RenamePresetsIsDefault")), true);
    EXPECT_FALSE(defaults.contains(QStringLiteral("MetadataPresetsIsDefault")));
    // The metadata presets are installed on first use too.
    EXPECT_EQ(defaults.value(QStringLiteral("EditMetadataPresetsIsDefault")), true);
}

TEST(MCRegisteredDefaults, RegisteringKeepsTheUsersValuesAndWritesNothing)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Preferences.plist"));
    {
        MCUserDefaults defaults(path);
        MCRegisteredDefaults::registerDefaults(defaults);
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("SortDirection")), 100);
        EXPECT_TRUE(defaults.boolForKey(QStringLiteral("ShowMessageAfterRename")));
        ASSERT_TRUE(defaults.synchronize());
    }
    EXPECT_FALSE(QFile::exists(path)) << "registration wrote the settings file";

    {
        MCUserDefaults defaults(path);
        defaults.setInteger(0, QStringLiteral("AperanceKind"));
        defaults.setBool(false, QStringLiteral("ShowMessageAfterRename"));
        MCRegisteredDefaults::registerDefaults(defaults);
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("AperanceKind")), 0);
        EXPECT_FALSE(defaults.boolForKey(QStringLiteral("ShowMessageAfterRename")));
        EXPECT_DOUBLE_EQ(defaults.doubleForKey(QStringLiteral("PhotoListScale")), 0.5);
        ASSERT_TRUE(defaults.synchronize());
    }
    MCUserDefaults reread(path);
    const QVariantMap stored = reread.dictionaryRepresentation();
    EXPECT_EQ(stored.size(), 2) << "only the user's own values are in the file";
}
