#include "halvard/ui/MCPromptLayer.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>

#include <utility>

namespace {

QMutex responderLock; // guards responder()
MCPromptLayer::AlertResponder &responder()
{
    static MCPromptLayer::AlertResponder instance;
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
