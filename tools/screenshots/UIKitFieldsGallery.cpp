// Text fields, labels, the date field, colour wells, scrollers and table parts.
#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCScroller.h"
#include "app/uikit/MCTableView.h"
#include "app/uikit/MCTextFieldCell.h"
#include "tools/screenshots/UIKitGallery.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QVBoxLayout>

using namespace uikitgallery;

namespace {

const QStringList kFieldColumns = {QStringLiteral("Default"), QStringLiteral("Selected"), QStringLiteral("Disabled"),
                                   QStringLiteral("Empty")};

QWidget *field(int column, bool withMenu)
{
    MCDarkTextFieldCell *control = withMenu ? new MCDarkTextFieldWithMenuCell : new MCDarkTextFieldCell;
    control->setFixedWidth(160);
    if (column != 3)
        control->setText(withMenu ? QStringLiteral("{Name}-{Counter}") : QStringLiteral("Summer holidays"));
    else
        control->setPlaceholderText(QStringLiteral("Keywords"));
    if (column == 1)
        control->selectAll();
    if (column == 2)
        control->setEnabled(false);
    return control;
}

QWidget *fieldsPage()
{
    auto *page = new Page(kFieldColumns);
    page->addRow(QStringLiteral("Text field"), [](int column) { return field(column, false); });
    page->addRow(QStringLiteral("Field with menu"), [](int column) { return field(column, true); });
    page->addRow(QStringLiteral("Date field"), [](int column) -> QWidget * {
        if (column == 1 || column == 3)
            return nullptr;
        auto *date = new MCDarkDatePickerCell;
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        date->setDateTime(QDateTime(QDate(2019, 7, 14), QTime(16, 42, 5)));
        date->setEnabled(column != 2);
        return date;
    });
    page->addRow(QStringLiteral("Centred label"), [](int column) -> QWidget * {
        if (column != 0)
            return nullptr;
        auto *label = new MCVerticalCenteredTextFieldCell(QStringLiteral("24 photos"));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
        label->setPalette(palette);
        label->setFixedSize(120, 30);
        return label;
    });
    page->addRow(QStringLiteral("Tool-bar label"), [](int column) -> QWidget * {
        if (column != 0)
            return nullptr;
        auto *strip = new MCToolbarBackgroundView;
        strip->setFixedSize(160, 30);
        auto *label = new MCToolbarTextLabel(QStringLiteral("Convert 24 photos"), strip);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(0, 2, 160, 28);
        return strip;
    });
    page->addRow(QStringLiteral("Colour well"), [](int column) -> QWidget * {
        auto *well = new MCDarkColorWell;
        well->setColor(QColor(230, 160, 40));
        switch (column) {
        case 0: break;
        case 1: well->setActive(true); break; // the panel is open
        case 2: well->setEnabled(false); break;
        case 3: applyState(well, MCControlState::MouseOver); break;
        }
        return well;
    });
    return page;
}

QStandardItemModel *photosModel(QObject *parent)
{
    auto *model = new QStandardItemModel(0, 3, parent);
    model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("New name with a long title"),
                                      QStringLiteral("Size")});
    const char *rows[][3] = {{"IMG_0042.JPG", "Trip-001.jpg", "4.2 MB"},   {"IMG_0043.JPG", "Trip-002.jpg", "3.9 MB"},
                             {"IMG_0044.CR2", "Trip-003.jpg", "24.1 MB"},  {"IMG_0045.JPG", "Trip-004.jpg", "4.0 MB"},
                             {"IMG_0046.HEIC", "Trip-005.jpg", "2.2 MB"}, {"IMG_0047.JPG", "Trip-006.jpg", "4.4 MB"},
                             {"IMG_0048.JPG", "Trip-007.jpg", "4.1 MB"},  {"IMG_0049.PNG", "Trip-008.jpg", "9.8 MB"}};
    for (const auto &row : rows) {
        QList<QStandardItem *> items;
        for (const char *text : row)
            items << new QStandardItem(QString::fromLatin1(text));
        model->appendRow(items);
    }
    return model;
}

QWidget *tablePage(bool gray)
{
    auto *page = new MCDarkBackgroundView;
    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);

    auto *table = new MCTableView;
    table->setModel(photosModel(table));
    if (gray)
        table->setItemDelegate(new MCGraySelectionTableRowView(table));
    table->setColumnWidth(0, 120);
    table->setColumnWidth(1, 110);
    table->setColumnWidth(2, 60);
    table->verticalHeader()->setDefaultSectionSize(20);
    table->selectRow(2);
    table->setFixedSize(330, 150);
    layout->addWidget(table);

    auto *scroll = new MCGrayScrollView;
    auto *content = new MCLightBackgroundView;
    content->setFixedSize(400, 300);
    scroll->setWidget(content);
    scroll->setFixedSize(180, 150);
    scroll->horizontalScrollBar()->setValue(60);
    scroll->verticalScrollBar()->setValue(40);
    layout->addWidget(scroll);

    auto *loose = new QWidget;
    auto *looseLayout = new QVBoxLayout(loose);
    looseLayout->setContentsMargins(0, 0, 0, 0);
    auto *vertical = new MCGrayScroller(Qt::Vertical);
    vertical->setRange(0, 100);
    vertical->setPageStep(30);
    vertical->setValue(70);
    vertical->setFixedSize(11, 150);
    looseLayout->addWidget(vertical);
    layout->addWidget(loose);
    return page;
}

const bool registered = [] {
    registerPage(QStringLiteral("uikit-fields"), fieldsPage);
    registerPage(QStringLiteral("uikit-tables"), [] { return tablePage(false); });
    registerPage(QStringLiteral("uikit-tables-gray-selection"), [] { return tablePage(true); });
    return true;
}();

} // namespace
