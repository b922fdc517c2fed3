// The before-and-after preview of the Convert screen: a generated photo through a tone stage,
// alone and side by side, zoomed, and with a stage that fails.
#include "app/dialogs/MCPreviewViewController.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertTone.h"
#include "halvard/imageio/MCImage.h"
#include "halvard/ui/MCImageExtensions.h"
#include "platform/core/MCUserDefaults.h"
#include "tools/screenshots/ScreenshotImages.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QVBoxLayout>

#include <memory>

namespace {

// A stage whose preview always fails.
class FailingStage : public MCConvertStage
{
public:
    bool convertBitmap(MCBitmap *, QVariantMap &, const MCFile *, MCError *) override { return false; }
};

enum class Pipeline { Tone, Failing };

// The preview with its own converter, as the Convert screen embeds it.
class PreviewGallery : public QWidget
{
public:
    PreviewGallery(Pipeline pipeline, bool beforeAfter, double zoom, QSize size)
        : m_converter(&MCUserDefaults::standardUserDefaults())
    {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, QColor(38, 40, 44));
        setPalette(palette);
        if (pipeline == Pipeline::Tone) {
            auto levels = std::make_shared<MCConvertLevels>();
            levels->setGamma(1.6);
            levels->setMinInput(0.08);
            auto contrast = std::make_shared<MCConvertContrast>();
            contrast->setContrast(1.3);
            m_converter.setStagesFromArray({levels, contrast});
        } else {
            m_converter.setStagesFromArray({std::make_shared<FailingStage>()});
        }
        m_controller = new MCPreviewViewController(this);
        m_controller->setConverter(&m_converter);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(8, 8, 8, 8);
        layout->addWidget(m_controller->view());
        m_controller->setShowsBeforeAfter(beforeAfter);
        resize(size);
        show();
        QApplication::processEvents();

        auto file = MCFile::fileWithID(1);
        file->setFilePath(QStringLiteral("/nonexistent/IMG_4021.jpg"));
        m_controller->setPreviewItem(file, QStringLiteral("IMG_4021.jpg"));
        // Answered at once with a generated photo, as the loader would (its own answer for
        // the missing file comes later and is ignored).
        const QImage photo = screenshots::landscapePhoto(3000, 2000);
        m_controller->receiveImage(MCImage::create(MCCGImageFromQImage(photo)),
                                   {{QStringLiteral("PixelWidth"), photo.width()},
                                    {QStringLiteral("PixelHeight"), photo.height()}},
                                   m_controller->pendingRequestID());
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        for (MCPreviewBitmapView *view :
             {m_controller->bitmapView(), m_controller->bitmapBeforeView(), m_controller->bitmapAfterView()}) {
            view->setZoom(zoom);
            view->setLocation(QPointF(0.3, -0.2));
        }
    }
    ~PreviewGallery() override { delete m_controller; } // before the converter it observes

private:
    MCBitmapConverter m_converter;
    MCPreviewViewController *m_controller;
};

const QSize kSingle(640, 440);
const QSize kPair(900, 360);

const ScreenshotRegistration registration({
    {"preview", "single-tone", [] { return new PreviewGallery(Pipeline::Tone, false, 1.0, kSingle); }, kSingle},
    {"preview", "before-after-tone", [] { return new PreviewGallery(Pipeline::Tone, true, 1.0, kPair); }, kPair},
    {"preview", "before-after-zoomed", [] { return new PreviewGallery(Pipeline::Tone, true, 2.0, kPair); }, kPair},
    {"preview", "before-after-failed", [] { return new PreviewGallery(Pipeline::Failing, true, 1.0, kPair); }, kPair},
    {"preview", "single-failed", [] { return new PreviewGallery(Pipeline::Failing, false, 1.0, kSingle); }, kSingle},
});

} // namespace
