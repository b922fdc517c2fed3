#include "app/browser/MCPredicateRowTemplates.h"

#include "app/browser/MCSearchPanelController.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLocale>
#include <QMenu>
#include <QWidgetAction>

using namespace MCFilterRowPredicates;

namespace {

std::optional<QDateTime> &fixedNow()
{
    static std::optional<QDateTime> now;
    return now;
}

MCPredicatePopupCell *smallPopUp(const QList<MCPredicateRowItem> &items, QWidget *parent)
{
    auto *popup = new MCPredicatePopupCell(parent);
    popup->setControlSize(MCControlSize::Small);
    for (const MCPredicateRowItem &item : items)
        popup->addItem(item.title, item.value);
    popup->setFixedSize(popup->sizeHint().width(), 17);
    return popup;
}

} // namespace

MCPredicateEditorRowTemplate::MCPredicateEditorRowTemplate(QList<MCPredicateRowItem> leftExpressions,
                                                           QList<MCPredicateRowItem> operators, ValueKind valueKind,
                                                           QList<MCPredicateRowItem> values, unsigned options)
    : m_leftExpressions(std::move(leftExpressions))
    , m_operators(std::move(operators))
    , m_valueKind(valueKind)
    , m_values(std::move(values))
    , m_options(options)
{
}

QList<QWidget *> MCPredicateEditorRowTemplate::makeTemplateViews(MCPredicateEditorRow *) const
{
    return {};
}

void MCPredicateEditorRowTemplate::rowValuesChanged(MCPredicateEditorRow *) const
{
}

MCFilterPredicatePtr MCPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    const QVariant value = m_valueKind == ValueKind::TextField ? QVariant(row.valueText()) : row.selectedValue();
    return MCFilterPredicate::comparison(row.leftKeyPath(), row.operatorType(), value, m_options);
}

// Date rows -----------------------------------------------------------------------------------

MCPredicateDatePopup::MCPredicateDatePopup(QWidget *parent)
    : MCPredicatePopupCell(parent)
{
    setControlSize(MCControlSize::Small);
    setPullsDown(true);
    setDate(QDate::currentDate());
    setAccessibleName(tr("Day"));
}

void MCPredicateDatePopup::setDate(const QDate &date)
{
    m_date = date;
    clear();
    addItem(QLocale().toString(date, QLocale::ShortFormat), date);
    update();
}

void MCPredicateDatePopup::datePickerChanged(const QDate &date)
{
    if (!date.isValid() || date == m_date)
        return;
    setDate(date);
    emit dateChanged(date);
}

void MCPredicateDatePopup::showPopup()
{
    QMenu menu(this);
    auto *container = new QWidget(&menu);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(4, 0, 4, 0);
    auto *calendar = new QCalendarWidget(container);
    calendar->setSelectedDate(m_date);
    calendar->setGridVisible(false);
    layout->addWidget(calendar);
    auto *action = new QWidgetAction(&menu);
    action->setDefaultWidget(container);
    menu.addAction(action);
    connect(calendar, &QCalendarWidget::clicked, &menu, [this, &menu](const QDate &date) {
        menu.close(); // the menu stops at once, then the day is taken
        datePickerChanged(date);
    });
    setHighlighted(true);
    menu.exec(mapToGlobal(QPoint(0, height())));
    setHighlighted(false);
}

