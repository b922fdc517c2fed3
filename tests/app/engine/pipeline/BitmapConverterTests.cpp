#include "PipelineTestSupport.h"

#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/stages/MCConvertGamma.h"
#include "platform/core/MCUndoManager.h"
#include "platform/graphics/CGColorSpace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

using namespace pipelinetest;

namespace {

std::shared_ptr<MCConvertGamma> gammaStage(double value)
{
    auto stage = std::make_shared<MCConvertGamma>();
    stage->setGamma(value);
    return stage;
}

// Closes the undo manager's event group, as returning to the event loop does.
void endEvent() { QCoreApplication::processEvents(); }

QList<double> gammas(const MCBitmapConverter &converter)
{
    QList<double> values;
    for (const MCConvertStageRef &stage : converter.allStages())
        values << std::static_pointer_cast<MCConvertGamma>(stage)->gamma();
    return values;
}

} // namespace

TEST(BitmapConverterSettings, FirstRunUsesTheRegisteredDefaults)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    converter.loadFromUserDefaults();
    EXPECT_EQ(converter.imageFormat(), 1u);
    EXPECT_EQ(converter.imageColorModel(), 1);
    EXPECT_EQ(converter.imageColorDepth(), 0);
    EXPECT_FALSE(converter.imageHasAlpha());
    EXPECT_EQ(converter.imageQuality(), 0.8);
    EXPECT_EQ(converter.imageTIFFCompression(), 0);
    EXPECT_FALSE(converter.embedThumbnail());
    EXPECT_FALSE(converter.renameSettings());
    EXPECT_EQ(converter.numberOfStages(), 0);
    EXPECT_TRUE(defaults->boolForKey(kMCConvertPresetsIsDefaultKey));
    EXPECT_EQ(converter.imageFileType(), "public.jpeg");
    EXPECT_EQ(converter.imageFileExtension(), "jpg");

    const QStringList extensions{"gif", "jpg", "jp2", "pdf", "png", "tiff", "bmp", "heic"};
    for (quint64 format = 0; format < 8; ++format) {
        EXPECT_EQ(MCBitmapConverter::fileExtensionForImageType(format), extensions[int(format)]);
        EXPECT_FALSE(MCBitmapConverter::fileTypeForImageFormat(format).isEmpty());
    }
    EXPECT_TRUE(MCBitmapConverter::fileTypeForImageFormat(8).isEmpty());
    EXPECT_TRUE(MCBitmapConverter::fileExtensionForImageType(quint64(-1)).isEmpty());
    EXPECT_TRUE(MCBitmapConverter::supportsImageFormat(MCImageFormatJPEG));
    EXPECT_FALSE(MCBitmapConverter::supportsImageFormat(8));
}

TEST(BitmapConverterSettings, SavingAndLoadingKeepsSettingsAndStageOrder)
{
    auto defaults = makeDefaults();
    {
        MCBitmapConverter converter(defaults.get());
        converter.loadFromUserDefaults();
        converter.saveToUserDefaults();
        EXPECT_FALSE(defaults->objectForKey(kMCConvertStagesKey).isValid()); // an empty list is removed
        EXPECT_FALSE(defaults->objectForKey(kMCConvertRenameSettingsKey).isValid());

        converter.setImageFormat(MCImageFormatTIFF);
        converter.setImageQuality(0.5);
        converter.setImageTIFFCompression(2);
        converter.setEmbedThumbnail(true);
        converter.setRenameSettings(MCBatchRenameSettings());
        converter.addStagesFromArray({gammaStage(1.5), gammaStage(3.0)});
        converter.saveToUserDefaults();
    }
    // An unknown stage ID in the stored list is dropped; the others keep their order.
    QVariantList stored = defaults->arrayForKey(kMCConvertStagesKey);
    ASSERT_EQ(stored.size(), 2);
    stored.insert(1, QVariantMap{{"stageID", 4}, {"stageIsActive", true}});
    stored.append(QString("not a stage"));
    defaults->setObject(stored, kMCConvertStagesKey);

    MCBitmapConverter loaded(defaults.get());
    loaded.loadFromUserDefaults();
    EXPECT_EQ(loaded.imageFormat(), 5u);
    EXPECT_EQ(loaded.imageQuality(), 0.5);
    EXPECT_EQ(loaded.imageTIFFCompression(), 2);
    EXPECT_TRUE(loaded.embedThumbnail());
    EXPECT_TRUE(loaded.renameSettings());
    EXPECT_EQ(gammas(loaded), (QList<double>{1.5, 3.0}));
    for (const MCConvertStageRef &stage : loaded.allStages()) {
        EXPECT_EQ(stage->undoManager(), loaded.undoManager());
        EXPECT_EQ(stage->targetFormat(), 5u);
    }
    EXPECT_FALSE(loaded.undoManager()->canUndo()); // loading is not an edit
}

