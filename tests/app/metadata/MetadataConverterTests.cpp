#include "app/library/MCFile.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/metadata/MCMetadataConverter.h"
#include "platform/core/MCNotificationCenter.h"
#include "platform/core/MCUndoManager.h"
#include "platform/core/MCUserDefaults.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

// Closes the undo manager's event group, as returning to the event loop does.
void endEvent() { QCoreApplication::processEvents(); }

std::unique_ptr<MCUserDefaults> makeDefaults()
{
    return std::make_unique<MCUserDefaults>(QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist"));
}

// A library file with a real JPEG or PNG behind it (so its type is known) and the given
// loaded properties.
std::shared_ptr<MCFile> makeFile(const QString &name, const QVariantMap &properties = {})
{
    static quint64 nextID = 1;
    const QString path = testsupport::makeTemporaryFolder("convert") + QLatin1Char('/') + name;
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::gray);
    image.save(path);
    auto file = MCFile::fileWithID(nextID++);
    file->setFilePath(path);
    file->setFileName(name);
    file->reloadFileInfo();
    file->fileInfo().reloadAllPropertiesFromImageInfo(properties);
    file->reloadCaptureDate();
    return file;
}

// The changes as "key=value" lines in order ("key=<null>" for a deletion, list items joined
// by "|").
QStringList describe(const MCEditMetadataChanges &changes)
{
    QStringList lines;
    changes.enumerateKeysAndObjectsUsingBlock([&](const QString &key, const QVariant &value, qint64, bool *) {
        QString text;
        if (value.isNull())
            text = QStringLiteral("<null>");
        else if (value.typeId() == QMetaType::QStringList)
            text = value.toStringList().join(QLatin1Char('|'));
        else
            text = value.toString();
        lines << key + QLatin1Char('=') + text;
    });
    return lines;
}

QStringList changesOf(const QList<MCEditMetadataStageRef> &stages, const MCFile &file, MCError *error = nullptr)
{
    MCMetadataConverter converter(makeDefaults().release());
    converter.addStagesFromArray(stages);
    const std::optional<MCEditMetadataChanges> changes = converter.metadataChangesForFile(file, error);
    return changes ? describe(*changes) : QStringList{QStringLiteral("<none>")};
}

template <typename Stage> std::shared_ptr<Stage> make() { return std::static_pointer_cast<Stage>(MCEditMetadataStage::editMetadataStageWithID(Stage::StageID)); }

// Records the converter's notifications as "name:count" (count of stages for the "will" ones).
struct NotificationRecorder
{
    explicit NotificationRecorder(const MCMetadataConverter &converter)
    {
        token = MCNotificationCenter::defaultCenter().addObserverForName({}, &converter, [this](const MCNotification &note) {
            const QVariant stages = note.userInfo.value(kMCMetadataConverterStagesKey);
            names << (stages.isValid() ? note.name + ':' + QString::number(stages.toList().size()) : note.name);
        });
    }
    ~NotificationRecorder() { MCNotificationCenter::defaultCenter().removeObserver(token); }
    MCNotificationToken token;
    QStringList names;
};

} // namespace

