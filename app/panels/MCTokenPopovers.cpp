#include "app/panels/MCTokenPopovers.h"

#include "app/library/MCBatchRenameSettings.h"
#include "app/uikit/MCCheckboxCell.h"
#include "app/uikit/MCPopover.h"
#include "app/uikit/MCPopupCell.h"

#include <QFormLayout>
#include <QLabel>

// Base ----------------------------------------------------------------------------------------

MCTokenPopoverController::MCTokenPopoverController(QObject *parent) : MCViewController(parent) {}

MCTokenPopoverController::~MCTokenPopoverController() = default;

MCPopover *MCTokenPopoverController::popover()
{
    if (!m_popover) {
        m_popover = new MCPopover(this);
        QObject *owner = parent();
        m_popover->setContentViewController(this);
        // The popover is this controller's (it goes with it), never the other way round.
        if (parent() != owner)
            setParent(owner);
        m_popover->awakeFromNib();
    }
    return m_popover;
}

qint64 MCTokenPopoverController::integerSetting(const QString &key) const
{
    return m_settings.value(key).toLongLong();
}

bool MCTokenPopoverController::boolSetting(const QString &key) const
{
    return m_settings.value(key).toBool();
}

QString MCTokenPopoverController::stringSetting(const QString &key) const
{
    return m_settings.value(key).toString();
}

void MCTokenPopoverController::setSetting(const QString &key, const QVariant &value)
{
    if (!m_hasToken)
        return;
    const auto it = m_settings.constFind(key);
    if (it != m_settings.cend() && it->typeId() == value.typeId() && *it == value)
        return;
    m_settings.insert(key, value);
    if (isViewLoaded())
        updateControls();
    emit tokenSettingsChanged();
}

void MCTokenPopoverController::setTokenData(const std::optional<std::pair<quint64, QVariantMap>> &token)
{
    if (!token) {
        m_hasToken = false;
        m_kind = 0;
        m_settings.clear();
        return;
    }
    if (m_hasToken && m_kind == token->first && m_settings == token->second)
        return;
    m_hasToken = true;
    m_kind = token->first;
    m_settings = token->second;
    if (isViewLoaded())
        updateControls();
    for (const QString &name : propertyNames())
        emit propertyDidChange(name);
}

QWidget *MCTokenPopoverController::loadView()
{
    auto *view = new QWidget;
    view->setObjectName(nibName());
    QPalette palette = view->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    view->setPalette(palette);
    auto *form = new QFormLayout(view);
    form->setContentsMargins(8, 8, 8, 8);
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(8);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    buildControls(form);
    updateControls();
    view->adjustSize();
    return view;
}

QComboBox *MCTokenPopoverController::newTagPopup(const QList<std::pair<QString, int>> &entries, const QString &key,
                                                 const QString &accessibleName)
{
    auto *popup = new MCDarkPopupCell;
    popup->setControlSize(MCControlSize::Small);
    popup->setAccessibleName(accessibleName);
    popup->setFocusPolicy(Qt::StrongFocus);
    for (const auto &[title, tag] : entries)
        popup->addItem(title, tag);
    connect(popup, &QComboBox::activated, this, [this, popup, key](int index) {
        setSetting(key, popup->itemData(index).toLongLong());
    });
    return popup;
}

void MCTokenPopoverController::selectTag(QComboBox *popup, qint64 tag)
{
    if (popup)
        popup->setCurrentIndex(popup->findData(tag));
}

QList<std::pair<QString, int>> MCTokenPopoverController::caseEntries()
{
    return {{tr("Unchanged"), 0}, {tr("UPPERCASE"), 1}, {tr("lowercase"), 2}, {tr("Capitalized"), 3}};
}

// Date format ---------------------------------------------------------------------------------

MCTokenDateFormatPopover::MCTokenDateFormatPopover(const MCTokenSettingsKeys &keys, QObject *parent)
    : MCTokenPopoverController(parent), m_keys(keys)
{
}

QStringList MCTokenDateFormatPopover::propertyNames() const
{
    return {QStringLiteral("dateFormat"), QStringLiteral("timeFormat"), QStringLiteral("caseKind")};
}

QString MCTokenDateFormatPopover::titleWithSample(const QString &title, const QString &pattern, const QDateTime &now)
{
    const QString sample = MCWatermarkText::stringFromDate(now, pattern);
    return sample.isEmpty() ? title : title + QStringLiteral(" (%1)").arg(sample);
}

