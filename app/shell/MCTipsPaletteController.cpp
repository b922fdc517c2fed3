#include "app/shell/MCTipsPaletteController.h"

#include "app/uikit/MCPaletteWindow.h"

#include "app/shell/MCTipsViews.h"
#include "app/uikit/MCScroller.h"
#include "halvard/ui/MCImageView.h"
#include "platform/core/MCBundle.h"
#include "platform/core/MCUserDefaults.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

const QString kMCLastShownTipsVersionKey = QStringLiteral("LastShownTipsVersion");

namespace {

constexpr QSize kWindowSize(640, 360);
constexpr QSize kPictureSize(280, 220);

// The platform's points are our device-independent pixels, as in every themed control.
QFont systemFont(int points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(points);
    return font;
}

// The palette's blue: hue 212°, half saturated, full brightness.
QColor tipsBlue() { return QColor::fromHsvF(212.0f / 360.0f, 0.5f, 1.0f, 1.0f); }

// The label colour of the dark look.
QColor labelColor() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.85f); }

MCTextAttributes blockStyle(int points, MCParagraphStyle paragraph, const QColor &color)
{
    MCTextAttributes attributes;
    attributes.font = systemFont(points);
    attributes.foregroundColor = color;
    attributes.paragraphStyle = paragraph;
    return attributes;
}

} // namespace

MCTipsPaletteController::MCTipsPaletteController(QObject *parent)
    : MCTipsPaletteController(platform::pathForResource(QStringLiteral("Tips")), parent)
{
}

MCTipsPaletteController::MCTipsPaletteController(const QString &tipsFolder, QObject *parent) : QObject(parent)
{
    const PageFiles pages = pagesInFolder(tipsFolder);
    m_imagePaths = pages.imagePaths;
    m_taggedTextPaths = pages.taggedTextPaths;
}

MCTipsPaletteController::~MCTipsPaletteController()
{
    // Later, not now: the controller may be going away from inside its window's close event.
    if (m_window) {
        m_window->hide();
        m_window->deleteLater();
    }
}

bool MCTipsPaletteController::shouldShowTipsAfterLaunch()
{
    return MCUserDefaults::standardUserDefaults().integerForKey(kMCLastShownTipsVersionKey) != kCurrentTipsVersion;
}

MCTipsPaletteController *MCTipsPaletteController::showTips(QObject *parent, std::function<void()> completion)
{
    auto *controller = new MCTipsPaletteController(parent);
    QPointer<MCTipsPaletteController> guard(controller);
    controller->showTipsWithCompletion([guard, completion = std::move(completion)] {
        if (completion)
            completion();
        if (guard)
            guard->deleteLater();
    });
    return controller;
}

MCTipsPaletteController::PageFiles MCTipsPaletteController::pagesInFolder(const QString &folder)
{
    PageFiles pages;
    if (folder.isEmpty())
        return pages;
    for (qint64 n = 1;; ++n) {
        const QString base = folder + QStringLiteral("/TipPage%1").arg(n);
        const QString image = base + QStringLiteral(".png");
        const QString text = base + QStringLiteral(".txt");
        if (!QFileInfo(image).isFile() || !QFileInfo(text).isFile())
            break;
        pages.imagePaths << image;
        pages.taggedTextPaths << text;
    }
    return pages;
}

const MCTaggedTextParser::StyleMap &MCTipsPaletteController::taggedTextStyleMap()
{
    static const MCTaggedTextParser::StyleMap map = [] {
        MCTaggedTextParser::StyleMap styles;
        styles.insert(QStringLiteral("h1"), blockStyle(19, {16, 0, 0}, tipsBlue()));
        styles.insert(QStringLiteral("h2"), blockStyle(14, {16, 0, 0}, labelColor()));
        styles.insert(QStringLiteral("li"), blockStyle(14, {8, 0, 0}, labelColor()));
        styles.insert(QStringLiteral("lli"), blockStyle(14, {8, 24, 24}, labelColor()));
        MCTextAttributes emphasis;
        emphasis.foregroundColor = tipsBlue();
        styles.insert(QStringLiteral("em"), emphasis);
        return styles;
    }();
    return map;
}

QWidget *MCTipsPaletteController::window()
{
    if (!m_window)
        loadWindow();
    return m_window;
}

