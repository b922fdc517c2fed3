#pragma once

#include "app/library/MCFile.h"
#include "halvard/collections/MCTreeController.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

// The library's tree of groups: the items are library files, read through their groupItem...
// values. A rule (one per tree level) groups the files by one of its codes; a strategy per
// code decides which files are the same, which comes first and what a group is called.

using MCGroupItemPtr = std::shared_ptr<MCFile>;

// A node of the group tree: the files of the group, its child groups, a title and the value
// sibling groups are ordered by, both fixed when the group is made.
class MCGroup : public MCTreeNode<MCGroupItemPtr>
{
public:
    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    // Null for the root and for groups of a rule without strategy.
    QVariant orderTag() const { return m_orderTag; }
    void setOrderTag(const QVariant &tag) { m_orderTag = tag; }

    // Values for the browser and the tree panel.
    QString browserGroupTitle() const { return m_title; }
    QString browserGroupSubtitle() const; // "%ld items"
    QList<std::shared_ptr<MCGroup>> allBrowserGroups() const;
    qint64 numberOfBrowserGroups() const { return countOfNodes(); }
    std::shared_ptr<MCGroup> browserGroupAtIndex(qint64 index) const;
    const QList<MCGroupItemPtr> &allBrowserItems() const { return items(); }
    qint64 numberOfBrowserItems() const { return countOfItems(); }
    MCGroupItemPtr browserItemAtIndex(qint64 index) const { return objectInItemsAtIndex(index); }

    // The localized "%ld items" with the count.
    static QString itemsSubtitle(qint64 count);

private:
    QString m_title;
    QVariant m_orderTag;
};

// How one group-by code groups files. Title and order tag of a group come from its first item;
// groups compare by their order tags the way items compare by their values.
class MCGroupRuleStrategy
{
public:
    virtual ~MCGroupRuleStrategy() = default;
    virtual MCComparisonResult compare(const MCFile &a, const MCFile &b) const;
    virtual MCComparisonResult compareGroup(const MCGroup &a, const MCGroup &b) const;
    virtual QString titleForGroup(const MCGroup &group) const;
    virtual QVariant orderTagForGroup(const MCGroup &group) const;
    // The files in this strategy's order, split into runs of files that compare same (stable:
    // equal files keep their order). Each file's value is read once, not once per comparison.
    QList<QList<MCGroupItemPtr>> runsOfFiles(const QList<MCGroupItemPtr> &files) const;

protected:
    // The file's value for this strategy (null when absent) and the order of two values.
    virtual QVariant valueOf(const MCFile &file) const = 0;
    virtual MCComparisonResult compareValues(const QVariant &a, const QVariant &b) const = 0;
    virtual QString titleForItem(const MCFile &file) const = 0;
};

// Sizes in bytes grouped by rounded decimal steps: every size below 1000 bytes (and an absent
// one) in one group, larger ones by their size rounded to a tenth of their decimal unit.
MCComparisonResult MCCompareFileSize(const std::optional<quint64> &a, const std::optional<quint64> &b);

// One level of the group tree.
class MCGroupRule : public MCTreeBuilderRule<MCGroupItemPtr>
{
public:
    enum GroupBy : quint64 {
        FileType = 1,
        FileSize = 2,
        CaptureDate = 3,
        Alpha = 100,
        ColorModel = 101,
        Depth = 102,
        Orientation = 200,
        Megapixels = 201,
        AspectRatio = 202,
    };
    enum TimeRange : quint64 { Year = 0, Month = 1, Day = 2, Hour = 3 };

    MCGroupRule() = default;
    MCGroupRule(quint64 groupBy, quint64 timeRange) : m_groupBy(groupBy), m_timeRange(timeRange) {}
    // From the stored form {"groupBy", "timeRange"}; a missing key reads as 0.
    explicit MCGroupRule(const QVariantMap &dictionary);

    static std::shared_ptr<MCGroupRule> ruleGroupBy(quint64 groupBy);
    static std::shared_ptr<MCGroupRule> ruleGroupByTimeRange(quint64 timeRange);

    QVariantMap dictionaryRepresentation() const;
    // Same code and time range; the copy makes its own strategy.
    std::shared_ptr<MCGroupRule> copy() const { return std::make_shared<MCGroupRule>(m_groupBy, m_timeRange); }

    quint64 groupBy() const { return m_groupBy; }
    void setGroupBy(quint64 groupBy);
    quint64 timeRange() const { return m_timeRange; }
    void setTimeRange(quint64 timeRange);
    // The strategy for the code, made on first use; null for an unknown code.
    std::shared_ptr<MCGroupRuleStrategy> strategy() const;
    void setStrategy(std::shared_ptr<MCGroupRuleStrategy> strategy) { m_strategy = std::move(strategy); }

    NodePtr newNode() const override { return std::make_shared<MCGroup>(); }
    NodePtr nodeWithItems(const QList<MCGroupItemPtr> &items) const override;
    QList<NodePtr> nodesWithItems(const QList<MCGroupItemPtr> &items) const override;
    MCComparisonResult compare(const MCGroupItemPtr &a, const MCGroupItemPtr &b) const override;
    MCComparisonResult compareNode(const Node &a, const Node &b) const override;

private:
    quint64 m_groupBy = 0;
    quint64 m_timeRange = 0;
    mutable std::shared_ptr<MCGroupRuleStrategy> m_strategy;
};

// The root of the group tree: all files, split by the rules, under the builder's title.
class MCGroupBuilder : public MCTreeBuilder<MCGroupItemPtr>
{
public:
    explicit MCGroupBuilder(const QString &title, QList<RulePtr> rules = {})
        : MCTreeBuilder(std::move(rules)), m_title(title)
    {
    }
    QString title() const { return m_title; }

    NodePtr newNode() const override { return std::make_shared<MCGroup>(); }
    NodePtr nodeWithItems(const QList<MCGroupItemPtr> &items) const override;

private:
    const QString m_title;
};
