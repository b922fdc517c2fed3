#pragma once

// Dark-theme token fields: literal text typed between tokens drawn as grey capsules with white
// titles, a small white down-pointing triangle on tokens that have settings, white typing and
// caret, and a short click on a token that the field's delegate can answer by opening a
// settings popover.
//
// The field's value is a list of objects in field order: a QString is literal text, anything
// else is a token's represented object (the screens' token values). The delegate names the
// tokens, says which have settings, joins or filters what is added, and turns tokens into and
// from clipboard data; the type "MCTokenPasteboardType" carries a property list of token
// dictionaries and strings.
//
// MCTokenField is the field (a one-line rich-text editor: tokens are inline objects, so caret,
// selection, typing, undo, drag and drop work as for text); MCDarkTokenFieldCell draws its bezel
// and its tokens; MCDarkTokenAttachmentCell measures and draws one token. Geometry is in widget
// coordinates (y down) and computed by the static functions, so tables can check it.
#include "app/uikit/MCControlSupport.h"

#include <QElapsedTimer>
#include <QTextEdit>
#include <QTextObjectInterface>
#include <QTimer>
#include <QVariant>

#include <optional>

class MCTokenField;

// The clipboard type of token lists (a property-list array of strings and token dictionaries).
extern const QString kMCTokenPasteboardType; // "MCTokenPasteboardType"
// Beside it, the family of the tokens ("Rename", "Watermark"): kinds of different families
// share numbers, so a field takes only its own family's tokens.
extern const QString kMCTokenPasteboardFamilyType; // "MCTokenPasteboardFamily"

class MCDarkTokenFieldDelegate
{
public:
    virtual ~MCDarkTokenFieldDelegate() = default;
    // The token's title; by default the object's text.
    virtual QString tokenFieldDisplayStringForRepresentedObject(MCTokenField *field, const QVariant &object);
    // Whether the token offers settings (draws the triangle and is wider); by default no.
    virtual bool tokenFieldRepresentedObjectHasSettings(MCTokenField *field, const QVariant &object);
    // A short click on a token: true when the delegate handled it (no selection follows).
    // `cellFrame` is the token's rectangle in the field's coordinates.
    virtual bool tokenFieldShowSettingsForRepresentedObject(MCTokenField *field, const QVariant &object,
                                                           const QRectF &cellFrame);
    // The objects that are really added at `index` (an index in the field's object list);
    // by default all of them.
    virtual QVariantList tokenFieldShouldAddObjectsAtIndex(MCTokenField *field, const QVariantList &objects,
                                                           qint64 index);
    // Puts `objects` on the clipboard data; false leaves it to the field (plain text).
    virtual bool tokenFieldWriteRepresentedObjectsToPasteboard(MCTokenField *field, const QVariantList &objects,
                                                               QMimeData *pasteboard);
    // The objects pasted from the clipboard data; by default its plain text when not empty.
    virtual QVariantList tokenFieldReadFromPasteboard(MCTokenField *field, const QMimeData *pasteboard);
};

// Measures and draws one token.
class MCDarkTokenAttachmentCell
{
public:
    // Drawing modes: 0 normal, 1 highlighted (pressed), 2 inside the text selection.
    enum DrawingMode : unsigned { Normal = 0, Highlighted = 1, Selected = 2 };

    // Mode 1 when highlighted in the active window (or with no window), 2 when inside the
    // selection of the active window, else 0.
    static unsigned drawingMode(bool highlighted, bool hasWindow, bool windowIsKey, bool insideSelection);
    static QColor tokenFillColorForDrawingMode(unsigned mode); // invalid (none) for another mode
    static QColor tokenTitleColorForDrawingMode(unsigned) { return Qt::white; }

    // The width the settings triangle takes.
    static double arrowImageWidth() { return 9.0; }
    // w + trunc(h + 8) (+ arrow width + 4 with settings) by h + 2.
    static QSizeF cellSizeForTitleSize(const QSizeF &titleSize, bool hasSettings);
    static QSizeF cellSize(const QString &title, const QFont &font, bool hasSettings);
    // The frame's width raised to at least height + 8, truncated, inset by trunc(h / 2 + 4).
    static QRectF titleRectForBounds(const QRectF &bounds);
    // The capsule's rectangle B: the frame inset by 1 vertically, at least B height + 6 wide.
    static QRectF tokenBounds(const QRectF &frame);
    // The capsule: B inset by 3 left and right with fully round ends.
    static QPainterPath capsulePath(const QRectF &frame);
    // The settings triangle (base corner, tip, base corner) near B's right end.
    static QPolygonF settingsTriangle(const QRectF &frame, MCControlSize size);

