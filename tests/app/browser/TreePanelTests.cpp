#include "app/browser/MCTreePanelViewController.h"

#include "app/library/MCFileContainer.h"
#include "app/uikit/MCPopupCell.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

// Photos taken on the given days (no file on disk is needed to group by capture date).
QList<MCGroupItemPtr> photosTakenOn(const QStringList &dates)
{
    const QString folder = testsupport::makeTemporaryFolder();
    QList<MCGroupItemPtr> files;
    for (qsizetype i = 0; i < dates.size(); ++i) {
        auto file = MCFileContainer::newFileWithURL(folder + QStringLiteral("/p%1.jpg").arg(i));
        file->fileInfo().reloadAllPropertiesFromImageInfo(
            {{kCGImagePropertyExifDictionary, QVariantMap{{kCGImagePropertyExifDateTimeOriginal, dates.at(i)}}}});
        file->reloadCaptureDate();
        files.append(file);
    }
    return files;
}

struct Recorder : MCTreePanelViewControllerDelegate
{
    void treeViewControllerDidUpdateContentInGroup(MCTreePanelViewController *, const MCGroupPtr &group) override
    {
        updated.append(group->title());
    }
    void treeViewControllerDidChangeSelection(MCTreePanelViewController *) override { ++selectionChanges; }
    QStringList updated;
    int selectionChanges = 0;
};

class TreePanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        presets.setCurrentPresetIndex(1); // "Capture Date": year, month, day
        panel.setDelegate(&recorder);
        panel.view();
    }

    // "title count" of every row the outline shows, children indented by two spaces.
    QStringList rows()
    {
        QStringList lines;
        const MCGroupOutlineModel *model = panel.outlineModel();
        std::function<void(const QModelIndex &, int)> walk = [&](const QModelIndex &parent, int depth) {
            for (int row = 0; row < model->rowCount(parent); ++row) {
                const QModelIndex index = model->index(row, 0, parent);
                lines.append(QString(depth * 2, ' ') + index.data().toString() + " " +
                             index.data(MCGroupOutlineModel::CountRole).toString());
                walk(index, depth + 1);
            }
        };
        walk({}, 0);
        return lines;
    }
    QStringList selectedTitles()
    {
        QStringList titles;
        for (const MCGroupPtr &group : panel.selectedGroups())
            titles.append(group->title());
        return titles;
    }
    QModelIndex rowNamed(const QString &title)
    {
        const auto found = panel.outlineModel()->match(panel.outlineModel()->index(0, 0), Qt::DisplayRole, title, 1,
                                                       Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.first();
    }

    MCUserDefaults defaults{QDir(testsupport::makeTemporaryFolder("defaults")).filePath("Preferences.plist")};
    MCGroupRulePresetsManager presets{defaults};
    Recorder recorder;
    MCTreePanelViewController panel{nullptr, &presets};
};

} // namespace

TEST(TreePanelSelection, AGroupAndItsSubgroupsAreNeverSelectedTogether)
{
    // Photos > 2020 > {May, June}, Photos > 2021
    QStandardItemModel model;
    auto *root = new QStandardItem("Photos");
    auto *y2020 = new QStandardItem("2020");
    auto *y2021 = new QStandardItem("2021");
    auto *may = new QStandardItem("May");
    auto *june = new QStandardItem("June");
    model.appendRow(root);
    root->appendRow(y2020);
    root->appendRow(y2021);
    y2020->appendRow(may);
    y2020->appendRow(june);
    const auto titles = [](const QModelIndexList &indexes) {
        QStringList list;
        for (const QModelIndex &index : indexes)
            list.append(index.data().toString());
        return list;
    };
    const struct
    {
        QList<QStandardItem *> proposed;
        QStringList kept;
    } cases[] = {
        {{root, may}, {"Photos"}},
        {{may, june}, {"May", "June"}},
        {{june, y2020, y2021}, {"2020", "2021"}},
        {{may, y2021}, {"May", "2021"}},
        {{root, y2020, may, y2021}, {"Photos"}},
        {{}, {}},
    };
    for (const auto &c : cases) {
        QModelIndexList proposed;
        for (QStandardItem *item : c.proposed)
            proposed.append(item->index());
        EXPECT_EQ(titles(MCTreePanelViewController::selectionIndexesForProposedSelection(proposed)), c.kept)
            << titles(proposed).join(",").toStdString();
    }
}

TEST_F(TreePanel, BeforeAnyPhotoTheRootShowsNoneAndCanOpen)
{
    EXPECT_EQ(rows(), QStringList{"Photos 0"});
    EXPECT_TRUE(panel.outlineModel()->hasChildren(panel.outlineModel()->index(0, 0)));
    EXPECT_EQ(selectedTitles(), QStringList{"Photos"});
}

