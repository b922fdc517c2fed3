#include "halvard/imageio/MCImageLoaderExtensionManager.h"

#include "platform/core/MCBundle.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>

#include <dlfcn.h>

namespace {

Q_LOGGING_CATEGORY(lcPlugIns, "quillonx.imageloader")

} // namespace

MCImageLoaderExtensionManager &MCImageLoaderExtensionManager::sharedInstance()
{
    static MCImageLoaderExtensionManager *instance = [] {
        auto *manager = new MCImageLoaderExtensionManager;
        manager->registerPlugInsAtURL(platform::pluginPath());
        return manager;
    }();
    return *instance;
}

void MCImageLoaderExtensionManager::registerPlugInsAtURL(const QString &folder)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name); // no QDir::Hidden
    for (const QFileInfo &entry : entries) {
        if (entry.fileName().startsWith(QLatin1Char('.')) || entry.suffix() != QLatin1String("so"))
            continue;
        const QByteArray path = QFile::encodeName(entry.absoluteFilePath());
        // RTLD_NODELETE: strings and tables a shared object handed out (declared types, for one)
        // must stay valid even when the object is closed again.
        void *handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle) {
            qCWarning(lcPlugIns, "skipping image-loader plug-in %s: %s", path.constData(), dlerror());
            continue;
        }
        auto factory = reinterpret_cast<MCImageLoaderExtensionFactory>(dlsym(handle, kMCImageLoaderExtensionFactorySymbol));
        MCImageLoaderExtension *raw = factory ? factory() : nullptr;
        if (!raw) {
            qCWarning(lcPlugIns, "skipping %s: it makes no image-loader extension", path.constData());
            dlclose(handle);
            continue;
        }
        // The library stays loaded for the process: the extension's code lives in it.
        const ExtensionRef extension(raw);
        for (const QString &type : extension->supportedImageTypes()) {
            registerExtension(extension, type);
            QWriteLocker locker(&m_lock);
            m_supportedImageTypes.insert(type);
        }
        for (const QString &type : extension->supportedVideoTypes()) {
            registerExtension(extension, type);
            QWriteLocker locker(&m_lock);
            m_supportedVideoTypes.insert(type);
        }
    }
}

void MCImageLoaderExtensionManager::registerExtension(const ExtensionRef &extension, const QString &typeIdentifier)
{
    if (!extension)
        return;
    QWriteLocker locker(&m_lock);
    ExtensionList &list = m_extensionsMap[typeIdentifier.toLower()];
    list.append(extension);
    std::stable_sort(list.begin(), list.end(),
                     [](const ExtensionRef &a, const ExtensionRef &b) { return a->priority() > b->priority(); });
}

MCImageLoaderExtensionManager::ExtensionList MCImageLoaderExtensionManager::extensionsForUTI(const QString &typeIdentifier) const
{
    QReadLocker locker(&m_lock);
    return m_extensionsMap.value(typeIdentifier.toLower());
}

void MCImageLoaderExtensionManager::unregisterPlugIns()
{
    QWriteLocker locker(&m_lock);
    m_extensionsMap.clear();
}

QMap<QString, MCImageLoaderExtensionManager::ExtensionList> MCImageLoaderExtensionManager::extensionsMap() const
{
    QReadLocker locker(&m_lock);
    return m_extensionsMap;
}

void MCImageLoaderExtensionManager::setExtensionsMap(const QMap<QString, ExtensionList> &map)
{
    QWriteLocker locker(&m_lock);
    m_extensionsMap.clear();
    for (auto it = map.begin(); it != map.end(); ++it)
        m_extensionsMap.insert(it.key().toLower(), it.value());
}

QSet<QString> MCImageLoaderExtensionManager::supportedImageTypes() const
{
    QReadLocker locker(&m_lock);
    return m_supportedImageTypes;
}

void MCImageLoaderExtensionManager::setSupportedImageTypes(const QSet<QString> &types)
{
    QWriteLocker locker(&m_lock);
    m_supportedImageTypes = types;
}

QSet<QString> MCImageLoaderExtensionManager::supportedVideoTypes() const
{
    QReadLocker locker(&m_lock);
    return m_supportedVideoTypes;
}

void MCImageLoaderExtensionManager::setSupportedVideoTypes(const QSet<QString> &types)
{
    QWriteLocker locker(&m_lock);
    m_supportedVideoTypes = types;
}