MCDateRowLastView::MCDateRowLastView(QWidget *parent)
    : QWidget(parent)
    , m_intervalField(new MCPredicateTextFieldCell(this))
    , m_intervalPopUp(new MCPredicatePopupCell(this))
    , m_datePopup(new MCPredicateDatePopup(this))
{
    setFixedSize(198, 18);
    m_intervalField->setGeometry(0, 0, 96, 18);
    m_intervalField->setFont(MCControlFont(MCControlSize::Small));
    m_intervalField->setAccessibleName(tr("Number of units"));
    m_intervalPopUp->setControlSize(MCControlSize::Small);
    const QStringList units = timeIntervals();
    for (int tag = 0; tag < units.size(); ++tag)
        m_intervalPopUp->addItem(units[tag], tag);
    m_intervalPopUp->setGeometry(102, 0, 96, 17);
    m_intervalPopUp->setAccessibleName(tr("Unit"));
    m_datePopup->setGeometry(0, 0, 104, 17);
    connect(m_intervalField, &QLineEdit::textChanged, this, &MCDateRowLastView::valuesChanged);
    connect(m_intervalPopUp, &QComboBox::currentIndexChanged, this, &MCDateRowLastView::valuesChanged);
    connect(m_datePopup, &MCPredicateDatePopup::dateChanged, this, &MCDateRowLastView::valuesChanged);
    updateLastViewForType(-1);
}

QStringList MCDateRowLastView::timeIntervals()
{
    return {tr("days"), tr("weeks"), tr("months"), tr("years")};
}

void MCDateRowLastView::updateLastViewForType(int type)
{
    m_intervalField->setVisible(type == MCDateRowWithinLast);
    m_intervalPopUp->setVisible(type == MCDateRowWithinLast);
    m_datePopup->setVisible(type >= MCDateRowOnDay && type <= MCDateRowOnOrAfterDay);
}

void MCDatePredicateEditorRowTemplate::setCurrentDateForTesting(const QDateTime &now)
{
    fixedNow() = now.isValid() ? std::optional<QDateTime>(now) : std::nullopt;
}

QList<QWidget *> MCDatePredicateEditorRowTemplate::makeTemplateViews(MCPredicateEditorRow *row) const
{
    auto *view = new MCDateRowLastView(row);
    QObject::connect(view, &MCDateRowLastView::valuesChanged, row, &MCPredicateEditorRow::valuesChanged);
    return {view};
}

void MCDatePredicateEditorRowTemplate::rowValuesChanged(MCPredicateEditorRow *row) const
{
    if (auto *view = row->templateViews().isEmpty() ? nullptr
                                                    : qobject_cast<MCDateRowLastView *>(row->templateViews().first()))
        view->updateLastViewForType(row->selectedValue().toInt());
}

MCFilterPredicatePtr MCDatePredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    const auto *view =
        row.templateViews().isEmpty() ? nullptr : qobject_cast<MCDateRowLastView *>(row.templateViews().first());
    if (!view)
        return MCPredicateEditorRowTemplate::predicateWithSubpredicates(row);
    const QDateTime now = fixedNow().value_or(QDateTime::currentDateTime());
    return datePredicate(row.leftKeyPath(), row.selectedValue().toInt(), view->timeIntervalTextField()->text(),
                         view->timeIntervalPopUp()->currentData().toInt(), view->datePickerPopup()->date(), now);
}

// Simple rows --------------------------------------------------------------------------------

MCFilterPredicatePtr
MCAvoidEmptyStringPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return stringPredicate(row.leftKeyPath(), row.operatorType(), row.valueText(), options());
}

MCFilterPredicatePtr
MCParentFolderPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return parentFolderPredicate(row.operatorType(), row.valueText(), options());
}

MCFilterPredicatePtr
MCConstantNumberPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return constantNumberPredicate(row.leftKeyPath(), row.operatorType(), row.selectedValue().toString(), options());
}

MCFilterPredicatePtr MCKeywordsPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return keywordsPredicate(row.operatorType(), row.valueText(), options());
}

MCFilterPredicatePtr
MCColorModePredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return colorModePredicate(row.leftKeyPath(), row.operatorType(), row.selectedValue().toInt(), options());
}

QStringList MCFileSizePredicateEditorRowTemplate::sizeKinds()
{
    return {QObject::tr("KB"), QObject::tr("MB"), QObject::tr("GB")};
}

