#include "platform/desktop/MCApplicationRegistry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QSet>

#include <algorithm>

namespace {

QStringList pathList(const QByteArray &variable, const QStringList &fallback)
{
    QStringList folders;
    for (const QString &folder : qEnvironmentVariable(variable.constData()).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder)) // relative entries are invalid and ignored
            folders << QDir::cleanPath(folder);
    return folders.isEmpty() ? fallback : folders;
}

QString homeFolder(const QByteArray &variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable.constData());
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QDir::homePath() + fallback;
}

// The MIME database's own name of a type, so aliases ("image/pjpeg") meet their type.
QString canonicalType(const QMimeDatabase &database, const QString &name)
{
    const QMimeType type = database.mimeTypeForName(name);
    return type.isValid() ? type.name() : name;
}

QHash<QString, QStringList> canonicalKeys(const QMimeDatabase &database, const QHash<QString, QStringList> &byType)
{
    QHash<QString, QStringList> result;
    for (auto it = byType.constBegin(); it != byType.constEnd(); ++it) {
        QStringList &ids = result[canonicalType(database, it.key())];
        for (const QString &id : it.value())
            if (!ids.contains(id))
                ids << id;
    }
    return result;
}

} // namespace

MCXDGDirectories MCXDGDirectories::fromEnvironment()
{
    MCXDGDirectories directories;
    directories.dataHome = homeFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
    directories.dataDirs = pathList("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    directories.configHome = homeFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
    directories.configDirs = pathList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        directories.desktops << desktop.toLower();
    return directories;
}

QStringList MCXDGDirectories::applicationFolders() const
{
    QStringList folders{dataHome + QStringLiteral("/applications")};
    for (const QString &folder : dataDirs)
        folders << folder + QStringLiteral("/applications");
    folders.removeDuplicates();
    return folders;
}

QStringList MCXDGDirectories::mimeAppsListFiles() const
{
    QStringList folders{configHome};
    folders << configDirs;
    folders << applicationFolders();
    QStringList files;
    for (const QString &folder : std::as_const(folders)) {
        for (const QString &desktop : desktops)
            files << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    }
    files.removeDuplicates();
    return files;
}

MCMimeAppsList MCMimeAppsList::fromText(const QByteArray &text)
{
    MCMimeAppsList list;
    QHash<QString, QStringList> *group = nullptr;
    for (QString line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (line == QLatin1String("[Default Applications]"))
                group = &list.defaultApplications;
            else if (line == QLatin1String("[Added Associations]"))
                group = &list.addedAssociations;
            else if (line == QLatin1String("[Removed Associations]"))
                group = &list.removedAssociations;
            else
                group = nullptr;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!group || equals <= 0)
            continue;
        QStringList &ids = (*group)[line.left(equals).trimmed()];
        for (const QString &id : MCDesktopListValue(line.mid(equals + 1).trimmed()))
            if (!ids.contains(id))
                ids << id;
    }
    return list;
}

MCApplicationRegistry::MCApplicationRegistry(const MCXDGDirectories &directories, const QString &locale)
{
    const QString language = locale.isEmpty() ? QLocale().name() : locale;
    const QMimeDatabase database;
    QSet<QString> seen; // IDs already decided by a more important folder, launchable or not
    for (const QString &folder : directories.applicationFolders()) {
        QStringList files;
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            files << it.next();
        std::sort(files.begin(), files.end());
        for (const QString &file : std::as_const(files)) {
            QString id = QDir(folder).relativeFilePath(file);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            std::optional<MCDesktopEntry> entry = MCDesktopEntry::fromFile(file, id, language);
            if (!entry || !entry->isLaunchable())
                continue; // a hidden or broken entry also hides the same ID in later folders
            for (const QString &type : std::as_const(entry->mimeTypes)) {
                QStringList &ids = m_idsByType[canonicalType(database, type)];
                if (!ids.contains(id))
                    ids << id;
            }
            m_entries.insert(id, *entry);
        }
    }
    for (const QString &file : directories.mimeAppsListFiles()) {
        QFile list(file);
        if (!list.open(QIODevice::ReadOnly) || list.size() > (4 << 20))
            continue;
        MCMimeAppsList parsed = MCMimeAppsList::fromText(list.readAll());
        parsed.defaultApplications = canonicalKeys(database, parsed.defaultApplications);
        parsed.addedAssociations = canonicalKeys(database, parsed.addedAssociations);
        parsed.removedAssociations = canonicalKeys(database, parsed.removedAssociations);
        m_lists << parsed;
    }
}

QString MCApplicationRegistry::mimeTypeOfFile(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    return QMimeDatabase().mimeTypeForFile(path).name();
}

std::optional<MCDesktopEntry> MCApplicationRegistry::applicationForID(const QString &desktopID) const
{
    const auto it = m_entries.constFind(desktopID);
    if (it == m_entries.constEnd())
        return std::nullopt;
    return *it;
}

QStringList MCApplicationRegistry::typeAndParents(const QString &mimeType) const
{
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(mimeType);
    if (!type.isValid())
        return {mimeType};
    QStringList types{type.name()};
    // Every type descends from application/octet-stream; a program for any bytes is not an
    // application for the file.
    for (const QString &parent : type.allAncestors())
        if (parent != QLatin1String("application/octet-stream") && !types.contains(parent))
            types << parent;
    return types;
}

QStringList MCApplicationRegistry::associationsForExactType(const QString &mimeType) const
{
    QStringList ids;
    QSet<QString> removed;
    // A list removes associations of the lists and .desktop files less important than itself.
    for (const MCMimeAppsList &list : m_lists) {
        for (const QString &id : list.addedAssociations.value(mimeType))
            if (!removed.contains(id) && m_entries.contains(id) && !ids.contains(id))
                ids << id;
        for (const QString &id : list.removedAssociations.value(mimeType))
            removed.insert(id);
    }
    for (const QString &id : m_idsByType.value(mimeType))
        if (!removed.contains(id) && !ids.contains(id))
            ids << id;
    return ids;
}

QString MCApplicationRegistry::defaultApplicationForMimeType(const QString &mimeType) const
{
    if (mimeType.isEmpty())
        return {};
    for (const QString &type : typeAndParents(mimeType)) {
        for (const MCMimeAppsList &list : m_lists)
            for (const QString &id : list.defaultApplications.value(type))
                if (m_entries.contains(id))
                    return id;
        const QStringList associated = associationsForExactType(type);
        if (!associated.isEmpty())
            return associated.first();
    }
    return {};
}

QStringList MCApplicationRegistry::applicationsForMimeType(const QString &mimeType) const
{
    if (mimeType.isEmpty())
        return {};
    QStringList ids;
    const QString preferred = defaultApplicationForMimeType(mimeType);
    if (!preferred.isEmpty())
        ids << preferred;
    for (const QString &type : typeAndParents(mimeType))
        for (const QString &id : associationsForExactType(type))
            if (!ids.contains(id))
                ids << id;
    return ids;
}
