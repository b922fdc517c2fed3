// The filter panel with one new row and with three edited rows.
#include "app/browser/MCSearchPanelController.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace {

void choose(QWidget *popup, const QVariant &data)
{
    if (auto *combo = qobject_cast<QComboBox *>(popup))
        combo->setCurrentIndex(qMax(0, combo->findData(data)));
}

void chooseLeft(MCPredicateEditorRow *row, const QString &title)
{
    row->leftPopUp()->setCurrentIndex(qMax(0, row->leftPopUp()->findText(title)));
}

QWidget *panel(int rows)
{
    // The controller owns its view; it lives as long as the screenshot program.
    auto *controller = new MCSearchPanelController(qApp);
    QWidget *view = controller->view();
    view->resize(720, 25);
    MCPredicateEditor *editor = controller->predicateEditor();
    MCPredicateEditorRow *date = editor->addRow();
    if (rows > 1) {
        if (auto *last = qobject_cast<MCDateRowLastView *>(date->templateViews().value(0))) {
            last->timeIntervalTextField()->setText(QStringLiteral("3"));
            choose(last->timeIntervalPopUp(), 1);
        }
        MCPredicateEditorRow *type = editor->addRow();
        chooseLeft(type, QStringLiteral("File Type"));
        choose(type->valueView(), 1);
        MCPredicateEditorRow *size = editor->addRow();
        chooseLeft(size, QStringLiteral("File Size"));
        choose(size->operatorPopUp(), unsigned(MCGreaterThanPredicateOperatorType));
        if (auto *field = qobject_cast<QLineEdit *>(size->valueView()))
            field->setText(QStringLiteral("1.5"));
        choose(size->templateViews().value(0), 2);
    }
    view->setFixedSize(720, int(controller->preferredHeight()));
    return view;
}

const ScreenshotRegistration registration({
    {QStringLiteral("browser-filterpanel"), QStringLiteral("one-row"), [] { return panel(1); }},
    {QStringLiteral("browser-filterpanel"), QStringLiteral("three-rows"), [] { return panel(3); }},
});

} // namespace
