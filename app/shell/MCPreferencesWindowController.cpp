#include "app/shell/MCPreferencesWindowController.h"

#include "app/library/MCResourceManager.h"
#include "app/shell/MCAppDelegate.h"
#include "app/shell/MCPreferencesGroupingTab.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/uikit/MCButtonCell.h"
#include "app/uikit/MCCheckboxCell.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCPopupCell.h"
#include "app/uikit/MCSlider.h"
#include "app/uikit/MCStepperTextField.h"
#include "app/uikit/MCTableView.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/system/MCValueTransformers.h"
#include "platform/core/MCUserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

QRect MCPreferencesWindowFrameForTab(const QRect &windowFrame, int containerHeight, int viewHeight)
{
    const int delta = viewHeight - containerHeight;
    return QRect(windowFrame.x(), windowFrame.y(), windowFrame.width(), windowFrame.height() + delta);
}

namespace {

MCUserDefaults &defaults()
{
    return MCUserDefaults::standardUserDefaults();
}

// A check box bound to a boolean setting.
MCDarkCheckboxCell *settingCheckbox(const QString &title, const QString &key, QWidget *parent)
{
    auto *box = new MCDarkCheckboxCell(title, parent);
    box->setChecked(defaults().boolForKey(key));
    box->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(box, &QAbstractButton::toggled, box, [key](bool on) { defaults().setBool(on, key); });
    return box;
}

QLabel *explanation(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(1.0, 0.55));
    label->setPalette(palette);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

} // namespace

// ---------------------------------------------------------------- General

void MCPreferencesGeneralTab::resetDontAskMeWarnings()
{
    for (const QString &key : {kMCShowMessageBeforeRemovingPhotosFromListKey, kMCShowMessageAfterConvertingKey,
                               kMCShowMessageAfterMetadataEditingKey, kMCShowMessageAfterCopyOrMoveKey,
                               kMCShowMessageAfterRenameKey})
        defaults().setBool(true, key);
}

QWidget *MCPreferencesGeneralTab::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);

    auto *theme = new MCDarkPopupCell(view);
    theme->addItem(tr("Blue"), 0);
    theme->addItem(tr("Graphite"), 1);
    theme->setCurrentIndex(defaults().integerForKey(kMCAperanceKindKey) == 0 ? 0 : 1);
    theme->setAccessibleName(tr("Theme"));
    connect(theme, &QComboBox::currentIndexChanged, theme,
            [theme](int index) { defaults().setInteger(theme->itemData(index).toLongLong(), kMCAperanceKindKey); });
    form->addRow(tr("Theme:"), theme);
    form->addRow(QString(), settingCheckbox(tr("Rotate photos as their orientation says"),
                                            QStringLiteral("ShouldAutorotate"), view));
    form->addRow(QString(), settingCheckbox(tr("Notify me when a long operation ends"), kMCUseNotificationCenterKey, view));

    auto *reset = new MCDarkButtonCell(tr("Reset Warnings"), view);
    reset->setFocusPolicy(Qt::StrongFocus);
    reset->setAccessibleName(tr("Reset Warnings"));
    connect(reset, &QAbstractButton::clicked, this, &MCPreferencesGeneralTab::resetDontAskMeWarnings);
    auto *resetRow = new QVBoxLayout;
    resetRow->setSpacing(4);
    resetRow->addWidget(reset, 0, Qt::AlignLeft);
    resetRow->addWidget(explanation(tr("Shows again every message you asked not to be shown."), view));
    form->addRow(tr("Messages:"), resetRow);

    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->addLayout(form);
    layout->addStretch(1);
    view->setMinimumSize(520, 210);
    view->resize(520, 210);
    return view;
}

// ---------------------------------------------------------------- Filter

int MCFileTypeTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(MCResourceManager::availableFileTypes().size());
}

int MCFileTypeTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant MCFileTypeTableModel::data(const QModelIndex &index, int role) const
{
    const auto types = MCResourceManager::availableFileTypes();
    if (!index.isValid() || index.row() >= types.size())
        return {};
    const std::shared_ptr<MCUTType> &type = types.at(index.row());
    if (index.column() == IconColumn && role == Qt::CheckStateRole)
        return type->isAvailable() ? Qt::Checked : Qt::Unchecked;
    if (index.column() == IconColumn && role == Qt::AccessibleTextRole)
        return type->description();
    if (index.column() == NameColumn && (role == Qt::DisplayRole || role == Qt::ToolTipRole))
        return type->description();
    return {};
}

bool MCFileTypeTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const auto types = MCResourceManager::availableFileTypes();
    if (!index.isValid() || index.row() >= types.size() || index.column() != IconColumn || role != Qt::CheckStateRole)
        return false;
    const bool available = value.toInt() == Qt::Checked;
    const std::shared_ptr<MCUTType> &type = types.at(index.row());
    if (type->isAvailable() == available)
        return true;
    type->setIsAvailable(available);
    MCPreferencesFilterTab::saveFileTypesToUserDefaults();
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags MCFileTypeTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == IconColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant MCFileTypeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == IconColumn ? QString() : tr("File Type");
}

void MCFileTypeTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

void MCPreferencesFilterTab::saveFileTypesToUserDefaults()
{
    QVariantList unwanted;
    for (const std::shared_ptr<MCUTType> &type : MCResourceManager::availableFileTypes())
        if (!type->isAvailable())
            unwanted.append(type->typeIdentifier());
    defaults().setObject(unwanted, kMCUndesirableFileTypesKey);
}

void MCPreferencesFilterTab::setAvailability(bool available, bool rawOnly)
{
    for (const std::shared_ptr<MCUTType> &type : MCResourceManager::availableFileTypes())
        if (!rawOnly || MCResourceManager::isRAWImageType(type->typeIdentifier()))
            type->setIsAvailable(available);
    saveFileTypesToUserDefaults();
    if (m_model)
        m_model->reload();
}

void MCPreferencesFilterTab::checkAllTypes()
{
    setAvailability(true, false);
}

void MCPreferencesFilterTab::uncheckAllTypes()
{
    setAvailability(false, false);
}

void MCPreferencesFilterTab::checkRAWImageTypes()
{
    setAvailability(true, true);
}

void MCPreferencesFilterTab::uncheckRAWImageTypes()
{
    setAvailability(false, true);
}

namespace {

// The units of "MinFileSizeUnit", by their stored number.
const char *const kFileSizeUnits[] = {QT_TRANSLATE_NOOP("MCPreferencesFilterTab", "bytes"),
                                      QT_TRANSLATE_NOOP("MCPreferencesFilterTab", "KB"),
                                      QT_TRANSLATE_NOOP("MCPreferencesFilterTab", "MB"),
                                      QT_TRANSLATE_NOOP("MCPreferencesFilterTab", "GB"),
                                      QT_TRANSLATE_NOOP("MCPreferencesFilterTab", "TB")};

QString minImageSizeText(double value)
{
    return MCMinImageSizeToStringTransformer::sharedInstance()->transformedValue(value).toString();
}

// A stored minimum file size as the field shows it: a number, never below 0.
double storableFileSize(double value)
{
    return std::isfinite(value) && value > 0 ? value : 0.0;
}

} // namespace

