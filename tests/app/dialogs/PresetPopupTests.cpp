#include "app/dialogs/MCChooseNameDialog.h"
#include "app/dialogs/MCPresetPopupController.h"
#include "halvard/ui/MCPromptLayer.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ValuePreset : MCPreset {
    ValuePreset(QString n, int v) : presetName(std::move(n)), value(v) {}
    QString name() const override { return presetName; }
    void setName(const QString &name) override { presetName = name; }
    QVariantMap dictionaryRepresentation() const override { return {{"Name", presetName}, {"Value", value}}; }
    MCPresetRef copyPreset() const override { return std::make_shared<ValuePreset>(*this); }
    QString presetName;
    int value;
};

int valueOf(const MCPresetRef &preset) { return static_cast<const ValuePreset &>(*preset).value; }

// The screen's side: one integer setting and a sorted list of presets.
struct Screen : MCPresetControllerDataSource {
    int settings = 0;
    QList<MCPresetRef> presets;
    QList<MCPresetRef> factory;
    QStringList calls;

    void sort()
    {
        std::stable_sort(presets.begin(), presets.end(),
                         [](const MCPresetRef &a, const MCPresetRef &b) { return a->name() < b->name(); });
    }
    QList<MCPresetRef> presetsForController(MCPresetPopupController *) override { return presets; }
    bool presetControllerIsSettingsEqualToPreset(MCPresetPopupController *, const MCPresetRef &p) override
    {
        return valueOf(p) == settings;
    }
    void presetControllerApplyPreset(MCPresetPopupController *, const MCPresetRef &p) override
    {
        calls << "apply " + p->name();
        settings = valueOf(p);
    }
    void restoreDefaultPresetsForController(MCPresetPopupController *) override
    {
        calls << "restore";
        presets.clear();
        for (const MCPresetRef &p : factory)
            presets.append(p->copyPreset());
        sort();
    }
    MCPresetRef createPresetForController(MCPresetPopupController *, const QString &name) override
    {
        return std::make_shared<ValuePreset>(name, settings);
    }
    void presetControllerAddPreset(MCPresetPopupController *, const MCPresetRef &p) override
    {
        calls << "add " + p->name();
        presets.append(p);
        sort();
    }
    void presetControllerReplacePresetAtIndex(MCPresetPopupController *, qint64 i, const MCPresetRef &p) override
    {
        calls << QStringLiteral("replace %1 %2").arg(i).arg(p->name());
        presets[i] = p;
        sort();
    }
    void presetControllerDeletePresetAtIndex(MCPresetPopupController *, qint64 i) override
    {
        calls << QStringLiteral("delete %1").arg(i);
        presets.removeAt(i);
    }
};

Screen screenWith(std::initializer_list<std::pair<const char *, int>> list, int settings)
{
    Screen screen;
    for (const auto &[name, value] : list)
        screen.presets.append(std::make_shared<ValuePreset>(QString::fromUtf8(name), value));
    screen.sort();
    screen.settings = settings;
    return screen;
}

// The pop-up as the user sees it: titles, "-" for separators, "(off)" after disabled entries,
// "*" before the selected one.
QStringList entries(const QComboBox &popup)
{
    QStringList out;
    auto *model = qobject_cast<QStandardItemModel *>(popup.model());
    for (int i = 0; i < popup.count(); ++i) {
        QString text = popup.itemData(i, Qt::AccessibleDescriptionRole).toString() == "separator"
                           ? QStringLiteral("-")
                           : popup.itemText(i);
        if (i == popup.currentIndex())
            text.prepend('*');
        if (model && text != "-" && !model->item(i)->isEnabled())
            text += " (off)";
        out << text;
    }
    return out;
}

int entryTitled(const QComboBox &popup, const QString &title) { return popup.findText(title); }

// Answers the next name dialog: checks what it shows, types `name` and presses OK or Cancel.
struct NameDialogScript {
    QString shownName;
    bool warningShown = false;
    bool warningAfterTyping = false;
    bool found = false;
};
void answerNameDialog(NameDialogScript &script, const QString &name, bool ok)
{
    QTimer::singleShot(0, [&script, name, ok] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(widget);
            if (!dialog || !dialog->isVisible() || dialog->objectName() != "MCChooseNameDialog")
                continue;
            script.found = true;
            auto *field = dialog->findChild<QLineEdit *>();
            script.shownName = field->text();
            const auto labels = dialog->findChildren<QLabel *>();
            auto warning = std::find_if(labels.begin(), labels.end(),
                                        [](QLabel *l) { return l->accessibleName() == "Name in use"; });
            script.warningShown = (*warning)->isVisibleTo(dialog);
            field->setText(name);
            script.warningAfterTyping = (*warning)->isVisibleTo(dialog);
            for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
                if (button->text() == (ok ? "OK" : "Cancel"))
                    button->click();
        }
    });
}

} // namespace

