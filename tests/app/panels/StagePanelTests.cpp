// The stage panel registries, the binder between controls and stages, the slider panels and the
// interface-only panels, driven on real stages with real mouse and key events.
#include "app/metadata/MCEditMetadataStages.h"
#include "app/panels/MCInterfaceOnlyPanels.h"
#include "app/panels/MCSliderPanels.h"
#include "app/panels/MCStagePanels.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertRotate.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "platform/core/MCUndoManager.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

void sendMouse(QWidget &widget, QEvent::Type type, QPointF point)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget.mapToGlobal(point), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// The exact x of the knob's centre for a value.
double knobX(const MCSlider &slider, double value)
{
    const double k = slider.cell().knobThickness(slider.controlSize());
    return k / 2 + (slider.width() - k) * (value - slider.minValue()) / (slider.maxValue() - slider.minValue());
}

// Takes the knob at its value, moves through `values` and lets go.
void dragSlider(MCSlider &slider, const std::vector<double> &values)
{
    const double y = slider.height() / 2.0;
    sendMouse(slider, QEvent::MouseButtonPress, {knobX(slider, slider.doubleValue()), y});
    for (double value : values)
        sendMouse(slider, QEvent::MouseMove, {knobX(slider, value), y});
    const double last = values.empty() ? slider.doubleValue() : values.back();
    sendMouse(slider, QEvent::MouseButtonRelease, {knobX(slider, last), y});
}

// Types `text` into a field as a user would and commits it with Return.
void typeInto(QLineEdit &field, const QString &text)
{
    field.setFocus();
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    if (!text.isEmpty())
        QTest::keyClicks(&field, text);
    QTest::keyClick(&field, Qt::Key_Return);
}

// A conversion stage of `stageID` with an undo manager, and its panel from the registry, shown.
struct ConvertPanel
{
    std::shared_ptr<MCUndoManager> undo = std::make_shared<MCUndoManager>();
    MCConvertStageRef stage;
    std::unique_ptr<MCConvertStageViewController> panel;

    explicit ConvertPanel(qint64 stageID)
    {
        MCRegisterStagePanels();
        stage = MCConvertStage::convertStageWithID(stageID);
        if (!stage)
            return;
        stage->setUndoManager(undo);
        panel = MCConvertStageViewController::viewControllerForStage(stage);
        if (!panel)
            return;
        QWidget *view = panel->view();
        view->resize(MCStagePanelController::kDefaultWidth, int(panel->preferredHeight()));
        view->show();
        QApplication::processEvents();
    }
    template <class T> T *control(const QString &name) const { return panel->view()->findChild<T *>(name); }
    // Undo steps taken until there are none.
    int undoDepth() const
    {
        int depth = 0;
        while (undo->canUndo()) {
            undo->undo();
            ++depth;
        }
        return depth;
    }
};

} // namespace

// ---------------------------------------------------------------- registries

