#include "app/metadata/MCEditMetadataPreset.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/metadata/MCMetadataConverter.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList namesOf(const QList<MCPresetRef> &presets)
{
    QStringList names;
    for (const MCPresetRef &preset : presets)
        names << preset->name();
    return names;
}

template <typename Stage> std::shared_ptr<Stage> make()
{
    return std::static_pointer_cast<Stage>(MCEditMetadataStage::editMetadataStageWithID(Stage::StageID));
}

// Metadata presets in a private user folder; the shipped ones are the application's own.
class MetadataPresets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        presetClass = MCEditMetadataPreset::presetClass();
        presetClass.presetsFolder = [this] { return userFolder; };
        defaults->registerDefaults(MCMetadataConverter::userDefaultsDictionary());
    }
    QStringList filesIn(const QString &folder) const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    QString root = testsupport::makeTemporaryFolder("metadata-presets");
    std::unique_ptr<MCUserDefaults> defaults = std::make_unique<MCUserDefaults>(root + "/Preferences.plist");
    QString userFolder = root + "/Presets/Metadata";
    MCPresetClass presetClass;
};

} // namespace

TEST_F(MetadataPresets, FirstUseInstallsTheShippedPresetsAndSavingRoundTrips)
{
    EXPECT_EQ(presetClass.presetFileExtension, "metadatapreset");
    EXPECT_EQ(presetClass.keyIsDefaultPresets, "EditMetadataPresetsIsDefault");
    EXPECT_TRUE(defaults->boolForKey(kMCEditMetadataPresetsIsDefaultKey));
    MCPresetManager manager(presetClass, defaults.get());
    EXPECT_EQ(namesOf(manager.userPresets()), (QStringList{"Rebuild Metadata", "Remove Private Tags"}));
    EXPECT_EQ(filesIn(userFolder),
              (QStringList{"001_Rebuild Metadata.metadatapreset", "002_Remove Private Tags.metadatapreset"}));
    EXPECT_FALSE(defaults->boolForKey(kMCEditMetadataPresetsIsDefaultKey));
    auto shipped = std::static_pointer_cast<MCEditMetadataPreset>(manager.userPresets()[1]);
    ASSERT_EQ(shipped->stages().size(), 1);
    EXPECT_TRUE(shipped->stages()[0]->isEqual(*make<MCEditMetadataRemovePrivateTags>()));

    // A user preset whose name cannot be a file name as it is; an empty one.
    auto gps = make<MCEditMetadataSetGPS>();
    gps->setLatitude(12.5);
    auto keywords = make<MCEditMetadataAddKeyword>();
    keywords->setKeywords("Smith, John");
    QList<MCPresetRef> presets = manager.userPresets();
    presets << MCEditMetadataPreset::presetWithName("Trip/2024", {gps, keywords})
            << MCEditMetadataPreset::presetWithName("Empty", {});
    manager.setUserPresets(MCPresetManager::sortedPresets(presets));
    ASSERT_TRUE(manager.savePresets());
    EXPECT_EQ(filesIn(userFolder),
              (QStringList{"001_Empty.metadatapreset", "002_Rebuild Metadata.metadatapreset",
                           "003_Remove Private Tags.metadatapreset", "004_Trip_2024.metadatapreset"}));
    const QVariantMap emptyFile = platform::readPropertyList(userFolder + "/001_Empty.metadatapreset").toMap();
    EXPECT_EQ(emptyFile, (QVariantMap{{"name", "Empty"}})); // no "stages" entry

    MCPresetManager again(presetClass, defaults.get());
    ASSERT_EQ(again.userPresets().size(), 4);
    auto trip = std::static_pointer_cast<MCEditMetadataPreset>(again.userPresets()[3]);
    EXPECT_EQ(trip->name(), "Trip/2024"); // the name inside the file is kept as it is
    EXPECT_TRUE(trip->hasSameStagesAs({gps, keywords}));
    EXPECT_TRUE(std::static_pointer_cast<MCEditMetadataPreset>(again.userPresets()[0])->stages().isEmpty());
}

TEST_F(MetadataPresets, UnknownStagesAreDroppedAndCopiesShareNoStage)
{
    const QVariantMap file{
        {"name", "Mixed"},
        {"stages", QVariantList{QVariantMap{{"stageID", 6}, {"rating", 2}}, QVariantMap{{"stageID", 42}}, "junk",
                                QVariantMap{{"stageID", 7}}}},
    };
    auto preset = MCEditMetadataPreset::presetFromDictionary(file);
    ASSERT_EQ(preset->stages().size(), 2);
    EXPECT_EQ(preset->stages()[0]->stageID(), 6);
    EXPECT_EQ(std::static_pointer_cast<MCEditMetadataSetRating>(preset->stages()[0])->rating(), 2);
    // A missing option reads as zero, not as the default.
    EXPECT_FALSE(std::static_pointer_cast<MCEditMetadataSetGPS>(preset->stages()[1])->setsOnlyIfMissing());

    auto copy = std::static_pointer_cast<MCEditMetadataPreset>(preset->copyPreset());
    EXPECT_EQ(copy->name(), "Mixed");
    ASSERT_EQ(copy->stages().size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(copy->stages()[i], preset->stages()[i]);
        EXPECT_TRUE(copy->stages()[i]->isEqual(*preset->stages()[i]));
    }
    // Made from a list, a preset holds those very stages.
    auto rating = make<MCEditMetadataSetRating>();
    EXPECT_EQ(MCEditMetadataPreset::presetWithName("R", {rating})->stages()[0], rating);

    // Applying sets copies as the converter's list, one undoable change.
    MCMetadataConverter converter(defaults.get());
    converter.addStage(make<MCEditMetadataRebuildMetadata>());
    QCoreApplication::processEvents();
    preset->applyToConverter(converter);
    QCoreApplication::processEvents();
    EXPECT_TRUE(preset->hasSameStagesAs(converter.allStages()));
    EXPECT_NE(converter.stageAtIndex(0), preset->stages()[0]);
    converter.undoManager()->undo();
    EXPECT_EQ(converter.numberOfStages(), 1);
    EXPECT_EQ(converter.stageAtIndex(0)->stageID(), MCEditMetadataRebuildMetadata::StageID);
}
