#pragma once

// Pages of the themed-control gallery: a grid of controls (rows) in each of their looks
// (columns) on the window's dark background, registered for both theme kinds and at device
// pixel ratios 1 and 2.
#include "app/uikit/MCControlSupport.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QGridLayout>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace uikitgallery {

// Puts `control` into `state`: disabled, pressed (held down), mouse over (the pointer entered),
// or left at rest.
void applyState(QWidget *control, MCControlState state);

// A page: a title row of column names, then one row per call of addRow.
class Page : public QWidget
{
public:
    explicit Page(const QStringList &columns);
    // A row named `name`; `make` builds the control of each column (nullptr leaves it empty).
    void addRow(const QString &name, const std::function<QWidget *(int column)> &make);

private:
    QGridLayout *m_grid;
    int m_columns = 0;
    int m_rows = 1;
};

// The four looks as columns, in the order shown.
const QList<MCControlState> &stateColumns();
QStringList stateColumnNames();

// Small white icons drawn here (no image files).
QIcon plusIcon(int side);
QIcon folderIcon(int side);

// Registers `build` as screen `screen` in four states: "kind0", "kind1" ("AperanceKind" 0 and
// 1) and the same at device pixel ratio 2 ("kind0@2x", "kind1@2x").
void registerPage(const QString &screen, const std::function<QWidget *()> &build);

} // namespace uikitgallery
