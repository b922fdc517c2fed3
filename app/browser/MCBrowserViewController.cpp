#include "app/browser/MCBrowserViewController.h"

#include "app/browser/MCBrowserItemCell.h"
#include "app/browser/MCPathControl.h"
#include "app/library/MCFile.h"
#include "app/library/MCLogQuillon.h"
#include "app/panels/MCMapPaletteController.h"
#include "app/shell/MCRegisteredDefaults.h"
#include "app/uikit/MCBackgroundView.h"
#include "app/uikit/MCColorQuillon.h"
#include "app/uikit/MCControlSupport.h"
#include "halvard/system/MCStringExtensions.h"
#include "halvard/ui/MCMenuExtensions.h"
#include "halvard/ui/MCWorkspaceExtensions.h"
#include "platform/core/MCObservable.h"
#include "platform/core/MCPropertyList.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/desktop/MCWorkspace.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QHBoxLayout>
#include <QMenu>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QAbstractItemView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <QToolButton>

#include <QCoreApplication>
#include <QMimeData>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCBrowserViewController", text);
}

// The tag of the cell menu's Open With item.
constexpr int kOpenWithItemTag = 202;

// The check marks of the sort pop-up's list, drawn in the list's text colour; unchecked items
// get an empty picture of the same size so that every title starts at the same place.
constexpr QSize kCheckMarkSize(12, 12);

QIcon sortCheckMark()
{
    QPixmap pixmap(kCheckMarkSize * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(2.0, 6.5), QPointF(5.0, 9.5), QPointF(10.0, 2.5)}));
    return QIcon(pixmap);
}