TEST(EditMetadataStageFactory, CatalogueIDsAndStoredForm)
{
    struct Row
    {
        qint64 id;
        const char *name;
        bool unique;
    };
    const Row rows[] = {
        {0, "Add Keywords", false},          {1, "Remove Private Tags", false},
        {2, "Set Capture Date", false},      {3, "Shift Capture Date", false},
        {4, "File Creation to Capture Date", false}, {5, "Set Copyright and Owner", false},
        {6, "Set Rating", false},            {7, "Set GPS Location", true},
        {8, "Set IPTC Info", false},         {9, "Find and Replace Keywords", false},
        {1000, "Rebuild Metadata", false},   {-1, "<Unknown Stage>", false},
    };
    const MCFile &file = *makeFile("any.jpg");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.id);
        MCEditMetadataStageRef stage = MCEditMetadataStage::editMetadataStageWithID(row.id);
        ASSERT_TRUE(stage);
        EXPECT_EQ(stage->stageID(), row.id);
        EXPECT_EQ(stage->stageName(), QString::fromUtf8(row.name));
        EXPECT_EQ(stage->isUnique(), row.unique);
        // The stored form holds the ID and the options only, and reads back equal.
        const QVariantMap stored = stage->dictionaryRepresentation();
        EXPECT_EQ(stored.value("stageID").toLongLong(), row.id);
        EXPECT_FALSE(stored.contains("stageIsActive"));
        EXPECT_FALSE(stored.contains("stageIsExpanded"));
        MCEditMetadataStageRef read = MCEditMetadataStage::editMetadataStageWithID(row.id, &stored);
        EXPECT_TRUE(read->isEqual(*stage));
        EXPECT_EQ(read->hash(), stage->hash());
        // A copy is equal, with its own identity.
        MCEditMetadataStageRef copy = stage->editCopy();
        EXPECT_TRUE(copy->isEqual(*stage));
        EXPECT_NE(copy->uuid(), stage->uuid());
        EXPECT_FALSE(copy->keyPathsForObserver().contains("active"));
    }
    for (qint64 id : {10, 999, 1001, -2})
        EXPECT_FALSE(MCEditMetadataStage::editMetadataStageWithID(id)) << id;
    // The base stage adds nothing.
    MCEditMetadataChanges changes;
    EXPECT_TRUE(MCEditMetadataStage::editMetadataStageWithID(-1)->editMetadataInFile(file, changes, nullptr));
    EXPECT_TRUE(changes.isEmpty());
    // No "stageID": Add Keywords, read from the rest.
    MCEditMetadataStageRef keywords = MCEditMetadataStage::stageWithDictionary({{"keywords", "a,b"}});
    ASSERT_TRUE(keywords);
    EXPECT_EQ(keywords->stageID(), 0);
    EXPECT_EQ(std::static_pointer_cast<MCEditMetadataAddKeyword>(keywords)->keywords(), "a,b");
    // Missing options read as zero or nil, not as the defaults.
    auto gps = std::static_pointer_cast<MCEditMetadataSetGPS>(MCEditMetadataStage::stageWithDictionary({{"stageID", 7}}));
    EXPECT_FALSE(gps->setsOnlyIfMissing());
    EXPECT_EQ(gps->latitude(), 0.0);
    auto owner = MCEditMetadataStage::stageWithDictionary({{"stageID", 5}, {"copyright", "C"}});
    EXPECT_EQ(changesOf({owner}, file), (QStringList{"Copyright=C", "Artist=<null>", "OwnerName=<null>"}));
    // Different classes are never equal.
    EXPECT_FALSE(make<MCEditMetadataSetRating>()->isEqual(*make<MCEditMetadataSetCopyrightAndOwner>()));
    auto rating = make<MCEditMetadataSetRating>();
    auto other = make<MCEditMetadataSetRating>();
    other->setRating(2);
    EXPECT_FALSE(rating->isEqual(*other));
    EXPECT_EQ(make<MCEditMetadataSetGPS>()->latitude(), 37.786996);
    EXPECT_EQ(make<MCEditMetadataSetGPS>()->longitude(), -122.4401);
}