TEST_F(TreePanel, AddingAndRemovingPhotosUpdatesGroupsCountsAndTheScreen)
{
    const auto photos = photosTakenOn({"2020:05:01 10:00:00", "2020:05:01 11:00:00", "2020:06:02 09:00:00",
                                       "2021:01:03 08:00:00"});
    panel.noteItemsWereAdded(photos);
    EXPECT_EQ(rows().first(), "Photos 4");
    EXPECT_EQ(rows().size(), 1 + 2 + 3 + 3); // root, two years, three months, three days
    EXPECT_TRUE(recorder.updated.contains("Photos"));
    // Only the root opens on its own.
    EXPECT_TRUE(panel.outlineView()->isExpanded(panel.outlineModel()->index(0, 0)));
    EXPECT_FALSE(panel.outlineView()->isExpanded(rowNamed(rows().at(1).trimmed().section(' ', 0, 0))));

    // An opened group and the selection survive later changes.
    const QModelIndex year2020 = panel.outlineModel()->index(0, 0, panel.outlineModel()->index(0, 0));
    const QString year2020Title = year2020.data().toString();
    panel.outlineView()->expand(year2020);
    panel.outlineView()->selectionModel()->select(year2020,
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ASSERT_EQ(selectedTitles(), QStringList{year2020Title});

    // The June photo was the only one of its month: that group goes, the counts above fall.
    recorder.updated.clear();
    const int selectionChanges = recorder.selectionChanges;
    panel.noteItemsWereRemoved({photos.at(2)});
    EXPECT_EQ(rows().first(), "Photos 3");
    EXPECT_EQ(rows().size(), 1 + 2 + 2 + 2);
    EXPECT_TRUE(recorder.updated.contains(year2020Title));
    EXPECT_TRUE(panel.outlineView()->isExpanded(rowNamed(year2020Title)));
    EXPECT_EQ(selectedTitles(), QStringList{year2020Title});
    EXPECT_EQ(recorder.selectionChanges, selectionChanges); // the selection did not change

    // Removing every photo of the selected year leaves the root selected, and the screen hears of it.
    panel.noteItemsWereRemoved({photos.at(0), photos.at(1)});
    EXPECT_EQ(rows().first(), "Photos 1");
    EXPECT_EQ(rows().size(), 4);
    EXPECT_EQ(selectedTitles(), QStringList{"Photos"});
    EXPECT_GT(recorder.selectionChanges, selectionChanges);
}

TEST_F(TreePanel, SelectingAParentWithItsSubgroupKeepsTheParent)
{
    panel.noteItemsWereAdded(photosTakenOn({"2020:05:01 10:00:00", "2021:01:03 08:00:00"}));
    const QModelIndex root = panel.outlineModel()->index(0, 0);
    QItemSelection both;
    both.select(root, root);
    both.select(panel.outlineModel()->index(1, 0, root), panel.outlineModel()->index(1, 0, root));
    panel.outlineView()->selectionModel()->select(both, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(selectedTitles(), QStringList{"Photos"});
}

TEST_F(TreePanel, PresetPopupRegroupsManagesAndFollowsRenames)
{
    panel.noteItemsWereAdded(photosTakenOn({"2020:05:01 10:00:00", "2021:01:03 08:00:00"}));
    MCDarkPopupCell *popup = panel.rulePresetsPopup();
    // The presets by name, a separator, then "Manage Presets…"; the current one is shown.
    ASSERT_EQ(popup->count(), int(presets.allPresets().size()) + 2);
    EXPECT_EQ(popup->itemText(popup->count() - 1), "Manage Presets…");
    EXPECT_EQ(popup->itemData(popup->count() - 1).toLongLong(), -1);
    EXPECT_EQ(popup->currentText(), presets.allPresets().at(1)->name());

    // Another preset: the same photos, grouped by its rules.
    panel.groupPresetDidChange(0);
    EXPECT_EQ(presets.currentPresetIndex(), 0u);
    EXPECT_EQ(popup->currentText(), presets.allPresets().at(0)->name());
    EXPECT_EQ(rows().first(), "Photos 2");
    EXPECT_EQ(panel.rootGroup()->nodes().size(), 1); // one file type

    // "Manage Presets…" asks for the preferences and is never left shown as the choice.
    QSignalSpy manage(&panel, &MCTreePanelViewController::showPreferencesWithGroupingPresets);
    panel.groupPresetDidChange(-1);
    EXPECT_EQ(manage.count(), 1);
    EXPECT_EQ(popup->currentText(), presets.allPresets().at(0)->name());
    EXPECT_EQ(presets.currentPresetIndex(), 0u);

    // Another preset renamed in the preferences shows its new name without regrouping.
    const MCGroupTreeController *before = panel.treeController();
    presets.allPresets().at(2)->setName("Kinds and sizes");
    presets.savePresetsToPrefsAndNotify();
    EXPECT_EQ(popup->itemText(2), "Kinds and sizes");
    EXPECT_EQ(popup->currentText(), presets.allPresets().at(0)->name());
    EXPECT_EQ(panel.treeController(), before);
}
