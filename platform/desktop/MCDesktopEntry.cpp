#include "platform/desktop/MCDesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The localised variants of a key to try, best first, for a locale such as "sr_YU.UTF-8@Latn".
QStringList localeSuffixes(const QString &locale)
{
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(QLatin1Char('.')); dot >= 0)
        rest.truncate(dot);
    QString language = rest, country;
    if (const qsizetype underscore = rest.indexOf(QLatin1Char('_')); underscore >= 0) {
        language = rest.left(underscore);
        country = rest.mid(underscore + 1);
    }
    QStringList suffixes;
    if (language.isEmpty() || language == QLatin1String("C"))
        return suffixes;
    if (!country.isEmpty() && !modifier.isEmpty())
        suffixes << language + QLatin1Char('_') + country + QLatin1Char('@') + modifier;
    if (!country.isEmpty())
        suffixes << language + QLatin1Char('_') + country;
    if (!modifier.isEmpty())
        suffixes << language + QLatin1Char('@') + modifier;
    suffixes << language;
    return suffixes;
}

bool isTrue(const QString &value) { return value == QLatin1String("true") || value == QLatin1String("1"); }

// A program named by TryExec or an Exec's first argument: an absolute path that is executable,
// or a name found in PATH.
bool programIsInstalled(const QString &program)
{
    if (program.isEmpty())
        return false;
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

} // namespace

QString MCDesktopUnescapeValue(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value.at(i + 1);
        switch (next.unicode()) {
        case 's': result += QLatin1Char(' '); break;
        case 'n': result += QLatin1Char('\n'); break;
        case 't': result += QLatin1Char('\t'); break;
        case 'r': result += QLatin1Char('\r'); break;
        case '\\': result += QLatin1Char('\\'); break;
        default:
            // Not a string escape: kept whole, for the list and Exec rules that come after.
            result += c;
            result += next;
            break;
        }
        ++i;
    }
    return result;
}

QStringList MCDesktopListValue(const QString &value)
{
    QStringList items;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size() && value.at(i + 1) == QLatin1Char(';')) {
            current += QLatin1Char(';');
            ++i;
        } else if (c == QLatin1Char(';')) {
            items << MCDesktopUnescapeValue(current);
            current.clear();
        } else {
            current += c;
        }
    }
    items << MCDesktopUnescapeValue(current);
    items.removeAll(QString());
    return items;
}

std::optional<QStringList> MCDesktopExecArguments(const QString &exec, QList<bool> *quoted)
{
    QStringList arguments;
    QList<bool> wasQuoted;
    QString current;
    bool inQuotes = false, inArgument = false, currentQuoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
                current += exec.at(++i);
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument) {
                arguments << current;
                wasQuoted << currentQuoted;
                current.clear();
                inArgument = currentQuoted = false;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = inArgument = currentQuoted = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inArgument) {
        arguments << current;
        wasQuoted << currentQuoted;
    }
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return std::nullopt;
    if (quoted)
        *quoted = wasQuoted;
    return arguments;
}

std::optional<MCDesktopEntry> MCDesktopEntry::fromText(const QByteArray &text, const QString &desktopID,
                                                       const QString &path, const QString &locale)
{
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    bool inGroup = false, found = false;
    QHash<QString, QString> values; // key (with its [locale], if any) → raw value
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (found)
                break; // only the first [Desktop Entry] group counts
            inGroup = trimmed == QLatin1String("[Desktop Entry]");
            found = inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!values.contains(key)) // the first of duplicated keys wins
            values.insert(key, line.mid(equals + 1).trimmed());
    }
    if (!found)
        return std::nullopt;

    const QStringList suffixes = localeSuffixes(locale);
    const auto localized = [&](const QString &key) {
        for (const QString &suffix : suffixes) {
            const auto it = values.constFind(key + QLatin1Char('[') + suffix + QLatin1Char(']'));
            if (it != values.constEnd())
                return MCDesktopUnescapeValue(*it);
        }
        return MCDesktopUnescapeValue(values.value(key));
    };

    MCDesktopEntry entry;
    entry.desktopID = desktopID;
    entry.path = path;
    entry.type = MCDesktopUnescapeValue(values.value(QStringLiteral("Type")));
    entry.name = localized(QStringLiteral("Name"));
    entry.icon = localized(QStringLiteral("Icon"));
    entry.exec = MCDesktopUnescapeValue(values.value(QStringLiteral("Exec")));
    entry.tryExec = MCDesktopUnescapeValue(values.value(QStringLiteral("TryExec")));
    entry.workingDirectory = MCDesktopUnescapeValue(values.value(QStringLiteral("Path")));
    entry.mimeTypes = MCDesktopListValue(values.value(QStringLiteral("MimeType")));
    entry.noDisplay = isTrue(values.value(QStringLiteral("NoDisplay")));
    entry.hidden = isTrue(values.value(QStringLiteral("Hidden")));
    entry.terminal = isTrue(values.value(QStringLiteral("Terminal")));
    return entry;
}