QIcon blankCheckMark()
{
    QPixmap pixmap(kCheckMarkSize * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

MCComparisonResult result(int order)
{
    return order < 0 ? MCOrderedAscending : (order > 0 ? MCOrderedDescending : MCOrderedSame);
}

} // namespace

MCBrowserViewParentController::~MCBrowserViewParentController() = default;
bool MCBrowserViewParentController::asyncAddFilesWithFolderURLs(const QStringList &, MCBrowserViewController *)
{
    return false;
}
bool MCBrowserViewParentController::cancelAdditingForController(MCBrowserViewController *) { return false; }
void MCBrowserViewParentController::updateControlsForController(MCBrowserViewController *) {}

QString MCNumberOfPhotosText(qint64 n, qint64 s)
{
    if (n == 0)
        return tr("No photos");
    if (s > 0)
        return tr("%1 of %2 selected").arg(s).arg(n);
    if (n == 1)
        return tr("1 photo");
    return tr("%1 photos").arg(n);
}

quint64 MCThumbnailPixelSize(double scale, double devicePixelRatio)
{
    const double size = 512.0 * scale * devicePixelRatio;
    return size > 0 && std::isfinite(size) ? quint64(std::trunc(size)) : 0;
}

namespace {

constexpr double kNoValue = -std::numeric_limits<double>::infinity(); // sorts first

// Milliseconds since the epoch of the dates compared by the date sort. A local time is turned
// into the epoch's time with the offset of its day, asked once per day: asking the C library
// looks at the zone file every time (some microseconds, too much for tens of thousands of
// photos compared over and over). A day whose offset changes converts each of its times in
// full, as before.
class DateSortKeys
{
public:
    double key(const std::optional<QDateTime> &date)
    {
        if (!date || !date->isValid())
            return kNoValue;
        if (date->timeSpec() != Qt::LocalTime)
            return double(date->toMSecsSinceEpoch());
        const QDate day = date->date();
        const std::optional<qint64> offset = dayOffset(day);
        if (!offset)
            return double(date->toMSecsSinceEpoch());
        const qint64 local = (day.toJulianDay() - kEpochJulianDay) * kMSecsPerDay + date->time().msecsSinceStartOfDay();
        return double(local - *offset);
    }

private:
    static constexpr qint64 kEpochJulianDay = 2440588; // 1970-01-01
    static constexpr qint64 kMSecsPerDay = 86400000;

    // The day's offset from UTC in milliseconds, when it is the same all day.
    std::optional<qint64> dayOffset(const QDate &day)
    {
        const std::lock_guard guard(m_lock);
        const auto found = m_offsets.constFind(day.toJulianDay());
        if (found != m_offsets.cend())
            return *found;
        const int start = QDateTime(day, QTime(0, 0)).offsetFromUtc();
        const int end = QDateTime(day, QTime(23, 59, 59, 999)).offsetFromUtc();
        const std::optional<qint64> offset = start == end ? std::optional<qint64>(qint64(start) * 1000) : std::nullopt;
        m_offsets.insert(day.toJulianDay(), offset);
        return offset;
    }

    std::mutex m_lock; // guards m_offsets
    QHash<qint64, std::optional<qint64>> m_offsets; // Julian day → offset in ms (none: it changes that day)
};

MCComparisonResult compareKeys(double a, double b)
{
    return a < b ? MCOrderedAscending : (a > b ? MCOrderedDescending : MCOrderedSame);
}

// A descriptor ordering by a number read from each file; the comparator compares the same
// numbers, so sorting by the numbers and placing one file by the comparator agree.
MCSortDescriptor<MCSmartGroup::Item> keyedDescriptor(std::function<double(const MCSmartGroup::Item &)> key,
                                                     bool ascending)
{
    MCSortDescriptor<MCSmartGroup::Item> descriptor;
    descriptor.comparator = [key](const MCSmartGroup::Item &a, const MCSmartGroup::Item &b) {
        return compareKeys(key(a), key(b));
    };
    descriptor.ascending = ascending;
    descriptor.sortKey = std::move(key);
    return descriptor;
}

} // namespace

MCSmartGroup::SortDescriptors MCBrowserSortDescriptors(qint64 kind, qint64 direction)
{
    using Item = MCSmartGroup::Item;
    const bool ascending = direction == 100;
    MCSmartGroup::SortDescriptors descriptors;
    switch (kind) {
    case 0:
        break;
    case 1:
        descriptors.append({[](const Item &a, const Item &b) {
                                return result(MCStringExtensions::compareString(a->browserItemTitle(), b->browserItemTitle()));
                            },
                            ascending});
        break;
    case 2:
        // Sizes are exact as doubles up to 8 petabytes.
        descriptors.append(keyedDescriptor(
            [](const Item &item) {
                const std::optional<quint64> size = item->browserItemFileSize();
                return size ? double(*size) : kNoValue;
            },
            ascending));
        break;
    case 3: {
        const auto dates = std::make_shared<DateSortKeys>();
        descriptors.append(
            keyedDescriptor([dates](const Item &item) { return dates->key(item->browserItemDate()); }, ascending));
        break;
    }
    case 4:
        // Narrower first; of equal widths the shorter first: the width above the height's 26
        // bits (pixel sizes are whole numbers far below 2^26, so the number is exact).
        descriptors.append(keyedDescriptor(
            [](const Item &item) {
                const QSizeF size = item->browserItemImageSize();
                return std::trunc(size.width()) * 67108864.0 + std::clamp(std::trunc(size.height()), 0.0, 67108863.0);
            },
            ascending));
        break;
    default:
        MCLogQuillon::application().error(QStringLiteral("Unexpected sort kind: %1").arg(quint64(kind)));
        break;
    }
    // The tie-break of every kind and the whole order of kind 0.
    MCSortDescriptor<Item> byID;
    byID.comparator = [](const Item &a, const Item &b) {
        return a->browserItemID() < b->browserItemID()
                   ? MCOrderedAscending
                   : (a->browserItemID() > b->browserItemID() ? MCOrderedDescending : MCOrderedSame);
    };
    byID.ascending = ascending;
    byID.sortKey = [](const Item &item) { return double(item->browserItemID()); }; // exact below 2^53
    descriptors.append(byID);
    return descriptors;
}

QStringList MCLocalFilePathsFromMimeData(const QMimeData *data)
{
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    return paths;
}


namespace {
bool isNumber(const QVariant &value)
{
    bool ok = false;
    value.toDouble(&ok);
    return value.isValid() && !value.isNull() && ok;
}
double signedCoordinate(const QVariant &value, const QVariant &ref, const char *negative)
{
    const double v = value.toDouble();
    return ref.toString().compare(QLatin1String(negative), Qt::CaseInsensitive) == 0 ? -v : v;
}
} // namespace

double MCSignedGPSLatitude(const MCFile &item)
{
    return signedCoordinate(item.browserItemGPSLatitude(), item.browserItemGPSLatitudeRef(), "S");
}

double MCSignedGPSLongitude(const MCFile &item)
{
    return signedCoordinate(item.browserItemGPSLongitude(), item.browserItemGPSLongitudeRef(), "W");
}

QString MCGPSLocationText(const MCFile &item, QVariantMap *position)
{
    QString text = QStringLiteral("=== %1 ====\n").arg(item.browserItemTitle());
    // Presence by the numbers: the display strings read "Not defined" for a missing position.
    if (isNumber(item.browserItemGPSLatitude())) {
        const double latitude = MCSignedGPSLatitude(item);
        text += tr("GPS Latitude: %1 (%2)\n").arg(item.browserItemGPSLatitudeString(), QString::number(latitude, 'f', 10));
        if (position)
            position->insert(QStringLiteral("Latitude"), latitude);
    }
    if (isNumber(item.browserItemGPSLongitude())) {
        const double longitude = MCSignedGPSLongitude(item);
        text += tr("GPS Longitude: %1 (%2)\n").arg(item.browserItemGPSLongitudeString(), QString::number(longitude, 'f', 10));
        if (position)
            position->insert(QStringLiteral("Longitude"), longitude);
    }
    return text;
}

// ---- controller

MCBrowserViewController::MCBrowserViewController(QObject *parent) : MCViewController(parent) {}

MCBrowserViewController::~MCBrowserViewController()
{
    if (m_browserView) {
        m_browserView->setDataSource(nullptr);
        m_browserView->setDelegate(nullptr);
        m_browserView->setPrefetchDataSource(nullptr);
    }
    if (m_imageBrowserCache)
        m_imageBrowserCache->setDelegate(nullptr);
}

QWidget *MCBrowserViewController::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The filter panel's slot, empty and hidden until the panel is first shown.
    m_findBar = new QWidget;
    auto *findBarLayout = new QVBoxLayout(m_findBar);
    findBarLayout->setContentsMargins(0, 0, 0, 0);
    findBarLayout->setSpacing(0);
    m_findBar->hide();
    layout->addWidget(m_findBar);

    m_browserView = new MCBrowserView;
    m_browserView->setAccessibleName(tr("Photos"));
    QPalette palette = m_browserView->palette();
    palette.setColor(QPalette::Base, MCColorQuillon::browserViewBackgroundColor());
    m_browserView->setPalette(palette);
    m_browserView->viewport()->setPalette(palette);
    layout->addWidget(m_browserView, 1);

    m_noPhotosBrowserLabel = new QLabel(tr("No photos match the filter"), m_browserView->viewport());
    m_noPhotosBrowserLabel->setAlignment(Qt::AlignCenter);
    m_noPhotosBrowserLabel->setFont(MCControlFont(MCControlSize::Regular));
    QPalette labelPalette = m_noPhotosBrowserLabel->palette();
    labelPalette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.6));
    m_noPhotosBrowserLabel->setPalette(labelPalette);
    m_noPhotosBrowserLabel->hide();

    auto *menu = new QMenu(view);
    menu->addAction(tr("Open"), this, &MCBrowserViewController::open);
    // Open With: its submenu lists the applications for the selection of the moment.
    auto *openWithMenu = new QMenu(tr("Open With"), menu);
    MCMenuExtensions::setTag(openWithMenu->menuAction(), kOpenWithItemTag);
    connect(openWithMenu, &QMenu::aboutToShow, this, [this, openWithMenu] { buildOpenWithMenu(openWithMenu); });
    menu->addMenu(openWithMenu);
    menu->addAction(tr("Show in File Manager"), this, &MCBrowserViewController::revealInFinder);
    menu->addAction(tr("Quick Look"), this, &MCBrowserViewController::quickLook);
    menu->addSeparator();
    m_gpsActions = {menu->addAction(tr("Show Location on Map"), this, &MCBrowserViewController::showGPSLocationPalette),
                    menu->addAction(tr("Copy GPS Location"), this, &MCBrowserViewController::copyGPSLocation)};
    m_browserViewContextMenu = menu;

    auto *pathBar = new MCPathbarBackgroundView;
    auto *pathLayout = new QVBoxLayout(pathBar);
    pathLayout->setContentsMargins(2, 1, 2, 1);
    m_pathControl = new MCPathControl(pathBar);
    pathLayout->addWidget(m_pathControl);
    m_pathBarView = pathBar;
    layout->addWidget(pathBar);

    auto *status = new MCStatusbarBackgroundView;
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(8, 3, 8, 3);
    m_numberOfPhotosLabel = new QLabel;
    m_numberOfPhotosLabel->setAlignment(Qt::AlignCenter);
    m_numberOfPhotosLabel->setFont(MCControlFont(MCControlSize::Small));
    QPalette statusPalette = m_numberOfPhotosLabel->palette();
    statusPalette.setColor(QPalette::WindowText, MCColorQuillon::colorWithWhite(0.8));
    m_numberOfPhotosLabel->setPalette(statusPalette);
    m_numberOfPhotosLabel->setAccessibleName(tr("Number of photos"));
    statusLayout->addWidget(m_numberOfPhotosLabel, 1);

    // The sort pop-up and its caption, or while files are added the progress and its cancel.
    m_sortLabel = new QLabel(tr("Sort by:"));
    m_sortLabel->setFont(MCControlFont(MCControlSize::Small));
    m_sortLabel->setPalette(statusPalette);
    // The themed pop-up of the status line; its list carries the kinds, then the directions.
    m_sortPopup = new MCDarkPopupCell;
    m_sortPopup->setControlSize(MCControlSize::Small);
    m_sortPopup->setAccessibleName(tr("Sort by"));
    m_sortLabel->setBuddy(m_sortPopup);
    const std::pair<qint64, const char *> items[] = {{0, "Unsorted"}, {1, "Name"}, {2, "File Size"},
                                                     {3, "Date"}, {4, "Pixel Size"}, {-1, nullptr},
                                                     {100, "Ascending"}, {101, "Descending"}};
    for (const auto &[tag, title] : items) {
        if (title)
            m_sortPopup->addItem(tr(title), tag);
        else
            m_sortPopup->insertSeparator(m_sortPopup->count());
    }
    // The list is as wide as its longest title beside the check marks, wider than the button.
    m_sortPopup->setIconSize(kCheckMarkSize);
    int widest = 0;
    for (int i = 0; i < m_sortPopup->count(); ++i)
        widest = std::max(widest, m_sortPopup->view()->fontMetrics().horizontalAdvance(m_sortPopup->itemText(i)));
    m_sortPopup->view()->setMinimumWidth(widest + kCheckMarkSize.width() + 36);
    connect(m_sortPopup, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const QVariant tag = m_sortPopup->itemData(index);
        if (tag.isValid())
            sortDidChange(tag.toLongLong());
    });
    m_loadingProgress = new QProgressBar;
    m_loadingProgress->setTextVisible(false);
    m_loadingProgress->setFixedWidth(120);
    m_loadingProgress->setAccessibleName(tr("Adding photos"));
    m_loadingProgress->hide();
    m_loadingCancelButton = new QToolButton;
    m_loadingCancelButton->setText(tr("Stop"));
    m_loadingCancelButton->setAccessibleName(tr("Stop adding photos"));
    m_loadingCancelButton->setFocusPolicy(Qt::StrongFocus);
    m_loadingCancelButton->hide();
    connect(m_loadingCancelButton, &QToolButton::clicked, this, &MCBrowserViewController::cancelAdding);
    statusLayout->addWidget(m_loadingProgress);
    statusLayout->addWidget(m_loadingCancelButton);
    statusLayout->addWidget(m_sortLabel);
    statusLayout->addWidget(m_sortPopup);
    layout->addWidget(status);
    return view;
}

