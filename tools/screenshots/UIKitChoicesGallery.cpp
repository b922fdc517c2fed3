// Check boxes, radio buttons and pop-up buttons in every look.
#include "app/uikit/MCCheckboxCell.h"
#include "app/uikit/MCPopupCell.h"
#include "tools/screenshots/UIKitGallery.h"

#include <QGridLayout>

using namespace uikitgallery;

namespace {

QWidget *pressedOrState(QWidget *control, int column)
{
    applyState(control, stateColumns()[column]);
    return control;
}

QWidget *checksPage()
{
    auto *page = new Page(stateColumnNames());
    const int states = int(stateColumns().size());
    const struct {
        const char *name;
        Qt::CheckState check;
        MCControlSize size;
    } boxes[] = {{"Check box off", Qt::Unchecked, MCControlSize::Regular},
                 {"Check box on", Qt::Checked, MCControlSize::Regular},
                 {"Check box mixed", Qt::PartiallyChecked, MCControlSize::Regular},
                 {"Small check box on", Qt::Checked, MCControlSize::Small},
                 {"Mini check box on", Qt::Checked, MCControlSize::Mini}};
    for (const auto &box : boxes) {
        page->addRow(QString::fromLatin1(box.name), [=](int column) -> QWidget * {
            if (column >= states)
                return nullptr;
            auto *control = new MCDarkCheckboxCell(QStringLiteral("Keep original dates"));
            control->setControlSize(box.size);
            control->setTristate(box.check == Qt::PartiallyChecked);
            control->setCheckState(box.check);
            return pressedOrState(control, column);
        });
    }
    for (bool selected : {false, true}) {
        for (MCControlSize size : {MCControlSize::Regular, MCControlSize::Small}) {
            const QString name = QStringLiteral("%1radio %2")
                                     .arg(size == MCControlSize::Small ? QStringLiteral("Small ") : QString(),
                                          selected ? QStringLiteral("on") : QStringLiteral("off"));
            page->addRow(name, [=](int column) -> QWidget * {
                if (column >= states)
                    return nullptr;
                auto *control = new MCDarkRadioButtonCell(QStringLiteral("Replace"));
                control->setAutoExclusive(false);
                control->setControlSize(size);
                control->setChecked(selected);
                return pressedOrState(control, column);
            });
        }
    }
    // A grid of radio buttons where the pointer is over one only.
    page->addRow(QStringLiteral("Radio grid"), [](int column) -> QWidget * {
        if (column != 0)
            return nullptr;
        auto *grid = new QWidget;
        auto *layout = new QGridLayout(grid);
        layout->setContentsMargins(0, 0, 0, 0);
        const QStringList titles = {QStringLiteral("Skip"), QStringLiteral("Keep both"), QStringLiteral("Replace"),
                                    QStringLiteral("Stop")};
        for (int i = 0; i < titles.size(); ++i) {
            auto *radio = new MCDarkRadioButtonCell(titles[i]);
            radio->setChecked(i == 0);
            layout->addWidget(radio, i / 2, i % 2);
            if (i == 3)
                applyState(radio, MCControlState::MouseOver);
        }
        return grid;
    });
    return page;
}

QWidget *popupsPage()
{
    QStringList columns = stateColumnNames();
    auto *page = new Page(columns);
    const int states = int(stateColumns().size());
    const QStringList formats = {QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("TIFF")};
    const struct {
        const char *name;
        int kind; // 0 base, 1 dark, 2 add
        MCControlSize size;
        bool pullsDown;
    } rows[] = {{"Pop-up", 0, MCControlSize::Regular, false},
                {"Pull-down", 0, MCControlSize::Regular, true},
                {"Small pop-up", 0, MCControlSize::Small, false},
                {"Small pull-down", 0, MCControlSize::Small, true},
                {"Mini pop-up", 0, MCControlSize::Mini, false},
                {"Dark pop-up", 1, MCControlSize::Regular, false},
                {"Add", 2, MCControlSize::Regular, true}};
    for (const auto &row : rows) {
        page->addRow(QString::fromLatin1(row.name), [=](int column) -> QWidget * {
            if (column >= states)
                return nullptr;
            MCBasePopupCell *popup = row.kind == 0   ? new MCBasePopupCell
                                     : row.kind == 1 ? new MCDarkPopupCell
                                                     : new MCDarkAddPopupCell;
            popup->setControlSize(row.size);
            if (row.pullsDown && row.kind != 2)
                popup->addItem(QStringLiteral("Actions"));
            popup->addItems(formats);
            popup->setPullsDown(row.pullsDown);
            const MCControlState state = stateColumns()[column];
            applyState(popup, state);
            if (row.kind != 2)
                popup->setFixedWidth(row.size == MCControlSize::Regular ? 130 : 110);
            return popup;
        });
    }
    return page;
}

const bool registered = [] {
    registerPage(QStringLiteral("uikit-checks"), checksPage);
    registerPage(QStringLiteral("uikit-popups"), popupsPage);
    return true;
}();

} // namespace