std::optional<MCDesktopEntry> MCDesktopEntry::fromFile(const QString &path, const QString &desktopID,
                                                       const QString &locale)
{
    QFile file(path);
    // A .desktop file is a few kilobytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > (1 << 20))
        return std::nullopt;
    return fromText(file.readAll(), desktopID, path, locale);
}

bool MCDesktopEntry::isLaunchable() const
{
    if (type != QLatin1String("Application") || hidden || terminal)
        return false;
    const std::optional<QStringList> arguments = MCDesktopExecArguments(exec);
    if (!arguments)
        return false;
    if (!tryExec.isEmpty() && !programIsInstalled(tryExec))
        return false;
    return true;
}

QList<QStringList> MCDesktopEntry::commandsForFiles(const QStringList &paths) const
{
    QList<bool> quoted;
    const std::optional<QStringList> arguments = MCDesktopExecArguments(exec, &quoted);
    if (!arguments)
        return {};

    bool singleFileCode = false, listCode = false;
    for (const QString &argument : *arguments) {
        for (qsizetype i = 0; i + 1 < argument.size(); ++i) {
            if (argument.at(i) != QLatin1Char('%'))
                continue;
            const QChar code = argument.at(++i);
            singleFileCode |= code == QLatin1Char('f') || code == QLatin1Char('u');
            listCode |= code == QLatin1Char('F') || code == QLatin1Char('U');
        }
    }
    const auto urlOf = [](const QString &path) {
        return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    };

    // One command line with `files` in place of the file codes.
    const auto expand = [&](const QStringList &files) {
        QStringList command;
        for (qsizetype a = 0; a < arguments->size(); ++a) {
            const QString &argument = arguments->at(a);
            if (argument == QLatin1String("%F") || argument == QLatin1String("%U")) {
                for (const QString &file : files)
                    command << (argument == QLatin1String("%F") ? file : urlOf(file));
                continue;
            }
            if (argument == QLatin1String("%i")) {
                if (!icon.isEmpty())
                    command << QStringLiteral("--icon") << icon;
                continue;
            }
            QString expanded;
            bool onlyCodes = true; // an argument made of codes alone that expand to nothing is dropped
            for (qsizetype i = 0; i < argument.size(); ++i) {
                const QChar c = argument.at(i);
                if (c != QLatin1Char('%') || i + 1 == argument.size()) {
                    expanded += c;
                    onlyCodes = false;
                    continue;
                }
                switch (argument.at(++i).unicode()) {
                case 'f': if (!files.isEmpty()) expanded += files.first(); break;
                case 'u': if (!files.isEmpty()) expanded += urlOf(files.first()); break;
                case 'c': expanded += name; break;
                case 'k': expanded += path; break;
                case '%': expanded += QLatin1Char('%'); onlyCodes = false; break;
                default: break; // %F or %U inside a longer argument, %i there, deprecated or unknown codes
                }
            }
            if (!expanded.isEmpty() || !onlyCodes || quoted.value(a))
                command << expanded;
        }
        if (!singleFileCode && !listCode)
            command << files;
        return command;
    };

    QList<QStringList> commands;
    if (singleFileCode && !listCode && paths.size() > 1) {
        for (const QString &file : paths)
            commands << expand({file});
    } else {
        commands << expand(paths);
    }
    // An Exec that expands to no program (it was a field code) starts nothing.
    commands.removeIf([](const QStringList &command) { return command.isEmpty() || command.first().isEmpty(); });
    return commands;
}
