#include "app/uikit/MCTokenField.h"

#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCTextFieldCell.h"
#include "platform/core/MCPropertyList.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>

using namespace MCColorQuillon;

const QString kMCTokenPasteboardType = QStringLiteral("MCTokenPasteboardType");
const QString kMCTokenPasteboardFamilyType = QStringLiteral("MCTokenPasteboardFamily");

namespace {

// A token is one object replacement character whose format carries these.
constexpr int kTokenObjectType = QTextFormat::UserObject + 1;
constexpr int kTokenObjectProperty = QTextFormat::UserProperty + 1;
constexpr int kTokenTitleProperty = QTextFormat::UserProperty + 2;
constexpr int kTokenHasSettingsProperty = QTextFormat::UserProperty + 3;

MCDarkTokenFieldDelegate &defaultDelegate()
{
    static MCDarkTokenFieldDelegate delegate;
    return delegate;
}

// What typed and pasted text is written with: white, whatever came before the caret.
QTextCharFormat plainFormat()
{
    QTextCharFormat format;
    format.setForeground(Qt::white);
    return format;
}

bool isToken(const QTextCharFormat &format)
{
    return format.objectType() == kTokenObjectType;
}

} // namespace

// Delegate defaults -------------------------------------------------------------------------

QString MCDarkTokenFieldDelegate::tokenFieldDisplayStringForRepresentedObject(MCTokenField *, const QVariant &object)
{
    return object.toString();
}

bool MCDarkTokenFieldDelegate::tokenFieldRepresentedObjectHasSettings(MCTokenField *, const QVariant &)
{
    return false;
}

bool MCDarkTokenFieldDelegate::tokenFieldShowSettingsForRepresentedObject(MCTokenField *, const QVariant &,
                                                                         const QRectF &)
{
    return false;
}

QVariantList MCDarkTokenFieldDelegate::tokenFieldShouldAddObjectsAtIndex(MCTokenField *, const QVariantList &objects,
                                                                         qint64)
{
    return objects;
}

bool MCDarkTokenFieldDelegate::tokenFieldWriteRepresentedObjectsToPasteboard(MCTokenField *, const QVariantList &,
                                                                             QMimeData *)
{
    return false;
}

QVariantList MCDarkTokenFieldDelegate::tokenFieldReadFromPasteboard(MCTokenField *, const QMimeData *pasteboard)
{
    const QString text = pasteboard->text();
    return text.isEmpty() ? QVariantList() : QVariantList{text};
}

// Token cell --------------------------------------------------------------------------------

unsigned MCDarkTokenAttachmentCell::drawingMode(bool highlighted, bool hasWindow, bool windowIsKey, bool insideSelection)
{
    unsigned mode = highlighted && (!hasWindow || windowIsKey) ? Highlighted : Normal;
    if (insideSelection && hasWindow && windowIsKey)
        mode = Selected;
    return mode;
}

QColor MCDarkTokenAttachmentCell::tokenFillColorForDrawingMode(unsigned mode)
{
    switch (mode) {
    case Normal: return colorWithBrightness(0.43, 1.0);
    case Highlighted: return colorWithBrightness(0.53, 1.0);
    case Selected: return colorWithSaturation(0.5, 0.53, 1.0);
    default: return QColor();
    }
}

QSizeF MCDarkTokenAttachmentCell::cellSizeForTitleSize(const QSizeF &titleSize, bool hasSettings)
{
    double width = titleSize.width() + std::trunc(titleSize.height() + 8);
    if (hasSettings)
        width += arrowImageWidth() + 4;
    return {width, titleSize.height() + 2};
}

QSizeF MCDarkTokenAttachmentCell::cellSize(const QString &title, const QFont &font, bool hasSettings)
{
    const QFontMetricsF metrics(font);
    return cellSizeForTitleSize(QSizeF(metrics.horizontalAdvance(title), metrics.height()), hasSettings);
}