QLayout *MCPreferencesFilterTab::loadSizeControls(QWidget *view)
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(8);

    // The minimum photo size: the slider's value is stored as it is; the label says what it
    // means.
    m_minImageSizeSlider = new MCSlider(view);
    m_minImageSizeSlider->setMinValue(0.0);
    m_minImageSizeSlider->setMaxValue(1.0);
    const double imageSize = defaults().doubleForKey(kMCMinImageSizeKey);
    m_minImageSizeSlider->setDoubleValue(std::isfinite(imageSize) ? std::clamp(imageSize, 0.0, 1.0) : 0.0);
    m_minImageSizeSlider->setAccessibleName(tr("Minimum Photo Size"));
    m_minImageSizeSlider->setFocusPolicy(Qt::StrongFocus);
    m_minImageSizeSlider->setMinimumWidth(220);
    m_minImageSizeLabel = new QLabel(minImageSizeText(imageSize), view);
    m_minImageSizeLabel->setMinimumWidth(120);
    connect(m_minImageSizeSlider, &MCSlider::doubleValueChanged, this, [this](double value) {
        defaults().setDouble(value, kMCMinImageSizeKey);
        m_minImageSizeLabel->setText(minImageSizeText(value));
    });
    auto *imageRow = new QHBoxLayout;
    imageRow->setSpacing(10);
    imageRow->addWidget(m_minImageSizeSlider, 1);
    imageRow->addWidget(m_minImageSizeLabel);
    form->addRow(tr("Minimum Photo Size:"), imageRow);

    // The minimum file size and its unit.
    m_minFileSizeField = new MCStepperTextField(view);
    m_minFileSizeField->setMinValue(0.0);
    m_minFileSizeField->setIncrement(1.0);
    m_minFileSizeField->setObjectValue(storableFileSize(defaults().doubleForKey(kMCMinFileSizeKey)));
    m_minFileSizeField->setAccessibleName(tr("Minimum File Size"));
    m_minFileSizeField->setFocusPolicy(Qt::StrongFocus);
    m_minFileSizeField->setFixedWidth(100);
    connect(m_minFileSizeField, &MCStepperTextField::objectValueChanged, this,
            &MCPreferencesFilterTab::minFileSizeWasEdited);
    m_minFileSizeUnitPopup = new MCDarkPopupCell(view);
    for (int unit = 0; unit < int(std::size(kFileSizeUnits)); ++unit)
        m_minFileSizeUnitPopup->addItem(tr(kFileSizeUnits[unit]), unit);
    // A stored unit outside the list (every file passes then) shows as none until one is chosen.
    const qint64 unit = defaults().integerForKey(kMCMinFileSizeUnitKey);
    m_minFileSizeUnitPopup->setCurrentIndex(unit >= 0 && unit < qint64(std::size(kFileSizeUnits)) ? int(unit) : -1);
    m_minFileSizeUnitPopup->setAccessibleName(tr("Minimum File Size Unit"));
    m_minFileSizeUnitPopup->setFocusPolicy(Qt::StrongFocus);
    connect(m_minFileSizeUnitPopup, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            defaults().setInteger(m_minFileSizeUnitPopup->itemData(index).toLongLong(), kMCMinFileSizeUnitKey);
    });
    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(8);
    fileRow->addWidget(m_minFileSizeField);
    fileRow->addWidget(m_minFileSizeUnitPopup);
    fileRow->addStretch(1);
    form->addRow(tr("Minimum File Size:"), fileRow);
    return form;
}

void MCPreferencesFilterTab::minFileSizeWasEdited()
{
    // Text that is no number, or a negative one, stores 0 (every file passes) and shows it.
    const double value = storableFileSize(m_minFileSizeField->doubleValue());
    defaults().setDouble(value, kMCMinFileSizeKey);
    const QVariant shown = m_minFileSizeField->objectValue();
    if (!(shown.typeId() == QMetaType::Double && shown.toDouble() == value))
        m_minFileSizeField->setObjectValue(value);
}