TEST(StagePanelRegistry, EveryStageIdHasItsPanelAndNoOtherIdHasOne)
{
    MCRegisterStagePanels();
    std::set<qint64> convertIDs = {101, 201, 401, 402};
    for (qint64 id = 0; id <= 40; ++id)
        if (id != 4)
            convertIDs.insert(id);
    ASSERT_EQ(convertIDs.size(), 44u);
    for (qint64 id : convertIDs) {
        SCOPED_TRACE(id);
        const auto panelClass = MCConvertStageViewController::classForStageID(id);
        ASSERT_TRUE(panelClass);
        EXPECT_EQ(panelClass->stageID, id);
        // A panel for a real stage of the kind, which answers the same ID.
        if (MCConvertStageRef stage = MCConvertStage::convertStageWithID(id)) {
            const auto panel = MCConvertStageViewController::viewControllerForStage(stage);
            ASSERT_TRUE(panel);
            EXPECT_EQ(panel->stageID(), id);
            EXPECT_EQ(panel->stage(), stage);
        }
    }
    const std::set<qint64> editIDs = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1000};
    for (qint64 id : editIDs) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(MCEditMetadataStageViewController::classForStageID(id));
        if (MCEditMetadataStageRef stage = MCEditMetadataStage::editMetadataStageWithID(id)) {
            const auto panel = MCEditMetadataStageViewController::viewControllerForStage(stage);
            ASSERT_TRUE(panel);
            EXPECT_EQ(panel->stageID(), id);
        }
    }
    for (qint64 id : {qint64(4), qint64(-1), qint64(41), qint64(1000)})
        EXPECT_FALSE(MCConvertStageViewController::classForStageID(id)) << id;
    for (qint64 id : {qint64(-1), qint64(10), qint64(30)})
        EXPECT_FALSE(MCEditMetadataStageViewController::classForStageID(id)) << id;
    EXPECT_FALSE(MCConvertStageViewController::viewControllerForStage(nullptr));

    // The same number selects different panels in the two families.
    EXPECT_EQ(MCConvertStageViewController::classForStageID(0)->className,
              QStringLiteral("MCConvertStageAutoContrastViewController"));
    EXPECT_EQ(MCEditMetadataStageViewController::classForStageID(0)->className,
              QStringLiteral("MCEditMetadataStageAddKeywordViewController"));
    EXPECT_EQ(MCConvertStageViewController::classForStageID(12)->className,
              QStringLiteral("MCConvertStageHSLViewController"));
    EXPECT_EQ(MCConvertStageViewController::StageID, -1);
}

TEST(StagePanelRegistry, LookupBeforeRegistrationMakesNothingAndRegisteringAgainReplaces)
{
    MCStagePanelRegistry<MCConvertStageViewController, MCConvertStage> registry;
    EXPECT_FALSE(registry.classForStageID(12));
    EXPECT_FALSE(registry.exists());
    registry.registerClass({QStringLiteral("First"), 12, nullptr}, 12);
    registry.registerClass({QStringLiteral("Second"), 12, nullptr}, 12);
    ASSERT_TRUE(registry.classForStageID(12));
    EXPECT_EQ(registry.classForStageID(12)->className, QStringLiteral("Second"));
    EXPECT_FALSE(registry.classForStageID(13));

    // The process-wide registry too; registering the panels again puts the class back.
    MCRegisterStagePanels();
    MCConvertStageViewController::registerClass<MCConvertStageGammaViewController>();
    MCConvertStageViewController::registerClass({QStringLiteral("Replacement"), 12, nullptr}, 12);
    EXPECT_EQ(MCConvertStageViewController::classForStageID(12)->className, QStringLiteral("Replacement"));
    MCRegisterStagePanels();
    EXPECT_EQ(MCConvertStageViewController::classForStageID(12)->className,
              QStringLiteral("MCConvertStageHSLViewController"));
}

TEST(StagePanelRegistry, PreferredHeightLoadsTheViewAndAnswersItsHeight)
{
    MCRegisterStagePanels();
    MCConvertStageRef stage = MCConvertStage::convertStageWithID(MCConvertHSL::StageID);
    auto panel = MCConvertStageViewController::viewControllerForStage(stage);
    ASSERT_TRUE(panel);
    EXPECT_FALSE(panel->isViewLoaded());
    const double height = panel->preferredHeight();
    EXPECT_TRUE(panel->isViewLoaded());
    EXPECT_EQ(height, panel->view()->height());
    EXPECT_GT(height, 3 * 20.0); // three rows
    EXPECT_EQ(panel->view()->objectName(), QStringLiteral("MCConvertStageHSLViewController"));
    // A panel is never shared: a second request makes a second one.
    EXPECT_NE(MCConvertStageViewController::viewControllerForStage(stage), nullptr);
}

// ---------------------------------------------------------------- slider panels

