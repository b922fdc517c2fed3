#include "app/browser/MCTreePanelViewController.h"

#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCScroller.h"
#include "app/uikit/MCTableView.h"
#include "platform/core/MCNotificationCenter.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QSet>
#include <QTreeView>
#include <QVBoxLayout>


using namespace MCColorQuillon;

// Outline model -------------------------------------------------------------------------------

MCGroupOutlineModel::MCGroupOutlineModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

void MCGroupOutlineModel::setRoot(const MCGroupPtr &root)
{
    beginResetModel();
    m_root = root;
    rebuildPlaces();
    endResetModel();
}

void MCGroupOutlineModel::endTreeChange()
{
    rebuildPlaces();
    endResetModel();
}

void MCGroupOutlineModel::rebuildPlaces()
{
    m_places.clear();
    if (!m_root)
        return;
    m_places[m_root.get()] = Place{nullptr, 0};
    std::vector<MCGroup *> pending{m_root.get()};
    while (!pending.empty()) {
        MCGroup *group = pending.back();
        pending.pop_back();
        const auto &nodes = group->nodes();
        for (int row = 0; row < nodes.size(); ++row) {
            auto *child = static_cast<MCGroup *>(nodes.at(row).get());
            m_places[child] = Place{group, row};
            pending.push_back(child);
        }
    }
}

MCGroupPtr MCGroupOutlineModel::groupAtIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return nullptr;
    auto *group = static_cast<MCGroup *>(index.internalPointer());
    const auto place = m_places.find(group);
    if (place == m_places.end())
        return nullptr;
    if (!place->second.parent)
        return m_root;
    return std::static_pointer_cast<MCGroup>(place->second.parent->nodes().at(place->second.row));
}

QModelIndex MCGroupOutlineModel::indexOfGroup(const MCGroup *group) const
{
    const auto place = m_places.find(group);
    if (place == m_places.end())
        return {};
    return createIndex(place->second.row, 0, const_cast<MCGroup *>(group));
}

QModelIndex MCGroupOutlineModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 && m_root ? createIndex(0, 0, m_root.get()) : QModelIndex();
    auto *group = static_cast<MCGroup *>(parent.internalPointer());
    if (row >= group->nodes().size())
        return {};
    return createIndex(row, 0, group->nodes().at(row).get());
}

QModelIndex MCGroupOutlineModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    const auto place = m_places.find(static_cast<MCGroup *>(child.internalPointer()));
    if (place == m_places.end() || !place->second.parent)
        return {};
    return indexOfGroup(place->second.parent);
}

int MCGroupOutlineModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_root ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    return int(static_cast<MCGroup *>(parent.internalPointer())->nodes().size());
}

int MCGroupOutlineModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool MCGroupOutlineModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return bool(m_root);
    auto *group = static_cast<MCGroup *>(parent.internalPointer());
    // The root is always expandable, even before any photo is added.
    return group == m_root.get() || !group->nodes().isEmpty();
}

QVariant MCGroupOutlineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    auto *group = static_cast<MCGroup *>(index.internalPointer());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return group->title();
    case CountRole:
        return QString::number(quint64(group->countOfItems()));
    case Qt::DecorationRole:
        return QIcon::fromTheme(QStringLiteral("folder"), QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    default:
        return {};
    }
}

// Row drawing ---------------------------------------------------------------------------------

namespace {

// A group's row: the folder image and the title at the left, the number of photos at the
// right in a dimmer white, both cut with an ellipsis rather than overlapping.
class GroupRowView : public MCTableRowView
{
public:
    using MCTableRowView::MCTableRowView;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QString count = index.data(MCGroupOutlineModel::CountRole).toString();
        const QFontMetrics metrics(option.font);
        const int countWidth = metrics.horizontalAdvance(count) + 8;
        QStyleOptionViewItem titleOption(option);
        titleOption.rect.setRight(option.rect.right() - countWidth);
        // The selection fill spans the whole row, the title only its part.
        if (option.state & QStyle::State_Selected) {
            const QWidget *view = option.widget;
            painter->fillRect(option.rect, selectionColor(view && view->hasFocus() && view->isActiveWindow()));
        }
        MCTableRowView::paint(painter, titleOption, index);
        painter->save();
        painter->setFont(option.font);
        painter->setPen(colorWithWhite(0.7));
        const QRect countRect(option.rect.right() - countWidth, option.rect.top(), countWidth - 6,
                              option.rect.height());
        painter->drawText(countRect, Qt::AlignRight | Qt::AlignVCenter, count);
        painter->restore();
    }
};

} // namespace

