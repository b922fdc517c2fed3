#include "app/shell/MCFileOperationProgressWindowController.h"

#include "app/library/MCFile.h"
#include "app/uikit/MCButtonCell.h"

#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

// How long the bar takes to glide to a new value.
constexpr int kProgressAnimationMs = 200;

QLabel *newLabel(QWidget *parent, double alpha)
{
    auto *label = new QLabel(parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(1, 1, 1, float(alpha)));
    label->setPalette(palette);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QProgressBar *newProgressBar(QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setTextVisible(false);
    bar->setFixedHeight(12);
    bar->setAccessibleName(QObject::tr("Progress"));
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Highlight, QColor::fromHsvF(212.0f / 360.0f, 0.5f, 1.0f));
    palette.setColor(QPalette::Base, QColor::fromRgbF(0, 0, 0, 0.35f));
    palette.setColor(QPalette::Window, QColor::fromRgbF(0, 0, 0, 0.35f));
    bar->setPalette(palette);
    return bar;
}

int barValue(double value) { return int(std::clamp<double>(value, 0.0, double(INT_MAX))); }

} // namespace

// ------------------------------------------------------------------------------------------------

MCFileOperationProgressWindowController::MCFileOperationProgressWindowController(QObject *parent)
    : MCDialogController(parent)
{
}

MCFileOperationProgressWindowController::~MCFileOperationProgressWindowController()
{
    if (m_fileOperation) {
        m_fileOperation->setDelegate(nullptr);
        m_fileOperation->cancel();
    }
}

QString MCFileOperationProgressWindowController::windowNibName() const
{
    return QStringLiteral("MCFileOperationProgressWindowController");
}

QDialog *MCFileOperationProgressWindowController::loadWindow()
{
    QWidget *content = nullptr;
    QDialog *dialog = newThemedWindow(&content);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(8);
    m_stageLabel = newLabel(content, 0.9);
    QFont stageFont = m_stageLabel->font();
    stageFont.setBold(true);
    m_stageLabel->setFont(stageFont);
    m_fileLabel = newLabel(content, 0.6);
    m_fileLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_fileLabel->setMinimumWidth(360);
    m_fileLabel->setAccessibleName(tr("File"));
    m_progressIndicator = newProgressBar(content);
    m_stopButton = new MCBlueButtonCell(tr("Stop"), content);
    m_stopButton->setAccessibleName(tr("Stop"));
    m_stopButton->setFocusPolicy(Qt::StrongFocus);
    m_stopButton->setMinimumWidth(88);
    connect(m_stopButton, &QAbstractButton::clicked, this, [this] { defaultButtonClick(); });
    setDefaultButton(m_stopButton);

    layout->addWidget(m_stageLabel);
    layout->addWidget(m_progressIndicator);
    layout->addWidget(m_fileLabel);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_stopButton);
    layout->addLayout(buttons);
    dialog->setWindowTitle(tr("Progress"));

    // The bar glides to each new value.
    m_animation = new QPropertyAnimation(m_progressIndicator, "value", dialog);
    m_animation->setDuration(kProgressAnimationMs);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    return dialog;
}

QProgressBar *MCFileOperationProgressWindowController::progressIndicator()
{
    window();
    return m_progressIndicator;
}

QLabel *MCFileOperationProgressWindowController::stageLabel()
{
    window();
    return m_stageLabel;
}

QLabel *MCFileOperationProgressWindowController::fileLabel()
{
    window();
    return m_fileLabel;
}

QAbstractButton *MCFileOperationProgressWindowController::stopButton()
{
    window();
    return m_stopButton;
}

void MCFileOperationProgressWindowController::beginSheetForHostWindow(QWidget *hostWindow,
                                                                      const std::shared_ptr<MCFileOperation> &operation)
{
    if (!operation || operation->maxProgress() == 0)
        return;
    if (m_fileOperation && m_fileOperation != operation)
        m_fileOperation->setDelegate(nullptr);
    m_fileOperation = operation;
    operation->setDelegate(this);
    if (!window())
        return;
    if (m_animation)
        m_animation->stop();
    m_fileLabel->clear();
    m_progressIndicator->setMinimum(0);
    m_progressIndicator->setMaximum(barValue(double(operation->maxProgress())));
    m_progressIndicator->setValue(0);
    m_targetProgress = 0;
    if (!isShown())
        beginSheetModalForWindow(hostWindow);
}

void MCFileOperationProgressWindowController::setFileOperationProgress(double progress, const QString &path)
{
    if (!window())
        return;
    m_fileLabel->setText(path);
    m_targetProgress = progress;
    const int value = barValue(progress);
    if (!m_animation || !m_progressIndicator->isVisible()) {
        m_progressIndicator->setValue(value);
        return;
    }
    m_animation->stop();
    m_animation->setStartValue(m_progressIndicator->value());
    m_animation->setEndValue(value);
    m_animation->start();
}

void MCFileOperationProgressWindowController::fileOperationDidStart(MCFileOperation &operation) { Q_UNUSED(operation); }

void MCFileOperationProgressWindowController::fileOperationWillProcessFile(MCFileOperation &operation,
                                                                           const std::shared_ptr<MCFile> &file)
{
    if (m_fileOperation.get() != &operation || !file)
        return;
    setFileOperationProgress(double(operation.currentProgress()), QFileInfo(file->filePath()).fileName());
}

void MCFileOperationProgressWindowController::fileOperationDidFinish(MCFileOperation &operation)
{
    if (m_fileOperation.get() != &operation)
        return;
    defaultButtonClick();
}

void MCFileOperationProgressWindowController::handleDefaultButtonClick() { stopFileOperation(); }

void MCFileOperationProgressWindowController::handleAlternateButtonClick() { stopFileOperation(); }

void MCFileOperationProgressWindowController::stopFileOperation()
{
    if (!m_fileOperation)
        return;
    // Cancelling an operation that has finished changes nothing.
    const std::shared_ptr<MCFileOperation> operation = std::exchange(m_fileOperation, nullptr);
    operation->cancel();
    operation->setDelegate(nullptr);
}

// ------------------------------------------------------------------------------------------------

MCSimpleProgressWindowController::MCSimpleProgressWindowController(QObject *parent) : MCDialogController(parent) {}

QString MCSimpleProgressWindowController::windowNibName() const
{
    return QStringLiteral("MCSimpleProgressWindowController");
}

QDialog *MCSimpleProgressWindowController::loadWindow()
{
    QWidget *content = nullptr;
    QDialog *dialog = newThemedWindow(&content);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(8);
    m_progressLabel = newLabel(content, 0.9);
    m_progressLabel->setMinimumWidth(360);
    m_progressIndicator = newProgressBar(content);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_progressIndicator);
    return dialog;
}

QProgressBar *MCSimpleProgressWindowController::progressIndicator()
{
    window();
    return m_progressIndicator;
}

QLabel *MCSimpleProgressWindowController::progressLabel()
{
    window();
    return m_progressLabel;
}