TEST(SliderPanels, LimitsStepsDefaultsAndOneUndoStepPerDragForEveryProperty)
{
    struct Row
    {
        qint64 stageID;
        const char *key;
        double minimum, maximum, step, defaultValue;
        const char *shownDefault;
    };
    const Row rows[] = {
        {0, "strength", 0.0, 1.0, 0.01, 0.5, "0.50"},
        {9, "gamma", 1.0, 4.4, 0.1, 2.2, "2.2"},
        {10, "exposure", 0.5, 2.0, 0.01, 1.0, "1.00"},
        {11, "hue", 0.0, 360.0, 1.0, 0.0, "0"},
        {11, "saturation", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {11, "value", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {12, "hue", 0.0, 360.0, 1.0, 0.0, "0"},
        {12, "saturation", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {12, "lightness", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {13, "sharpness", 0.0, 1.0, 0.01, 0.25, "0.25"},
        {16, "sepia", 0.0, 1.0, 0.01, 1.0, "1.00"},
        {17, "strength", 0.0, 1.0, 0.01, 0.5, "0.50"},
        {18, "temperature", 2000, 20000, 100, 6500, "6500"},
        {19, "red", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {19, "green", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {19, "blue", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {20, "contrast", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {20, "shift", 0.0, 1.0, 0.01, 0.5, "0.50"},
        {21, "hue", 0.0, 360.0, 1.0, 0.0, "0"},
        {21, "saturation", 0.0, 1.0, 0.01, 0.5, "0.50"},
        {21, "lightness", 0.0, 2.0, 0.01, 1.0, "1.00"},
        {27, "tolerance", 0.0, 1.0, 0.01, 0.0, "0.00"},
        {38, "radius", 1, 32, 1, 8, "8"},
        {39, "gamma", 0.01, 9.99, 0.01, 1.0, "1.00"},
        {39, "minInput", 0.0, 1.0, 0.01, 0.0, "0.00"},
        {39, "maxInput", 0.0, 1.0, 0.01, 1.0, "1.00"},
        {39, "minOutput", 0.0, 1.0, 0.01, 0.0, "0.00"},
        {39, "maxOutput", 0.0, 1.0, 0.01, 1.0, "1.00"},
        {201, "exposure", 0.0, 1.0, 0.01, 0.5, "0.50"},
    };
    for (const Row &row : rows) {
        const QString key = QString::fromLatin1(row.key);
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(row.stageID).arg(key).toStdString());
        ConvertPanel p(row.stageID);
        ASSERT_TRUE(p.panel);
        auto *slider = p.control<MCSlider>(key + QStringLiteral("Slider"));
        auto *field = p.control<MCStepperTextField>(key + QStringLiteral("TextField"));
        ASSERT_TRUE(slider && field);
        EXPECT_DOUBLE_EQ(slider->minValue(), row.minimum);
        EXPECT_DOUBLE_EQ(slider->maxValue(), row.maximum);
        EXPECT_DOUBLE_EQ(field->minValue(), row.minimum);
        EXPECT_DOUBLE_EQ(field->maxValue(), row.maximum);
        EXPECT_DOUBLE_EQ(field->increment(), row.step);
        EXPECT_EQ(field->text(), QString::fromLatin1(row.shownDefault));
        EXPECT_DOUBLE_EQ(slider->doubleValue(), row.defaultValue);
        EXPECT_FALSE(slider->accessibleName().isEmpty());

        // A drag to three quarters of the range is one undo step; redo gives its end again.
        const double target = row.minimum + (row.maximum - row.minimum) * 0.75;
        dragSlider(*slider, {row.minimum + (row.maximum - row.minimum) * 0.6, target});
        const double dragged = p.stage->doubleValue(key);
        EXPECT_NEAR(dragged, target, row.step);
        EXPECT_EQ(field->text(), p.panel->binder().numberFormat(key).text(dragged));
        EXPECT_TRUE(p.undo->isUndoRegistrationEnabled());
        EXPECT_EQ(p.undoDepth(), 1);
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(key), row.defaultValue);
        p.undo->redo();
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(key), dragged);

        // Reset goes back to the declared default, undoably, and the controls follow.
        p.panel->reset();
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(key), row.defaultValue);
        EXPECT_DOUBLE_EQ(slider->doubleValue(), row.defaultValue);
        EXPECT_EQ(field->text(), QString::fromLatin1(row.shownDefault));
        p.undo->undo();
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(key), dragged);
    }
}

TEST(SliderPanels, HslSaturationDragIsOneStepWhileObserversSeeEveryValue)
{
    ConvertPanel p(MCConvertHSL::StageID);
    auto *panel = dynamic_cast<MCConvertStageHSLViewController *>(p.panel.get());
    ASSERT_TRUE(panel);
    MCSlider *slider = panel->sliderWithTag(1);
    ASSERT_EQ(slider, p.control<MCSlider>(QStringLiteral("saturationSlider")));
    EXPECT_EQ(panel->textField(QStringLiteral("saturation")), p.control<MCStepperTextField>("saturationTextField"));

    std::vector<double> seen;
    MCObservation observation = p.stage->observe(QStringLiteral("saturation"),
                                                 [&](MCObservable &, const QString &, const MCKeyValueChange &change) {
                                                     seen.push_back(change.newValue.toDouble());
                                                 });
    dragSlider(*slider, {1.1, 1.2, 1.3, 1.4});
    EXPECT_EQ(seen, (std::vector<double>{1.1, 1.2, 1.3, 1.4}));
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.4);
    p.undo->undo();
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.0);
    EXPECT_FALSE(p.undo->canUndo());
    p.undo->redo();
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.4);
    EXPECT_EQ(panel->textField(QStringLiteral("saturation"))->text(), QStringLiteral("1.40"));
}