void MCBrowserViewController::viewControllerDidLoad()
{
    const double zoom = m_parentController ? m_parentController->defaultZoomValue() : 0.5;
    m_imageBrowserCache = MCThumbnailCache::cacheWithThumbnailSize(MCThumbnailPixelSize(zoom, devicePixelRatio()));
    m_imageBrowserCache->setDelegate(this);
    m_browserView->setItemCell(std::make_shared<MCBrowserItemCell>(m_browserView));
    m_browserView->setMinScale(m_zoomMin);
    m_browserView->setMaxScale(m_zoomMax);
    m_browserView->setDataSource(this);
    m_browserView->setDelegate(this);
    m_browserView->setScale(zoom);
    m_browserView->setHeaderCell(std::make_shared<MCBrowserHeaderCell>(m_browserView));
    m_browserView->setShowsGroupHeaders(true);
    m_browserView->setPrefetchDataSource(this);
    // File URLs only: drops and pastes of anything else are not offered to us.
    m_browserView->registerForDraggedTypes({QStringLiteral("text/uri-list")});
    // The path bar follows the setting at once, whichever window changed it.
    m_pathBarObservation = std::make_unique<MCObservation>(MCUserDefaults::standardUserDefaults().observe(
        kMCPathBarIsHiddenKey, [this](MCObservable &, const QString &, const MCKeyValueChange &) {
            if (QThread::currentThread() == thread())
                showHidePathBar();
            else
                QMetaObject::invokeMethod(this, &MCBrowserViewController::showHidePathBar, Qt::QueuedConnection);
        }));
    showHidePathBar();
    reloadBrowserData();
    updateSortPopup();
}

