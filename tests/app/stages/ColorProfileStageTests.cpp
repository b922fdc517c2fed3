// The colour-profile stages (Convert, Assign, Proof): their lists of installed profiles, the
// choice that follows the output colour model, stored form, predictions, the work on the
// pixels and the metadata, and what happens when the chosen file is gone.
#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/stages/MCConvertColorProfile.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestProfiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <thread>

namespace {

template <typename Stage> std::shared_ptr<Stage> make()
{
    auto stage = std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
    if (!stage)
        ADD_FAILURE() << "no stage for ID " << Stage::StageID;
    return stage;
}

// A small sRGB picture with a spread of colours, opaque.
std::unique_ptr<MCBitmap> photo()
{
    const int width = 8, height = 4;
    QByteArray data(width * height * 4, char(255));
    for (int i = 0; i < width * height; ++i) {
        data[4 * i] = char((i * 37) % 256);
        data[4 * i + 1] = char((i * 91 + 40) % 256);
        data[4 * i + 2] = char(255 - (i * 23) % 256);
    }
    return MCBitmap::createWithCGImage(CGImage::create(width, height, 8, 32, width * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kCGImageAlphaLast, data));
}

QByteArray pixels(MCBitmap &bitmap)
{
    if (!bitmap.useImageBuffer())
        return {};
    const vImage_Buffer &buffer = bitmap.imageBuffer();
    QByteArray bytes;
    const size_t rowLength = buffer.width * bitmap.bitsPerPixel() / 8;
    for (size_t row = 0; row < buffer.height; ++row)
        bytes.append(static_cast<const char *>(buffer.data) + row * buffer.rowBytes, qsizetype(rowLength));
    return bytes;
}

QStringList listedNames(const MCColorProfileStage &stage)
{
    QStringList names;
    for (quint64 i = 0; i < stage.numberOfProfiles(); ++i)
        names.append(stage.profileNameAtIndex(i));
    return names;
}

// Installs a handful of profiles as the machine's only ones (our resource folder, with its
// one CMYK profile, is scanned too).
class ColorProfileStages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = testsupport::makeTemporaryFolder(QStringLiteral("icc"));
        const struct
        {
            const char *file;
            const QString &space;
            const char *description;
            uint32_t profileClass;
        } profiles[] = {
            {"zeta.icc", kCGColorSpaceSRGB, "zeta RGB", 0},
            {"adobe.icc", kCGColorSpaceAdobeRGB1998, "Alpha RGB", 0},
            {"p3.icc", kCGColorSpaceDisplayP3, "beta RGB", 0},
            {"nameless.icc", kCGColorSpaceSRGB, "", 0},
            {"link.icc", kCGColorSpaceSRGB, "RGB link", kColorSyncSigLinkClass},
            {"named.icc", kCGColorSpaceSRGB, "RGB named colours", kColorSyncSigNamedColorClass},
            {"gray.icc", kCGColorSpaceGenericGrayGamma2_2, "Gray 2.2", 0},
            {"press.icc", kCGColorSpaceGenericCMYK, "Press CMYK", 0},
            {"lab.icc", kCGColorSpaceGenericLab, "Lab space", kColorSyncSigAbstractClass},
        };
        for (const auto &p : profiles)
            ASSERT_TRUE(testsupport::writeProfile(path(p.file), p.space, p.description, p.profileClass)) << p.file;
        ColorSyncProfileCatalogue::setSystemFolders(QStringList{folder});
    }
    void TearDown() override { ColorSyncProfileCatalogue::setSystemFolders(std::nullopt); }

    QString path(const char *file) const { return folder + QLatin1Char('/') + QLatin1String(file); }
    // Our own CMYK profile, always listed.
    static QString ourCMYKName() { return CGColorSpace::createWithName(kCGColorSpaceGenericCMYK)->profileDescription(); }

    QString folder;
};

} // namespace

// ---------------------------------------------------------------- the lists

