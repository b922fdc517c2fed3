#include "app/panels/MCInterfaceOnlyPanels.h"

#include "app/panels/MCStagePanelForm.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCInterfaceOnlyPanels", text); }

// The rows each pair of twins shares.

void buildAddKeywords(MCStagePanelForm &form)
{
    form.addTextRow(tr("Keywords"), MCConvertAddKeyword::kKeywordsKey, tr("Comma-separated keywords"));
    form.addCheckBox(tr("Remove existing keywords"), MCConvertAddKeyword::kRemovesExistingKeywordsKey);
}

void buildReplaceKeywords(MCStagePanelForm &form)
{
    form.addTextRow(tr("Find"), MCConvertReplaceKeyword::kFindKey, tr("Comma-separated keywords"));
    form.addTextRow(tr("Replace with"), MCConvertReplaceKeyword::kReplaceKey, tr("Comma-separated keywords"));
    form.addCheckBox(tr("Add even if not found"), MCConvertReplaceKeyword::kAppendsAnywayKey);
}

void buildRemovePrivateTags(MCStagePanelForm &form, bool withBurst)
{
    form.addCheckBox(tr("Remove capture date"), MCConvertRemovePrivateTags::kRemovesCaptureDateKey);
    form.addCheckBox(tr("Remove GPS location"), MCConvertRemovePrivateTags::kRemovesGPSKey);
    form.addCheckBox(tr("Remove camera information"), MCConvertRemovePrivateTags::kRemovesCameraInfoKey);
    form.addCheckBox(tr("Remove owner and copyright"), MCConvertRemovePrivateTags::kRemovesOwnerCopyrightInfoKey);
    form.addCheckBox(tr("Remove IPTC information"), MCConvertRemovePrivateTags::kRemovesIPTCKey);
    if (withBurst)
        form.addCheckBox(tr("Remove burst information"), MCEditMetadataRemovePrivateTags::kRemovesBurstKey);
}

void buildCopyrightAndOwner(MCStagePanelForm &form)
{
    form.addTextRow(tr("Copyright"), MCConvertSetCopyrightAndOwner::kCopyrightKey);
    form.addTextRow(tr("Owner"), MCConvertSetCopyrightAndOwner::kOwnerKey);
}

void buildIPTCInfo(MCStagePanelForm &form)
{
    // The nine fields in the stage's order, each switched on by its own check box.
    static const char *const titles[] = {QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Creator"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Caption"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Copyright"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Headline"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Title"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "City"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Country"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Province"),
                                         QT_TRANSLATE_NOOP("MCInterfaceOnlyPanels", "Location")};
    const std::vector<MCConvertSetIPTCInfo::Field> &fields = MCConvertSetIPTCInfo::fields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString title = i < std::size(titles) ? tr(titles[i]) : fields[i].textKey;
        form.addCheckedTextRow(title, fields[i].switchKey, fields[i].textKey);
    }
}

void buildCaptureDateFromCreated(MCStagePanelForm &form)
{
    form.addCheckBox(tr("Only if the photo has no capture date"),
                     MCConvertSetCaptureDateFromCreated::kSetsOnlyIfMissingKey);
}

} // namespace

// ---------------------------------------------------------------- conversion panels

void MCConvertStageRemovePrivateTagsViewController::buildView(MCStagePanelForm &form)
{
    buildRemovePrivateTags(form, false);
}

void MCConvertStageGrayscaleViewController::buildView(MCStagePanelForm &form)
{
    form.addPopupRow(tr("Method"), MCConvertGrayscale::kMethodKey,
                     {{tr("Average"), quint64(MCConvertGrayscale::Average)},
                      {tr("Minimum"), quint64(MCConvertGrayscale::Minimum)},
                      {tr("Maximum"), quint64(MCConvertGrayscale::Maximum)},
                      {tr("Red Channel"), quint64(MCConvertGrayscale::ChannelR)},
                      {tr("Green Channel"), quint64(MCConvertGrayscale::ChannelG)},
                      {tr("Blue Channel"), quint64(MCConvertGrayscale::ChannelB)},
                      {tr("Lightness"), quint64(MCConvertGrayscale::Lightness)},
                      {tr("Luminance (BT.601)"), quint64(MCConvertGrayscale::WeightedBT601)},
                      {tr("Luminance (BT.709)"), quint64(MCConvertGrayscale::WeightedBT709)}});
}

void MCConvertStageSetCaptureDateFromCreatedViewController::buildView(MCStagePanelForm &form)
{
    buildCaptureDateFromCreated(form);
}

void MCConvertStageAddKeywordViewController::buildView(MCStagePanelForm &form) { buildAddKeywords(form); }

void MCConvertStageSetCopyrightAndOwnerViewController::buildView(MCStagePanelForm &form)
{
    buildCopyrightAndOwner(form);
}

void MCConvertStageRotateViewController::buildView(MCStagePanelForm &form)
{
    form.addPopupRow(tr("Rotate"), MCConvertRotate::kRotateKey,
                     {{tr("None"), quint64(0)},
                      {tr("90° Counterclockwise"), quint64(1)},
                      {tr("180°"), quint64(2)},
                      {tr("90° Clockwise"), quint64(3)}});
    form.addPopupRow(tr("Flip"), MCConvertRotate::kFlipKey,
                     {{tr("None"), quint64(0)}, {tr("Horizontally"), quint64(1)}, {tr("Vertically"), quint64(2)}});
}

void MCConvertStageReplaceKeywordViewController::buildView(MCStagePanelForm &form) { buildReplaceKeywords(form); }

void MCConvertStageSetIPTCInfoViewController::buildView(MCStagePanelForm &form) { buildIPTCInfo(form); }

// ---------------------------------------------------------------- edit-metadata panels

void MCEditMetadataStageAddKeywordViewController::buildView(MCStagePanelForm &form) { buildAddKeywords(form); }

void MCEditMetadataStageRemovePrivateTagsViewController::buildView(MCStagePanelForm &form)
{
    buildRemovePrivateTags(form, true);
}

void MCEditMetadataStageSetCaptureDateFromCreatedViewController::buildView(MCStagePanelForm &form)
{
    buildCaptureDateFromCreated(form);
}

void MCEditMetadataStageSetCopyrightAndOwnerViewController::buildView(MCStagePanelForm &form)
{
    buildCopyrightAndOwner(form);
}

void MCEditMetadataStageSetIPTCInfoViewController::buildView(MCStagePanelForm &form) { buildIPTCInfo(form); }

void MCEditMetadataStageReplaceKeywordViewController::buildView(MCStagePanelForm &form)
{
    buildReplaceKeywords(form);
}

void MCEditMetadataStageRebuildMetadataViewController::buildView(MCStagePanelForm &form)
{
    form.addNote(tr("Deletes all metadata of each photo and writes it back in a fresh layout."));
}
