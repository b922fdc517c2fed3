#include "app/panels/MCStagePanelBinder.h"

#include "app/uikit/MCSegmentedControl.h"
#include "platform/core/MCUndoManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QWidget>

#include <cmath>
#include <stdexcept>

// ---------------------------------------------------------------- number format

namespace {

bool isIntegerType(MCStageParameterType type)
{
    return type == MCStageParameterType::Integer || type == MCStageParameterType::Unsigned;
}

// The fraction digits of a step: 0.01 has two, 0.25 two, 0.1 one, 1 and 100 none.
int fractionDigits(double step)
{
    QString text = QString::number(std::abs(step), 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : int(text.size() - point - 1);
}

} // namespace

MCStageNumberFormat MCStageNumberFormat::forParameter(const MCStageParameter &parameter)
{
    MCStageNumberFormat format;
    format.isInteger = isIntegerType(parameter.type);
    format.step = parameter.step.value_or(format.isInteger ? 1.0 : 0.01);
    format.digits = format.isInteger ? 0 : fractionDigits(format.step);
    format.typedMinimum = parameter.minimum;
    format.typedMaximum = parameter.maximum;
    format.minimum = parameter.stepperMinimum.value_or(parameter.minimum.value_or(0.0));
    format.maximum = parameter.stepperMaximum.value_or(parameter.maximum.value_or(format.minimum + 1.0));
    return format;
}

double MCStageNumberFormat::rounded(double value) const
{
    if (!std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, digits);
    return std::round(value * scale) / scale;
}

QString MCStageNumberFormat::text(double value) const { return QString::number(rounded(value), 'f', digits); }

namespace {

// Stage value <-> the text of a stepper field, with the field's checks.
class MCNumberFieldTransformer : public MCValueTransformer
{
public:
    MCNumberFieldTransformer(MCStageNumberFormat format, std::weak_ptr<MCConvertStage> stage, QString key)
        : m_format(format)
        , m_stage(std::move(stage))
        , m_key(std::move(key))
    {
    }

    bool allowsReverseTransformation() const override { return true; }

    QVariant transformedValue(const QVariant &value) const override
    {
        return value.isNull() ? QVariant(QString()) : QVariant(m_format.text(value.toDouble()));
    }

    QVariant reverseTransformedValue(const QVariant &value) const override
    {
        // An emptied field hands over nil: the stage's own rule replaces it.
        if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty()))
            return QVariant();
        bool isNumber = false;
        double number = value.typeId() == QMetaType::QString ? value.toString().trimmed().toDouble(&isNumber)
                                                              : value.toDouble(&isNumber);
        if (isNumber && std::isfinite(number)) {
            number = m_format.rounded(number);
            const bool inRange = (!m_format.typedMinimum || number >= *m_format.typedMinimum) &&
                                 (!m_format.typedMaximum || number <= *m_format.typedMaximum);
            if (inRange)
                return number;
        }
        // Refused: the stage keeps its value (setting it again changes nothing), and the
        // binder shows it in the field again.
        QApplication::beep();
        const std::shared_ptr<MCConvertStage> stage = m_stage.lock();
        return stage ? stage->valueForKey(m_key) : QVariant();
    }

private:
    MCStageNumberFormat m_format;
    std::weak_ptr<MCConvertStage> m_stage;
    QString m_key;
};

// Stage value <-> a slider position, kept to the field's digits.
class MCSliderValueTransformer : public MCValueTransformer
{
public:
    explicit MCSliderValueTransformer(MCStageNumberFormat format)
        : m_format(format)
    {
    }
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override
    {
        return value.isNull() ? m_format.minimum : value.toDouble();
    }
    QVariant reverseTransformedValue(const QVariant &value) const override { return m_format.rounded(value.toDouble()); }

private:
    MCStageNumberFormat m_format;
};

// Stage value <-> the index of an item (or segment) standing for it.
class MCChoiceTransformer : public MCValueTransformer
{
public:
    explicit MCChoiceTransformer(QVariantList values)
        : m_values(std::move(values))
    {
    }
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant &value) const override
    {
        for (qsizetype i = 0; i < m_values.size(); ++i) {
            const QVariant &candidate = m_values[i];
            const bool numeric = candidate.canConvert<double>() && candidate.typeId() != QMetaType::QString;
            if (numeric ? (!value.isNull() && candidate.toDouble() == value.toDouble()) : candidate == value)
                return int(i);
        }
        return -1;
    }
    QVariant reverseTransformedValue(const QVariant &value) const override
    {
        const qsizetype index = value.toLongLong();
        return index >= 0 && index < m_values.size() ? m_values[index] : QVariant();
    }

private:
    QVariantList m_values;
};

} // namespace

// ---------------------------------------------------------------- committed text

MCCommittedTextRelay::MCCommittedTextRelay(QLineEdit *field)
    : QObject(field)
    , m_field(field)
{
    connect(field, &QLineEdit::editingFinished, this, [this] {
        if (!m_field || !m_field->isModified())
            return;
        m_field->setModified(false);
        emit textCommitted();
    });
}