    static void drawToken(QPainter &painter, const QRectF &frame, const QString &title, const QFont &font,
                          bool hasSettings, MCControlSize size, unsigned mode);
};

// Draws the field's bezel and focus ring and lays out and draws its tokens (the field's
// inline-object handler).
class MCDarkTokenFieldCell : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit MCDarkTokenFieldCell(MCTokenField *field);

    // The bezel: the dark text field's rectangle with radius 3, dark while editing or enabled.
    static QRectF bezelRect(const QRectF &frame);
    static MCFillStroke bezelColors(bool enabled, bool editing);
    static QRectF focusRingRect(const QRectF &frame);
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame) const;

    QSizeF intrinsicSize(QTextDocument *document, int position, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int position,
                    const QTextFormat &format) override;

private:
    MCTokenField *m_field;
};

class MCTokenField : public QTextEdit
{
    Q_OBJECT
public:
    explicit MCTokenField(QWidget *parent = nullptr);
    ~MCTokenField() override;

    MCDarkTokenFieldDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCDarkTokenFieldDelegate *delegate) { m_delegate = delegate; } // not owned

    // The strings and tokens in field order; consecutive text is one string.
    QVariantList objectValue() const;
    void setObjectValue(const QVariantList &objects);
    // Inserts objects at the caret (replacing the selection), through the delegate's filter.
    void insertObjects(const QVariantList &objects);
    // The objects of the document range [from, to).
    QVariantList objectsInRange(int from, int to) const;
    // Puts `object` in place of the token at document position `position`, as one step of the
    // field's undo (nothing when no token is there).
    void replaceTokenAtPosition(int position, const QVariant &object);
    // The document positions of the tokens, in order.
    QList<int> tokenPositions() const;

    MCControlSize controlSize() const { return m_controlSize; }
    void setControlSize(MCControlSize size);
    // Whether the field is being edited (it has the keyboard focus).
    bool isEditing() const { return hasFocus(); }

    // Caret after the last token, nothing selected.
    void selectText();

    // The shared clipboard form of token lists: a property-list array under
    // kMCTokenPasteboardType. Reading answers an empty list when the type is missing, is not
    // an array or is empty.
    static void writeTokenPropertyList(QMimeData *pasteboard, const QVariantList &plist);
    static QVariantList readTokenPropertyList(const QMimeData *pasteboard);
    // The same with the tokens' family: reading answers an empty list when the data holds
    // another family's tokens or none named.
    static void writeTokenPropertyList(QMimeData *pasteboard, const QVariantList &plist, const QString &family);
    static QVariantList readTokenPropertyList(const QMimeData *pasteboard, const QString &family);

    // The token rectangles of the last painting, by document position, in field coordinates.
    QList<QPair<int, QRectF>> tokenRects() const;
    // The document position of the token under `point` (field coordinates), if any.
    std::optional<int> tokenAtPoint(const QPointF &point) const;
    // The token being pressed and whether the press already lasted past the click time.
    std::optional<int> pressedToken() const { return m_pressedToken; }
    bool isPressHeld() const { return m_pressHeld; }

    static constexpr int kClickInterval = 500; // ms: a shorter press is a click

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Used by the token cell while drawing.
    void recordTokenRect(int position, const QRectF &documentRect);
    bool isTokenInSelection(int position) const;
    bool isTokenHighlighted(int position) const { return m_pressedToken == position; }

signals:
    void objectValueChanged();

protected:
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void insertObjectsAtCursor(QTextCursor &cursor, const QVariantList &objects);
    void insertObjectsRaw(QTextCursor &cursor, const QVariantList &objects);
    void pressHeld();
    void finishTokenPress();
    QPointF documentOffset() const;

    MCDarkTokenFieldCell *m_cell;
    MCDarkTokenFieldDelegate *m_delegate = nullptr;
    MCControlSize m_controlSize = MCControlSize::Regular;
    QHash<int, QRectF> m_tokenRects; // document coordinates
    std::optional<int> m_pressedToken;
    bool m_pressHeld = false;
    QTimer m_clickTimer;
};
