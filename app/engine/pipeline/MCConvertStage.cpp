#include "app/engine/pipeline/MCConvertStage.h"

#include "app/library/MCFile.h"
#include "halvard/system/MCDataExtensions.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUndoManager.h"

#include <QColor>
#include <QCoreApplication>

#include <cmath>
#include <limits>
#include <stdexcept>

const QString kMCConvertStageActiveKey = QStringLiteral("active");
const QString kMCConvertStageExpandedKey = QStringLiteral("expanded");
const QString kMCConvertStageIDKey = QStringLiteral("stageID");
const QString kMCConvertStageIsActiveKey = QStringLiteral("stageIsActive");
const QString kMCConvertStageIsExpandedKey = QStringLiteral("stageIsExpanded");

namespace {

bool isNumericType(MCStageParameterType type)
{
    return type == MCStageParameterType::Double || type == MCStageParameterType::Integer ||
           type == MCStageParameterType::Unsigned || type == MCStageParameterType::Bool;
}

// A stored number as the platform reads one: numbers, booleans and numeric text convert;
// anything else (a missing key, a list, garbage) reads 0.
double readDouble(const QVariant &value)
{
    bool ok = false;
    const double result = value.toDouble(&ok);
    return ok ? result : 0.0;
}

qint64 readInteger(const QVariant &value)
{
    bool ok = false;
    const qint64 integer = value.toLongLong(&ok);
    if (ok)
        return integer;
    // A real read as an integer truncates, as the platform's integer value of a number does;
    // values beyond the range saturate instead of being undefined.
    const double real = readDouble(value);
    if (std::isnan(real))
        return 0;
    if (real >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (real <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(real);
}

quint64 readUnsigned(const QVariant &value)
{
    bool ok = false;
    if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::UInt) {
        const quint64 result = value.toULongLong(&ok);
        if (ok)
            return result;
    }
    // Negative values wrap as the platform's unsigned value of a signed number does.
    return static_cast<quint64>(readInteger(value));
}

bool readBool(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("yes") || text == QLatin1String("true") || readInteger(value) != 0;
    }
    return readDouble(value) != 0.0;
}

} // namespace

MCConvertStage::MCConvertStage()
    : m_uuid(QUuid::createUuid()), m_lifetime(std::make_shared<char>(0))
{
}

MCConvertStage::~MCConvertStage()
{
    // The undo manager is the main thread's; elsewhere the closures' lifetime check suffices.
    if (auto undo = m_undoManager.lock(); undo && platform::isMainThread())
        undo->removeAllActionsWithTarget(this);
}

// ---------------------------------------------------------------- class attributes

qint64 MCConvertStage::stageOrder() const
{
    const MCConvertStageClass *entry = stageClass(stageID());
    return entry ? entry->stageOrder : 0;
}

QString MCConvertStage::stageName() const
{
    const MCConvertStageClass *entry = stageClass(stageID());
    return QCoreApplication::translate("MCConvertStage", entry ? entry->englishName : "<Unknown Stage>");
}

bool MCConvertStage::isUnique() const
{
    const MCConvertStageClass *entry = stageClass(stageID());
    return entry && entry->isUnique;
}

bool MCConvertStage::isResettable() const
{
    const MCConvertStageClass *entry = stageClass(stageID());
    return entry && entry->isResettable;
}

const MCStageParameters &MCConvertStage::parameters() const
{
    static const MCStageParameters none;
    return none;
}

// ---------------------------------------------------------------- state

std::function<void()> MCConvertStage::guarded(std::function<void(MCConvertStage &)> block)
{
    std::weak_ptr<char> alive = m_lifetime;
    return [alive, this, block = std::move(block)] {
        if (alive.lock())
            block(*this);
    };
}

