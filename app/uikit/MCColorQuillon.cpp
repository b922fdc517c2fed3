#include "app/uikit/MCColorQuillon.h"

#include "platform/core/MCUserDefaults.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <QWidget>

const QString kMCAperanceKindKey = QStringLiteral("AperanceKind");

namespace MCColorQuillon {

namespace {
// The hue of the alternate (neutral) browser colours: 212°. Their saturation is 0, so the hue
// shows nowhere; it is kept for whoever raises the saturation.
constexpr double kAlternateHue = 212.0 / 360.0;

QColor hsb(double hue, double saturation, double brightness, double alpha)
{
    return QColor::fromHsvF(float(hue), float(saturation), float(brightness), float(alpha));
}
} // namespace

double defaultHue()
{
    return 0.6;
}

double defaultSaturation()
{
    // Indexed by whether the setting is 0; a missing setting reads as 0.
    static constexpr double kSaturations[2] = {0.1, 0.25};
    return kSaturations[MCUserDefaults::standardUserDefaults().integerForKey(kMCAperanceKindKey) == 0 ? 1 : 0];
}

QColor colorWithBrightness(double brightness, double alpha)
{
    return hsb(defaultHue(), defaultSaturation(), brightness, alpha);
}

QColor colorWithSaturation(double saturation, double brightness, double alpha)
{
    return hsb(defaultHue(), saturation, brightness, alpha);
}

QColor colorWithWhite(double white, double alpha)
{
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}

QColor browserViewBackgroundColor() { return colorWithBrightness(0.25, 1.0); }
QColor browserHeaderCellFillColor() { return colorWithWhite(0.0, 0.2); }
QColor browserHeaderCellStrokeColor() { return colorWithWhite(0.0, 0.3); }
QColor browserSelectingRectFillColor() { return colorWithBrightness(0.92, 0.1); }
QColor browserSelectingRectStrokeColor() { return colorWithBrightness(0.92, 1.0); }
QColor browserCellSelectionFillColor() { return QColor(); }
QColor browserCellSelectionStrokeColor() { return colorWithSaturation(0.5, 1.0, 1.0); }
QColor browserAlternateSelectingRectFillColor() { return hsb(kAlternateHue, 0.0, 0.75, 0.1); }
QColor browserAlternateSelectingRectStrokeColor() { return hsb(kAlternateHue, 0.0, 0.75, 1.0); }
QColor browserAlternateCellSelectionFillColor() { return hsb(kAlternateHue, 0.0, 0.75, 0.3); }
QColor browserAlternateCellSelectionStrokeColor() { return hsb(kAlternateHue, 0.0, 0.75, 1.0); }
QColor backgroundDarkColor() { return colorWithBrightness(0.15, 1.0); }
QColor backgroundLightColor() { return colorWithBrightness(0.2, 1.0); }
QColor darkSeparatorColor() { return colorWithBrightness(0.1, 1.0); }
QColor lightSeparatorColor() { return colorWithBrightness(1.0, 0.33); }
QColor navbarBackgroundColor() { return colorWithBrightness(0.2, 1.0); }
QColor pathbarBackgroundColor() { return colorWithBrightness(0.15, 1.0); }
QColor sidebarBackgroundColor() { return colorWithBrightness(0.15, 1.0); }
QColor statusbarBackgroundColor() { return colorWithBrightness(0.15, 1.0); }
QColor toolbarBackgroundColor() { return colorWithBrightness(0.25, 1.0); }
QColor grayBorderColor() { return colorWithBrightness(0.69, 1.0); }

} // namespace MCColorQuillon

MCAppearanceObserver &MCAppearanceObserver::sharedObserver()
{
    static auto *observer = new MCAppearanceObserver(MCUserDefaults::standardUserDefaults(), qApp); // lives with the application
    return *observer;
}

MCAppearanceObserver::MCAppearanceObserver(MCUserDefaults &defaults, QObject *parent)
    : QObject(parent)
{
    m_observation = std::make_unique<MCObservation>(defaults.observe(
        kMCAperanceKindKey, [this](MCObservable &, const QString &, const MCKeyValueChange &) {
            // The setting may change on any thread; the screens redraw on the main thread.
            if (QThread::currentThread() == thread())
                announce();
            else
                QMetaObject::invokeMethod(this, &MCAppearanceObserver::announce, Qt::QueuedConnection);
        }));
}

MCAppearanceObserver::~MCAppearanceObserver() = default;

void MCAppearanceObserver::announce()
{
    emit appearanceKindChanged();
    // Views ask for their colours on each paint, so one repaint re-tints them all.
    for (QWidget *widget : QApplication::topLevelWidgets())
        widget->update();
}
