#include "halvard/ui/MCViewController.h"

#include "halvard/ui/MCNavigationController.h"

MCViewController::MCViewController(QObject *parent) : QObject(parent) {}

MCViewController::~MCViewController()
{
    delete m_view.data();
}

QString MCViewController::nibName() const
{
    return m_nibName.isEmpty() ? QString::fromLatin1(metaObject()->className()) : m_nibName;
}

QWidget *MCViewController::view()
{
    if (!m_view) {
        m_view = loadView();
        if (!m_view)
            m_view = new QWidget;
        viewDidLoad();
    }
    return m_view;
}

QWidget *MCViewController::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    return view;
}

void MCViewController::viewDidLoad()
{
    if (m_loaded)
        return;
    m_loaded = true;
    viewControllerDidLoad();
}

MCNavigationController *MCViewController::navigationController() const
{
    return m_navigationController.data();
}