QList<QWidget *> MCFileSizePredicateEditorRowTemplate::makeTemplateViews(MCPredicateEditorRow *row) const
{
    QList<MCPredicateRowItem> items;
    const QStringList kinds = sizeKinds();
    for (int i = 0; i < kinds.size(); ++i)
        items.append({kinds[i], i + 1});
    MCPredicatePopupCell *popup = smallPopUp(items, row);
    popup->setAccessibleName(QObject::tr("Size unit"));
    QObject::connect(popup, &QComboBox::currentIndexChanged, row, &MCPredicateEditorRow::valuesChanged);
    return {popup};
}

MCFilterPredicatePtr MCFileSizePredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    const auto *unit = row.templateViews().isEmpty() ? nullptr : qobject_cast<QComboBox *>(row.templateViews().first());
    return fileSizePredicate(row.leftKeyPath(), row.operatorType(), row.valueText(),
                             unit ? unit->currentData().toInt() : 0, options());
}

MCFilterPredicatePtr MCMenuTagPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return menuTagPredicate(row.leftKeyPath(), row.operatorType(), row.selectedValue().toInt(), options());
}

MCFilterPredicatePtr MCNumberPredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return numberPredicate(row.leftKeyPath(), row.operatorType(), row.valueText(), options());
}

MCFilterPredicatePtr MCFileTypePredicateEditorRowTemplate::predicateWithSubpredicates(const MCPredicateEditorRow &row) const
{
    return fileTypePredicate(row.leftKeyPath(), row.operatorType(), row.selectedValue().toInt(), options());
}

// The panel's rows ---------------------------------------------------------------------------

