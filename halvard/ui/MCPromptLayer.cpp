#include "halvard/ui/MCPromptLayer.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>

#include <memory>
#include <utility>

namespace {

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
    box.setIcon(request.critical ? QMessageBox::Critical : QMessageBox::Warning);
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
    const int index = int(buttons.indexOf(box.clickedButton()));
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
    if (answer.accepted)
        for (const QString &path : dialog->selectedFiles())
            answer.paths << QDir::cleanPath(path);
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
    auto dialog = std::make_unique<QFileDialog>(parent, request.title, request.directory);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (parent)
        dialog->setWindowModality(Qt::WindowModal);
    if (request.canChooseDirectories && !request.canChooseFiles) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog->setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    if (!request.prompt.isEmpty())
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
