#include "platform/color/ColorSyncProfileCatalogue.h"

#include "platform/core/MCBundle.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <lcms2.h>

#include <algorithm>
#include <mutex>

namespace {

// Guards the shared catalogue and the folder override.
std::mutex g_catalogueLock;
std::shared_ptr<const ColorSyncProfileCatalogue> g_installed; // guarded by g_catalogueLock
std::optional<QStringList> g_systemFolders;                    // guarded by g_catalogueLock

QStringList defaultSystemFolders()
{
    const QString home = QDir::homePath();
    return {QStringLiteral("/usr/share/color/icc"), QStringLiteral("/usr/local/share/color/icc"),
            QStringLiteral("/var/lib/colord/icc"), home + QStringLiteral("/.local/share/icc"),
            home + QStringLiteral("/.color/icc")};
}

QStringList foldersLocked()
{
    QStringList folders = g_systemFolders.value_or(defaultSystemFolders());
    folders.append(platform::pathForResource(QStringLiteral("ColorProfiles")));
    return folders;
}

QString descriptionOf(cmsHPROFILE profile)
{
    wchar_t buffer[512];
    if (cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", buffer, 512) == 0)
        return {};
    return QString::fromWCharArray(buffer).trimmed();
}

bool isProfileFileName(const QString &name)
{
    return name.endsWith(QLatin1String(".icc"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".icm"), Qt::CaseInsensitive);
}

} // namespace

std::optional<ColorSyncProfileInfo> ColorSyncProfileCopyInfo(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    cmsHPROFILE profile = cmsOpenProfileFromFile(encoded.constData(), "r");
    if (!profile)
        return std::nullopt;
    ColorSyncProfileInfo info;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    info.url = canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
    info.description = descriptionOf(profile);
    info.colorSpace = uint32_t(cmsGetColorSpace(profile));
    info.profileClass = uint32_t(cmsGetDeviceClass(profile));
    cmsCloseProfile(profile);
    return info;
}

ColorSyncProfileCatalogue ColorSyncProfileCatalogue::build(const QStringList &folders)
{
    ColorSyncProfileCatalogue catalogue;
    QSet<QString> seen;
    for (const QString &folder : folders) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        QDirIterator it(folder, QDir::Files | QDir::Readable, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!isProfileFileName(it.fileName()))
                continue;
            std::optional<ColorSyncProfileInfo> info = ColorSyncProfileCopyInfo(path);
            if (!info || seen.contains(info->url))
                continue;
            seen.insert(info->url);
            catalogue.m_sorted.push_back(std::move(*info));
        }
    }
    std::sort(catalogue.m_sorted.begin(), catalogue.m_sorted.end(),
              [](const ColorSyncProfileInfo &a, const ColorSyncProfileInfo &b) {
                  const int order = QString::compare(a.description, b.description, Qt::CaseInsensitive);
                  return order != 0 ? order < 0 : a.url < b.url;
              });
    for (qsizetype i = 0; i < qsizetype(catalogue.m_sorted.size()); ++i)
        catalogue.m_indexByURL.insert(catalogue.m_sorted[size_t(i)].url, i);
    return catalogue;
}

const ColorSyncProfileInfo *ColorSyncProfileCatalogue::profileForURL(const QString &url) const
{
    auto found = m_indexByURL.constFind(url);
    if (found == m_indexByURL.constEnd()) {
        const QString canonical = QFileInfo(url).canonicalFilePath();
        if (canonical.isEmpty())
            return nullptr;
        found = m_indexByURL.constFind(canonical);
        if (found == m_indexByURL.constEnd())
            return nullptr;
    }
    return &m_sorted[size_t(*found)];
}

std::shared_ptr<const ColorSyncProfileCatalogue> ColorSyncProfileCatalogue::installed()
{
    std::lock_guard<std::mutex> locked(g_catalogueLock);
    if (!g_installed) {
        auto catalogue = std::make_shared<const ColorSyncProfileCatalogue>(build(foldersLocked()));
        // An empty walk is not kept: profiles installed later (or a resource folder that was
        // not reachable yet) are found by the next call.
        if (!catalogue->isEmpty())
            g_installed = std::move(catalogue);
    }
    return g_installed;
}

QStringList ColorSyncProfileCatalogue::searchFolders()
{
    std::lock_guard<std::mutex> locked(g_catalogueLock);
    return foldersLocked();
}

void ColorSyncProfileCatalogue::setSystemFolders(const std::optional<QStringList> &folders)
{
    std::lock_guard<std::mutex> locked(g_catalogueLock);
    g_systemFolders = folders;
    g_installed.reset();
}