// Tree controller's delegate ------------------------------------------------------------------

class MCTreePanelViewController::TreeDelegate : public MCTreeControllerDelegate<MCGroupItemPtr>
{
public:
    explicit TreeDelegate(MCTreePanelViewController &panel)
        : m_panel(panel)
    {
    }

    void controllerWillChangeContent(Controller *) override
    {
        // What was expanded and selected, by identity: the groups survive the change in place.
        m_expanded.clear();
        m_selected.clear();
        m_changedGroups.clear();
        if (QTreeView *view = m_panel.m_outlineView) {
            const MCGroupOutlineModel *model = m_panel.m_model;
            std::vector<QModelIndex> pending;
            if (model->rowCount() > 0)
                pending.push_back(model->index(0, 0));
            while (!pending.empty()) {
                const QModelIndex index = pending.back();
                pending.pop_back();
                if (!view->isExpanded(index))
                    continue;
                m_expanded.append(model->groupAtIndex(index));
                for (int row = 0; row < model->rowCount(index); ++row)
                    pending.push_back(model->index(row, 0, index));
            }
            m_selected = m_panel.selectedGroups();
        }
        m_panel.m_model->beginTreeChange();
    }
    void controllerDidInsertNodes(Controller *, const QList<NodePtr> &, const MCIndexSet &, const NodePtr &) override {}
    void controllerDidRemoveNodes(Controller *, const QList<NodePtr> &, const MCIndexSet &, const NodePtr &) override {}
    void controllerDidInsertItems(Controller *, const QList<MCGroupItemPtr> &items, const MCIndexSet &,
                                  const NodePtr &parent) override
    {
        noteChanged(parent);
        if (m_panel.m_delegate)
            m_panel.m_delegate->treeViewControllerDidInsertItems(&m_panel, std::static_pointer_cast<MCGroup>(parent),
                                                                 items);
    }
    void controllerDidRemoveItems(Controller *, const QList<MCGroupItemPtr> &items, const MCIndexSet &,
                                  const NodePtr &parent) override
    {
        noteChanged(parent);
        if (m_panel.m_delegate)
            m_panel.m_delegate->treeViewControllerDidRemoveItems(&m_panel, std::static_pointer_cast<MCGroup>(parent),
                                                                 items);
    }
    void controllerDidChangeContent(Controller *) override
    {
        m_panel.m_model->endTreeChange();
        if (QTreeView *view = m_panel.m_outlineView) {
            QSignalBlocker blocker(view->selectionModel());
            const MCGroupOutlineModel *model = m_panel.m_model;
            if (model->rowCount() > 0)
                view->expand(model->index(0, 0));
            for (const MCGroupPtr &group : m_expanded) {
                const QModelIndex index = model->indexOfGroup(group.get());
                if (index.isValid())
                    view->expand(index);
            }
            QItemSelection selection;
            for (const MCGroupPtr &group : m_selected) {
                const QModelIndex index = model->indexOfGroup(group.get());
                if (index.isValid())
                    selection.select(index, index);
            }
            view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            if (!view->selectionModel()->hasSelection() && model->rowCount() > 0)
                view->selectionModel()->select(model->index(0, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        // The photo list hears of each group whose photos changed once the outline is whole
        // again, so it may read the tree.
        const QList<MCGroupPtr> changed = m_changedGroups;
        m_changedGroups.clear();
        if (m_panel.m_delegate)
            for (const MCGroupPtr &group : changed)
                m_panel.m_delegate->treeViewControllerDidUpdateContentInGroup(&m_panel, group);
        // A selected group that went away, or the root chosen for an empty selection, changes
        // what the photo list shows.
        if (m_panel.selectedGroups() != m_selected)
            m_panel.outlineSelectionDidChange();
        m_expanded.clear();
        m_selected.clear();
    }

private:
    void noteChanged(const NodePtr &parent)
    {
        auto group = std::static_pointer_cast<MCGroup>(parent);
        if (!m_changedGroups.contains(group))
            m_changedGroups.append(group);
    }

    MCTreePanelViewController &m_panel;
    // Held through the change, so that a group made during it cannot take a gone one's address.
    QList<MCGroupPtr> m_expanded;
    QList<MCGroupPtr> m_selected;
    QList<MCGroupPtr> m_changedGroups;
};

// Panel ---------------------------------------------------------------------------------------

MCTreePanelViewController::MCTreePanelViewController(QObject *parent, MCGroupRulePresetsManager *presets)
    : MCViewController(parent)
    , m_treeDelegate(std::make_unique<TreeDelegate>(*this))
    , m_model(new MCGroupOutlineModel(this))
    , m_presets(presets ? *presets : MCGroupRulePresetsManager::defaultManager())
{
}

MCTreePanelViewController::~MCTreePanelViewController()
{
    if (m_treeController)
        m_treeController->setDelegate(nullptr);
}

QTreeView *MCTreePanelViewController::outlineView()
{
    view();
    return m_outlineView;
}

MCDarkPopupCell *MCTreePanelViewController::rulePresetsPopup()
{
    view();
    return m_popup;
}

QWidget *MCTreePanelViewController::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_popup = new MCDarkPopupCell(view);
    m_popup->setAccessibleName(tr("Grouping preset"));
    auto *popupRow = new QHBoxLayout;
    popupRow->setContentsMargins(8, 6, 8, 6);
    popupRow->addWidget(m_popup, 1);
    layout->addLayout(popupRow);

    m_outlineView = new QTreeView(view);
    m_outlineView->setAccessibleName(tr("Groups"));
    m_outlineView->setHeaderHidden(true);
    m_outlineView->setFrameShape(QFrame::NoFrame);
    m_outlineView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_outlineView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_outlineView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outlineView->setUniformRowHeights(true);
    m_outlineView->setAnimated(true);
    m_outlineView->setItemDelegate(new GroupRowView(m_outlineView));
    m_outlineView->setVerticalScrollBar(new MCBaseScroller(Qt::Vertical));
    m_outlineView->setModel(m_model);
    layout->addWidget(m_outlineView, 1);

    connect(m_outlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { outlineSelectionDidChange(); });
    connect(m_popup, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { groupPresetDidChange(m_popup->itemData(index).toLongLong()); });
    return view;
}

void MCTreePanelViewController::viewControllerDidLoad()
{
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this,
            [this] { applyTheme(); });
    applyTheme();
    updateGroupToolPopup();
    auto &center = MCNotificationCenter::defaultCenter();
    center.addObserver(this, MCGroupRulePresetsManager::kDidChangeRulesNotification, &m_presets,
                       [this](const MCNotification &) { updateGroupToolPopup(); });
    center.addObserver(this, MCGroupRulePresetsManager::kDidChangeCurrentRuleNotification, &m_presets,
                       [this](const MCNotification &) {
                           selectCurrentPresetItem();
                           reloadData();
                       });
    reloadData();
    MCViewController::viewControllerDidLoad();
}

void MCTreePanelViewController::applyTheme()
{
    if (!m_outlineView)
        return;
    QPalette palette = m_outlineView->palette();
    palette.setColor(QPalette::Base, sidebarBackgroundColor());
    palette.setColor(QPalette::Window, sidebarBackgroundColor());
    palette.setColor(QPalette::Text, Qt::white);
    // The disclosure arrows, and the selection fill left of a row's content, in the rows' colours.
    palette.setColor(QPalette::WindowText, colorWithWhite(0.8));
    palette.setColor(QPalette::ButtonText, colorWithWhite(0.8));
    const MCTableRowView rowView;
    palette.setColor(QPalette::Active, QPalette::Highlight, rowView.selectionColor(true));
    palette.setColor(QPalette::Inactive, QPalette::Highlight, rowView.selectionColor(false));
    m_outlineView->setPalette(palette);
    m_outlineView->viewport()->setAutoFillBackground(true);
    if (QWidget *panel = m_outlineView->parentWidget()) {
        panel->setPalette(palette);
        panel->setAutoFillBackground(true);
    }
}

void MCTreePanelViewController::reloadData()
{
    const QList<MCGroupItemPtr> files = m_treeController && m_treeController->root()
                                            ? m_treeController->root()->items()
                                            : QList<MCGroupItemPtr>();
    QList<MCGroupBuilder::RulePtr> rules;
    if (const auto preset = m_presets.currentPreset())
        for (const auto &rule : preset->rules())
            rules.append(rule);
    auto builder = std::make_shared<MCGroupBuilder>(tr("Photos"), rules);
    if (m_treeController)
        m_treeController->setDelegate(nullptr);
    m_treeController = std::make_unique<MCGroupTreeController>(builder, files);
    m_treeController->setDelegate(m_treeDelegate.get());
    m_model->setRoot(std::static_pointer_cast<MCGroup>(m_treeController->root()));
    if (m_outlineView) {
        // The root opens; its children stay closed.
        m_outlineView->expand(m_model->index(0, 0));
        selectRootWhenNothingIsSelected();
    }
}

void MCTreePanelViewController::noteItemsWereAdded(const QList<MCGroupItemPtr> &files)
{
    if (m_treeController)
        m_treeController->insertItems(files);
}

void MCTreePanelViewController::noteItemsWereUpdated(const QList<MCGroupItemPtr> &files)
{
    if (m_treeController)
        m_treeController->updateItems(files);
}

void MCTreePanelViewController::noteItemsWereRemoved(const QList<MCGroupItemPtr> &files)
{
    if (m_treeController)
        m_treeController->removeItems(files);
}

MCGroupPtr MCTreePanelViewController::rootGroup() const
{
    return m_treeController ? std::static_pointer_cast<MCGroup>(m_treeController->root()) : nullptr;
}

QList<MCGroupPtr> MCTreePanelViewController::selectedGroups() const
{
    QList<MCGroupPtr> groups;
    if (!m_outlineView)
        return groups;
    // In ascending row order: the outline's order from the top, which is the tree's order
    // with parents before children (rows of collapsed groups included).
    const auto path = [](QModelIndex index) {
        std::vector<int> rows;
        for (; index.isValid(); index = index.parent())
            rows.insert(rows.begin(), index.row());
        return rows;
    };
    QModelIndexList rows = m_outlineView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [&](const QModelIndex &a, const QModelIndex &b) { return path(a) < path(b); });
    for (const QModelIndex &index : rows)
        if (MCGroupPtr group = m_model->groupAtIndex(index))
            groups.append(group);
    return groups;
}

