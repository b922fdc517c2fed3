#pragma once

// The base of every screen, panel and popover content: owns one view, made on first use, with a
// one-time did-load hook and four appearance hooks that its container sends.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

class MCNavigationController;

class MCViewController : public QObject
{
    Q_OBJECT
public:
    explicit MCViewController(QObject *parent = nullptr);
    ~MCViewController() override;

    // The name of the view description this controller loads: the one set, else the class name.
    virtual QString nibName() const;
    void setNibName(const QString &name) { m_nibName = name; }

    // The view, made by loadView() and followed by viewDidLoad() the first time it is asked for.
    QWidget *view();
    bool isViewLoaded() const { return m_view != nullptr; }
    // True once viewControllerDidLoad() has run.
    bool isLoaded() const { return m_loaded; }
    // The container holding this controller; set on push, cleared on pop.
    MCNavigationController *navigationController() const;

    virtual QString displayName() const { return QString(); }
    virtual QVariantMap stateRepresentation() const { return {}; }
    virtual void restoreStateFromRepresentation(const QVariantMap &) {}

    virtual void viewControllerWillAppear(bool animated) { Q_UNUSED(animated); }
    virtual void viewControllerDidAppear(bool animated) { Q_UNUSED(animated); }
    virtual void viewControllerWillDisappear(bool animated) { Q_UNUSED(animated); }
    virtual void viewControllerDidDisappear(bool animated) { Q_UNUSED(animated); }

protected:
    // Makes the view: by default an empty widget named after nibName(). Subclasses build theirs.
    virtual QWidget *loadView();
    // Runs after loadView(); the first time only it marks the controller loaded and calls
    // viewControllerDidLoad(). Overrides call the base.
    virtual void viewDidLoad();
    // Set-up of a subclass once its view exists.
    virtual void viewControllerDidLoad() {}

private:
    friend class MCNavigationController;

    bool m_loaded = false;
    QPointer<MCNavigationController> m_navigationController;
    QString m_nibName;
    QPointer<QWidget> m_view; // owned: deleted with the controller
};
