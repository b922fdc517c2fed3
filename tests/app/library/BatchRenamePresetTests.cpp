#include "app/library/MCBatchRenamePreset.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

MCBatchRenameSettings pattern(const QString &literal)
{
    return MCBatchRenameSettings({QVariant(literal), MCBatchRenameToken(MCBatchRenameTokenKindIndex,
                                                                        {{kMCRenameNumberOfDigitsKey, 3}})});
}

QStringList namesOf(const QList<MCPresetRef> &presets)
{
    QStringList names;
    for (const MCPresetRef &p : presets)
        names << p->name();
    return names;
}

// Rename presets kept in a private user folder, the shipped ones read from the resources.
class RenamePresets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        presetClass = MCBatchRenamePreset::presetClass();
        presetClass.presetsFolder = [this] { return userFolder; };
    }
    QStringList filesIn(const QString &folder) const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    std::unique_ptr<MCUserDefaults> defaults = std::make_unique<MCUserDefaults>(
        QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist"));
    QString userFolder = QDir(testsupport::makeTemporaryFolder("user")).filePath("Presets/Rename");
    MCPresetClass presetClass;
};

} // namespace

TEST(RenamePreset, FileFormRoundTripAndLenientReading)
{
    const MCBatchRenamePreset original(QStringLiteral("Trip: a/b"), pattern(QStringLiteral("Trip_")));
    const QVariantMap dictionary = original.dictionaryRepresentation();
    EXPECT_EQ(dictionary.keys(), (QStringList{"Name", "Settings"}));
    EXPECT_EQ(dictionary.value("Settings").toMap(), original.renameSettings().dictionaryRepresentation());

    const auto read = MCBatchRenamePreset::presetFromDictionary(
        platform::propertyListFromData(platform::dataFromPropertyList(dictionary)).toMap());
    EXPECT_EQ(read->name(), original.name());
    EXPECT_EQ(read->renameSettings(), original.renameSettings());

    // Copies share nothing mutable.
    const auto copy = std::static_pointer_cast<MCBatchRenamePreset>(original.copyPreset());
    MCBatchRenameSettings changed = copy->renameSettings();
    std::get<MCBatchRenameToken>(changed.tokens()[1]).settings().insert(kMCRenameStartIndexKey, 5);
    copy->setRenameSettings(changed);
    EXPECT_NE(copy->renameSettings(), original.renameSettings());

    // Missing "Tokens" gives an empty pattern; a missing or foreign "Name" the empty name,
    // which still saves with both keys.
    const auto bare = MCBatchRenamePreset::presetFromDictionary({{"Name", 12}, {"Settings", QVariantMap{{"x", 1}}}});
    EXPECT_TRUE(bare->renameSettings().tokens().isEmpty());
    EXPECT_TRUE(bare->name().isEmpty());
    const QVariantMap stored = bare->dictionaryRepresentation();
    EXPECT_EQ(stored.value("Name").typeId(), QMetaType::QString);
    EXPECT_TRUE(platform::isPropertyList(stored));
}

TEST_F(RenamePresets, FirstUseInstallsTheShippedPresetsAndOnlyAdds)
{
    const QList<MCPresetRef> shipped = MCPresetManager::defaultPresetsOfClass(presetClass);
    ASSERT_GE(shipped.size(), 2);
    for (const MCPresetRef &preset : shipped)
        EXPECT_FALSE(std::static_pointer_cast<MCBatchRenamePreset>(preset)->renameSettings().tokens().isEmpty());

    // The user already has a preset named like a shipped one, with a pattern of their own.
    const QString takenName = shipped.first()->name();
    defaults->setBool(false, kMCRenamePresetsIsDefaultKey);
    {
        MCPresetManager manager(presetClass, defaults.get());
        manager.setUserPresets({MCBatchRenamePreset::presetWithName(takenName, pattern("mine"))});
        ASSERT_TRUE(manager.savePresets());
    }
    defaults->setBool(true, kMCRenamePresetsIsDefaultKey);
    MCPresetManager manager(presetClass, defaults.get());
    EXPECT_FALSE(defaults->boolForKey(kMCRenamePresetsIsDefaultKey));
    ASSERT_EQ(manager.userPresets().size(), shipped.size());
    for (const MCPresetRef &preset : manager.userPresets()) {
        if (preset->name() == takenName) {
            EXPECT_EQ(std::static_pointer_cast<MCBatchRenamePreset>(preset)->renameSettings(), pattern("mine"));
        }
    }
    const QStringList files = filesIn(userFolder);
    ASSERT_EQ(files.size(), shipped.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_EQ(files[i], QStringLiteral("%1_%2.renamepreset")
                                .arg(i + 1, 3, 10, QLatin1Char('0'))
                                .arg(manager.userPresets()[i]->name()));
}

TEST_F(RenamePresets, SafeFileNamesKeepTheUsersName)
{
    defaults->setBool(false, kMCRenamePresetsIsDefaultKey);
    const QStringList names{"a/b", "..", "tab\there", QString(200, QChar(u'日')), ""};
    {
        MCPresetManager manager(presetClass, defaults.get());
        QList<MCPresetRef> presets;
        for (const QString &name : names)
            presets << MCBatchRenamePreset::presetWithName(name, pattern(name));
        manager.setUserPresets(MCPresetManager::sortedPresets(presets));
        ASSERT_TRUE(manager.savePresets());
    }
    for (const QString &file : filesIn(userFolder)) {
        EXPECT_LE(file.toUtf8().size(), 255);
        EXPECT_TRUE(file.endsWith(".renamepreset"));
    }
    MCPresetManager reread(presetClass, defaults.get());
    QStringList expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesOf(reread.userPresets()), expected);
}
