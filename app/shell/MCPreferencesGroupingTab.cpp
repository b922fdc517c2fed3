#include "app/shell/MCPreferencesGroupingTab.h"

#include "app/library/MCGroupRulePresetsManager.h"
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCTableView.h"
#include "app/uikit/MCTextFieldCell.h"
#include "halvard/ui/MCAlert.h"

#include <QDataStream>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

const QString kMCIndexesPboardType = QStringLiteral("MCIndexesPboard");

namespace {

QByteArray archivedRows(const QList<qint64> &rows)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << rows;
    return data;
}

QList<qint64> unarchivedRows(const QByteArray &data)
{
    QList<qint64> rows;
    QDataStream stream(data);
    stream >> rows;
    if (stream.status() != QDataStream::Ok)
        rows.clear();
    return rows;
}

} // namespace

// ---------------------------------------------------------------- presets model

MCGroupingPresetsModel::MCGroupingPresetsModel(MCGroupRulePresetsManager &manager, QObject *parent)
    : QAbstractTableModel(parent), m_manager(manager)
{
}

int MCGroupingPresetsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_manager.allPresets().size());
}

int MCGroupingPresetsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant MCGroupingPresetsModel::data(const QModelIndex &index, int role) const
{
    const auto &presets = m_manager.allPresets();
    if (!index.isValid() || index.row() >= presets.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return presets.at(index.row())->name();
    if (role == Qt::FontRole && quint64(index.row()) == m_manager.currentPresetIndex()) {
        QFont font;
        font.setBold(true);
        return font;
    }
    return {};
}

Qt::ItemFlags MCGroupingPresetsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList MCGroupingPresetsModel::mimeTypes() const
{
    return {kMCIndexesPboardType};
}

QMimeData *MCGroupingPresetsModel::mimeData(const QModelIndexList &indexes) const
{
    QList<qint64> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    auto *data = new QMimeData;
    data->setData(kMCIndexesPboardType, archivedRows(rows));
    return data;
}

bool MCGroupingPresetsModel::canDropMimeData(const QMimeData *data, Qt::DropAction, int, int, const QModelIndex &) const
{
    return data && data->hasFormat(kMCIndexesPboardType);
}

bool MCGroupingPresetsModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                          const QModelIndex &parent)
{
    if (!data || !data->hasFormat(kMCIndexesPboardType) || action == Qt::IgnoreAction)
        return false;
    const QList<qint64> rows = unarchivedRows(data->data(kMCIndexesPboardType));
    const qint64 count = m_manager.allPresets().size();
    MCIndexSet indexes;
    for (qint64 r : rows)
        if (r >= 0 && r < count)
            indexes.addIndex(r);
    if (indexes.isEmpty())
        return false;
    // A drop onto a row lands above it; below the last row, at the end.
    qint64 destination = parent.isValid() ? parent.row() : row;
    if (destination < 0 || destination > count)
        destination = count;
    const MCIndexSet moved = m_manager.movePresetsAtIndexes(indexes, quint64(destination));
    reload();
    emit presetsMoved(moved.toList());
    return true;
}

