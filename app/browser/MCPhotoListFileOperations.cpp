#include "app/browser/MCPhotoListFileOperations.h"

#include "app/dialogs/MCOperationDialogs.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFileManager.h"
#include "app/library/MCFileOperationKinds.h"
#include "app/library/MCSandboxHelperQuillon.h"
#include "app/metadata/MCEditMetadataStages.h"
#include "app/metadata/MCMetadataConverter.h"
#include "app/shell/MCFileOperationProgressWindowController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/shell/MCStatisticsManager.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCUserNotificationCenter.h"
#include "platform/desktop/MCWorkspace.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QStandardPaths>

#include <cmath>

const QString kMCLastFolderExportedKey = QStringLiteral("LastFolderExported");
const QString kMCShowMessageAfterGPSEditingKey = QStringLiteral("ShowMessageAfterGPSEditing");
const QString kMCGPSPasteboardType = QStringLiteral("MCGPSPasteboardType");

namespace {

const QString kLatitude = QStringLiteral("Latitude");
const QString kLongitude = QStringLiteral("Longitude");

// A coordinate from the clipboard's dictionary: a finite number within ±limit.
std::optional<double> coordinate(const QVariantMap &location, const QString &key, double limit)
{
    const QVariant value = location.value(key);
    if (!platform::isPropertyListNumber(value) || value.typeId() == QMetaType::Bool)
        return std::nullopt;
    const double degrees = value.toDouble();
    if (!std::isfinite(degrees) || std::abs(degrees) > limit)
        return std::nullopt;
    return degrees;
}

} // namespace

std::optional<QPointF> MCPastedGPSLocation()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(kMCGPSPasteboardType))
        return std::nullopt;
    const QVariantMap location = platform::propertyListFromData(data->data(kMCGPSPasteboardType)).toMap();
    const auto latitude = coordinate(location, kLatitude, 90);
    const auto longitude = coordinate(location, kLongitude, 180);
    if (!latitude || !longitude)
        return std::nullopt;
    return QPointF(*longitude, *latitude);
}

void MCCopyGPSLocationToPasteboard(const QVariantMap &location, const QString &text)
{
    auto *data = new QMimeData;
    if (!text.isEmpty())
        data->setText(text);
    data->setData(kMCGPSPasteboardType, platform::dataFromPropertyList(location));
    QGuiApplication::clipboard()->setMimeData(data);
}

void MCCopyGPSLocationToPasteboard(double latitude, double longitude)
{
    MCCopyGPSLocationToPasteboard(QVariantMap{{kLatitude, latitude}, {kLongitude, longitude}});
}