void MCConvertStage::setActive(bool active)
{
    if (m_active == active)
        return;
    if (auto undo = m_undoManager.lock()) {
        const bool old = m_active;
        undo->registerUndo(this, guarded([old](MCConvertStage &stage) { stage.setActive(old); }));
    }
    willChangeValueForKey(kMCConvertStageActiveKey);
    m_active = active;
    didChangeValueForKey(kMCConvertStageActiveKey);
}

void MCConvertStage::setExpanded(bool expanded) { changeValueForKey(kMCConvertStageExpandedKey, m_expanded, expanded); }

// ---------------------------------------------------------------- parameters

void MCConvertStage::ensureValues() const
{
    if (m_valuesReady)
        return;
    const MCStageParameters &table = parameters();
    m_values.clear();
    m_values.reserve(table.size());
    for (const MCStageParameter &parameter : table)
        m_values.push_back(coerce(parameter, parameter.defaultValue));
    m_valuesReady = true;
}

qint64 MCConvertStage::parameterIndex(const QString &name) const
{
    const MCStageParameters &table = parameters();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name)
            return qint64(i);
    }
    return -1;
}

const MCStageParameter &MCConvertStage::parameterNamed(const QString &name) const
{
    const qint64 index = parameterIndex(name);
    if (index < 0)
        throw std::invalid_argument(QStringLiteral("*** %1: %2 has no parameter \"%3\"")
                                        .arg(QStringLiteral("parameterValue"), platform::className(typeid(*this)), name)
                                        .toStdString());
    return parameters()[size_t(index)];
}

QVariant MCConvertStage::coerce(const MCStageParameter &parameter, const QVariant &value)
{
    switch (parameter.type) {
    case MCStageParameterType::Double:
        return QVariant(readDouble(value));
    case MCStageParameterType::Integer:
        return QVariant(readInteger(value));
    case MCStageParameterType::Unsigned:
        return QVariant(readUnsigned(value));
    case MCStageParameterType::Bool:
        return QVariant(readBool(value));
    case MCStageParameterType::String:
        return value.isNull() ? QVariant(QString()) : QVariant(value.toString());
    case MCStageParameterType::Color:
        return value.canConvert<QColor>() ? QVariant(value.value<QColor>()) : QVariant(QColor());
    case MCStageParameterType::Date:
        return value.isNull() ? QVariant(QDateTime()) : QVariant(value.toDateTime());
    case MCStageParameterType::Data:
        return QVariant(value.toByteArray());
    case MCStageParameterType::Array:
        return QVariant(value.toList());
    case MCStageParameterType::Dictionary:
        return QVariant(value.toMap());
    case MCStageParameterType::Custom:
        return value;
    }
    return value;
}

