#pragma once

// The left pane of the photo list screen: the outline of the groups into which the current
// grouping preset sorts the photo list (the root "Photos" holding every photo, then one level
// per rule), with the number of photos beside each group, and the pop-up that chooses the
// preset. The groups selected in the outline are the ones the thumbnail browser shows.
//
// The tree is kept by a tree controller over the current preset's rules; reloadData replaces
// it as a whole (the same photos, regrouped), and the added, updated and removed photos the
// screen reports go through it. Main thread only.
#include "app/library/MCGroupRule.h"
#include "app/library/MCGroupRulePresetsManager.h"
#include "halvard/ui/MCViewController.h"

#include <QAbstractItemModel>
#include <QPointer>

#include <memory>
#include <unordered_map>

class MCDarkPopupCell;
class MCTreePanelViewController;
class QTreeView;

using MCGroupPtr = std::shared_ptr<MCGroup>;
using MCGroupTreeController = MCTreeController<MCGroupItemPtr>;

class MCTreePanelViewControllerDelegate
{
public:
    virtual ~MCTreePanelViewControllerDelegate() = default;
    // The photos inside that group changed.
    virtual void treeViewControllerDidUpdateContentInGroup(MCTreePanelViewController *panel, const MCGroupPtr &group) = 0;
    // The outline's selection changed.
    virtual void treeViewControllerDidChangeSelection(MCTreePanelViewController *panel) = 0;
    // Photos entered or left a group, told as the tree changes (before the group's update above),
    // so views of the group can follow in place.
    virtual void treeViewControllerDidInsertItems(MCTreePanelViewController *panel, const MCGroupPtr &group,
                                                  const QList<MCGroupItemPtr> &items)
    {
        Q_UNUSED(panel);
        Q_UNUSED(group);
        Q_UNUSED(items);
    }
    virtual void treeViewControllerDidRemoveItems(MCTreePanelViewController *panel, const MCGroupPtr &group,
                                                  const QList<MCGroupItemPtr> &items)
    {
        Q_UNUSED(panel);
        Q_UNUSED(group);
        Q_UNUSED(items);
    }
};

// The outline's model: one column over the groups of a tree, the root as the only top-level
// row. Rows are found through a table of each group's parent and position, rebuilt whenever
// the tree changes (a tree holds groups, not photos, so it stays small).
class MCGroupOutlineModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // The number of photos in a group, as the outline shows it beside the title.
    static constexpr int CountRole = Qt::UserRole + 1;

    explicit MCGroupOutlineModel(QObject *parent = nullptr);

    // Starts showing the tree under `root` (null: nothing).
    void setRoot(const MCGroupPtr &root);
    // Around changes of the tree made in place: the outline keeps which groups were expanded
    // and selected by identity.
    void beginTreeChange() { beginResetModel(); }
    void endTreeChange();

    MCGroupPtr groupAtIndex(const QModelIndex &index) const;
    QModelIndex indexOfGroup(const MCGroup *group) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    struct Place
    {
        MCGroup *parent = nullptr;
        int row = 0;
    };
    void rebuildPlaces();

    MCGroupPtr m_root;
    std::unordered_map<const MCGroup *, Place> m_places;
};

class MCTreePanelViewController : public MCViewController
{
    Q_OBJECT
public:
    // Over the shared grouping presets, or `presets` (not owned; tests).
    explicit MCTreePanelViewController(QObject *parent = nullptr, MCGroupRulePresetsManager *presets = nullptr);
    ~MCTreePanelViewController() override;

    // Not owned: the photo list screen.
    MCTreePanelViewControllerDelegate *delegate() const { return m_delegate; }
    void setDelegate(MCTreePanelViewControllerDelegate *delegate) { m_delegate = delegate; }

    // Rebuilds the whole tree with the current preset, keeping the photos.
    void reloadData();
    void noteItemsWereAdded(const QList<MCGroupItemPtr> &files);
    // Files whose grouping values changed move to the groups the rules now put them in.
    void noteItemsWereUpdated(const QList<MCGroupItemPtr> &files);
    void noteItemsWereRemoved(const QList<MCGroupItemPtr> &files);

    // The groups at the selected rows, in row order.
    QList<MCGroupPtr> selectedGroups() const;
    MCGroupPtr rootGroup() const;
    MCGroupTreeController *treeController() const { return m_treeController.get(); }

    // Refills the preset pop-up: the presets by name, tagged with their positions, a
    // separator and "Manage Presets…" (tag -1); the current preset is selected.
    void updateGroupToolPopup();
    // The pop-up's choice: the tag of its item (a preset's position, or -1).
    void groupPresetDidChange(qint64 tag);

    QTreeView *outlineView();
    MCDarkPopupCell *rulePresetsPopup();
    MCGroupOutlineModel *outlineModel() const { return m_model; }

    // Of a proposed selection, the indexes none of whose ancestors is also proposed: a group
    // and one of its subgroups are never selected together, and the parent wins.
    static QModelIndexList selectionIndexesForProposedSelection(const QModelIndexList &proposed);

signals:
    // "Manage Presets…": the application opens the preferences at the grouping presets.
    void showPreferencesWithGroupingPresets();

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;

private:
    class TreeDelegate;
    void selectCurrentPresetItem();
    void applyTheme();
    void outlineSelectionDidChange();
    void selectRootWhenNothingIsSelected();

    MCTreePanelViewControllerDelegate *m_delegate = nullptr;
    std::unique_ptr<MCGroupTreeController> m_treeController;
    std::unique_ptr<TreeDelegate> m_treeDelegate;
    MCGroupOutlineModel *m_model;
    QPointer<QTreeView> m_outlineView;
    QPointer<MCDarkPopupCell> m_popup;
    MCGroupRulePresetsManager &m_presets;
    bool m_normalizingSelection = false;
};
