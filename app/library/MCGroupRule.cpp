#include "app/library/MCGroupRule.h"

#include "app/library/MCStringQuillon.h"
#include "halvard/imageio/MCUTType.h"
#include "halvard/system/MCNumberExtensions.h"
#include "halvard/system/MCStringExtensions.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("MCGroupRule", text); }

MCComparisonResult order(int c) { return c < 0 ? MCOrderedAscending : (c > 0 ? MCOrderedDescending : MCOrderedSame); }

MCComparisonResult compareNumbers(const QVariant &a, const QVariant &b)
{
    return order(MCNumberExtensions::compareNumber(a, b));
}

// Absent (null or empty) strings are the same and come first.
MCComparisonResult compareStrings(const QVariant &a, const QVariant &b)
{
    const QString x = a.isNull() ? QString() : a.toString(), y = b.isNull() ? QString() : b.toString();
    if (x.isEmpty() || y.isEmpty())
        return order(int(!x.isEmpty()) - int(!y.isEmpty()));
    return order(MCStringExtensions::compareString(x, y));
}

// The format with each placeholder, in turn, replaced by the next number.
QString withNumbers(QString format, QLatin1String placeholder, std::initializer_list<qint64> numbers)
{
    qint64 from = 0;
    for (qint64 number : numbers) {
        const qint64 at = format.indexOf(placeholder, from);
        if (at < 0)
            break;
        const QString text = QString::number(number);
        format.replace(at, placeholder.size(), text);
        from = at + text.size();
    }
    return format;
}

QVariant optionalValue(const std::optional<qint64> &value) { return value ? QVariant(*value) : QVariant(); }

// ---- The nine strategies ------------------------------------------------------------------

class MCFileTypeGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override
    {
        const QString type = file.groupItemFileType();
        return type.isEmpty() ? QVariant() : QVariant(type);
    }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareStrings(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        const QString type = file.groupItemFileType();
        if (type.isEmpty())
            return tr("Unknown File Type");
        const QString description = MCUTType::typeWithIdentifier(type)->typeDescription();
        return description.isEmpty() ? type : description;
    }
};

class MCFileSizeGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override
    {
        const std::optional<quint64> size = file.groupItemFileSize();
        return size ? QVariant::fromValue(*size) : QVariant();
    }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override
    {
        const auto size = [](const QVariant &v) { return v.isNull() ? std::nullopt : std::optional<quint64>(v.toULongLong()); };
        return MCCompareFileSize(size(a), size(b));
    }
    QString titleForItem(const MCFile &file) const override
    {
        const std::optional<quint64> size = file.groupItemFileSize();
        return size ? MCStringQuillon::stringFromFileSize(*size, 1) : tr("Unknown File Size");
    }
};

class MCTimeRangeGrouping : public MCGroupRuleStrategy
{
public:
    explicit MCTimeRangeGrouping(quint64 timeRange) : m_timeRange(timeRange) {}

private:
    QVariant valueOf(const MCFile &file) const override
    {
        switch (m_timeRange) {
        case MCGroupRule::Year:
            return optionalValue(file.groupItemCaptureYear());
        case MCGroupRule::Month:
            return optionalValue(file.groupItemCaptureMonth());
        case MCGroupRule::Day:
            return optionalValue(file.groupItemCaptureDay());
        case MCGroupRule::Hour:
            return optionalValue(file.groupItemCaptureHour());
        default:
            return {};
        }
    }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareNumbers(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        const std::optional<QDateTime> date = file.groupItemCaptureDate();
        if (!date)
            return tr("Unknown Capture Date");
        const QLocale locale;
        const QDateTime local = date->toLocalTime();
        switch (m_timeRange) {
        case MCGroupRule::Year:
            return locale.toString(local, "yyyy");
        case MCGroupRule::Month:
            return locale.toString(local, "MMMM");
        case MCGroupRule::Day:
            return locale.toString(local, "dd");
        case MCGroupRule::Hour: {
            // The hour of the local calendar that holds the date, from its start to its end.
            const QDateTime start(local.date(), QTime(local.time().hour(), 0));
            const QDateTime end = start.addSecs(3600);
            const QString format = hourMinuteFormat(locale);
            return QStringLiteral("%1 - %2").arg(locale.toString(start, format), locale.toString(end, format));
        }
        default:
            return {};
        }
    }

