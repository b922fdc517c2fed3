#pragma once

// The base of every dialog of the application: a controller that owns one QDialog, made on first
// use, shows it either as a sheet (a window-modal dialog over another window, which returns at
// once and reports its result to a handler) or as an application-modal window (runModal, which
// returns the result), and ends it with a result code: 1000 for the default button, 1001 for the
// alternate button, 1002 for the other button. Any other code may be passed to
// finishWithResultCode() and is handed on unchanged, without a button hook.
//
// Subclasses build their window in loadWindow() and fill in hooks. The order for one show:
//   windowDidLoad -> initializeWindow (first load only) -> prepareToShow -> (the user works;
//   updateItems after input; a button -> its button hook) -> prepareToClose -> window hidden ->
//   the sheet's handler.
// A subclass that must refuse to close (after a failed check, say) overrides the button action
// and does not call the base's.
//
// Keys: Return and Enter click the default button (when one is set and enabled); Escape and the
// window's close button send cancelOperation(), which is the alternate button unless overridden.
// Main thread only.
#include <QAbstractButton>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QBoxLayout;
class QDialog;
class QEventLoop;
class QWidget;

enum MCDialogResultCode : int {
    MCDialogDefaultReturn = 1000,   // the default button
    MCDialogAlternateReturn = 1001, // the alternate button (Cancel)
    MCDialogOtherReturn = 1002,     // the other button
};

// Where a sheet of `sheetSize` goes over a host window whose client area is `hostFrame` (global
// coordinates, y down): centred horizontally and hanging from the host's top edge. A sheet wider
// than its host starts at the host's left edge.
QPoint MCSheetOrigin(const QRect &hostFrame, const QSize &sheetSize);

class MCDialogController : public QObject
{
    Q_OBJECT
public:
    using CompletionHandler = std::function<void(int resultCode)>;

    explicit MCDialogController(QObject *parent = nullptr);
    ~MCDialogController() override;

    // The name of the window this controller makes (also the dialog's object name).
    virtual QString windowNibName() const;

    // The window, made by loadWindow() and set up by windowDidLoad() the first time it is asked
    // for; nullptr when the controller has none.
    QDialog *window();
    bool isWindowLoaded() const { return m_window != nullptr; }

    // Shows the window as a window-modal sheet over `hostWindow`'s window and returns at once.
    // When the sheet ends, prepareToClose() runs, the window is hidden and then `handler` (when
    // given) is called with the result code. Without a window nothing happens and the handler is
    // never called. A controller whose sheet or modal run is open already ignores the call.
    void beginSheetModalForWindow(QWidget *hostWindow, CompletionHandler handler = {});
    // Shows the window application-modal and runs until finishWithResultCode(); answers that
    // code (0 when there is no window, or when a sheet or modal run is open already).
    int runModal();

    // Ends the dialog: the button hook of 1000, 1001 or 1002 (none for other codes), then ends
    // the sheet or the modal run with the code. Without either only the hook runs.
    void finishWithResultCode(int code);

    // True while the window is shown as a sheet or runs modally.
    bool isShown() const { return m_mode != Mode::Closed; }
    bool isSheet() const { return m_mode == Mode::Sheet; }
    // The window the sheet is shown over, while it is.
    QWidget *sheetParent() const { return m_mode == Mode::Sheet ? m_sheetParent.data() : nullptr; }

    // The button that Return and Enter click; nullptr for none.
    QAbstractButton *defaultButton() const { return m_defaultButton; }
    void setDefaultButton(QAbstractButton *button) { m_defaultButton = button; }

public slots:
    // The buttons' actions: finishWithResultCode() with 1000, 1001 and 1002.
    virtual void defaultButtonClick();
    virtual void alternateButtonClick();
    virtual void otherButtonClick();

protected:
    // A row of Cancel and OK at the right, appended to `layout`: Cancel clicks the alternate
    // button, OK the default button and becomes the default button. Answers OK.
    QAbstractButton *addCancelAndOKButtons(QBoxLayout *layout, QWidget *parent);

    // Builds the window and its controls; the controller owns it. The base has none.
    virtual QDialog *loadWindow();
    // A new dialog window in the application's look: its whole area is the light themed
    // background (which follows the theme setting); the controls go into `*content`.
    static QDialog *newThemedWindow(QWidget **content);
    // After the window is made: sends initializeWindow(). Overrides call the base first.
    virtual void windowDidLoad();

    // Hooks, empty in the base.
    virtual void initializeWindow() {}
    virtual void prepareToShow() {}
    virtual void handleDefaultButtonClick() {}
    virtual void handleAlternateButtonClick() {}
    virtual void handleOtherButtonClick() {}
    virtual void prepareToClose() {}
    // After input reached the window (coalesced to once per event-loop pass) and when it is
    // shown: the place to enable or disable controls.
    virtual void updateItems() {}

    // Escape or the window's close button: the alternate button in the base.
    virtual void cancelOperation();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Mode { Closed, Sheet, Modal };

    void scheduleUpdateItems();
    void setWatchesInput(bool watches);
    void endSheet(int code);
    void windowDestroyed();

    QPointer<QDialog> m_window;
    const QObject *m_windowObject = nullptr; // the same window, for identity tests during its destruction
    bool m_loading = false;
    Mode m_mode = Mode::Closed;
    QPointer<QWidget> m_sheetParent;
    CompletionHandler m_sheetHandler;
    QEventLoop *m_modalLoop = nullptr;
    int m_modalCode = 0;
    bool m_updateScheduled = false;
    QPointer<QAbstractButton> m_defaultButton;
};
