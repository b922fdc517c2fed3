#pragma once

// Which installed applications open which files, as the freedesktop standards lay it out:
// the .desktop files under the applications/ folder of every XDG data folder (their MimeType
// keys), and the mimeapps.list files with the user's and the system's default applications
// and their added and removed associations. File types come from Qt's MIME database.
#include "platform/desktop/MCDesktopEntry.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The XDG base folders and the current desktops, most important first.
struct MCXDGDirectories {
    QString dataHome;       // $XDG_DATA_HOME, default ~/.local/share
    QStringList dataDirs;   // $XDG_DATA_DIRS, default /usr/local/share:/usr/share
    QString configHome;     // $XDG_CONFIG_HOME, default ~/.config
    QStringList configDirs; // $XDG_CONFIG_DIRS, default /etc/xdg
    QStringList desktops;   // $XDG_CURRENT_DESKTOP, lower-cased ("gnome", "kde")

    static MCXDGDirectories fromEnvironment();

    // The folders holding .desktop files, most important first.
    QStringList applicationFolders() const;
    // The mimeapps.list files to read, most important first: each config folder, then each
    // data folder's applications/ (an older place), desktop-specific files before the plain one.
    QStringList mimeAppsListFiles() const;
};

// One mimeapps.list: desktop IDs by MIME type in each of its three groups.
struct MCMimeAppsList {
    QHash<QString, QStringList> defaultApplications; // [Default Applications]
    QHash<QString, QStringList> addedAssociations;   // [Added Associations]
    QHash<QString, QStringList> removedAssociations; // [Removed Associations]

    static MCMimeAppsList fromText(const QByteArray &text);
};

class MCApplicationRegistry
{
public:
    // Reads every .desktop and mimeapps.list file of the folders once, now. `locale` picks the
    // language of the names (the system's by default).
    explicit MCApplicationRegistry(const MCXDGDirectories &directories = MCXDGDirectories::fromEnvironment(),
                                   const QString &locale = {});

    // The MIME type of a file by its name and contents; null when nothing is at `path`.
    static QString mimeTypeOfFile(const QString &path);

    // An installed application that can be started; the first .desktop file found for an ID
    // (in the order of the folders) hides later ones.
    std::optional<MCDesktopEntry> applicationForID(const QString &desktopID) const;

    // The application that opens files of the type by default: the first installed entry that
    // the mimeapps.list files name for the type; without one, the most preferred application
    // associated with it. The type's parent types are asked in turn when it has neither. Null
    // when no application opens it.
    QString defaultApplicationForMimeType(const QString &mimeType) const;
    // Every application that opens files of the type (or of a parent type), most preferred
    // first: added associations of the mimeapps.list files in their order, then the .desktop
    // files that list the type, less the removed associations.
    QStringList applicationsForMimeType(const QString &mimeType) const;

private:
    QStringList associationsForExactType(const QString &mimeType) const;
    QStringList typeAndParents(const QString &mimeType) const;

    QHash<QString, MCDesktopEntry> m_entries;             // launchable entries by desktop ID
    QHash<QString, QStringList> m_idsByType;              // canonical type → IDs listing it, in folder order
    QList<MCMimeAppsList> m_lists;                        // most important first
};
