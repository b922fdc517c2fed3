#include "app/shell/MCPreferencesWindowController.h"

#include "app/library/MCGroupRulePresetsManager.h"
#include "app/library/MCResourceManager.h"
#include "app/shell/MCAppDelegate.h"
#include "app/shell/MCPreferencesGroupingTab.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "app/uikit/MCTableView.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/ui/MCPromptLayer.h"
#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

MCUserDefaults &standardDefaults()
{
    return MCUserDefaults::standardUserDefaults();
}

QStringList storedUndesirable()
{
    return standardDefaults().stringArrayForKey(kMCUndesirableFileTypesKey);
}

} // namespace

TEST(MCPreferencesWindow, TabFrameKeepsTheTopEdge)
{
    struct Case {
        QRect window;
        int container, view;
        QRect expected;
    };
    const Case cases[] = {
        {{100, 50, 560, 500}, 420, 150, {100, 50, 560, 230}}, // tall to short shrinks from the bottom
        {{100, 50, 560, 230}, 150, 420, {100, 50, 560, 500}},
        {{0, 0, 400, 300}, 240, 240, {0, 0, 400, 300}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCPreferencesWindowFrameForTab(c.window, c.container, c.view), c.expected);
}

TEST(MCPreferencesWindow, FourTabsFilterLabelledFilteringAndSwapping)
{
    MCPreferencesWindowController controller;
    EXPECT_EQ(MCPreferencesWindowController::toolbarItemIdentifiers(),
              (QStringList{"General", "Filter", "Grouping", "Advanced"}));
    QStringList labels;
    for (QAction *action : controller.toolbar()->actions())
        labels << action->text();
    EXPECT_EQ(labels, (QStringList{"General", "Filtering", "Grouping", "Advanced"}));
    EXPECT_EQ(controller.selectedTabIdentifier(), "General");
    EXPECT_EQ(controller.window()->windowTitle(), "General");

    controller.showWindow();
    const int top = controller.window()->geometry().top();
    controller.showFiltering();
    EXPECT_EQ(controller.window()->windowTitle(), "Filtering");
    const int filterHeight = controller.window()->height();
    controller.showAdvanced();
    EXPECT_EQ(controller.window()->geometry().top(), top);
    EXPECT_LT(controller.window()->height(), filterHeight);
    controller.selectTabWithIdentifier("Nothing");
    EXPECT_EQ(controller.selectedTabIdentifier(), "Advanced");
    controller.showGroupingPresets();
    EXPECT_EQ(controller.window()->windowTitle(), "Grouping");
    EXPECT_EQ(controller.window()->geometry().top(), top);
    // Only the chosen tab's view is in the window.
    EXPECT_EQ(controller.containerView()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
}

TEST(MCPreferencesWindow, ResetShowsEveryMessageAgain)
{
    const QStringList keys{"ShowMessageBeforeRemovingPhotosFromList", "ShowMessageAfterConverting",
                           "ShowMessageAfterMetadataEditing", "ShowMessageAfterCopyOrMove", "ShowMessageAfterRename"};
    for (const QString &key : keys)
        standardDefaults().setBool(false, key);
    MCPreferencesGeneralTab tab;
    tab.resetDontAskMeWarnings();
    for (const QString &key : keys)
        EXPECT_TRUE(standardDefaults().boolForKey(key)) << key.toStdString();
}

// The size filters the photo list applies on import are set on the Filtering tab: the slider's
// value is stored as it is and its label shows the threshold; the file size takes numbers of
// 0 and more in a unit; a tab opened later shows what is stored.
TEST(MCPreferencesWindow, FilterSetsTheMinimumPhotoAndFileSize)
{
    const QStringList keys{kMCMinImageSizeKey, kMCMinFileSizeKey, kMCMinFileSizeUnitKey};
    const auto clear = [&] {
        for (const QString &key : keys)
            standardDefaults().removeObjectForKey(key);
    };
    clear();
    MCRegisteredDefaults::registerDefaults();
    {
        MCPreferencesFilterTab tab;
        tab.view();
        for (QWidget *control : std::initializer_list<QWidget *>{tab.minImageSizeSlider(), tab.minFileSizeField(),
                                                                 tab.minFileSizeUnitPopup()}) {
            EXPECT_FALSE(control->accessibleName().isEmpty());
            EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus) << control->accessibleName().toStdString();
        }
        EXPECT_EQ(tab.minImageSizeLabel()->text(), "Any Size");
        EXPECT_EQ(tab.minFileSizeUnitPopup()->currentText(), "KB");

        struct SizeCase { double value; const char *label; };
        for (const SizeCase &c : {SizeCase{0.3, "912+ pixels"}, SizeCase{1.0, "10000+ pixels"}, SizeCase{0.0, "Any Size"}}) {
            tab.minImageSizeSlider()->setDoubleValue(c.value);
            EXPECT_DOUBLE_EQ(standardDefaults().doubleForKey(kMCMinImageSizeKey), c.value);
            EXPECT_EQ(tab.minImageSizeLabel()->text(), c.label);
        }

        struct FileCase { QVariant typed; double stored; };
        for (const FileCase &c : {FileCase{1.5, 1.5}, FileCase{QStringLiteral("large"), 0.0}, FileCase{-3.0, 0.0},
                                  FileCase{250.0, 250.0}}) {
            tab.minFileSizeField()->setObjectValue(c.typed);
            EXPECT_DOUBLE_EQ(standardDefaults().doubleForKey(kMCMinFileSizeKey), c.stored) << c.typed.toString().toStdString();
            EXPECT_DOUBLE_EQ(tab.minFileSizeField()->doubleValue(), c.stored);
        }
        tab.minFileSizeUnitPopup()->setCurrentIndex(2);
        EXPECT_EQ(standardDefaults().integerForKey(kMCMinFileSizeUnitKey), 2);
    }
    standardDefaults().setDouble(0.5, kMCMinImageSizeKey);
    standardDefaults().setInteger(3, kMCMinFileSizeUnitKey);
    {
        MCPreferencesFilterTab tab;
        tab.view();
        EXPECT_DOUBLE_EQ(tab.minImageSizeSlider()->doubleValue(), 0.5);
        EXPECT_EQ(tab.minImageSizeLabel()->text(), "2512+ pixels");
        EXPECT_DOUBLE_EQ(tab.minFileSizeField()->doubleValue(), 250.0);
        EXPECT_EQ(tab.minFileSizeUnitPopup()->currentText(), "GB");
    }
    clear();
}

TEST(MCPreferencesWindow, FilterStoresTheUncheckedTypesInRegistryOrder)
{
    const auto types = MCResourceManager::availableFileTypes();
    ASSERT_GE(types.size(), 3);
    MCPreferencesFilterTab tab;
    tab.view();
    tab.checkAllTypes();
    EXPECT_TRUE(storedUndesirable().isEmpty());

    MCFileTypeTableModel *model = tab.model();
    const QModelIndex second = model->index(1, MCFileTypeTableModel::IconColumn);
    EXPECT_EQ(model->data(second, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model->data(model->index(1, MCFileTypeTableModel::NameColumn), Qt::DisplayRole).toString(),
              types[1]->description());
    ASSERT_TRUE(model->setData(second, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(storedUndesirable(), QStringList{types[1]->typeIdentifier()});
    EXPECT_FALSE(types[1]->isAvailable());
    ASSERT_TRUE(model->setData(second, Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(storedUndesirable().isEmpty());
    EXPECT_TRUE(standardDefaults().objectForKey(kMCUndesirableFileTypesKey).isValid());

    // Unchecking RAW leaves every other type as it was.
    ASSERT_TRUE(model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    tab.uncheckRAWImageTypes();
    QStringList expected;
    for (const auto &type : types) {
        const bool raw = MCResourceManager::isRAWImageType(type->typeIdentifier());
        if (type == types[0] || raw)
            expected << type->typeIdentifier();
        EXPECT_EQ(type->isAvailable(), !(type == types[0] || raw)) << type->typeIdentifier().toStdString();
    }
    EXPECT_EQ(storedUndesirable(), expected);
    tab.uncheckAllTypes();
    EXPECT_EQ(storedUndesirable().size(), types.size());
    tab.checkAllTypes();
    EXPECT_TRUE(storedUndesirable().isEmpty());
    standardDefaults().removeObjectForKey(kMCUndesirableFileTypesKey);
}

// ---------------------------------------------------------------- grouping

namespace {

struct GroupingFixture : ::testing::Test {
    QString folder = testsupport::makeTemporaryFolder(QStringLiteral("grouping"));
    MCUserDefaults defaults{folder + QStringLiteral("/Preferences.plist")};
    std::unique_ptr<MCGroupRulePresetsManager> manager;
    std::unique_ptr<MCPreferencesGroupingTab> tab;
    QWidget host;

    void SetUp() override
    {
        defaults.registerDefaults(MCRegisteredDefaults::registeredDefaults());
        manager = std::make_unique<MCGroupRulePresetsManager>(defaults);
        tab = std::make_unique<MCPreferencesGroupingTab>(*manager);
        tab->view()->setParent(&host);
        host.resize(560, 400);
        host.show();
    }
    void TearDown() override
    {
        tab.reset();
    }
    QStringList names() const
    {
        QStringList list;
        for (const auto &preset : manager->allPresets())
            list << preset->name();
        return list;
    }
    void setPresets(const QStringList &list)
    {
        while (manager->allPresets().size() > 0)
            manager->removePresetAtIndex(0);
        for (const QString &name : list)
            manager->insertPreset(std::make_shared<MCGroupRulePreset>(
                                      name, QList<std::shared_ptr<MCGroupRule>>{MCGroupRule::ruleGroupBy(1)}),
                                  quint64(manager->allPresets().size()));
        tab->model()->reload();
    }
};

} // namespace

TEST(MCPreferencesGroupingTab, UniqueNames)
{
    struct Case {
        const char *name;
        QSet<QString> existing;
        const char *expected;
    };
    const Case cases[] = {
        {"Dates", {}, "Dates"},
        {"Dates", {"Dates"}, "Dates 2"},
        {"Dates", {"Dates", "Dates 2"}, "Dates 3"},
        {"Dates 2", {}, "Dates 3"},
        {"Dates 2", {"Dates 2"}, "Dates 3"},
        {"Dates 2", {"Dates 2", "Dates 3"}, "Dates 4"},
        {"Dates 0", {"Dates 0"}, "Dates 0 2"},
        {"My Trip 2019", {}, "My Trip 2020"},
        {"2020", {}, "2020"},
        {"2020", {"2020"}, "2020 2"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCPreferencesGroupingTab::uniquePresetNameForName(c.name, c.existing), c.expected) << c.name;
}

TEST_F(GroupingFixture, DraggingTwoPresetsBelowTheFourthKeepsThemTogetherAndSelected)
{
    setPresets({"A", "B", "C", "D", "E"});
    MCGroupingPresetsModel *model = tab->model();
    std::unique_ptr<QMimeData> data(model->mimeData({model->index(0, 0), model->index(1, 0)}));
    ASSERT_TRUE(data->hasFormat("MCIndexesPboard"));
    EXPECT_TRUE(model->dropMimeData(data.get(), Qt::MoveAction, 4, 0, {}));
    EXPECT_EQ(names(), (QStringList{"C", "D", "A", "B", "E"}));
    const QModelIndexList selected = tab->presetsTableView()->selectionModel()->selectedRows();
    QList<int> rows;
    for (const QModelIndex &index : selected)
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (QList<int>{2, 3}));

    // A drop onto a row lands above it; a drop without the private type is refused.
    std::unique_ptr<QMimeData> last(model->mimeData({model->index(4, 0)}));
    EXPECT_TRUE(model->dropMimeData(last.get(), Qt::MoveAction, -1, -1, model->index(0, 0)));
    EXPECT_EQ(names(), (QStringList{"E", "C", "D", "A", "B"}));
    QMimeData foreign;
    foreign.setText("A");
    EXPECT_FALSE(model->dropMimeData(&foreign, Qt::MoveAction, 0, 0, {}));
}

TEST_F(GroupingFixture, RemoveAsksAndIsDisabledWithOnePreset)
{
    setPresets({"A", "B"});
    QList<MCAlertRequest> asked;
    int answer = MCAlertSecondButtonReturn;
    MCScopedAlertResponder responder([&](const MCAlertRequest &request) {
        asked << request;
        return MCAlertAnswer{answer, false};
    });
    tab->removePreset(); // nothing selected: nothing asked
    EXPECT_TRUE(asked.isEmpty());
    tab->selectRow(0);
    tab->removePreset();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].messageText, "Are you sure you want to remove the preset?");
    EXPECT_EQ(asked[0].informativeText, "The preset will be removed from the list.");
    EXPECT_EQ(asked[0].buttonTitles, (QStringList{"Remove", "Cancel"}));
    EXPECT_EQ(names().size(), 2);
    answer = MCAlertFirstButtonReturn;
    tab->removePreset();
    EXPECT_EQ(names(), QStringList{"B"});
    EXPECT_FALSE(tab->removePresetButton()->isEnabled());

    // Adding one enables Remove again.
    tab->selectRow(0);
    tab->addPreset();
    MCEditGroupingPresetDialog *editor = tab->openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->nameField()->text(), "My Grouping Preset");
    editor->defaultButtonClick();
    EXPECT_EQ(names(), (QStringList{"B", "My Grouping Preset"}));
    EXPECT_TRUE(tab->removePresetButton()->isEnabled());
}

TEST_F(GroupingFixture, EditorNeedsANameAndEditsACopy)
{
    setPresets({"Dates 2", "Other"});
    tab->selectRow(0);
    tab->duplicatePreset();
    MCEditGroupingPresetDialog *editor = tab->openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->nameField()->text(), "Dates 3");

    QList<MCAlertRequest> asked;
    MCScopedAlertResponder responder([&](const MCAlertRequest &request) {
        asked << request;
        return MCAlertAnswer{MCAlertFirstButtonReturn, false};
    });
    editor->nameField()->clear();
    editor->defaultButtonClick();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].messageText, "A preset must have a name.");
    EXPECT_EQ(asked[0].informativeText, "Please enter a name.");
    EXPECT_EQ(asked[0].alertStyle, MCAlertStyleCritical);
    EXPECT_TRUE(editor->isShown());
    editor->nameField()->setText("Copy");
    editor->defaultButtonClick();
    EXPECT_EQ(names(), (QStringList{"Dates 2", "Copy", "Other"}));

    // Cancel leaves the stored preset untouched.
    tab->selectRow(0);
    tab->editPreset();
    editor = tab->openEditor();
    ASSERT_NE(editor, nullptr);
    editor->nameField()->setText("Changed");
    editor->alternateButtonClick();
    EXPECT_EQ(names().first(), "Dates 2");

    // Double-click makes a preset the current one.
    tab->selectRow(2);
    tab->doubleClickInPresetTableView();
    EXPECT_EQ(manager->currentPresetIndex(), 2u);
}

TEST_F(GroupingFixture, RulesGrowTheEditorAndKeepOne)
{
    EXPECT_EQ(MCGroupRuleTableHeight(1), 31);
    EXPECT_EQ(MCGroupRuleTableHeight(2) - MCGroupRuleTableHeight(1), 29);
    setPresets({"A"});
    tab->selectRow(0);
    tab->editPreset();
    MCEditGroupingPresetDialog *editor = tab->openEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(editor->rows().size(), 1);
    EXPECT_FALSE(editor->rows()[0]->minusButton()->isEnabled());
    const QRect before = editor->window()->geometry();
    editor->rows()[0]->plusButton()->click();
    ASSERT_EQ(editor->rows().size(), 2);
    const QRect after = editor->window()->geometry();
    EXPECT_EQ(after.height() - before.height(), 29);
    EXPECT_EQ(after.top(), before.top());
    EXPECT_TRUE(editor->rows()[0]->minusButton()->isEnabled());

    // Capture date shows the time range and starts at its first value; another type hides it.
    MCGroupRuleTableCellView *row = editor->rows()[1];
    row->groupRule()->setTimeRange(2);
    row->typePopup()->setCurrentIndex(row->typePopup()->findData(3));
    row->changeRuleType();
    EXPECT_EQ(row->groupRule()->groupBy(), 3u);
    EXPECT_EQ(row->groupRule()->timeRange(), 0u);
    EXPECT_FALSE(row->timeRangePopup()->isHidden());
    row->typePopup()->setCurrentIndex(row->typePopup()->findData(201));
    row->changeRuleType();
    EXPECT_EQ(row->groupRule()->groupBy(), 201u);
    EXPECT_TRUE(row->timeRangePopup()->isHidden());

    editor->rows()[1]->minusButton()->click();
    EXPECT_EQ(editor->rows().size(), 1);
    EXPECT_EQ(editor->window()->geometry().height(), before.height());
    editor->defaultButtonClick();
    EXPECT_EQ(manager->allPresets().first()->rules().size(), 1);
}

TEST(MCGroupRuleTableCellView, TagsAndRules)
{
    for (quint64 code : {1u, 2u, 3u, 100u, 101u, 102u, 200u, 201u, 202u})
        EXPECT_EQ(MCGroupRuleTableCellView::typeTagForRule(MCGroupRule(code, 0)), qint64(code));
    EXPECT_EQ(MCGroupRuleTableCellView::typeTagForRule(MCGroupRule(7, 0)), -1);
    MCGroupRule rule(1, 3);
    MCGroupRuleTableCellView::updateRule(rule, 999);
    EXPECT_EQ(rule.groupBy(), 1u);
    MCGroupRuleTableCellView::updateRule(rule, 3);
    EXPECT_EQ(rule.groupBy(), 3u);
    EXPECT_EQ(rule.timeRange(), 0u);
}
