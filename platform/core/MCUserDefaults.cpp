#include "platform/core/MCUserDefaults.h"

#include "platform/core/MCPropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcUserDefaults, "quillonx.platform.userdefaults")

namespace {

// Changes are written this long after the first unsaved one, so a burst (a slider drag)
// costs one write.
constexpr int kSaveDelayMs = 1000;

bool sameValue(const QVariant &a, const QVariant &b) { return a.metaType() == b.metaType() && a == b; }

bool isReal(const QVariant &value)
{
    return value.metaType().id() == QMetaType::Double || value.metaType().id() == QMetaType::Float;
}

// A double truncated toward zero and clamped to the range of qint64 (NaN reads as 0).
qint64 truncated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (value <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

// The numeric prefix of a text, as the platform's text-to-number conversions read it:
// leading white space is skipped, reading stops at the first character that does not fit.
const QRegularExpression &numberPrefix()
{
    static const QRegularExpression expression(QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    return expression;
}

qint64 integerFromText(const QString &text)
{
    static const QRegularExpression expression(QStringLiteral("^\\s*([+-]?\\d+)"));
    const auto match = expression.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const qint64 value = match.captured(1).toLongLong(&ok);
    if (ok)
        return value;
    return match.captured(1).startsWith(QLatin1Char('-')) ? std::numeric_limits<qint64>::min()
                                                           : std::numeric_limits<qint64>::max();
}

double doubleFromText(const QString &text)
{
    const auto match = numberPrefix().match(text);
    return match.hasMatch() ? QLocale::c().toDouble(match.captured(1)) : 0.0;
}

// YES for text starting (after white space, a sign and zeros) with Y, y, T, t or a digit 1-9.
bool boolFromText(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    while (i < text.size() && text.at(i) == QLatin1Char('0'))
        ++i;
    if (i == text.size())
        return false;
    const QChar c = text.at(i);
    return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t') ||
           (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
}

QVariant effectiveValue(const QVariantMap &values, const QVariantMap &registered, const QString &key)
{
    const auto it = values.constFind(key);
    return it != values.cend() ? it.value() : registered.value(key);
}

} // namespace

struct MCUserDefaults::Store
{
    explicit Store(QString p) : path(std::move(p)) {}

    const QString path;

    std::mutex saveLock; // serialises writes of the file, so a newer state is never overwritten by an older one
    std::atomic<bool> saveScheduled = false;

    mutable std::mutex lock; // guards every member below
    QVariantMap values;      // the user's values, as stored in the file
    QVariantMap registered;  // registered defaults, never written
    bool dirty = false;      // values holds changes the file lacks
    MCError loadFailure;     // set when the file exists but could not be read: it is never written then

    void load()
    {
        MCError error;
        const auto dictionary = platform::readPropertyListDictionary(path, &error);
        if (dictionary) {
            values = *dictionary;
            return;
        }
        if (error.is(MCCocoaErrorDomain, MCFileReadNoSuchFileError))
            return;
        if (error.is(MCCocoaErrorDomain, MCFileReadCorruptFileError)) {
            const QString base = path + QStringLiteral(".damaged-") +
                                 QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            QString aside = base;
            for (int n = 2; QFileInfo::exists(aside); ++n)
                aside = base + QStringLiteral("-%1").arg(n);
            if (QFile::rename(path, aside)) {
                qCWarning(lcUserDefaults).noquote()
                    << "The settings file" << path << "is damaged and was moved to" << aside
                    << "; starting with default settings." << error.localizedFailureReason();
                return;
            }
        }
        loadFailure = error;
        qCWarning(lcUserDefaults).noquote() << "The settings file" << path
                                            << "could not be read; settings will not be saved this session:"
                                            << error.toString();
    }

    bool save(MCError *error)
    {
        std::lock_guard saving(saveLock);
        QVariantMap snapshot;
        {
            std::lock_guard guard(lock);
            if (!dirty)
                return true;
            if (!loadFailure.isNull()) {
                MCError failure(MCCocoaErrorDomain, MCFileWriteUnknownError,
                                QStringLiteral("The settings could not be saved because the file “%1” could not be "
                                               "read.")
                                    .arg(QFileInfo(path).fileName()));
                failure.setUnderlyingError(loadFailure);
                return MCSetError(error, failure);
            }
            snapshot = values;
            dirty = false;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (platform::writePropertyList(snapshot, path, error))
            return true;
        std::lock_guard guard(lock);
        dirty = true;
        return false;
    }

    // Writes the changes soon, on the main thread's event loop.
    static void scheduleSave(const std::shared_ptr<Store> &store)
    {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app || store->saveScheduled.exchange(true))
            return;
        auto start = [store] {
            QTimer::singleShot(kSaveDelayMs, [store] {
                store->saveScheduled = false;
                MCError error;
                if (!store->save(&error))
                    qCWarning(lcUserDefaults).noquote() << "Could not save the settings:" << error.toString();
            });
        };
        if (QThread::currentThread() == app->thread())
            start();
        else
            QMetaObject::invokeMethod(app, start, Qt::QueuedConnection);
    }
};

MCUserDefaults &MCUserDefaults::standardUserDefaults()
{
    static MCUserDefaults instance(standardPath());
    return instance;
}

QString MCUserDefaults::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillonx/Preferences.plist");
}

MCUserDefaults::MCUserDefaults(const QString &path) : m_store(std::make_shared<Store>(path))
{
    m_store->load();
    if (QCoreApplication *app = QCoreApplication::instance()) {
        std::weak_ptr<Store> weak = m_store;
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [weak] {
            if (auto store = weak.lock())
                store->save(nullptr);
        });
    }
}

MCUserDefaults::~MCUserDefaults()
{
    MCError error;
    if (!m_store->save(&error))
        qCWarning(lcUserDefaults).noquote() << "Could not save the settings:" << error.toString();
}

QString MCUserDefaults::path() const { return m_store->path; }

void MCUserDefaults::apply(const QStringList &keys, const Mutation &mutation)
{
    QStringList changed;
    {
        std::lock_guard guard(m_store->lock);
        QVariantMap values = m_store->values;
        QVariantMap registered = m_store->registered;
        mutation(values, registered);
        for (const QString &key : keys) {
            if (!sameValue(effectiveValue(m_store->values, m_store->registered, key),
                           effectiveValue(values, registered, key)))
                changed.append(key);
        }
    }
    for (const QString &key : changed)
        willChangeValueForKey(key);
    bool needsSaving = false;
    {
        std::lock_guard guard(m_store->lock);
        needsSaving = mutation(m_store->values, m_store->registered);
        m_store->dirty = m_store->dirty || needsSaving;
    }
    if (needsSaving && m_store->loadFailure.isNull())
        Store::scheduleSave(m_store);
    for (auto it = changed.crbegin(); it != changed.crend(); ++it)
        didChangeValueForKey(*it);
}

void MCUserDefaults::registerDefaults(const QVariantMap &defaults)
{
    apply(defaults.keys(), [&defaults](QVariantMap &, QVariantMap &registered) {
        registered.insert(defaults);
        return false;
    });
}

void MCUserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid())
        return removeObjectForKey(key);
    if (!platform::isPropertyList(value))
        throw std::invalid_argument(QStringLiteral("Attempt to insert non-property list object %1 for key %2")
                                        .arg(QLatin1String(value.metaType().name()), key)
                                        .toStdString());
    apply({key}, [&](QVariantMap &values, QVariantMap &) {
        const auto it = values.constFind(key);
        if (it != values.cend() && sameValue(it.value(), value))
            return false;
        values.insert(key, value);
        return true;
    });
}

