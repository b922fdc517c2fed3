#include "app/shell/MCDialogController.h"

#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCButtonCell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

QPoint MCSheetOrigin(const QRect &hostFrame, const QSize &sheetSize)
{
    const int x = sheetSize.width() >= hostFrame.width()
                      ? hostFrame.left()
                      : hostFrame.left() + (hostFrame.width() - sheetSize.width()) / 2;
    return {x, hostFrame.top()};
}

MCDialogController::MCDialogController(QObject *parent) : QObject(parent) {}

MCDialogController::~MCDialogController()
{
    // A modal run still open returns 0; a sheet still open ends without its handler.
    if (m_modalLoop)
        m_modalLoop->exit(0);
    m_sheetHandler = nullptr;
    if (m_window) {
        m_window->removeEventFilter(this);
        disconnect(m_window, nullptr, this, nullptr);
        // A controller owned by its own window is being deleted by that window.
        if (parent() != m_window.data())
            delete m_window.data();
    }
}

QAbstractButton *MCDialogController::addCancelAndOKButtons(QBoxLayout *layout, QWidget *parent)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *cancel = new MCDarkButtonCell(tr("Cancel"), parent);
    auto *ok = new MCBlueButtonCell(tr("OK"), parent);
    for (QAbstractButton *button : {static_cast<QAbstractButton *>(cancel), static_cast<QAbstractButton *>(ok)}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setMinimumWidth(90);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    connect(cancel, &QAbstractButton::clicked, this, &MCDialogController::alternateButtonClick);
    connect(ok, &QAbstractButton::clicked, this, &MCDialogController::defaultButtonClick);
    setDefaultButton(ok);
    return ok;
}

QString MCDialogController::windowNibName() const { return QStringLiteral("MCTestDialog"); }

QDialog *MCDialogController::loadWindow() { return nullptr; }

QDialog *MCDialogController::newThemedWindow(QWidget **content)
{
    auto *dialog = new QDialog;
    auto *layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *background = new MCLightBackgroundView(dialog);
    layout->addWidget(background);
    if (content)
        *content = background;
    return dialog;
}

QDialog *MCDialogController::window()
{
    if (m_window)
        return m_window;
    if (m_loading) // asked again while being made
        return nullptr;
    m_loading = true;
    QDialog *window = loadWindow();
    m_loading = false;
    if (!window)
        return nullptr;
    m_window = window;
    m_windowObject = window;
    if (window->objectName().isEmpty())
        window->setObjectName(windowNibName());
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this] { windowDestroyed(); });
    windowDidLoad();
    return m_window;
}

void MCDialogController::windowDidLoad()
{
    // Dialogs never appear in a window list (the platform has none to leave them out of).
    initializeWindow();
}

void MCDialogController::beginSheetModalForWindow(QWidget *hostWindow, CompletionHandler handler)
{
    if (isShown())
        return;
    QDialog *dialog = window();
    if (!dialog)
        return;
    QWidget *host = hostWindow ? hostWindow->window() : nullptr;
    prepareToShow();
    if (!m_window) // the hook dropped the window
        return;
    m_mode = Mode::Sheet;
    m_sheetParent = host;
    m_sheetHandler = std::move(handler);
    if (host && dialog->parentWidget() != host)
        dialog->setParent(host, dialog->windowFlags() | Qt::Dialog);
    dialog->setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    if (!dialog->testAttribute(Qt::WA_Resized))
        dialog->adjustSize();
    if (host)
        dialog->move(MCSheetOrigin(host->geometry(), dialog->size()));
    setWatchesInput(true);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

int MCDialogController::runModal()
{
    if (isShown())
        return 0;
    QDialog *dialog = window();
    if (!dialog)
        return 0;
    prepareToShow();
    if (!m_window)
        return 0;
    QEventLoop loop;
    m_mode = Mode::Modal;
    m_modalLoop = &loop;
    m_modalCode = 0;
    dialog->setWindowModality(Qt::ApplicationModal);
    setWatchesInput(true);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    // The run may have been stopped while the window was being shown.
    const QPointer<MCDialogController> self(this);
    if (m_mode == Mode::Modal)
        loop.exec(QEventLoop::DialogExec);
    if (!self) // released while it ran (its destructor ended the run)
        return 0;
    m_modalLoop = nullptr;
    m_mode = Mode::Closed;
    setWatchesInput(false);
    const int code = m_modalCode;
    prepareToClose();
    if (m_window)
        m_window->hide();
    return code;
}

void MCDialogController::finishWithResultCode(int code)
{
    switch (code) {
    case MCDialogDefaultReturn:
        handleDefaultButtonClick();
        break;
    case MCDialogAlternateReturn:
        handleAlternateButtonClick();
        break;
    case MCDialogOtherReturn:
        handleOtherButtonClick();
        break;
    default:
        break;
    }
    if (m_mode == Mode::Sheet) {
        endSheet(code);
    } else if (m_mode == Mode::Modal) {
        m_modalCode = code;
        m_mode = Mode::Closed;
        if (m_modalLoop)
            m_modalLoop->exit(code);
    }
}

void MCDialogController::endSheet(int code)
{
    // Closed first, so that the handler may show the dialog again.
    m_mode = Mode::Closed;
    CompletionHandler handler = std::exchange(m_sheetHandler, nullptr);
    setWatchesInput(false);
    prepareToClose();
    if (m_window) {
        m_window->hide();
        // Detached from the host, so closing the host later does not take the window with it.
        if (m_window->parentWidget())
            m_window->setParent(nullptr, m_window->windowFlags());
    }
    m_sheetParent = nullptr;
    if (handler)
        handler(code);
}

void MCDialogController::windowDestroyed()
{
    // Destroyed from outside (with the host window): nothing is left to end or report.
    m_windowObject = nullptr;
    m_sheetHandler = nullptr;
    m_sheetParent = nullptr;
    setWatchesInput(false);
    if (m_mode == Mode::Modal && m_modalLoop)
        m_modalLoop->exit(0);
    m_mode = Mode::Closed;
}

void MCDialogController::defaultButtonClick() { finishWithResultCode(MCDialogDefaultReturn); }
void MCDialogController::alternateButtonClick() { finishWithResultCode(MCDialogAlternateReturn); }
void MCDialogController::otherButtonClick() { finishWithResultCode(MCDialogOtherReturn); }
void MCDialogController::cancelOperation() { alternateButtonClick(); }

void MCDialogController::scheduleUpdateItems()
{
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_updateScheduled = false;
        if (m_window)
            updateItems();
    });
}

void MCDialogController::setWatchesInput(bool watches)
{
    // Input reaches the window's controls first, so the whole application is watched while the
    // window is shown (and only then).
    if (watches)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool MCDialogController::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by identity only: while the window is being destroyed it is no longer a QDialog,
    // so it must not be reached through m_window.
    if (watched != m_windowObject) {
        if ((event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease) && m_windowObject &&
            watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == m_windowObject)
            scheduleUpdateItems();
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
            if (isShown())
                cancelOperation();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier &&
            m_defaultButton && m_defaultButton->isEnabled() && m_defaultButton->isVisible()) {
            m_defaultButton->click();
            return true;
        }
        break;
    }
    case QEvent::Close:
        // The window's close button: the dialog ends through its own road, or not at all.
        if (isShown()) {
            event->ignore();
            cancelOperation();
            return true;
        }
        break;
    case QEvent::Show:
        scheduleUpdateItems();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
