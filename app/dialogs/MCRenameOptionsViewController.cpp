#include "app/dialogs/MCRenameOptionsViewController.h"

#include "app/dialogs/MCRenameTokenPopovers.h"
#include "app/library/MCBatchRenamePreset.h"
#include "app/library/MCBatchRenamer.h"
#include "app/library/MCFile.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "app/uikit/MCPopupCell.h"
#include "platform/core/MCUserDefaults.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace MCColorQuillon;

const QString kMCRenameTokenFamily = QStringLiteral("Rename");

// Tokens -----------------------------------------------------------------------------------------

namespace MCRenameTokens {

QVariantList fieldObjects(const QList<MCBatchRenameElement> &elements)
{
    QVariantList objects;
    for (const MCBatchRenameElement &element : elements) {
        if (const auto *token = std::get_if<MCBatchRenameToken>(&element))
            objects.append(QVariant::fromValue(*token));
        else if (const QString text = std::get<QVariant>(element).toString(); !text.isEmpty())
            objects.append(text);
    }
    return joinedStrings(objects);
}

std::optional<MCBatchRenameToken> tokenInObject(const QVariant &object)
{
    if (object.metaType() == QMetaType::fromType<MCBatchRenameToken>())
        return object.value<MCBatchRenameToken>();
    return std::nullopt;
}

QList<MCBatchRenameElement> elements(const QVariantList &objects)
{
    QList<MCBatchRenameElement> list;
    for (const QVariant &object : joinedStrings(objects)) {
        if (const auto token = tokenInObject(object))
            list.append(*token);
        else
            list.append(QVariant(object.toString()));
    }
    return list;
}

QVariantList joinedStrings(const QVariantList &objects)
{
    QVariantList joined;
    QString text;
    for (const QVariant &object : objects) {
        if (tokenInObject(object)) {
            if (!text.isEmpty())
                joined.append(text);
            text.clear();
            joined.append(object);
        } else {
            text += object.toString();
        }
    }
    if (!text.isEmpty())
        joined.append(text);
    return joined;
}

QVariantMap insertionSettings(quint64 kind)
{
    switch (kind) {
    case MCBatchRenameTokenKindIndex:
        return {{kMCRenameNumberOfDigitsKey, qint64(0)}, {kMCRenameStartIndexKey, qint64(1)}};
    case MCBatchRenameTokenKindCaptureDate:
    case MCBatchRenameTokenKindCurrentDate:
        return {{kMCRenameDateFormatIDKey, qint64(2)}, {kMCRenameTimeFormatIDKey, qint64(0)}};
    case MCBatchRenameTokenKindFindAndReplace:
        return {{kMCRenameFindStringKey, QString("")}, {kMCRenameReplaceStringKey, QString("")}};
    case MCBatchRenameTokenKindOriginalIndex:
    case MCBatchRenameTokenKindImageWidth:
    case MCBatchRenameTokenKindImageHeight:
    case MCBatchRenameTokenKindImageDPI:
        return {};
    default:
        return kind < MCBatchRenameTokenKindCount ? QVariantMap{{kMCRenameCaseKindKey, qint64(0)}} : QVariantMap();
    }
}

bool hasPopover(quint64 kind)
{
    return kind < MCBatchRenameTokenKindCount && !insertionSettings(kind).isEmpty();
}

bool opensPopoverOnInsertion(quint64 kind)
{
    return kind == MCBatchRenameTokenKindIndex || kind == MCBatchRenameTokenKindCaptureDate ||
           kind == MCBatchRenameTokenKindCurrentDate || kind == MCBatchRenameTokenKindFindAndReplace;
}

QVariantList pasteboardList(const QVariantList &objects)
{
    QVariantList list;
    for (const QVariant &object : objects) {
        if (const auto token = tokenInObject(object))
            list.append(token->dictionaryRepresentation());
        else
            list.append(object.toString());
    }
    return list;
}

namespace {

// A whole number stored in a property list (integer, or a real without a fraction).
std::optional<qint64> wholeNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toLongLong();
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::abs(number) < 9.0e15)
            return qint64(number);
        return std::nullopt;
    }
    default: return std::nullopt;
    }
}

