#pragma once

// MCStagePanelBinder: the one piece of code between a stage editor panel's controls and its
// stage. Every panel binds its controls through it (never by hand), so that all panels behave
// alike:
//
// - Each control is bound (MCBinding) to a key of the stage: a change in the control goes
//   through the stage's own setter, which registers its inverse with the undo manager, and a
//   change of the stage (undo, redo, reset, a preset) shows in the control at once. Sliders
//   and stepper arrows write continuously; text is written when editing ends.
// - A number's limits, step and fraction digits come from the stage's parameter declaration
//   (MCStageParameter: minimum, maximum, step, stepperMinimum/stepperMaximum); see
//   numberFormat(). A typed number outside the declared limits, or text that is no number, is
//   refused (the field shows the stage's value again); an emptied field hands the stage a nil
//   value, which the stage replaces by its own rule on the next turn of the event loop, and
//   the field then shows what the stage holds.
// - A whole slider drag or stepper press is one undo step: registration is switched off on
//   the stage's undo manager while it lasts (observers still see every value), and at its end
//   one inverse restores the value from before, when the value changed. The switch is always
//   balanced: on release, when the control loses the mouse (hidden, window deactivated, grab
//   lost), when a new press starts without an end, and when the binder goes away.
// - setStage() ends editing (a field being edited commits to the old stage) and any press,
//   then binds every control again to the new stage.
//
//     MCStagePanelBinder binder(stage);
//     binder.bindSlider(new MCSlider(view), MCConvertHSL::kHueKey);
//     binder.bindNumberField(new MCStepperTextField(view), MCConvertHSL::kHueKey);
//     binder.bindCheckBox(new MCDarkCheckboxCell(tr("Only if missing"), view), u"setsOnlyIfMissing"_s);
//
// Most panels do not call it directly but build their rows with MCStagePanelForm, which does.
// Main thread only.
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "platform/core/MCBinding.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>
#include <vector>

class MCUndoManager;
class MCSegmentedControl;
class QAbstractButton;
class QComboBox;
class QLineEdit;

// What a panel offers for a number, read from its declaration.
struct MCStageNumberFormat
{
    double minimum = 0.0; // the slider's and the stepper arrows' limits
    double maximum = 1.0;
    double step = 0.01; // one click on a stepper arrow
    int digits = 2;     // fraction digits shown (and kept) by the field: those of the step
    // The limits a typed value must keep (the stage's own); unset when the stage sets none.
    std::optional<double> typedMinimum;
    std::optional<double> typedMaximum;
    bool isInteger = false;

    static MCStageNumberFormat forParameter(const MCStageParameter &parameter);
    // The value rounded to the digits.
    double rounded(double value) const;
    // The value as the field shows it ("1.40", "6500").
    QString text(double value) const;
};

// Carries committed text of a line edit to a binding: the binding sees a change only when
// editing ends (Return or the focus leaving), not at every key press.
class MCCommittedTextRelay : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textCommitted)
public:
    explicit MCCommittedTextRelay(QLineEdit *field);
    QString text() const;
    void setText(const QString &text);

signals:
    void textCommitted();

private:
    QPointer<QLineEdit> m_field;
};

class MCStagePanelBinder : public MCSliderDelegate, public MCStepperTextFieldDelegate
{
public:
    explicit MCStagePanelBinder(std::shared_ptr<MCConvertStage> stage = nullptr);
    ~MCStagePanelBinder() override;
    MCStagePanelBinder(const MCStagePanelBinder &) = delete;
    MCStagePanelBinder &operator=(const MCStagePanelBinder &) = delete;

    const std::shared_ptr<MCConvertStage> &stage() const { return m_stage; }
    // Ends editing and any press, then binds every control to `stage` (nullptr: unbound).
    void setStage(std::shared_ptr<MCConvertStage> stage);

    // The declaration of `key` in the stage's table; std::invalid_argument when the stage
    // (or, without a stage, nothing) declares it.
    const MCStageParameter &parameter(const QString &key) const;
    MCStageNumberFormat numberFormat(const QString &key) const
    {
        return MCStageNumberFormat::forParameter(parameter(key));
    }

    // ---- binding (each answers the control it was given)
    // The slider's limits from the declaration; its drags are one undo step each.
    MCSlider *bindSlider(MCSlider *slider, const QString &key);
    // Limits, step and digits from the declaration; typed values are checked (see above); a
    // press (arrows or text) is one undo step.
    MCStepperTextField *bindNumberField(MCStepperTextField *field, const QString &key);
    // A flag: "checked".
    QAbstractButton *bindCheckBox(QAbstractButton *button, const QString &key);
    // Text, written when editing ends.
    QLineEdit *bindTextField(QLineEdit *field, const QString &key);
    // A choice among values: item i of the pop-up (or segment i) stands for values[i]. A stage
    // value that is none of them shows no item (no segment).
    QComboBox *bindPopup(QComboBox *popup, const QString &key, const QVariantList &values);
    MCSegmentedControl *bindSegments(MCSegmentedControl *control, const QString &key, const QVariantList &values);
    // Any property of any control, for what the helpers above do not cover (a key of the
    // stage base such as "active" included).
    void bind(QObject *control, const char *property, const QString &key, MCBindingOptions options = {});

    // ---- one undo step per press, for controls other than sliders and stepper fields (a
    // knob, a curve): call begin when the press starts and end when it ends. Given the
    // control, a press that loses the mouse without a release ends by itself.
    void beginTracking(const QString &key, QObject *control = nullptr);
    void endTracking();
    bool isTracking() const { return m_tracking.has_value(); }

    // MCSliderDelegate and MCStepperTextFieldDelegate.
    void sliderWillStartTracking(MCSlider *slider) override;
    void sliderDidFinishTracking(MCSlider *slider) override;
    void stepperTextFieldWillStartTracking(MCStepperTextField *field) override;
    void stepperTextFieldDidFinishTracking(MCStepperTextField *field) override;

private:
    enum class Kind { Plain, Slider, NumberField, Text, Choice };
    struct BoundControl
    {
        QPointer<QObject> control;
        QByteArray property;
        QString key;
        Kind kind = Kind::Plain;
        MCBindingOptions options; // Plain only
        QVariantList values;      // Choice only
    };
    struct Tracking
    {
        QString key;
        QVariant before;
        std::weak_ptr<MCConvertStage> stage;
        std::weak_ptr<MCUndoManager> undoManager; // the one whose registration was switched off
        QPointer<QObject> control;
    };

    void add(BoundControl bound);
    std::optional<MCBinding> makeBinding(const BoundControl &bound);
    void refreshNumberField(MCStepperTextField *field, const QString &key);
    void startTracking(QObject *control, const QString &key);
    void finishTracking(QObject *control);
    QString trackedKey(QObject *control) const;

    std::shared_ptr<MCConvertStage> m_stage;
    std::vector<BoundControl> m_controls;
    std::vector<std::optional<MCBinding>> m_bindings; // one per bound control, same order; none without a stage
    std::optional<Tracking> m_tracking;
    // Watches the tracked control for a lost mouse grab; the context of queued refreshes.
    std::unique_ptr<QObject> m_watcher;
};
