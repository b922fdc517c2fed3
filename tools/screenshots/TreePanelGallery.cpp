// The group tree panel of the photo list screen: 200 generated photos grouped by capture date
// (years, months and days, a year opened and a month selected), and the panel before any photo.
#include "app/browser/MCTreePanelViewController.h"
#include "app/library/MCFileContainer.h"
#include "platform/imageio/MCImageProperties.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QTemporaryDir>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Photos named as a camera names them, taken over two years; no files are needed to group
// them by date or by their extension.
QList<MCGroupItemPtr> generatedPhotos(int count)
{
    static QTemporaryDir folder;
    QList<MCGroupItemPtr> files;
    const QDateTime first(QDate(2023, 3, 4), QTime(9, 0));
    for (int i = 0; i < count; ++i) {
        const QString extension = i % 5 == 0 ? QStringLiteral("NEF") : i % 7 == 0 ? QStringLiteral("PNG") : QStringLiteral("JPG");
        auto file = MCFileContainer::newFileWithURL(folder.path() + QStringLiteral("/DSC_%1.%2").arg(4000 + i).arg(extension));
        const QDateTime taken = first.addSecs(qint64(i) * 3 * 86400 + (i % 4) * 3600);
        file->fileInfo().reloadAllPropertiesFromImageInfo(
            {{kCGImagePropertyExifDictionary,
              QVariantMap{{kCGImagePropertyExifDateTimeOriginal, taken.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"))}}}});
        file->reloadCaptureDate();
        files.append(file);
    }
    return files;
}

QWidget *treePanel(quint64 preset, bool openFirstYear, int photos)
{
    auto *host = new QWidget;
    auto *layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *panel = new MCTreePanelViewController;
    MCGroupRulePresetsManager::defaultManager().setCurrentPresetIndex(preset);
    layout->addWidget(panel->view());
    // The host owns the controller; its view, added first, goes first.
    panel->setParent(host);
    panel->noteItemsWereAdded(generatedPhotos(photos));
    QTreeView *outline = panel->outlineView();
    const QModelIndex root = panel->outlineModel()->index(0, 0);
    if (openFirstYear && photos > 0) {
        const QModelIndex year = panel->outlineModel()->index(0, 0, root);
        outline->expand(year);
        const QModelIndex month = panel->outlineModel()->index(1, 0, year);
        outline->selectionModel()->select(month, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    return host;
}

const ScreenshotRegistration registration({
    {"tree-panel", "capture-date", [] { return treePanel(1, true, 200); }, QSize(260, 460)},
    {"tree-panel", "empty", [] { return treePanel(1, false, 0); }, QSize(260, 460)},
});

} // namespace
