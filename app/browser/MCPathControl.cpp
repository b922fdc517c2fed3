#include "app/browser/MCPathControl.h"

#include "app/browser/MCBrowserImages.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/desktop/MCWorkspace.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kIconGap = 3.0;
constexpr double kLeadingPadding = 5.0; // keeps the icon clear of the arrow before it
constexpr double kArrowRoom = 12.0;
constexpr double kLeftMargin = 4.0;
const char *const kNeedsURL = "needsURL";

} // namespace

QList<QRectF> MCPathComponentFrames(const QList<double> &naturalWidths, const QRectF &bounds, double minimumWidth)
{
    QList<double> widths = naturalWidths;
    double total = kLeftMargin;
    for (double width : widths)
        total += width;
    double excess = total - bounds.width();
    // The components nearest the root give way first, then the last one.
    for (qsizetype i = 0; excess > 0 && i < widths.size(); ++i) {
        const qsizetype index = i < widths.size() - 1 ? i : widths.size() - 1;
        const double give = std::min(excess, std::max(0.0, widths[index] - minimumWidth));
        widths[index] -= give;
        excess -= give;
    }
    QList<QRectF> frames;
    double x = bounds.left() + kLeftMargin;
    for (double width : widths) {
        frames.append(QRectF(x, bounds.top(), width, bounds.height()));
        x += width;
    }
    return frames;
}

QRectF MCPathArrowRect(const QRectF &frame, const QSizeF &arrow)
{
    const double x = std::ceil(frame.right() - arrow.width() * 0.5) - 2.0;
    const double y = std::ceil(frame.top() + frame.height() * 0.5 - arrow.height() * 0.5);
    return QRectF(x, y, arrow.width(), arrow.height());
}

QStringList MCPathComponentPaths(const QString &path)
{
    if (path.isEmpty() || !path.startsWith(QLatin1Char('/')))
        return {};
    QStringList paths{QStringLiteral("/")};
    QString current;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + part;
        paths.append(current);
    }
    return paths;
}

// ---- component cells

MCPathComponentCell::~MCPathComponentCell() = default;

QFont MCPathComponentCell::font() const
{
    return MCControlFont(MCControlSize::Small);
}

double MCPathComponentCell::naturalWidth() const
{
    const QFontMetricsF metrics(font());
    return std::ceil(kLeadingPadding + kIconSize + kIconGap + metrics.horizontalAdvance(m_title) + kArrowRoom);
}

QRectF MCPathComponentCell::iconRectForFrame(const QRectF &frame) const
{
    return QRectF(frame.left() + kLeadingPadding, frame.top() + (frame.height() - kIconSize) / 2, kIconSize, kIconSize);
}

QRectF MCPathComponentCell::titleRectForFrame(const QRectF &frame) const
{
    const double lead = kLeadingPadding + kIconSize + kIconGap;
    return QRectF(frame.left() + lead, frame.top(), frame.width() - lead - kArrowRoom, frame.height());
}

void MCPathComponentCell::drawTitle(QPainter *painter, const QRectF &rect, const QColor &colour) const
{
    if (rect.width() <= 0)
        return;
    painter->save();
    painter->setFont(font());
    const QString shown = QFontMetricsF(font()).elidedText(m_title, Qt::ElideMiddle, rect.width());
    if (colour.isValid())
        painter->setPen(colour);
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter->restore();
}

void MCPathComponentCell::drawInteriorWithFrame(QPainter *painter, const QRectF &frame, QWidget *)
{
    if (!m_image.isNull())
        m_image.paint(painter, iconRectForFrame(frame).toAlignedRect());
    drawTitle(painter, titleRectForFrame(frame), m_textColor);
}

QFont MCWhitePathComponentCell::font() const
{
    QFont font = MCControlFont(MCControlSize::Small);
    font.setBold(true);
    return font;
}