TEST(BitmapConverterSettings, SettersAreUndoableAndPushTargetsToStages)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    auto stage = gammaStage(2.2);
    converter.addStage(stage);
    endEvent();
    converter.undoManager()->removeAllActions();

    converter.setImageColorModel(1); // unchanged: nothing recorded, targets untouched
    converter.setImageQuality(0.8);
    EXPECT_FALSE(converter.undoManager()->canUndo());

    converter.setImageFormat(MCImageFormatPNG);
    converter.setImageColorModel(2);
    converter.setImageColorDepth(1);
    converter.setImageHasAlpha(true);
    EXPECT_EQ(stage->targetFormat(), 4u);
    EXPECT_EQ(stage->targetColorModel(), 2);
    EXPECT_EQ(stage->targetColorDepth(), 1);
    EXPECT_TRUE(stage->targetHasAlpha());
    endEvent();
    converter.undoManager()->undo();
    EXPECT_EQ(converter.imageFormat(), 1u);
    EXPECT_EQ(converter.imageColorModel(), 1);
    EXPECT_EQ(stage->targetColorModel(), 1);
    EXPECT_FALSE(stage->targetHasAlpha());

    // A stage's own edits land on the converter's undo manager.
    stage->setGamma(3.0);
    endEvent();
    converter.undoManager()->undo();
    EXPECT_EQ(stage->gamma(), 2.2);

    // Panels set the output settings by key and observe them.
    int notices = 0;
    auto token = converter.observe("imageQuality", [&](MCObservable &, const QString &, const MCKeyValueChange &) {
        ++notices;
    });
    converter.setValueForKey("imageQuality", 0.3);
    EXPECT_EQ(converter.imageQuality(), 0.3);
    EXPECT_EQ(notices, 1);
}

TEST(BitmapConverterStages, ChangesPostTheirNotificationsAndUndo)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    NotificationRecorder recorder(converter);
    const QString add = kMCBitmapConverterWillAddStages, remove = kMCBitmapConverterWillRemoveStages,
                  did = kMCBitmapConverterDidChangeStages;

    struct Step
    {
        const char *label;
        std::function<void()> change;
        QList<double> after;
        QStringList notices;
    };
    const std::vector<Step> steps = {
        {"add", [&] { converter.addStage(gammaStage(1)); }, {1}, {add + ":1", did}},
        {"add array", [&] { converter.addStagesFromArray({gammaStage(2), gammaStage(3)}); }, {1, 2, 3}, {add + ":2", did}},
        {"insert", [&] { converter.insertStage(gammaStage(4), 0); }, {4, 1, 2, 3}, {add + ":1", did}},
        {"insert set", [&] { converter.insertStages({gammaStage(5), gammaStage(6)}, MCIndexSet{1, 5}); }, {4, 5, 1, 2, 3, 6},
         {add + ":2", did}},
        {"remove", [&] { converter.removeStageAtIndex(2); }, {4, 5, 2, 3, 6}, {remove + ":1", did}},
        {"remove set", [&] { converter.removeStagesAtIndexes(MCIndexSet{0, 4}); }, {5, 2, 3}, {remove + ":2", did}},
        {"move", [&] { converter.moveStagesAtIndexes(MCIndexSet{0}, MCIndexSet{2}); }, {2, 3, 5}, {did}},
        {"replace", [&] { converter.setStagesFromArray({gammaStage(7)}); }, {7}, {remove + ":3", add + ":1", did}},
    };
    QList<QList<double>> history{{}};
    for (const Step &step : steps) {
        SCOPED_TRACE(step.label);
        recorder.names.clear();
        step.change();
        endEvent();
        EXPECT_EQ(gammas(converter), step.after);
        EXPECT_EQ(recorder.names, step.notices);
        history << step.after;
    }
    const QList<MCConvertStageRef> replaced = converter.allStages();
    // Every step undoes to the list before it, the same stage objects included.
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        SCOPED_TRACE(step->label);
        history.removeLast();
        recorder.names.clear();
        converter.undoManager()->undo();
        EXPECT_EQ(gammas(converter), history.last());
        EXPECT_EQ(recorder.names.last(), did);
        if (QString(step->label) == "replace") {
            EXPECT_EQ(recorder.names, (QStringList{remove + ":1", add + ":3", did}));
        }
    }
    EXPECT_FALSE(converter.undoManager()->canUndo());
    EXPECT_EQ(replaced.first()->undoManager(), nullptr); // it left the list
    EXPECT_THROW(converter.removeStageAtIndex(0), std::out_of_range);
    EXPECT_THROW(converter.insertStage(gammaStage(1), 1), std::out_of_range);
}

