// The GPS location panel against a map that records what it is told: the pin before and after
// the map loads, typing, clicks and drops on the small map, the palette following and leading,
// one undo step per stepper press, refused and emptied fields, and coordinates from the map
// wrapped and clamped before they reach the stage.
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/metadata/MCEditMetadataStage.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/panels/MCGPSLocationPanel.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "platform/core/MCUndoManager.h"

#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

// Readable failures for the recorded calls.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '"' << list.join(QStringLiteral("\", \"")).toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// What the panel told its map, one line per call.
class RecordingMap : public MCMapView
{
public:
    RecordingMap(const QRect &frame, QWidget *parent) : MCMapView(frame, parent) {}
    QStringList calls;

    void initMapType(qint64 type, const CLLocationCoordinate2D &c, qint64 zoom, bool scrollToZoom) override
    {
        calls << QStringLiteral("init %1 %2,%3 %4 %5").arg(type).arg(c.latitude).arg(c.longitude).arg(zoom).arg(scrollToZoom);
        MCMapView::initMapType(type, c, zoom, scrollToZoom);
    }
    void setCenterCoordinate(const CLLocationCoordinate2D &c, bool animated) override
    {
        calls << QStringLiteral("centre %1,%2%3").arg(c.latitude).arg(c.longitude).arg(animated ? " animated" : "");
        MCMapView::setCenterCoordinate(c, animated);
    }
    void addAnnotation(const std::shared_ptr<MCMapPinAnnotation> &a) override
    {
        calls << QStringLiteral("add %1,%2").arg(a->coordinate().latitude).arg(a->coordinate().longitude);
        MCMapView::addAnnotation(a);
    }
    void removeAnnotation(const std::shared_ptr<MCMapPinAnnotation> &a) override
    {
        calls << QStringLiteral("remove");
        MCMapView::removeAnnotation(a);
    }
    void close() override
    {
        calls << QStringLiteral("close");
        MCMapView::close();
    }
    QStringList take() { return std::exchange(calls, {}); }
};

class RecordedPanel : public MCGPSLocationPanel
{
public:
    using MCGPSLocationPanel::MCGPSLocationPanel;
    RecordingMap *map() const { return static_cast<RecordingMap *>(mapView()); }

protected:
    MCMapView *newMapView(const QRect &frame, QWidget *parent) override { return new RecordingMap(frame, parent); }
};

// The conversion stage (401) or its edit-metadata twin (7).
std::shared_ptr<MCConvertStage> newStage(qint64 stageID)
{
    if (stageID == MCEditMetadataSetGPS::StageID)
        return MCEditMetadataStage::editMetadataStageWithID(stageID);
    return MCConvertStage::convertStageWithID(stageID);
}

class GPSPanel : public testing::TestWithParam<qint64>
{
protected:
    void SetUp() override
    {
        stage = newStage(GetParam());
        ASSERT_TRUE(stage);
        stage->setValueForKey(MCConvertSetGPS::kLatitudeKey, 10.0);
        stage->setValueForKey(MCConvertSetGPS::kLongitudeKey, 20.0);
        stage->setUndoManager(undo); // groups by event: one step per pass of the event loop
        panel = std::make_unique<RecordedPanel>(stage);
        view.reset(panel->loadView());
        view->resize(360, 240);
        view->show();
    }
    void TearDown() override
    {
        if (MCMapPaletteController *palette = MCMapPaletteController::sharedInstanceIfExists())
            palette->hidePalette();
        panel.reset();
    }
    void loadMap()
    {
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return panel->isMapInitialized(); }));
        panel->map()->take();
    }
    double latitude() const { return stage->valueForKey(MCConvertSetGPS::kLatitudeKey).toDouble(); }
    double longitude() const { return stage->valueForKey(MCConvertSetGPS::kLongitudeKey).toDouble(); }
    // Undo steps, counted by undoing them all (then redoing them).
    int undoSteps()
    {
        int steps = 0;
        while (undo->canUndo()) {
            undo->undo();
            ++steps;
        }
        for (int i = 0; i < steps; ++i)
            undo->redo();
        return steps;
    }
    // Runs `change` as one user event: what it registers is one undo step.
    template <typename F> void asOneEvent(F change)
    {
        change();
        QApplication::processEvents();
    }
    MCMapPaletteController &openPalette()
    {
        panel->showLargerMap();
        MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
        EXPECT_TRUE(testsupport::processEventsUntil([&] { return palette.isMapInitialized(); }));
        return palette;
    }

    std::shared_ptr<MCUndoManager> undo = std::make_shared<MCUndoManager>();
    std::shared_ptr<MCConvertStage> stage;
    std::unique_ptr<RecordedPanel> panel;
    std::unique_ptr<QWidget> view;
};

} // namespace

