#include "app/shell/MCWizardDialog.h"

#include "app/uikit/MCButtonCell.h"
#include "halvard/ui/MCNavigationController.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// Puts `view` into `container` filling it (the container gets a margin-free layout for it).
void fillContainer(QWidget *container, QWidget *view)
{
    if (!container || !view)
        return;
    QLayout *layout = container->layout();
    if (!layout) {
        layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    view->setParent(container);
    view->setGeometry(container->rect());
    layout->addWidget(view);
    view->show();
}

} // namespace

MCWizardDialog::MCWizardDialog(QObject *parent) : MCDialogController(parent) {}

MCWizardDialog::~MCWizardDialog()
{
    // The current page's bottom strip belongs to the page, not to the window going away.
    if (MCViewController *page = currentController())
        if (QWidget *bottom = bottomViewForPage(page); bottom && bottom->parentWidget() == m_bottomContainerView)
            bottom->setParent(nullptr);
    delete m_navigationController;
}

MCViewController *MCWizardDialog::currentController() const
{
    return m_navigationController ? m_navigationController->topViewController() : nullptr;
}

QWidget *MCWizardDialog::bottomViewForPage(MCViewController *page)
{
    const auto *wizardPage = dynamic_cast<const MCWizardViewController *>(page);
    return wizardPage ? wizardPage->bottomView() : nullptr;
}

QDialog *MCWizardDialog::loadWindow()
{
    QWidget *content = nullptr;
    QDialog *dialog = newThemedWindow(&content);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(12);
    auto *container = new QWidget(content);
    container->setObjectName(QStringLiteral("containerView"));
    container->setMinimumSize(480, 300);
    layout->addWidget(container, 1);

    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(16, 0, 16, 0);
    auto *bottom = new QWidget(content);
    bottom->setObjectName(QStringLiteral("bottomContainerView"));
    strip->addWidget(bottom, 1);
    auto *back = new MCDarkButtonCell(tr("Back"), content);
    auto *cancel = new MCDarkButtonCell(tr("Cancel"), content);
    auto *ok = new MCBlueButtonCell(tr("OK"), content);
    back->setAccessibleName(tr("Back"));
    cancel->setAccessibleName(tr("Cancel"));
    ok->setAccessibleName(tr("OK"));
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(back), static_cast<QAbstractButton *>(cancel),
                                    static_cast<QAbstractButton *>(ok)}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setMinimumWidth(88);
        strip->addWidget(button);
    }
    layout->addLayout(strip);
    setOutlets(container, bottom, ok, cancel, back);
    return dialog;
}

void MCWizardDialog::setOutlets(QWidget *containerView, QWidget *bottomContainerView, QAbstractButton *okButton,
                                QAbstractButton *cancelButton, QAbstractButton *backButton)
{
    m_containerView = containerView;
    m_bottomContainerView = bottomContainerView;
    m_okButton = okButton;
    m_cancelButton = cancelButton;
    m_backButton = backButton;
    if (okButton)
        connect(okButton, &QAbstractButton::clicked, this, [this] { defaultButtonClick(); });
    if (cancelButton)
        connect(cancelButton, &QAbstractButton::clicked, this, [this] { alternateButtonClick(); });
    if (backButton)
        connect(backButton, &QAbstractButton::clicked, this, [this] { backButtonClick(); });
    setDefaultButton(okButton);
}

void MCWizardDialog::windowDidLoad()
{
    MCDialogController::windowDidLoad();
    m_navigationController = new MCNavigationController(this);
    fillContainer(m_containerView, m_navigationController->view());
    if (m_controllers.isEmpty())
        return;
    const Page &first = m_controllers.first();
    wizardPageWillBeShown(first.get());
    m_navigationController->pushViewController(first, false);
    wizardPageWasShown(first.get());
}

int MCWizardDialog::indexOfPage(const MCViewController *page) const
{
    for (qsizetype i = 0; i < m_controllers.size(); ++i)
        if (m_controllers[i].get() == page)
            return int(i);
    return -1;
}

void MCWizardDialog::wizardPageWasShown(MCViewController *page)
{
    if (auto *wizardPage = dynamic_cast<MCWizardViewController *>(page))
        wizardPage->prepareToShow();
    fillContainer(m_bottomContainerView, bottomViewForPage(page));
    if (m_backButton)
        m_backButton->setEnabled(indexOfPage(page) > 0);
}

void MCWizardDialog::wizardPageWillBeHidden(MCViewController *page)
{
    if (QWidget *bottom = bottomViewForPage(page)) {
        bottom->hide();
        bottom->setParent(nullptr);
    }
    if (auto *wizardPage = dynamic_cast<MCWizardViewController *>(page))
        wizardPage->prepareToClose();
}

void MCWizardDialog::defaultButtonClick()
{
    MCViewController *current = currentController();
    const int index = indexOfPage(current);
    if (current)
        wizardPageWillBeHidden(current);
    if (index >= 0 && index + 1 < m_controllers.size()) {
        const Page &next = m_controllers[index + 1];
        wizardPageWillBeShown(next.get());
        m_navigationController->pushViewController(next, true);
        wizardPageWasShown(next.get());
        return;
    }
    MCDialogController::defaultButtonClick();
}

void MCWizardDialog::alternateButtonClick()
{
    if (MCViewController *current = currentController())
        wizardPageWillBeHidden(current);
    MCDialogController::alternateButtonClick();
}

void MCWizardDialog::secondAlternateButtonClick()
{
    if (MCViewController *current = currentController())
        wizardPageWillBeHidden(current);
    MCDialogController::otherButtonClick();
}

void MCWizardDialog::backButtonClick()
{
    // On the first page (or a page not among the pages) there is nowhere to go back to: the
    // page stays as it is, bottom strip and all, rather than being told it closes while shown.
    MCViewController *current = currentController();
    const int index = indexOfPage(current);
    if (index <= 0)
        return;
    wizardPageWillBeHidden(current);
    MCViewController *previous = m_controllers[index - 1].get();
    wizardPageWillBeShown(previous);
    m_navigationController->popViewControllerAnimated(true);
    wizardPageWasShown(previous);
}