TEST(SliderPanels, AClickOrADragBackToTheStartRegistersNothing)
{
    ConvertPanel p(MCConvertHSL::StageID);
    MCSlider *slider = p.control<MCSlider>(QStringLiteral("saturationSlider"));
    ASSERT_TRUE(slider);
    dragSlider(*slider, {});
    dragSlider(*slider, {1.3, 1.7, 1.0});
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.0);
    EXPECT_FALSE(p.undo->canUndo());
    EXPECT_TRUE(p.undo->isUndoRegistrationEnabled());
}

TEST(SliderPanels, HoldingTheTemperatureArrowStepsByHundredsStopsAtTheLimitAndIsOneStep)
{
    ConvertPanel p(MCConvertTemperature::StageID);
    auto *stage = static_cast<MCConvertTemperature *>(p.stage.get());
    stage->setTemperature(19700);
    p.undo->removeAllActions();
    auto *field = p.control<MCStepperTextField>(QStringLiteral("temperatureTextField"));
    ASSERT_TRUE(field);
    const QPointF rightArrow = MCStepperTextFieldCell::rightArrowRectFromRect(field->rect()).center();
    sendMouse(*field, QEvent::MouseButtonPress, rightArrow);
    EXPECT_EQ(stage->temperature(), 19800u);
    EXPECT_FALSE(p.undo->isUndoRegistrationEnabled());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return stage->temperature() == 20000u; }));
    // Held on at the limit, it stays there.
    testsupport::processEventsUntil([] { return false; }, 2 * MCStepperTextFieldCell::kRepeatInterval);
    EXPECT_EQ(stage->temperature(), 20000u);
    sendMouse(*field, QEvent::MouseButtonRelease, rightArrow);
    EXPECT_EQ(field->text(), QStringLiteral("20000"));
    EXPECT_TRUE(p.undo->isUndoRegistrationEnabled());
    p.undo->undo();
    EXPECT_EQ(stage->temperature(), 19700u);
    EXPECT_FALSE(p.undo->canUndo());
}