TEST_F(ColorProfileStages, ListsFollowTheTargetModelSortedByDescription)
{
    struct Case
    {
        qint64 model;
        QStringList convertAndAssign;
    };
    const Case cases[] = {
        {0, {"Gray 2.2"}},
        {1, {"Alpha RGB", "beta RGB", "zeta RGB"}},
        {2, {ourCMYKName(), "Press CMYK"}},
        {3, {"Lab space"}},
        // Outside 0 to 3 every colour space is listed (still no link, named or nameless one).
        {-1, {"Alpha RGB", "beta RGB", ourCMYKName(), "Gray 2.2", "Lab space", "Press CMYK", "zeta RGB"}},
    };
    for (const Case &c : cases) {
        QStringList expected = c.convertAndAssign;
        expected.sort(Qt::CaseInsensitive);
        auto convert = make<MCConvertColorProfile>();
        auto assign = make<MCConvertAssignProfile>();
        auto proof = make<MCConvertProofProfile>();
        for (MCConvertStage *stage : {static_cast<MCConvertStage *>(convert.get()), static_cast<MCConvertStage *>(assign.get()),
                                      static_cast<MCConvertStage *>(proof.get())})
            stage->setTargetColorModel(c.model);
        EXPECT_EQ(listedNames(*convert), expected) << c.model;
        EXPECT_EQ(listedNames(*assign), expected) << c.model;
        // Proof lists every profile of the four models, whatever the target.
        EXPECT_EQ(listedNames(*proof), cases[4].convertAndAssign) << c.model;
    }

    auto convert = make<MCConvertColorProfile>();
    EXPECT_EQ(convert->profileURLAtIndex(0), QFileInfo(path("adobe.icc")).canonicalFilePath());
    EXPECT_THROW(convert->profileNameAtIndex(3), std::out_of_range);
    EXPECT_FALSE(convert->isProfileVisible(nullptr));
}

// ---------------------------------------------------------------- the choice

TEST_F(ColorProfileStages, EntryZeroIsChosenOnFirstReadAndAModelChangeDropsTheChoice)
{
    auto undo = std::make_shared<MCUndoManager>();
    auto stage = make<MCConvertColorProfile>();
    stage->setUndoManager(undo);
    QStringList notices;
    const auto record = [&](MCObservable &, const QString &key, const MCKeyValueChange &change) {
        notices.append((change.isPrior ? "will " : "did ") + key);
    };
    MCObservation urlToken = stage->observe(MCColorProfileStage::kColorProfileURLKey, record,
                                            MCKeyValueObservingOptionPrior | MCKeyValueObservingOptionNew);
    MCObservation nameToken = stage->observe(MCColorProfileStage::kColorProfileNameKey, record,
                                             MCKeyValueObservingOptionPrior | MCKeyValueObservingOptionNew);

    // Nothing read yet: nothing stored, nothing converted.
    EXPECT_TRUE(stage->storedColorProfileURL().isEmpty());
    auto bitmap = photo();
    const QByteArray before = pixels(*bitmap);
    QVariantMap metadata;
    EXPECT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(pixels(*bitmap), before);
    EXPECT_TRUE(metadata.isEmpty());

    // The first read chooses entry 0, silently and without an undo step.
    EXPECT_EQ(stage->colorProfileURL(), QFileInfo(path("adobe.icc")).canonicalFilePath());
    EXPECT_EQ(stage->colorProfileName(), "Alpha RGB");
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_FALSE(undo->canUndo());

    // A new output model drops file, list and name, announced in this order, with no undo.
    stage->setTargetColorModel(2);
    EXPECT_EQ(notices, (QStringList{"will colorProfileURL", "will colorProfileName", "did colorProfileName",
                                    "did colorProfileURL"}));
    EXPECT_FALSE(undo->canUndo());
    EXPECT_TRUE(stage->storedColorProfileURL().isEmpty());
    EXPECT_EQ(stage->colorProfileName(), "No profile");
    // The next read picks entry 0 of the CMYK list.
    EXPECT_EQ(listedNames(*stage), (QStringList{ourCMYKName(), "Press CMYK"}));
    EXPECT_EQ(stage->colorProfileURL(), stage->profileURLAtIndex(0));
    EXPECT_EQ(stage->colorProfileName(), ourCMYKName());

    // The same model again changes nothing.
    notices.clear();
    stage->setTargetColorModel(2);
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_FALSE(stage->storedColorProfileURL().isEmpty());

    // Choosing is undoable and renames.
    stage->setColorProfileURL(path("press.icc"));
    EXPECT_EQ(stage->colorProfileName(), "Press CMYK");
    EXPECT_TRUE(undo->canUndo());

    // Proof keeps its choice whatever the model.
    auto proof = make<MCConvertProofProfile>();
    proof->setColorProfileURL(path("gray.icc"));
    proof->setTargetColorModel(2);
    EXPECT_EQ(proof->storedColorProfileURL(), path("gray.icc"));
}