void MCTipsPaletteController::loadWindow()
{
    // Closing tells the controller (which may delete itself then, never the window at once);
    // the window moves when its background is dragged.
    auto *window = new MCPaletteWindow(
        [controller = QPointer<MCTipsPaletteController>(this)] {
            if (controller)
                controller->windowWillClose();
        },
        true);
    m_window = window;
    window->setObjectName(QStringLiteral("MCTipsPaletteController"));
    window->setWindowTitle(tr("Tips"));
    window->setFixedSize(kWindowSize);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *top = new MCTipsTopView(window);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 2);
    topLayout->setSpacing(0);
    m_pageView = new MCImageView(top);
    m_pageView->setImageScaling(MCImageScaling::ProportionallyDown);
    m_pageView->setFixedWidth(kPictureSize.width() + 40);
    m_pageView->setAccessibleName(tr("Tip picture"));
    // Dragging the picture moves the window too.
    m_pageView->setAttribute(Qt::WA_TransparentForMouseEvents);
    topLayout->addWidget(m_pageView);

    auto *right = new MCTipsRightView(top);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(18, 18, 18, 12);
    m_pageTextView = new QTextEdit(right);
    m_pageTextView->setReadOnly(true);
    m_pageTextView->setFrameShape(QFrame::NoFrame);
    m_pageTextView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pageTextView->setAccessibleName(tr("Tip"));
    m_pageTextView->setFocusPolicy(Qt::TabFocus);
    m_pageTextView->viewport()->setAutoFillBackground(false);
    m_pageTextView->setAttribute(Qt::WA_TranslucentBackground);
    QPalette textPalette = m_pageTextView->palette();
    textPalette.setColor(QPalette::Base, Qt::transparent);
    textPalette.setColor(QPalette::Text, labelColor());
    m_pageTextView->setPalette(textPalette);
    m_pageTextView->setVerticalScrollBar(new MCBaseScroller(Qt::Vertical));
    m_pageTextView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pageTextView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rightLayout->addWidget(m_pageTextView);
    topLayout->addWidget(right, 1);
    layout->addWidget(top, 1);

    auto *bottom = new MCTipsBottomView(window);
    bottom->setFixedHeight(48);
    auto *bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(16, 2, 16, 0);
    bottomLayout->setSpacing(10);
    m_pageLabel = new QLabel(bottom);
    QPalette labelPalette = m_pageLabel->palette();
    labelPalette.setColor(QPalette::WindowText, QColor::fromRgbF(1, 1, 1, 0.6f));
    m_pageLabel->setPalette(labelPalette);
    m_pageLabel->setAccessibleName(tr("Page"));
    bottomLayout->addWidget(m_pageLabel);
    bottomLayout->addStretch(1);
    m_prevPageButton = new MCTipsButtonCell(tr("Previous"), bottom);
    m_nextPageButton = new MCTipsButtonCell(tr("Next"), bottom);
    for (MCTipsButtonCell *button : {m_prevPageButton.data(), m_nextPageButton.data()}) {
        button->setMinimumWidth(96);
        button->setFocusPolicy(Qt::StrongFocus);
        bottomLayout->addWidget(button);
    }
    m_prevPageButton->setAccessibleName(tr("Previous"));
    connect(m_prevPageButton, &QAbstractButton::clicked, this, &MCTipsPaletteController::prevPage);
    connect(m_nextPageButton, &QAbstractButton::clicked, this, &MCTipsPaletteController::nextPage);
    layout->addWidget(bottom);
    QWidget::setTabOrder(m_nextPageButton, m_prevPageButton);
    QWidget::setTabOrder(m_prevPageButton, m_pageTextView);

    if (m_imagePaths.isEmpty()) {
        m_pageLabel->clear();
        m_prevPageButton->setEnabled(false);
        m_nextPageButton->setEnabled(false);
        m_nextPageButton->setAccessibleName(m_nextPageButton->text());
    } else {
        moveToPage(0);
    }
}

void MCTipsPaletteController::moveToPage(int index)
{
    if (!window() || index < 0 || index >= pageCount())
        return;
    m_currentPage = index;
    m_pageView->setImage(QImage(m_imagePaths[index]));

    MCTaggedTextParser parser(taggedTextStyleMap());
    QTextDocument *document = parser.attributedStringFromURL(m_taggedTextPaths[index]).newTextDocument().release();
    document->setParent(m_pageTextView);
    // The text view deletes the document it made itself; the ones set here are deleted here.
    QPointer<QTextDocument> previous = m_pageTextView->document();
    const bool ownPrevious = previous && previous->parent() == m_pageTextView;
    m_pageTextView->setDocument(document);
    if (ownPrevious && previous)
        delete previous.data();

    m_pageLabel->setText(tr("%1 of %2 pages").arg(index + 1).arg(pageCount()));
    m_prevPageButton->setEnabled(index != 0);
    m_nextPageButton->setEnabled(true);
    m_nextPageButton->setText(index < pageCount() - 1 ? tr("Next") : tr("Got it"));
    m_nextPageButton->setAccessibleName(m_nextPageButton->text());
}

void MCTipsPaletteController::nextPage()
{
    if (m_currentPage >= pageCount() - 1) {
        if (m_window)
            m_window->close();
        return;
    }
    moveToPage(m_currentPage + 1);
}

void MCTipsPaletteController::prevPage() { moveToPage(m_currentPage - 1); }

void MCTipsPaletteController::showTipsWithCompletion(std::function<void()> completion)
{
    if (!m_completion)
        m_completion = std::move(completion);
    static_cast<MCPaletteWindow *>(window())->showCentred();
}

void MCTipsPaletteController::hideTips()
{
    if (m_window)
        m_window->close();
}

void MCTipsPaletteController::windowWillClose()
{
    MCUserDefaults::standardUserDefaults().setInteger(kCurrentTipsVersion, kMCLastShownTipsVersionKey);
    // Taken out first: the handler may release this controller, and runs only once.
    if (std::function<void()> completion = std::exchange(m_completion, nullptr))
        completion();
}