void MCWhitePathComponentCell::drawInteriorWithFrame(QPainter *painter, const QRectF &frame, QWidget *)
{
    if (!image().isNull())
        image().paint(painter, iconRectForFrame(frame).toAlignedRect());
    // The text over its shadow: the platform's default shadow (black at a third) one point up.
    const QRectF title = titleRectForFrame(frame);
    drawTitle(painter, title.translated(0, -1), MCColorQuillon::colorWithWhite(0.0, 1.0 / 3.0));
    drawTitle(painter, title, textColor());

    const QImage arrow = MCBrowserImages::imageNamed(QStringLiteral("PathWhiteArrow"));
    if (m_drawsArrow && !arrow.isNull())
        painter->drawImage(MCPathArrowRect(frame, MCBrowserImages::pointSize(arrow)), arrow);
}

// ---- path cells

MCPathCell::MCPathCell() = default;
MCPathCell::~MCPathCell() = default;

std::shared_ptr<MCPathComponentCell> MCPathCell::newPathComponentCell() const
{
    return std::make_shared<MCPathComponentCell>();
}

void MCPathCell::setURL(const QString &path)
{
    m_URL = path;
    m_components.clear();
    m_clicked.reset();
    static QFileIconProvider *const icons = new QFileIconProvider;
    const QStringList paths = MCPathComponentPaths(path);
    for (const QString &componentPath : paths) {
        auto cell = newPathComponentCell();
        const QString name = QFileInfo(componentPath).fileName();
        cell->setTitle(name.isEmpty() ? componentPath : name);
        cell->setURL(componentPath);
        // The file's own icon; for what is no longer there a folder icon, or a file icon for
        // a last component with an extension (every other component is a folder).
        const QFileInfo info(componentPath);
        const bool file = componentPath == paths.constLast() && !info.suffix().isEmpty();
        cell->setImage(info.exists() ? icons->icon(info)
                                     : icons->icon(file ? QFileIconProvider::File : QFileIconProvider::Folder));
        m_components.append(cell);
    }
}

void MCPathCell::pathControlOpen()
{
    if (!m_clicked || m_clicked->URL().isEmpty())
        return;
    MCWorkspace::sharedWorkspace().openFiles({m_clicked->URL()});
}

void MCPathCell::pathControlRevealInFinder()
{
    if (!m_clicked || m_clicked->URL().isEmpty())
        return;
    MCWorkspace::sharedWorkspace().activateFileViewerSelectingURLs({m_clicked->URL()});
}

QMenu *MCPathCell::emptyMenu()
{
    static QPointer<QMenu> menu;
    if (!menu)
        menu = new QMenu(QString()); // one for the program, never filled
    return menu;
}

QMenu *MCPathCell::menuForEvent(QMenu *menu) const
{
    return m_clicked && menu ? menu : emptyMenu();
}

std::shared_ptr<MCPathComponentCell> MCWhitePathCell::newPathComponentCell() const
{
    return std::make_shared<MCWhitePathComponentCell>();
}

void MCWhitePathCell::setURL(const QString &path)
{
    MCPathCell::setURL(path);
    const auto &cells = pathComponentCells();
    for (const auto &cell : cells) {
        auto *white = static_cast<MCWhitePathComponentCell *>(cell.get());
        white->setDrawsArrow(true);
        white->setTextColor(MCColorQuillon::colorWithWhite(0.92));
    }
    if (!cells.isEmpty())
        static_cast<MCWhitePathComponentCell *>(cells.last().get())->setDrawsArrow(false);
}

// ---- control

MCPathControl::MCPathControl(QWidget *parent, std::unique_ptr<MCPathCell> cell)
    : QWidget(parent), m_cell(cell ? std::move(cell) : std::make_unique<MCWhitePathCell>())
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Path"));
    auto *menu = new QMenu(this);
    QAction *open = menu->addAction(tr("Open"), this, [this] { m_cell->pathControlOpen(); });
    open->setData(QString::fromLatin1(kNeedsURL));
    QAction *reveal = menu->addAction(tr("Show in File Manager"), this, [this] { m_cell->pathControlRevealInFinder(); });
    reveal->setData(QString::fromLatin1(kNeedsURL));
    m_menu = menu;
}

MCPathControl::~MCPathControl() = default;

void MCPathControl::setURL(const QString &path)
{
    m_cell->setURL(path);
    m_focusedComponent = -1;
    setToolTip(path);
    updateGeometry();
    update();
}

void MCPathControl::setURLs(const QStringList &paths)
{
    setURL(MCURLExtensions::commonURLForURLs(paths));
}

