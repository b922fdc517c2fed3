// The themed buttons, and the background strips and split views, in every look.
#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "tools/screenshots/UIKitGallery.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace uikitgallery;

namespace {

QWidget *buttonsPage()
{
    QStringList columns = stateColumnNames();
    columns << QStringLiteral("On") << QStringLiteral("On, disabled") << QStringLiteral("Small");
    auto *page = new Page(columns);
    const int stateCount = int(stateColumns().size());
    auto row = [&](const QString &name, const std::function<QAbstractButton *()> &make, bool toggles) {
        page->addRow(name, [=](int column) -> QWidget * {
            if (column >= stateCount + 2 && column != stateCount + 2)
                return nullptr;
            QAbstractButton *control = make();
            if (column < stateCount) {
                applyState(control, stateColumns()[column]);
            } else if (column < stateCount + 2) {
                if (!toggles) {
                    delete control;
                    return nullptr;
                }
                control->setCheckable(true);
                control->setChecked(true);
                if (column == stateCount + 1)
                    control->setEnabled(false);
            } else if (auto *cell = qobject_cast<MCBaseButtonCell *>(control)) {
                cell->setControlSize(MCControlSize::Small);
            } else {
                delete control;
                return nullptr;
            }
            return control;
        });
    };
    row(QStringLiteral("Dark"), [] { return new MCDarkButtonCell(QStringLiteral("Choose…")); }, true);
    row(QStringLiteral("Blue"), [] { return new MCBlueButtonCell(QStringLiteral("Convert")); }, false);
    row(QStringLiteral("White text"), [] { return new MCWhiteTextButtonCell(QStringLiteral("Show in folder")); }, false);
    row(QStringLiteral("Base"), [] { return new MCBaseButton(QStringLiteral("Rename")); }, true);
    row(QStringLiteral("Track"), [] { return new MCTrackButton(QStringLiteral("Hold to compare")); }, false);
    row(QStringLiteral("Disclosure"), [] { return new MCDarkDisclosureButtonCell; }, true);
    row(QStringLiteral("Action circle"), [] {
        auto *button = new MCActionCircleButtonCell;
        button->setIcon(plusIcon(12));
        return button;
    }, false);
    row(QStringLiteral("Circle check box"), [] {
        auto *button = new MCActionCircleCheckboxCell;
        button->setIcon(plusIcon(12));
        return button;
    }, true);
    row(QStringLiteral("Toolbar"), [] {
        auto *button = new MCToolbarButtonCell(QStringLiteral("Folder"));
        button->setIcon(folderIcon(20));
        return button;
    }, true);
    return page;
}

QWidget *strip(MCBackgroundView *view, const QString &name, int height)
{
    view->setFixedHeight(height);
    auto *layout = new QHBoxLayout(view);
    layout->setContentsMargins(10, 0, 10, 0);
    auto *label = new QLabel(name);
    label->setFont(MCControlFont(MCControlSize::Small));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(200, 200, 200));
    label->setPalette(palette);
    layout->addWidget(label);
    return view;
}

class GalleryGradient : public MCGradientView
{
public:
    QList<QColor> colors() const override
    {
        return {MCColorQuillon::colorWithBrightness(0.18), MCColorQuillon::colorWithBrightness(0.32)};
    }
};

QWidget *backgroundsPage()
{
    auto *page = new MCBackgroundView; // black between the strips
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto *title = new QWidget;
    title->setAutoFillBackground(true);
    QPalette palette = title->palette();
    palette.setColor(QPalette::Window, QColor(120, 60, 60)); // shows through the transparent title strip
    title->setPalette(palette);
    auto *titleLayout = new QVBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->addWidget(strip(new MCTitleBarBackgroundView, QStringLiteral("Title bar (transparent)"), 24));
    layout->addWidget(title);
    layout->addWidget(strip(new MCToolbarBackgroundView, QStringLiteral("Tool bar"), 36));
    layout->addWidget(strip(new MCNavigationBackgroundView, QStringLiteral("Navigation bar"), 28));
    layout->addWidget(strip(new MCPathbarBackgroundView, QStringLiteral("Path bar"), 22));
    layout->addWidget(strip(new MCStatusbarBackgroundView, QStringLiteral("Status bar"), 22));
    layout->addWidget(strip(new MCActionsHeaderView, QStringLiteral("Actions header"), 26));

    auto *split = new MCDarkSplitView(Qt::Horizontal);
    split->addWidget(strip(new MCSidebarBackgroundView, QStringLiteral("Side bar"), 90));
    split->addWidget(strip(new MCLightBackgroundView, QStringLiteral("Light"), 90));
    auto *inner = new MCBlackSplitView(Qt::Vertical);
    inner->addWidget(strip(new MCDarkBackgroundView, QStringLiteral("Dark"), 44));
    auto *gradient = new GalleryGradient;
    gradient->setFixedHeight(45);
    inner->addWidget(gradient);
    split->addWidget(inner);
    split->setSizes({140, 160, 180});
    layout->addWidget(split);

    auto *separators = new MCDarkBackgroundView;
    separators->setFixedHeight(40);
    auto *separatorLayout = new QHBoxLayout(separators);
    auto *horizontal = new MCDarkSeparatorLine;
    horizontal->setFixedSize(200, 9);
    auto *vertical = new MCDarkSeparatorLine;
    vertical->setFixedSize(9, 30);
    separatorLayout->addWidget(horizontal);
    separatorLayout->addWidget(vertical);
    separatorLayout->addStretch();
    layout->addWidget(separators);
    page->setMinimumWidth(480);
    return page;
}

const bool registered = [] {
    registerPage(QStringLiteral("uikit-buttons"), buttonsPage);
    registerPage(QStringLiteral("uikit-backgrounds"), backgroundsPage);
    return true;
}();

} // namespace