TEST_P(GPSPanel, BeforeTheMapLoadsOnlyThePinMovesThenTheFirstLoadPlacesIt)
{
    EXPECT_EQ(panel->latitudeTextField()->text(), "10.000000");
    EXPECT_EQ(panel->longitudeTextField()->text(), "20.000000");
    EXPECT_EQ(panel->latitudeTextField()->minValue(), -90.0);
    EXPECT_EQ(panel->longitudeTextField()->maxValue(), 180.0);
    EXPECT_EQ(panel->latitudeTextField()->increment(), 0.1);
    stage->setValueForKey(MCConvertSetGPS::kLatitudeKey, 48.85);
    stage->setValueForKey(MCConvertSetGPS::kLongitudeKey, 2.35);
    EXPECT_EQ(panel->pinAnnotation()->coordinate(), CLLocationCoordinate2DMake(48.85, 2.35));
    EXPECT_TRUE(panel->map()->calls.isEmpty());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return panel->isMapInitialized(); }));
    EXPECT_EQ(panel->map()->take(), (QStringList{"init 0 48.85,2.35 14 0", "add 48.85,2.35"}));
    EXPECT_EQ(panel->map()->zoom(), kMCMapMaximumZoom); // the closest the offline map has
    MCMapPinAnnotationView *pin = panel->map()->viewForAnnotation(panel->pinAnnotation());
    ASSERT_TRUE(pin);
    EXPECT_TRUE(pin->isDraggable());
    EXPECT_TRUE(pin->animatesDrop());
}

TEST_P(GPSPanel, TypingMovesThePinAndTheMapAndRefusesWhatIsNoCoordinate)
{
    loadMap();
    QLineEdit *field = panel->latitudeTextField();
    const auto type = [&](const QString &text) {
        field->setText(text);
        field->setModified(true);
        emit field->editingFinished();
    };
    type("-33.5");
    EXPECT_EQ(latitude(), -33.5);
    EXPECT_EQ(panel->map()->take(), (QStringList{"remove", "add -33.5,20", "centre -33.5,20"}));
    for (const char *refused : {"95", "-90.5", "north", "nan"}) {
        SCOPED_TRACE(refused);
        type(refused);
        EXPECT_EQ(latitude(), -33.5);
        EXPECT_EQ(field->text(), "-33.500000");
    }
    EXPECT_TRUE(panel->map()->take().isEmpty());
    // Emptied: the stage makes it 0 on the main queue's next turn, and the pin follows.
    type("");
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return latitude() == 0.0; }));
    EXPECT_EQ(field->text(), "0.000000");
    EXPECT_EQ(panel->pinAnnotation()->coordinate().latitude, 0.0);
}