TEST(BitmapConverterStages, QueriesOrderAndUniqueness)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    auto late = std::make_shared<ScriptedStage>(8); // "Convert to Profile": runs last, unique
    auto first = gammaStage(1.0), second = gammaStage(2.0);
    converter.setStagesFromArray({late, first, second});
    EXPECT_EQ(converter.sortedStages(), (QList<MCConvertStageRef>{first, second, late}));
    EXPECT_EQ(converter.indexOfStage(*gammaStage(2.0)), 2);
    EXPECT_EQ(converter.indexOfStagePointer(gammaStage(2.0).get()), MCNotFound);
    EXPECT_EQ(converter.indexOfStagePointer(second.get()), 2);
    EXPECT_EQ(converter.stagesAtIndexes(MCIndexSet{0, 2}), (QList<MCConvertStageRef>{late, second}));

    EXPECT_FALSE(converter.canInsertStage(nullptr));
    EXPECT_TRUE(converter.canInsertStage(gammaStage(3).get()));
    EXPECT_FALSE(converter.canInsertStage(std::make_shared<ScriptedStage>(8).get()));
    EXPECT_TRUE(converter.canInsertStage(std::make_shared<ScriptedStage>(7).get()));
    converter.addStage(std::make_shared<ScriptedStage>(7));
    EXPECT_FALSE(converter.canInsertStage(std::make_shared<ScriptedStage>(7).get()));

    // A copy shares the stage objects but not the undo manager.
    auto copy = converter.copy();
    EXPECT_EQ(copy->allStages(), converter.allStages());
    EXPECT_NE(copy->undoManager(), converter.undoManager());
}

TEST(BitmapConverterPredictions, SizeProfileNameAndFolds)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    EXPECT_EQ(converter.sizeForOriginalSize(QSizeF(4000, 3000), 6), QSizeF(3000, 4000));
    EXPECT_EQ(converter.sizeForOriginalSize(QSizeF(4000, 3000), 3), QSizeF(4000, 3000));
    // Photos left as stored keep their sides.
    defaults->setBool(false, kMCShouldAutorotateKey);
    EXPECT_EQ(converter.sizeForOriginalSize(QSizeF(4000, 3000), 6), QSizeF(4000, 3000));

    EXPECT_EQ(converter.colorProfileNameForOriginalName("Camera RGB", "RGB"), "Camera RGB");
    const QString sRGBName = CGColorSpace::createWithName(kCGColorSpaceSRGB)->profileDescription();
    EXPECT_EQ(converter.colorProfileNameForOriginalName("", "RGB"), sRGBName);
    EXPECT_EQ(converter.colorProfileNameForOriginalName("Dot Gain 20%", "Gray"), sRGBName);
    converter.setImageColorModel(2);
    const auto cmyk = CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    ASSERT_TRUE(cmyk);
    EXPECT_EQ(converter.colorProfileNameForOriginalName("sRGB IEC61966-2.1", "RGB"), cmyk->profileDescription());
    converter.setImageColorModel(7);
    EXPECT_EQ(converter.colorProfileNameForOriginalName("Camera RGB", "RGB"), "Camera RGB");

    converter.addStage(gammaStage(2.0));
    EXPECT_EQ(converter.resolutionForOriginalResolution(240), 240u);
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1600000000);
    EXPECT_EQ(converter.captureDateForOriginalDate(date, std::nullopt), date);
}