void MCGroupingPresetsModel::reload()
{
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------- tab

MCPreferencesGroupingTab::MCPreferencesGroupingTab(QObject *parent)
    : MCPreferencesGroupingTab(MCGroupRulePresetsManager::defaultManager(), parent)
{
}

MCPreferencesGroupingTab::MCPreferencesGroupingTab(MCGroupRulePresetsManager &manager, QObject *parent)
    : MCViewController(parent), m_manager(manager)
{
}

MCPreferencesGroupingTab::~MCPreferencesGroupingTab() = default;

QWidget *MCPreferencesGroupingTab::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    auto *note = new QLabel(tr("Grouping presets of the photo browser. Drag to reorder; double-click to use one."), view);
    note->setWordWrap(true);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(1.0, 0.55));
    note->setPalette(palette);
    layout->addWidget(note);

    m_model = new MCGroupingPresetsModel(m_manager, this);
    m_presetsTableView = new MCTableView(view);
    m_presetsTableView->setModel(m_model);
    m_presetsTableView->setAccessibleName(tr("Grouping presets"));
    m_presetsTableView->setFocusPolicy(Qt::StrongFocus);
    m_presetsTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_presetsTableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_presetsTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_presetsTableView->horizontalHeader()->hide();
    m_presetsTableView->horizontalHeader()->setStretchLastSection(true);
    m_presetsTableView->verticalHeader()->hide();
    m_presetsTableView->verticalHeader()->setDefaultSectionSize(22);
    m_presetsTableView->setDragEnabled(true);
    m_presetsTableView->setAcceptDrops(true);
    m_presetsTableView->setDropIndicatorShown(true);
    m_presetsTableView->setDragDropMode(QAbstractItemView::DragDrop);
    m_presetsTableView->setDragDropOverwriteMode(false);
    m_presetsTableView->setDefaultDropAction(Qt::MoveAction);
    layout->addWidget(m_presetsTableView, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    auto addButton = [&](const QString &title, const QString &name, void (MCPreferencesGroupingTab::*command)()) {
        auto *button = new MCDarkButtonCell(title, view);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAccessibleName(name);
        connect(button, &QAbstractButton::clicked, this, command);
        buttons->addWidget(button);
        return button;
    };
    addButton(tr("Add…"), tr("Add Preset"), &MCPreferencesGroupingTab::addPreset);
    m_removePresetButton = addButton(tr("Remove"), tr("Remove Preset"), &MCPreferencesGroupingTab::removePreset);
    addButton(tr("Edit…"), tr("Edit Preset"), &MCPreferencesGroupingTab::editPreset);
    addButton(tr("Duplicate…"), tr("Duplicate Preset"), &MCPreferencesGroupingTab::duplicatePreset);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    view->setMinimumSize(520, 330);
    view->resize(520, 330);
    return view;
}

void MCPreferencesGroupingTab::viewControllerDidLoad()
{
    updateRemoveButton();
    connect(m_presetsTableView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &) { doubleClickInPresetTableView(); });
    connect(m_model, &MCGroupingPresetsModel::presetsMoved, this, [this](const QList<qint64> &rows) {
        QItemSelection selection;
        for (qint64 row : rows)
            selection.select(m_model->index(int(row), 0), m_model->index(int(row), 0));
        m_presetsTableView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                                    QItemSelectionModel::Rows);
    });
}

void MCPreferencesGroupingTab::updateRemoveButton()
{
    if (m_removePresetButton)
        m_removePresetButton->setEnabled(m_manager.allPresets().size() >= 2);
}

int MCPreferencesGroupingTab::selectedRow() const
{
    if (!m_presetsTableView || !m_presetsTableView->selectionModel())
        return -1;
    const QModelIndexList rows = m_presetsTableView->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    int lowest = rows.first().row();
    for (const QModelIndex &index : rows)
        lowest = std::min(lowest, index.row());
    return lowest;
}

void MCPreferencesGroupingTab::selectRow(int row)
{
    view();
    if (row < 0 || row >= m_model->rowCount()) {
        m_presetsTableView->clearSelection();
        return;
    }
    m_presetsTableView->selectionModel()->select(m_model->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                             QItemSelectionModel::Rows);
}

QString MCPreferencesGroupingTab::uniquePresetNameForName(const QString &name, const QSet<QString> &names)
{
    const qsizetype space = name.lastIndexOf(QLatin1Char(' '));
    const QString last = name.mid(space + 1);
    qint64 number = 0;
    for (QChar c : last) {
        if (!c.isDigit())
            break;
        number = number * 10 + c.digitValue();
        if (number > (qint64(1) << 50))
            break;
    }
    qint64 counter = 2;
    QString base = name;
    QString candidate = name;
    // A name of one word that is a number has no base to cut it from: it counts as a plain name.
    if (space >= 0 && number > 0) {
        counter = number + 1;
        base = name.left(space);
        candidate = base + QStringLiteral(" %1").arg(counter);
    }
    while (names.contains(candidate)) {
        candidate = base + QStringLiteral(" %1").arg(counter);
        ++counter;
    }
    return candidate;
}

QString MCPreferencesGroupingTab::uniquePresetNameForName(const QString &name) const
{
    QSet<QString> names;
    for (const auto &preset : m_manager.allPresets())
        names.insert(preset->name());
    return uniquePresetNameForName(name, names);
}

MCEditGroupingPresetDialog *MCPreferencesGroupingTab::openEditor() const
{
    return m_editor && m_editor->isShown() ? m_editor.get() : nullptr;
}

