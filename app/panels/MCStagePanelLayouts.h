#pragma once

// What the geometry, profile, resolution, colour and curves panels show, worked out as plain
// functions of the stage's values so they can be checked as tables: the profile pop-up's items
// and selection, the scale panel's rows per mode, the panel heights, the resolution menu, the
// colour well's colour and the curves channels. The panels only apply
// what these answer.
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// ---- colour-profile pop-up

// One item of the profile pop-up: the profile's name as title, its file as the item's value.
struct MCColorProfileMenuItem
{
    QString title;
    QString url;
    bool operator==(const MCColorProfileMenuItem &) const = default;
};
// The items for the stage's entries in the stage's order. An entry without a name or without a
// file gets no item; of two entries with the same name only the later stays, moved to the place
// of the later (a pop-up holds one item per title).
QList<MCColorProfileMenuItem> MCColorProfileMenuItems(const QList<MCColorProfileMenuItem> &entries);
// The item to select for the stage's file: the one carrying that file (paths compared in their
// clean form), else the first; -1 for an empty menu.
qint64 MCColorProfileMenuSelection(const QList<MCColorProfileMenuItem> &items, const QString &url);

// ---- scale panel

// The rows of the scale panel in one mode.
struct MCScalePanelLayout
{
    QString caption;       // the first row's caption ("Scale to:", "Long Edge:" …)
    QString unit;          // its unit caption ("percent", "pixels", "megapixels")
    QString key;           // the stage property the first field edits (its declaration gives
                           // the field's limits, step and digits)
    bool showsSecondRow;   // the box modes 4 and 5
    QString secondCaption; // "Short Edge:" or "Height:"; empty when hidden
};
// The layout of mode 0..5 (captions translated); nothing for other values, which leave the
// panel as it was.
std::optional<MCScalePanelLayout> MCScalePanelLayoutForMode(quint64 mode);
// 92 points with two rows (modes 4 and 5), otherwise 67.
double MCScalePanelPreferredHeight(quint64 mode);
// ---- crop and scale to size

// 212 points while the behaviour pads the box with the fill colour (0), otherwise 182.
double MCScaleToSizePanelPreferredHeight(quint64 behavior);
inline bool MCScaleToSizePanelShowsFillColor(quint64 behavior) { return behavior == 0; }

// ---- resolution

// The resolutions the menu of the resolution field offers, in dots per inch (each item's tag).
const QList<quint64> &MCResolutionMenuValues();
// Which menu items carry the check mark for the stage's resolution: those whose tag equals it.
QList<bool> MCResolutionMenuCheckStates(const QList<quint64> &tags, quint64 resolutionDPI);

// ---- colour-alpha panels

// The colour the well shows and the stage takes: `color` in device RGB with alpha 1; nothing
// for an invalid colour.
std::optional<QColor> MCOpaqueDeviceRGBColor(const QColor &color);

// ---- curves panel

// The stage property shown for a channel: 1 "pointsR", 2 "pointsG", 3 "pointsB", anything
// else the master curve "pointsA".
QString MCCurvesPanelPointsKeyForChannel(quint64 channel);
// The knobs' colour of a channel: red, green and blue in half-saturated, half-bright hues, the
// master curve light grey.
QColor MCCurvesPanelForegroundColorForChannel(quint64 channel);
