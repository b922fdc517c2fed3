#include "PipelineTestSupport.h"

#include "app/engine/pipeline/MCConvertPreset.h"
#include "app/engine/pipeline/MCPreset.h"
#include "app/library/MCPathManager.h"
#include "app/stages/MCConvertGamma.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUndoManager.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QProcess>

using namespace pipelinetest;

namespace {

std::shared_ptr<MCConvertPreset> preset(const QString &name, QList<MCConvertStageRef> stages = {})
{
    return std::make_shared<MCConvertPreset>(name, std::nullopt, 1, 1, 0, false, 0.8, false, 0, stages);
}

QStringList namesOf(const QList<MCPresetRef> &presets)
{
    QStringList names;
    for (const MCPresetRef &p : presets)
        names << p->name();
    return names;
}

// Convert presets kept in private user and shipped folders.
class Presets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        presetClass = MCConvertPreset::presetClass();
        presetClass.presetsFolder = [this] { return userFolder; };
        presetClass.defaultPresetsFolderInBundle = [this] { return shippedFolder; };
    }
    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void writeShipped(const QString &file, const QString &name) const
    {
        ASSERT_TRUE(platform::writePropertyList(preset(name)->dictionaryRepresentation(),
                                                QDir(shippedFolder).filePath(file)));
    }

    std::unique_ptr<MCUserDefaults> defaults = makeDefaults();
    QString userFolder = QDir(testsupport::makeTemporaryFolder("user")).filePath("Presets/Convert");
    QString shippedFolder = testsupport::makeTemporaryFolder("shipped");
    MCPresetClass presetClass;
};

} // namespace

TEST_F(Presets, FirstUseInstallsTheShippedPresetsSortedAndNumbered)
{
    writeShipped("a.convertpreset", "b");
    writeShipped("b.convertpreset", "B");
    writeShipped("c.convertpreset", "Web");
    writeShipped("d.CONVERTPRESET", "Upper");
    writeShipped("e.renamepreset", "Other");
    MCPresetManager manager(presetClass, defaults.get());
    EXPECT_EQ(namesOf(manager.userPresets()), (QStringList{"B", "Web", "b"}));
    EXPECT_EQ(filesIn(userFolder),
              (QStringList{"001_B.convertpreset", "002_Web.convertpreset", "003_b.convertpreset"}));
    EXPECT_FALSE(defaults->boolForKey(kMCConvertPresetsIsDefaultKey));

    // A second manager reads the user's folder only.
    writeShipped("f.convertpreset", "Late");
    MCPresetManager again(presetClass, defaults.get());
    EXPECT_EQ(namesOf(again.userPresets()), (QStringList{"B", "Web", "b"}));
}

// A reset of the settings sets the first-run key again: installing then only adds.
TEST_F(Presets, InstallingShippedPresetsNeverRemovesTheUsersOwn)
{
    writeShipped("a.convertpreset", "Web");
    writeShipped("b.convertpreset", "Print");
    defaults->setBool(false, kMCConvertPresetsIsDefaultKey);
    {
        MCPresetManager manager(presetClass, defaults.get());
        auto mine = preset("Web");
        mine->setQuality(0.3);
        manager.setUserPresets({mine, preset("Mine")});
        ASSERT_TRUE(manager.savePresets());
    }
    defaults->removeObjectForKey(kMCConvertPresetsIsDefaultKey);
    MCPresetManager manager(presetClass, defaults.get());
    EXPECT_EQ(namesOf(manager.userPresets()), (QStringList{"Mine", "Print", "Web"}));
    EXPECT_EQ(std::static_pointer_cast<MCConvertPreset>(manager.userPresets()[2])->quality(), 0.3);
    EXPECT_EQ(filesIn(userFolder).size(), 3);
}