TEST_F(ColorProfileStages, WithoutProfilesOfTheModelNothingIsChosenOrChanged)
{
    ColorSyncProfileCatalogue::setSystemFolders(QStringList{testsupport::makeTemporaryFolder(QStringLiteral("none"))});
    auto stage = make<MCConvertColorProfile>();
    stage->setTargetColorModel(0); // our resources hold no gray profile
    EXPECT_EQ(stage->numberOfProfiles(), 0u);
    EXPECT_TRUE(stage->colorProfileURL().isEmpty());
    EXPECT_EQ(stage->colorProfileName(), "No profile");
    EXPECT_EQ(stage->colorProfileNameForName("sRGB IEC61966-2.1"), "No profile");
    auto bitmap = photo();
    const QByteArray before = pixels(*bitmap);
    QVariantMap metadata{{"DPIWidth", 72}};
    EXPECT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(pixels(*bitmap), before);
    EXPECT_EQ(metadata, (QVariantMap{{"DPIWidth", 72}}));
}

// ---------------------------------------------------------------- stored form, copy, equality

TEST_F(ColorProfileStages, StoredFormKeepsTheChoiceWhenTheModelMatches)
{
    auto stage = make<MCConvertColorProfile>();
    stage->setTargetColorModel(2);
    stage->setColorProfileURL(path("press.icc"));
    stage->setRenderingIntent(3);
    stage->setBlackPointCompensation(true);
    const QVariantMap stored = stage->dictionaryRepresentation();
    EXPECT_EQ(stored.value("stageID").toLongLong(), 8);
    EXPECT_EQ(stored.value("targetColorModel").toLongLong(), 2);
    EXPECT_EQ(stored.value("renderingIntent").toLongLong(), 3);
    EXPECT_EQ(stored.value("blackPointCompensation").toBool(), true);
    EXPECT_EQ(stored.value("colorProfileURL").typeId(), QMetaType::QByteArray);

    auto read = std::dynamic_pointer_cast<MCConvertColorProfile>(MCConvertStage::stageWithDictionary(stored));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->isEqual(*stage));
    EXPECT_EQ(read->storedColorProfileURL(), path("press.icc"));
    EXPECT_TRUE(read->blackPointCompensation());

    // Added to a converter of the same model it keeps its profile; of another it loses it.
    for (qint64 model : {2, 1}) {
        MCUserDefaults defaults(testsupport::makeTemporaryFolder(QStringLiteral("defaults")) + "/Preferences.plist");
        MCBitmapConverter converter(&defaults);
        converter.setImageColorModel(model);
        auto added = MCConvertStage::stageWithDictionary(stored);
        converter.addStage(added);
        EXPECT_EQ(std::static_pointer_cast<MCColorProfileStage>(added)->storedColorProfileURL().isEmpty(), model != 2);
    }

    // Assign stores no intent; Proof no model; neither stores a file that is not chosen.
    const QVariantMap assign = make<MCConvertAssignProfile>()->dictionaryRepresentation();
    EXPECT_EQ(QStringList(assign.keys()),
              (QStringList{"stageID", "stageIsActive", "stageIsExpanded", "targetColorModel"}));
    const QVariantMap proof = make<MCConvertProofProfile>()->dictionaryRepresentation();
    EXPECT_EQ(QStringList(proof.keys()), (QStringList{"blackPointCompensation", "renderingIntent", "stageID",
                                                      "stageIsActive", "stageIsExpanded"}));
    // A missing model reads 0 (gray).
    auto bare = MCConvertStage::stageWithDictionary({{"stageID", 34}});
    EXPECT_EQ(bare->targetColorModel(), 0);
}