QRectF MCDarkTokenAttachmentCell::titleRectForBounds(const QRectF &bounds)
{
    QRectF rect = bounds;
    rect.setWidth(std::trunc(std::max(rect.width(), rect.height() + 8)));
    const double inset = std::trunc(bounds.height() / 2 + 4);
    return rect.adjusted(inset, 0, -inset, 0);
}

QRectF MCDarkTokenAttachmentCell::tokenBounds(const QRectF &frame)
{
    QRectF bounds = frame.adjusted(0, 1, 0, -1);
    bounds.setWidth(std::max(bounds.width(), bounds.height() + 6));
    return bounds;
}

QPainterPath MCDarkTokenAttachmentCell::capsulePath(const QRectF &frame)
{
    const QRectF b = tokenBounds(frame);
    const double r = b.height() / 2;
    const double left = b.left() + 3 + r, right = b.right() - 3 - r;
    QPainterPath path;
    path.moveTo(left, b.top());
    path.lineTo(right, b.top());
    path.arcTo(QRectF(right - r, b.top(), 2 * r, 2 * r), 90, -180);
    path.lineTo(left, b.bottom());
    path.arcTo(QRectF(left - r, b.top(), 2 * r, 2 * r), 270, -180);
    path.closeSubpath();
    return path;
}

QPolygonF MCDarkTokenAttachmentCell::settingsTriangle(const QRectF &frame, MCControlSize size)
{
    const QRectF b = tokenBounds(frame);
    const QPointF origin(b.right(), b.center().y());
    if (size == MCControlSize::Small)
        return QPolygonF({origin + QPointF(-14.5, -2.0), origin + QPointF(-11.5, 3.0), origin + QPointF(-8.5, -2.0)});
    return QPolygonF({origin + QPointF(-17.0, -2.5), origin + QPointF(-13.0, 3.5), origin + QPointF(-9.0, -2.5)});
}

void MCDarkTokenAttachmentCell::drawToken(QPainter &painter, const QRectF &frame, const QString &title,
                                          const QFont &font, bool hasSettings, MCControlSize size, unsigned mode)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = tokenFillColorForDrawingMode(mode);
    if (fill.isValid())
        painter.fillPath(capsulePath(frame), fill);
    const QRectF titleRect = titleRectForBounds(frame);
    painter.setFont(font);
    painter.setPen(tokenTitleColorForDrawingMode(mode));
    const QString shown = QFontMetricsF(font).elidedText(title, Qt::ElideRight, titleRect.width());
    painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    if (hasSettings) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPolygon(settingsTriangle(frame, size));
    }
    painter.restore();
}

// Field cell --------------------------------------------------------------------------------

MCDarkTokenFieldCell::MCDarkTokenFieldCell(MCTokenField *field)
    : QObject(field)
    , m_field(field)
{
}

QRectF MCDarkTokenFieldCell::bezelRect(const QRectF &frame)
{
    return MCDarkTextFieldBezelRect(frame);
}

MCFillStroke MCDarkTokenFieldCell::bezelColors(bool enabled, bool editing)
{
    return MCDarkTextFieldBezelColors(enabled, editing);
}

QRectF MCDarkTokenFieldCell::focusRingRect(const QRectF &frame)
{
    return frame.adjusted(0, 0.5, 0, -0.5).translated(0, 0.5);
}

void MCDarkTokenFieldCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame) const
{
    QPainterPath bezel;
    bezel.addRoundedRect(bezelRect(frame), 3.0, 3.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    MCFillAndStroke(painter, bezel, bezelColors(m_field->isEnabled(), m_field->isEditing()));
    painter.restore();
}

QSizeF MCDarkTokenFieldCell::intrinsicSize(QTextDocument *, int, const QTextFormat &format)
{
    return MCDarkTokenAttachmentCell::cellSize(format.property(kTokenTitleProperty).toString(), m_field->font(),
                                               format.property(kTokenHasSettingsProperty).toBool());
}

void MCDarkTokenFieldCell::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int position,
                                      const QTextFormat &format)
{
    m_field->recordTokenRect(position, rect);
    const QWidget *window = m_field->window();
    const bool active = MCMouseOverTracking::assumesActiveWindow() || m_field->isActiveWindow();
    const unsigned mode = MCDarkTokenAttachmentCell::drawingMode(m_field->isTokenHighlighted(position), window != nullptr,
                                                                 active, m_field->isTokenInSelection(position));
    MCDarkTokenAttachmentCell::drawToken(*painter, rect, format.property(kTokenTitleProperty).toString(),
                                         m_field->font(), format.property(kTokenHasSettingsProperty).toBool(),
                                         m_field->controlSize(), mode);
}

