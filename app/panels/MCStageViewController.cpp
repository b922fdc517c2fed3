#include "app/panels/MCStageViewController.h"

#include "app/panels/MCStagePanelForm.h"

#include <QEvent>
#include <QLayout>
#include <QWidget>

namespace {

// The panel's view: tells its controller after each layout pass.
class MCStagePanelView : public QWidget
{
public:
    explicit MCStagePanelView(std::function<void()> didLayout)
        : m_didLayout(std::move(didLayout))
    {
    }

protected:
    bool event(QEvent *event) override
    {
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize)
            m_didLayout();
        return handled;
    }

private:
    std::function<void()> m_didLayout;
};

MCStagePanelRegistry<MCConvertStageViewController, MCConvertStage> &convertRegistry()
{
    static MCStagePanelRegistry<MCConvertStageViewController, MCConvertStage> registry;
    return registry;
}

MCStagePanelRegistry<MCEditMetadataStageViewController, MCEditMetadataStage> &editMetadataRegistry()
{
    static MCStagePanelRegistry<MCEditMetadataStageViewController, MCEditMetadataStage> registry;
    return registry;
}

} // namespace

// ---------------------------------------------------------------- shared base

MCStagePanelController::MCStagePanelController(std::shared_ptr<MCConvertStage> stage)
    : m_binder(std::move(stage))
{
}

MCStagePanelController::~MCStagePanelController()
{
    // The controls go before the binder they report to: a press still under way ends first,
    // leaving undo registration switched on.
    m_binder.endTracking();
    if (isViewLoaded())
        delete view();
}

double MCStagePanelController::preferredHeight()
{
    QWidget *panelView = view();
    return panelView ? double(panelView->height()) : 0.0;
}

QWidget *MCStagePanelController::loadView()
{
    auto *panelView = new MCStagePanelView([this] { viewDidLayout(); });
    panelView->setObjectName(nibName());
    MCStagePanelForm form(panelView, m_binder);
    buildView(form);
    panelView->resize(kDefaultWidth, form.layout()->sizeHint().height());
    return panelView;
}

void MCStagePanelController::buildView(MCStagePanelForm &) {}

void MCStagePanelController::viewDidLayout() { layoutControls(); }

// ---------------------------------------------------------------- conversion panels

MCConvertStageViewController::MCConvertStageViewController(std::shared_ptr<MCConvertStage> stage)
    : MCStagePanelController(std::move(stage))
{
}

void MCConvertStageViewController::registerClass(const Class &panelClass, qint64 stageID)
{
    convertRegistry().registerClass(panelClass, stageID);
}

std::optional<MCConvertStageViewController::Class> MCConvertStageViewController::classForStageID(qint64 stageID)
{
    return convertRegistry().classForStageID(stageID);
}

std::unique_ptr<MCConvertStageViewController>
MCConvertStageViewController::viewControllerForStage(const std::shared_ptr<MCConvertStage> &stage)
{
    return convertRegistry().viewControllerForStage(stage);
}

void MCConvertStageViewController::reset()
{
    if (stage())
        stage()->resetToDefaults();
}

// ---------------------------------------------------------------- edit-metadata panels

MCEditMetadataStageViewController::MCEditMetadataStageViewController(std::shared_ptr<MCEditMetadataStage> stage)
    : MCStagePanelController(std::move(stage))
{
}

void MCEditMetadataStageViewController::registerClass(const Class &panelClass, qint64 stageID)
{
    editMetadataRegistry().registerClass(panelClass, stageID);
}

std::optional<MCEditMetadataStageViewController::Class>
MCEditMetadataStageViewController::classForStageID(qint64 stageID)
{
    return editMetadataRegistry().classForStageID(stageID);
}

std::unique_ptr<MCEditMetadataStageViewController>
MCEditMetadataStageViewController::viewControllerForStage(const std::shared_ptr<MCEditMetadataStage> &stage)
{
    return editMetadataRegistry().viewControllerForStage(stage);
}