bool MCConvertStage::sameValue(const QVariant &a, const QVariant &b)
{
    if (a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    return a == b;
}

const std::vector<QVariant> &MCConvertStage::parameterValues() const
{
    ensureValues();
    return m_values;
}

QVariant MCConvertStage::parameterValue(const QString &name) const
{
    const qint64 index = parameterIndex(name);
    if (index < 0)
        parameterNamed(name); // throws
    ensureValues();
    return m_values[size_t(index)];
}

void MCConvertStage::assignParameterValue(const QString &name, const QVariant &value)
{
    const MCStageParameter &parameter = parameterNamed(name);
    ensureValues();
    m_values[size_t(parameterIndex(name))] = coerce(parameter, value);
    parameterDidChange(name);
}

void MCConvertStage::setParameterValue(const QString &name, const QVariant &value)
{
    const MCStageParameter &parameter = parameterNamed(name);
    ensureValues();
    QVariant &slot = m_values[size_t(parameterIndex(name))];
    const QVariant newValue = coerce(parameter, value);
    if (sameValue(slot, newValue))
        return;
    if (auto undo = parameter.undoable ? m_undoManager.lock() : nullptr) {
        undo->registerUndo(this, guarded([name, old = slot](MCConvertStage &stage) {
                               stage.setParameterValue(name, old);
                           }));
    }
    willChangeValueForKey(name);
    slot = newValue;
    parameterDidChange(name);
    didChangeValueForKey(name);
}

double MCConvertStage::minimumForKey(const QString &name) const { return parameterNamed(name).minimum.value_or(0.0); }

double MCConvertStage::maximumForKey(const QString &name) const { return parameterNamed(name).maximum.value_or(0.0); }

void MCConvertStage::resetToDefaults()
{
    if (!isResettable())
        return;
    for (const MCStageParameter &parameter : parameters())
        setParameterValue(parameter.name, parameter.defaultValue);
}

// ---------------------------------------------------------------- stored form

QVariant MCConvertStage::bookmarkOfPath(const QVariant &path)
{
    if (path.toString().isEmpty())
        return {};
    const QByteArray bookmark = MCURLExtensions::securityScopedBookmark(path.toString());
    return bookmark.isEmpty() ? QVariant() : QVariant(bookmark);
}

QVariant MCConvertStage::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    switch (parameter.type) {
    case MCStageParameterType::Double:
    case MCStageParameterType::Integer:
    case MCStageParameterType::Unsigned:
    case MCStageParameterType::Bool:
    case MCStageParameterType::String:
    case MCStageParameterType::Data:
    case MCStageParameterType::Array:
    case MCStageParameterType::Dictionary:
        return value;
    case MCStageParameterType::Color: {
        const QColor color = value.value<QColor>();
        return color.isValid() ? QVariant(MCKeyedArchiver::archivedRootObject(color)) : QVariant();
    }
    case MCStageParameterType::Date: {
        const QDateTime date = value.toDateTime();
        return date.isValid() ? QVariant(double(date.toMSecsSinceEpoch()) / 1000.0) : QVariant();
    }
    case MCStageParameterType::Custom:
        return QVariant();
    }
    return QVariant();
}

std::optional<QVariant> MCConvertStage::decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const
{
    if (isNumericType(parameter.type))
        return coerce(parameter, stored); // missing or unreadable: 0
    if (!stored.isValid())
        return std::nullopt;
    switch (parameter.type) {
    case MCStageParameterType::String:
        if (stored.typeId() == QMetaType::QString)
            return stored;
        return std::nullopt;
    case MCStageParameterType::Color: {
        const QVariant color = MCKeyedUnarchiver::unarchivedRootObject(stored.toByteArray());
        if (color.typeId() == QMetaType::QColor)
            return color;
        return std::nullopt;
    }
    case MCStageParameterType::Date: {
        if (!platform::isPropertyListNumber(stored))
            return std::nullopt;
        const double seconds = readDouble(stored);
        if (!std::isfinite(seconds) || std::fabs(seconds) > 1e13)
            return std::nullopt;
        return QVariant(QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0))));
    }
    case MCStageParameterType::Data:
        if (stored.typeId() == QMetaType::QByteArray)
            return stored;
        return std::nullopt;
    case MCStageParameterType::Array:
        if (stored.typeId() == QMetaType::QVariantList || stored.typeId() == QMetaType::QStringList)
            return QVariant(stored.toList());
        return std::nullopt;
    case MCStageParameterType::Dictionary:
        if (stored.typeId() == QMetaType::QVariantMap)
            return stored;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

QVariantMap MCConvertStage::dictionaryRepresentation() const
{
    QVariantMap dictionary{{kMCConvertStageIDKey, stageID()},
                           {kMCConvertStageIsActiveKey, m_active.load()},
                           {kMCConvertStageIsExpandedKey, m_expanded}};
    ensureValues();
    const MCStageParameters &table = parameters();
    for (size_t i = 0; i < table.size(); ++i) {
        const QVariant stored = encodeParameter(table[i], m_values[i]);
        if (stored.isValid())
            dictionary.insert(table[i].name, stored);
    }
    return dictionary;
}

