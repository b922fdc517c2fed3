#pragma once

// A small preview window for the thumbnail grid's selected items: one shared window that one
// grid controls at a time. It shows the current item's picture fitted into the window with its
// title, follows the grid's selection, and hands typed keys back to the grid (so the arrows move
// the selection and Space closes it).
#include "halvard/browser/MCBrowserView.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

class MCImageView;

class MCBrowserViewPreviewPanel : public QWidget
{
    Q_OBJECT
public:
    // The one window, made on first use.
    static MCBrowserViewPreviewPanel *sharedPreviewPanel();
    static bool sharedPreviewPanelExists();

    // The grid in control, if any.
    MCBrowserView *controller() const { return m_controller; }
    // Makes the view the window's source and shows its first selected item.
    void beginControl(MCBrowserView *view);
    void endControl(MCBrowserView *view);

    qint64 numberOfPreviewItems() const;
    qint64 currentPreviewItemIndex() const { return m_currentIndex; }
    // The item shown, if any.
    const std::optional<MCBrowserViewPreviewItem> &currentPreviewItem() const { return m_currentItem; }
    // Asks the controller again (the selection changed) and shows its first item.
    void reloadData();
    const QImage &image() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit MCBrowserViewPreviewPanel(QWidget *parent = nullptr);
    void showCurrentItem();

    QPointer<MCBrowserView> m_controller;
    qint64 m_currentIndex = 0;
    std::optional<MCBrowserViewPreviewItem> m_currentItem;
    MCImageView *m_imageView = nullptr;
    QLabel *m_titleLabel = nullptr;
};
