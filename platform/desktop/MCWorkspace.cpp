#include "platform/desktop/MCWorkspace.h"

#include "platform/desktop/MCDesktopBus.h"

#include <QAtomicPointer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

namespace {
QAtomicPointer<MCWorkspace> installedWorkspace;
} // namespace

MCWorkspace::MCWorkspace(MCDesktopBus *bus) : m_bus(bus ? bus : &MCDesktopBus::sessionBus()) {}

MCWorkspace::~MCWorkspace()
{
    installedWorkspace.testAndSetOrdered(this, nullptr);
}

MCWorkspace &MCWorkspace::sharedWorkspace()
{
    if (MCWorkspace *workspace = installedWorkspace.loadAcquire())
        return *workspace;
    static MCWorkspace workspace;
    return workspace;
}

void MCWorkspace::setSharedWorkspace(MCWorkspace *workspace)
{
    installedWorkspace.storeRelease(workspace);
}

MCApplicationRegistry MCWorkspace::applicationRegistry() const
{
    return MCApplicationRegistry(MCXDGDirectories::fromEnvironment());
}

QString MCWorkspace::typeOfFile(const QString &path) const
{
    return MCApplicationRegistry::mimeTypeOfFile(path);
}

bool MCWorkspace::openFiles(const QStringList &paths)
{
    bool opened = false;
    for (const QString &path : paths)
        if (!path.isEmpty())
            opened |= openURL(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    return opened;
}

bool MCWorkspace::openFiles(const QStringList &paths, const QString &desktopID, MCError *error)
{
    const std::optional<MCDesktopEntry> application = applicationRegistry().applicationForID(desktopID);
    if (!application) {
        MCSetError(error, MCError(MCCocoaErrorDomain, MCFileReadNoSuchFileError,
                                  QStringLiteral("The application “%1” could not be found.").arg(desktopID),
                                  QStringLiteral("No installed application has the desktop entry “%1”.").arg(desktopID)));
        return false;
    }
    QStringList files;
    for (const QString &path : paths)
        if (!path.isEmpty())
            files << QFileInfo(path).absoluteFilePath();
    const QList<QStringList> commands = application->commandsForFiles(files);
    const QString name = application->name.isEmpty() ? desktopID : application->name;
    if (commands.isEmpty()) {
        MCSetError(error, MCError(MCCocoaErrorDomain, MCFileReadCorruptFileError,
                                  QStringLiteral("“%1” could not be started.").arg(name),
                                  QStringLiteral("Its desktop entry has no command that can be run.")));
        return false;
    }
    for (const QStringList &command : commands) {
        if (!startDetached(command, application->workingDirectory)) {
            MCSetError(error, MCError(MCCocoaErrorDomain, MCFileReadUnknownError,
                                      QStringLiteral("“%1” could not be started.").arg(name),
                                      QStringLiteral("The program “%1” could not be run.").arg(command.first())));
            return false;
        }
    }
    return true;
}

void MCWorkspace::activateFileViewerSelectingURLs(const QStringList &paths)
{
    QStringList items;
    for (const QString &path : paths)
        if (!path.isEmpty())
            items << QFileInfo(path).absoluteFilePath();
    if (items.isEmpty())
        return;
    if (!m_bus->isConnected()) {
        openFolders(items);
        return;
    }
    QStringList uris;
    for (const QString &item : std::as_const(items))
        uris << QString::fromLatin1(QUrl::fromLocalFile(item).toEncoded());
    MCDesktopBusCall call;
    call.service = QStringLiteral("org.freedesktop.FileManager1");
    call.path = QStringLiteral("/org/freedesktop/FileManager1");
    call.interface = QStringLiteral("org.freedesktop.FileManager1");
    call.method = QStringLiteral("ShowItems");
    call.arguments = {uris, QString()}; // the items, and no startup notification ID
    call.timeoutMs = 10000; // a file manager started on demand may take a few seconds
    // The workspace may be gone before the answer comes: the fallback then does nothing.
    m_bus->call(call, [this, items, alive = std::weak_ptr<int>(m_lifetime)](const MCDesktopBusReply &reply) {
        if (!reply.succeeded && !alive.expired())
            openFolders(items);
    });
}

void MCWorkspace::openFolders(const QStringList &paths)
{
    QStringList folders;
    for (const QString &path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
    for (const QString &folder : std::as_const(folders))
        openURL(QUrl::fromLocalFile(folder));
}

bool MCWorkspace::openURL(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool MCWorkspace::startDetached(const QStringList &command, const QString &workingDirectory)
{
    if (command.isEmpty())
        return false;
    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    // The program's own output is not ours to show.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}