// Field -------------------------------------------------------------------------------------

MCTokenField::MCTokenField(QWidget *parent)
    : QTextEdit(parent)
    , m_cell(new MCDarkTokenFieldCell(this))
{
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setTabChangesFocus(true);
    setFocusPolicy(Qt::StrongFocus);
    setFont(MCControlFont(m_controlSize));
    document()->setDocumentMargin(3);
    document()->documentLayout()->registerHandler(kTokenObjectType, m_cell);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);

    auto applyTheme = [this] {
        QPalette palette = this->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Text, Qt::white);
            palette.setColor(group, QPalette::Highlight, colorWithBrightness(0.8, 1.0));
            palette.setColor(group, QPalette::HighlightedText, colorWithBrightness(0.2, 1.0));
        }
        palette.setColor(QPalette::Disabled, QPalette::Text, colorWithWhite(1.0, 0.5));
        palette.setColor(QPalette::Base, Qt::transparent);
        palette.setColor(QPalette::Window, Qt::transparent);
        setPalette(palette);
    };
    applyTheme();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this, applyTheme);

    m_clickTimer.setSingleShot(true);
    m_clickTimer.setInterval(kClickInterval);
    connect(&m_clickTimer, &QTimer::timeout, this, &MCTokenField::pressHeld);
    connect(this, &QTextEdit::textChanged, this, &MCTokenField::objectValueChanged);
}

MCTokenField::~MCTokenField()
{
    document()->documentLayout()->unregisterHandler(kTokenObjectType, m_cell);
}

void MCTokenField::setControlSize(MCControlSize size)
{
    m_controlSize = size;
    setFont(MCControlFont(size));
    updateGeometry();
    update();
}

QSize MCTokenField::sizeHint() const
{
    return {200, qMax(m_controlSize == MCControlSize::Regular ? 22 : 19, fontMetrics().height() + 8)};
}

QSize MCTokenField::minimumSizeHint() const
{
    return {40, sizeHint().height()};
}

QVariantList MCTokenField::objectsInRange(int from, int to) const
{
    QVariantList objects;
    QString text;
    auto flushText = [&] {
        if (!text.isEmpty())
            objects.append(text);
        text.clear();
    };
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin() && block.position() > from && block.position() <= to)
            text += QLatin1Char(' '); // a line break that got in counts as a blank
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString fragmentText = fragment.text();
            for (int i = 0; i < fragmentText.size(); ++i) {
                const int position = fragment.position() + i;
                if (position < from || position >= to)
                    continue;
                if (fragmentText[i] == QChar::ObjectReplacementCharacter && isToken(fragment.charFormat())) {
                    flushText();
                    objects.append(fragment.charFormat().property(kTokenObjectProperty));
                } else {
                    text += fragmentText[i];
                }
            }
        }
    }
    flushText();
    return objects;
}

QList<int> MCTokenField::tokenPositions() const
{
    QList<int> positions;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!isToken(fragment.charFormat()))
                continue;
            const QString text = fragment.text();
            for (int i = 0; i < text.size(); ++i)
                if (text[i] == QChar::ObjectReplacementCharacter)
                    positions.append(fragment.position() + i);
        }
    }
    return positions;
}

void MCTokenField::replaceTokenAtPosition(int position, const QVariant &object)
{
    if (!tokenPositions().contains(position))
        return;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    insertObjectsRaw(cursor, {object});
    cursor.endEditBlock();
}

