#pragma once

// The shared floating map palette: a small dark tool window that shows where a photo was
// taken. It holds one pin, given as a coordinate pair in degrees (latitude, longitude).
//
// There is no map drawn yet: the program ships no offline map tiles and fetches nothing from
// the network, so the palette shows the pin's coordinates as text. Its interface is the one a
// map will keep: show with a target, set the pin, hide.
//
//   MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
//   palette.showPaletteWithTarget({}); // nobody to tell about pins the user sets
//   palette.setPinToPoint(QPointF(latitude, longitude));
//   ...
//   if (MCMapPaletteController *palette = MCMapPaletteController::sharedInstanceIfExists())
//       palette->hidePalette();
//
// Main thread only.
#include <QObject>
#include <QPointF>
#include <QPointer>

#include <functional>
#include <optional>

class QLabel;
class QWidget;

// The pin as the palette writes it: "48.850000° N, 2.350000° E" (six decimals, about a tenth
// of a metre); "No location" without a pin, "Invalid location" for a latitude outside ±90°, a
// longitude outside ±180° or a value that is not a number.
QString MCMapPaletteCoordinateText(const std::optional<QPointF> &pin);

class MCMapPaletteController : public QObject
{
    Q_OBJECT
public:
    // Told the coordinate (latitude, longitude) of a pin the user sets on the map.
    using PinAction = std::function<void(const QPointF &coordinate)>;

    // The one palette, made on first use.
    static MCMapPaletteController &sharedInstance();
    // The palette when it has been made, else null.
    static MCMapPaletteController *sharedInstanceIfExists();

    ~MCMapPaletteController() override;

    // Keeps the action for pins the user sets (none: pins are not reported), centres the
    // palette on the screen of the active window and brings it to the front with the keyboard.
    void showPaletteWithTarget(PinAction action);
    // Places the single pin at (latitude, longitude) in degrees: x is the latitude, y the
    // longitude.
    void setPinToPoint(const QPointF &coordinate);
    // Forgets the action and orders the palette out. Closing the window does the same.
    void hidePalette();

    bool isPaletteVisible() const;
    std::optional<QPointF> pin() const { return m_pin; }
    bool hasTarget() const { return bool(m_action); }

    QWidget *window();
    QLabel *coordinateLabel();

private:

    explicit MCMapPaletteController(QObject *parent);
    void loadWindow();
    void updateCoordinateLabel();

    PinAction m_action;
    std::optional<QPointF> m_pin;
    QPointer<QWidget> m_window;
    QPointer<QLabel> m_coordinateLabel;
};
