// The popover body in each arrow direction, token fields and the filter rows' controls.
#include "app/uikit/MCPopover.h"
#include "app/uikit/MCPredicateCells.h"
#include "app/uikit/MCTokenField.h"
#include "tools/screenshots/UIKitGallery.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

using namespace uikitgallery;

namespace {

// Tokens of the gallery: a map {"title", "settings"}.
class GalleryTokenDelegate : public MCDarkTokenFieldDelegate
{
public:
    QString tokenFieldDisplayStringForRepresentedObject(MCTokenField *, const QVariant &object) override
    {
        return object.toMap().value(QStringLiteral("title")).toString();
    }
    bool tokenFieldRepresentedObjectHasSettings(MCTokenField *, const QVariant &object) override
    {
        return object.toMap().value(QStringLiteral("settings")).toBool();
    }
};

GalleryTokenDelegate &tokenDelegate()
{
    static GalleryTokenDelegate delegate;
    return delegate;
}

QVariant token(const QString &title, bool settings)
{
    return QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("settings"), settings}};
}

QWidget *popoverBody(unsigned direction, bool arrow)
{
    auto *frame = new MCPopoverWindowFrame;
    frame->setArrowDirection(direction);
    frame->setHasArrow(arrow);
    auto *label = new QLabel(QStringLiteral("Date format"), frame);
    label->setAlignment(Qt::AlignCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    frame->setFixedSize(150, 70);
    return frame;
}

QWidget *tokenField(int column)
{
    auto *field = new MCTokenField;
    field->setDelegate(&tokenDelegate());
    field->setObjectValue({QStringLiteral("IMG_"), token(QStringLiteral("Capture Date"), true), QStringLiteral("_"),
                           token(QStringLiteral("Index"), false)});
    field->setFixedWidth(250);
    switch (column) {
    case 1: { // the second token inside the selection
        QTextCursor cursor = field->textCursor();
        cursor.setPosition(4);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        field->setTextCursor(cursor);
        break;
    }
    case 2: field->setControlSize(MCControlSize::Small); break;
    case 3: field->setEnabled(false); break;
    default: break;
    }
    return field;
}

QWidget *popoverPage()
{
    auto *page = new Page({QStringLiteral("Arrow left"), QStringLiteral("Arrow right"), QStringLiteral("Arrow top"),
                           QStringLiteral("Arrow bottom")});
    page->addRow(QStringLiteral("Popover"), [](int column) { return popoverBody(unsigned(column + 1), true); });
    page->addRow(QStringLiteral("No arrow"), [](int column) -> QWidget * {
        return column == 0 ? popoverBody(MCPopoverArrowTop, false) : nullptr;
    });
    return page;
}

QWidget *tokensPage()
{
    auto *page = new Page({QStringLiteral("Default"), QStringLiteral("Selected"), QStringLiteral("Small"),
                           QStringLiteral("Disabled")});
    page->addRow(QStringLiteral("Token field"), tokenField);
    return page;
}

QWidget *predicatePage()
{
    auto *page = new Page(stateColumnNames());
    const int states = int(stateColumns().size());
    const QStringList titles = {QStringLiteral("+"), QStringLiteral("-"), QString(QChar(0x22EF)), QStringLiteral("A")};
    for (const QString &title : titles) {
        page->addRow(QStringLiteral("Row button %1").arg(title), [=](int column) -> QWidget * {
            if (column >= states)
                return nullptr;
            auto *button = new MCPredicateCircleButtonCell(title);
            button->setFixedSize(17, 17);
            applyState(button, stateColumns()[column]);
            return button;
        });
    }
    page->addRow(QStringLiteral("Row pop-up"), [=](int column) -> QWidget * {
        if (column >= states)
            return nullptr;
        auto *popup = new MCPredicatePopupCell;
        popup->setControlSize(MCControlSize::Small);
        popup->addItems({QStringLiteral("Capture Date"), QStringLiteral("File Size")});
        popup->setFixedWidth(120);
        applyState(popup, stateColumns()[column]);
        return popup;
    });
    page->addRow(QStringLiteral("Row value"), [=](int column) -> QWidget * {
        if (column >= states)
            return nullptr;
        auto *field = new MCPredicateTextFieldCell;
        field->setText(QStringLiteral("1/250"));
        field->setFixedWidth(96);
        if (stateColumns()[column] == MCControlState::Disabled)
            field->setEnabled(false);
        return field;
    });
    return page;
}

const bool registered = [] {
    registerPage(QStringLiteral("uikit-popover"), popoverPage);
    registerPage(QStringLiteral("uikit-tokens"), tokensPage);
    registerPage(QStringLiteral("uikit-predicate"), predicatePage);
    return true;
}();

} // namespace