void MCBrowserViewController::viewControllerWillDisappear(bool animated)
{
    MCViewController::viewControllerWillDisappear(animated);
    if (MCMapPaletteController *palette = MCMapPaletteController::sharedInstanceIfExists())
        palette->hidePalette();
}

void MCBrowserViewController::updateSortPopup()
{
    if (!m_sortPopup)
        return;
    const MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
    const qint64 kind = defaults.integerForKey(kMCSortKindKey), direction = defaults.integerForKey(kMCSortDirectionKey);
    const QSignalBlocker blocker(m_sortPopup.data());
    for (int i = 0; i < m_sortPopup->count(); ++i) {
        const QVariant data = m_sortPopup->itemData(i);
        if (!data.isValid())
            continue; // the separator
        const qint64 tag = data.toLongLong();
        const bool isDirection = tag == 100 || tag == 101;
        const bool checked = tag == (isDirection ? direction : kind);
        m_sortPopup->setItemData(i, checked, kMCSortItemCheckedRole);
        m_sortPopup->setItemData(i, checked ? sortCheckMark() : blankCheckMark(), Qt::DecorationRole);
        if (!isDirection && tag == kind)
            m_sortPopup->setCurrentIndex(i); // the pop-up always shows the kind
    }
}

void MCBrowserViewController::showLoadingProgress(bool indeterminate)
{
    view();
    m_loadingCancelButton->show();
    m_loadingProgress->show();
    if (indeterminate) {
        m_loadingProgress->setRange(0, 0);
    } else {
        m_loadingProgress->setRange(0, 1000);
        m_loadingProgress->setValue(0);
    }
    m_sortPopup->hide();
    m_sortLabel->hide();
}

