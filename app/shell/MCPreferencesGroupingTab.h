#pragma once

// The Grouping tab of the preferences: the grouping presets the photo browser offers, by name,
// in a table that reorders by dragging; Add, Edit and Duplicate open the preset editor as a
// sheet, Remove asks first, and a double-click makes a preset the current one. The tab keeps no
// presets of its own: every row is read from the shared presets manager.
#include "app/library/MCGroupRulePreset.h"
#include "app/shell/MCDialogController.h"
#include "halvard/ui/MCViewController.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <memory>

class MCGroupRulePresetsManager;
class MCTableView;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QVBoxLayout;

extern const QString kMCIndexesPboardType; // "MCIndexesPboard"

// The presets as table rows, dragged within the table as their row indexes.
class MCGroupingPresetsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit MCGroupingPresetsModel(MCGroupRulePresetsManager &manager, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    // A drop onto a row lands above it; without the private type it is refused.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    void reload();

signals:
    // Where the dropped presets now lie.
    void presetsMoved(const QList<qint64> &rows);

private:
    MCGroupRulePresetsManager &m_manager;
};

class MCPreferencesGroupingTab : public MCViewController
{
    Q_OBJECT
public:
    explicit MCPreferencesGroupingTab(QObject *parent = nullptr);
    // Over another presets manager (tests).
    explicit MCPreferencesGroupingTab(MCGroupRulePresetsManager &manager, QObject *parent = nullptr);
    ~MCPreferencesGroupingTab() override;

    MCTableView *presetsTableView() const { return m_presetsTableView; }
    MCGroupingPresetsModel *model() const { return m_model; }
    QAbstractButton *removePresetButton() const { return m_removePresetButton; }
    // The row selected, or -1.
    int selectedRow() const;
    void selectRow(int row);

    // `name` when no preset has it; else the name with the next free number.
    QString uniquePresetNameForName(const QString &name) const;
    static QString uniquePresetNameForName(const QString &name, const QSet<QString> &names);

    void addPreset();
    void editPreset();
    void duplicatePreset();
    void removePreset();
    void doubleClickInPresetTableView();

    // The editor of the last Add, Edit or Duplicate while its sheet is open (tests finish it).
    class MCEditGroupingPresetDialog *openEditor() const;

protected:
    QWidget *loadView() override;
    void viewControllerDidLoad() override;

private:
    void showEditor(const std::shared_ptr<MCGroupRulePreset> &preset, std::function<void(const std::shared_ptr<MCGroupRulePreset> &)> done);
    void updateRemoveButton();

    MCGroupRulePresetsManager &m_manager;
    MCTableView *m_presetsTableView = nullptr;
    MCGroupingPresetsModel *m_model = nullptr;
    QAbstractButton *m_removePresetButton = nullptr;
    std::unique_ptr<class MCEditGroupingPresetDialog> m_editor;
};

// One rule of the preset editor: what it groups by, the time range of a capture-date rule, and
// the buttons that add a rule after it or remove it.
class MCGroupRuleTableCellView : public QWidget
{
    Q_OBJECT
public:
    explicit MCGroupRuleTableCellView(QWidget *parent = nullptr);

    std::shared_ptr<MCGroupRule> groupRule() const { return m_groupRule; }
    // A different rule object is shown; the same one does nothing.
    void setGroupRule(const std::shared_ptr<MCGroupRule> &rule);

    // The rule's type as the pop-up's tag (1, 2, 3, 100, 101, 102, 200, 201, 202), else -1.
    static qint64 typeTagForRule(const MCGroupRule &rule);
    // Tags 1, 2, 100 to 102 and 200 to 202 set the rule's grouping; 3 sets capture date with the
    // first time range; any other tag changes nothing.
    static void updateRule(MCGroupRule &rule, qint64 tag);
    void changeRuleType();
    void updateUI();

    QComboBox *typePopup() const { return m_typePopup; }
    QComboBox *timeRangePopup() const { return m_timeRangePopup; }
    QAbstractButton *plusButton() const { return m_plusButton; }
    QAbstractButton *minusButton() const { return m_minusButton; }

private:
    std::shared_ptr<MCGroupRule> m_groupRule;
    QComboBox *m_typePopup;
    QComboBox *m_timeRangePopup;
    QAbstractButton *m_plusButton;
    QAbstractButton *m_minusButton;
};

// The table height that fits `rules` rows: rows of 27, 2 between rows, 4 of frame.
int MCGroupRuleTableHeight(int rules);

// The preset editor: its own copy of the preset, a name field and one row per rule; the window
// grows or shrinks to fit the rules, its top edge staying.
class MCEditGroupingPresetDialog : public MCDialogController
{
    Q_OBJECT
public:
    static std::unique_ptr<MCEditGroupingPresetDialog> dialogForGroupRulePreset(const MCGroupRulePreset &preset);
    explicit MCEditGroupingPresetDialog(QObject *parent = nullptr);
    ~MCEditGroupingPresetDialog() override;

    QString windowNibName() const override { return QStringLiteral("MCEditGroupingPresetDialog"); }
    std::shared_ptr<MCGroupRulePreset> groupRulePreset() const { return m_groupRulePreset; }
    // Keeps a copy.
    void setGroupRulePreset(const MCGroupRulePreset &preset);

    QLineEdit *nameField() const { return m_nameField; }
    QWidget *tableView() const { return m_tableView; }
    QList<MCGroupRuleTableCellView *> rows() const { return m_rows; }

    // A rule of file type after the row of `sender`; removing the row's rule.
    void addRule(MCGroupRuleTableCellView *sender);
    void removeRule(MCGroupRuleTableCellView *sender);
    void sizeToFit(bool animate);

public slots:
    // OK with an empty name says a preset must have one and stays open.
    void defaultButtonClick() override;

protected:
    QDialog *loadWindow() override;
    void prepareToShow() override;

private:
    void reloadRows();

    std::shared_ptr<MCGroupRulePreset> m_groupRulePreset;
    QLineEdit *m_nameField = nullptr;
    QWidget *m_tableView = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QList<MCGroupRuleTableCellView *> m_rows;
};