TEST(SliderPanels, TypedValuesAreCheckedAgainstTheDeclaredLimits)
{
    ConvertPanel p(MCConvertHSL::StageID);
    auto *hue = p.control<MCStepperTextField>(QStringLiteral("hueTextField"));
    auto *saturation = p.control<MCStepperTextField>(QStringLiteral("saturationTextField"));
    ASSERT_TRUE(hue && saturation);

    typeInto(*hue, QStringLiteral("400"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("hue")), 0.0);
    EXPECT_EQ(hue->text(), QStringLiteral("0"));
    typeInto(*saturation, QStringLiteral("2.5"));
    typeInto(*saturation, QStringLiteral("abc"));
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.0);
    EXPECT_EQ(saturation->text(), QStringLiteral("1.00"));
    EXPECT_FALSE(p.undo->canUndo());

    // An accepted value is one undo step, kept to the field's digits.
    typeInto(*saturation, QStringLiteral("1.234"));
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.23);
    EXPECT_EQ(saturation->text(), QStringLiteral("1.23"));
    EXPECT_EQ(p.undoDepth(), 1);
    EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.0);
}

TEST(SliderPanels, AnEmptiedFieldTakesTheStagesNilRuleOnTheNextTurn)
{
    {
        ConvertPanel p(MCConvertHSL::StageID);
        auto *saturation = p.control<MCStepperTextField>(QStringLiteral("saturationTextField"));
        auto *hue = p.control<MCStepperTextField>(QStringLiteral("hueTextField"));
        typeInto(*saturation, QString());
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 1.0); // not yet
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return saturation->text() == QStringLiteral("0.00"); }));
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("saturation")), 0.0);
        // Already at its minimum: nothing changes, and the field shows the value again.
        typeInto(*hue, QString());
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return hue->text() == QStringLiteral("0"); }));
    }
    {
        // Levels keeps what it had.
        ConvertPanel p(MCConvertLevels::StageID);
        auto *gamma = p.control<MCStepperTextField>(QStringLiteral("gammaTextField"));
        typeInto(*gamma, QStringLiteral("2.5"));
        typeInto(*gamma, QString());
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return gamma->text() == QStringLiteral("2.50"); }));
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("gamma")), 2.5);
        // Levels refuses no typed value: the stage sets no limits of its own.
        typeInto(*gamma, QStringLiteral("12"));
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("gamma")), 12.0);
    }
}

TEST(SliderPanels, APressThatLosesTheMouseLeavesRegistrationOn)
{
    // Hidden mid-drag, window deactivated mid-drag, and destroyed mid-drag.
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        ConvertPanel p(MCConvertHSL::StageID);
        MCSlider *slider = p.control<MCSlider>(QStringLiteral("lightnessSlider"));
        const double y = slider->height() / 2.0;
        sendMouse(*slider, QEvent::MouseButtonPress, {knobX(*slider, 1.0), y});
        sendMouse(*slider, QEvent::MouseMove, {knobX(*slider, 1.5), y});
        EXPECT_FALSE(p.undo->isUndoRegistrationEnabled());
        if (way == 0) {
            p.panel->view()->hide();
        } else if (way == 1) {
            QEvent deactivate(QEvent::WindowDeactivate);
            QApplication::sendEvent(slider, &deactivate);
        } else {
            p.panel.reset();
        }
        EXPECT_TRUE(p.undo->isUndoRegistrationEnabled());
        // The change of the drag is still one undo step.
        EXPECT_EQ(p.undoDepth(), 1);
        EXPECT_DOUBLE_EQ(p.stage->doubleValue(QStringLiteral("lightness")), 1.0);
        // A late release of the slider is no second end.
        if (p.panel)
            sendMouse(*slider, QEvent::MouseButtonRelease, {knobX(*slider, 1.5), y});
        EXPECT_TRUE(p.undo->isUndoRegistrationEnabled());
    }
}

// ---------------------------------------------------------------- interface-only panels