void MCBrowserViewController::updateProgressWithValue(double value)
{
    if (m_loadingProgress && m_loadingProgress->maximum() > 0)
        m_loadingProgress->setValue(int(std::lround(std::clamp(value, 0.0, 1.0) * 1000)));
}

void MCBrowserViewController::hideLoadingProgress()
{
    view();
    m_loadingCancelButton->hide();
    m_loadingProgress->hide();
    m_sortPopup->show();
    m_sortLabel->show();
}

void MCBrowserViewController::cancelAdding()
{
    if (m_parentController)
        m_parentController->cancelAdditingForController(this);
}

double MCBrowserViewController::devicePixelRatio() const
{
    if (m_devicePixelRatio > 0)
        return m_devicePixelRatio;
    return m_browserView ? m_browserView->devicePixelRatioF() : 1.0;
}

double MCBrowserViewController::zoomValue() const
{
    return m_browserView ? m_browserView->scale() : 0.0;
}

void MCBrowserViewController::setZoomValue(double scale)
{
    if (m_browserView)
        m_browserView->setScale(scale);
}

// ---- groups, filter and sort

QList<std::shared_ptr<MCGroup>> MCBrowserViewController::groups() const
{
    QList<std::shared_ptr<MCGroup>> groups;
    for (const auto &smart : m_filteredGroups)
        groups.append(smart->group());
    return groups;
}

void MCBrowserViewController::setGroups(const QList<std::shared_ptr<MCGroup>> &groups)
{
    const MCSmartGroup::SortDescriptorsPtr descriptors = sortDescriptors();
    QList<std::shared_ptr<MCSmartGroup>> smart;
    for (const auto &group : groups)
        smart.append(std::make_shared<MCSmartGroup>(group, m_filterPredicate, descriptors));
    m_filteredGroups = smart;
    reloadBrowserData();
}

void MCBrowserViewController::groupDidInsertItems(const MCGroup *group, const QList<MCSmartGroup::Item> &items)
{
    for (const auto &smart : m_filteredGroups)
        if (smart->group().get() == group)
            smart->onInsertItems(items);
}

void MCBrowserViewController::groupDidRemoveItems(const MCGroup *group, const QList<MCSmartGroup::Item> &items)
{
    for (const auto &smart : m_filteredGroups)
        if (smart->group().get() == group)
            smart->onRemoveItems(items);
}

void MCBrowserViewController::setFilterPredicate(MCSmartGroup::PredicatePtr predicate)
{
    m_filterPredicate = std::move(predicate);
    filterItems();
    reloadBrowserData();
}

void MCBrowserViewController::toggleFilterPanel()
{
    if (!m_findBar)
        view();
    if (!m_findBar->isHidden()) {
        m_findBar->hide();
        m_browserView->setFocus(Qt::OtherFocusReason);
    } else {
        if (!m_searchController) {
            m_searchController = std::make_shared<MCSearchPanelController>();
            m_searchController->predicateEditor()->addRow();
            m_searchController->setDelegate(this);
            m_findBar->layout()->addWidget(m_searchController->view());
        }
        m_findBar->setFixedHeight(int(m_searchController->preferredHeight()));
        m_findBar->show();
    }
    updateFilterPredicateFromPanel();
    filterItems();
    reloadBrowserData();
}

void MCBrowserViewController::updateFilterPredicateFromPanel()
{
    // The panel's rows filter while it is shown; hidden or closed, nothing is filtered.
    const bool shown = m_searchController && m_findBar && !m_findBar->isHidden();
    m_filterPredicate = shown ? MCSmartGroupPredicate(m_searchController->predicate()) : nullptr;
}

void MCBrowserViewController::searchControllerDidChangePredicate(MCSearchPanelController *controller)
{
    controller->predicateEditor()->updateCells();
    if (m_findBar)
        m_findBar->setFixedHeight(int(controller->preferredHeight()));
    updateFilterPredicateFromPanel();
    filterItems();
    reloadBrowserData();
}

