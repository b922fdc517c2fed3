#pragma once

#include "halvard/imageio/MCImageLoaderExtension.h"

#include <QList>
#include <QMap>
#include <QReadWriteLock>
#include <QSet>

// Finds the image-loader plug-ins and keeps, per type identifier, the plug-ins that declared
// it, highest priority first (equal priorities keep registration order). The shared instance
// registers the plug-ins of platform::pluginPath() once, at first use.
class MCImageLoaderExtensionManager
{
public:
    using ExtensionRef = std::shared_ptr<MCImageLoaderExtension>;
    using ExtensionList = QList<ExtensionRef>;

    static MCImageLoaderExtensionManager &sharedInstance();

    // An empty manager (the shared one adds the plug-in folder's plug-ins).
    MCImageLoaderExtensionManager() = default;
    MCImageLoaderExtensionManager(const MCImageLoaderExtensionManager &) = delete;
    MCImageLoaderExtensionManager &operator=(const MCImageLoaderExtensionManager &) = delete;

    // Loads every shared object at the top level of `folder` (hidden entries and folders are
    // skipped) that exports the factory function, and registers the extension it makes for
    // each image and video type it declares. Objects that fail to load or lack the factory
    // are skipped with a warning.
    void registerPlugInsAtURL(const QString &folder);
    // Adds `extension` to the type's list and keeps the list sorted by priority, descending.
    void registerExtension(const ExtensionRef &extension, const QString &typeIdentifier);
    // The type's plug-ins, highest priority first; empty when none declared it.
    ExtensionList extensionsForUTI(const QString &typeIdentifier) const;
    // Forgets every plug-in; the sets of declared types are kept.
    void unregisterPlugIns();

    QMap<QString, ExtensionList> extensionsMap() const;
    void setExtensionsMap(const QMap<QString, ExtensionList> &map);
    QSet<QString> supportedImageTypes() const;
    void setSupportedImageTypes(const QSet<QString> &types);
    QSet<QString> supportedVideoTypes() const;
    void setSupportedVideoTypes(const QSet<QString> &types);

private:
    mutable QReadWriteLock m_lock; // guards the three members below
    QMap<QString, ExtensionList> m_extensionsMap; // keys in lower case: identifiers ignore case
    QSet<QString> m_supportedImageTypes;
    QSet<QString> m_supportedVideoTypes;
};