void MCPreferencesGroupingTab::showEditor(const std::shared_ptr<MCGroupRulePreset> &preset,
                                          std::function<void(const std::shared_ptr<MCGroupRulePreset> &)> done)
{
    if (m_editor && m_editor->isShown())
        return;
    m_editor = MCEditGroupingPresetDialog::dialogForGroupRulePreset(*preset);
    MCEditGroupingPresetDialog *editor = m_editor.get();
    editor->beginSheetModalForWindow(view()->window(), [this, editor, done](int code) {
        if (code == MCDialogDefaultReturn)
            done(editor->groupRulePreset());
        m_model->reload();
        updateRemoveButton();
    });
}

void MCPreferencesGroupingTab::addPreset()
{
    view();
    const int row = selectedRow();
    const quint64 index = row >= 0 ? quint64(row) + 1 : 0;
    auto preset = std::make_shared<MCGroupRulePreset>(uniquePresetNameForName(tr("My Grouping Preset")),
                                                      QList<std::shared_ptr<MCGroupRule>>{MCGroupRule::ruleGroupBy(1)});
    showEditor(preset, [this, index](const std::shared_ptr<MCGroupRulePreset> &result) {
        m_manager.insertPreset(result, std::min<quint64>(index, quint64(m_manager.allPresets().size())));
    });
}

void MCPreferencesGroupingTab::editPreset()
{
    view();
    const int row = selectedRow();
    if (row < 0)
        return;
    showEditor(m_manager.allPresets().at(row), [this, row](const std::shared_ptr<MCGroupRulePreset> &result) {
        if (row < m_manager.allPresets().size())
            m_manager.replacePresetAtIndex(quint64(row), result);
    });
}

void MCPreferencesGroupingTab::duplicatePreset()
{
    view();
    const int row = selectedRow();
    if (row < 0)
        return;
    std::shared_ptr<MCGroupRulePreset> copy = m_manager.allPresets().at(row)->copy();
    copy->setName(uniquePresetNameForName(copy->name()));
    showEditor(copy, [this, row](const std::shared_ptr<MCGroupRulePreset> &result) {
        m_manager.insertPreset(result, std::min<quint64>(quint64(row) + 1, quint64(m_manager.allPresets().size())));
    });
}

void MCPreferencesGroupingTab::removePreset()
{
    view();
    const int row = selectedRow();
    if (row < 0 || m_manager.allPresets().size() < 2)
        return;
    MCAlert alert = MCAlert::alertWithMessageText(tr("Are you sure you want to remove the preset?"),
                                                  tr("The preset will be removed from the list."), tr("Remove"),
                                                  tr("Cancel"));
    alert.setCritical(true);
    if (alert.runModal(view()->window()) != MCAlertFirstButtonReturn)
        return;
    m_manager.removePresetAtIndex(quint64(row));
    m_model->reload();
    updateRemoveButton();
}

void MCPreferencesGroupingTab::doubleClickInPresetTableView()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_manager.setCurrentPresetIndex(quint64(row));
    m_model->reload();
    selectRow(row);
}

// ---------------------------------------------------------------- rule row