void MCBrowserViewController::searchControllerShouldBeClosed(MCSearchPanelController *controller)
{
    controller->setDelegate(nullptr);
    if (m_findBar) {
        m_findBar->hide();
        if (QWidget *panel = controller->view(); panel && panel->parentWidget() == m_findBar) {
            m_findBar->layout()->removeWidget(panel);
            panel->setParent(nullptr);
        }
    }
    // The controller may be the caller: let it return before it goes.
    std::shared_ptr<MCSearchPanelController> closing = std::move(m_searchController);
    QMetaObject::invokeMethod(this, [closing] {}, Qt::QueuedConnection);
    updateFilterPredicateFromPanel();
    filterItems();
    reloadBrowserData();
    if (m_browserView)
        m_browserView->setFocus(Qt::OtherFocusReason);
}

MCSmartGroup::SortDescriptorsPtr MCBrowserViewController::sortDescriptors() const
{
    const MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
    return std::make_shared<const MCSmartGroup::SortDescriptors>(
        MCBrowserSortDescriptors(defaults.integerForKey(kMCSortKindKey), defaults.integerForKey(kMCSortDirectionKey)));
}

void MCBrowserViewController::filterItems()
{
    for (const auto &smart : m_filteredGroups)
        smart->setFilterPredicate(m_filterPredicate);
}

void MCBrowserViewController::sortItems()
{
    const MCSmartGroup::SortDescriptorsPtr descriptors = sortDescriptors();
    for (const auto &smart : m_filteredGroups)
        smart->setSortDescriptors(descriptors);
}

void MCBrowserViewController::sortDidChange(qint64 tag)
{
    MCUserDefaults &defaults = MCUserDefaults::standardUserDefaults();
    defaults.setInteger(tag, tag == 100 || tag == 101 ? kMCSortDirectionKey : kMCSortKindKey);
    updateSortPopup();
    sortItems();
    reloadBrowserData();
}

// ---- state

void MCBrowserViewController::reloadBrowserData()
{
    if (!m_browserView)
        return;
    m_browserView->reloadData();
    if (m_parentController)
        m_parentController->updateControlsForController(this);
    updateControls();
    const bool nothingMatches = isFilterActive() && numberOfItems() == 0;
    m_noPhotosBrowserLabel->setGeometry(m_browserView->viewport()->rect());
    m_noPhotosBrowserLabel->setVisible(nothingMatches);
}

void MCBrowserViewController::updateControls()
{
    updateNumberOfPhotosLabel();
    if (m_pathControl)
        m_pathControl->setURLs(selectedPaths());
}

void MCBrowserViewController::updateNumberOfPhotosLabel()
{
    if (m_numberOfPhotosLabel)
        m_numberOfPhotosLabel->setText(MCNumberOfPhotosText(numberOfItems(), numberOfSelectedItems()));
}

void MCBrowserViewController::showHidePathBar()
{
    if (!m_pathBarView)
        return;
    const bool hidden = MCUserDefaults::standardUserDefaults().boolForKey(kMCPathBarIsHiddenKey);
    if (m_pathBarView->isHidden() != hidden)
        m_pathBarView->setHidden(hidden);
}

qint64 MCBrowserViewController::numberOfItems() const
{
    return m_browserView ? m_browserView->numberOfItems() : 0;
}

bool MCBrowserViewController::hasSelectedItems() const
{
    return m_browserView && m_browserView->hasSelection();
}

qint64 MCBrowserViewController::numberOfSelectedItems() const
{
    return m_browserView ? m_browserView->selectionCount() : 0;
}

MCSmartGroup::Item MCBrowserViewController::itemAtIndexPath(const MCIndexPath &path) const
{
    const qint64 group = path.groupIndex(), item = path.itemIndex();
    if (group < 0 || group >= m_filteredGroups.size())
        return nullptr;
    const auto &smart = m_filteredGroups.at(group);
    if (item < 0 || item >= smart->numberOfBrowserItems())
        return nullptr;
    return smart->browserItemAtIndex(item);
}

MCSmartGroup::Item MCBrowserViewController::firstSelectedItem() const
{
    if (!m_browserView)
        return nullptr;
    const std::optional<MCIndexPath> path = m_browserView->firstSelectedIndexPath();
    return path ? itemAtIndexPath(*path) : nullptr;
}

QList<MCSmartGroup::Item> MCBrowserViewController::selectedItems() const
{
    QList<MCSmartGroup::Item> items;
    if (!m_browserView)
        return items;
    for (const MCIndexPath &path : m_browserView->selectionIndexPaths())
        if (MCSmartGroup::Item item = itemAtIndexPath(path))
            items.append(item);
    return items;
}

