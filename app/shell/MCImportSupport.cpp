#include "app/shell/MCImportSupport.h"

#include "halvard/imageio/MCUTType.h"
#include "platform/core/MCUserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

const QString kMCLastFolderImportedKey = QStringLiteral("LastFolderImported");

namespace MCImportSupport {

QString filenamesPasteboardType()
{
    return QStringLiteral("text/uri-list");
}

QStringList pathsFromDrop(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasFormat(filenamesPasteboardType()))
        return paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        // A link is imported as what it points to.
        const QString resolved = QFileInfo(path).canonicalFilePath();
        if (!resolved.isEmpty())
            paths.append(resolved);
    }
    return paths;
}

QString startFolderForOpenPanel()
{
    const QString last = MCUserDefaults::standardUserDefaults().stringForKey(kMCLastFolderImportedKey);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

MCOpenPanelRequest addPhotosPanelRequest()
{
    MCOpenPanelRequest request;
    request.title = QObject::tr("Add Photos");
    request.prompt = QObject::tr("Add");
    request.directory = startFolderForOpenPanel();
    request.canChooseFiles = true;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = true;
    request.allowedFileTypes = MCUTType::allowedTypeIdentifiers().values();
    request.allowedFileTypes.sort();
    return request;
}

void rememberImportFolder(const MCOpenPanelAnswer &answer)
{
    if (!answer.accepted || answer.paths.isEmpty())
        return;
    // The folder the panel showed; an answer that does not tell (a scripted one) stands for
    // the folder holding its first item.
    const QString folder =
        answer.directory.isEmpty() ? QFileInfo(answer.paths.first()).absolutePath() : answer.directory;
    if (!folder.isEmpty())
        MCUserDefaults::standardUserDefaults().setObject(folder, kMCLastFolderImportedKey);
}

QStringList choosePhotosToAdd(QWidget *window)
{
    const MCOpenPanelAnswer answer = MCPromptLayer::runOpenPanel(addPhotosPanelRequest(), window);
    if (!answer.accepted)
        return {};
    rememberImportFolder(answer);
    return answer.paths;
}

} // namespace MCImportSupport
