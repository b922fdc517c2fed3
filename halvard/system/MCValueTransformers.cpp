#include "halvard/system/MCValueTransformers.h"

#include "platform/core/MCPropertyList.h"

#include <QCoreApplication>
#include <QHash>

#include <cmath>

namespace {

QString localized(const char *text) { return QCoreApplication::translate("Localizable", text); }

// A number or a string answers a numeric value (a string by its leading number, as "12abc"
// reads 12 and "abc" reads 0); other values, null included, don't.
bool answersNumber(const QVariant &value)
{
    return platform::isPropertyListNumber(value) || value.typeId() == QMetaType::QString ||
           value.typeId() == QMetaType::QByteArray;
}

// The leading decimal number of a string ("  -12.5px" -> -12.5), 0 when there is none.
double leadingNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    bool digits = false, dot = false;
    if (end < trimmed.size() && (trimmed.at(end) == QLatin1Char('-') || trimmed.at(end) == QLatin1Char('+')))
        ++end;
    for (; end < trimmed.size(); ++end) {
        const QChar c = trimmed.at(end);
        if (c.unicode() >= '0' && c.unicode() <= '9')
            digits = true;
        else if (c == QLatin1Char('.') && !dot)
            dot = true;
        else
            break;
    }
    return digits ? trimmed.left(end).toDouble() : 0.0;
}

double doubleValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return leadingNumber(value.toString());
    return value.toDouble();
}

// Integer values truncate toward zero, as a number's integer value does.
qint64 integerValue(const QVariant &value)
{
    if (!answersNumber(value))
        return 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const double d = doubleValue(value);
        if (!std::isfinite(d))
            return 0;
        return qint64(std::clamp(d, -9.2e18, 9.2e18));
    }
    default:
        return value.toLongLong();
    }
}

qint64 positionIn(const QList<qint64> &list, qint64 value)
{
    const qsizetype index = list.indexOf(value);
    return index < 0 ? MCValueTransformerLists::kNotFound : qint64(index);
}

// The entry at a slider position; positions outside the list are outside the controls' range
// and give a null value rather than undefined behaviour.
QVariant entryAt(const QList<qint64> &list, qint64 position)
{
    if (position < 0 || position >= list.size())
        return {};
    return QVariant::fromValue<qint64>(list.at(position));
}

QVariant number(qint64 value) { return QVariant::fromValue<qint64>(value); }

} // namespace

namespace MCValueTransformerLists {

const QList<qint64> &timeIntervals()
{
    static const QList<qint64> list{86400, 43200, 21600, 10800, 7200, 3600, 1800, 600, 300, 180,
                                    120,   60,    30,    10,    5,    3,    2,    1,   0};
    return list;
}

const QList<qint64> &nameLengths()
{
    static const QList<qint64> list = [] {
        QList<qint64> values;
        for (qint64 n = 0; n <= 24; ++n)
            values.append(n);
        values.append(-1);
        return values;
    }();
    return list;
}

const QList<qint64> &nameLengthCheckboxStates()
{
    static const QList<qint64> list{0, -1};
    return list;
}

} // namespace MCValueTransformerLists

#define MC_DEFINE_SHARED_INSTANCE(Name)                                                                 \
    std::shared_ptr<Name> Name::sharedInstance()                                                        \
    {                                                                                                   \
        static const std::shared_ptr<Name> instance = std::make_shared<Name>();                         \
        return instance;                                                                                \
    }

MC_DEFINE_SHARED_INSTANCE(MCMinImageSizeToStringTransformer)
MC_DEFINE_SHARED_INSTANCE(MCRequiredQualitySliderTransformer)
MC_DEFINE_SHARED_INSTANCE(MCRequiredQualityStringTransformer)
MC_DEFINE_SHARED_INSTANCE(MCRequiredBlurStringTransformer)
MC_DEFINE_SHARED_INSTANCE(MCRequiredTimeIntervalSliderTransformer)
MC_DEFINE_SHARED_INSTANCE(MCRequiredTimeIntervalStringTransformer)
MC_DEFINE_SHARED_INSTANCE(MCMatchNameLengthSliderTransformer)
MC_DEFINE_SHARED_INSTANCE(MCMatchNameLengthStringTransformer)
MC_DEFINE_SHARED_INSTANCE(MCMatchNameLengthCheckboxTransformer)
MC_DEFINE_SHARED_INSTANCE(MCNullAvoidStringTransformer)
MC_DEFINE_SHARED_INSTANCE(MCNullAvoidNumberTransformer)

#undef MC_DEFINE_SHARED_INSTANCE

namespace {

// Registers the shared instances under their class names when the library is loaded.
const bool kRegistered = [] {
#define MC_REGISTER(Name) MCValueTransformer::setValueTransformer(Name::sharedInstance(), QStringLiteral(#Name))
    MC_REGISTER(MCMinImageSizeToStringTransformer);
    MC_REGISTER(MCRequiredQualitySliderTransformer);
    MC_REGISTER(MCRequiredQualityStringTransformer);
    MC_REGISTER(MCRequiredBlurStringTransformer);
    MC_REGISTER(MCRequiredTimeIntervalSliderTransformer);
    MC_REGISTER(MCRequiredTimeIntervalStringTransformer);
    MC_REGISTER(MCMatchNameLengthSliderTransformer);
    MC_REGISTER(MCMatchNameLengthStringTransformer);
    MC_REGISTER(MCMatchNameLengthCheckboxTransformer);
    MC_REGISTER(MCNullAvoidStringTransformer);
    MC_REGISTER(MCNullAvoidNumberTransformer);
#undef MC_REGISTER
    return true;
}();

} // namespace