QWidget *MCPreferencesFilterTab::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addLayout(loadSizeControls(view));
    layout->addWidget(explanation(tr("Photos smaller than these are not added to the photo list."), view));
    layout->addSpacing(6);
    layout->addWidget(explanation(tr("Photos are added to the list only when their file type is checked."), view));

    m_model = new MCFileTypeTableModel(this);
    m_fileTypeTable = new MCTableView(view);
    m_fileTypeTable->setModel(m_model);
    m_fileTypeTable->setAccessibleName(tr("File types"));
    m_fileTypeTable->setFocusPolicy(Qt::StrongFocus);
    m_fileTypeTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileTypeTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileTypeTable->verticalHeader()->hide();
    m_fileTypeTable->horizontalHeader()->setSectionResizeMode(MCFileTypeTableModel::IconColumn, QHeaderView::Fixed);
    m_fileTypeTable->horizontalHeader()->resizeSection(MCFileTypeTableModel::IconColumn, 28);
    m_fileTypeTable->horizontalHeader()->setStretchLastSection(true);
    m_fileTypeTable->verticalHeader()->setDefaultSectionSize(20);
    layout->addWidget(m_fileTypeTable, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const std::pair<QString, void (MCPreferencesFilterTab::*)()> commands[] = {
        {tr("Check All"), &MCPreferencesFilterTab::checkAllTypes},
        {tr("Uncheck All"), &MCPreferencesFilterTab::uncheckAllTypes},
        {tr("Check RAW"), &MCPreferencesFilterTab::checkRAWImageTypes},
        {tr("Uncheck RAW"), &MCPreferencesFilterTab::uncheckRAWImageTypes},
    };
    for (const auto &[title, command] : commands) {
        auto *button = new MCDarkButtonCell(title, view);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAccessibleName(title);
        connect(button, &QAbstractButton::clicked, this, command);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    view->setMinimumSize(520, 520);
    view->resize(520, 520);
    return view;
}

// ---------------------------------------------------------------- Advanced

QWidget *MCPreferencesAdvancedTab::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->setSpacing(10);
    layout->addWidget(settingCheckbox(tr("Keep the original file creation date on converted photos"),
                                      QStringLiteral("KeepOriginalFileCreationDate"), view));
    layout->addWidget(settingCheckbox(tr("Recreate sub-folders in the destination when converting"),
                                      QStringLiteral("CreateIntermidiateFoldersOnConvert"), view));
    layout->addWidget(settingCheckbox(tr("Use the thumbnails embedded in photos (faster)"),
                                      kMCUseFastBitmapGeneratorKey, view));
    layout->addStretch(1);
    view->setMinimumSize(520, 150);
    view->resize(520, 150);
    return view;
}

// ---------------------------------------------------------------- window

namespace {

struct TabItem {
    QString identifier;
    const char *label;
    QStyle::StandardPixmap image;
};

const TabItem kTabItems[] = {
    {QStringLiteral("General"), QT_TRANSLATE_NOOP("MCPreferencesWindowController", "General"), QStyle::SP_ComputerIcon},
    {QStringLiteral("Filter"), QT_TRANSLATE_NOOP("MCPreferencesWindowController", "Filtering"),
     QStyle::SP_FileDialogListView},
    {QStringLiteral("Grouping"), QT_TRANSLATE_NOOP("MCPreferencesWindowController", "Grouping"), QStyle::SP_DirIcon},
    {QStringLiteral("Advanced"), QT_TRANSLATE_NOOP("MCPreferencesWindowController", "Advanced"),
     QStyle::SP_FileDialogDetailedView},
};

} // namespace

QStringList MCPreferencesWindowController::toolbarItemIdentifiers()
{
    QStringList identifiers;
    for (const TabItem &item : kTabItems)
        identifiers << item.identifier;
    return identifiers;
}

QString MCPreferencesWindowController::labelForIdentifier(const QString &identifier)
{
    for (const TabItem &item : kTabItems)
        if (item.identifier == identifier)
            return tr(item.label);
    return {};
}

MCPreferencesWindowController &MCPreferencesWindowController::sharedInstance()
{
    static MCPreferencesWindowController *instance = new MCPreferencesWindowController(qApp);
    return *instance;
}