TEST(InterfaceOnlyPanels, ControlsChangeTheStageUndoablyAndFollowIt)
{
    ConvertPanel p(MCConvertAddKeyword::StageID);
    auto *stage = static_cast<MCConvertAddKeyword *>(p.stage.get());
    auto *keywords = p.panel->view()->findChild<QLineEdit *>();
    auto *removes = p.panel->view()->findChild<QCheckBox *>();
    ASSERT_TRUE(keywords && removes);
    EXPECT_EQ(keywords->accessibleName(), QStringLiteral("Keywords"));

    // Text goes to the stage when editing ends, not at each key.
    const QString before = stage->keywords();
    EXPECT_EQ(keywords->text(), before);
    keywords->setFocus();
    keywords->selectAll();
    QTest::keyClicks(keywords, QStringLiteral("sea, sky"));
    EXPECT_EQ(stage->keywords(), before);
    QTest::keyClick(keywords, Qt::Key_Return);
    EXPECT_EQ(stage->keywords(), QStringLiteral("sea, sky"));
    QApplication::processEvents(); // the end of the event: its undo group closes
    QTest::mouseClick(removes, Qt::LeftButton);
    EXPECT_TRUE(stage->removesExistingKeywords());
    p.undo->undo();
    EXPECT_FALSE(removes->isChecked());
    EXPECT_EQ(keywords->text(), QStringLiteral("sea, sky"));
    stage->setKeywords(QStringLiteral("river"));
    EXPECT_EQ(keywords->text(), QStringLiteral("river"));

    // A pop-up chooses among the stage's values.
    ConvertPanel rotate(MCConvertRotate::StageID);
    auto popups = rotate.panel->view()->findChildren<QComboBox *>();
    ASSERT_EQ(popups.size(), 2);
    popups[0]->setCurrentIndex(3);
    EXPECT_EQ(static_cast<MCConvertRotate *>(rotate.stage.get())->rotate(), 3u);
    static_cast<MCConvertRotate *>(rotate.stage.get())->setFlip(2);
    EXPECT_EQ(popups[1]->currentIndex(), 2);
}

TEST(InterfaceOnlyPanels, IptcTextsAreEditableOnlyWhileSwitchedOn)
{
    MCRegisterStagePanels();
    MCEditMetadataStageRef stage = MCEditMetadataStage::editMetadataStageWithID(MCEditMetadataSetIPTCInfo::StageID);
    auto panel = MCEditMetadataStageViewController::viewControllerForStage(stage);
    ASSERT_TRUE(panel);
    const auto boxes = panel->view()->findChildren<QCheckBox *>();
    const auto fields = panel->view()->findChildren<QLineEdit *>();
    ASSERT_EQ(boxes.size(), 9);
    ASSERT_EQ(fields.size(), 9);
    stage->setValueForKey(QStringLiteral("shouldEditCreator"), false);
    EXPECT_FALSE(boxes[0]->isChecked());
    EXPECT_FALSE(fields[0]->isEnabled());
    stage->setValueForKey(QStringLiteral("shouldEditCreator"), true);
    EXPECT_TRUE(boxes[0]->isChecked());
    EXPECT_TRUE(fields[0]->isEnabled());

    // Another stage of the same kind: the controls follow it; an edit under way went to the
    // stage it was made in.
    panel->view()->show();
    panel->view()->activateWindow();
    fields[0]->setFocus();
    fields[0]->selectAll();
    QTest::keyClicks(fields[0], QStringLiteral("Ada"));
    auto other = MCEditMetadataStage::editMetadataStageWithID(MCEditMetadataSetIPTCInfo::StageID);
    other->setValueForKey(QStringLiteral("shouldEditCreator"), false);
    other->setValueForKey(QStringLiteral("creator"), QStringLiteral("Grace"));
    panel->setStage(other);
    EXPECT_EQ(stage->stringValue(QStringLiteral("creator")), QStringLiteral("Ada"));
    EXPECT_FALSE(boxes[0]->isChecked());
    EXPECT_FALSE(fields[0]->isEnabled());
    EXPECT_EQ(fields[0]->text(), QStringLiteral("Grace"));
    const bool caption = other->boolValue(QStringLiteral("shouldEditCaption"));
    QTest::mouseClick(boxes[1], Qt::LeftButton);
    EXPECT_EQ(other->boolValue(QStringLiteral("shouldEditCaption")), !caption);
    EXPECT_EQ(stage->boolValue(QStringLiteral("shouldEditCaption")), caption);
}