TEST_P(GPSPanel, ClicksMoveThePinAndThePaletteButNotTheMap)
{
    loadMap();
    MCMapPaletteController &palette = openPalette();
    panel->map()->take();
    asOneEvent([&] { panel->mapViewUserDidRightClickAtCoordinate(panel->map(), CLLocationCoordinate2DMake(45, 7)); });
    EXPECT_EQ(latitude(), 45.0);
    EXPECT_EQ(longitude(), 7.0);
    EXPECT_FALSE(panel->map()->take().contains(QRegularExpression("^centre")));
    EXPECT_EQ(palette.pinPoint(), CLLocationCoordinate2DMake(45, 7));
    EXPECT_EQ(undoSteps(), 1);
    // From a map that repeats the world: wrapped and clamped; not a number: ignored.
    panel->mapViewUserDidDoubleClickAtCoordinate(panel->map(), CLLocationCoordinate2DMake(95, 190));
    EXPECT_EQ(latitude(), 90.0);
    EXPECT_EQ(longitude(), -170.0);
    panel->mapViewUserDidDoubleClickAtCoordinate(panel->map(), CLLocationCoordinate2DMake(std::nan(""), 3));
    EXPECT_EQ(latitude(), 90.0);
    // A click on the pin's own place adds no undo step.
    const int steps = undoSteps();
    panel->mapViewUserDidRightClickAtCoordinate(panel->map(), CLLocationCoordinate2DMake(90, -170));
    EXPECT_EQ(undoSteps(), steps);
}

TEST_P(GPSPanel, ADropChangesTheStageOnceForEachCoordinate)
{
    loadMap();
    int latitudeChanges = 0, longitudeChanges = 0;
    MCObservation a = stage->observe(MCConvertSetGPS::kLatitudeKey,
                                     [&](MCObservable &, const QString &, const MCKeyValueChange &) { ++latitudeChanges; });
    MCObservation b = stage->observe(MCConvertSetGPS::kLongitudeKey,
                                     [&](MCObservable &, const QString &, const MCKeyValueChange &) { ++longitudeChanges; });
    MCMapPinAnnotationView *pin = panel->map()->viewForAnnotation(panel->pinAnnotation());
    ASSERT_TRUE(pin);
    const auto drop = [&](const CLLocationCoordinate2D &to) {
        asOneEvent([&] {
            pin->annotation()->setCoordinate(to);
            pin->setDragState(MCMapPinDragStateEnding);
            panel->mapViewAnnotationViewWillChangeDragState(panel->map(), pin, MCMapPinDragStateNone);
            pin->setDragState(MCMapPinDragStateNone);
        });
    };
    // With the palette never made (or hidden), nothing else happens.
    drop(CLLocationCoordinate2DMake(51.5, -0.12));
    EXPECT_EQ(latitudeChanges, 1);
    EXPECT_EQ(longitudeChanges, 1);
    EXPECT_EQ(latitude(), 51.5);
    EXPECT_EQ(longitude(), -0.12);
    EXPECT_TRUE(panel->map()->take().isEmpty()); // the pin is not added again
    EXPECT_FALSE(MCMapPaletteController::sharedInstanceIfExists() &&
                 MCMapPaletteController::sharedInstanceIfExists()->isPaletteVisible());
    EXPECT_EQ(undoSteps(), 1);
    latitudeChanges = 0;
    pin = panel->map()->viewForAnnotation(panel->pinAnnotation()); // undoing moved the pin: a new view
    ASSERT_TRUE(pin);

    // Other state changes do nothing.
    pin->setDragState(MCMapPinDragStateDragging);
    panel->mapViewAnnotationViewWillChangeDragState(panel->map(), pin, MCMapPinDragStateNone);
    pin->setDragState(MCMapPinDragStateEnding);
    panel->mapViewAnnotationViewWillChangeDragState(panel->map(), pin, MCMapPinDragStateCanceling);
    EXPECT_EQ(latitudeChanges, 0);

    // With the palette visible, its pin follows.
    MCMapPaletteController &palette = openPalette();
    drop(CLLocationCoordinate2DMake(-16.6, 181)); // past the date line: wrapped
    EXPECT_EQ(longitude(), -179.0);
    EXPECT_EQ(panel->pinAnnotation()->coordinate(), CLLocationCoordinate2DMake(-16.6, -179));
    EXPECT_EQ(palette.pinPoint(), CLLocationCoordinate2DMake(-16.6, -179));
    palette.hidePalette();
    drop(CLLocationCoordinate2DMake(1, 2));
    EXPECT_EQ(palette.pinPoint(), CLLocationCoordinate2DMake(-16.6, -179));
}