void MCConvertStage::initWithDictionary(const QVariantMap &dictionary)
{
    m_active = readBool(dictionary.value(kMCConvertStageIsActiveKey));
    m_expanded = readBool(dictionary.value(kMCConvertStageIsExpandedKey));
    ensureValues();
    const MCStageParameters &table = parameters();
    for (size_t i = 0; i < table.size(); ++i) {
        if (std::optional<QVariant> value = decodeParameter(table[i], dictionary.value(table[i].name))) {
            m_values[i] = table[i].type == MCStageParameterType::Custom ? *value : coerce(table[i], *value);
            parameterDidChange(table[i].name);
        }
    }
}

std::shared_ptr<MCConvertStage> MCConvertStage::copy() const
{
    const MCConvertStageClass *entry = stageClass(stageID());
    std::shared_ptr<MCConvertStage> stage =
        entry && entry->create ? entry->create() : std::shared_ptr<MCConvertStage>();
    if (!stage || typeid(*stage) != typeid(*this))
        throw std::logic_error(QStringLiteral("*** copy: %1 is not registered in the stage catalogue")
                                   .arg(platform::className(typeid(*this)))
                                   .toStdString());
    stage->m_active = m_active.load();
    stage->m_expanded = m_expanded;
    stage->m_targetFormat = m_targetFormat;
    stage->m_targetColorModel = m_targetColorModel;
    stage->m_targetColorDepth = m_targetColorDepth;
    stage->m_targetHasAlpha = m_targetHasAlpha;
    ensureValues();
    stage->ensureValues();
    stage->m_values = m_values;
    for (const MCStageParameter &parameter : parameters())
        stage->parameterDidChange(parameter.name);
    return stage;
}

bool MCConvertStage::parameterEquals(const MCConvertStage &other, const QString &name) const
{
    return sameValue(parameterValue(name), other.parameterValue(name));
}

bool MCConvertStage::parametersEqual(const MCConvertStage &other) const
{
    for (const MCStageParameter &parameter : parameters()) {
        if (parameter.compared && !parameterEquals(other, parameter.name))
            return false;
    }
    return true;
}

bool MCConvertStage::isEqual(const MCConvertStage &other) const
{
    if (this == &other)
        return true;
    if (typeid(*this) != typeid(other))
        return false;
    if (stageID() != other.stageID() || m_active.load() != other.m_active.load() || m_expanded != other.m_expanded)
        return false;
    return parametersEqual(other);
}

