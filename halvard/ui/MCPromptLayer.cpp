#include "halvard/ui/MCPromptLayer.h"

#include "platform/types/UTType.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// Qt's dialog chooses files or folders, never both: in its file modes the accept button
// opens a selected folder instead of choosing it. This one takes what is selected in its
// list, folders included, once all of it exists; double-clicking a folder still opens it,
// and a typed name goes Qt's way (a folder typed is opened, a missing name is reported).
class MCFilesAndFoldersDialog : public QFileDialog
{
public:
    MCFilesAndFoldersDialog(QWidget *parent, const QString &title, const QString &directory)
        : QFileDialog(parent, title, directory)
    {
    }

    void setAcceptTitle(const QString &title)
    {
        m_acceptTitle = title;
        setLabelText(QFileDialog::Accept, title);
        // Qt retitles the button "Open" while a folder is selected; here it chooses the
        // folder, so the button keeps saying what it does.
        const auto keepTitle = [this] {
            if (QPushButton *button = acceptButton())
                button->setText(m_acceptTitle);
        };
        if (auto *view = findChild<QAbstractItemView *>(QStringLiteral("listView")); view && view->selectionModel())
            connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, keepTitle);
        if (auto *name = findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            connect(name, &QLineEdit::textChanged, this, keepTitle);
    }

    void accept() override
    {
        const auto *view = findChild<QAbstractItemView *>(QStringLiteral("listView"));
        const bool chosenInList = view && view->selectionModel() && view->selectionModel()->hasSelection();
        const QStringList chosen = selectedFiles();
        const bool withFolder =
            std::any_of(chosen.cbegin(), chosen.cend(), [](const QString &path) { return QFileInfo(path).isDir(); });
        const bool allExist =
            std::all_of(chosen.cbegin(), chosen.cend(), [](const QString &path) { return QFileInfo::exists(path); });
        if (!chosenInList || chosen.isEmpty() || !withFolder || !allExist) {
            QFileDialog::accept();
            return;
        }
        emit filesSelected(chosen);
        QDialog::accept();
    }

private:
    QPushButton *acceptButton() const
    {
        const auto *buttons = findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        return buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    }

    QString m_acceptTitle;
};