QString MCCommittedTextRelay::text() const { return m_field ? m_field->text() : QString(); }

void MCCommittedTextRelay::setText(const QString &text)
{
    if (!m_field || (m_field->text() == text && !m_field->isModified()))
        return;
    m_field->setText(text);
    m_field->setModified(false);
}

// ---------------------------------------------------------------- binder

namespace {

// Ends a press whose control lost the mouse without a release.
class MCTrackingWatcher : public QObject
{
public:
    explicit MCTrackingWatcher(std::function<void(QObject *)> lost)
        : m_lost(std::move(lost))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Hide:
        case QEvent::UngrabMouse:
        case QEvent::WindowDeactivate:
            m_lost(watched);
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::function<void(QObject *)> m_lost;
};

} // namespace

MCStagePanelBinder::MCStagePanelBinder(std::shared_ptr<MCConvertStage> stage)
    : m_stage(std::move(stage))
    , m_watcher(std::make_unique<MCTrackingWatcher>([this](QObject *control) { finishTracking(control); }))
{
}

MCStagePanelBinder::~MCStagePanelBinder()
{
    // A press still under way leaves registration switched on again.
    if (m_tracking)
        finishTracking(m_tracking->control);
    m_bindings.clear();
    for (const BoundControl &bound : m_controls) {
        if (auto *slider = qobject_cast<MCSlider *>(bound.control.data()); slider && slider->delegate() == this)
            slider->setDelegate(nullptr);
        if (auto *field = qobject_cast<MCStepperTextField *>(bound.control.data()); field && field->delegate() == this)
            field->setDelegate(nullptr);
    }
}

void MCStagePanelBinder::setStage(std::shared_ptr<MCConvertStage> stage)
{
    // Editing ends first: a field being edited commits to the stage it was editing.
    for (const BoundControl &bound : m_controls) {
        QObject *control = bound.kind == Kind::Text && bound.control ? bound.control->parent() : bound.control.data();
        if (auto *field = qobject_cast<QLineEdit *>(control); field && field->isModified())
            emit field->editingFinished();
        if (auto *widget = qobject_cast<QWidget *>(control); widget && widget->hasFocus())
            widget->clearFocus();
    }
    if (m_tracking)
        finishTracking(m_tracking->control);
    m_bindings.clear();
    m_stage = std::move(stage);
    for (const BoundControl &bound : m_controls)
        m_bindings.push_back(makeBinding(bound));
}

const MCStageParameter &MCStagePanelBinder::parameter(const QString &key) const
{
    if (m_stage) {
        for (const MCStageParameter &parameter : m_stage->parameters())
            if (parameter.name == key)
                return parameter;
    }
    throw std::invalid_argument(QStringLiteral("*** MCStagePanelBinder: the stage declares no parameter %1")
                                    .arg(key)
                                    .toStdString());
}

std::optional<MCBinding> MCStagePanelBinder::makeBinding(const BoundControl &bound)
{
    if (!m_stage || !bound.control)
        return std::nullopt;
    MCBindingOptions options = bound.options;
    switch (bound.kind) {
    case Kind::Plain:
    case Kind::Text:
        break;
    case Kind::Slider: {
        const MCStageNumberFormat format = numberFormat(bound.key);
        auto *slider = static_cast<MCSlider *>(bound.control.data());
        slider->setMinValue(format.minimum);
        slider->setMaxValue(format.maximum);
        options.transformer = std::make_shared<MCSliderValueTransformer>(format);
        break;
    }
    case Kind::NumberField: {
        const MCStageNumberFormat format = numberFormat(bound.key);
        auto *field = static_cast<MCStepperTextField *>(bound.control.data());
        field->setMinValue(format.minimum);
        field->setMaxValue(format.maximum);
        field->setIncrement(format.step);
        options.transformer = std::make_shared<MCNumberFieldTransformer>(format, m_stage, bound.key);
        break;
    }
    case Kind::Choice:
        options.transformer = std::make_shared<MCChoiceTransformer>(bound.values);
        break;
    }
    return MCBinding(bound.control, bound.property.constData(), *m_stage, bound.key, std::move(options));
}

void MCStagePanelBinder::add(BoundControl bound)
{
    if (!bound.control)
        throw std::invalid_argument("*** MCStagePanelBinder: control must not be nil");
    m_bindings.push_back(makeBinding(bound));
    m_controls.push_back(std::move(bound));
}

MCSlider *MCStagePanelBinder::bindSlider(MCSlider *slider, const QString &key)
{
    parameter(key); // a key the stage does not declare is a programmer error
    add({.control = slider, .property = "doubleValue", .key = key, .kind = Kind::Slider});
    slider->setDelegate(this);
    return slider;
}