    // Hours (two digits, 0-23) and minutes with the locale's separator between them.
    static QString hourMinuteFormat(const QLocale &locale)
    {
        const QString time = locale.timeFormat(QLocale::ShortFormat);
        QString separator = QStringLiteral(":");
        const qint64 h = time.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
        const qint64 m = time.indexOf(QLatin1Char('m'));
        if (h >= 0 && m > h) {
            qint64 from = h;
            while (from < m && (time.at(from) == QLatin1Char('h') || time.at(from) == QLatin1Char('H')))
                ++from;
            if (from < m)
                separator = time.mid(from, m - from);
        }
        return QStringLiteral("HH") + separator + QStringLiteral("mm");
    }

    const quint64 m_timeRange;
};

class MCAlphaGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override
    {
        const QVariant alpha = file.groupItemAlpha();
        return alpha.isNull() ? QVariant() : QVariant(qint64(alpha.toBool()));
    }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareNumbers(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        const QVariant alpha = file.groupItemAlpha();
        if (alpha.isNull())
            return tr("Unknown Alpha Channel");
        return alpha.toBool() ? tr("Has alpha channel") : tr("No alpha channel");
    }
};

class MCColorModelGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override
    {
        const QVariant model = file.groupItemColorModel();
        return model.isNull() || model.toString().isEmpty() ? QVariant() : QVariant(model.toString());
    }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareStrings(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        const QVariant model = valueOf(file);
        return model.isNull() ? tr("Unknown Color Model") : model.toString();
    }
};

class MCDepthGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override { return file.groupItemDepth(); }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareNumbers(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        const QVariant depth = file.groupItemDepth();
        if (depth.isNull())
            return tr("Unknown Depth");
        return withNumbers(tr("%lu bits per channel"), QLatin1String("%lu"), {depth.toLongLong()});
    }
};

class MCOrientationGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override { return file.groupItemOrientation(); }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareNumbers(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        static const char *const titles[] = {
            "1 (Normal)",
            "2 (Normal, Flipped)",
            "3 (Rotated 180°)",
            "4 (Rotated 180°, Flipped)",
            "5 (Rotated 90° CCW, Flipped)",
            "6 (Rotated 90° CCW)",
            "7 (Rotated 90° CW, Flipped)",
            "8 (Rotated 90° CW)",
        };
        const QVariant orientation = file.groupItemOrientation();
        bool ok = false;
        const qint64 value = orientation.toLongLong(&ok);
        if (orientation.isNull() || !ok || value < 1 || value > 8)
            return tr("Unknown Orientation");
        return tr(titles[value - 1]);
    }
};

class MCMegapixelsGrouping : public MCGroupRuleStrategy
{
    QVariant valueOf(const MCFile &file) const override { return file.groupItemMegapixels(); }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override { return compareNumbers(a, b); }
    QString titleForItem(const MCFile &file) const override
    {
        return QString::asprintf("%.1f megapixels", file.groupItemMegapixels());
    }
};

class MCAspectRatioGrouping : public MCGroupRuleStrategy
{
    static std::optional<MCFraction> fraction(const QVariant &v)
    {
        if (v.metaType() != QMetaType::fromType<MCFraction>())
            return std::nullopt;
        return *static_cast<const MCFraction *>(v.constData());
    }
    QVariant valueOf(const MCFile &file) const override
    {
        const std::optional<MCFraction> ratio = file.groupItemImageAspectRatio();
        return ratio ? QVariant::fromValue(*ratio) : QVariant();
    }
    MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const override
    {
        return MCFraction::compareFraction(fraction(a), fraction(b));
    }
    QString titleForItem(const MCFile &file) const override
    {
        const std::optional<MCFraction> ratio = file.groupItemImageAspectRatio();
        if (!ratio)
            return tr("Unknown Aspect Ratio");
        return withNumbers(tr("%ld : %ld"), QLatin1String("%ld"), {qint64(ratio->numerator()), qint64(ratio->denominator())});
    }
};

} // namespace

