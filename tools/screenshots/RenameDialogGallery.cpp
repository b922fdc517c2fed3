// The rename dialog: a pattern of text and tokens with the preview of the new names, the
// warning about names given twice, the settings popovers of an index and a date token, and the
// preset name dialog with its note that the name is taken.
#include "app/dialogs/MCChooseNameDialog.h"
#include "app/dialogs/MCRenameOptionsViewController.h"
#include "app/dialogs/MCRenameTokenPopovers.h"
#include "app/library/MCBatchRenamePreset.h"
#include "app/library/MCFile.h"
#include "app/panels/MCTokenPopovers.h"
#include "app/uikit/MCPopover.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>

namespace {

MCFileList photos()
{
    MCFileList files;
    const QStringList names = {"DSC_4101.NEF", "DSC_4102.NEF", "DSC_4107.NEF", "IMG_0233.JPG",
                               "IMG_0234.JPG", "DSC_4120.NEF", "DSC_4121.NEF", "DSC_4133.NEF"};
    quint64 id = 1;
    for (const QString &name : names) {
        auto file = MCFile::fileWithID(id++);
        file->setFileName(name);
        file->setFilePath("/home/anna/Pictures/Iceland/" + name);
        files << file;
    }
    return files;
}

MCBatchRenameToken token(quint64 kind)
{
    return MCBatchRenameToken(kind, MCRenameTokens::insertionSettings(kind));
}

// Presets of the gallery in a folder of their own, so the user's are never touched.
std::shared_ptr<MCPresetManager> galleryPresets()
{
    MCPresetClass presetClass = MCBatchRenamePreset::presetClass();
    const QString folder = QDir::temp().filePath(QStringLiteral("quillonx-screenshots-renamepresets"));
    QDir(folder).removeRecursively();
    presetClass.presetsFolder = [folder] { return folder; };
    presetClass.defaultPresetsFolderInBundle = [folder] { return folder + QStringLiteral("/none"); };
    auto manager = std::make_shared<MCPresetManager>(presetClass);
    manager->setUserPresets({MCBatchRenamePreset::presetWithName(
                                 QStringLiteral("Date and Number"),
                                 MCBatchRenameSettings({token(MCBatchRenameTokenKindCurrentDate), QVariant("_"),
                                                        token(MCBatchRenameTokenKindIndex)})),
                             MCBatchRenamePreset::presetWithName(QStringLiteral("Original Name"),
                                                                 MCBatchRenameSettings({token(3)}))});
    return manager;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

MCRenameOptionsDialog *newDialog(const MCBatchRenameSettings &settings)
{
    auto *dialog = new MCRenameOptionsDialog(settings, photos(), QObject::tr("Rename Settings"), QObject::tr("Start"),
                                             true, galleryPresets());
    QDialog *window = dialog->window();
    dialog->setParent(window);
    return dialog;
}

QWidget *renameDialog(const MCBatchRenameSettings &settings)
{
    return newDialog(settings)->window();
}

MCBatchRenameSettings iceland()
{
    MCBatchRenameToken index(MCBatchRenameTokenKindIndex, {{kMCRenameStartIndexKey, 1}, {kMCRenameNumberOfDigitsKey, 3}});
    return MCBatchRenameSettings({QVariant("Iceland_"), token(MCBatchRenameTokenKindCurrentDate), QVariant("_"), index});
}

// A still picture of two windows: the dialog and, where it floats over it, a popover.
class Composite : public QWidget
{
public:
    Composite(QPixmap dialog, QPixmap popover, QPoint origin)
        : m_dialog(std::move(dialog)), m_popover(std::move(popover)), m_origin(origin)
    {
        setFixedSize(m_dialog.deviceIndependentSize().toSize());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_dialog);
        painter.drawPixmap(m_origin, m_popover);
    }

private:
    QPixmap m_dialog, m_popover;
    QPoint m_origin;
};

QWidget *withPopover(int tokenPosition)
{
    MCRenameOptionsDialog *dialog = newDialog(iceland());
    QDialog *window = dialog->window();
    window->move(40, 40);
    window->show();
    wait(200);
    MCRenameOptionsViewController *editor = dialog->batchRenameViewController();
    MCTokenField *field = editor->tokenField();
    field->viewport()->repaint();
    QRectF anchor;
    for (const auto &[position, rect] : field->tokenRects())
        if (position == tokenPosition)
            anchor = rect;
    editor->showSettingsForTokenIfNeed(tokenPosition, anchor);
    wait(500);
    QWidget *popoverWindow = nullptr;
    if (MCTokenPopoverController *open = editor->openPopoverController())
        popoverWindow = open->popover()->popoverWindow();
    const QPixmap dialogPicture = window->grab();
    QPixmap popoverPicture;
    QPoint origin;
    if (popoverWindow) {
        popoverPicture = popoverWindow->grab();
        origin = popoverWindow->mapToGlobal(QPoint()) - window->mapToGlobal(QPoint());
    }
    auto *composite = new Composite(dialogPicture, popoverPicture, origin);
    QTimer::singleShot(0, window, [window] { window->hide(); });
    dialog->setParent(composite);
    window->setParent(composite, window->windowFlags());
    return composite;
}

// A watermark token's popover as it floats beside its token: the body with its arrow around
// the controls.
template <class Popover, class Token>
QWidget *watermarkPopover(const Token &token)
{
    auto *frame = new MCPopoverWindowFrame;
    frame->setArrowDirection(MCPopoverArrowLeft);
    frame->setHasArrow(true);
    auto *controller = new Popover(frame);
    controller->setToken(token);
    QWidget *view = controller->view();
    view->setParent(frame);
    const QSize size = view->sizeHint();
    view->setGeometry(QRect(QPoint(12, 12), size));
    frame->setFixedSize(size + QSize(24, 24));
    return frame;
}

QWidget *nameDialog()
{
    auto *dialog = new MCChooseNameDialog;
    dialog->setUsedNames({QStringLiteral("Date and Number"), QStringLiteral("Original Name")});
    dialog->setName(QStringLiteral("Original Name"));
    QDialog *window = dialog->window();
    dialog->setParent(window);
    return window;
}

const ScreenshotRegistration registration({
    {"rename-dialog", "tokens", [] { return renameDialog(iceland()); }, QSize(820, 560)},
    {"rename-dialog", "same-names", [] { return renameDialog(MCBatchRenameSettings({QVariant("Iceland")})); },
     QSize(820, 560)},
    {"rename-dialog", "preset", [] {
         return renameDialog(MCBatchRenameSettings({token(MCBatchRenameTokenKindCurrentDate), QVariant("_"),
                                                    token(MCBatchRenameTokenKindIndex)}));
     }, QSize(820, 560)},
    {"rename-dialog", "index-popover", [] { return withPopover(10); }},
    {"rename-dialog", "date-popover", [] { return withPopover(8); }},
    {"name-dialog", "name-taken", [] { return nameDialog(); }},
    {"watermark-token-popover", "date", [] {
         return watermarkPopover<MCWatermarkTextTokenDateFormatPopover>(MCWatermarkTextToken(
             MCWatermarkTextTokenKindCaptureDate, {{kMCWatermarkDateFormatIDKey, 7}, {kMCWatermarkTimeFormatIDKey, 3}}));
     }},
    {"watermark-token-popover", "file-name", [] {
         return watermarkPopover<MCWatermarkTextTokenFilenamePopover>(MCWatermarkTextToken(
             MCWatermarkTextTokenKindFileName, {{kMCWatermarkCaseKindKey, 1}, {kMCWatermarkFilenameTrimsIndexKey, true}}));
     }},
    {"watermark-token-popover", "case", [] {
         return watermarkPopover<MCWatermarkTextTokenChangeCasePopover>(
             MCWatermarkTextToken(MCWatermarkTextTokenKindCameraModel, {{kMCWatermarkCaseKindKey, 3}}));
     }},
});

} // namespace