void MCTokenDateFormatPopover::buildControls(QFormLayout *form)
{
    // Each entry's tag is its row in the shared pattern tables; the title names the pattern.
    QList<std::pair<QString, int>> dates{{tr("No Date"), 0}};
    const QStringList &datePatterns = MCDateQuillon::dateFormats();
    for (int i = 1; i < datePatterns.size(); ++i)
        dates.append({datePatterns[i], i});
    QList<std::pair<QString, int>> times{{tr("No Time"), 0}};
    const QStringList &timePatterns = MCDateQuillon::timeFormats();
    for (int i = 1; i < timePatterns.size(); ++i)
        times.append({timePatterns[i], i});
    m_dateFormatsPopup = newTagPopup(dates, m_keys.dateFormat, tr("Date format"));
    m_timeFormatsPopup = newTagPopup(times, m_keys.timeFormat, tr("Time format"));
    m_casePopup = newTagPopup(caseEntries(), m_keys.caseKind, tr("Case"));
    form->addRow(tr("Date:"), m_dateFormatsPopup);
    form->addRow(tr("Time:"), m_timeFormatsPopup);
    form->addRow(tr("Case:"), m_casePopup);
}

void MCTokenDateFormatPopover::viewControllerDidLoad()
{
    MCTokenPopoverController::viewControllerDidLoad();
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList &datePatterns = MCDateQuillon::dateFormats();
    const QStringList &timePatterns = MCDateQuillon::timeFormats();
    for (auto [popup, patterns] : {std::pair(m_dateFormatsPopup.data(), &datePatterns),
                                   std::pair(m_timeFormatsPopup.data(), &timePatterns)}) {
        for (int i = 0; popup && i < popup->count(); ++i) {
            const qint64 tag = popup->itemData(i).toLongLong();
            if (tag >= 0 && tag < patterns->size())
                popup->setItemText(i, titleWithSample(popup->itemText(i), patterns->at(tag), now));
        }
    }
}

void MCTokenDateFormatPopover::updateControls()
{
    selectTag(m_dateFormatsPopup, dateFormat());
    selectTag(m_timeFormatsPopup, timeFormat());
    selectTag(m_casePopup, caseKind());
}

// Change case ---------------------------------------------------------------------------------

MCTokenChangeCasePopover::MCTokenChangeCasePopover(const MCTokenSettingsKeys &keys, QObject *parent)
    : MCTokenPopoverController(parent), m_keys(keys)
{
}

void MCTokenChangeCasePopover::buildControls(QFormLayout *form)
{
    m_casePopup = newTagPopup(caseEntries(), m_keys.caseKind, tr("Case"));
    form->addRow(tr("Case:"), m_casePopup);
}

void MCTokenChangeCasePopover::updateControls() { selectTag(m_casePopup, caseKind()); }

// File name -----------------------------------------------------------------------------------

MCTokenFilenamePopover::MCTokenFilenamePopover(const MCTokenSettingsKeys &keys, QObject *parent)
    : MCTokenPopoverController(parent), m_keys(keys)
{
}

void MCTokenFilenamePopover::buildControls(QFormLayout *form)
{
    m_casePopup = newTagPopup(caseEntries(), m_keys.caseKind, tr("Case"));
    form->addRow(tr("Case:"), m_casePopup);
    m_trimsIndex = new MCDarkCheckboxCell(tr("Remove trailing number"));
    m_trimsIndex->setAccessibleName(tr("Remove trailing number"));
    m_trimsIndex->setFocusPolicy(Qt::StrongFocus);
    connect(m_trimsIndex, &QAbstractButton::clicked, this, [this](bool checked) { setTrimsIndex(checked); });
    form->addRow(QString(), m_trimsIndex);
}

void MCTokenFilenamePopover::updateControls()
{
    selectTag(m_casePopup, caseKind());
    if (m_trimsIndex)
        m_trimsIndex->setChecked(trimsIndex());
}

// Watermark family ----------------------------------------------------------------------------

const MCTokenSettingsKeys &MCWatermarkTokenSettingsKeys()
{
    static const MCTokenSettingsKeys keys{kMCWatermarkDateFormatIDKey, kMCWatermarkTimeFormatIDKey,
                                          kMCWatermarkCaseKindKey, kMCWatermarkFilenameTrimsIndexKey};
    return keys;
}
