#pragma once

// MCStagePanelForm: builds the rows of a stage editor panel and binds each control to its
// stage key through the panel's MCStagePanelBinder, so a panel's view is a short list of rows:
//
//     void buildView(MCStagePanelForm &form) override
//     {
//         form.addNumberRow(tr("Hue"), MCConvertHSL::kHueKey);        // slider + stepper field
//         form.addCheckBox(tr("Only if missing"), u"setsOnlyIfMissing"_s);
//         form.addPopupRow(tr("Method"), u"method"_s, {{tr("Average"), 0}, {tr("Lightness"), 6}});
//     }
//
// Rows stack in a grid of three columns: a label, the control (a slider or a wide control)
// and, for numbers, the stepper field. Every control gets the row's label as its accessible
// name and is reachable by Tab in row order. A panel with a layout of its own may add any
// widget with addRow() and bind it with binder() itself.
#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

class MCSlider;
class MCStagePanelBinder;
class MCStepperTextField;
class QAbstractButton;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

class MCStagePanelForm
{
public:
    // Geometry of the rows.
    static constexpr int kMargin = 8;       // left and right
    static constexpr int kTopMargin = 6;    // above the first row and below the last
    static constexpr int kRowSpacing = 4;
    static constexpr int kLabelWidth = 84;
    static constexpr int kFieldWidth = 70;  // a number field
    static constexpr int kRowHeight = 20;

    MCStagePanelForm(QWidget *view, MCStagePanelBinder &binder);

    QWidget *view() const { return m_view; }
    MCStagePanelBinder &binder() const { return m_binder; }
    QGridLayout *layout() const { return m_layout; }

    struct NumberRow
    {
        MCSlider *slider = nullptr;
        MCStepperTextField *field = nullptr;
    };
    // A slider and a stepper field bound to the number `key`.
    NumberRow addNumberRow(const QString &label, const QString &key);
    // A check box bound to the flag `key`, its title on the right.
    QAbstractButton *addCheckBox(const QString &title, const QString &key);
    // A text field bound to the text `key` (written when editing ends).
    QLineEdit *addTextRow(const QString &label, const QString &key, const QString &placeholder = QString());
    // A check box (the flag) that switches a text field (the text) on and off.
    std::pair<QAbstractButton *, QLineEdit *> addCheckedTextRow(const QString &title, const QString &flagKey,
                                                                const QString &textKey);
    // A pop-up of titled values bound to `key`.
    using Items = QList<std::pair<QString, QVariant>>;
    QComboBox *addPopupRow(const QString &label, const QString &key, const Items &items);
    // A line of explanatory text across the panel.
    QLabel *addNote(const QString &text);
    // Any widget in the control column (spanning the field column too when `wide`), with a
    // label when one is given; answers the row.
    int addRow(const QString &label, QWidget *control, bool wide = true);

private:
    QLabel *makeLabel(const QString &text);
    int nextRow();

    QWidget *m_view;
    MCStagePanelBinder &m_binder;
    QGridLayout *m_layout;
    QWidget *m_lastControl = nullptr; // for the Tab order
};