// "Supported Files (*.jpeg *.jpg …)" for type identifiers and bare extensions; empty when
// nothing is named.
QString nameFilterForFileTypes(const QStringList &types)
{
    QStringList patterns;
    for (const QString &type : types) {
        // An identifier has a dot ("public.jpeg"); an extension is given bare ("jpg").
        const QStringList extensions = type.contains(QLatin1Char('.'))
                                           ? platform::UTTypeCopyAllTagsWithClass(type, kUTTagClassFilenameExtension)
                                           : QStringList{type};
        for (const QString &extension : extensions) {
            const QString pattern = QStringLiteral("*.") + extension.toLower();
            if (!extension.isEmpty() && !patterns.contains(pattern))
                patterns.append(pattern);
        }
    }
    if (patterns.isEmpty())
        return {};
    patterns.sort();
    return QFileDialog::tr("Supported Files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

QMutex responderLock; // guards responder() and openPanelResponder()
MCPromptLayer::AlertResponder &responder()
{
    static MCPromptLayer::AlertResponder instance;
    return instance;
}
MCPromptLayer::OpenPanelResponder &openPanelResponder()
{
    static MCPromptLayer::OpenPanelResponder instance;
    return instance;
}

MCAlertAnswer showAlert(const MCAlertRequest &request, QWidget *parent)
{
    QMessageBox box(parent);
    box.setIcon(request.alertStyle == MCAlertStyleCritical        ? QMessageBox::Critical
                : request.alertStyle == MCAlertStyleInformational ? QMessageBox::Information
                                                                  : QMessageBox::Warning);
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    if (parent)
        box.setWindowModality(Qt::WindowModal);
    QList<QAbstractButton *> buttons;
    for (const QString &title : request.buttonTitles) {
        QPushButton *button = box.addButton(title, QMessageBox::ActionRole);
        buttons.append(button);
        // The platform's convention: a button titled Cancel answers Escape.
        if (title == QMessageBox::tr("Cancel"))
            box.setEscapeButton(button);
    }
    if (!buttons.isEmpty())
        box.setDefaultButton(static_cast<QPushButton *>(buttons.first()));
    QCheckBox *suppression = nullptr;
    if (request.showsSuppressionButton) {
        suppression = new QCheckBox(request.suppressionButtonTitle);
        suppression->setChecked(request.suppressionButtonChecked);
        box.setCheckBox(suppression);
    }
    box.exec();
    MCAlertAnswer answer;
    // An alert that ended without a click (the program ending under it) answers as
    // cancelled when it has a Cancel button, never as its first, perhaps destructive, button.
    QAbstractButton *clicked = box.clickedButton() ? box.clickedButton() : box.escapeButton();
    const int index = int(buttons.indexOf(clicked));
    answer.response = MCAlertFirstButtonReturn + (index >= 0 ? index : 0);
    answer.suppressionChecked = suppression && suppression->isChecked();
    return answer;
}

MCOpenPanelAnswer showOpenPanel(const MCOpenPanelRequest &request, QWidget *parent)
{
    const std::unique_ptr<QFileDialog> dialog = MCPromptLayer::newOpenPanel(request, parent);
    QWidget *accessory = request.accessoryView;
    QWidget *accessoryParent = accessory ? accessory->parentWidget() : nullptr;
    MCOpenPanelAnswer answer;
    answer.accepted = dialog->exec() == QDialog::Accepted;
    if (answer.accepted) {
        for (const QString &path : dialog->selectedFiles())
            answer.paths << QDir::cleanPath(path);
        answer.directory = QDir::cleanPath(dialog->directory().absolutePath());
    }
    // The accessory view is the caller's: it leaves with the dialog's layout, not its life.
    if (accessory && accessory->parentWidget() == dialog.get()) {
        dialog->layout()->removeWidget(accessory);
        accessory->setParent(accessoryParent);
    }
    return answer;
}

} // namespace

void MCPromptLayer::setAlertResponder(AlertResponder newResponder)
{
    QMutexLocker locker(&responderLock);
    responder() = std::move(newResponder);
}

bool MCPromptLayer::hasAlertResponder()
{
    QMutexLocker locker(&responderLock);
    return bool(responder());
}

MCAlertAnswer MCPromptLayer::runAlert(const MCAlertRequest &original, QWidget *parent)
{
    MCAlertRequest request = original;
    if (request.buttonTitles.isEmpty())
        request.buttonTitles.append(QMessageBox::tr("OK"));
    if (request.showsSuppressionButton && request.suppressionButtonTitle.isEmpty())
        request.suppressionButtonTitle = QMessageBox::tr("Don't show again");
    AlertResponder current;
    {
        QMutexLocker locker(&responderLock);
        current = responder();
    }
    MCAlertAnswer answer = current ? current(request) : showAlert(request, parent);
    // An answer naming a button the alert does not have is read as the first button's.
    if (answer.response < MCAlertFirstButtonReturn ||
        answer.response >= MCAlertFirstButtonReturn + request.buttonTitles.size())
        answer.response = MCAlertFirstButtonReturn;
    if (!request.showsSuppressionButton)
        answer.suppressionChecked = false;
    return answer;
}

MCScopedAlertResponder::MCScopedAlertResponder(MCPromptLayer::AlertResponder responder)
{
    QMutexLocker locker(&responderLock);
    m_previous = std::exchange(::responder(), std::move(responder));
}

MCScopedAlertResponder::~MCScopedAlertResponder()
{
    QMutexLocker locker(&responderLock);
    ::responder() = std::move(m_previous);
}

std::unique_ptr<QFileDialog> MCPromptLayer::newOpenPanel(const MCOpenPanelRequest &request, QWidget *parent)
{
    // Qt's own dialog, so the message and the accessory view can be placed in it.
    const bool filesAndFolders = request.canChooseFiles && request.canChooseDirectories;
    std::unique_ptr<QFileDialog> dialog;
    MCFilesAndFoldersDialog *mixed = nullptr;
    if (filesAndFolders) {
        auto made = std::make_unique<MCFilesAndFoldersDialog>(parent, request.title, request.directory);
        mixed = made.get();
        dialog = std::move(made);
    } else {
        dialog = std::make_unique<QFileDialog>(parent, request.title, request.directory);
    }
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (parent)
        dialog->setWindowModality(Qt::WindowModal);
    if (request.canChooseDirectories && !request.canChooseFiles) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        // Files, or files and folders: the file modes list both; the dialog above lets the
        // accept button take folders too.
        dialog->setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        const QString filter = nameFilterForFileTypes(request.allowedFileTypes);
        if (!filter.isEmpty())
            dialog->setNameFilter(filter);
    }
    if (mixed)
        mixed->setAcceptTitle(request.prompt.isEmpty() ? QFileDialog::tr("Open") : request.prompt);
    else if (!request.prompt.isEmpty())
        dialog->setLabelText(QFileDialog::Accept, request.prompt);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog->layout())) {
        if (!request.message.isEmpty()) {
            auto *message = new QLabel(request.message);
            message->setWordWrap(true);
            grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
        }
        if (request.accessoryView)
            grid->addWidget(request.accessoryView, grid->rowCount(), 0, 1, grid->columnCount());
    }
    return dialog;
}

void MCPromptLayer::setOpenPanelResponder(OpenPanelResponder newResponder)
{
    QMutexLocker locker(&responderLock);
    openPanelResponder() = std::move(newResponder);
}

MCOpenPanelAnswer MCPromptLayer::runOpenPanel(const MCOpenPanelRequest &request, QWidget *parent)
{
    OpenPanelResponder current;
    {
        QMutexLocker locker(&responderLock);
        current = openPanelResponder();
    }
    MCOpenPanelAnswer answer = current ? current(request) : showOpenPanel(request, parent);
    answer.paths.removeAll(QString());
    if (answer.paths.isEmpty())
        answer.accepted = false;
    if (!answer.accepted)
        answer.paths.clear();
    return answer;
}

MCScopedOpenPanelResponder::MCScopedOpenPanelResponder(MCPromptLayer::OpenPanelResponder responder)
{
    QMutexLocker locker(&responderLock);
    m_previous = std::exchange(::openPanelResponder(), std::move(responder));
}

MCScopedOpenPanelResponder::~MCScopedOpenPanelResponder()
{
    QMutexLocker locker(&responderLock);
    ::openPanelResponder() = std::move(m_previous);
}