QModelIndexList MCTreePanelViewController::selectionIndexesForProposedSelection(const QModelIndexList &proposed)
{
    const QSet<QPersistentModelIndex> set(proposed.begin(), proposed.end());
    QModelIndexList kept;
    for (const QModelIndex &index : proposed) {
        bool ancestorProposed = false;
        for (QModelIndex up = index.parent(); up.isValid() && !ancestorProposed; up = up.parent())
            ancestorProposed = set.contains(QPersistentModelIndex(up));
        if (!ancestorProposed)
            kept.append(index);
    }
    return kept;
}

void MCTreePanelViewController::outlineSelectionDidChange()
{
    if (m_normalizingSelection || !m_outlineView)
        return;
    QItemSelectionModel *selection = m_outlineView->selectionModel();
    const QModelIndexList proposed = selection->selectedRows();
    const QModelIndexList kept = selectionIndexesForProposedSelection(proposed);
    if (kept.size() != proposed.size()) {
        m_normalizingSelection = true;
        QItemSelection keptSelection;
        for (const QModelIndex &index : kept)
            keptSelection.select(index, index);
        selection->select(keptSelection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_normalizingSelection = false;
    }
    if (m_delegate)
        m_delegate->treeViewControllerDidChangeSelection(this);
}

void MCTreePanelViewController::selectRootWhenNothingIsSelected()
{
    if (!m_outlineView || m_model->rowCount() == 0 || m_outlineView->selectionModel()->hasSelection())
        return;
    m_outlineView->selectionModel()->select(m_model->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MCTreePanelViewController::updateGroupToolPopup()
{
    if (!m_popup)
        return;
    QSignalBlocker blocker(m_popup.data());
    m_popup->clear();
    const auto &presets = m_presets.allPresets();
    for (qsizetype i = 0; i < presets.size(); ++i)
        m_popup->addItem(presets.at(i)->name(), qint64(i));
    m_popup->insertSeparator(m_popup->count());
    m_popup->addItem(tr("Manage Presets…"), qint64(-1));
    selectCurrentPresetItem();
}

void MCTreePanelViewController::selectCurrentPresetItem()
{
    if (!m_popup)
        return;
    QSignalBlocker blocker(m_popup.data());
    const int index = m_popup->findData(qint64(m_presets.currentPresetIndex()));
    if (index >= 0)
        m_popup->setCurrentIndex(index);
}

void MCTreePanelViewController::groupPresetDidChange(qint64 tag)
{
    if (tag < 0) {
        emit showPreferencesWithGroupingPresets();
        // "Manage Presets…" is a command, never the choice shown.
        selectCurrentPresetItem();
        return;
    }
    m_presets.setCurrentPresetIndex(quint64(tag));
}
