// Stepper fields, steppers, sliders, segmented controls, the rating matrix and the progress
// indicators.
#include "app/uikit/MCProgressIndicator.h"
#include "app/uikit/MCRatingMatrix.h"
#include "app/uikit/MCSegmentedControl.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "tools/screenshots/UIKitGallery.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QPixmap>

using namespace uikitgallery;

namespace {

QIcon gridIcon(int side)
{
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double cell = (side - 4) / 2.0;
    for (int i = 0; i < 4; ++i)
        painter.fillRect(QRectF(1.5 + (i % 2) * (cell + 1), 1.5 + (i / 2) * (cell + 1), cell, cell), QColor(235, 235, 235));
    return QIcon(pixmap);
}

void enterAt(QWidget *control, QPointF point)
{
    QEnterEvent enter(point, point, point);
    QApplication::sendEvent(control, &enter);
}

QWidget *valuesPage()
{
    auto *page = new Page(stateColumnNames());
    const QList<MCControlState> &states = stateColumns();
    page->addRow(QStringLiteral("Stepper field"), [&states](int column) -> QWidget * {
        const MCControlState state = states.value(column);
        if (state == MCControlState::MouseOver)
            return nullptr;
        auto *field = new MCStepperTextField;
        field->setFixedWidth(70);
        field->setMaxValue(359);
        field->setValueWraps(true);
        field->setDoubleValue(state == MCControlState::Pressed ? 359 : 50);
        if (state == MCControlState::Pressed)
            field->increaseValue(); // wrapped to the minimum
        applyState(field, state == MCControlState::Pressed ? MCControlState::Default : state);
        return field;
    });
    page->addRow(QStringLiteral("Stepper"), [&states](int column) -> QWidget * {
        auto *stepper = new MCDarkStepperCell;
        stepper->setFixedSize(stepper->sizeHint());
        const MCControlState state = states.value(column);
        if (state == MCControlState::Pressed)
            stepper->setHighlighted(true, true);
        else
            applyState(stepper, state);
        return stepper;
    });
    page->addRow(QStringLiteral("Small stepper, lower half"), [&states](int column) -> QWidget * {
        if (states.value(column) != MCControlState::Pressed)
            return nullptr;
        auto *stepper = new MCDarkStepperCell;
        stepper->setControlSize(MCControlSize::Small);
        stepper->setFixedSize(stepper->sizeHint());
        stepper->setHighlighted(true, false);
        return stepper;
    });
    const struct {
        const char *name;
        bool zoom;
        MCControlSize size;
    } sliders[] = {{"Slider", false, MCControlSize::Regular},
                   {"Small slider", false, MCControlSize::Small},
                   {"Zoom slider", true, MCControlSize::Regular}};
    for (const auto &row : sliders) {
        page->addRow(QString::fromLatin1(row.name), [&states, row](int column) -> QWidget * {
            auto *slider = new MCSlider;
            if (row.zoom)
                slider->setCell(std::make_unique<MCZoomSliderCell>());
            slider->setControlSize(row.size);
            slider->setDoubleValue(0.4);
            slider->setFixedSize(120, slider->sizeHint().height());
            const MCControlState state = states.value(column);
            if (state == MCControlState::Pressed)
                slider->setSliderDown(true);
            else
                applyState(slider, state);
            return slider;
        });
    }
    page->addRow(QStringLiteral("Segments"), [&states](int column) -> QWidget * {
        auto *control = new MCDarkSegmentedControl;
        control->setSegmentCount(3);
        control->setImage(gridIcon(14), 0);
        control->setImage(folderIcon(14), 1);
        control->setImage(plusIcon(14), 2);
        control->setIconSize(QSize(14, 14));
        control->setSelectedSegment(0);
        control->setFixedSize(100, 22);
        const MCControlState state = states.value(column);
        if (state == MCControlState::MouseOver)
            enterAt(control, {40, 5});
        else if (state == MCControlState::Pressed)
            control->setPressedSegmentForDisplay(1);
        else if (state == MCControlState::Disabled)
            control->setEnabled(false, 2);
        return control;
    });
    page->addRow(QStringLiteral("Text segments"), [&states](int column) -> QWidget * {
        const MCControlState state = states.value(column);
        if (state == MCControlState::MouseOver)
            return nullptr;
        auto *control = new MCBlackSegmentCell;
        control->setSegmentCount(3);
        control->setLabel(QStringLiteral("All"), 0);
        control->setLabel(QStringLiteral("Flagged"), 1);
        control->setLabel(QStringLiteral("Rejected"), 2);
        control->setSelectedSegment(0);
        if (state == MCControlState::Pressed)
            control->setPressedSegmentForDisplay(2);
        if (state == MCControlState::Disabled)
            control->setEnabled(false, 1);
        control->setFixedSize(control->sizeHint());
        return control;
    });
    page->addRow(QStringLiteral("Rating"), [&states](int column) -> QWidget * {
        const MCControlState state = states.value(column);
        if (state == MCControlState::MouseOver || state == MCControlState::Pressed)
            return nullptr;
        auto *rating = new MCRatingMatrix;
        rating->setRating(3);
        rating->setFixedSize(rating->sizeHint());
        applyState(rating, state);
        return rating;
    });
    return page;
}

QWidget *progressPage()
{
    auto *page = new Page({QStringLiteral("Empty"), QStringLiteral("Partial"), QStringLiteral("Full"),
                           QStringLiteral("Indeterminate")});
    page->addRow(QStringLiteral("Progress bar"), [](int column) -> QWidget * {
        auto *bar = new MCDarkProgressIndicator;
        bar->setFixedSize(160, 20);
        bar->setIndeterminate(column == 3);
        bar->setDoubleValue(column == 0 ? 0 : column == 1 ? 40 : 100);
        if (column == 3)
            bar->setProgressOffset(7);
        return bar;
    });
    page->addRow(QStringLiteral("Spinner"), [](int column) -> QWidget * {
        auto *spinner = new MCWhiteSpinningProgress;
        spinner->setFixedSize(32, 32);
        if (column == 3) {
            // Animating, a few frames on (the timer starts only once shown; frames by hand).
            spinner->startAnimation();
            for (int i = 0; i < 4; ++i)
                spinner->updateFrame();
            return spinner;
        }
        spinner->setIndeterminate(false);
        spinner->setDoubleValue(column == 0 ? 0 : column == 1 ? 40 : 100);
        return spinner;
    });
    page->addRow(QStringLiteral("Spinner, still"), [](int column) -> QWidget * {
        if (column != 3)
            return nullptr;
        auto *spinner = new MCWhiteSpinningProgress;
        spinner->setFixedSize(64, 64);
        return spinner;
    });
    return page;
}

const bool registered = [] {
    registerPage(QStringLiteral("uikit-values"), valuesPage);
    registerPage(QStringLiteral("uikit-progress"), progressPage);
    return true;
}();

} // namespace