QList<MCPredicateEditorRowTemplatePtr> MCDefaultPredicateRowTemplates()
{
    using Kind = MCPredicateEditorRowTemplate::ValueKind;
    auto tr = [](const char *text) { return QObject::tr(text); };
    auto item = [&tr](const char *title, const QVariant &value) { return MCPredicateRowItem{tr(title), value}; };
    auto key = [&item](const char *title, const char *path) { return item(title, QString::fromLatin1(path)); };
    const unsigned textOptions = MCCaseInsensitivePredicateOption | MCDiacriticInsensitivePredicateOption;
    const QList<MCPredicateRowItem> textOperators = {
        item("contains", unsigned(MCContainsPredicateOperatorType)),
        item("begins with", unsigned(MCBeginsWithPredicateOperatorType)),
        item("ends with", unsigned(MCEndsWithPredicateOperatorType)),
        item("is", unsigned(MCEqualToPredicateOperatorType)),
        item("is not", unsigned(MCNotEqualToPredicateOperatorType))};
    const QList<MCPredicateRowItem> numberOperators = {
        item("is", unsigned(MCEqualToPredicateOperatorType)),
        item("is not", unsigned(MCNotEqualToPredicateOperatorType)),
        item("is less than", unsigned(MCLessThanPredicateOperatorType)),
        item("is at most", unsigned(MCLessThanOrEqualToPredicateOperatorType)),
        item("is greater than", unsigned(MCGreaterThanPredicateOperatorType)),
        item("is at least", unsigned(MCGreaterThanOrEqualToPredicateOperatorType))};
    const QList<MCPredicateRowItem> isOperators = {item("is", unsigned(MCEqualToPredicateOperatorType)),
                                                   item("is not", unsigned(MCNotEqualToPredicateOperatorType))};
    QList<MCPredicateEditorRowTemplatePtr> templates;
    templates.append(std::make_shared<MCDatePredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Capture Date", "filteredCaptureDate"),
                                  key("Creation Date", "filteredFileCreationDate"),
                                  key("Modification Date", "filteredFileModificationDate")},
        QList<MCPredicateRowItem>{item("is", unsigned(MCBetweenPredicateOperatorType))}, Kind::Constants,
        QList<MCPredicateRowItem>{item("within the last", 0), item("on", 1), item("before", 2),
                                  item("on or after", 3), item("today", 4), item("yesterday", 5),
                                  item("this week", 6), item("this month", 7), item("this year", 8)}));
    templates.append(std::make_shared<MCFileTypePredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("File Type", "filteredFileType")}, isOperators, Kind::TaggedItems,
        QList<MCPredicateRowItem>{item("JPEG", 0), item("RAW", 1), item("JPEG or RAW", 2), item("BMP", 3),
                                  item("GIF", 4), item("JPEG 2000", 5), item("PDF", 6), item("PNG", 7),
                                  item("TIFF", 8), item("HEIC", 9)}));
    templates.append(std::make_shared<MCAvoidEmptyStringPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("File Name", "filteredFileName"), key("Camera Maker", "filteredCameraMaker"),
                                  key("Camera Model", "filteredCameraModel"), key("Lens", "filteredCameraLensModel"),
                                  key("Software", "filteredEditingSoftware"), key("Colour Profile", "filteredProfileName"),
                                  key("Copyright", "filteredCopyright"), key("Owner", "filteredOwner"),
                                  key("Title", "filteredIPTCTitle"), key("Caption", "filteredIPTCCaption"),
                                  key("City", "filteredIPTCCity"), key("Province", "filteredIPTCProvince"),
                                  key("Country", "filteredIPTCCountry"), key("Location", "filteredIPTCLocation")},
        textOperators, Kind::TextField, QList<MCPredicateRowItem>{}, textOptions));
    templates.append(std::make_shared<MCParentFolderPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Folder", "filteredParentFolderName")}, textOperators, Kind::TextField,
        QList<MCPredicateRowItem>{}, textOptions));
    templates.append(std::make_shared<MCKeywordsPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Keyword", "filteredKeywords")}, textOperators, Kind::TextField,
        QList<MCPredicateRowItem>{}, textOptions));
    templates.append(std::make_shared<MCNumberPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Exposure Time", "filteredImageExposureTime"),
                                  key("F-Number", "filteredImageFNumber"), key("Focal Length", "filteredImageFocalLength"),
                                  key("ISO Speed", "filteredImageISOSpeedRating"), key("Resolution", "filteredImageDPI"),
                                  key("Image Width", "filteredImageWidth"), key("Image Height", "filteredImageHeight")},
        numberOperators, Kind::TextField));
    templates.append(std::make_shared<MCFileSizePredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("File Size", "filteredFileSize")}, numberOperators, Kind::TextField));
    templates.append(std::make_shared<MCConstantNumberPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Rating", "filteredRating")}, numberOperators, Kind::Constants,
        QList<MCPredicateRowItem>{item("any", QString()), item("no stars", QStringLiteral("0")),
                                  item("1 star", QStringLiteral("1")), item("2 stars", QStringLiteral("2")),
                                  item("3 stars", QStringLiteral("3")), item("4 stars", QStringLiteral("4")),
                                  item("5 stars", QStringLiteral("5"))}));
    templates.append(std::make_shared<MCMenuTagPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Flagged", "filteredIsFlagged"), key("Rejected", "filteredIsRejected"),
                                  key("Marked", "filteredIsMarked"), key("Locked", "filteredIsLocked"),
                                  key("Has Alpha", "filteredImageHasAlpha"),
                                  key("Has GPS Location", "filteredImageIsGPSLocationSet")},
        isOperators, Kind::TaggedItems, QList<MCPredicateRowItem>{item("yes", 1), item("no", 0)}));
    templates.append(std::make_shared<MCMenuTagPredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Orientation", "filteredCanvasFormat")}, isOperators, Kind::TaggedItems,
        QList<MCPredicateRowItem>{item("landscape", 0), item("portrait", 1), item("square", 2)}));
    templates.append(std::make_shared<MCColorModePredicateEditorRowTemplate>(
        QList<MCPredicateRowItem>{key("Colour Mode", "filteredImageColorMode")}, isOperators, Kind::TaggedItems,
        QList<MCPredicateRowItem>{item("RGB", 0), item("Gray", 1), item("CMYK", 2)}));
    return templates;
}