qint64 MCConvertStage::hashInteger(double value, double scale)
{
    const double scaled = value * scale;
    if (std::isnan(scaled))
        return 0;
    if (scaled >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (scaled <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return qint64(std::lround(scaled));
}

quint64 MCConvertStage::hashMix() const
{
    quint64 mix = 0;
    for (const MCStageParameter &parameter : parameters()) {
        if (parameter.hashFactor == 0)
            continue;
        const QVariant value = parameterValue(parameter.name);
        quint64 integer = 0;
        switch (parameter.type) {
        case MCStageParameterType::Double:
            integer = quint64(hashInteger(value.toDouble(), parameter.hashScale));
            break;
        case MCStageParameterType::Integer:
            integer = quint64(value.toLongLong());
            break;
        case MCStageParameterType::Unsigned:
            integer = value.toULongLong();
            break;
        case MCStageParameterType::Bool:
            integer = value.toBool() ? 1 : 0;
            break;
        case MCStageParameterType::String:
            integer = qHash(value.toString());
            break;
        default:
            integer = qHash(encodeParameter(parameter, value).toByteArray());
            break;
        }
        mix ^= integer * quint64(parameter.hashFactor);
    }
    return mix;
}

quint64 MCConvertStage::hash() const
{
    const quint64 base = (quint64(stageID()) << 2) | (quint64(m_active.load()) << 1) | quint64(m_expanded);
    return base ^ (hashMix() << 16);
}

// ---------------------------------------------------------------- observation

QSet<QString> MCConvertStage::keyPathsForObserver() const
{
    QSet<QString> paths{kMCConvertStageActiveKey};
    for (const MCStageParameter &parameter : parameters()) {
        if (parameter.observed)
            paths.insert(parameter.name);
    }
    return paths;
}

QSet<QString> MCConvertStage::resizeKeyPathsForObserver() const
{
    QSet<QString> paths{kMCConvertStageExpandedKey};
    for (const MCStageParameter &parameter : parameters()) {
        if (parameter.resizes)
            paths.insert(parameter.name);
    }
    return paths;
}

std::vector<MCObservation> MCConvertStage::registerNotificationsForObserver(const MCObserverCallback &callback) const
{
    const QSet<QString> paths = keyPathsForObserver();
    return observeKeys(QStringList(paths.begin(), paths.end()), callback, 0);
}

std::vector<MCObservation>
MCConvertStage::registerResizeNotificationsForObserver(const MCObserverCallback &callback) const
{
    const QSet<QString> paths = resizeKeyPathsForObserver();
    return observeKeys(QStringList(paths.begin(), paths.end()), callback, 0);
}

QVariant MCConvertStage::valueForKey(const QString &key) const
{
    if (key == kMCConvertStageActiveKey)
        return m_active.load();
    if (key == kMCConvertStageExpandedKey)
        return m_expanded;
    if (hasParameter(key))
        return parameterValue(key);
    return MCObservable::valueForKey(key);
}

void MCConvertStage::setValueForKey(const QString &key, const QVariant &value)
{
    if (key == kMCConvertStageActiveKey || key == kMCConvertStageExpandedKey) {
        if (value.isNull())
            return setNilValueForKey(key);
        if (key == kMCConvertStageActiveKey)
            setActive(readBool(value));
        else
            setExpanded(readBool(value));
        return;
    }
    const qint64 index = parameterIndex(key);
    if (index < 0)
        return MCObservable::setValueForKey(key, value);
    if (value.isNull() && isNumericType(parameters()[size_t(index)].type))
        return setNilValueForKey(key);
    setParameterValue(key, value);
}

void MCConvertStage::setNilValueForKey(const QString &key)
{
    const qint64 index = parameterIndex(key);
    if (index >= 0) {
        const MCStageParameter &parameter = parameters()[size_t(index)];
        std::optional<double> replacement = parameter.nilValue;
        if (!replacement && parameter.type != MCStageParameterType::Bool)
            replacement = parameter.minimum;
        if (replacement && isNumericType(parameter.type)) {
            // An emptied field must not change the value under the binding that is still
            // handing it over: the replacement comes later, as its own undo step.
            platform::dispatchMain(guarded([key, value = *replacement](MCConvertStage &stage) {
                stage.setParameterValue(key, value);
            }));
            return;
        }
    }
    MCObservable::setNilValueForKey(key);
}

// ---------------------------------------------------------------- hooks and work

QSizeF MCConvertStage::imageSizeForSize(const QSizeF &size, quint64 &) const { return size; }

quint64 MCConvertStage::resolutionForResolution(quint64 resolution) const { return resolution; }

QString MCConvertStage::colorProfileNameForName(const QString &name) const { return name; }

std::optional<QDateTime> MCConvertStage::captureDateForDate(const std::optional<QDateTime> &date,
                                                            const std::optional<QDateTime> &) const
{
    return date;
}

bool MCConvertStage::convertBitmap(MCBitmap *, QVariantMap &, const MCFile *, MCError *) { return true; }

bool MCConvertStage::previewBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error)
{
    return convertBitmap(bitmap, metadata, file, error);
}

MCError MCConvertStage::stageFailureError(const MCFile *file) const
{
    const QString title = file ? file->browserItemTitle() : QString();
    const QString name = stageName();
    return MCError(MCErrorDomain, 2,
                   QCoreApplication::translate("MCConvertStage", "Action “%1” failed on image “%2”.").arg(name, title),
                   QString(),
                   QCoreApplication::translate("MCConvertStage", "Action “%1” failed on image “%2”. Please correct "
                                                                 "settings in the action, and then try again.")
                       .arg(name, title));
}