TEST(MCPresetPopupController, StatesFollowTheSettings)
{
    Screen screen = screenWith({{"Web", 1}, {"Print", 2}}, 7);
    QComboBox popup;
    MCPresetPopupController controller(&popup, &screen);
    EXPECT_EQ(entries(popup), QStringList({"*Custom", "-", "Print", "Web", "-", "Save as New Preset…",
                                           "Delete Current Preset… (off)", "Rename Current Preset… (off)",
                                           "Restore Default Presets…"}));

    // Choosing a preset applies it and selects its own entry.
    popup.activated(entryTitled(popup, "Web"));
    EXPECT_EQ(screen.settings, 1);
    EXPECT_EQ(controller.currentPresetIndex(), 1);
    EXPECT_EQ(entries(popup), QStringList({"Print", "*Web", "-", "Save as New Preset…", "Delete Current Preset…",
                                           "Rename Current Preset…", "Restore Default Presets…"}));

    // A change of the settings: edited, with the save command; changed back: plain again.
    screen.settings = 5;
    controller.updatePopup();
    EXPECT_EQ(entries(popup), QStringList({"*Web (Edited)", "-", "Print", "Web", "-", "Save Current Preset",
                                           "Save as New Preset…", "Delete Current Preset… (off)",
                                           "Rename Current Preset… (off)", "Restore Default Presets…"}));
    screen.settings = 1;
    controller.updatePopup();
    EXPECT_EQ(popup.currentText(), "Web");

    // A screen whose settings match a preset starts on it.
    Screen matching = screenWith({{"Web", 1}, {"Print", 2}}, 2);
    QComboBox other;
    MCPresetPopupController second(&other, &matching);
    EXPECT_EQ(other.currentText(), "Print");
    EXPECT_EQ(second.currentPresetIndex(), 0);
}

TEST(MCPresetPopupController, ChoosingCustomOrTheEditedEntryChangesNothing)
{
    Screen screen = screenWith({{"Web", 1}}, 7);
    QComboBox popup;
    MCPresetPopupController controller(&popup, &screen);
    popup.activated(entryTitled(popup, "Custom"));
    EXPECT_EQ(screen.settings, 7);
    EXPECT_EQ(controller.currentPreset(), nullptr);

    popup.activated(entryTitled(popup, "Web"));
    screen.settings = 9;
    controller.updatePopup();
    popup.activated(entryTitled(popup, "Web (Edited)"));
    EXPECT_EQ(screen.settings, 9);
    EXPECT_EQ(screen.calls, QStringList({"apply Web"}));
    EXPECT_EQ(popup.currentText(), "Web (Edited)");
}

TEST(MCPresetPopupController, SaveCurrentPresetReplacesItAndFindsItAgain)
{
    Screen screen = screenWith({{"A", 1}, {"B", 2}}, 1);
    QComboBox popup;
    MCPresetPopupController controller(&popup, &screen);
    screen.settings = 3;
    controller.updatePopup();
    popup.activated(entryTitled(popup, "Save Current Preset"));
    EXPECT_EQ(screen.calls, QStringList({"replace 0 A"}));
    EXPECT_EQ(valueOf(screen.presets[0]), 3);
    EXPECT_EQ(popup.currentText(), "A");
    EXPECT_FALSE(controller.isEdited());
}

