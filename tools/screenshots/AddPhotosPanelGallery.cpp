// The Add Photos open panel: files and folders chosen together, only files of the accepted
// types listed, a folder and a photo selected (the accept button keeps its title).
#include "app/shell/MCImportSupport.h"
#include "halvard/ui/MCPromptLayer.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QTemporaryDir>

namespace {

// A folder with two sub-folders, photos and a text file the panel leaves out.
QString sampleFolder()
{
    static QTemporaryDir folder;
    QDir dir(folder.path());
    dir.mkdir(QStringLiteral("Holiday 2025"));
    dir.mkdir(QStringLiteral("Studio"));
    for (const char *name : {"IMG_0101.jpg", "IMG_0102.jpg", "DSC_2040.png", "notes.txt"}) {
        QFile file(dir.filePath(QLatin1String(name)));
        if (file.open(QIODevice::WriteOnly))
            file.write("x");
    }
    return folder.path();
}

QWidget *addPhotosPanel()
{
    MCOpenPanelRequest request = MCImportSupport::addPhotosPanelRequest();
    request.directory = sampleFolder();
    if (request.allowedFileTypes.isEmpty()) // the file-type filter is not installed here
        request.allowedFileTypes = {QStringLiteral("public.jpeg"), QStringLiteral("public.png")};
    QFileDialog *dialog = MCPromptLayer::newOpenPanel(request).release();
    auto *view = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
    if (!view || !view->model() || !view->selectionModel())
        return dialog;
    // The folder is read in the background: wait a moment for its rows, then select.
    QElapsedTimer timer;
    timer.start();
    const QStringList selected{QStringLiteral("Holiday 2025"), QStringLiteral("IMG_0101.jpg")};
    while (timer.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QList<QModelIndex> rows;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
            if (selected.contains(index.data().toString()))
                rows.append(index);
        }
        if (rows.size() == selected.size()) {
            for (const QModelIndex &index : rows)
                view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            break;
        }
    }
    return dialog;
}

const ScreenshotRegistration registration({
    {"add-photos-panel", "folder-and-photo-selected", [] { return addPhotosPanel(); }, QSize(760, 520)},
});

} // namespace