namespace {

struct RuleType {
    qint64 tag;
    const char *title;
};
const RuleType kRuleTypes[] = {
    {1, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "File Type")},
    {2, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "File Size")},
    {3, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Capture Date")},
    {100, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Alpha Channel")},
    {101, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Color Model")},
    {102, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Bits per Channel")},
    {200, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Orientation")},
    {201, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Megapixels")},
    {202, QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Aspect Ratio")},
};
const char *const kTimeRanges[] = {
    QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Year"),
    QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Month"),
    QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Day"),
    QT_TRANSLATE_NOOP("MCGroupRuleTableCellView", "Hour"),
};
constexpr int kRuleRowHeight = 27;
constexpr int kRuleRowSpacing = 2;
constexpr int kRuleTableFrame = 4;

} // namespace

int MCGroupRuleTableHeight(int rules)
{
    return kRuleRowHeight * rules + kRuleRowSpacing * (rules - 1) + kRuleTableFrame;
}

MCGroupRuleTableCellView::MCGroupRuleTableCellView(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(kRuleRowHeight);
    auto *type = new MCDarkPopupCell(this);
    for (const RuleType &ruleType : kRuleTypes)
        type->addItem(tr(ruleType.title), ruleType.tag);
    type->setAccessibleName(tr("Group by"));
    type->setMinimumWidth(160);
    m_typePopup = type;
    auto *range = new MCDarkPopupCell(this);
    for (qint64 i = 0; i < qint64(std::size(kTimeRanges)); ++i)
        range->addItem(tr(kTimeRanges[i]), i);
    range->setAccessibleName(tr("Time range"));
    range->setMinimumWidth(90);
    m_timeRangePopup = range;
    auto *plus = new MCDarkButtonCell(QStringLiteral("+"), this);
    plus->setAccessibleName(tr("Add Rule"));
    plus->setFocusPolicy(Qt::StrongFocus);
    plus->setFixedWidth(28);
    m_plusButton = plus;
    auto *minus = new MCDarkButtonCell(QString::fromUtf8("\u2212"), this);
    minus->setAccessibleName(tr("Remove Rule"));
    minus->setFocusPolicy(Qt::StrongFocus);
    minus->setFixedWidth(28);
    m_minusButton = minus;

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 4, 1);
    layout->setSpacing(6);
    layout->addWidget(type);
    layout->addWidget(range);
    layout->addStretch(1);
    layout->addWidget(minus);
    layout->addWidget(plus);

    connect(type, &QComboBox::activated, this, [this](int) { changeRuleType(); });
    connect(range, &QComboBox::activated, this, [this](int index) {
        if (m_groupRule)
            m_groupRule->setTimeRange(quint64(m_timeRangePopup->itemData(index).toLongLong()));
    });
}

void MCGroupRuleTableCellView::setGroupRule(const std::shared_ptr<MCGroupRule> &rule)
{
    if (rule == m_groupRule)
        return;
    m_groupRule = rule;
    updateUI();
}

qint64 MCGroupRuleTableCellView::typeTagForRule(const MCGroupRule &rule)
{
    for (const RuleType &type : kRuleTypes)
        if (quint64(type.tag) == rule.groupBy())
            return type.tag;
    return -1;
}

void MCGroupRuleTableCellView::updateRule(MCGroupRule &rule, qint64 tag)
{
    switch (tag) {
    case 1: case 2: case 100: case 101: case 102: case 200: case 201: case 202:
        rule.setGroupBy(quint64(tag));
        break;
    case 3:
        rule.setGroupBy(3);
        rule.setTimeRange(0);
        break;
    default:
        break;
    }
}

void MCGroupRuleTableCellView::changeRuleType()
{
    if (!m_groupRule)
        return;
    updateRule(*m_groupRule, m_typePopup->currentData().toLongLong());
    updateUI();
}

void MCGroupRuleTableCellView::updateUI()
{
    if (!m_groupRule)
        return;
    m_typePopup->setCurrentIndex(m_typePopup->findData(typeTagForRule(*m_groupRule)));
    m_timeRangePopup->setCurrentIndex(m_timeRangePopup->findData(qint64(m_groupRule->timeRange())));
    m_timeRangePopup->setVisible(m_groupRule->groupBy() == 3);
}

// ---------------------------------------------------------------- editor

std::unique_ptr<MCEditGroupingPresetDialog> MCEditGroupingPresetDialog::dialogForGroupRulePreset(const MCGroupRulePreset &preset)
{
    auto dialog = std::make_unique<MCEditGroupingPresetDialog>();
    dialog->setGroupRulePreset(preset);
    return dialog;
}

MCEditGroupingPresetDialog::MCEditGroupingPresetDialog(QObject *parent) : MCDialogController(parent) {}

MCEditGroupingPresetDialog::~MCEditGroupingPresetDialog() = default;

void MCEditGroupingPresetDialog::setGroupRulePreset(const MCGroupRulePreset &preset)
{
    m_groupRulePreset = preset.copy();
    if (m_nameField)
        m_nameField->setText(m_groupRulePreset->name());
    if (m_rowsLayout)
        reloadRows();
}

QDialog *MCEditGroupingPresetDialog::loadWindow()
{
    auto *dialog = new QDialog;
    dialog->setWindowTitle(tr("Grouping Preset"));
    auto *layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(12);

    auto *nameRow = new QHBoxLayout;
    auto *nameLabel = new QLabel(tr("Name:"), dialog);
    m_nameField = new MCDarkTextFieldCell(dialog);
    m_nameField->setAccessibleName(tr("Preset name"));
    nameLabel->setBuddy(m_nameField);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_nameField, 1);
    layout->addLayout(nameRow);
    // The field edits the preset's name directly.
    connect(m_nameField, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_groupRulePreset)
            m_groupRulePreset->setName(text);
    });

    auto *rulesLabel = new QLabel(tr("Group photos by:"), dialog);
    layout->addWidget(rulesLabel);
    m_tableView = new QFrame(dialog);
    static_cast<QFrame *>(m_tableView)->setFrameShape(QFrame::StyledPanel);
    m_tableView->setAccessibleName(tr("Rules"));
    m_rowsLayout = new QVBoxLayout(m_tableView);
    m_rowsLayout->setContentsMargins(0, kRuleTableFrame / 2, 0, kRuleTableFrame / 2);
    m_rowsLayout->setSpacing(kRuleRowSpacing);
    layout->addWidget(m_tableView);
    layout->addStretch(1);

    addCancelAndOKButtons(layout, dialog);

    if (m_groupRulePreset)
        m_nameField->setText(m_groupRulePreset->name());
    reloadRows();
    m_tableView->setFixedHeight(MCGroupRuleTableHeight(int(m_rows.size())));
    dialog->resize(440, dialog->sizeHint().height());
    return dialog;
}

void MCEditGroupingPresetDialog::prepareToShow()
{
    MCDialogController::prepareToShow();
    sizeToFit(false);
}

void MCEditGroupingPresetDialog::reloadRows()
{
    if (!m_rowsLayout)
        return;
    for (MCGroupRuleTableCellView *row : std::as_const(m_rows)) {
        m_rowsLayout->removeWidget(row);
        row->deleteLater();
        row->hide();
    }
    m_rows.clear();
    const auto rules = m_groupRulePreset ? m_groupRulePreset->rules() : QList<std::shared_ptr<MCGroupRule>>();
    for (const auto &rule : rules) {
        auto *row = new MCGroupRuleTableCellView(m_tableView);
        row->minusButton()->setEnabled(rules.size() >= 2);
        row->setGroupRule(rule);
        connect(row->plusButton(), &QAbstractButton::clicked, this, [this, row] { addRule(row); });
        connect(row->minusButton(), &QAbstractButton::clicked, this, [this, row] { removeRule(row); });
        m_rowsLayout->addWidget(row);
        m_rows.append(row);
    }
}

void MCEditGroupingPresetDialog::addRule(MCGroupRuleTableCellView *sender)
{
    const qsizetype row = m_rows.indexOf(sender);
    if (row < 0 || !m_groupRulePreset)
        return;
    QList<std::shared_ptr<MCGroupRule>> rules = m_groupRulePreset->rules();
    rules.insert(row + 1, MCGroupRule::ruleGroupBy(1));
    m_groupRulePreset->setRules(rules);
    reloadRows();
    sizeToFit(true);
}

void MCEditGroupingPresetDialog::removeRule(MCGroupRuleTableCellView *sender)
{
    const qsizetype row = m_rows.indexOf(sender);
    if (row < 0 || !m_groupRulePreset || m_groupRulePreset->rules().size() < 2)
        return;
    QList<std::shared_ptr<MCGroupRule>> rules = m_groupRulePreset->rules();
    rules.removeAt(row);
    m_groupRulePreset->setRules(rules);
    reloadRows();
    sizeToFit(true);
}

void MCEditGroupingPresetDialog::sizeToFit(bool)
{
    QDialog *dialog = window();
    if (!dialog || !m_tableView)
        return;
    const int height = MCGroupRuleTableHeight(int(m_rows.size()));
    const int delta = m_tableView->height() - height;
    m_tableView->setFixedHeight(height);
    // The window changes by the table's change, its top edge staying.
    const QRect frame = dialog->geometry();
    dialog->setMinimumHeight(0);
    dialog->setGeometry(frame.x(), frame.y(), frame.width(), frame.height() - delta);
}

void MCEditGroupingPresetDialog::defaultButtonClick()
{
    if (!m_groupRulePreset || m_groupRulePreset->name().isEmpty()) {
        MCAlert alert = MCAlert::alertWithMessageText(tr("A preset must have a name."), tr("Please enter a name."),
                                                      tr("OK"));
        alert.setCritical(true);
        alert.runModal(window());
        return;
    }
    MCDialogController::defaultButtonClick();
}