QVariantList MCTokenField::objectValue() const
{
    return objectsInRange(0, document()->characterCount());
}

void MCTokenField::insertObjectsRaw(QTextCursor &cursor, const QVariantList &objects)
{
    MCDarkTokenFieldDelegate &delegate = m_delegate ? *m_delegate : defaultDelegate();
    for (const QVariant &object : objects) {
        if (object.typeId() == QMetaType::QString) {
            QString text = object.toString();
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            cursor.insertText(text, plainFormat());
            continue;
        }
        QTextCharFormat format = plainFormat();
        format.setObjectType(kTokenObjectType);
        format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        format.setProperty(kTokenObjectProperty, object);
        format.setProperty(kTokenTitleProperty, delegate.tokenFieldDisplayStringForRepresentedObject(this, object));
        format.setProperty(kTokenHasSettingsProperty, delegate.tokenFieldRepresentedObjectHasSettings(this, object));
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
    }
    cursor.setCharFormat(plainFormat());
}

void MCTokenField::setObjectValue(const QVariantList &objects)
{
    clear();
    QTextCursor cursor(document());
    insertObjectsRaw(cursor, objects);
    document()->clearUndoRedoStacks();
    selectText();
}

void MCTokenField::insertObjectsAtCursor(QTextCursor &cursor, const QVariantList &objects)
{
    MCDarkTokenFieldDelegate &delegate = m_delegate ? *m_delegate : defaultDelegate();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const qint64 index = objectsInRange(0, cursor.position()).size();
    insertObjectsRaw(cursor, delegate.tokenFieldShouldAddObjectsAtIndex(this, objects, index));
    cursor.endEditBlock();
}

void MCTokenField::insertObjects(const QVariantList &objects)
{
    QTextCursor cursor = textCursor();
    insertObjectsAtCursor(cursor, objects);
    setTextCursor(cursor);
}

void MCTokenField::selectText()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.setCharFormat(plainFormat());
    setTextCursor(cursor);
}

void MCTokenField::writeTokenPropertyList(QMimeData *pasteboard, const QVariantList &plist)
{
    pasteboard->setData(kMCTokenPasteboardType, platform::dataFromPropertyList(plist));
}

QVariantList MCTokenField::readTokenPropertyList(const QMimeData *pasteboard)
{
    if (!pasteboard->hasFormat(kMCTokenPasteboardType))
        return {};
    const QVariant plist = platform::propertyListFromData(pasteboard->data(kMCTokenPasteboardType));
    return plist.typeId() == QMetaType::QVariantList ? plist.toList() : QVariantList();
}

void MCTokenField::writeTokenPropertyList(QMimeData *pasteboard, const QVariantList &plist, const QString &family)
{
    writeTokenPropertyList(pasteboard, plist);
    pasteboard->setData(kMCTokenPasteboardFamilyType, family.toUtf8());
}

QVariantList MCTokenField::readTokenPropertyList(const QMimeData *pasteboard, const QString &family)
{
    if (QString::fromUtf8(pasteboard->data(kMCTokenPasteboardFamilyType)) != family)
        return {};
    return readTokenPropertyList(pasteboard);
}

QMimeData *MCTokenField::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    const QVariantList objects = objectsInRange(cursor.selectionStart(), cursor.selectionEnd());
    auto *mime = new QMimeData;
    auto *self = const_cast<MCTokenField *>(this);
    MCDarkTokenFieldDelegate &delegate = m_delegate ? *m_delegate : defaultDelegate();
    if (!delegate.tokenFieldWriteRepresentedObjectsToPasteboard(self, objects, mime)) {
        QString text;
        for (const QVariant &object : objects)
            text += object.typeId() == QMetaType::QString
                        ? object.toString()
                        : delegate.tokenFieldDisplayStringForRepresentedObject(self, object);
        mime->setText(text);
    }
    return mime;
}