TEST(MetadataConverterList, ChangesPostNotificationsUndoAndPersist)
{
    auto defaults = makeDefaults();
    MCMetadataConverter converter(defaults.get());
    NotificationRecorder recorder(converter);
    const QString add = kMCMetadataConverterWillAddStages, remove = kMCMetadataConverterWillRemoveStages,
                  did = kMCMetadataConverterDidChangeStages;

    auto gps = make<MCEditMetadataSetGPS>();
    EXPECT_TRUE(converter.canInsertStage(gps.get()));
    converter.addStage(gps);
    endEvent();
    EXPECT_EQ(recorder.names, (QStringList{add + ":1", did}));
    EXPECT_EQ(gps->undoManager(), converter.undoManager());
    // A second GPS stage is refused by canInsertStage, not by addStage.
    auto secondGPS = make<MCEditMetadataSetGPS>();
    EXPECT_FALSE(converter.canInsertStage(secondGPS.get()));
    EXPECT_FALSE(converter.canInsertStage(nullptr));
    EXPECT_TRUE(converter.canInsertStage(make<MCEditMetadataSetRating>().get()));
    converter.addStage(secondGPS);
    endEvent();
    EXPECT_EQ(converter.numberOfStages(), 2);

    recorder.names.clear();
    converter.undoManager()->undo();
    EXPECT_EQ(recorder.names, (QStringList{remove + ":1", did}));
    EXPECT_EQ(converter.numberOfStages(), 1);
    EXPECT_EQ(secondGPS->undoManager(), nullptr);
    converter.undoManager()->redo();
    EXPECT_EQ(converter.indexOfStagePointer(secondGPS.get()), 1);

    // Option changes go to the converter's undo manager.
    gps->setLatitude(10);
    endEvent();
    converter.undoManager()->undo();
    EXPECT_EQ(gps->latitude(), 37.786996);

    // Replacing the list: will-remove (old), will-add (new), did-change once.
    recorder.names.clear();
    auto rating = make<MCEditMetadataSetRating>();
    converter.setStagesFromArray({rating, make<MCEditMetadataRebuildMetadata>(), make<MCEditMetadataAddKeyword>()});
    endEvent();
    EXPECT_EQ(recorder.names, (QStringList{remove + ":2", add + ":3", did}));
    recorder.names.clear();
    converter.moveStagesAtIndexes(MCIndexSet{0}, MCIndexSet{2});
    EXPECT_EQ(recorder.names, (QStringList{did}));
    EXPECT_EQ(converter.stageAtIndex(2), rating);
    EXPECT_EQ(converter.indexOfStage(*make<MCEditMetadataSetRating>()), 2);
    EXPECT_THROW(converter.removeStageAtIndex(3), std::out_of_range);
    EXPECT_THROW(converter.addStage(nullptr), std::invalid_argument);

    // Saved and loaded through the user defaults; entries of unknown stages are skipped.
    converter.saveToUserDefaults();
    QVariantList stored = defaults->arrayForKey(kMCEditMetadataStagesKey);
    ASSERT_EQ(stored.size(), 3);
    stored.insert(1, QVariantMap{{"stageID", 999}});
    defaults->setObject(stored, kMCEditMetadataStagesKey);
    MCMetadataConverter loaded(defaults.get());
    loaded.loadFromUserDefaults();
    ASSERT_EQ(loaded.numberOfStages(), 3);
    for (qint64 i = 0; i < 3; ++i)
        EXPECT_TRUE(loaded.stageAtIndex(i)->isEqual(*converter.stageAtIndex(i)));
    EXPECT_EQ(loaded.stageAtIndex(0)->undoManager(), loaded.undoManager());
    EXPECT_FALSE(loaded.undoManager()->canUndo()); // loading is not an edit
    // An empty list removes the key; loading without it gives an empty list.
    loaded.setStagesFromArray({});
    loaded.saveToUserDefaults();
    EXPECT_FALSE(defaults->objectForKey(kMCEditMetadataStagesKey).isValid());
    loaded.loadFromUserDefaults();
    EXPECT_EQ(loaded.numberOfStages(), 0);
    EXPECT_EQ(MCMetadataConverter::userDefaultsDictionary().value(kMCEditMetadataPresetsIsDefaultKey), QVariant(true));

    // A copy holds the same stage objects and has its own undo manager.
    std::unique_ptr<MCMetadataConverter> copy = converter.copy();
    EXPECT_EQ(copy->allStages(), converter.allStages());
    EXPECT_NE(copy->undoManager(), converter.undoManager());
}

