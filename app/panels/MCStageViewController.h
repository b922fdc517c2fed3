#pragma once

// The stage editor panels: one view controller per kind of stage, showing one stage object's
// parameters and letting the user change them. Two families, each with a base class that owns
// a registry from stage ID to panel class: MCConvertStageViewController (conversion stages)
// and MCEditMetadataStageViewController (edit-metadata stages). The screens never name a
// panel class: they ask the family's base for viewControllerForStage() and put the panel's
// view into a stage table cell.
//
// How a panel is made
// -------------------
// 1. Derive from MCConvertStagePanel<StageClass> (or MCEditMetadataStagePanel<StageClass>),
//    which narrows stage() to the stage class and answers its StageID; add Q_OBJECT (the
//    registry and the view take the class name from it) and inherit the constructor.
// 2. Build the view in buildView(): rows through MCStagePanelForm (a slider and stepper field
//    per number, check boxes, text fields, pop-ups), or any widgets bound through binder()
//    (MCStagePanelBinder). Never write a control's value to the stage by hand: the binder
//    takes limits, steps and digits from the stage's parameter declaration, makes one undo
//    step of a drag (beginTracking/endTracking for controls of your own) and re-binds when the
//    stage changes. The view is as high as its layout asks; a panel whose height depends on
//    its state overrides preferredHeight(), and one that places controls itself after each
//    layout pass overrides layoutControls().
// 3. Add one line to MCRegisterStagePanels() (MCStagePanels.cpp):
//    MCConvertStageViewController::registerClass<MCConvertStageGammaViewController>();
//
//     class MCConvertStageGammaViewController : public MCConvertStagePanel<MCConvertGamma>
//     {
//         Q_OBJECT
//     public:
//         using MCConvertStagePanel::MCConvertStagePanel;
//     protected:
//         void buildView(MCStagePanelForm &form) override
//         {
//             form.addNumberRow(tr("Gamma"), MCConvertGamma::kGammaKey);
//         }
//     };
//
// A panel holds its stage strongly; the stage holds no reference to its panel. Main thread.
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/metadata/MCEditMetadataStage.h"
#include "app/panels/MCStagePanelBinder.h"
#include "halvard/ui/MCViewController.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

class MCStagePanelForm;

// What a registry holds for a panel class: its name, its stage ID and how to make one for a
// stage (nothing when the stage is not of the class the panel edits).
template <class Controller, class Stage>
struct MCStagePanelClass
{
    QString className;
    qint64 stageID = -1;
    std::function<std::unique_ptr<Controller>(const std::shared_ptr<Stage> &)> create;
};

// A process-wide map from stage ID to panel class, made by the first registration and never
// emptied; registering under a taken ID replaces the earlier class.
template <class Controller, class Stage>
class MCStagePanelRegistry
{
public:
    using Class = MCStagePanelClass<Controller, Stage>;

    void registerClass(const Class &panelClass, qint64 stageID)
    {
        std::call_once(m_once, [this] { m_classes.emplace(); });
        (*m_classes)[stageID] = panelClass;
    }
    // Before any registration: nothing, and the map is not made.
    std::optional<Class> classForStageID(qint64 stageID) const
    {
        if (!m_classes)
            return std::nullopt;
        const auto found = m_classes->find(stageID);
        if (found == m_classes->end())
            return std::nullopt;
        return found->second;
    }
    bool exists() const { return m_classes.has_value(); }
    // A new panel for the stage from the class of its ID; nothing without one (or a stage).
    std::unique_ptr<Controller> viewControllerForStage(const std::shared_ptr<Stage> &stage) const
    {
        if (!stage)
            return nullptr;
        const std::optional<Class> panelClass = classForStageID(stage->stageID());
        return panelClass && panelClass->create ? panelClass->create(stage) : nullptr;
    }

private:
    std::once_flag m_once;
    std::optional<std::map<qint64, Class>> m_classes;
};

// What both families share: the stage, the binder, the view built from a form, the height
// and the layout hook.
class MCStagePanelController : public MCViewController
{
    Q_OBJECT
public:
    ~MCStagePanelController() override;

    // The height of the panel's view in points, loading the view when needed.
    virtual double preferredHeight();
    // Called after each layout pass of the view (after the platform's own); empty here.
    virtual void layoutControls() {}

    MCStagePanelBinder &binder() { return m_binder; }

    // The width a view is first laid out at, before a cell gives it its own.
    static constexpr int kDefaultWidth = 340;

protected:
    explicit MCStagePanelController(std::shared_ptr<MCConvertStage> stage);

    // Builds the view (named after the class), lets buildView() fill it and sizes it to what
    // its layout asks for.
    QWidget *loadView() override;
    virtual void buildView(MCStagePanelForm &form);
    // After a layout pass of the view: calls layoutControls().
    virtual void viewDidLayout();

    const std::shared_ptr<MCConvertStage> &baseStage() const { return m_binder.stage(); }
    void setBaseStage(std::shared_ptr<MCConvertStage> stage) { m_binder.setStage(std::move(stage)); }

private:
    MCStagePanelBinder m_binder;
};

