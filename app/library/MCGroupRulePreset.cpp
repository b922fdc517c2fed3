#include "app/library/MCGroupRulePreset.h"

MCGroupRulePreset::MCGroupRulePreset(const QString &name, const QList<std::shared_ptr<MCGroupRule>> &rules)
    : m_name(name), m_rules(rules)
{
}

MCGroupRulePreset::MCGroupRulePreset(const QVariantMap &dictionary)
    : m_name(dictionary.value(QStringLiteral("name")).toString())
{
    const QVariant rules = dictionary.value(QStringLiteral("rules"));
    if (rules.typeId() != QMetaType::QVariantList)
        return;
    for (const QVariant &element : rules.toList())
        if (element.typeId() == QMetaType::QVariantMap)
            m_rules.append(std::make_shared<MCGroupRule>(element.toMap()));
}

QVariantMap MCGroupRulePreset::dictionaryRepresentation() const
{
    QVariantList rules;
    for (const auto &rule : m_rules)
        rules.append(rule->dictionaryRepresentation());
    return {{QStringLiteral("name"), m_name}, {QStringLiteral("rules"), rules}};
}

std::shared_ptr<MCGroupRulePreset> MCGroupRulePreset::copy() const
{
    QList<std::shared_ptr<MCGroupRule>> rules;
    for (const auto &rule : m_rules)
        rules.append(rule->copy());
    return std::make_shared<MCGroupRulePreset>(m_name, rules);
}

QList<MCGroupBuilder::RulePtr> MCGroupRulePreset::builderRules() const
{
    return QList<MCGroupBuilder::RulePtr>(m_rules.begin(), m_rules.end());
}
