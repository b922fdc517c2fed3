// Sheets of the application shell over a window: the progress sheet of a file operation (at the
// start and in the middle of a batch) and the plain progress sheet. A sheet is a window of its
// own; the picture lays its rendering over the host's, where the sheet hangs.
#include "app/library/MCFile.h"
#include "app/shell/MCFileOperationProgressWindowController.h"
#include "app/shell/MCWizardDialog.h"
#include "app/uikit/MCBackgroundView.h"
#include "halvard/ui/MCNavigationController.h"
#include "halvard/ui/MCViewController.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QProgressBar>
#include <QPointer>
#include <QVBoxLayout>

#include <memory>

namespace {

// A copy operation that is never queued: it only gives the sheet its item count.
class ShownOperation : public MCFileOperation
{
protected:
    bool processItem(MCFileOperationContext &, qsizetype, QString &, MCError *) override { return true; }
};

// Paints a picture of the sheet where it hangs over the host.
class SheetOverlay : public QWidget
{
public:
    SheetOverlay(QWidget *host, QPixmap sheet, QPoint origin) : QWidget(host), m_sheet(std::move(sheet)), m_origin(origin)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        // The shadow under the sheet.
        const QRect frame(m_origin, m_sheet.deviceIndependentSize().toSize());
        for (int i = 1; i <= 8; ++i)
            painter.fillRect(frame.adjusted(-i, 0, i, i), QColor(0, 0, 0, 10));
        painter.drawPixmap(m_origin, m_sheet);
    }

private:
    QPixmap m_sheet;
    QPoint m_origin;
};

// A plain window standing in for the main window: a tool-bar strip over a grid of photos.
QWidget *newHostWindow()
{
    auto *host = new MCDarkBackgroundView;
    host->setWindowTitle(QStringLiteral("Quillon X"));
    auto *layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *toolbar = new MCToolbarBackgroundView(host);
    toolbar->setFixedHeight(38);
    layout->addWidget(toolbar);
    auto *grid = new QGridLayout;
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setSpacing(18);
    for (int i = 0; i < 8; ++i) {
        auto *photo = new QLabel(host);
        const QImage image = i % 3 == 2 ? screenshots::nightPhoto(150, 100) : screenshots::landscapePhoto(150, 100);
        photo->setPixmap(QPixmap::fromImage(image));
        grid->addWidget(photo, i / 4, i % 4);
    }
    layout->addLayout(grid);
    layout->addStretch(1);
    return host;
}

MCFileList photos(int count)
{
    MCFileList files;
    for (int i = 0; i < count; ++i) {
        auto file = MCFile::fileWithID(quint64(i + 1));
        file->setFilePath(QStringLiteral("/home/anna/Pictures/Iceland/DSC_%1.NEF").arg(4101 + i));
        files << file;
    }
    return files;
}

// The host with the sheet of `controller` laid over it. The controller and the operation live
// as long as the host.
QWidget *withSheet(QWidget *host, MCDialogController *controller, const std::function<void()> &begin)
{
    host->resize(760, 480);
    controller->setParent(host);
    begin();
    QDialog *sheet = controller->window();
    if (sheet->layout())
        sheet->layout()->activate();
    sheet->resize(sheet->sizeHint().expandedTo(sheet->size()));
    auto *overlay = new SheetOverlay(host, sheet->grab(), MCSheetOrigin(QRect(QPoint(), host->size()), sheet->size()));
    overlay->setGeometry(host->rect());
    overlay->raise();
    sheet->hide(); // only its picture is needed
    return host;
}

QWidget *fileOperationSheet(int done, int count)
{
    QWidget *host = newHostWindow();
    auto *controller = new MCFileOperationProgressWindowController;
    auto operation = std::make_shared<ShownOperation>();
    operation->setAllItems(photos(count));
    return withSheet(host, controller, [=] {
        controller->stageLabel()->setText(QObject::tr("Converting %1 photos…").arg(count));
        controller->stopButton()->setToolTip(QObject::tr("Stop converting"));
        controller->beginSheetForHostWindow(host, operation);
        if (done > 0) {
            controller->setFileOperationProgress(done, QStringLiteral("DSC_%1.NEF").arg(4100 + done));
            controller->progressIndicator()->setValue(done); // no glide in a still picture
        }
        // The operation lives as long as the picture.
        QObject::connect(host, &QObject::destroyed, [operation] {});
    });
}

QWidget *simpleSheet()
{
    QWidget *host = newHostWindow();
    auto *controller = new MCSimpleProgressWindowController;
    return withSheet(host, controller, [=] {
        controller->progressLabel()->setText(QObject::tr("Reading photo properties…"));
        controller->progressIndicator()->setRange(0, 100);
        controller->progressIndicator()->setValue(40);
        controller->beginSheetModalForWindow(host);
    });
}

// A page of the gallery's wizard: a line of text, and a check box in the bottom strip.
class SamplePage : public MCViewController, public MCWizardViewController
{
public:
    explicit SamplePage(QString text) : m_text(std::move(text)) {}
    ~SamplePage() override { delete m_bottom.data(); }
    void prepareToShow() override {}
    void prepareToClose() override {}
    QWidget *bottomView() const override
    {
        if (!m_bottom) {
            auto *label = new QLabel(QObject::tr("Page strip"));
            label->setStyleSheet(QStringLiteral("color: rgba(255,255,255,150)"));
            m_bottom = label;
        }
        return m_bottom;
    }

protected:
    QWidget *loadView() override
    {
        auto *view = new QLabel(m_text);
        view->setAlignment(Qt::AlignCenter);
        view->setStyleSheet(QStringLiteral("color: rgba(255,255,255,220); font-size: 15px"));
        return view;
    }

private:
    QString m_text;
    mutable QPointer<QWidget> m_bottom;
};

QWidget *wizardSheet(int page)
{
    QWidget *host = newHostWindow();
    auto *wizard = new MCWizardDialog;
    wizard->setControllers({std::make_shared<SamplePage>(QObject::tr("First page")),
                            std::make_shared<SamplePage>(QObject::tr("Second page"))});
    return withSheet(host, wizard, [=] {
        wizard->beginSheetModalForWindow(host);
        for (int i = 0; i < page; ++i)
            wizard->defaultButtonClick();
        wizard->navigationController()->finishTransition();
    });
}

const ScreenshotRegistration registration({
    {"wizard-sheet", "first-page", [] { return wizardSheet(0); }, QSize(760, 480)},
    {"wizard-sheet", "second-page", [] { return wizardSheet(1); }, QSize(760, 480)},
    {"progress-sheet", "start", [] { return fileOperationSheet(0, 24); }, QSize(760, 480)},
    {"progress-sheet", "middle", [] { return fileOperationSheet(9, 24); }, QSize(760, 480)},
    {"progress-sheet", "simple", [] { return simpleSheet(); }, QSize(760, 480)},
});

} // namespace