TEST(MetadataConverterRun, TagChangesOfEveryStage)
{
    QLocale::setDefault(QLocale(QLocale::German)); // numbers must not follow it
    const QVariantMap positioned{{"{GPS}", QVariantMap{{"Latitude", 1.5}, {"Longitude", 2.5}}}};
    const QVariantMap latitudeOnly{{"{GPS}", QVariantMap{{"Latitude", 1.5}}}};
    const auto plain = makeFile("plain.jpg");
    const auto withPosition = makeFile("placed.jpg", positioned);
    const auto halfPosition = makeFile("half.jpg", latitudeOnly);
    const auto png = makeFile("plain.png");

    auto gpsAnywhere = make<MCEditMetadataSetGPS>();
    gpsAnywhere->setSetsOnlyIfMissing(false);
    auto south = make<MCEditMetadataSetGPS>();
    south->setLatitude(-33.5);
    south->setLongitude(151.25);
    auto rating0 = make<MCEditMetadataSetRating>();
    rating0->setRating(0);
    auto creator = make<MCEditMetadataSetIPTCInfo>();
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
        creator->setShouldEdit(field.textKey, field.textKey == "creator");
    creator->setText("creator", "Smith, John");
    auto owner = make<MCEditMetadataSetCopyrightAndOwner>();
    owner->setCopyright("(c) Me");
    owner->setOwner("Me");
    auto caption = make<MCEditMetadataSetIPTCInfo>();
    for (const MCConvertSetIPTCInfo::Field &field : MCConvertSetIPTCInfo::fields())
        caption->setShouldEdit(field.textKey, field.textKey == "caption");
    caption->setText("caption", "Sea");

    const QStringList defaultPosition{"GPSLatitude=37.786996",    "GPSLatitudeRef=N", "GPSLongitude=122.440100",
                                      "GPSLongitudeRef=W",        "XMP:GPSLatitude=37.786996",
                                      "XMP:GPSLongitude=-122.440100"};
    struct Case
    {
        const char *what;
        QList<MCEditMetadataStageRef> stages;
        std::shared_ptr<MCFile> file;
        QStringList expected;
    };
    const Case cases[] = {
        {"default GPS on a photo without a position", {make<MCEditMetadataSetGPS>()}, plain, defaultPosition},
        {"GPS only if missing, photo has one", {make<MCEditMetadataSetGPS>()}, withPosition, {}},
        {"GPS over a position clears the GPS group first", {gpsAnywhere}, withPosition,
         QStringList{"gps:all=<null>"} + defaultPosition},
        {"a latitude alone is no position", {make<MCEditMetadataSetGPS>()}, halfPosition, defaultPosition},
        {"south and east", {south}, plain,
         {"GPSLatitude=33.500000", "GPSLatitudeRef=S", "GPSLongitude=151.250000", "GPSLongitudeRef=E",
          "XMP:GPSLatitude=-33.500000", "XMP:GPSLongitude=151.250000"}},
        {"rating 0 is a rating", {rating0}, plain, {"XMP:Rating=0"}},
        {"owner then creator: Artist keeps its place, takes the creator", {owner, creator}, plain,
         {"Copyright=(c) Me", "Artist=Smith, John", "OwnerName=Me", "XMP-dc:Creator=Smith, John"}},
        {"creator then owner: the owner wins", {creator, owner}, plain,
         {"Artist=Me", "XMP-dc:Creator=Smith, John", "Copyright=(c) Me", "OwnerName=Me"}},
        {"caption", {caption}, plain, {"ImageDescription=Sea", "Caption-Abstract=Sea", "XMP-dc:Description=Sea"}},
        {"rebuild twice", {make<MCEditMetadataRebuildMetadata>(), make<MCEditMetadataRebuildMetadata>()}, plain,
         {"MCMetadataPreScriptsKey=" + MCEditMetadataRebuildMetadata::kRebuildScript + "|" +
          MCEditMetadataRebuildMetadata::kRebuildScript}},
        {"remove private tags on a PNG: no owner or camera tags", {make<MCEditMetadataRemovePrivateTags>()}, png,
         {"gps:all=<null>", "BurstUUID=<null>", "XMP:all=<null>", "IPTC:all=<null>",
          "MCMetadataPostScriptsKey=" + MCEditMetadataRemovePrivateTags::kRemoveDatesScript}},
        {"remove private tags on a JPEG", {make<MCEditMetadataRemovePrivateTags>()}, plain,
         {"gps:all=<null>", "BurstUUID=<null>", "XMP:all=<null>", "IPTC:all=<null>", "Artist=<null>",
          "OwnerName=<null>", "Software=<null>", "Copyright=<null>", "UserComment=<null>", "DocumentName=<null>",
          "ImageDescription=<null>", "HostComputer=<null>", "Make=<null>", "Model=<null>", "SerialNumber=<null>",
          "LensMake=<null>", "LensModel=<null>", "LensInfo=<null>", "LensSerialNumber=<null>",
          "MCMetadataPostScriptsKey=" + MCEditMetadataRemovePrivateTags::kRemoveDatesScript}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(changesOf(c.stages, *c.file), c.expected);
    }
    // All nine IPTC fields with their empty defaults: nineteen removals.
    const QStringList all = changesOf({make<MCEditMetadataSetIPTCInfo>()}, *plain);
    EXPECT_EQ(all.size(), 19);
    for (const QString &line : all)
        EXPECT_TRUE(line.endsWith('=')) << line.toStdString();
    QLocale::setDefault(QLocale::c());
}

TEST(MetadataConverterRun, KeywordsTravelAsLists)
{
    const auto tagged = makeFile("tagged.jpg", {{"{IPTC}", QVariantMap{{"Keywords", QStringList{"Smith, John", "sea"}}}}});
    auto add = make<MCEditMetadataAddKeyword>();
    add->setKeywords(" Sky,SEA,, boat");
    auto replace = make<MCEditMetadataReplaceKeyword>();
    replace->setFind("boat");
    replace->setReplace("ship");
    auto fresh = make<MCEditMetadataAddKeyword>();
    fresh->setRemovesExistingKeywords(true);
    fresh->setKeywords("");

    // The photo's "Smith, John" stays one keyword; the second stage works on the first's list.
    EXPECT_EQ(changesOf({add, replace}, *tagged),
              (QStringList{"Keywords=Smith, John|sea|Sky|ship", "XMP-dc:subject=Smith, John|sea|Sky|ship"}));
    // Replacing the keywords with none deletes both tags (an empty list).
    EXPECT_EQ(changesOf({fresh}, *tagged), (QStringList{"Keywords=", "XMP-dc:subject="}));
    // A later stage reads the emptied list, not the photo's keywords.
    auto appendAnyway = make<MCEditMetadataReplaceKeyword>();
    appendAnyway->setReplace("new");
    appendAnyway->setAppendsAnyway(true);
    EXPECT_EQ(changesOf({fresh, appendAnyway}, *tagged), (QStringList{"Keywords=new", "XMP-dc:subject=new"}));
}

TEST(MetadataConverterRun, CaptureDatesAndPrediction)
{
    const auto dated = makeFile("dated.jpg", {{"{Exif}", QVariantMap{{"DateTimeOriginal", "2020:01:02 03:04:05"}}}});
    const auto undated = makeFile("undated.jpg");
    ASSERT_TRUE(dated->captureDate());
    ASSERT_FALSE(undated->captureDate());

    auto set = make<MCEditMetadataSetCaptureDate>();
    set->setDate(QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10)));
    auto shift = make<MCEditMetadataShiftCaptureDate>();
    shift->setDays(1);
    shift->setUsesCreatedDateIfMissing(false);
    auto fromCreated = make<MCEditMetadataSetCaptureDateFromCreated>();
    const QStringList offsets{"OffsetTime=<null>", "OffsetTimeOriginal=<null>", "OffsetTimeDigitized=<null>"};
    auto dates = [&](const char *text) {
        return QStringList{QString("DateTimeOriginal=") + text, QString("CreateDate=") + text,
                           QString("ModifyDate=") + text} + offsets;
    };
    EXPECT_EQ(changesOf({set}, *dated), dates("2021:06:07 08:09:10"));
    EXPECT_EQ(changesOf({shift}, *dated), dates("2020:01:03 03:04:05"));
    EXPECT_EQ(changesOf({shift}, *undated), QStringList{});
    EXPECT_EQ(changesOf({fromCreated}, *dated), QStringList{}); // only if missing
    // The later stage's values replace the earlier's, and it still reads the photo's date.
    EXPECT_EQ(changesOf({set, shift}, *dated), dates("2020:01:03 03:04:05"));

    // A shift beyond four-digit years writes nothing instead of deleting the dates.
    auto far = make<MCEditMetadataShiftCaptureDate>();
    far->setYears(9000);
    EXPECT_EQ(changesOf({far}, *dated), QStringList{});

    MCMetadataConverter converter(makeDefaults().release());
    EXPECT_FALSE(converter.captureDateForFile(*dated)); // empty list
    converter.addStage(shift);
    EXPECT_EQ(converter.captureDateForFile(*dated), QDateTime(QDate(2020, 1, 3), QTime(3, 4, 5)));
    EXPECT_FALSE(converter.captureDateForFile(*undated));
}

