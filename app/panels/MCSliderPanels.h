#pragma once

// The slider panels: sixteen conversion panels whose stages hold numbers within fixed limits.
// Each number gets a row of a slider and a stepper field, both bound to the stage through the
// panel's binder, which takes the limits, the step and the digits from the stage's parameter
// declaration and makes a whole slider drag or stepper press one undo step. The rows count
// from tag 0 in the order each panel lists them; the controls are named after their key
// ("hueSlider", "hueTextField").
#include "app/panels/MCStageViewController.h"
#include "app/panels/MCStagePanelForm.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertGamma.h"
#include "app/stages/MCConvertSharpness.h"
#include "app/stages/MCConvertTone.h"
#include "app/stages/MCConvertTrim.h"

#include <QList>

struct MCSliderPanelRow
{
    QString label;
    QString key;
};

// The rows of a slider panel, built into a form.
class MCSliderPanelRows
{
public:
    void build(MCStagePanelForm &form, const QList<MCSliderPanelRow> &rows);
    // The slider of a tag and the field of a key; nullptr before the view is loaded or for
    // one the panel does not have.
    MCSlider *sliderWithTag(qsizetype tag) const;
    MCStepperTextField *textField(const QString &key) const;
    qsizetype count() const { return m_rows.size(); }

private:
    QList<MCSliderPanelRow> m_keys;
    QList<MCStagePanelForm::NumberRow> m_rows;
};

template <class StageClass>
class MCConvertStageSliderPanel : public MCConvertStagePanel<StageClass>
{
public:
    using MCConvertStagePanel<StageClass>::MCConvertStagePanel;

    MCSlider *sliderWithTag(qsizetype tag) { return (this->view(), m_rows.sliderWithTag(tag)); }
    MCStepperTextField *textField(const QString &key) { return (this->view(), m_rows.textField(key)); }

protected:
    virtual QList<MCSliderPanelRow> sliderRows() const = 0;
    void buildView(MCStagePanelForm &form) override { m_rows.build(form, sliderRows()); }

private:
    MCSliderPanelRows m_rows;
};

class MCConvertStageAutoContrastViewController : public MCConvertStageSliderPanel<MCConvertAutoContrast>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageGammaViewController : public MCConvertStageSliderPanel<MCConvertGamma>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageExposureViewController : public MCConvertStageSliderPanel<MCConvertExposure>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageHSVViewController : public MCConvertStageSliderPanel<MCConvertHSV>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageHSLViewController : public MCConvertStageSliderPanel<MCConvertHSL>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageSharpnessViewController : public MCConvertStageSliderPanel<MCConvertSharpness>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageSepiaViewController : public MCConvertStageSliderPanel<MCConvertSepia>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageAWBViewController : public MCConvertStageSliderPanel<MCConvertAWB>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageTemperatureViewController : public MCConvertStageSliderPanel<MCConvertTemperature>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageRGBViewController : public MCConvertStageSliderPanel<MCConvertRGB>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageContrastViewController : public MCConvertStageSliderPanel<MCConvertContrast>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageColorizeViewController : public MCConvertStageSliderPanel<MCConvertColorize>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageTrimColorViewController : public MCConvertStageSliderPanel<MCConvertTrimColor>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageBlurViewController : public MCConvertStageSliderPanel<MCConvertBlur>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
    void buildView(MCStagePanelForm &form) override;
};

class MCConvertStageLevelsViewController : public MCConvertStageSliderPanel<MCConvertLevels>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};

class MCConvertStageVignetteViewController : public MCConvertStageSliderPanel<MCConvertVignette>
{
    Q_OBJECT
public:
    using MCConvertStageSliderPanel::MCConvertStageSliderPanel;

protected:
    QList<MCSliderPanelRow> sliderRows() const override;
};
