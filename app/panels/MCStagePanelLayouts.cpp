#include "app/panels/MCStagePanelLayouts.h"

#include "app/stages/MCConvertCurves.h"
#include "app/stages/MCConvertScale.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCConvertStageScaleViewController", text);
}

} // namespace

QList<MCColorProfileMenuItem> MCColorProfileMenuItems(const QList<MCColorProfileMenuItem> &entries)
{
    QList<MCColorProfileMenuItem> items;
    for (const MCColorProfileMenuItem &entry : entries) {
        if (entry.title.isEmpty() || entry.url.isEmpty())
            continue;
        items.removeIf([&entry](const MCColorProfileMenuItem &item) { return item.title == entry.title; });
        items.append(entry);
    }
    return items;
}

qint64 MCColorProfileMenuSelection(const QList<MCColorProfileMenuItem> &items, const QString &url)
{
    if (items.isEmpty())
        return -1;
    if (!url.isEmpty()) {
        const QString wanted = QDir::cleanPath(url);
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (QDir::cleanPath(items[i].url) == wanted)
                return i;
        }
    }
    return 0;
}

std::optional<MCScalePanelLayout> MCScalePanelLayoutForMode(quint64 mode)
{
    const QString pixels = tr("pixels");
    switch (mode) {
    case 0: return MCScalePanelLayout{tr("Scale to:"), tr("percent"), MCConvertScale::kScaleInPercentageKey, false, {}};
    case 1: return MCScalePanelLayout{tr("Long Edge:"), pixels, MCConvertScale::kScaleToEdgeKey, false, {}};
    case 2: return MCScalePanelLayout{tr("Short Edge:"), pixels, MCConvertScale::kScaleToEdgeKey, false, {}};
    case 3: return MCScalePanelLayout{tr("Scale to:"), tr("megapixels"), MCConvertScale::kScaleToMegapixelsKey, false, {}};
    case 4: return MCScalePanelLayout{tr("Long Edge:"), pixels, MCConvertScale::kScaleToEdgeKey, true, tr("Short Edge:")};
    case 5: return MCScalePanelLayout{tr("Width:"), pixels, MCConvertScale::kScaleToEdgeKey, true, tr("Height:")};
    default: return std::nullopt;
    }
}

double MCScalePanelPreferredHeight(quint64 mode)
{
    return mode == 4 || mode == 5 ? 92.0 : 67.0;
}

double MCScaleToSizePanelPreferredHeight(quint64 behavior)
{
    return MCScaleToSizePanelShowsFillColor(behavior) ? 212.0 : 182.0;
}

const QList<quint64> &MCResolutionMenuValues()
{
    static const QList<quint64> values = {72, 96, 150, 180, 200, 240, 300, 360, 600};
    return values;
}

QList<bool> MCResolutionMenuCheckStates(const QList<quint64> &tags, quint64 resolutionDPI)
{
    QList<bool> states;
    states.reserve(tags.size());
    for (const quint64 tag : tags)
        states.append(tag == resolutionDPI);
    return states;
}

std::optional<QColor> MCOpaqueDeviceRGBColor(const QColor &color)
{
    if (!color.isValid())
        return std::nullopt;
    QColor rgb = color.toRgb();
    rgb.setAlphaF(1.0f);
    return rgb;
}

QString MCCurvesPanelPointsKeyForChannel(quint64 channel)
{
    switch (channel) {
    case 1: return MCConvertCurves::kPointsRKey;
    case 2: return MCConvertCurves::kPointsGKey;
    case 3: return MCConvertCurves::kPointsBKey;
    default: return MCConvertCurves::kPointsAKey;
    }
}

QColor MCCurvesPanelForegroundColorForChannel(quint64 channel)
{
    switch (channel) {
    case 1: return QColor::fromHsvF(0.0f, 0.5f, 0.5f, 1.0f);
    case 2: return QColor::fromHsvF(0.25f, 0.5f, 0.5f, 1.0f);
    case 3: return QColor::fromHsvF(float(7.0 / 12.0), 0.5f, 0.5f, 1.0f);
    // Hue 1.0 is the same as 0; with no saturation only the brightness shows.
    default: return QColor::fromHsvF(0.0f, 0.0f, 0.75f, 1.0f);
    }
}
