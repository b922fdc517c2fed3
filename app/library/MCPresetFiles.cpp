#include "app/library/MCPresetFiles.h"

#include "app/library/MCPathManager.h"
#include "platform/core/MCPropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

// A save works in a hidden staging folder inside the presets folder, named after the saving
// process (".quillonx-presets-<pid>-XXXXXX"):
//   new/        the new files, all written before anything else happens
//   manifest    the new file names, one percent-encoded name a line; written last, it marks
//               the new set as complete
//   previous/   the kind's earlier files, moved aside while the new ones are moved in
// The staging folder is removed when the save ends. One left by a process that died is
// finished from what it holds: without a manifest it is dropped, with one it is carried
// through.

namespace {

const QString kStagingPrefix = QStringLiteral(".quillonx-presets-");
const QString kNewFolder = QStringLiteral("new");
const QString kPreviousFolder = QStringLiteral("previous");
const QString kManifest = QStringLiteral("manifest");

QString tr(const char *text) { return QCoreApplication::translate("MCPresetFiles", text); }

QString joined(const QString &folder, const QString &name) { return folder + QLatin1Char('/') + name; }

bool renamed(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The plain (not hidden) files of the kind in `folder`, by name.
QStringList kindFiles(const QString &folder, const QString &extension)
{
    QStringList names;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.suffix() == extension)
            names.append(entry.fileName());
    }
    return names;
}

// The process id in a staging folder's name, or 0.
qint64 ownerOf(const QString &stagingName)
{
    const QString rest = stagingName.mid(kStagingPrefix.size());
    bool ok = false;
    const qint64 pid = rest.left(rest.indexOf(QLatin1Char('-'))).toLongLong(&ok);
    return ok ? pid : 0;
}

std::optional<QStringList> readManifest(const QString &staging)
{
    QFile file(joined(staging, kManifest));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList names;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            names.append(QString::fromUtf8(QByteArray::fromPercentEncoding(line)));
    }
    return names;
}

bool writeManifest(const QString &staging, const QStringList &names)
{
    QSaveFile file(joined(staging, kManifest));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString &name : names)
        file.write(name.toUtf8().toPercentEncoding() + '\n');
    return file.commit();
}

// Carries a complete, interrupted save through: the kind's files the new set does not name
// go, the new files still staged move in.
void finishSave(const QString &folder, const QString &extension, const QString &staging, const QStringList &names)
{
    const QSet<QString> wanted(names.cbegin(), names.cend());
    const QString staged = joined(staging, kNewFolder);
    for (const QString &name : kindFiles(folder, extension)) {
        if (!wanted.contains(name))
            QFile::remove(joined(folder, name));
    }
    for (const QString &name : names) {
        if (QFileInfo::exists(joined(staged, name)))
            renamed(joined(staged, name), joined(folder, name));
    }
    syncFolder(folder);
}

QString storableText(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += c;
            result += text.at(++i);
            continue;
        }
        const bool storable = (u >= 0x20 || u == u'\t' || u == u'\n' || u == u'\r') && u != 0xFFFE && u != 0xFFFF &&
                              !c.isSurrogate();
        result += storable ? c : QChar(QChar::ReplacementCharacter);
    }
    return result;
}

QVariant storableValue(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return storableText(value.toString());
    case QMetaType::QStringList: {
        QStringList list = value.toStringList();
        for (QString &item : list)
            item = storableText(item);
        return list;
    }
    case QMetaType::QVariantList: {
        QVariantList list = value.toList();
        for (QVariant &item : list)
            item = storableValue(item);
        return list;
    }
    case QMetaType::QVariantMap:
        return MCStorablePresetDictionary(value.toMap());
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return MCStorablePresetDictionary(map);
    }
    default:
        return value;
    }
}

MCError saveError(const QString &folder, const QString &reason, int code = 0)
{
    MCError error(MCCocoaErrorDomain, MCFileWriteUnknownError,
                  tr("The presets couldn’t be saved in the folder “%1”.").arg(QFileInfo(folder).fileName()), reason);
    error.setUserInfoValue(MCFilePathErrorKey, folder);
    if (code != 0)
        error.setUnderlyingError(MCError::errorWithPOSIXCode(code, folder));
    return error;
}

} // namespace

