#include "app/uikit/MCControlTransformers.h"

#include "halvard/system/MCDataExtensions.h"

#include <QColor>
#include <QRegularExpression>

#include <cmath>
#include <limits>

double MCDoubleValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString: {
        // Leading white space, then the longest number there is; the rest is ignored.
        static const QRegularExpression number(
            QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
        const QRegularExpressionMatch match = number.match(value.toString());
        if (!match.hasMatch())
            return 0.0;
        const double result = match.captured(1).toDouble();
        return std::isfinite(result) ? result : 0.0;
    }
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    default:
        return 0.0;
    }
}

namespace {

template <typename T> std::shared_ptr<T> shared()
{
    static const std::shared_ptr<T> instance = std::make_shared<T>();
    return instance;
}

} // namespace

// Colour ------------------------------------------------------------------------------------

std::shared_ptr<MCColorToDataTransformer> MCColorToDataTransformer::sharedInstance()
{
    return shared<MCColorToDataTransformer>();
}

QVariant MCColorToDataTransformer::transformedValue(const QVariant &value) const
{
    if (value.typeId() != QMetaType::QByteArray)
        return {};
    // Settings and presets can be edited by hand: what does not decode to a colour is none.
    const QVariant object = MCKeyedUnarchiver::unarchivedRootObject(value.toByteArray());
    if (object.typeId() != QMetaType::QColor || !object.value<QColor>().isValid())
        return {};
    return object;
}

QVariant MCColorToDataTransformer::reverseTransformedValue(const QVariant &value) const
{
    if (value.typeId() != QMetaType::QColor || !value.value<QColor>().isValid())
        return {};
    return MCKeyedArchiver::archivedRootObject(value);
}

// Percentages -------------------------------------------------------------------------------

namespace {

qint64 roundedPercent(const QVariant &value)
{
    const double percent = std::round(MCDoubleValue(value) * 100.0);
    // Beyond the integers: the nearest end (a fraction that large is no percentage anyway).
    if (percent >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (percent <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return qint64(percent);
}

} // namespace

std::shared_ptr<MCPercentStringTransformer> MCPercentStringTransformer::sharedInstance()
{
    return shared<MCPercentStringTransformer>();
}

QVariant MCPercentStringTransformer::transformedValue(const QVariant &value) const
{
    return QStringLiteral("%1%").arg(roundedPercent(value));
}

std::shared_ptr<MCPercentNumberTransformer> MCPercentNumberTransformer::sharedInstance()
{
    return shared<MCPercentNumberTransformer>();
}

QVariant MCPercentNumberTransformer::transformedValue(const QVariant &value) const
{
    return QString::number(roundedPercent(value));
}

QVariant MCPercentNumberTransformer::reverseTransformedValue(const QVariant &value) const
{
    const double number = MCDoubleValue(value);
    // Whole percents only; a negative count of them means nothing and is 0.
    const double whole = number > 0 ? std::floor(number) : 0.0;
    return QVariant(whole / 100.0);
}

// Slider values -----------------------------------------------------------------------------

std::shared_ptr<MCDigitalSliderTransformer> MCDigitalSliderTransformer::sharedInstance()
{
    return shared<MCDigitalSliderTransformer>();
}

QVariant MCDigitalSliderTransformer::transformedValue(const QVariant &value) const
{
    const double rounded = std::round(MCDoubleValue(value));
    if (rounded >= 9.2e18)
        return QVariant(std::numeric_limits<qint64>::max());
    if (rounded <= -9.2e18)
        return QVariant(std::numeric_limits<qint64>::min());
    return QVariant(qint64(rounded));
}

std::shared_ptr<MCFractionSliderTransformer> MCFractionSliderTransformer::sharedInstance()
{
    return shared<MCFractionSliderTransformer>();
}

QVariant MCFractionSliderTransformer::transformedValue(const QVariant &value) const
{
    const double number = MCDoubleValue(value);
    const double scaled = std::round(number * 100.0) / 100.0;
    // So large that hundredths overflow: the value as it is.
    return QVariant(std::isfinite(scaled) ? scaled : number);
}