void MCPathControl::setPathMenu(QMenu *menu)
{
    m_menu = menu;
}

QList<QRectF> MCPathControl::componentFrames() const
{
    QList<double> widths;
    for (const auto &cell : m_cell->pathComponentCells())
        widths.append(cell->naturalWidth());
    return MCPathComponentFrames(widths, QRectF(rect()), kLeadingPadding + MCPathComponentCell::kIconSize + kArrowRoom);
}

int MCPathControl::componentIndexAtPoint(const QPointF &point) const
{
    const QList<QRectF> frames = componentFrames();
    for (int i = 0; i < frames.size(); ++i)
        if (frames[i].contains(point))
            return i;
    return -1;
}

void MCPathControl::clickAt(const QPointF &point)
{
    const int index = componentIndexAtPoint(point);
    m_cell->setClickedPathComponentCell(index >= 0 ? m_cell->pathComponentCells().at(index) : nullptr);
}

void MCPathControl::updateMenuItems()
{
    if (!m_menu)
        return;
    const MCPathComponentCell *clicked = m_cell->clickedPathComponentCell();
    const bool hasURL = clicked && !clicked->URL().isEmpty();
    for (QAction *action : m_menu->actions())
        if (action->data().toString() == QLatin1String(kNeedsURL))
            action->setVisible(hasURL);
}

QMenu *MCPathControl::menuAtPoint(const QPointF &point)
{
    clickAt(point);
    updateMenuItems();
    return m_cell->menuForEvent(m_menu);
}

QSize MCPathControl::sizeHint() const
{
    double width = kLeftMargin;
    for (const auto &cell : m_cell->pathComponentCells())
        width += cell->naturalWidth();
    return QSize(int(std::ceil(width)), 22);
}

void MCPathControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QList<QRectF> frames = componentFrames();
    const auto &cells = m_cell->pathComponentCells();
    for (int i = 0; i < frames.size() && i < cells.size(); ++i)
        cells[i]->drawInteriorWithFrame(&painter, frames[i], this);
    if (hasFocus() && m_focusedComponent >= 0 && m_focusedComponent < frames.size()) {
        QPainterPath ring;
        ring.addRoundedRect(frames[m_focusedComponent].adjusted(1, 2, -kArrowRoom + 2, -2), 3, 3);
        MCDrawFocusRing(painter, ring);
    }
}

void MCPathControl::mousePressEvent(QMouseEvent *event)
{
    clickAt(event->position());
    QWidget::mousePressEvent(event);
}

void MCPathControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    clickAt(event->position());
    m_cell->pathControlOpen();
}

void MCPathControl::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = menuAtPoint(event->pos());
    // The empty menu has nothing to show.
    if (menu && !menu->isEmpty())
        menu->exec(event->globalPos());
}

void MCPathControl::focusInEvent(QFocusEvent *event)
{
    if (m_focusedComponent < 0 && !m_cell->pathComponentCells().isEmpty())
        m_focusedComponent = int(m_cell->pathComponentCells().size()) - 1;
    QWidget::focusInEvent(event);
    update();
}

void MCPathControl::keyPressEvent(QKeyEvent *event)
{
    // Left and Right move between components; Return opens the component, the menu key
    // shows the menu for it.
    const int count = int(m_cell->pathComponentCells().size());
    if (count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        m_focusedComponent = std::max(0, m_focusedComponent - 1);
        update();
        return;
    case Qt::Key_Right:
        m_focusedComponent = std::min(count - 1, m_focusedComponent + 1);
        update();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_focusedComponent >= 0 && m_focusedComponent < count) {
            m_cell->setClickedPathComponentCell(m_cell->pathComponentCells().at(m_focusedComponent));
            m_cell->pathControlOpen();
        }
        return;
    case Qt::Key_Menu:
        if (m_focusedComponent >= 0 && m_focusedComponent < count) {
            const QRectF frame = componentFrames().value(m_focusedComponent);
            QMenu *menu = menuAtPoint(frame.center());
            if (menu && !menu->isEmpty())
                menu->exec(mapToGlobal(frame.bottomLeft().toPoint()));
        }
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