QStringList MCBrowserViewController::selectedPaths() const
{
    QStringList paths;
    for (const auto &item : selectedItems())
        paths.append(item->browserItemPath());
    return paths;
}

// ---- data source

qint64 MCBrowserViewController::numberOfGroupsInBrowserView(MCBrowserView *)
{
    return m_filteredGroups.size();
}

qint64 MCBrowserViewController::browserViewNumberOfItemsInGroup(MCBrowserView *, qint64 group)
{
    return group >= 0 && group < m_filteredGroups.size() ? m_filteredGroups.at(group)->numberOfBrowserItems() : 0;
}

void MCBrowserViewController::browserViewUpdateItemCell(MCBrowserView *, MCBrowserViewCell *cell, const MCIndexPath &path)
{
    auto *itemCell = dynamic_cast<MCBrowserItemCell *>(cell);
    const MCSmartGroup::Item item = itemAtIndexPath(path);
    if (!itemCell || !item)
        return;
    // Only what is already in memory: loading is the prefetching's business.
    const std::shared_ptr<const MCThumbnail> thumbnail =
        m_imageBrowserCache ? m_imageBrowserCache->thumbnailForDescriptorProvider(*item) : nullptr;
    itemCell->prepareToShowBrowserItem(*item, thumbnail.get());
}

void MCBrowserViewController::browserViewUpdateHeaderCell(MCBrowserView *, MCBrowserViewCell *cell, qint64 group)
{
    auto *header = dynamic_cast<MCBrowserHeaderCell *>(cell);
    if (!header || group < 0 || group >= m_filteredGroups.size())
        return;
    header->setTitle(m_filteredGroups.at(group)->browserGroupTitle());
    header->setSubtitle(m_filteredGroups.at(group)->browserGroupSubtitle());
}

// ---- delegate

void MCBrowserViewController::browserViewScaleDidChange(MCBrowserView *view)
{
    if (m_parentController)
        m_parentController->zoomDidChangeTo(view->scale());
    if (m_imageBrowserCache)
        m_imageBrowserCache->setThumbnailSize(MCThumbnailPixelSize(view->scale(), devicePixelRatio()));
    // The visible cells are asked for again at the new size.
    view->invalidatePrefetching();
}

void MCBrowserViewController::browserViewSelectionDidChange(MCBrowserView *)
{
    updateControls();
    if (m_parentController)
        m_parentController->updateControlsForController(this);
}

bool MCBrowserViewController::browserViewReadItemsFromPasteboard(MCBrowserView *, const QMimeData *pasteboard)
{
    const QStringList paths = MCLocalFilePathsFromMimeData(pasteboard);
    if (paths.isEmpty() || !m_parentController)
        return false;
    return m_parentController->asyncAddFilesWithFolderURLs(paths, this);
}

bool MCBrowserViewController::browserViewWriteItemsToPasteboard(MCBrowserView *, const QList<MCIndexPath> &paths,
                                                                QMimeData *pasteboard)
{
    QList<std::shared_ptr<MCFile>> files;
    for (const MCIndexPath &path : paths)
        if (MCSmartGroup::Item item = itemAtIndexPath(path))
            files.append(item);
    if (files.isEmpty() || !pasteboard)
        return false;
    const std::unique_ptr<QMimeData> data = MCFile::newMimeDataForFiles(files);
    pasteboard->clear();
    for (const QString &format : data->formats())
        pasteboard->setData(format, data->data(format));
    return true;
}

QUrl MCBrowserViewController::browserViewPasteboardWriterForItemAtIndexPath(MCBrowserView *, const MCIndexPath &path)
{
    const MCSmartGroup::Item item = itemAtIndexPath(path);
    return item && !item->filePath().isEmpty() ? QUrl::fromLocalFile(item->filePath()) : QUrl();
}

Qt::DropAction MCBrowserViewController::browserViewValidateDrop(MCBrowserView *, const QMimeData *data,
                                                                Qt::DropActions offered)
{
    // Copies of local files only: a drop of web links would take nothing.
    if (!(offered & Qt::CopyAction) || MCLocalFilePathsFromMimeData(data).isEmpty())
        return Qt::IgnoreAction;
    return Qt::CopyAction;
}

bool MCBrowserViewController::browserViewAcceptDrop(MCBrowserView *, const QMimeData *data, Qt::DropAction)
{
    const QStringList paths = MCLocalFilePathsFromMimeData(data);
    if (paths.isEmpty() || !m_parentController)
        return false;
    return m_parentController->asyncAddFilesWithFolderURLs(paths, this);
}

