#pragma once

// The interface-only panels: their whole behaviour is their controls, each bound to a property
// of the panel's stage through the binder (a change goes through the stage's undoable setter;
// a change of the stage shows at once). Twins of the two families (Add Keywords 30 and 0, and
// so on) share their rows.
#include "app/metadata/MCEditMetadataStages.h"
#include "app/panels/MCStageViewController.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "app/stages/MCConvertRotate.h"

class MCConvertStageRemovePrivateTagsViewController : public MCConvertStagePanel<MCConvertRemovePrivateTags>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageGrayscaleViewController : public MCConvertStagePanel<MCConvertGrayscale>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageSetCaptureDateFromCreatedViewController : public MCConvertStagePanel<MCConvertSetCaptureDateFromCreated>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageAddKeywordViewController : public MCConvertStagePanel<MCConvertAddKeyword>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageSetCopyrightAndOwnerViewController : public MCConvertStagePanel<MCConvertSetCopyrightAndOwner>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageRotateViewController : public MCConvertStagePanel<MCConvertRotate>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageReplaceKeywordViewController : public MCConvertStagePanel<MCConvertReplaceKeyword>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageSetIPTCInfoViewController : public MCConvertStagePanel<MCConvertSetIPTCInfo>
{
    Q_OBJECT
public:
    using MCConvertStagePanel::MCConvertStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageAddKeywordViewController : public MCEditMetadataStagePanel<MCEditMetadataAddKeyword>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageRemovePrivateTagsViewController : public MCEditMetadataStagePanel<MCEditMetadataRemovePrivateTags>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageSetCaptureDateFromCreatedViewController : public MCEditMetadataStagePanel<MCEditMetadataSetCaptureDateFromCreated>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageSetCopyrightAndOwnerViewController : public MCEditMetadataStagePanel<MCEditMetadataSetCopyrightAndOwner>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageSetIPTCInfoViewController : public MCEditMetadataStagePanel<MCEditMetadataSetIPTCInfo>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageReplaceKeywordViewController : public MCEditMetadataStagePanel<MCEditMetadataReplaceKeyword>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};

class MCEditMetadataStageRebuildMetadataViewController : public MCEditMetadataStagePanel<MCEditMetadataRebuildMetadata>
{
    Q_OBJECT
public:
    using MCEditMetadataStagePanel::MCEditMetadataStagePanel;

protected:
    void buildView(MCStagePanelForm &form) override;
};
