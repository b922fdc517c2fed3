#pragma once

#include <QHash>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

// The registry entry of one uniform type identifier: its identifier, description and
// file-name extensions, and whether the application accepts files of the type. One instance
// exists per identifier for the life of the process (typeWithIdentifier); copies of the
// shared pointer stand for the platform's "copy returns the same object".
class MCUTType
{
public:
    // Fills identifier, description and extensions from the type registry; not available.
    // Instances made directly are not registered: use typeWithIdentifier().
    explicit MCUTType(const QString &identifier);
    virtual ~MCUTType();
    MCUTType(const MCUTType &) = delete;
    MCUTType &operator=(const MCUTType &) = delete;

    // Identifier → registered instance. Guarded by typesLock(), as is every registration.
    static QHash<QString, std::shared_ptr<MCUTType>> &typesContainer();
    static QRecursiveMutex &typesLock();

    // The registered instance, created and stored on the first request for the identifier.
    // Throws std::invalid_argument for an empty identifier.
    static std::shared_ptr<MCUTType> typeWithIdentifier(const QString &identifier);
    // The type of the file or folder at `path`; nullptr when nothing can be read there.
    static std::shared_ptr<MCUTType> typeForURL(const QString &path);
    // The preferred data type for the extension (with or without a leading dot); a dynamic
    // type for an unknown extension; nullptr for an empty one.
    static std::shared_ptr<MCUTType> typeForExtension(const QString &extension);
    // The identifiers of all registered types whose isAvailable() is true.
    static QSet<QString> allowedTypeIdentifiers();

    bool isAvailable() const { return m_isAvailable.load(std::memory_order_relaxed); }
    void setIsAvailable(bool available) { m_isAvailable.store(available, std::memory_order_relaxed); }

    QString typeIdentifier() const { return m_typeIdentifier; }
    // Null when the registry has no description for the type.
    QString typeDescription() const { return m_typeDescription; }
    // Empty when the type has no extensions.
    QStringList typeExtensions() const { return m_typeExtensions; }

    bool comformsToType(const MCUTType &other) const;
    bool comformsToIdentifier(const QString &identifier) const;

    // "JPEG image (jpeg, jpg, jpe)"; the identifier stands in for a missing description and
    // the parenthesis is left out without extensions.
    QString description() const;

    size_t hash() const { return qHash(m_typeIdentifier); }
    // True for the same object, else only for an object of exactly this class whose
    // identifier names the same type.
    bool isEqual(const MCUTType *other) const;
    bool operator==(const MCUTType &other) const { return isEqual(&other); }

private:
    std::atomic<bool> m_isAvailable{false};
    const QString m_typeIdentifier;
    const QString m_typeDescription;
    const QStringList m_typeExtensions;
};