TEST_F(Presets, SavingReplacesTheKindsFilesOnly)
{
    MCPresetManager manager(presetClass, defaults.get());
    manager.setUserPresets({preset("A"), preset("B"), preset("C")});
    ASSERT_TRUE(manager.savePresets());
    for (const char *other : {"notes.txt", "x.CONVERTPRESET"}) {
        QFile file(QDir(userFolder).filePath(other));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QList<MCPresetRef> presets = manager.userPresets();
    presets.removeAt(1);
    manager.setUserPresets(presets);
    ASSERT_TRUE(manager.savePresets());
    EXPECT_EQ(filesIn(userFolder),
              (QStringList{"001_A.convertpreset", "002_C.convertpreset", "notes.txt", "x.CONVERTPRESET"}));
    MCPresetManager reread(presetClass, defaults.get());
    EXPECT_EQ(namesOf(reread.userPresets()), (QStringList{"A", "C"}));
}

TEST_F(Presets, AFailedWriteRemovesNothing)
{
    MCPresetManager manager(presetClass, defaults.get());
    manager.setUserPresets({preset("A"), preset("B")});
    ASSERT_TRUE(manager.savePresets());
    // The second file's place is taken by a folder, so its write fails.
    manager.setUserPresets({preset("A"), preset("Blocked"), preset("B")});
    ASSERT_TRUE(QDir().mkpath(QDir(userFolder).filePath("002_Blocked.convertpreset")));
    MCError error;
    EXPECT_FALSE(manager.savePresets(&error));
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(QFile::exists(QDir(userFolder).filePath("002_B.convertpreset")));
    MCPresetManager reread(presetClass, defaults.get());
    EXPECT_EQ(namesOf(reread.userPresets()), (QStringList{"A", "B"}));
}

namespace {

// A preset whose file dictionary a property list cannot hold, so writing it fails.
class UnwritablePreset : public MCPreset
{
public:
    QString name() const override { return QStringLiteral("Unwritable"); }
    void setName(const QString &) override {}
    QVariantMap dictionaryRepresentation() const override { return {{"name", name()}, {"where", QPoint(1, 2)}}; }
    MCPresetRef copyPreset() const override { return std::make_shared<UnwritablePreset>(); }
};

QStringList stagingFoldersIn(const QString &folder)
{
    return QDir(folder).entryList({".quillonx-presets-*"}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// A save that fails part-way changes nothing: the earlier files are all there, no new one is,
// and the next start reads every preset once.
TEST_F(Presets, AFailedSaveLeavesTheEarlierSetExactly)
{
    MCPresetManager manager(presetClass, defaults.get());
    manager.setUserPresets({preset("A"), preset("B")});
    ASSERT_TRUE(manager.savePresets());
    manager.setUserPresets({preset("New"), preset("A"), preset("B"), std::make_shared<UnwritablePreset>()});
    MCError error;
    EXPECT_FALSE(manager.savePresets(&error));
    EXPECT_FALSE(error.isNull());
    EXPECT_EQ(filesIn(userFolder), (QStringList{"001_A.convertpreset", "002_B.convertpreset"}));
    EXPECT_TRUE(stagingFoldersIn(userFolder).isEmpty());
    MCPresetManager reread(presetClass, defaults.get());
    EXPECT_EQ(namesOf(reread.userPresets()), (QStringList{"A", "B"}));
}

// A name a file can hold only in part (a control character, "/") never makes saves fail:
// the file name is made safe and the name inside the file keeps everything storable.
TEST_F(Presets, OddNamesNeverBlockLaterSaves)
{
    MCPresetManager manager(presetClass, defaults.get());
    const QString odd = QStringLiteral("bad") + QChar(1) + QStringLiteral("/x");
    manager.setUserPresets({preset("New"), preset("A"), preset("B"), preset(odd)});
    ASSERT_TRUE(manager.savePresets());
    EXPECT_EQ(filesIn(userFolder), (QStringList{"001_New.convertpreset", "002_A.convertpreset", "003_B.convertpreset",
                                                "004_bad__x.convertpreset"}));
    manager.setUserPresets({preset("A"), preset(odd)});
    ASSERT_TRUE(manager.savePresets());
    MCPresetManager reread(presetClass, defaults.get());
    EXPECT_EQ(namesOf(reread.userPresets()), (QStringList{"A", QStringLiteral("bad\uFFFD/x")}));
    EXPECT_TRUE(stagingFoldersIn(userFolder).isEmpty());
}

// A save whose process died part-way is finished by the next reader: carried through when
// every new file had been written (the list of them exists), dropped otherwise.
TEST_F(Presets, AnInterruptedSaveIsFinishedFromWhatItLeft)
{
    QProcess ended;
    ended.start("true");
    ASSERT_TRUE(ended.waitForStarted(10000));
    const qint64 deadPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished(10000));
    for (const bool complete : {true, false}) {
        SCOPED_TRACE(complete ? "complete" : "incomplete");
        QDir(userFolder).removeRecursively();
        {
            MCPresetManager manager(presetClass, defaults.get());
            manager.setUserPresets({preset("A"), preset("B")});
            ASSERT_TRUE(manager.savePresets());
        }
        // As a killed save leaves it: the new set staged, one earlier file already set aside.
        const QString staging = QDir(userFolder).filePath(QStringLiteral(".quillonx-presets-%1-abcdef").arg(deadPid));
        ASSERT_TRUE(QDir().mkpath(staging + "/new") && QDir().mkpath(staging + "/previous"));
        ASSERT_TRUE(platform::writePropertyList(preset("C")->dictionaryRepresentation(), staging + "/new/001_C.convertpreset"));
        ASSERT_TRUE(QFile::rename(QDir(userFolder).filePath("001_A.convertpreset"), staging + "/previous/001_A.convertpreset"));
        if (complete) {
            QFile manifest(staging + "/manifest");
            ASSERT_TRUE(manifest.open(QIODevice::WriteOnly));
            manifest.write("001_C.convertpreset\n");
        } else {
            ASSERT_TRUE(QFile::rename(staging + "/previous/001_A.convertpreset", QDir(userFolder).filePath("001_A.convertpreset")));
        }
        MCPresetManager reread(presetClass, defaults.get());
        EXPECT_EQ(namesOf(reread.userPresets()), (complete ? QStringList{"C"} : QStringList{"A", "B"}));
        EXPECT_TRUE(stagingFoldersIn(userFolder).isEmpty());
    }
}

TEST_F(Presets, NamesAreMadeSafeForFileNamesAndReadBackIntact)
{
    const QString longName = QString(300, QChar(u'é'));
    const QStringList names{"a/b", ".hidden", "tab\tin", "..", longName, "", "Ok"};
    MCPresetManager manager(presetClass, defaults.get());
    QList<MCPresetRef> presets;
    for (const QString &name : names)
        presets << preset(name);
    manager.setUserPresets(presets);
    ASSERT_TRUE(manager.savePresets());
    const QStringList files = filesIn(userFolder);
    ASSERT_EQ(files.size(), names.size());
    for (const QString &file : files) {
        EXPECT_FALSE(file.startsWith('.'));
        EXPECT_LE(file.toUtf8().size(), 255);
        EXPECT_TRUE(file.endsWith(".convertpreset"));
    }
    EXPECT_EQ(manager.fileNameForPreset(*preset("a/b"), 1), "001_a_b.convertpreset");
    EXPECT_EQ(manager.fileNameForPreset(*preset(".hidden"), 12), "012__hidden.convertpreset");
    EXPECT_EQ(manager.fileNameForPreset(*preset(QString("nul") + QChar(0) + "in"), 3), "003_nul_in.convertpreset");
    MCPresetManager reread(presetClass, defaults.get());
    QStringList expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesOf(reread.userPresets()), expected);
}

TEST(ConvertPreset, FileDictionaryRoundTripAndDroppedStages)
{
    auto g = std::make_shared<MCConvertGamma>();
    g->setGamma(1.7);
    MCConvertPreset original("Web", MCBatchRenameSettings(), 5, 2, 1, true, 0.65, true, 2,
                             {g, std::make_shared<MCConvertGamma>()});
    QVariantMap dictionary = original.dictionaryRepresentation();
    EXPECT_EQ(dictionary.value("format").toInt(), 5);
    EXPECT_EQ(dictionary.value("TIFFCompression").toInt(), 2);
    EXPECT_TRUE(dictionary.contains("renameSettings"));
    QVariantList stages = dictionary.value("stages").toList();
    stages.insert(1, QVariantMap{{"stageID", 1000}});
    dictionary.insert("stages", stages);

    auto read = MCConvertPreset::presetFromDictionary(
        platform::propertyListFromData(platform::dataFromPropertyList(dictionary)).toMap());
    EXPECT_EQ(read->name(), "Web");
    EXPECT_EQ(read->format(), 5u);
    EXPECT_EQ(read->colorModel(), 2);
    EXPECT_EQ(read->colorDepth(), 1);
    EXPECT_TRUE(read->hasAlpha());
    EXPECT_EQ(read->quality(), 0.65);
    EXPECT_TRUE(read->embedThumbnail());
    EXPECT_EQ(read->TIFFCompression(), 2);
    EXPECT_TRUE(read->renameSettings());
    ASSERT_EQ(read->stages().size(), 2);
    EXPECT_TRUE(read->stages()[0]->isEqual(*g));

    // No stages: no key, and an empty list back. Missing values read 0.
    const QVariantMap bare = preset("Empty")->dictionaryRepresentation();
    EXPECT_FALSE(bare.contains("stages"));
    EXPECT_FALSE(bare.contains("renameSettings"));
    auto empty = MCConvertPreset::presetFromDictionary({});
    EXPECT_TRUE(empty->stages().isEmpty());
    EXPECT_EQ(empty->quality(), 0.0);
    EXPECT_TRUE(empty->name().isEmpty());

    // Copies carry copies of the stages.
    auto copy = std::static_pointer_cast<MCConvertPreset>(original.copyPreset());
    EXPECT_NE(copy->stages()[0], g);
    EXPECT_TRUE(copy->stages()[0]->isEqual(*g));
    EXPECT_NE(copy->stages()[0]->uuid(), g->uuid());
}

TEST(ConvertPreset, ApplyingToAConverterIsOneUndoableChange)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    MCConvertPreset web("Web", std::nullopt, 4, 0, 1, true, 0.5, false, 1, {std::make_shared<MCConvertGamma>()});
    web.applyToConverter(converter);
    EXPECT_EQ(converter.imageFormat(), 4u);
    EXPECT_EQ(converter.imageColorModel(), 0);
    ASSERT_EQ(converter.numberOfStages(), 1);
    EXPECT_NE(converter.stageAtIndex(0), web.stages()[0]);
    QCoreApplication::processEvents();
    converter.undoManager()->undo();
    EXPECT_EQ(converter.imageFormat(), 1u);
    EXPECT_EQ(converter.numberOfStages(), 0);
    EXPECT_FALSE(converter.undoManager()->canUndo());
}

TEST(ConvertPreset, ShippedPresetsRead)
{
    auto defaults = makeDefaults();
    MCPresetClass shipped = MCConvertPreset::presetClass();
    const QString user = testsupport::makeTemporaryFolder("shipped-user");
    shipped.presetsFolder = [user] { return user; };
    MCPresetManager manager(shipped, defaults.get());
    EXPECT_GE(manager.userPresets().size(), 3);
    EXPECT_EQ(manager.defaultPresets().size(), manager.userPresets().size());
    for (const MCPresetRef &p : manager.userPresets())
        EXPECT_FALSE(p->name().isEmpty());
}

// A file that is not a preset is skipped on reading, and a save (also the one that installs
// the shipped presets) sets it aside intact instead of replacing it with the kind's files.
TEST_F(Presets, DamagedFilesAreSkippedAndSetAside)
{
    writeShipped("a.convertpreset", "Web");
    ASSERT_TRUE(QDir().mkpath(userFolder));
    const QByteArray half = "<?xml version=\"1.0\"?><plist><dict><key>name</key>";
    const QByteArray list = platform::dataFromPropertyList(QVariantList{1});
    const auto write = [this](const char *name, const QByteArray &data) {
        QFile file(QDir(userFolder).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    };
    write("000_Half.convertpreset", half);
    write("009_List.convertpreset", list);
    MCPresetManager manager(presetClass, defaults.get());
    EXPECT_EQ(namesOf(manager.userPresets()), (QStringList{"Web"}));
    manager.setUserPresets({preset("A"), preset("B")});
    ASSERT_TRUE(manager.savePresets());
    EXPECT_EQ(filesIn(userFolder), (QStringList{"000_Half.convertpreset.damaged", "001_A.convertpreset",
                                                "002_B.convertpreset", "009_List.convertpreset.damaged"}));
    QFile kept(QDir(userFolder).filePath("000_Half.convertpreset.damaged"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), half);

    // A damaged file appearing again next to an earlier one set aside gets a free name.
    write("000_Half.convertpreset", half);
    MCPresetManager again(presetClass, defaults.get());
    EXPECT_EQ(namesOf(again.userPresets()), (QStringList{"A", "B"}));
    ASSERT_TRUE(again.savePresets());
    EXPECT_TRUE(QFile::exists(QDir(userFolder).filePath("000_Half.convertpreset 2.damaged")));
    EXPECT_FALSE(QFile::exists(QDir(userFolder).filePath("000_Half.convertpreset")));
}
