#pragma once

// The colours of the dark theme. Every themed colour has one hue (0.6) and a saturation chosen
// by the user setting "AperanceKind": 0.25 when it is 0, 0.1 for every other value. Nothing is
// cached: each call reads the setting again, so a colour asked for after the setting changed
// already has the new saturation. A view that keeps a colour (a gradient, say) rebuilds it
// when MCAppearanceObserver announces the change.
//
// Colours are HSB ("brightness" is HSV's value) with the given alpha. Main thread or any
// thread: the functions only read the user settings.
#include <QColor>
#include <QObject>
#include <QString>

#include <memory>

class MCUserDefaults;
class MCObservation;

// "AperanceKind" (spelled so): 0 gives the more saturated theme, anything else the greyer one.
extern const QString kMCAperanceKindKey;

namespace MCColorQuillon {

double defaultHue();        // 0.6
double defaultSaturation(); // 0.25 when "AperanceKind" is 0 (or not set at all), else 0.1

// The theme colour: hue defaultHue(), saturation defaultSaturation(), the given brightness and
// alpha. Nearly every themed surface is drawn with it ("theme colour b / a").
QColor colorWithBrightness(double brightness, double alpha = 1.0);
// Hue defaultHue() with the given saturation: does not follow the setting.
QColor colorWithSaturation(double saturation, double brightness, double alpha = 1.0);
// A neutral grey of the given white level (0 black, 1 white).
QColor colorWithWhite(double white, double alpha = 1.0);

// Named colours of the screens.
QColor browserViewBackgroundColor();
QColor browserHeaderCellFillColor();
QColor browserHeaderCellStrokeColor();
QColor browserSelectingRectFillColor();
QColor browserSelectingRectStrokeColor();
// No colour: answers an invalid QColor, which callers treat as "no fill".
QColor browserCellSelectionFillColor();
QColor browserCellSelectionStrokeColor();
QColor browserAlternateSelectingRectFillColor();
QColor browserAlternateSelectingRectStrokeColor();
QColor browserAlternateCellSelectionFillColor();
QColor browserAlternateCellSelectionStrokeColor();
QColor backgroundDarkColor();
QColor backgroundLightColor();
QColor darkSeparatorColor();
QColor lightSeparatorColor();
QColor navbarBackgroundColor();
QColor pathbarBackgroundColor();
QColor sidebarBackgroundColor();
QColor statusbarBackgroundColor();
QColor toolbarBackgroundColor();
QColor grayBorderColor();

} // namespace MCColorQuillon

// Announces a change of "AperanceKind" on the main thread, whichever thread changed it, and
// repaints every widget of the application so that all themed surfaces re-tint at once. Views
// that keep colours (gradients) connect to appearanceKindChanged() to rebuild them first.
class MCAppearanceObserver : public QObject
{
    Q_OBJECT
public:
    // The observer of the standard user settings, made on first use (on the main thread).
    static MCAppearanceObserver &sharedObserver();

    // An observer of `defaults` (tests); not owned, must outlive the observer.
    explicit MCAppearanceObserver(MCUserDefaults &defaults, QObject *parent = nullptr);
    ~MCAppearanceObserver() override;

signals:
    void appearanceKindChanged();

private:
    void announce();

    std::unique_ptr<MCObservation> m_observation;
};