// MARK: - Descriptions

QVariant MCMinImageSizeToStringTransformer::transformedValue(const QVariant &value) const
{
    const double v = answersNumber(value) ? doubleValue(value) : 0.0;
    if (!(v > 0))
        return localized("Any Size");
    // (100 v)² rounded up to a multiple of 16. The quotient is rounded to a millionth first,
    // so that binary noise (0.4 squared is 0.16000000000000003) can't push an exact multiple
    // of 16 up by another 16.
    const double sixteens = std::round(v * v * 10000.0 / 16.0 * 1e6) / 1e6;
    const double pixels = std::ceil(sixteens) * 16.0;
    return localized("%1+ pixels").arg(QString::number(pixels, 'f', 0));
}

QVariant MCRequiredQualityStringTransformer::transformedValue(const QVariant &value) const
{
    const QString side = QString::number(integerValue(value));
    return localized("%1x%2 pixels").arg(side, side);
}

QVariant MCRequiredBlurStringTransformer::transformedValue(const QVariant &value) const
{
    const qint64 radius = integerValue(value);
    if (radius == 1)
        return localized("1 pixel");
    if (radius == 0)
        return localized("None");
    return localized("%1 pixels").arg(radius);
}

QVariant MCRequiredTimeIntervalStringTransformer::transformedValue(const QVariant &value) const
{
    const qint64 s = integerValue(value);
    if (s >= 3600) {
        const qint64 hours = qint64(std::round(double(s) / 3600.0));
        return hours == 1 ? localized("1 hour and less") : localized("%1 hours and less").arg(hours);
    }
    if (s >= 60) {
        const qint64 minutes = qint64(std::round(double(s) / 60.0));
        return minutes == 1 ? localized("1 minute and less") : localized("%1 minutes and less").arg(minutes);
    }
    if (s < 0)
        return localized("Unlimited");
    if (s > 1)
        return localized("%1 seconds and less").arg(s);
    if (s == 1)
        return localized("1 second and less");
    return localized("0 seconds");
}

QVariant MCMatchNameLengthStringTransformer::transformedValue(const QVariant &value) const
{
    const qint64 n = integerValue(value);
    if (n == 1)
        return localized("Match first character");
    if (n == 0)
        return localized("Don't match");
    if (n == -1)
        return localized("Full match");
    return localized("Match first %1 characters").arg(n);
}

// MARK: - Sliders and check box

QVariant MCRequiredQualitySliderTransformer::transformedValue(const QVariant &value) const
{
    return number((integerValue(value) - 16) / 8);
}

QVariant MCRequiredQualitySliderTransformer::reverseTransformedValue(const QVariant &value) const
{
    return number(integerValue(value) * 8 + 16);
}

QVariant MCRequiredTimeIntervalSliderTransformer::transformedValue(const QVariant &value) const
{
    if (!answersNumber(value))
        return number(0);
    const qint64 seconds = integerValue(value);
    if (seconds < 0)
        return number(-1);
    return number(positionIn(MCValueTransformerLists::timeIntervals(), seconds));
}

QVariant MCRequiredTimeIntervalSliderTransformer::reverseTransformedValue(const QVariant &value) const
{
    if (!answersNumber(value))
        return number(0);
    const qint64 position = integerValue(value);
    if (position < 0)
        return number(-1);
    return entryAt(MCValueTransformerLists::timeIntervals(), position);
}

QVariant MCMatchNameLengthSliderTransformer::transformedValue(const QVariant &value) const
{
    if (!answersNumber(value))
        return number(0);
    return number(positionIn(MCValueTransformerLists::nameLengths(), integerValue(value)));
}

QVariant MCMatchNameLengthSliderTransformer::reverseTransformedValue(const QVariant &value) const
{
    if (!answersNumber(value))
        return number(0);
    return entryAt(MCValueTransformerLists::nameLengths(), integerValue(value));
}

QVariant MCMatchNameLengthCheckboxTransformer::transformedValue(const QVariant &value) const
{
    // Matching by name is on for a full and for a partial match alike.
    return number(integerValue(value) == 0 ? 0 : 1);
}

QVariant MCMatchNameLengthCheckboxTransformer::reverseTransformedValue(const QVariant &value) const
{
    if (!answersNumber(value))
        return number(0);
    const qint64 state = integerValue(value);
    if (state < 0)
        return number(-1);
    return entryAt(MCValueTransformerLists::nameLengthCheckboxStates(), state);
}

// MARK: - Null avoidance

QVariant MCNullAvoidStringTransformer::transformedValue(const QVariant &value) const
{
    return (!value.isValid() || value.isNull()) ? QVariant(QString(QLatin1String(""))) : value;
}

QVariant MCNullAvoidStringTransformer::reverseTransformedValue(const QVariant &value) const
{
    return transformedValue(value);
}

QVariant MCNullAvoidNumberTransformer::transformedValue(const QVariant &value) const
{
    return (!value.isValid() || value.isNull()) ? number(0) : value;
}

QVariant MCNullAvoidNumberTransformer::reverseTransformedValue(const QVariant &value) const
{
    return transformedValue(value);
}
