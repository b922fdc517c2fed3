#pragma once

// The progress sheet of a batch file operation (convert, edit metadata, rename, copy, move, set
// file dates): a label naming the work, the name of the file being processed, a bar from 0 to the
// operation's item count and a Stop button. While shown it is the operation's delegate and owns
// the operation; it closes by itself when the operation finishes, and at once when the user
// stops it (the operation then finishes its current item and reports cancellation to its
// completion, no longer to the sheet). One controller serves one window for every operation
// started there, one after another.
//
// Use: set stageLabel()'s text (and the Stop button's tool tip), beginSheetForHostWindow(), then
// queue the operation.
#include "app/library/MCFileOperation.h"
#include "app/shell/MCDialogController.h"

#include <QPointer>

#include <memory>

class QLabel;
class QProgressBar;
class QPropertyAnimation;

class MCFileOperationProgressWindowController : public MCDialogController, public MCFileOperationDelegate
{
    Q_OBJECT
public:
    explicit MCFileOperationProgressWindowController(QObject *parent = nullptr);
    // Clears the delegate link of the operation shown and cancels it.
    ~MCFileOperationProgressWindowController() override;

    QString windowNibName() const override;

    // The operation shown; nullptr between operations.
    std::shared_ptr<MCFileOperation> fileOperation() const { return m_fileOperation; }

    // The window's parts (the window is made when first asked for).
    QProgressBar *progressIndicator();
    QLabel *stageLabel();
    QLabel *fileLabel();
    QAbstractButton *stopButton();

    // Shows the sheet over `hostWindow` for `operation`: nothing at all when the operation has
    // nothing to do (maxProgress() 0). An operation shown before is let go (not cancelled); the
    // sheet then shows the new one.
    void beginSheetForHostWindow(QWidget *hostWindow, const std::shared_ptr<MCFileOperation> &operation);

    // The file label shows `path`; the bar glides to `progress`.
    void setFileOperationProgress(double progress, const QString &path);
    // Where the bar is going (the end of its glide).
    double targetProgress() const { return m_targetProgress; }

    // MCFileOperationDelegate: callbacks about another operation than the one shown are ignored.
    void fileOperationDidStart(MCFileOperation &operation) override;
    void fileOperationWillProcessFile(MCFileOperation &operation, const std::shared_ptr<MCFile> &file) override;
    void fileOperationDidFinish(MCFileOperation &operation) override;

protected:
    QDialog *loadWindow() override;
    // Stop: cancels the operation, lets go of it and closes the sheet.
    void handleDefaultButtonClick() override;
    void handleAlternateButtonClick() override;

private:
    void stopFileOperation();

    std::shared_ptr<MCFileOperation> m_fileOperation;
    QPointer<QProgressBar> m_progressIndicator;
    QPointer<QLabel> m_stageLabel;
    QPointer<QLabel> m_fileLabel;
    QPointer<QAbstractButton> m_stopButton;
    QPointer<QPropertyAnimation> m_animation;
    double m_targetProgress = 0;
};

// A plainer sheet of the same family: a bar and a label.
class MCSimpleProgressWindowController : public MCDialogController
{
    Q_OBJECT
public:
    explicit MCSimpleProgressWindowController(QObject *parent = nullptr);
    QString windowNibName() const override;

    QProgressBar *progressIndicator();
    QLabel *progressLabel();

protected:
    QDialog *loadWindow() override;

private:
    QPointer<QProgressBar> m_progressIndicator;
    QPointer<QLabel> m_progressLabel;
};