// ---------------------------------------------------------------- conversion panels

class MCConvertStageViewController : public MCStagePanelController
{
    Q_OBJECT
public:
    using Class = MCStagePanelClass<MCConvertStageViewController, MCConvertStage>;
    static constexpr qint64 StageID = -1;

    // The registry of the conversion panels.
    static void registerClass(const Class &panelClass, qint64 stageID);
    template <class Panel> static void registerClass();
    static std::optional<Class> classForStageID(qint64 stageID);
    // A new panel for the stage, owned by the caller; nothing when no class is registered
    // for its ID (or for no stage).
    static std::unique_ptr<MCConvertStageViewController> viewControllerForStage(const std::shared_ptr<MCConvertStage> &stage);

    virtual qint64 stageID() const { return StageID; }
    const std::shared_ptr<MCConvertStage> &stage() const { return baseStage(); }

    // Returns the stage to its defaults through its undoable setters (nothing for a stage
    // that cannot be reset); every bound control follows.
    virtual void reset();

protected:
    explicit MCConvertStageViewController(std::shared_ptr<MCConvertStage> stage);
};

// The base of a concrete conversion panel: stage() answers the panel's own stage class.
template <class StageClass>
class MCConvertStagePanel : public MCConvertStageViewController
{
public:
    using StageType = StageClass;
    static constexpr qint64 StageID = StageClass::StageID;

    explicit MCConvertStagePanel(std::shared_ptr<StageClass> stage)
        : MCConvertStageViewController(std::move(stage))
    {
    }
    qint64 stageID() const override { return StageID; }
    std::shared_ptr<StageClass> stage() const
    {
        return std::static_pointer_cast<StageClass>(MCConvertStageViewController::stage());
    }
};

// ---------------------------------------------------------------- edit-metadata panels

class MCEditMetadataStageViewController : public MCStagePanelController
{
    Q_OBJECT
public:
    using Class = MCStagePanelClass<MCEditMetadataStageViewController, MCEditMetadataStage>;
    static constexpr qint64 StageID = -1;

    static void registerClass(const Class &panelClass, qint64 stageID);
    template <class Panel> static void registerClass();
    static std::optional<Class> classForStageID(qint64 stageID);
    static std::unique_ptr<MCEditMetadataStageViewController>
    viewControllerForStage(const std::shared_ptr<MCEditMetadataStage> &stage);

    virtual qint64 stageID() const { return StageID; }
    std::shared_ptr<MCEditMetadataStage> stage() const
    {
        return std::static_pointer_cast<MCEditMetadataStage>(baseStage());
    }
    // Binds every control to the new stage (editing and any drag end first).
    void setStage(std::shared_ptr<MCEditMetadataStage> stage) { setBaseStage(std::move(stage)); }

protected:
    explicit MCEditMetadataStageViewController(std::shared_ptr<MCEditMetadataStage> stage);
};

template <class StageClass>
class MCEditMetadataStagePanel : public MCEditMetadataStageViewController
{
public:
    using StageType = StageClass;
    static constexpr qint64 StageID = StageClass::StageID;

    explicit MCEditMetadataStagePanel(std::shared_ptr<StageClass> stage)
        : MCEditMetadataStageViewController(std::move(stage))
    {
    }
    qint64 stageID() const override { return StageID; }
    std::shared_ptr<StageClass> stage() const
    {
        return std::static_pointer_cast<StageClass>(MCEditMetadataStageViewController::stage());
    }
    void setStage(std::shared_ptr<StageClass> stage) { MCEditMetadataStageViewController::setStage(std::move(stage)); }
};

// ---------------------------------------------------------------- registration

namespace MCStagePanelDetail {
// The class of a panel type: made only for a stage of the panel's own stage class.
template <class Base, class Panel, class Stage>
MCStagePanelClass<Base, Stage> panelClass()
{
    return {QString::fromLatin1(Panel::staticMetaObject.className()), Panel::StageID,
            [](const std::shared_ptr<Stage> &stage) -> std::unique_ptr<Base> {
                auto typed = std::dynamic_pointer_cast<typename Panel::StageType>(stage);
                if (!typed)
                    return nullptr;
                return std::make_unique<Panel>(std::move(typed));
            }};
}
} // namespace MCStagePanelDetail

template <class Panel>
void MCConvertStageViewController::registerClass()
{
    registerClass(MCStagePanelDetail::panelClass<MCConvertStageViewController, Panel, MCConvertStage>(), Panel::StageID);
}

template <class Panel>
void MCEditMetadataStageViewController::registerClass()
{
    registerClass(MCStagePanelDetail::panelClass<MCEditMetadataStageViewController, Panel, MCEditMetadataStage>(),
                  Panel::StageID);
}

// Registers every panel class of both families; the program calls it once at start, before
// the first screen. Calling it again changes nothing.
void MCRegisterStagePanels();
