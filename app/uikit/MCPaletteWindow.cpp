#include "app/uikit/MCPaletteWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

MCPaletteWindow::MCPaletteWindow(std::function<void()> willClose, bool movableByBackground)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_willClose(std::move(willClose)),
      m_movableByBackground(movableByBackground)
{
}

void MCPaletteWindow::showCentred(QScreen *screen)
{
    if (!screen)
        screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void MCPaletteWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    // The owner may go away here; it must not delete this window at once.
    if (m_willClose)
        m_willClose();
}

void MCPaletteWindow::mousePressEvent(QMouseEvent *event)
{
    if (m_movableByBackground && event->button() == Qt::LeftButton && windowHandle() &&
        windowHandle()->startSystemMove())
        event->accept();
    else
        QWidget::mousePressEvent(event);
}