TEST_F(ColorProfileStages, EqualityAndHashIgnoreCompensationButNotIntentOrFile)
{
    auto a = make<MCConvertColorProfile>();
    auto b = make<MCConvertColorProfile>();
    a->setColorProfileURL(path("adobe.icc"));
    b->setColorProfileURL(path("adobe.icc"));
    b->setBlackPointCompensation(true);
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_EQ(a->hash(), b->hash());

    b->setRenderingIntent(2);
    EXPECT_FALSE(a->isEqual(*b));
    // The intent sits 8 bits up, sign-extended from 32 bits.
    b->setRenderingIntent(-1);
    EXPECT_EQ(a->hash() ^ b->hash(), 0xFFFFFFFFFFFFFF00ull);

    b->setRenderingIntent(0);
    b->setColorProfileURL(path("p3.icc"));
    EXPECT_FALSE(a->isEqual(*b));

    // A copy shares the loaded profile and keeps the caches.
    ASSERT_TRUE(a->colorProfile());
    auto copy = std::static_pointer_cast<MCConvertColorProfile>(a->copy());
    EXPECT_TRUE(copy->isEqual(*a));
    EXPECT_EQ(copy->colorProfile(), a->colorProfile());
    EXPECT_EQ(copy->colorProfileName(), "Alpha RGB");

    auto assign = make<MCConvertAssignProfile>();
    auto other = make<MCConvertAssignProfile>();
    other->setColorProfileURL(path("zeta.icc"));
    EXPECT_FALSE(assign->isEqual(*other));
    EXPECT_EQ(assign->hash(), other->hash()); // Assign keeps the skeleton's hash
}

// ---------------------------------------------------------------- predictions

TEST_F(ColorProfileStages, TheLaterActiveStageNamesTheOutputProfile)
{
    MCUserDefaults defaults(testsupport::makeTemporaryFolder(QStringLiteral("defaults")) + "/Preferences.plist");
    MCBitmapConverter converter(&defaults);
    auto convert = make<MCConvertColorProfile>();
    auto assign = make<MCConvertAssignProfile>();
    auto proof = make<MCConvertProofProfile>();
    converter.addStagesFromArray({assign, convert, proof});
    convert->setColorProfileURL(path("zeta.icc"));
    assign->setColorProfileURL(path("p3.icc"));
    proof->setColorProfileURL(path("press.icc"));

    EXPECT_EQ(converter.colorProfileNameForOriginalName("Camera RGB", kCGImagePropertyColorModelRGB), "zeta RGB");
    convert->setActive(false);
    EXPECT_EQ(converter.colorProfileNameForOriginalName("Camera RGB", kCGImagePropertyColorModelRGB), "beta RGB");
    assign->setActive(false);
    EXPECT_EQ(converter.colorProfileNameForOriginalName("Camera RGB", kCGImagePropertyColorModelRGB), "Camera RGB");
    // A file that is no profile names nothing.
    assign->setActive(true);
    assign->setColorProfileURL(path("missing.icc"));
    EXPECT_EQ(converter.colorProfileNameForOriginalName("Camera RGB", kCGImagePropertyColorModelRGB), "No profile");
}

// ---------------------------------------------------------------- the work

