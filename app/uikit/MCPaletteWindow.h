#pragma once

// The floating window of a palette (tips, map): a tool window with a title and a close button.
// Closing it is the owner's business (hide, forget a target, end a run), told through a
// callback; a palette without a title bar of its own can be moved by its background.
#include <QWidget>

#include <functional>

class QScreen;

class MCPaletteWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MCPaletteWindow(std::function<void()> willClose, bool movableByBackground = false);

    // Centres the window on `screen` (its own, else the primary one), shows it and makes it key.
    void showCentred(QScreen *screen = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    std::function<void()> m_willClose;
    bool m_movableByBackground;
};