void MCUserDefaults::setBool(bool value, const QString &key) { setObject(value, key); }

void MCUserDefaults::setInteger(qint64 value, const QString &key) { setObject(value, key); }

void MCUserDefaults::setDouble(double value, const QString &key) { setObject(value, key); }

void MCUserDefaults::removeObjectForKey(const QString &key)
{
    apply({key}, [&key](QVariantMap &values, QVariantMap &) { return values.remove(key) > 0; });
}

QVariant MCUserDefaults::objectForKey(const QString &key) const
{
    std::lock_guard guard(m_store->lock);
    return effectiveValue(m_store->values, m_store->registered, key);
}

bool MCUserDefaults::boolForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::QString)
        return boolFromText(value.toString());
    if (isReal(value))
        return value.toDouble() != 0.0;
    return platform::isPropertyListNumber(value) && value.toLongLong() != 0;
}

qint64 MCUserDefaults::integerForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::QString)
        return integerFromText(value.toString());
    if (isReal(value))
        return truncated(value.toDouble());
    if (value.metaType().id() == QMetaType::ULongLong || value.metaType().id() == QMetaType::ULong)
        return qint64(qMin(value.toULongLong(), quint64(std::numeric_limits<qint64>::max())));
    return platform::isPropertyListNumber(value) ? value.toLongLong() : 0;
}

double MCUserDefaults::doubleForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::QString)
        return doubleFromText(value.toString());
    return platform::isPropertyListNumber(value) ? value.toDouble() : 0.0;
}

QString MCUserDefaults::stringForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::QString)
        return value.toString();
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (isReal(value))
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return platform::isPropertyListNumber(value) ? value.toString() : QString();
}

QVariantList MCUserDefaults::arrayForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    const int type = value.metaType().id();
    return type == QMetaType::QVariantList || type == QMetaType::QStringList ? value.toList() : QVariantList();
}

QStringList MCUserDefaults::stringArrayForKey(const QString &key) const
{
    QStringList strings;
    for (const QVariant &element : arrayForKey(key)) {
        if (element.metaType().id() != QMetaType::QString)
            return {};
        strings.append(element.toString());
    }
    return strings;
}

QVariantMap MCUserDefaults::dictionaryForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    const int type = value.metaType().id();
    return type == QMetaType::QVariantMap || type == QMetaType::QVariantHash ? value.toMap() : QVariantMap();
}

QByteArray MCUserDefaults::dataForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    return value.metaType().id() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QVariantMap MCUserDefaults::dictionaryRepresentation() const
{
    std::lock_guard guard(m_store->lock);
    QVariantMap merged = m_store->registered;
    merged.insert(m_store->values);
    return merged;
}

bool MCUserDefaults::synchronize(MCError *error) { return m_store->save(error); }

QVariant MCUserDefaults::valueForKey(const QString &key) const { return objectForKey(key); }

void MCUserDefaults::setValueForKey(const QString &key, const QVariant &value) { setObject(value, key); }
