// The custom controls of the stage panels: the anchor picker, the rotation knob and the curves
// editor, in their looks.
#include "app/panels/MCCurvesView.h"
#include "app/panels/MCPositionControl.h"
#include "app/panels/MCRotationControl.h"
#include "tools/screenshots/UIKitGallery.h"

#include <QColor>

using namespace uikitgallery;

namespace {

QWidget *controlsPage()
{
    auto *page = new Page(stateColumnNames());
    const QList<MCControlState> &states = stateColumns();
    const quint64 masks[] = {0, 10, 5, 6};
    page->addRow(QStringLiteral("Anchor picker"), [&states, &masks](int column) -> QWidget * {
        const MCControlState state = states.value(column);
        if (state == MCControlState::Pressed)
            return nullptr;
        auto *control = new MCPositionControl;
        control->setFixedSize(control->sizeHint());
        control->setPositionMask(masks[column % 4]);
        applyState(control, state);
        return control;
    });
    const double angles[] = {0, 45, 300, 90};
    page->addRow(QStringLiteral("Rotation knob"), [&states, &angles](int column) -> QWidget * {
        const MCControlState state = states.value(column);
        if (state == MCControlState::Pressed)
            return nullptr;
        auto *control = new MCRotationControl;
        control->setFixedSize(control->sizeHint());
        control->setAngle(angles[column % 4]);
        applyState(control, state);
        return control;
    });
    // The curves editor as the Curves panel shows each channel.
    page->addRow(QStringLiteral("Curves"), [](int column) -> QWidget * {
        const struct {
            QList<QPointF> points;
            QColor knobs;
            qint64 selected;
        } looks[] = {
            {{{0, 0}, {255, 255}}, QColor::fromHsvF(1.0f, 0, 0.75f), 0},
            {{{0, 20}, {70, 60}, {180, 210}, {255, 240}}, QColor::fromHsvF(0, 0.5f, 0.5f), 2},
            {{{30, 0}, {128, 160}, {230, 255}}, QColor::fromHsvF(0.25f, 0.5f, 0.5f), 1},
            {{{0, 255}, {255, 0}}, QColor::fromHsvF(7.0f / 12.0f, 0.5f, 0.5f), 0},
        };
        const auto &look = looks[column % 4];
        auto *view = new MCCurvesView;
        view->setFixedSize(view->sizeHint());
        view->setControlPoints(look.points);
        view->setForegroundColor(look.knobs);
        view->setBackgroundColor(Qt::black);
        for (qint64 i = 0; i < look.selected; ++i)
            view->selectPoint(look.points[i + 1]);
        return view;
    });
    return page;
}

const bool registered = [] {
    registerPage(QStringLiteral("panel-controls"), controlsPage);
    return true;
}();

} // namespace