// ---- Strategy base --------------------------------------------------------------------------

MCComparisonResult MCGroupRuleStrategy::compare(const MCFile &a, const MCFile &b) const
{
    return compareValues(valueOf(a), valueOf(b));
}

QList<QList<MCGroupItemPtr>> MCGroupRuleStrategy::runsOfFiles(const QList<MCGroupItemPtr> &files) const
{
    std::vector<QVariant> values;
    values.reserve(size_t(files.size()));
    for (const MCGroupItemPtr &file : files)
        values.push_back(file ? valueOf(*file) : QVariant());
    std::vector<qint64> order(size_t(files.size()));
    std::iota(order.begin(), order.end(), qint64(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](qint64 a, qint64 b) { return compareValues(values[size_t(a)], values[size_t(b)]) < 0; });
    QList<QList<MCGroupItemPtr>> runs;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k == 0 || compareValues(values[size_t(order[k - 1])], values[size_t(order[k])]) != MCOrderedSame)
            runs.append(QList<MCGroupItemPtr>());
        runs.last().append(files.at(order[k]));
    }
    return runs;
}

MCComparisonResult MCGroupRuleStrategy::compareGroup(const MCGroup &a, const MCGroup &b) const
{
    return compareValues(a.orderTag(), b.orderTag());
}

QString MCGroupRuleStrategy::titleForGroup(const MCGroup &group) const
{
    return group.items().isEmpty() || !group.items().first() ? QString() : titleForItem(*group.items().first());
}

QVariant MCGroupRuleStrategy::orderTagForGroup(const MCGroup &group) const
{
    return group.items().isEmpty() || !group.items().first() ? QVariant() : valueOf(*group.items().first());
}

MCComparisonResult MCCompareFileSize(const std::optional<quint64> &a, const std::optional<quint64> &b)
{
    // Exponent: 0 below 1000 bytes, else three times the number of whole thousands groups
    // beyond the first (by the count of decimal digits, exact where log10 would round).
    const auto exponent = [](quint64 size) {
        int digits = 0;
        for (quint64 s = size; s > 0; s /= 10)
            ++digits;
        return digits == 0 ? 0 : ((digits - 1) / 3) * 3;
    };
    const quint64 x = a.value_or(0), y = b.value_or(0);
    const int ex = exponent(x), ey = exponent(y);
    if (ex != ey)
        return ex < ey ? MCOrderedAscending : MCOrderedDescending;
    if (ex == 0)
        return MCOrderedSame;
    quint64 step = 1;
    for (int k = 1; k < ex; ++k)
        step *= 10;
    // Rounded to the nearest step, halves away from zero; compared in steps (same order).
    const quint64 rx = x / step + (x % step >= step - step / 2 ? 1 : 0);
    const quint64 ry = y / step + (y % step >= step - step / 2 ? 1 : 0);
    return rx < ry ? MCOrderedAscending : (rx > ry ? MCOrderedDescending : MCOrderedSame);
}

// ---- Group ----------------------------------------------------------------------------------

QString MCGroup::itemsSubtitle(qint64 count)
{
    return withNumbers(QCoreApplication::translate("MCGroup", "%ld items"), QLatin1String("%ld"), {count});
}

QString MCGroup::browserGroupSubtitle() const { return itemsSubtitle(countOfItems()); }

QList<std::shared_ptr<MCGroup>> MCGroup::allBrowserGroups() const
{
    QList<std::shared_ptr<MCGroup>> groups;
    groups.reserve(countOfNodes());
    for (const NodePtr &node : nodes())
        groups.append(std::dynamic_pointer_cast<MCGroup>(node));
    return groups;
}

std::shared_ptr<MCGroup> MCGroup::browserGroupAtIndex(qint64 index) const
{
    return std::dynamic_pointer_cast<MCGroup>(objectInNodesAtIndex(index));
}

// ---- Rule -----------------------------------------------------------------------------------

MCGroupRule::MCGroupRule(const QVariantMap &dictionary)
    : m_groupBy(dictionary.value(QStringLiteral("groupBy")).toULongLong()),
      m_timeRange(dictionary.value(QStringLiteral("timeRange")).toULongLong())
{
}