MCPreferencesWindowController::MCPreferencesWindowController(QObject *parent) : QObject(parent)
{
    m_generalTab = std::make_unique<MCPreferencesGeneralTab>();
    m_filterTab = std::make_unique<MCPreferencesFilterTab>();
    m_groupingTab = std::make_unique<MCPreferencesGroupingTab>();
    m_advancedTab = std::make_unique<MCPreferencesAdvancedTab>();

    m_window = new QMainWindow;
    m_window->setObjectName(QStringLiteral("MCPreferencesWindowController"));
    m_containerView = new QWidget;
    auto *containerLayout = new QVBoxLayout(m_containerView);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    m_window->setCentralWidget(m_containerView);

    m_toolbar = new QToolBar(tr("Preferences"), m_window);
    m_toolbar->setObjectName(QStringLiteral("Preferences"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setEnabled(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(28, 28));
    m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (const TabItem &item : kTabItems) {
        QAction *action = m_toolbar->addAction(m_window->style()->standardIcon(item.image), tr(item.label));
        action->setCheckable(true);
        action->setObjectName(item.identifier);
        group->addAction(action);
        const QString identifier = item.identifier;
        connect(action, &QAction::triggered, this, [this, identifier] { selectTabWithIdentifier(identifier); });
        m_actions.insert(item.identifier, action);
    }
    m_window->resize(560, 300);
    showGeneral();
}

MCPreferencesWindowController::~MCPreferencesWindowController()
{
    // The tabs' views belong to the tabs.
    if (m_window) {
        for (QWidget *child : m_containerView->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            child->setParent(nullptr);
        delete m_window.data();
    }
}

MCViewController *MCPreferencesWindowController::tabForIdentifier(const QString &identifier) const
{
    if (identifier == QLatin1String("General"))
        return m_generalTab.get();
    if (identifier == QLatin1String("Filter"))
        return m_filterTab.get();
    if (identifier == QLatin1String("Grouping"))
        return m_groupingTab.get();
    if (identifier == QLatin1String("Advanced"))
        return m_advancedTab.get();
    return nullptr;
}

void MCPreferencesWindowController::showWindow(QWidget *parent)
{
    if (!m_window->isVisible()) {
        QRect frame = m_window->frameGeometry();
        const QRect area = parent ? parent->window()->frameGeometry()
                                  : (QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                                   : QRect());
        if (area.isValid()) {
            frame.moveCenter(area.center());
            m_window->move(frame.topLeft());
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MCPreferencesWindowController::showGeneral()
{
    selectTabWithIdentifier(QStringLiteral("General"));
}

void MCPreferencesWindowController::showFiltering()
{
    selectTabWithIdentifier(QStringLiteral("Filter"));
}

void MCPreferencesWindowController::showGroupingPresets()
{
    selectTabWithIdentifier(QStringLiteral("Grouping"));
}

void MCPreferencesWindowController::showAdvanced()
{
    selectTabWithIdentifier(QStringLiteral("Advanced"));
}

void MCPreferencesWindowController::selectTabWithIdentifier(const QString &identifier)
{
    MCViewController *tab = tabForIdentifier(identifier);
    if (!tab)
        return;
    if (QAction *action = m_actions.value(identifier))
        action->setChecked(true);
    QWidget *view = tab->view();
    if (!view)
        return;
    m_selected = identifier;
    QLayout *layout = m_containerView->layout();
    for (QWidget *child : m_containerView->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        layout->removeWidget(child);
        child->hide();
        child->setParent(nullptr);
    }
    // The window grows or shrinks by the difference, its top edge staying where it is.
    // The container is all of the window below the tool bar (also before it was first laid out).
    const int containerHeight = m_window->height() - m_toolbar->sizeHint().height();
    const int viewHeight = std::max(view->height(), view->minimumHeight());
    const QRect frame = MCPreferencesWindowFrameForTab(m_window->geometry(), containerHeight, viewHeight);
    m_window->setWindowTitle(labelForIdentifier(identifier));
    view->setParent(m_containerView);
    layout->addWidget(view);
    view->show();
    m_window->setMinimumHeight(0);
    m_window->setGeometry(frame.x(), frame.y(), std::max(frame.width(), view->minimumWidth()), frame.height());
}
