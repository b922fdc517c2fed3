#include "halvard/imageio/MCUTType.h"

#include "platform/core/MCException.h"
#include "platform/types/UTType.h"

#include <typeinfo>

MCUTType::MCUTType(const QString &identifier)
    : m_typeIdentifier(identifier)
    , m_typeDescription(platform::UTTypeCopyDescription(identifier))
    , m_typeExtensions(platform::UTTypeCopyAllTagsWithClass(identifier, kUTTagClassFilenameExtension))
{
}

MCUTType::~MCUTType() = default;

QRecursiveMutex &MCUTType::typesLock()
{
    static QRecursiveMutex lock;
    return lock;
}

QHash<QString, std::shared_ptr<MCUTType>> &MCUTType::typesContainer()
{
    QMutexLocker locker(&typesLock());
    static QHash<QString, std::shared_ptr<MCUTType>> *container = [] {
        auto *hash = new QHash<QString, std::shared_ptr<MCUTType>>;
        hash->reserve(256);
        return hash;
    }();
    return *container;
}

std::shared_ptr<MCUTType> MCUTType::typeWithIdentifier(const QString &identifier)
{
    if (identifier.isEmpty())
        platform::throwNilArgument("+[MCUTType typeWithIdentifier:]");
    QMutexLocker locker(&typesLock());
    auto &container = typesContainer();
    auto it = container.find(identifier);
    if (it == container.end())
        it = container.insert(identifier, std::make_shared<MCUTType>(identifier));
    return *it;
}

std::shared_ptr<MCUTType> MCUTType::typeForURL(const QString &path)
{
    const QString identifier = platform::UTTypeOfFileAtPath(path);
    return identifier.isEmpty() ? nullptr : typeWithIdentifier(identifier);
}

std::shared_ptr<MCUTType> MCUTType::typeForExtension(const QString &extension)
{
    const QString identifier =
        platform::UTTypeCreatePreferredIdentifierForTag(kUTTagClassFilenameExtension, extension, kUTTypeData);
    return identifier.isEmpty() ? nullptr : typeWithIdentifier(identifier);
}

QSet<QString> MCUTType::allowedTypeIdentifiers()
{
    // Taking the lock costs nothing here and keeps a late registration on another thread
    // from invalidating the walk.
    QMutexLocker locker(&typesLock());
    QSet<QString> identifiers;
    const auto &container = typesContainer();
    for (auto it = container.cbegin(); it != container.cend(); ++it) {
        if ((*it)->isAvailable())
            identifiers.insert((*it)->typeIdentifier());
    }
    return identifiers;
}

bool MCUTType::comformsToType(const MCUTType &other) const
{
    return platform::UTTypeConformsTo(m_typeIdentifier, other.m_typeIdentifier);
}

bool MCUTType::comformsToIdentifier(const QString &identifier) const
{
    return platform::UTTypeConformsTo(m_typeIdentifier, identifier);
}

QString MCUTType::description() const
{
    QString text = m_typeDescription.isNull() ? m_typeIdentifier : m_typeDescription;
    if (!m_typeExtensions.isEmpty())
        text += QStringLiteral(" (") + m_typeExtensions.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

bool MCUTType::isEqual(const MCUTType *other) const
{
    if (other == this)
        return true;
    if (!other || typeid(*other) != typeid(*this))
        return false;
    return platform::UTTypeEqual(m_typeIdentifier, other->m_typeIdentifier);
}
