#pragma once

#include "app/library/MCGroupRule.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

// A named list of grouping rules, one per level of the group tree. Stored as
// {"name": string, "rules": [{"groupBy", "timeRange"}, ...]}. Held by std::shared_ptr;
// equality is identity.
class MCGroupRulePreset
{
public:
    MCGroupRulePreset(const QString &name, const QList<std::shared_ptr<MCGroupRule>> &rules);
    // Elements of "rules" that are no rule dictionary are skipped.
    explicit MCGroupRulePreset(const QVariantMap &dictionary);

    QVariantMap dictionaryRepresentation() const;
    // The same name and a copy of each rule: editing the copy's rules leaves this preset alone.
    std::shared_ptr<MCGroupRulePreset> copy() const;

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    const QList<std::shared_ptr<MCGroupRule>> &rules() const { return m_rules; }
    void setRules(const QList<std::shared_ptr<MCGroupRule>> &rules) { m_rules = rules; }
    // The rules as the tree builder takes them.
    QList<MCGroupBuilder::RulePtr> builderRules() const;

private:
    QString m_name;
    QList<std::shared_ptr<MCGroupRule>> m_rules;
};