TEST(MCPresetPopupController, ProposedNamesCountOnFromTwo)
{
    const struct {
        QStringList used;
        QString proposed;
    } cases[] = {
        {{}, "My Preset"},
        {{"Other"}, "My Preset"},
        {{"My Preset"}, "My Preset 2"},
        {{"My Preset", "My Preset 2"}, "My Preset 3"},
        {{"My Preset 2"}, "My Preset"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MCPresetPopupController::proposedName("My Preset", c.used), c.proposed) << c.used.join(",").toStdString();
}

TEST(MCPresetPopupController, SaveAsNewRunsTheNameDialog)
{
    Screen screen = screenWith({{"My Preset", 1}, {"My Preset 2", 2}}, 5);
    QComboBox popup;
    MCPresetPopupController controller(&popup, &screen);

    NameDialogScript cancelled;
    answerNameDialog(cancelled, "Nope", false);
    popup.activated(entryTitled(popup, "Save as New Preset…"));
    EXPECT_TRUE(cancelled.found);
    EXPECT_EQ(cancelled.shownName, "My Preset 3");
    EXPECT_FALSE(cancelled.warningShown);
    EXPECT_EQ(screen.presets.size(), 2);
    EXPECT_EQ(popup.currentText(), "Custom");

    // A used name warns but is accepted.
    NameDialogScript taken;
    answerNameDialog(taken, "My Preset", true);
    popup.activated(entryTitled(popup, "Save as New Preset…"));
    EXPECT_TRUE(taken.warningAfterTyping);
    ASSERT_EQ(screen.presets.size(), 3);
    EXPECT_EQ(screen.calls.last(), "add My Preset");
    EXPECT_EQ(valueOf(screen.presets[controller.currentPresetIndex()]), 5);
    EXPECT_EQ(popup.currentIndex(), popup.findData(controller.currentPresetIndex(),
                                                   MCPresetPopupController::kPresetIndexRole));
}

TEST(MCPresetPopupController, RenameWarnsOnlyForAnotherPresetsName)
{
    Screen screen = screenWith({{"Alpha", 1}, {"Beta", 2}}, 2);
    QComboBox popup;
    MCPresetPopupController controller(&popup, &screen);
    ASSERT_EQ(popup.currentText(), "Beta");

    NameDialogScript own;
    answerNameDialog(own, "Beta", true);
    popup.activated(entryTitled(popup, "Rename Current Preset…"));
    EXPECT_EQ(own.shownName, "Beta");
    EXPECT_FALSE(own.warningShown);
    EXPECT_FALSE(own.warningAfterTyping);

    NameDialogScript other;
    answerNameDialog(other, "Alpha", true);
    popup.activated(entryTitled(popup, "Rename Current Preset…"));
    EXPECT_TRUE(other.warningAfterTyping);
    EXPECT_EQ(screen.calls.last(), "replace 1 Alpha");
    EXPECT_EQ(screen.presets[0]->name(), "Alpha");
    EXPECT_EQ(screen.presets[1]->name(), "Alpha");
    EXPECT_EQ(valueOf(screen.presets[controller.currentPresetIndex()]), 2);
    EXPECT_EQ(popup.currentIndex(), popup.findData(controller.currentPresetIndex(),
                                                   MCPresetPopupController::kPresetIndexRole));
}

TEST(MCPresetPopupController, DeleteAndRestoreAskFirst)
{
    Screen screen = screenWith({{"A", 1}, {"B", 2}}, 2);
    screen.factory = {std::make_shared<ValuePreset>("Factory", 2), std::make_shared<ValuePreset>("Z", 9)};
    QComboBox popup;
    MCPresetPopupController controller(&popup, &screen);

    QList<MCAlertRequest> asked;
    int answer = MCAlertSecondButtonReturn;
    MCScopedAlertResponder responder([&](const MCAlertRequest &request) {
        asked << request;
        return MCAlertAnswer{answer, false};
    });

    popup.activated(entryTitled(popup, "Delete Current Preset…"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].messageText, "Do you want to delete the preset “B”? ");
    EXPECT_EQ(asked[0].informativeText, "You cannot undo this operation.");
    EXPECT_EQ(asked[0].buttonTitles, QStringList({"Delete", "Cancel"}));
    EXPECT_EQ(screen.presets.size(), 2); // cancelled
    EXPECT_EQ(popup.currentText(), "B");

    answer = MCAlertFirstButtonReturn;
    popup.activated(entryTitled(popup, "Delete Current Preset…"));
    EXPECT_EQ(screen.calls.last(), "delete 1");
    EXPECT_EQ(controller.currentPreset(), nullptr);
    EXPECT_EQ(popup.currentText(), "Custom");

    answer = MCAlertSecondButtonReturn;
    popup.activated(entryTitled(popup, "Restore Default Presets…"));
    EXPECT_EQ(asked.last().messageText, "Are you sure you want to restore to initial presets? ");
    EXPECT_EQ(asked.last().informativeText, "You cannot undo this operation.");
    EXPECT_EQ(asked.last().buttonTitles, QStringList({"Restore", "Cancel"}));
    EXPECT_EQ(screen.presets.size(), 1);

    // Restored: the factory preset equal to the settings is selected at once.
    answer = MCAlertFirstButtonReturn;
    popup.activated(entryTitled(popup, "Restore Default Presets…"));
    EXPECT_EQ(screen.presets.size(), 2);
    EXPECT_EQ(popup.currentText(), "Factory");
    EXPECT_EQ(controller.currentPresetIndex(), 0);
}

TEST(MCChooseNameDialog, WarningShowsExactlyForUsedNames)
{
    MCChooseNameDialog dialog;
    dialog.setUsedNames({"Web", "Print"});
    dialog.setName("Web");
    ASSERT_NE(dialog.window(), nullptr);
    EXPECT_EQ(dialog.nameField()->text(), "Web");
    EXPECT_FALSE(dialog.warningView()->isHidden());
    dialog.nameField()->setText("Web 2");
    EXPECT_EQ(dialog.name(), "Web 2");
    EXPECT_TRUE(dialog.warningView()->isHidden());
    dialog.nameField()->setText("Print");
    EXPECT_FALSE(dialog.warningView()->isHidden());
    EXPECT_FALSE(dialog.nameField()->accessibleName().isEmpty());
}