TEST_P(GPSPanel, AStepperPressIsOneUndoStep)
{
    loadMap();
    MCStepperTextField *field = panel->latitudeTextField();
    panel->stepperTextFieldWillStartTracking(field);
    for (int i = 0; i < 5; ++i) {
        field->increaseValue();
        QApplication::processEvents(); // the press spans many events
    }
    EXPECT_NEAR(latitude(), 10.5, 1e-9);
    EXPECT_NEAR(panel->pinAnnotation()->coordinate().latitude, 10.5, 1e-9); // the pin followed live
    EXPECT_FALSE(undo->canUndo());
    asOneEvent([&] { panel->stepperTextFieldDidFinishTracking(field); });
    EXPECT_TRUE(undo->isUndoRegistrationEnabled());
    EXPECT_EQ(undoSteps(), 1);
    undo->undo();
    EXPECT_EQ(latitude(), 10.0);
    EXPECT_EQ(field->text(), "10.000000");
    undo->redo();
    EXPECT_NEAR(latitude(), 10.5, 1e-9);

    // A press that changes nothing leaves no step; the longitude field restores its own value.
    panel->stepperTextFieldWillStartTracking(panel->longitudeTextField());
    asOneEvent([&] { panel->stepperTextFieldDidFinishTracking(panel->longitudeTextField()); });
    EXPECT_EQ(undoSteps(), 1);
    panel->stepperTextFieldWillStartTracking(panel->longitudeTextField());
    panel->longitudeTextField()->decreaseValue();
    asOneEvent([&] { panel->stepperTextFieldDidFinishTracking(panel->longitudeTextField()); });
    EXPECT_EQ(undoSteps(), 2);
    undo->undo();
    EXPECT_EQ(longitude(), 20.0);
}

TEST_P(GPSPanel, TheLargerMapLeadsAndThePanelFollows)
{
    loadMap();
    MCMapPaletteController &palette = openPalette();
    EXPECT_TRUE(palette.isPaletteVisible());
    EXPECT_TRUE(palette.canDragAnnotation());
    EXPECT_EQ(palette.pinPoint(), CLLocationCoordinate2DMake(10, 20));
    ASSERT_TRUE(palette.mapView()->viewForAnnotation(palette.pinAnnotation()));
    EXPECT_TRUE(palette.mapView()->viewForAnnotation(palette.pinAnnotation())->isDraggable());
    panel->map()->take();

    // A right click in the palette: the stage, the fields, the small map and its pin at once.
    asOneEvent([&] {
        palette.mapViewUserDidRightClickAtCoordinate(palette.mapView(), CLLocationCoordinate2DMake(-33.86, 151.2));
    });
    EXPECT_EQ(latitude(), -33.86);
    EXPECT_EQ(longitude(), 151.2);
    EXPECT_EQ(panel->longitudeTextField()->text(), "151.200000");
    EXPECT_EQ(panel->map()->take(), (QStringList{"centre -33.86,151.2", "remove", "add -33.86,151.2"}));
    EXPECT_EQ(undoSteps(), 1);

    // Typing moves the palette's pin too.
    stage->setValueForKey(MCConvertSetGPS::kLongitudeKey, 150.0);
    EXPECT_EQ(palette.pinPoint(), CLLocationCoordinate2DMake(-33.86, 150));

    // Show Pin glides to the stage's position; a panel that goes away is no target.
    panel->map()->take();
    panel->showPinDidClick();
    EXPECT_EQ(panel->map()->take(), (QStringList{"centre -33.86,150 animated"}));
    panel.reset();
    EXPECT_FALSE(palette.canDragAnnotation());
}

INSTANTIATE_TEST_SUITE_P(BothRegistries, GPSPanel, testing::Values(MCConvertSetGPS::StageID, MCEditMetadataSetGPS::StageID),
                         [](const testing::TestParamInfo<qint64> &info) {
                             return info.param == MCConvertSetGPS::StageID ? std::string("Convert") : std::string("EditMetadata");
                         });