std::shared_ptr<MCGroupRule> MCGroupRule::ruleGroupBy(quint64 groupBy) { return std::make_shared<MCGroupRule>(groupBy, 0); }

std::shared_ptr<MCGroupRule> MCGroupRule::ruleGroupByTimeRange(quint64 timeRange)
{
    return std::make_shared<MCGroupRule>(CaptureDate, timeRange);
}

QVariantMap MCGroupRule::dictionaryRepresentation() const
{
    return {{QStringLiteral("groupBy"), qint64(m_groupBy)}, {QStringLiteral("timeRange"), qint64(m_timeRange)}};
}

void MCGroupRule::setGroupBy(quint64 groupBy)
{
    if (groupBy == m_groupBy)
        return;
    m_groupBy = groupBy;
    m_strategy.reset();
}

void MCGroupRule::setTimeRange(quint64 timeRange)
{
    if (timeRange == m_timeRange)
        return;
    m_timeRange = timeRange;
    m_strategy.reset();
}

std::shared_ptr<MCGroupRuleStrategy> MCGroupRule::strategy() const
{
    if (m_strategy)
        return m_strategy;
    switch (m_groupBy) {
    case FileType:
        m_strategy = std::make_shared<MCFileTypeGrouping>();
        break;
    case FileSize:
        m_strategy = std::make_shared<MCFileSizeGrouping>();
        break;
    case CaptureDate:
        m_strategy = std::make_shared<MCTimeRangeGrouping>(m_timeRange);
        break;
    case Alpha:
        m_strategy = std::make_shared<MCAlphaGrouping>();
        break;
    case ColorModel:
        m_strategy = std::make_shared<MCColorModelGrouping>();
        break;
    case Depth:
        m_strategy = std::make_shared<MCDepthGrouping>();
        break;
    case Orientation:
        m_strategy = std::make_shared<MCOrientationGrouping>();
        break;
    case Megapixels:
        m_strategy = std::make_shared<MCMegapixelsGrouping>();
        break;
    case AspectRatio:
        m_strategy = std::make_shared<MCAspectRatioGrouping>();
        break;
    default:
        break;
    }
    return m_strategy;
}

MCGroupRule::NodePtr MCGroupRule::nodeWithItems(const QList<MCGroupItemPtr> &items) const
{
    NodePtr node = MCTreeBuilderRule::nodeWithItems(items);
    if (auto *group = dynamic_cast<MCGroup *>(node.get())) {
        if (const auto s = strategy()) {
            group->setTitle(s->titleForGroup(*group));
            group->setOrderTag(s->orderTagForGroup(*group));
        }
    }
    return node;
}

QList<MCGroupRule::NodePtr> MCGroupRule::nodesWithItems(const QList<MCGroupItemPtr> &items) const
{
    const auto s = strategy();
    if (!s)
        return MCTreeBuilderRule::nodesWithItems(items);
    QList<NodePtr> nodes;
    for (const QList<MCGroupItemPtr> &run : s->runsOfFiles(items))
        nodes.append(nodeWithItems(run));
    return nodes;
}

MCComparisonResult MCGroupRule::compare(const MCGroupItemPtr &a, const MCGroupItemPtr &b) const
{
    const auto s = strategy();
    return s && a && b ? s->compare(*a, *b) : MCOrderedSame;
}

MCComparisonResult MCGroupRule::compareNode(const Node &a, const Node &b) const
{
    const auto s = strategy();
    const auto *x = dynamic_cast<const MCGroup *>(&a);
    const auto *y = dynamic_cast<const MCGroup *>(&b);
    return s && x && y ? s->compareGroup(*x, *y) : MCOrderedSame;
}

// ---- Builder --------------------------------------------------------------------------------

MCGroupBuilder::NodePtr MCGroupBuilder::nodeWithItems(const QList<MCGroupItemPtr> &items) const
{
    NodePtr root = MCTreeBuilder::nodeWithItems(items);
    if (auto *group = dynamic_cast<MCGroup *>(root.get()))
        group->setTitle(m_title);
    return root;
}
