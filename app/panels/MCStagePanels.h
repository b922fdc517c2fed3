#pragma once

// The stand-in panels: until a stage kind has a panel class of its own, the registries give
// it one of these, which shows a row for each parameter the stage declares (a slider and a
// stepper field per limited number, a check box per flag, a text field per text) and binds it
// like every other panel. A panel class registered for the ID replaces the stand-in.
#include "app/panels/MCStageViewController.h"

class MCConvertStageParametersViewController : public MCConvertStageViewController
{
    Q_OBJECT
public:
    explicit MCConvertStageParametersViewController(std::shared_ptr<MCConvertStage> stage);
    qint64 stageID() const override;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageParametersViewController : public MCEditMetadataStageViewController
{
    Q_OBJECT
public:
    explicit MCEditMetadataStageParametersViewController(std::shared_ptr<MCEditMetadataStage> stage);
    qint64 stageID() const override;

protected:
    void buildView(MCStagePanelForm &form) override;
};

// A row for each declared parameter a form can show.
void MCBuildDeclaredParameterRows(MCStagePanelForm &form, const MCConvertStage &stage);