QString MCPresetFileName(qint64 position, const QString &presetName, const QString &extension)
{
    QString name;
    for (const QChar c : presetName)
        name.append(c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f ? QChar(u'_') : c);
    if (name.startsWith(u'.'))
        name[0] = u'_';
    const QString prefix = QStringLiteral("%1_").arg(position, 3, 10, QLatin1Char('0'));
    const QString suffix = QStringLiteral(".") + extension;
    const qsizetype room = 255 - prefix.toUtf8().size() - suffix.toUtf8().size();
    // Shorten by whole characters (never splitting a surrogate pair) until the bytes fit.
    while (!name.isEmpty() && name.toUtf8().size() > room) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return prefix + name + suffix;
}

QVariantMap MCStorablePresetDictionary(const QVariantMap &dictionary)
{
    QVariantMap result;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        result.insert(storableText(it.key()), storableValue(it.value()));
    return result;
}

void MCFinishInterruptedPresetSaves(const QString &folder, const QString &extension)
{
    if (folder.isEmpty())
        return;
    const QStringList stagings =
        QDir(folder).entryList({kStagingPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : stagings) {
        const qint64 owner = ownerOf(name);
        if (owner <= 0 || MCPathManager::isProcessRunning(owner))
            continue; // a save under way in another process (or ours), or not one of these
        const QString staging = joined(folder, name);
        if (const std::optional<QStringList> names = readManifest(staging))
            finishSave(folder, extension, staging, *names);
        QDir(staging).removeRecursively();
    }
}

bool MCReplacePresetFiles(const QString &folder, const QString &extension, const QList<MCPresetFile> &files,
                          MCError *error)
{
    if (!QDir().mkpath(folder))
        return MCSetError(error, saveError(folder, tr("The folder could not be made."), errno));
    MCFinishInterruptedPresetSaves(folder, extension);

    QStringList names;
    QSet<QString> seen;
    for (const MCPresetFile &file : files) {
        const QString &name = file.fileName;
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')) ||
            QFileInfo(name).suffix() != extension || seen.contains(name))
            return MCSetError(error, saveError(folder, tr("“%1” is not a usable preset file name.").arg(name)));
        seen.insert(name);
        names.append(name);
    }

    // 1. Every new file, written where nothing reads it.
    QByteArray pattern = QFile::encodeName(joined(QDir(folder).absolutePath(), kStagingPrefix)) +
                         QByteArray::number(qint64(::getpid())) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return MCSetError(error, saveError(folder, tr("No staging folder could be made."), errno));
    const QString staging = QFile::decodeName(pattern);
    struct RemoveStaging
    {
        QString path;
        ~RemoveStaging() { QDir(path).removeRecursively(); }
    } removeStaging{staging};
    const QString staged = joined(staging, kNewFolder);
    const QString previous = joined(staging, kPreviousFolder);
    if (!QDir().mkpath(staged) || !QDir().mkpath(previous))
        return MCSetError(error, saveError(folder, tr("No staging folder could be made."), errno));
    for (const MCPresetFile &file : files) {
        if (!platform::writePropertyList(MCStorablePresetDictionary(file.dictionary), joined(staged, file.fileName), error))
            return false;
    }
    if (!writeManifest(staging, names))
        return MCSetError(error, saveError(folder, tr("The list of presets could not be written.")));

    // 2. The earlier files set aside; 3. the new ones moved in. A failure undoes both.
    const QStringList earlier = kindFiles(folder, extension);
    QStringList setAside;
    QStringList placed;
    auto rollBack = [&](int code) {
        for (const QString &name : std::as_const(placed))
            QFile::remove(joined(folder, name));
        for (const QString &name : std::as_const(setAside))
            renamed(joined(previous, name), joined(folder, name));
        syncFolder(folder);
        return MCSetError(error, saveError(folder, tr("The presets could not be moved into place."), code));
    };
    for (const QString &name : earlier) {
        if (!renamed(joined(folder, name), joined(previous, name)))
            return rollBack(errno);
        setAside.append(name);
    }
    for (const QString &name : std::as_const(names)) {
        if (!renamed(joined(staged, name), joined(folder, name)))
            return rollBack(errno);
        placed.append(name);
    }
    syncFolder(folder);
    return true;
}
