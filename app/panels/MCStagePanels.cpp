#include "app/panels/MCStagePanels.h"

#include "app/panels/MCInterfaceOnlyPanels.h"
#include "app/panels/MCSliderPanels.h"
#include "app/panels/MCStagePanelForm.h"

// ---------------------------------------------------------------- stand-ins

namespace {

// "shouldTrimLeft" -> "Should trim left".
QString titleForKey(const QString &key)
{
    QString title;
    for (const QChar c : key) {
        if (c.isUpper() && !title.isEmpty())
            title += QLatin1Char(' ') + c.toLower();
        else
            title += title.isEmpty() ? c.toUpper() : c;
    }
    return title;
}

} // namespace

void MCBuildDeclaredParameterRows(MCStagePanelForm &form, const MCConvertStage &stage)
{
    for (const MCStageParameter &parameter : stage.parameters()) {
        const QString title = titleForKey(parameter.name);
        switch (parameter.type) {
        case MCStageParameterType::Double:
        case MCStageParameterType::Integer:
        case MCStageParameterType::Unsigned:
            if (parameter.minimum && parameter.maximum)
                form.addNumberRow(title, parameter.name);
            break;
        case MCStageParameterType::Bool:
            form.addCheckBox(title, parameter.name);
            break;
        case MCStageParameterType::String:
            form.addTextRow(title, parameter.name);
            break;
        default:
            break;
        }
    }
}

MCConvertStageParametersViewController::MCConvertStageParametersViewController(std::shared_ptr<MCConvertStage> stage)
    : MCConvertStageViewController(std::move(stage))
{
}

qint64 MCConvertStageParametersViewController::stageID() const { return stage() ? stage()->stageID() : StageID; }

void MCConvertStageParametersViewController::buildView(MCStagePanelForm &form)
{
    if (stage())
        MCBuildDeclaredParameterRows(form, *stage());
}

MCEditMetadataStageParametersViewController::MCEditMetadataStageParametersViewController(
    std::shared_ptr<MCEditMetadataStage> stage)
    : MCEditMetadataStageViewController(std::move(stage))
{
}

qint64 MCEditMetadataStageParametersViewController::stageID() const
{
    return stage() ? stage()->stageID() : StageID;
}

void MCEditMetadataStageParametersViewController::buildView(MCStagePanelForm &form)
{
    if (stage())
        MCBuildDeclaredParameterRows(form, *stage());
}

// ---------------------------------------------------------------- registration

namespace {

template <class Base, class StandIn, class Catalogue>
void registerStandIns(const Catalogue &catalogue)
{
    for (const auto &stageClass : catalogue) {
        if (stageClass.stageID >= 0)
            Base::registerClass({QString::fromLatin1(StandIn::staticMetaObject.className()), stageClass.stageID,
                                 [](const auto &stage) { return std::make_unique<StandIn>(stage); }},
                                stageClass.stageID);
    }
}

} // namespace

void MCRegisterStagePanels()
{
    using Convert = MCConvertStageViewController;
    using Edit = MCEditMetadataStageViewController;

    // Stand-ins first, for every stage kind of both catalogues; the panel classes below
    // replace them.
    registerStandIns<Convert, MCConvertStageParametersViewController>(MCConvertStage::stageCatalogue());
    registerStandIns<Edit, MCEditMetadataStageParametersViewController>(MCEditMetadataStage::stageCatalogue());

    // Slider panels.
    Convert::registerClass<MCConvertStageAutoContrastViewController>();
    Convert::registerClass<MCConvertStageGammaViewController>();
    Convert::registerClass<MCConvertStageExposureViewController>();
    Convert::registerClass<MCConvertStageHSVViewController>();
    Convert::registerClass<MCConvertStageHSLViewController>();
    Convert::registerClass<MCConvertStageSharpnessViewController>();
    Convert::registerClass<MCConvertStageSepiaViewController>();
    Convert::registerClass<MCConvertStageAWBViewController>();
    Convert::registerClass<MCConvertStageTemperatureViewController>();
    Convert::registerClass<MCConvertStageRGBViewController>();
    Convert::registerClass<MCConvertStageContrastViewController>();
    Convert::registerClass<MCConvertStageColorizeViewController>();
    Convert::registerClass<MCConvertStageTrimColorViewController>();
    Convert::registerClass<MCConvertStageBlurViewController>();
    Convert::registerClass<MCConvertStageLevelsViewController>();
    Convert::registerClass<MCConvertStageVignetteViewController>();

    // Interface-only panels.
    Convert::registerClass<MCConvertStageRemovePrivateTagsViewController>();
    Convert::registerClass<MCConvertStageGrayscaleViewController>();
    Convert::registerClass<MCConvertStageSetCaptureDateFromCreatedViewController>();
    Convert::registerClass<MCConvertStageAddKeywordViewController>();
    Convert::registerClass<MCConvertStageSetCopyrightAndOwnerViewController>();
    Convert::registerClass<MCConvertStageRotateViewController>();
    Convert::registerClass<MCConvertStageReplaceKeywordViewController>();
    Convert::registerClass<MCConvertStageSetIPTCInfoViewController>();
    Edit::registerClass<MCEditMetadataStageAddKeywordViewController>();
    Edit::registerClass<MCEditMetadataStageRemovePrivateTagsViewController>();
    Edit::registerClass<MCEditMetadataStageSetCaptureDateFromCreatedViewController>();
    Edit::registerClass<MCEditMetadataStageSetCopyrightAndOwnerViewController>();
    Edit::registerClass<MCEditMetadataStageSetIPTCInfoViewController>();
    Edit::registerClass<MCEditMetadataStageReplaceKeywordViewController>();
    Edit::registerClass<MCEditMetadataStageRebuildMetadataViewController>();

    // The panels of the other kinds register here as they are built.
}