std::optional<MCPreviewItem> MCBrowserViewController::browserViewPreviewItemAtIndexPath(MCBrowserView *,
                                                                                       const MCIndexPath &path)
{
    const MCSmartGroup::Item item = itemAtIndexPath(path);
    if (!item)
        return std::nullopt;
    return MCPreviewItem{item->filePath(), item->previewItemTitle()};
}

// ---- prefetching and thumbnails

void MCBrowserViewController::browserViewPrefetchItemsAtIndexPaths(MCBrowserView *, const QList<MCIndexPath> &paths)
{
    if (m_imageBrowserCache)
        m_imageBrowserCache->fetchThumbnailsAtIndexPaths(paths);
}

void MCBrowserViewController::browserViewCancelPrefetchingForItemsAtIndexPaths(MCBrowserView *,
                                                                               const QList<MCIndexPath> &paths)
{
    if (m_imageBrowserCache)
        m_imageBrowserCache->cancelFetchingForThumbnailsAtIndexPaths(paths);
}

std::shared_ptr<MCImageDescriptorProvider>
MCBrowserViewController::thumbnailCacheDescriptorProviderAtIndexPath(MCThumbnailCache *, const MCIndexPath &indexPath)
{
    return itemAtIndexPath(indexPath);
}

void MCBrowserViewController::thumbnailCacheDidFetchThumbnail(MCThumbnailCache *,
                                                              const std::shared_ptr<const MCThumbnail> &,
                                                              const MCIndexPath &indexPath)
{
    if (m_browserView)
        m_browserView->reloadItemAtIndexPath(indexPath);
}

// ---- commands

void MCBrowserViewController::open()
{
    const QStringList paths = selectedPaths();
    if (!paths.isEmpty())
        MCWorkspace::sharedWorkspace().openFiles(paths);
}

void MCBrowserViewController::buildOpenWithMenu(QMenu *menu)
{
    // The menu may belong to the main window and outlive this controller.
    const QPointer<MCBrowserViewController> self(this);
    MCMenuExtensions::buildOpenWithMenuForPaths(menu, selectedPaths(), [self](const QString &desktopID) {
        if (self)
            self->openWith(desktopID);
    });
}

void MCBrowserViewController::openWith(const QString &desktopID)
{
    MCWorkspaceExtensions::openFilesWithApplication(selectedPaths(), desktopID,
                                                    m_browserView ? m_browserView->window() : nullptr);
}

void MCBrowserViewController::revealInFinder()
{
    const QStringList paths = selectedPaths();
    if (!paths.isEmpty())
        MCWorkspace::sharedWorkspace().activateFileViewerSelectingURLs(paths);
}

void MCBrowserViewController::quickLook()
{
    if (m_browserView && hasSelectedItems())
        m_browserView->togglePreviewPanel();
}

bool MCBrowserViewController::canUseGPSLocation() const
{
    if (numberOfSelectedItems() != 1)
        return false;
    const MCSmartGroup::Item item = firstSelectedItem();
    return item && isNumber(item->browserItemGPSLatitude()) && isNumber(item->browserItemGPSLongitude());
}

void MCBrowserViewController::copyGPSLocation()
{
    const MCSmartGroup::Item item = firstSelectedItem();
    if (!item)
        return;
    QVariantMap position;
    const QString text = MCGPSLocationText(*item, &position);
    MCCopyGPSLocationToPasteboard(position, text);
}

void MCBrowserViewController::showGPSLocationPalette()
{
    const MCSmartGroup::Item item = firstSelectedItem();
    if (!item)
        return;
    MCMapPaletteController &palette = MCMapPaletteController::sharedInstance();
    palette.showPaletteWithTarget(nullptr, {});
    palette.setPinToPoint(CLLocationCoordinate2DMake(MCSignedGPSLatitude(*item), MCSignedGPSLongitude(*item)));
}

void MCBrowserViewController::updateContextMenu()
{
    if (!m_browserViewContextMenu)
        return;
    for (QAction *action : m_browserViewContextMenu->actions())
        if (!action->isSeparator())
            action->setEnabled(hasSelectedItems());
    const bool located = canUseGPSLocation();
    for (const QPointer<QAction> &action : std::as_const(m_gpsActions))
        if (action)
            action->setEnabled(located);
}

void MCBrowserViewController::browserViewCellWasDoubleClicked(MCBrowserView *, const std::optional<MCIndexPath> &)
{
    open();
}

void MCBrowserViewController::browserViewCellWasRightClicked(MCBrowserView *, const MCIndexPath &,
                                                             const QPoint &globalPosition)
{
    if (!hasSelectedItems() || !m_browserViewContextMenu)
        return;
    updateContextMenu();
    m_browserViewContextMenu->popup(globalPosition);
}