bool isSoundSetting(const QString &key, const QVariant &value)
{
    if (key == kMCRenameFindStringKey || key == kMCRenameReplaceStringKey)
        return value.typeId() == QMetaType::QString;
    if (key == kMCRenameFilenameTrimsIndexKey)
        return value.typeId() == QMetaType::Bool || wholeNumber(value).has_value();
    const std::optional<qint64> number = wholeNumber(value);
    if (!number)
        return false;
    if (key == kMCRenameStartIndexKey)
        return *number >= 0;
    if (key == kMCRenameNumberOfDigitsKey)
        return *number >= 0 && *number <= MCRenameTokenIndexPopoverBase::kMaxNumberOfDigits;
    if (key == kMCRenameDateFormatIDKey)
        return *number >= 0 && *number < MCDateQuillon::dateFormats().size();
    if (key == kMCRenameTimeFormatIDKey)
        return *number >= 0 && *number < MCDateQuillon::timeFormats().size();
    if (key == kMCRenameCaseKindKey)
        return *number >= 0 && *number <= 3;
    return false;
}

} // namespace

std::optional<QVariantList> objectsFromPasteboardList(const QVariantList &plist)
{
    QVariantList objects;
    for (const QVariant &element : plist) {
        if (element.typeId() == QMetaType::QString) {
            objects.append(element);
            continue;
        }
        if (element.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        const QVariantMap dictionary = element.toMap();
        const std::optional<qint64> kind = wholeNumber(dictionary.value(QStringLiteral("kind")));
        const QVariant settings = dictionary.value(QStringLiteral("settings"), QVariantMap());
        if (!kind || *kind < 0 || quint64(*kind) >= MCBatchRenameTokenKindCount ||
            settings.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        const QVariantMap map = settings.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (!isSoundSetting(it.key(), it.value()))
                return std::nullopt;
        objects.append(QVariant::fromValue(MCBatchRenameToken::itemWithDictionary(dictionary)));
    }
    return objects;
}

QImage tokenImageForString(const QString &title, const QFont &font, bool pressed)
{
    constexpr double height = 17.0;
    constexpr double radius = height / 2;
    const QFontMetricsF metrics(font);
    const double width = std::ceil(metrics.horizontalAdvance(title)) + 29.0;
    QImage image(QSize(int(width), int(height)) * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(0, 0, width, height);
    // A capsule from 3 after the left edge to 3 before the right edge, over the full height.
    QPainterPath capsule;
    capsule.addRoundedRect(bounds.adjusted(3, 0, -3, 0), radius, radius);
    painter.setClipPath(capsule);
    painter.fillPath(capsule, colorWithBrightness(pressed ? 0.3 : 0.43, 1.0));
    painter.setPen(QPen(colorWithBrightness(pressed ? 0.35 : 0.49, 1.0), 2.0));
    painter.drawPath(capsule);
    painter.setClipping(false);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const double inset = std::trunc(0.5 * height + 6);
    const QRectF textRect = bounds.adjusted(inset, 1, -inset, 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(title, Qt::ElideRight, textRect.width()));
    return image;
}

} // namespace MCRenameTokens

using namespace MCRenameTokens;

// Editor -----------------------------------------------------------------------------------------

namespace {
constexpr int kFileIndexRole = Qt::UserRole + 1;
} // namespace

MCRenameOptionsViewController::MCRenameOptionsViewController(MCRenameOptionsDialog *parentDialog,
                                                             const MCFileList &items,
                                                             const MCBatchRenameSettings &renameSettings,
                                                             const QString &label, bool reordering,
                                                             std::shared_ptr<MCPresetManager> presetManager)
    : m_parentDialog(parentDialog),
      m_initialItems(items),
      m_settings(renameSettings),
      m_label(label),
      m_canReorder(reordering),
      m_presetManager(std::move(presetManager)),
      m_batchRenamer(MCBatchRenamer::defaultBatchRenamer())
{
    if (!m_presetManager)
        m_presetManager = std::make_shared<MCPresetManager>(MCBatchRenamePreset::presetClass());
}

MCRenameOptionsViewController::~MCRenameOptionsViewController()
{
    // The popovers and their controllers are this editor's children and go with it.
    if (m_tokenField)
        m_tokenField->setDelegate(nullptr);
}

void MCRenameOptionsViewController::setRenameSettings(const MCBatchRenameSettings &settings)
{
    m_settings = settings;
    if (isViewLoaded()) {
        updateTokenField();
        tokensDidChange();
    }
}

void MCRenameOptionsViewController::setConverter(std::shared_ptr<MCBitmapConverter> converter)
{
    m_converter = std::move(converter);
    if (isViewLoaded())
        recalculatePreview();
}

QWidget *MCRenameOptionsViewController::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(16, 14, 16, 0);
    layout->setSpacing(8);

    auto *top = new QHBoxLayout;
    m_labelTextField = new QLabel(m_label, view);
    QFont bold = m_labelTextField->font();
    bold.setBold(true);
    m_labelTextField->setFont(bold);
    top->addWidget(m_labelTextField);
    top->addStretch(1);
    auto *presetLabel = new QLabel(tr("Preset:"), view);
    auto *presets = new MCDarkPopupCell(view);
    presets->setAccessibleName(tr("Rename preset"));
    presets->setFocusPolicy(Qt::StrongFocus);
    presets->setMinimumWidth(200);
    presetLabel->setBuddy(presets);
    m_presetsPopup = presets;
    top->addWidget(presetLabel);
    top->addWidget(presets);
    layout->addLayout(top);

    m_tokenField = new MCTokenField(view);
    m_tokenField->setDelegate(this);
    m_tokenField->setAccessibleName(tr("File name pattern"));
    m_tokenField->setMinimumHeight(26);
    layout->addWidget(m_tokenField);
    connect(m_tokenField, &MCTokenField::objectValueChanged, this, [this] {
        if (m_skipsUpdating)
            return;
        // Text typed or removed around the edited token moves it: its popover goes.
        if (MCTokenPopoverController *open = openPopoverController())
            closePopover(open);
        storeTokens();
        tokensDidChange();
    });

    auto *middle = new QHBoxLayout;
    middle->setSpacing(10);
    m_tokensTableView = new QTableWidget(int(m_batchRenamer.predefinedTokens().size()), 2, view);
    m_tokensTableView->setAccessibleName(tr("Tokens"));
    m_tokensTableView->setHorizontalHeaderLabels({tr("Token"), tr("Description")});
    m_tokensTableView->verticalHeader()->hide();
    m_tokensTableView->horizontalHeader()->setStretchLastSection(true);
    m_tokensTableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tokensTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tokensTableView->setShowGrid(false);
    m_tokensTableView->verticalHeader()->setDefaultSectionSize(22);
    const QFont tokenFont = MCControlFont(MCControlSize::Small);
    int tokenColumnWidth = 0;
    for (int row = 0; row < m_tokensTableView->rowCount(); ++row) {
        const MCBatchRenameToken &token = m_batchRenamer.predefinedTokens()[row];
        auto *button = new QToolButton;
        const QImage normal = tokenImageForString(token.displayTokenName(), tokenFont, false);
        QIcon icon(QPixmap::fromImage(normal));
        icon.addPixmap(QPixmap::fromImage(tokenImageForString(token.displayTokenName(), tokenFont, true)),
                       QIcon::Active);
        button->setIcon(icon);
        button->setIconSize(normal.deviceIndependentSize().toSize());
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));
        button->setAccessibleName(tr("Insert %1").arg(token.displayTokenName()));
        button->setToolTip(token.displayTokenDescription());
        button->setFocusPolicy(Qt::StrongFocus);
        const quint64 kind = token.kind();
        connect(button, &QAbstractButton::clicked, this, [this, kind] { addToken(kind); });
        m_tokensTableView->setCellWidget(row, 0, button);
        tokenColumnWidth = std::max(tokenColumnWidth, button->iconSize().width() + 8);
        auto *description = new QTableWidgetItem(token.displayTokenDescription());
        m_tokensTableView->setItem(row, 1, description);
    }
    m_tokensTableView->setColumnWidth(0, tokenColumnWidth);
    m_tokensTableView->setMinimumWidth(tokenColumnWidth + 200);
    middle->addWidget(m_tokensTableView, 2);

    // The preview: each photo's name now and the one it will get.
    m_previewList = new QTreeWidget(view);
    m_previewList->setAccessibleName(tr("New names"));
    m_previewList->setColumnCount(2);
    m_previewList->setHeaderLabels({tr("Old Name"), tr("New Name")});
    m_previewList->setRootIsDecorated(false);
    m_previewList->setUniformRowHeights(true);
    m_previewList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_previewList->header()->setSectionResizeMode(QHeaderView::Stretch);
    for (qsizetype i = 0; i < m_initialItems.size(); ++i) {
        auto *item = new QTreeWidgetItem(m_previewList);
        item->setData(0, kFileIndexRole, qint64(i));
        item->setText(0, QFileInfo(m_initialItems[i]->filePath()).fileName());
        item->setFlags(m_canReorder ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled
                                    : Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    if (m_canReorder) {
        m_previewList->setDragDropMode(QAbstractItemView::InternalMove);
        m_previewList->setDefaultDropAction(Qt::MoveAction);
        m_previewList->invisibleRootItem()->setFlags(Qt::ItemIsDropEnabled | Qt::ItemIsEnabled);
        auto *remove = new QShortcut(QKeySequence::Delete, m_previewList, nullptr, nullptr, Qt::WidgetShortcut);
        auto *backspace = new QShortcut(QKeySequence(Qt::Key_Backspace), m_previewList, nullptr, nullptr,
                                        Qt::WidgetShortcut);
        for (QShortcut *shortcut : {remove, backspace})
            connect(shortcut, &QShortcut::activated, this, [this] { qDeleteAll(m_previewList->selectedItems()); });
    }
    QAbstractItemModel *model = m_previewList->model();
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { recalculatePreview(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { recalculatePreview(); });
    connect(model, &QAbstractItemModel::rowsMoved, this, [this] { recalculatePreview(); });
    middle->addWidget(m_previewList, 3);
    layout->addLayout(middle, 1);

    // The dialog's warning, shown in its bottom strip beside the buttons.
    m_bottomView = new QWidget;
    auto *bottomLayout = new QHBoxLayout(m_bottomView);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    m_warningView = new QLabel(tr("Some photos would get the same name."), m_bottomView);
    m_warningView->setAccessibleName(tr("Duplicate names"));
    QPalette warningPalette = m_warningView->palette();
    warningPalette.setColor(QPalette::WindowText, QColor(0xd0, 0x8a, 0x1e));
    m_warningView->setPalette(warningPalette);
    m_warningView->hide();
    bottomLayout->addWidget(m_warningView);
    bottomLayout->addStretch(1);
    connect(view, &QObject::destroyed, m_bottomView, [bottom = m_bottomView] { delete bottom.data(); });

    auto applyTheme = [this] {
        if (!m_tokensTableView)
            return;
        QPalette palette = m_tokensTableView->palette();
        palette.setColor(QPalette::Base, colorWithBrightness(0.3, 1.0));
        palette.setColor(QPalette::Text, Qt::white);
        m_tokensTableView->setPalette(palette);
    };
    applyTheme();
    connect(&MCAppearanceObserver::sharedObserver(), &MCAppearanceObserver::appearanceKindChanged, this, applyTheme);

    m_presetPopupController = new MCPresetPopupController(presets, this, this);
    updateTokenField();
    recalculatePreview();
    return view;
}

void MCRenameOptionsViewController::prepareToShow()
{
    view();
    updateTokenField();
    if (m_presetPopupController)
        m_presetPopupController->updatePopup();
    if (m_tokenField)
        m_tokenField->setFocus();
    recalculatePreview();
}

void MCRenameOptionsViewController::prepareToClose()
{
    for (MCTokenPopoverController *controller : popoverControllers())
        if (controller->hasToken())
            closePopover(controller);
}

void MCRenameOptionsViewController::viewControllerDidAppear(bool)
{
    if (m_tokenField)
        m_tokenField->setFocus();
}

void MCRenameOptionsViewController::updateTokenField()
{
    if (!m_tokenField)
        return;
    m_skipsUpdating = true;
    m_tokenField->setObjectValue(fieldObjects(m_settings.tokens()));
    m_skipsUpdating = false;
}

void MCRenameOptionsViewController::storeTokens()
{
    if (m_tokenField)
        m_settings.setTokens(elements(m_tokenField->objectValue()));
}

void MCRenameOptionsViewController::tokensDidChange()
{
    if (m_presetPopupController)
        m_presetPopupController->updatePopup();
    recalculatePreview();
}

MCFileList MCRenameOptionsViewController::items() const
{
    if (!m_previewList)
        return m_initialItems;
    MCFileList list;
    for (int row = 0; row < m_previewList->topLevelItemCount(); ++row) {
        const qint64 index = m_previewList->topLevelItem(row)->data(0, kFileIndexRole).toLongLong();
        if (index >= 0 && index < m_initialItems.size())
            list.append(m_initialItems[index]);
    }
    return list;
}

QStringList MCRenameOptionsViewController::resultNames() const
{
    QStringList names;
    const MCFileList files = items();
    for (qsizetype i = 0; i < files.size(); ++i) {
        QString name = m_batchRenamer.provideNameForItem(*files[i], quint64(i), m_settings, m_converter.get());
        names.append(name.replace(QLatin1Char('/'), QLatin1Char(':')));
    }
    return names;
}

void MCRenameOptionsViewController::recalculatePreview()
{
    if (!m_previewList)
        return;
    const QStringList names = resultNames();
    QHash<QString, int> counts;
    for (const QString &name : names)
        ++counts[name];
    m_containsBadNames = false;
    for (int row = 0; row < m_previewList->topLevelItemCount() && row < names.size(); ++row) {
        QTreeWidgetItem *item = m_previewList->topLevelItem(row);
        const bool duplicate = counts.value(names[row]) > 1;
        m_containsBadNames |= duplicate;
        item->setText(1, names[row]);
        item->setForeground(1, duplicate ? QBrush(QColor(0xd0, 0x8a, 0x1e)) : QBrush());
        item->setToolTip(1, duplicate ? tr("Another photo gets the same name.") : QString());
    }
    updateControls();
    emit previewDidChange();
}

void MCRenameOptionsViewController::updateControls()
{
    if (m_warningView)
        m_warningView->setVisible(m_containsBadNames);
    if (m_parentDialog) {
        if (QAbstractButton *ok = m_parentDialog->okButton())
            ok->setEnabled(m_previewList && m_previewList->topLevelItemCount() > 0);
        m_parentDialog->setWarningVisible(m_containsBadNames);
    }
}

// Inserting tokens ---------------------------------------------------------------------------------

void MCRenameOptionsViewController::addToken(quint64 kind)
{
    const QList<MCBatchRenameToken> &palette = m_batchRenamer.predefinedTokens();
    if (kind >= quint64(palette.size()))
        return;
    insertToken(MCBatchRenameToken::itemWithKind(kind, insertionSettings(kind)));
}

QRectF MCRenameOptionsViewController::anchorBeforeCaret() const
{
    const QTextCursor cursor = m_tokenField->textCursor();
    QTextCursor before = cursor;
    before.setPosition(std::max(0, cursor.position() - 1));
    const QPointF origin = m_tokenField->viewport()->pos();
    QRectF anchor = QRectF(m_tokenField->cursorRect(before)).united(QRectF(m_tokenField->cursorRect(cursor)));
    anchor.translate(origin);
    if (anchor.width() < 1)
        anchor.setWidth(2);
    return anchor;
}

void MCRenameOptionsViewController::insertToken(const MCBatchRenameToken &token)
{
    view();
    if (!m_tokenField->hasFocus())
        m_tokenField->setFocus();
    if (MCTokenPopoverController *open = openPopoverController())
        closePopover(open);
    m_tokenField->insertObjects({QVariant::fromValue(token)});
    const int position = m_tokenField->textCursor().position() - 1;
    const QRectF anchor = anchorBeforeCaret();
    placeCaretAfterToken(position);
    if (opensPopoverOnInsertion(token.kind()))
        showSettingsForTokenIfNeed(position, anchor);
}

void MCRenameOptionsViewController::placeCaretAfterToken(int position)
{
    if (!m_tokenField || position < 0)
        return;
    QTextCursor cursor = m_tokenField->textCursor();
    cursor.setPosition(std::min(position + 1, m_tokenField->document()->characterCount() - 1));
    m_tokenField->setTextCursor(cursor);
}

// Popovers --------------------------------------------------------------------------------------

QList<MCTokenPopoverController *> MCRenameOptionsViewController::popoverControllers() const
{
    QList<MCTokenPopoverController *> list;
    for (MCTokenPopoverController *controller : {m_dateFormatPopover, m_indexSettingsPopover,
                                                 m_findAndReplacePopover, m_changeCasePopover, m_filenamePopover})
        if (controller)
            list.append(controller);
    return list;
}

MCTokenPopoverController *MCRenameOptionsViewController::openPopoverController() const
{
    for (MCTokenPopoverController *controller : popoverControllers())
        if (controller->hasToken())
            return controller;
    return nullptr;
}

MCTokenPopoverController *MCRenameOptionsViewController::popoverControllerForKind(quint64 kind)
{
    auto make = [this](MCTokenPopoverController *&slot, auto create) {
        if (!slot) {
            slot = create();
            slot->view();
            connect(slot, &MCTokenPopoverController::tokenSettingsChanged, this,
                    [this, controller = slot] { tokenSettingsDidChange(controller); });
        }
        return slot;
    };
    switch (kind) {
    case MCBatchRenameTokenKindIndex:
        return make(m_indexSettingsPopover, [this] { return new MCRenameTokenIndexPopover(this); });
    case MCBatchRenameTokenKindCaptureDate:
    case MCBatchRenameTokenKindCurrentDate:
        return make(m_dateFormatPopover, [this] { return new MCRenameTokenDateFormatPopover(this); });
    case MCBatchRenameTokenKindOriginalName:
        return make(m_filenamePopover, [this] { return new MCRenameTokenFilenamePopover(this); });
    case MCBatchRenameTokenKindFindAndReplace:
        return make(m_findAndReplacePopover, [this] { return new MCRenameTokenFindAndReplacePopover(this); });
    default:
        if (!hasPopover(kind))
            return nullptr;
        return make(m_changeCasePopover, [this] { return new MCRenameTokenChangeCasePopover(this); });
    }
}

void MCRenameOptionsViewController::showSettingsForTokenIfNeed(int position, const QRectF &anchor)
{
    if (!m_tokenField)
        return;
    const QVariantList objects = m_tokenField->objectsInRange(position, position + 1);
    const std::optional<MCBatchRenameToken> token = objects.isEmpty() ? std::nullopt : tokenInObject(objects.first());
    if (!token || !token->hasSettings())
        return;
    // The click that would open a second popover only closes the first.
    if (MCTokenPopoverController *open = openPopoverController()) {
        closePopover(open);
        return;
    }
    MCTokenPopoverController *controller = popoverControllerForKind(token->kind());
    if (!controller)
        return;
    controller->setTokenData(std::pair(token->kind(), token->settings()));
    m_editedTokenPosition = position;
    controller->popover()->setDelegate(this);
    controller->popover()->showRelativeToRect(anchor, m_tokenField, MCPopoverArrowLeft);
}

void MCRenameOptionsViewController::tokenSettingsDidChange(MCTokenPopoverController *controller)
{
    if (!m_tokenField || !controller->hasToken() || m_editedTokenPosition < 0)
        return;
    // The field gets a new token in place of the old one, as one undo step, so Undo puts the
    // old settings back.
    const MCBatchRenameToken token(controller->tokenKind(), controller->tokenSettings());
    m_skipsUpdating = true;
    m_tokenField->replaceTokenAtPosition(m_editedTokenPosition, QVariant::fromValue(token));
    m_skipsUpdating = false;
    storeTokens();
    tokensDidChange();
}

void MCRenameOptionsViewController::closePopover(MCTokenPopoverController *controller)
{
    controller->setTokenData(std::nullopt);
    m_editedTokenPosition = -1;
    controller->popover()->performClose();
}

void MCRenameOptionsViewController::popoverDidClose(MCPopover *popover)
{
    for (MCTokenPopoverController *controller : popoverControllers()) {
        if (controller->popover() != popover || !controller->hasToken())
            continue;
        const int position = m_editedTokenPosition;
        controller->setTokenData(std::nullopt);
        m_editedTokenPosition = -1;
        if (m_tokenField) {
            m_tokenField->setFocus();
            placeCaretAfterToken(position);
        }
    }
}

// Token field delegate ------------------------------------------------------------------------------

QString MCRenameOptionsViewController::tokenFieldDisplayStringForRepresentedObject(MCTokenField *,
                                                                                  const QVariant &object)
{
    const auto token = tokenInObject(object);
    return token ? token->displayTokenName() : object.toString();
}

bool MCRenameOptionsViewController::tokenFieldRepresentedObjectHasSettings(MCTokenField *, const QVariant &object)
{
    const auto token = tokenInObject(object);
    return token && token->hasSettings() && hasPopover(token->kind());
}

bool MCRenameOptionsViewController::tokenFieldShowSettingsForRepresentedObject(MCTokenField *field,
                                                                              const QVariant &,
                                                                              const QRectF &cellFrame)
{
    const std::optional<int> position = field->tokenAtPoint(cellFrame.center());
    if (!position)
        return false;
    showSettingsForTokenIfNeed(*position, cellFrame);
    return true;
}

QVariantList MCRenameOptionsViewController::tokenFieldShouldAddObjectsAtIndex(MCTokenField *,
                                                                              const QVariantList &objects, qint64)
{
    return joinedStrings(objects);
}

bool MCRenameOptionsViewController::tokenFieldWriteRepresentedObjectsToPasteboard(MCTokenField *field,
                                                                                  const QVariantList &objects,
                                                                                  QMimeData *pasteboard)
{
    MCTokenField::writeTokenPropertyList(pasteboard, pasteboardList(objects), kMCRenameTokenFamily);
    QString text;
    for (const QVariant &object : objects)
        text += tokenFieldDisplayStringForRepresentedObject(field, object);
    pasteboard->setText(text);
    return true;
}

QVariantList MCRenameOptionsViewController::tokenFieldReadFromPasteboard(MCTokenField *,
                                                                         const QMimeData *pasteboard)
{
    const QVariantList plist = MCTokenField::readTokenPropertyList(pasteboard, kMCRenameTokenFamily);
    if (!plist.isEmpty()) {
        if (const std::optional<QVariantList> objects = objectsFromPasteboardList(plist))
            return *objects;
    }
    const QString text = pasteboard->text();
    return text.isEmpty() ? QVariantList() : QVariantList{text};
}

// Presets --------------------------------------------------------------------------------------------

QList<MCPresetRef> MCRenameOptionsViewController::presetsForController(MCPresetPopupController *)
{
    return m_presetManager->userPresets();
}

bool MCRenameOptionsViewController::presetControllerIsSettingsEqualToPreset(MCPresetPopupController *,
                                                                           const MCPresetRef &preset)
{
    const auto *rename = dynamic_cast<const MCBatchRenamePreset *>(preset.get());
    return rename && rename->renameSettings() == m_settings;
}

void MCRenameOptionsViewController::presetControllerApplyPreset(MCPresetPopupController *, const MCPresetRef &preset)
{
    const auto *rename = dynamic_cast<const MCBatchRenamePreset *>(preset.get());
    if (!rename)
        return;
    if (MCTokenPopoverController *open = openPopoverController())
        closePopover(open);
    m_settings = rename->renameSettings();
    updateTokenField();
    if (m_tokenField)
        m_tokenField->selectText();
    recalculatePreview();
}

void MCRenameOptionsViewController::savePresets()
{
    MCError error;
    if (!m_presetManager->savePresets(&error))
        qWarning("Rename presets could not be saved: %s", qUtf8Printable(error.localizedDescription()));
}

void MCRenameOptionsViewController::restoreDefaultPresetsForController(MCPresetPopupController *)
{
    m_presetManager->setUserPresets(MCPresetManager::sortedPresets(m_presetManager->defaultPresets()));
    savePresets();
}

MCPresetRef MCRenameOptionsViewController::createPresetForController(MCPresetPopupController *, const QString &name)
{
    return MCBatchRenamePreset::presetWithName(name, m_settings);
}

void MCRenameOptionsViewController::presetControllerAddPreset(MCPresetPopupController *, const MCPresetRef &preset)
{
    QList<MCPresetRef> presets = m_presetManager->userPresets();
    presets.append(preset);
    m_presetManager->setUserPresets(MCPresetManager::sortedPresets(presets));
    savePresets();
}

void MCRenameOptionsViewController::presetControllerReplacePresetAtIndex(MCPresetPopupController *, qint64 index,
                                                                         const MCPresetRef &preset)
{
    QList<MCPresetRef> presets = m_presetManager->userPresets();
    if (index < 0 || index >= presets.size())
        return;
    presets[index] = preset;
    m_presetManager->setUserPresets(MCPresetManager::sortedPresets(presets));
    savePresets();
}

void MCRenameOptionsViewController::presetControllerDeletePresetAtIndex(MCPresetPopupController *, qint64 index)
{
    QList<MCPresetRef> presets = m_presetManager->userPresets();
    if (index < 0 || index >= presets.size())
        return;
    presets.removeAt(index);
    m_presetManager->setUserPresets(presets);
    savePresets();
}

// Dialog ----------------------------------------------------------------------------------------------

MCRenameOptionsDialog::MCRenameOptionsDialog(const MCBatchRenameSettings &settings, const MCFileList &items,
                                             const QString &label, const QString &buttonLabel, bool reordering,
                                             std::shared_ptr<MCPresetManager> presetManager)
    : m_editor(std::make_shared<MCRenameOptionsViewController>(this, items, settings, label, reordering,
                                                               std::move(presetManager))),
      m_buttonLabel(buttonLabel)
{
    setControllers({m_editor});
}

MCRenameOptionsDialog::~MCRenameOptionsDialog() = default;

void MCRenameOptionsDialog::install()
{
    MCRenameDialog::setFactory([](const MCBatchRenameSettings &settings, const MCFileList &items,
                                  const QString &label, const QString &buttonLabel, bool reordering) {
        return std::make_unique<MCRenameOptionsDialog>(settings, items, label, buttonLabel, reordering);
    });
}

QDialog *MCRenameOptionsDialog::loadWindow()
{
    QDialog *dialog = MCWizardDialog::loadWindow();
    dialog->setWindowTitle(tr("Rename"));
    if (QWidget *container = containerView())
        container->setMinimumSize(760, 440);
    if (QAbstractButton *back = backButton())
        back->hide();
    if (QAbstractButton *ok = okButton()) {
        ok->setText(m_buttonLabel);
        ok->setAccessibleName(m_buttonLabel);
    }
    return dialog;
}

MCBatchRenameSettings MCRenameOptionsDialog::renameSettings() const { return m_editor->renameSettings(); }
MCFileList MCRenameOptionsDialog::items() const { return m_editor->items(); }
QStringList MCRenameOptionsDialog::convertedNames() const { return m_editor->resultNames(); }
std::shared_ptr<MCBitmapConverter> MCRenameOptionsDialog::converter() const { return m_editor->converter(); }
void MCRenameOptionsDialog::setConverter(std::shared_ptr<MCBitmapConverter> converter)
{
    m_editor->setConverter(std::move(converter));
}

void MCRenameOptionsDialog::setWarningVisible(bool visible)
{
    m_warningVisible = visible;
    if (QLabel *warning = warningView())
        warning->setVisible(visible);
}

QLabel *MCRenameOptionsDialog::warningView() const { return m_editor->warningView(); }