TEST_F(ColorProfileStages, ConvertAssignAndProofDoTheirOwnWork)
{
    const CGColorSpaceRef sRGB = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    {
        auto convert = make<MCConvertColorProfile>();
        convert->setTargetColorModel(2);
        convert->setColorProfileURL(path("press.icc"));
        convert->setRenderingIntent(kCGRenderingIntentRelativeColorimetric);
        auto bitmap = photo();
        QVariantMap metadata;
        ASSERT_TRUE(convert->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_EQ(bitmap->colorSpace()->model(), kCGColorSpaceModelCMYK);
        EXPECT_EQ(bitmap->colorSpace()->profileDescription(), "Press CMYK");
        EXPECT_EQ(bitmap->assignedColorSpace(), bitmap->colorSpace());
        EXPECT_EQ(metadata.value(kCGImagePropertyProfileName), "Press CMYK");
    }
    {
        auto assign = make<MCConvertAssignProfile>();
        assign->setColorProfileURL(path("adobe.icc"));
        auto bitmap = photo();
        const QByteArray before = pixels(*bitmap);
        QVariantMap metadata;
        ASSERT_TRUE(assign->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_EQ(pixels(*bitmap), before);
        EXPECT_TRUE(CGColorSpaceEqualToColorSpace(bitmap->colorSpace(), sRGB));
        ASSERT_TRUE(bitmap->assignedColorSpace());
        EXPECT_EQ(bitmap->assignedColorSpace()->profileDescription(), "Alpha RGB");
        EXPECT_EQ(metadata.value(kCGImagePropertyProfileName), "Alpha RGB");
    }
    {
        // Proofing through a small gamut changes saturated colours but not the space; the name
        // is written only once the proof has succeeded.
        auto proof = make<MCConvertProofProfile>();
        proof->setColorProfileURL(path("press.icc"));
        auto bitmap = photo();
        const QByteArray before = pixels(*bitmap);
        QVariantMap metadata;
        ASSERT_TRUE(proof->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_NE(pixels(*bitmap), before);
        EXPECT_TRUE(CGColorSpaceEqualToColorSpace(bitmap->colorSpace(), sRGB));
        EXPECT_EQ(metadata.value(kCGImagePropertyProfileName), "Press CMYK");

        proof->setRenderingIntent(9); // no intent the bitmap knows: the proof fails
        auto failing = photo();
        QVariantMap untouched{{"DPIWidth", 72}};
        EXPECT_FALSE(proof->convertBitmap(failing.get(), untouched, nullptr, nullptr));
        EXPECT_EQ(untouched, (QVariantMap{{"DPIWidth", 72}}));
    }
    {
        // Switched off, nothing happens even with a file that does not exist.
        auto convert = make<MCConvertColorProfile>();
        convert->setColorProfileURL(path("missing.icc"));
        convert->setActive(false);
        auto bitmap = photo();
        QVariantMap metadata;
        EXPECT_TRUE(convert->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_TRUE(metadata.isEmpty());
        EXPECT_EQ(convert->colorProfileNameForName("Camera RGB"), "Camera RGB");
    }
}

TEST_F(ColorProfileStages, AChosenProfileThatCannotBeReadFailsAndNamesTheFile)
{
    ASSERT_TRUE(QFile::copy(path("press.icc"), path("gone.icc")));
    QFile garbage(path("garbage.icc"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(200, 'x'));
    garbage.close();

    for (qint64 id : {MCConvertColorProfile::StageID, MCConvertAssignProfile::StageID, MCConvertProofProfile::StageID}) {
        for (const char *file : {"gone.icc", "garbage.icc", "lab.icc"}) {
            SCOPED_TRACE(QStringLiteral("stage %1, %2").arg(id).arg(file).toStdString());
            auto stage = std::static_pointer_cast<MCColorProfileStage>(MCConvertStage::convertStageWithID(id));
            stage->setTargetColorModel(2);
            stage->setValueForKey(MCColorProfileStage::kColorProfileURLKey, path(file));
            // Stored and read back while the file still existed; then it disappears.
            auto read = std::static_pointer_cast<MCColorProfileStage>(
                MCConvertStage::stageWithDictionary(stage->dictionaryRepresentation()));
            ASSERT_EQ(read->storedColorProfileURL(), path(file));
            if (QLatin1String(file) == QLatin1String("gone.icc")) {
                ASSERT_TRUE(QFile::remove(path(file)));
            }
            auto bitmap = photo();
            const QByteArray before = pixels(*bitmap);
            QVariantMap metadata;
            MCError error;
            EXPECT_FALSE(read->convertBitmap(bitmap.get(), metadata, nullptr, &error));
            EXPECT_TRUE(error.localizedFailureReason().contains(path(file))) << error.toString().toStdString();
            EXPECT_EQ(error.userInfo().value(MCFilePathErrorKey), path(file));
            EXPECT_EQ(pixels(*bitmap), before);
            EXPECT_TRUE(metadata.isEmpty());
            if (QLatin1String(file) == QLatin1String("gone.icc")) {
                ASSERT_TRUE(QFile::copy(path("press.icc"), path(file)));
            }
        }
    }
}

// ---------------------------------------------------------------- threads

// A preview reads the stage on a worker while the panel edits it on the GUI thread. Run under
// ThreadSanitizer to see a race; here it must at least neither crash nor mix up the result.
TEST_F(ColorProfileStages, PreviewsOnAWorkerAndEditsOnTheGuiThreadDoNotRace)
{
    auto stage = make<MCConvertColorProfile>();
    stage->setColorProfileURL(path("adobe.icc"));
    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            auto bitmap = photo();
            QVariantMap metadata;
            if (!stage->previewBitmap(bitmap.get(), metadata, nullptr, nullptr))
                failures++;
            const QString name = stage->colorProfileNameForName(QStringLiteral("x"));
            if (name.isEmpty())
                failures++;
        }
        done = true;
    });
    const QString files[] = {path("adobe.icc"), path("p3.icc"), path("zeta.icc")};
    for (int i = 0; !done; ++i) {
        stage->setColorProfileURL(files[i % 3]);
        stage->setRenderingIntent(i % 5);
        stage->setBlackPointCompensation(i % 2);
        stage->setActive(i % 4 != 0);
        if (i % 7 == 0) {
            stage->setTargetColorModel(i % 2 ? 1 : -1);
            (void)stage->colorProfileURL();
        }
        (void)stage->colorProfileName();
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(failures, 0);
}