TEST(MetadataConverterRun, AFailingStageFailsTheEditAndAnEmptyListTouchesNothing)
{
    const auto file = makeFile("photo.jpg");
    const QByteArray before = [&] {
        QFile f(file->filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    MCMetadataConverter converter(makeDefaults().release());
    MCError error;
    bool changed = true;
    EXPECT_TRUE(converter.editMedataInFile(*file, &error, {}, &changed));
    EXPECT_FALSE(changed);
    EXPECT_TRUE(error.isNull());

    // A stage that cannot edit the photo fails the edit with its error, before the tool runs.
    auto offGlobe = make<MCEditMetadataSetGPS>();
    offGlobe->setLatitude(100);
    converter.setStagesFromArray({make<MCEditMetadataSetRating>(), offGlobe});
    EXPECT_FALSE(converter.metadataChangesForFile(*file, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 2));
    error = {};
    EXPECT_FALSE(converter.editMedataInFile(*file, &error, {}, &changed));
    EXPECT_FALSE(changed);
    EXPECT_TRUE(error.is(MCErrorDomain, 2)) << error.toString().toStdString();
    EXPECT_EQ(error.localizedDescription(), QString::fromUtf8("Action “Set GPS Location” failed on image “photo.jpg”."));
    EXPECT_FALSE(error.localizedFailureReason().isEmpty());
    QFile after(file->filePath());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}