bool MCTokenField::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasFormat(kMCTokenPasteboardType) || source->hasText();
}

void MCTokenField::insertFromMimeData(const QMimeData *source)
{
    MCDarkTokenFieldDelegate &delegate = m_delegate ? *m_delegate : defaultDelegate();
    const QVariantList objects = delegate.tokenFieldReadFromPasteboard(this, source);
    if (objects.isEmpty())
        return;
    insertObjects(objects);
    ensureCursorVisible();
}

QPointF MCTokenField::documentOffset() const
{
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void MCTokenField::recordTokenRect(int position, const QRectF &documentRect)
{
    m_tokenRects.insert(position, documentRect);
}

QList<QPair<int, QRectF>> MCTokenField::tokenRects() const
{
    QList<QPair<int, QRectF>> rects;
    const QPointF origin = QPointF(viewport()->pos()) - documentOffset();
    for (auto it = m_tokenRects.cbegin(); it != m_tokenRects.cend(); ++it)
        rects.append({it.key(), it.value().translated(origin)});
    std::sort(rects.begin(), rects.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    return rects;
}

std::optional<int> MCTokenField::tokenAtPoint(const QPointF &point) const
{
    for (const auto &[position, rect] : tokenRects())
        if (rect.contains(point))
            return position;
    return std::nullopt;
}

bool MCTokenField::isTokenInSelection(int position) const
{
    const QTextCursor cursor = textCursor();
    return cursor.hasSelection() && cursor.selectionStart() <= position && position < cursor.selectionEnd();
}

void MCTokenField::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(viewport());
        m_cell->drawBezelWithFrame(painter, QRectF(viewport()->rect()));
    }
    m_tokenRects.clear();
    QTextEdit::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(viewport());
        QPainterPath ring;
        ring.addRoundedRect(MCDarkTokenFieldCell::focusRingRect(QRectF(viewport()->rect())).adjusted(1, 0, -1, -1), 3, 3);
        MCDrawFocusRing(painter, ring);
    }
}

void MCTokenField::focusInEvent(QFocusEvent *event)
{
    QTextEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason)
        selectText();
}

void MCTokenField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore(); // one line: Return belongs to the window (its default button)
        return;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        // Typed text is plain white text, even right after a token or over a selection.
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        cursor.insertText(event->text(), plainFormat());
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void MCTokenField::mousePressEvent(QMouseEvent *event)
{
    const std::optional<int> token = event->button() == Qt::LeftButton ? tokenAtPoint(event->position()) : std::nullopt;
    if (!token) {
        QTextEdit::mousePressEvent(event);
        return;
    }
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    m_pressedToken = token;
    m_pressHeld = false;
    m_clickTimer.start();
    viewport()->update();
    event->accept();
}

void MCTokenField::pressHeld()
{
    if (!m_pressedToken)
        return;
    // Held past the click time: the press selects the token (and may go on to drag it).
    m_pressHeld = true;
    QTextCursor cursor = textCursor();
    cursor.setPosition(*m_pressedToken);
    cursor.setPosition(*m_pressedToken + 1, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void MCTokenField::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressedToken || event->button() != Qt::LeftButton) {
        QTextEdit::mouseReleaseEvent(event);
        return;
    }
    const int position = *m_pressedToken;
    const bool click = !m_pressHeld;
    m_clickTimer.stop();
    m_pressedToken.reset();
    m_pressHeld = false;
    viewport()->update();
    if (!click)
        return;
    const QVariantList objects = objectsInRange(position, position + 1);
    const QRectF frame = m_tokenRects.value(position).translated(QPointF(viewport()->pos()) - documentOffset());
    MCDarkTokenFieldDelegate &delegate = m_delegate ? *m_delegate : defaultDelegate();
    if (!objects.isEmpty() && delegate.tokenFieldShowSettingsForRepresentedObject(this, objects.first(), frame))
        return;
    m_pressedToken = position;
    pressHeld();
    m_pressedToken.reset();
    m_pressHeld = false;
}