MCPhotoListFileOperations::MCPhotoListFileOperations(MCPhotoListFileOperationsHost &host, MCUserDefaults *defaults,
                                                     QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_defaults(defaults ? *defaults : MCUserDefaults::standardUserDefaults())
{
    m_renameDialog = [](const MCBatchRenameSettings &settings, const MCFileList &items,
                        QWidget *window) -> std::optional<RenameAnswer> {
        if (MCRenameDialog::isAvailable()) {
            std::unique_ptr<MCRenameDialog> dialog = MCRenameDialog::dialogWithRenameSettings(
                settings, items, tr("Rename Settings"), tr("Start"), true);
            if (!dialog || runSheetAndWait(*dialog, window) != 1000)
                return std::nullopt;
            return RenameAnswer{dialog->items(), dialog->convertedNames(), dialog->renameSettings()};
        }
        const std::optional<QStringList> names = MCBatchRenamer::defaultBatchRenamer().provideNamesForItems(items, settings);
        if (!names || names->isEmpty())
            return std::nullopt;
        // Until the rename dialog exists the user confirms the names the current settings give.
        QStringList preview;
        for (qsizetype i = 0; i < names->size() && i < 5; ++i)
            preview.append(QStringLiteral("%1 → %2").arg(items.at(i)->fileName(), names->at(i)));
        if (names->size() > 5)
            preview.append(QStringLiteral("…"));
        MCAlertRequest request;
        request.messageText = tr("Rename Settings");
        request.informativeText = preview.join(QLatin1Char('\n'));
        request.buttonTitles = {tr("Start"), tr("Cancel")};
        if (MCPromptLayer::runAlert(request, window).response != MCAlertFirstButtonReturn)
            return std::nullopt;
        return RenameAnswer{items, *names, settings};
    };
}

MCPhotoListFileOperations::~MCPhotoListFileOperations() = default;

int MCPhotoListFileOperations::runSheetAndWait(MCDialogController &dialog, QWidget *window)
{
    int code = 0;
    bool done = false;
    QEventLoop loop;
    dialog.beginSheetModalForWindow(window, [&](int result) {
        code = result;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return code;
}

MCFileOperationProgressWindowController *MCPhotoListFileOperations::fileOperationProgressController()
{
    if (!m_progressController) {
        m_progressController = std::make_unique<MCFileOperationProgressWindowController>();
        m_progressController->window();
    }
    return m_progressController.get();
}

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::show(const std::shared_ptr<MCFileOperation> &operation,
                                                                  const QString &label, const QString &stopToolTip)
{
    MCFileOperationProgressWindowController *progress = fileOperationProgressController();
    progress->stageLabel()->setText(label);
    progress->stopButton()->setToolTip(stopToolTip);
    progress->beginSheetForHostWindow(m_host.hostWindow(), operation);
    return operation;
}

// ---- requests --------------------------------------------------------------------------------

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::copyItems(const MCFileList &files, const QString &folder,
                                                                      MCFileOperationCompletion completion)
{
    return show(MCFileManager::defaultManager().asyncCopyFiles(files, folder, std::move(completion)),
                tr("Copying photos…"), tr("Stop copying"));
}

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::copyItems(const MCFileList &files, const QString &folder,
                                                                      const QStringList &names,
                                                                      MCFileOperationCompletion completion)
{
    return show(MCFileManager::defaultManager().asyncCopyFiles(files, folder, names, std::move(completion)),
                tr("Copying photos…"), tr("Stop copying"));
}

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::moveItems(const MCFileList &files, const QString &folder,
                                                                      MCFileOperationCompletion completion)
{
    MCSandboxHelperQuillon::prepareForAccessingFiles(files);
    return show(MCFileManager::defaultManager().asyncMoveFiles(files, folder, std::move(completion)),
                tr("Moving photos…"), tr("Stop moving"));
}

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::moveItems(const MCFileList &files, const QString &folder,
                                                                      const QStringList &names,
                                                                      MCFileOperationCompletion completion)
{
    MCSandboxHelperQuillon::prepareForAccessingFiles(files);
    return show(MCFileManager::defaultManager().asyncMoveFiles(files, folder, names, std::move(completion)),
                tr("Moving photos…"), tr("Stop moving"));
}

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::renameItems(const MCFileList &files, const QStringList &names,
                                                                        MCFileOperationCompletion completion)
{
    MCSandboxHelperQuillon::prepareForAccessingFiles(files);
    return show(MCFileManager::defaultManager().asyncRenameFiles(files, names, std::move(completion)),
                tr("Renaming photos…"), tr("Stop renaming"));
}

std::shared_ptr<MCFileOperation>
MCPhotoListFileOperations::editMetadataForItems(const MCFileList &files, std::shared_ptr<MCMetadataConverter> converter,
                                                MCFileOperationCompletion completion)
{
    return show(MCFileManager::defaultManager().asyncEditMetadataInFiles(files, std::move(converter), std::move(completion)),
                tr("Changing metadata…"), tr("Stop changing"));
}

std::shared_ptr<MCFileOperation> MCPhotoListFileOperations::setCreationDateFromCaptureDateForItems(
    const MCFileList &files, bool changeModification, MCFileOperationCompletion completion)
{
    return show(MCFileManager::defaultManager().asyncSetCreationDateFromCaptureDateForFiles(files, changeModification,
                                                                                           std::move(completion)),
                tr("Setting file creation date…"), tr("Stop"));
}

// ---- asking ----------------------------------------------------------------------------------

std::optional<QString> MCPhotoListFileOperations::chooseDestinationFolder(Transfer transfer)
{
    MCOpenPanelRequest request;
    request.message = transfer == Transfer::Copy ? tr("Choose a folder where the photos will be copied to.")
                                                 : tr("Choose a folder where the photos will be moved to.");
    request.prompt = tr("Choose");
    request.canChooseFiles = false;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = false;
    const QString last = m_defaults.stringForKey(kMCLastFolderExportedKey);
    request.directory = !last.isEmpty() && QFileInfo(last).isDir()
                            ? last
                            : QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const MCOpenPanelAnswer answer = MCPromptLayer::runOpenPanel(request, m_host.hostWindow());
    if (!answer.accepted)
        return std::nullopt;
    const QString folder = answer.paths.value(0);
    // The next panel opens where the user was looking.
    if (!folder.isEmpty())
        m_defaults.setObject(QFileInfo(folder).absolutePath(), kMCLastFolderExportedKey);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        MCAlertRequest alert;
        alert.messageText = tr("The selected folder couldn't be accessed.");
        alert.buttonTitles = {tr("OK")};
        alert.alertStyle = MCAlertStyleCritical;
        MCPromptLayer::runAlert(alert, m_host.hostWindow());
        return std::nullopt;
    }
    return folder;
}

std::optional<MCPhotoListFileOperations::RenameAnswer> MCPhotoListFileOperations::runRenameDialog()
{
    MCBatchRenamer &renamer = MCBatchRenamer::defaultBatchRenamer();
    const MCBatchRenameSettings settings = renamer.renameSettingsForCopying();
    const MCFileList items = m_host.selectedItems();
    if (items.isEmpty() || !m_renameDialog)
        return std::nullopt;
    auto answer = m_renameDialog(settings, items, m_host.hostWindow());
    // What the user confirmed (perhaps edited in the dialog) is offered again next time.
    if (answer)
        renamer.saveRenameSettingsForCopying(answer->settings);
    return answer;
}

bool MCPhotoListFileOperations::confirm(const QString &message, const QString &informative)
{
    MCAlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    request.buttonTitles = {tr("Change"), tr("Cancel")};
    return MCPromptLayer::runAlert(request, m_host.hostWindow()).response == MCAlertFirstButtonReturn;
}

int MCPhotoListFileOperations::showResult(const QString &key, const QString &message, const QString &informative,
                                          const QStringList &buttons)
{
    MCAlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    request.buttonTitles = buttons;
    request.showsSuppressionButton = true;
    request.suppressionButtonTitle = tr("Don't show again");
    // Work done as asked: the information icon, not a warning.
    request.alertStyle = MCAlertStyleInformational;
    const MCAlertAnswer answer = MCPromptLayer::runAlert(request, m_host.hostWindow());
    m_defaults.setBool(!answer.suppressionChecked, key);
    return answer.response;
}

// ---- copy, move, rename ------------------------------------------------------------------------

void MCPhotoListFileOperations::copySelectedItemsToFolder()
{
    transferSelectedItems(Transfer::Copy, false);
}

void MCPhotoListFileOperations::moveSelectedItemsToFolder()
{
    transferSelectedItems(Transfer::Move, false);
}

void MCPhotoListFileOperations::copySelectedItemsToFolderAndRename()
{
    transferSelectedItems(Transfer::Copy, true);
}

void MCPhotoListFileOperations::moveSelectedItemsToFolderAndRename()
{
    transferSelectedItems(Transfer::Move, true);
}

void MCPhotoListFileOperations::transferSelectedItems(Transfer transfer, bool rename)
{
    std::optional<RenameAnswer> renamed;
    if (rename && !(renamed = runRenameDialog()))
        return;
    const std::optional<QString> folder = chooseDestinationFolder(transfer);
    if (!folder)
        return;
    // Without new names the photos are the ones selected now, when the user confirmed.
    const MCFileList files = renamed ? renamed->items : m_host.selectedItems();
    MCFileOperationCompletion completion = transferCompletion(transfer, *folder);
    if (transfer == Transfer::Copy) {
        if (renamed)
            copyItems(files, *folder, renamed->names, std::move(completion));
        else
            copyItems(files, *folder, std::move(completion));
    } else {
        if (renamed)
            moveItems(files, *folder, renamed->names, std::move(completion));
        else
            moveItems(files, *folder, std::move(completion));
    }
}

void MCPhotoListFileOperations::endProgressSheet(MCFileOperation &operation)
{
    MCFileOperationProgressWindowController *progress = m_progressController.get();
    if (progress && progress->isShown() && progress->fileOperation().get() == &operation)
        progress->defaultButtonClick();
}

MCFileOperationCompletion MCPhotoListFileOperations::transferCompletion(Transfer transfer, const QString &folder)
{
    return [self = QPointer<MCPhotoListFileOperations>(this), transfer, folder](
               MCFileOperation &operation, bool, const MCFileList &processed, const std::optional<QStringList> &) {
        if (!self)
            return;
        self->endProgressSheet(operation);
        // Moved photos leave the list; they are not added again at their new place.
        if (transfer == Transfer::Move && !processed.isEmpty())
            self->m_host.removeFiles(processed);
        if (!self->m_defaults.boolForKey(kMCShowMessageAfterCopyOrMoveKey))
            return;
        const qint64 count = processed.size();
        const QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
        const bool copy = transfer == Transfer::Copy;
        QString message;
        if (count == 0)
            message = copy ? tr("No photos were copied.") : tr("No photos were moved.");
        else if (count == 1)
            message = (copy ? tr("1 photo was copied to the “%1” folder.") : tr("1 photo was moved to the “%1” folder."))
                          .arg(name);
        else
            message = (copy ? tr("%1 photos were copied to the “%2” folder.") : tr("%1 photos were moved to the “%2” folder."))
                          .arg(count)
                          .arg(name);
        const QString informative =
            count == 0 ? QString() : tr("Press the “Show in File Manager” button to select this folder in the file manager.");
        QStringList buttons{tr("OK")};
        if (count > 0)
            buttons.append(tr("Show in File Manager"));
        const QString key = kMCShowMessageAfterCopyOrMoveKey;
        if (self->showResult(key, message, informative, buttons) == MCAlertSecondButtonReturn)
            MCWorkspace::sharedWorkspace().activateFileViewerSelectingURLs({folder});
    };
}

void MCPhotoListFileOperations::renameSelectedItems()
{
    const auto renamed = runRenameDialog();
    if (!renamed)
        return;
    renameItems(renamed->items, renamed->names, renameCompletion());
}

MCFileOperationCompletion MCPhotoListFileOperations::renameCompletion()
{
    return [self = QPointer<MCPhotoListFileOperations>(this)](MCFileOperation &operation, bool,
                                                              const MCFileList &processed,
                                                              const std::optional<QStringList> &urls) {
        if (!self)
            return;
        self->endProgressSheet(operation);
        // The renamed photos come back through the adding road, as new entries, and the size
        // filters apply to them again.
        if (!processed.isEmpty()) {
            self->m_host.removeFiles(processed);
            self->m_host.importItemsAtURLs(urls.value_or(QStringList()));
        }
        if (!self->m_defaults.boolForKey(kMCShowMessageAfterRenameKey))
            return;
        const qint64 count = processed.size();
        const QString message = count == 0   ? tr("No photos were renamed.")
                                : count == 1 ? tr("1 photo was renamed.")
                                             : tr("%1 photos were renamed.").arg(count);
        const QString informative = count == 0   ? QString()
                                    : count == 1 ? tr("The renamed photo is in the photo list.")
                                                 : tr("The renamed photos are in the photo list.");
        self->showResult(kMCShowMessageAfterRenameKey, message, informative, {tr("OK")});
    };
}

// ---- metadata ----------------------------------------------------------------------------------

void MCPhotoListFileOperations::editMetadataForSelectedItems()
{
    if (m_host.skipsActions() || !m_editMetadataDialog)
        return;
    const MCFileList items = m_host.selectedItems();
    if (items.isEmpty())
        return;
    auto answer = m_editMetadataDialog(items, m_host.hostWindow());
    if (!answer)
        return;
    editMetadataForItems(answer->first, answer->second, metadataCompletion(false));
}

void MCPhotoListFileOperations::pasteGPSLocation()
{
    const std::optional<QPointF> location = MCPastedGPSLocation();
    if (!location)
        return;
    if (!confirm(tr("Are you sure you want to change GPS location for the selected photos?"),
                 tr("You cannot undo this operation.")))
        return;
    const MCFileList files = m_host.selectedItems();
    if (files.isEmpty())
        return;
    auto stage = std::static_pointer_cast<MCEditMetadataSetGPS>(
        MCEditMetadataStage::editMetadataStageWithID(MCEditMetadataSetGPS::StageID));
    stage->setLatitude(location->y());
    stage->setLongitude(location->x());
    stage->setSetsOnlyIfMissing(false); // existing locations are replaced
    auto converter = std::make_shared<MCMetadataConverter>(&m_defaults);
    converter->addStage(stage);
    editMetadataForItems(files, converter, metadataCompletion(true));
}

MCFileOperationCompletion MCPhotoListFileOperations::metadataCompletion(bool gps)
{
    return [self = QPointer<MCPhotoListFileOperations>(this), gps](MCFileOperation &operation, bool,
                                                                   const MCFileList &processed,
                                                                   const std::optional<QStringList> &) {
        if (!self)
            return;
        self->endProgressSheet(operation);
        if (processed.isEmpty())
            return;
        for (const auto &file : processed) {
            file->reloadFileInfo();
            file->reloadMetadata();
        }
        MCPhotoListFileOperationsHost &host = self->m_host;
        host.noteItemsWereUpdated(processed);
        if (!gps)
            host.redisplayBrowser();
        host.reloadInfoPanel();
        if (self->m_defaults.boolForKey(kMCUseNotificationCenterKey)) {
            MCUserNotification notification;
            notification.title = gps ? tr("GPS Editing complete") : tr("Editing metadata complete");
            notification.subtitle = processed.size() == 1 ? tr("Successfully edited 1 image")
                                                          : tr("Successfully edited %1 images").arg(quint64(processed.size()));
            MCUserNotificationCenter::defaultUserNotificationCenter().deliverNotification(notification);
        }
        MCStatisticsManager &statistics = MCStatisticsManager::sharedInstance();
        statistics.noteItemsWereMetadataEdited(std::vector<std::shared_ptr<MCFile>>(processed.begin(), processed.end()));
        const quint64 count = statistics.lastMetadataEditedCount();
        const QString key = gps ? kMCShowMessageAfterGPSEditingKey : kMCShowMessageAfterMetadataEditingKey;
        if (!self->m_defaults.boolForKey(key))
            return;
        const QString message = count == 1 ? tr("1 photo was edited.") : tr("%1 photos were edited.").arg(count);
        const QString informative = gps ? tr("GPS location of the photo was successfully edited.")
                                        : tr("Metadata of the photo was successfully edited.");
        self->showResult(key, message, informative, {tr("OK")});
    };
}

// ---- file dates --------------------------------------------------------------------------------

void MCPhotoListFileOperations::setCreationDateFromCaptureDateForSelectedItems()
{
    if (m_host.skipsActions())
        return;
    if (!confirm(tr("Are you sure you want to change file creation date for the selected photos?"),
                 tr("File creation date will be set to capture date.")))
        return;
    setCreationDateFromCaptureDateForItems(m_host.selectedItems(), false, dateCompletion());
}

void MCPhotoListFileOperations::setCreationAndModificationDateFromCaptureDateForSelectedItems()
{
    if (m_host.skipsActions())
        return;
    if (!confirm(tr("Are you sure you want to change file creation and modification dates for the selected photos?"),
                 tr("File creation date and file modification date will be set to capture date.")))
        return;
    setCreationDateFromCaptureDateForItems(m_host.selectedItems(), true, dateCompletion());
}

MCFileOperationCompletion MCPhotoListFileOperations::dateCompletion()
{
    return [self = QPointer<MCPhotoListFileOperations>(this)](MCFileOperation &, bool, const MCFileList &processed,
                                                              const std::optional<QStringList> &) {
        if (!self || processed.isEmpty())
            return;
        for (const auto &file : processed)
            file->reloadFileInfo();
        self->m_host.noteItemsWereUpdated(processed);
        self->m_host.reloadInfoPanel();
    };
}
