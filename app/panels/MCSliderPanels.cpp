#include "app/panels/MCSliderPanels.h"

#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"

#include <QComboBox>

void MCSliderPanelRows::build(MCStagePanelForm &form, const QList<MCSliderPanelRow> &rows)
{
    m_keys = rows;
    m_rows.clear();
    for (const MCSliderPanelRow &row : rows) {
        const MCStagePanelForm::NumberRow controls = form.addNumberRow(row.label, row.key);
        controls.slider->setObjectName(row.key + QStringLiteral("Slider"));
        controls.field->setObjectName(row.key + QStringLiteral("TextField"));
        m_rows.append(controls);
    }
}

MCSlider *MCSliderPanelRows::sliderWithTag(qsizetype tag) const
{
    return tag >= 0 && tag < m_rows.size() ? m_rows[tag].slider : nullptr;
}

MCStepperTextField *MCSliderPanelRows::textField(const QString &key) const
{
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        if (m_keys[i].key == key)
            return m_rows[i].field;
    return nullptr;
}

// ---------------------------------------------------------------- the members

QList<MCSliderPanelRow> MCConvertStageAutoContrastViewController::sliderRows() const
{
    return {{tr("Strength"), MCConvertAutoContrast::kStrengthKey}};
}

QList<MCSliderPanelRow> MCConvertStageGammaViewController::sliderRows() const
{
    return {{tr("Gamma"), MCConvertGamma::kGammaKey}};
}

QList<MCSliderPanelRow> MCConvertStageExposureViewController::sliderRows() const
{
    return {{tr("Exposure"), MCConvertExposure::kExposureKey}};
}

QList<MCSliderPanelRow> MCConvertStageHSVViewController::sliderRows() const
{
    return {{tr("Hue"), MCConvertHSV::kHueKey},
            {tr("Saturation"), MCConvertHSV::kSaturationKey},
            {tr("Value"), MCConvertHSV::kValueKey}};
}

QList<MCSliderPanelRow> MCConvertStageHSLViewController::sliderRows() const
{
    return {{tr("Hue"), MCConvertHSL::kHueKey},
            {tr("Saturation"), MCConvertHSL::kSaturationKey},
            {tr("Lightness"), MCConvertHSL::kLightnessKey}};
}

QList<MCSliderPanelRow> MCConvertStageSharpnessViewController::sliderRows() const
{
    return {{tr("Sharpness"), MCConvertSharpness::kSharpnessKey}};
}

QList<MCSliderPanelRow> MCConvertStageSepiaViewController::sliderRows() const
{
    return {{tr("Sepia"), MCConvertSepia::kSepiaKey}};
}

QList<MCSliderPanelRow> MCConvertStageAWBViewController::sliderRows() const
{
    return {{tr("Strength"), MCConvertAWB::kStrengthKey}};
}

QList<MCSliderPanelRow> MCConvertStageTemperatureViewController::sliderRows() const
{
    return {{tr("Temperature"), MCConvertTemperature::kTemperatureKey}};
}

QList<MCSliderPanelRow> MCConvertStageRGBViewController::sliderRows() const
{
    return {{tr("Red"), MCConvertRGB::kRedKey}, {tr("Green"), MCConvertRGB::kGreenKey}, {tr("Blue"), MCConvertRGB::kBlueKey}};
}

QList<MCSliderPanelRow> MCConvertStageContrastViewController::sliderRows() const
{
    return {{tr("Contrast"), MCConvertContrast::kContrastKey}, {tr("Shift"), MCConvertContrast::kShiftKey}};
}

QList<MCSliderPanelRow> MCConvertStageColorizeViewController::sliderRows() const
{
    return {{tr("Hue"), MCConvertColorize::kHueKey},
            {tr("Saturation"), MCConvertColorize::kSaturationKey},
            {tr("Lightness"), MCConvertColorize::kLightnessKey}};
}

QList<MCSliderPanelRow> MCConvertStageTrimColorViewController::sliderRows() const
{
    return {{tr("Tolerance"), MCConvertTrimColor::kToleranceKey}};
}

void MCConvertStageTrimColorViewController::buildView(MCStagePanelForm &form)
{
    // The trim colour and the sides to trim, besides the tolerance.
    form.addPopupRow(tr("Trim"), MCConvertTrimColor::kTrimModeKey,
                     {{tr("Transparent Margins"), quint64(0)},
                      {tr("Top Left Pixel Color"), quint64(1)},
                      {tr("Bottom Right Pixel Color"), quint64(2)}});
    MCConvertStageSliderPanel::buildView(form);
    form.addCheckBox(tr("Trim Top"), MCConvertTrimColor::kShouldTrimTopKey);
    form.addCheckBox(tr("Trim Bottom"), MCConvertTrimColor::kShouldTrimBottomKey);
    form.addCheckBox(tr("Trim Left"), MCConvertTrimColor::kShouldTrimLeftKey);
    form.addCheckBox(tr("Trim Right"), MCConvertTrimColor::kShouldTrimRightKey);
}

QList<MCSliderPanelRow> MCConvertStageBlurViewController::sliderRows() const
{
    return {{tr("Radius"), MCConvertBlur::kRadiusKey}};
}

void MCConvertStageBlurViewController::buildView(MCStagePanelForm &form)
{
    form.addPopupRow(tr("Type"), MCConvertBlur::kTypeKey,
                     {{tr("Box"), quint64(MCConvertBlur::Box)},
                      {tr("Tent"), quint64(MCConvertBlur::Tent)},
                      {tr("Gaussian"), quint64(MCConvertBlur::Gaussian)}});
    MCConvertStageSliderPanel::buildView(form);
}

QList<MCSliderPanelRow> MCConvertStageLevelsViewController::sliderRows() const
{
    return {{tr("Gamma"), MCConvertLevels::kGammaKey},
            {tr("Input Black"), MCConvertLevels::kMinInputKey},
            {tr("Input White"), MCConvertLevels::kMaxInputKey},
            {tr("Output Black"), MCConvertLevels::kMinOutputKey},
            {tr("Output White"), MCConvertLevels::kMaxOutputKey}};
}

QList<MCSliderPanelRow> MCConvertStageVignetteViewController::sliderRows() const
{
    return {{tr("Exposure"), MCConvertVignette::kExposureKey}};
}
