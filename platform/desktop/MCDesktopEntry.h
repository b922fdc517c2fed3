#pragma once

// An application's .desktop file as the freedesktop desktop entry standard describes it: the
// keys of its [Desktop Entry] group that opening files needs, and the command line its Exec
// key gives for a set of files. Everything here is pure (text in, values out), so the parsing
// and the field codes are tested without any installed application.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct MCDesktopEntry {
    QString desktopID; // "org.example.Viewer.desktop": the file's path below applications/, '/' → '-'
    QString path;      // the .desktop file itself
    QString type;      // "Application" for programs
    QString name;      // Name, in the best matching language
    QString icon;      // an icon name of the theme, or an absolute path
    QString exec;      // the Exec value, general escapes already removed
    QString tryExec;   // a program that must be installed for the entry to count
    QString workingDirectory; // Path
    QStringList mimeTypes;
    bool noDisplay = false;
    bool hidden = false; // Hidden=true: the entry is deleted
    bool terminal = false;

    // Reads the [Desktop Entry] group of a .desktop file's text. Localised keys (Name[de_CH])
    // are matched against `locale` ("de_CH", "de_CH.UTF-8@euro") in the standard's order:
    // lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang, then the plain key. Null when
    // the text has no such group.
    static std::optional<MCDesktopEntry> fromText(const QByteArray &text, const QString &desktopID = {},
                                                  const QString &path = {}, const QString &locale = {});
    // The same from a file; null when it cannot be read.
    static std::optional<MCDesktopEntry> fromFile(const QString &path, const QString &desktopID,
                                                  const QString &locale = {});

    // An application that can be started: Type=Application, not Hidden, an Exec that parses,
    // not needing a terminal (none is started for it), and its TryExec program installed.
    bool isLaunchable() const;

    // The command lines that open `paths` (absolute local paths), one per process to start,
    // each program first. %f and %u take one file each, so several files start one process
    // per file; %F and %U take all files in one. An Exec without a file code is given the
    // files at its end, as %F would, so the chosen program still receives what it was asked
    // to open. %i becomes "--icon" and the icon, %c the name, %k the .desktop file, %% a
    // percent sign; deprecated codes are dropped. Empty when the Exec value does not parse.
    QList<QStringList> commandsForFiles(const QStringList &paths) const;
};

// The arguments of an Exec value (general escapes already removed): split at unquoted spaces;
// inside double quotes a backslash escapes '"', '`', '$' and '\'. Null for an unterminated
// quote or an empty command. `quoted` (when given) tells for each argument whether it was
// written in quotes.
std::optional<QStringList> MCDesktopExecArguments(const QString &exec, QList<bool> *quoted = nullptr);

// A string value of a desktop file with its escapes \s \n \t \r \\ replaced.
QString MCDesktopUnescapeValue(const QString &value);
// A list value ("a;b\;c;") split at unescaped semicolons, escapes removed, empty items dropped.
QStringList MCDesktopListValue(const QString &value);
