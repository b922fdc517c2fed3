#pragma once

// A dialog of several pages shown one after another on a navigation controller. The default
// button (OK) goes to the next page and finishes with 1000 on the last one; Back returns to the
// previous page; Cancel (1001) and the second alternate button (1002) leave from any page. Each
// page may put a strip of controls of its own into the bottom of the dialog while it is shown.
//
// Page order on Next: old page prepareToClose (with its bottom strip removed),
// wizardPageWillBeShown(new), push, new page prepareToShow and its bottom strip.
#include "app/shell/MCDialogController.h"

#include <QList>

#include <memory>

class MCNavigationController;
class MCViewController;
class QWidget;

// What a page of a wizard dialog does besides being a view controller.
class MCWizardViewController
{
public:
    virtual ~MCWizardViewController() = default;
    virtual void prepareToShow() = 0;
    virtual void prepareToClose() = 0;
    // A strip of controls shown at the bottom of the dialog with this page; none by default.
    // The page owns it.
    virtual QWidget *bottomView() const { return nullptr; }
};

class MCWizardDialog : public MCDialogController
{
    Q_OBJECT
public:
    using Page = std::shared_ptr<MCViewController>;

    explicit MCWizardDialog(QObject *parent = nullptr);
    ~MCWizardDialog() override;

    // The pages in order; each is a view controller that should also be an
    // MCWizardViewController. Set before the window is first shown.
    const QList<Page> &controllers() const { return m_controllers; }
    void setControllers(const QList<Page> &controllers) { m_controllers = controllers; }

    // Made when the window is; holds the pages shown so far.
    MCNavigationController *navigationController() const { return m_navigationController; }
    // The page on top of the navigation controller; nullptr before the window exists.
    MCViewController *currentController() const;
    // The page's bottom strip when it is a wizard page with one, else nullptr.
    static QWidget *bottomViewForPage(MCViewController *page);

    // Where the pages appear, where the current page's bottom strip goes, and the buttons
    // (subclasses retitle or hide them). Set by loadWindow().
    QWidget *containerView() const { return m_containerView; }
    QWidget *bottomContainerView() const { return m_bottomContainerView; }
    QAbstractButton *okButton() const { return m_okButton; }
    QAbstractButton *cancelButton() const { return m_cancelButton; }
    QAbstractButton *backButton() const { return m_backButton; }

public slots:
    // Next page, or 1000 on the last page (or when the current page is not among the pages).
    void defaultButtonClick() override;
    // Leaves with 1001 after the current page is hidden.
    void alternateButtonClick() override;
    // The previous page; nothing on the first page (the Back button is disabled there).
    virtual void backButtonClick();
    // Leaves with 1002 after the current page is hidden.
    virtual void secondAlternateButtonClick();

protected:
    // The standard window: the page area on top, under it the bottom strip, Back, Cancel and OK.
    // A subclass that builds its own window sets the outlets with setOutlets().
    QDialog *loadWindow() override;
    void setOutlets(QWidget *containerView, QWidget *bottomContainerView, QAbstractButton *okButton,
                    QAbstractButton *cancelButton, QAbstractButton *backButton);
    // Makes the navigation controller in the page area and shows the first page.
    void windowDidLoad() override;

    virtual void wizardPageWillBeShown(MCViewController *page) { Q_UNUSED(page); }
    virtual void wizardPageWasShown(MCViewController *page);
    virtual void wizardPageWillBeHidden(MCViewController *page);

private:
    int indexOfPage(const MCViewController *page) const;

    QList<Page> m_controllers;
    MCNavigationController *m_navigationController = nullptr; // child of this object
    QPointer<QWidget> m_containerView;
    QPointer<QWidget> m_bottomContainerView;
    QPointer<QAbstractButton> m_okButton;
    QPointer<QAbstractButton> m_cancelButton;
    QPointer<QAbstractButton> m_backButton;
};
