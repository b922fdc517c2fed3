#pragma once

// Helpers of the themed-control tests: the theme kind for one test, pixels of a control's
// rendering over a known background, and colour comparison within ±2/255.
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "platform/core/MCUserDefaults.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace uikittest {

// Sets "AperanceKind" for the life of the object.
class AppearanceKind
{
public:
    explicit AppearanceKind(int kind) { MCUserDefaults::standardUserDefaults().setInteger(kind, kMCAperanceKindKey); }
    ~AppearanceKind() { MCUserDefaults::standardUserDefaults().removeObjectForKey(kMCAperanceKindKey); }
};

// Controls count their window as active (the hover look needs it) for the life of the object.
class AssumeActiveWindow
{
public:
    AssumeActiveWindow() { MCMouseOverTracking::setAssumesActiveWindow(true); }
    ~AssumeActiveWindow() { MCMouseOverTracking::setAssumesActiveWindow(false); }
};

// The background every control is grabbed over.
inline QColor background() { return QColor(0, 0, 0); }

// The control's rendering, through QWidget::grab(), over background().
inline QImage rendering(QWidget &widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background());
    widget.setPalette(palette);
    return widget.grab().toImage();
}

inline QColor pixel(QWidget &widget, QPointF point)
{
    return rendering(widget).pixelColor(point.toPoint());
}

// `color` laid over background().
inline QColor over(const QColor &color)
{
    const QColor back = background();
    const double a = color.alphaF();
    auto mix = [a](double top, double bottom) { return top * a + bottom * (1 - a); };
    return QColor::fromRgbF(float(mix(color.redF(), back.redF())), float(mix(color.greenF(), back.greenF())),
                            float(mix(color.blueF(), back.blueF())));
}

inline ::testing::AssertionResult near(const QColor &actual, const QColor &expected, int tolerance = 2)
{
    const QColor target = over(expected);
    if (std::abs(actual.red() - target.red()) <= tolerance && std::abs(actual.green() - target.green()) <= tolerance &&
        std::abs(actual.blue() - target.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << actual.name().toStdString() << ", expected "
                                         << target.name().toStdString();
}

// Puts a control into a look: disabled, pressed (through `press`), pointer over it, or at rest.
template <typename Press> void applyState(QWidget &control, MCControlState state, Press press)
{
    switch (state) {
    case MCControlState::Disabled: control.setEnabled(false); break;
    case MCControlState::Pressed: press(); break;
    case MCControlState::MouseOver: {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&control, &enter);
        break;
    }
    case MCControlState::Default: break;
    }
}

inline const MCControlState kStates[] = {MCControlState::Disabled, MCControlState::Pressed, MCControlState::MouseOver,
                                         MCControlState::Default};

} // namespace uikittest
