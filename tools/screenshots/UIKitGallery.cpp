#include "tools/screenshots/UIKitGallery.h"

#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCPopupCell.h"
#include "platform/core/MCUserDefaults.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace uikitgallery {

void applyState(QWidget *control, MCControlState state)
{
    switch (state) {
    case MCControlState::Disabled: control->setEnabled(false); break;
    case MCControlState::Pressed:
        if (auto *button = qobject_cast<QAbstractButton *>(control))
            button->setDown(true);
        else if (auto *popup = qobject_cast<MCBasePopupCell *>(control))
            popup->setHighlighted(true);
        break;
    case MCControlState::MouseOver: {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(control, &enter);
        break;
    }
    case MCControlState::Default: break;
    }
}

const QList<MCControlState> &stateColumns()
{
    static const QList<MCControlState> columns = {MCControlState::Default, MCControlState::MouseOver,
                                                  MCControlState::Pressed, MCControlState::Disabled};
    return columns;
}

QStringList stateColumnNames()
{
    return {QStringLiteral("Default"), QStringLiteral("Mouse over"), QStringLiteral("Pressed"), QStringLiteral("Disabled")};
}

namespace {

QLabel *caption(const QString &text)
{
    auto *label = new QLabel(text);
    label->setFont(MCControlFont(MCControlSize::Small));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(190, 190, 190));
    label->setPalette(palette);
    return label;
}

// The page on the window's background.
class Background : public MCLightBackgroundView
{
public:
    using MCLightBackgroundView::MCLightBackgroundView;
};

} // namespace

Page::Page(const QStringList &columns)
{
    auto *background = new Background(this);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(background);
    m_grid = new QGridLayout(background);
    m_grid->setContentsMargins(16, 12, 16, 16);
    m_grid->setHorizontalSpacing(18);
    m_grid->setVerticalSpacing(12);
    m_columns = int(columns.size());
    for (int i = 0; i < columns.size(); ++i)
        m_grid->addWidget(caption(columns[i]), 0, i + 1, Qt::AlignLeft | Qt::AlignBottom);
}

void Page::addRow(const QString &name, const std::function<QWidget *(int column)> &make)
{
    m_grid->addWidget(caption(name), m_rows, 0, Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < m_columns; ++column) {
        QWidget *control = make(column);
        if (!control)
            continue;
        m_grid->addWidget(control, m_rows, column + 1, Qt::AlignLeft | Qt::AlignVCenter);
    }
    ++m_rows;
}

QIcon plusIcon(int side)
{
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    const double m = side / 2.0;
    painter.drawLine(QPointF(m, 2), QPointF(m, side - 2));
    painter.drawLine(QPointF(2, m), QPointF(side - 2, m));
    return QIcon(pixmap);
}

QIcon folderIcon(int side)
{
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(235, 235, 235), 1.2));
    QPainterPath path;
    path.moveTo(1.5, 4);
    path.lineTo(side * 0.4, 4);
    path.lineTo(side * 0.5, 6);
    path.lineTo(side - 1.5, 6);
    path.lineTo(side - 1.5, side - 3);
    path.lineTo(1.5, side - 3);
    path.closeSubpath();
    painter.drawPath(path);
    return QIcon(pixmap);
}

namespace {

// Shows a page rendered at device pixel ratio 2 pixel for pixel.
QWidget *atDoubleRatio(QWidget *page)
{
    page->adjustSize();
    page->setAttribute(Qt::WA_DontShowOnScreen);
    page->show();
    QApplication::processEvents();
    QPixmap pixmap(page->size() * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    page->render(&pixmap);
    pixmap.setDevicePixelRatio(1);
    auto *label = new QLabel;
    label->setPixmap(pixmap);
    label->setFixedSize(pixmap.size());
    delete page;
    return label;
}

} // namespace

void registerPage(const QString &screen, const std::function<QWidget *()> &build)
{
    for (int kind : {0, 1}) {
        for (bool doubled : {false, true}) {
            const QString state = QStringLiteral("kind%1%2").arg(kind).arg(doubled ? QStringLiteral("@2x") : QString());
            screenshotStates().push_back({screen, state, [kind, doubled, build]() -> QWidget * {
                                              MCMouseOverTracking::setAssumesActiveWindow(true);
                                              MCUserDefaults::standardUserDefaults().setInteger(kind, kMCAperanceKindKey);
                                              QWidget *page = build();
                                              return doubled ? atDoubleRatio(page) : page;
                                          }});
        }
    }
}

} // namespace uikitgallery