MCStepperTextField *MCStagePanelBinder::bindNumberField(MCStepperTextField *field, const QString &key)
{
    parameter(key);
    add({.control = field, .property = "objectValue", .key = key, .kind = Kind::NumberField});
    field->setDelegate(this);
    // After the binding has handed an edit over: when the field does not show the stage's
    // value (a refused or emptied entry, a nil the stage replaces later or not at all), it is
    // shown again on the next turn of the event loop, after the stage's own replacement.
    QObject::connect(field, &MCStepperTextFieldCell::objectValueChanged, m_watcher.get(),
                     [this, field = QPointer<MCStepperTextField>(field), key] {
                         if (!field || !m_stage)
                             return;
                         const QString shown = numberFormat(key).text(m_stage->valueForKey(key).toDouble());
                         const QVariant value = field->objectValue();
                         if (value.typeId() != QMetaType::QString || value.toString() != shown)
                             refreshNumberField(field, key);
                     });
    return field;
}

QAbstractButton *MCStagePanelBinder::bindCheckBox(QAbstractButton *button, const QString &key)
{
    button->setCheckable(true);
    add({.control = button, .property = "checked", .key = key});
    return button;
}

QLineEdit *MCStagePanelBinder::bindTextField(QLineEdit *field, const QString &key)
{
    add({.control = new MCCommittedTextRelay(field), .property = "text", .key = key, .kind = Kind::Text});
    return field;
}

QComboBox *MCStagePanelBinder::bindPopup(QComboBox *popup, const QString &key, const QVariantList &values)
{
    add({.control = popup, .property = "currentIndex", .key = key, .kind = Kind::Choice, .values = values});
    return popup;
}

MCSegmentedControl *MCStagePanelBinder::bindSegments(MCSegmentedControl *control, const QString &key,
                                                     const QVariantList &values)
{
    add({.control = control, .property = "selectedSegment", .key = key, .kind = Kind::Choice, .values = values});
    return control;
}

void MCStagePanelBinder::bind(QObject *control, const char *property, const QString &key, MCBindingOptions options)
{
    add({.control = control, .property = property, .key = key, .options = std::move(options)});
}

void MCStagePanelBinder::refreshNumberField(MCStepperTextField *field, const QString &key)
{
    QMetaObject::invokeMethod(
        m_watcher.get(),
        [this, field = QPointer<MCStepperTextField>(field), key] {
            if (!field)
                return;
            for (size_t i = 0; i < m_controls.size(); ++i) {
                if (m_controls[i].control == field && m_controls[i].key == key) {
                    // A new binding shows the stage's value at once.
                    m_bindings[i].reset();
                    m_bindings[i] = makeBinding(m_controls[i]);
                }
            }
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------- one undo step per press

QString MCStagePanelBinder::trackedKey(QObject *control) const
{
    for (const BoundControl &bound : m_controls)
        if (bound.control == control && (bound.kind == Kind::Slider || bound.kind == Kind::NumberField))
            return bound.key;
    return {};
}

void MCStagePanelBinder::startTracking(QObject *control, const QString &key)
{
    // A press whose end never came is ended first, so every switch-off is balanced.
    if (m_tracking)
        finishTracking(m_tracking->control);
    Tracking tracking;
    tracking.key = key;
    tracking.control = control;
    if (m_stage) {
        tracking.stage = m_stage;
        if (!key.isEmpty())
            tracking.before = m_stage->parameterValue(key);
        if (const std::shared_ptr<MCUndoManager> undoManager = m_stage->undoManager()) {
            tracking.undoManager = undoManager;
            undoManager->disableUndoRegistration();
        }
    }
    if (control)
        control->installEventFilter(m_watcher.get());
    m_tracking = std::move(tracking);
}

void MCStagePanelBinder::finishTracking(QObject *control)
{
    // The end of a press already ended (its control lost the mouse) is not a second end.
    if (!m_tracking || m_tracking->control != control)
        return;
    Tracking tracking = std::move(*m_tracking);
    m_tracking.reset();
    if (tracking.control)
        tracking.control->removeEventFilter(m_watcher.get());
    const std::shared_ptr<MCUndoManager> undoManager = tracking.undoManager.lock();
    if (!undoManager)
        return;
    undoManager->enableUndoRegistration();
    const std::shared_ptr<MCConvertStage> stage = tracking.stage.lock();
    if (!stage || tracking.key.isEmpty())
        return;
    // One inverse for the whole press, when it changed the value (exact comparison).
    if (stage->parameterValue(tracking.key) == tracking.before)
        return;
    undoManager->registerUndo(stage.get(), [weak = tracking.stage, key = tracking.key, before = tracking.before] {
        if (const std::shared_ptr<MCConvertStage> alive = weak.lock())
            alive->setParameterValue(key, before);
    });
}

void MCStagePanelBinder::beginTracking(const QString &key, QObject *control) { startTracking(control, key); }

void MCStagePanelBinder::endTracking()
{
    if (m_tracking)
        finishTracking(m_tracking->control);
}

void MCStagePanelBinder::sliderWillStartTracking(MCSlider *slider) { startTracking(slider, trackedKey(slider)); }

void MCStagePanelBinder::sliderDidFinishTracking(MCSlider *slider) { finishTracking(slider); }

void MCStagePanelBinder::stepperTextFieldWillStartTracking(MCStepperTextField *field)
{
    startTracking(field, trackedKey(field));
}

void MCStagePanelBinder::stepperTextFieldDidFinishTracking(MCStepperTextField *field) { finishTracking(field); }
