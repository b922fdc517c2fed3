#include "app/stages/MCMetadataStage.h"

#include "platform/imageio/MCImageProperties.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

QVariant MCMetadataStage::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.type == MCStageParameterType::String && value.toString().isNull())
        return QVariant();
    return MCConvertStage::encodeParameter(parameter, value);
}

std::optional<QVariant> MCMetadataStage::decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const
{
    if (parameter.type == MCStageParameterType::String && stored.typeId() != QMetaType::QString)
        return QVariant(QString()); // absent (or not text): nil, not the default
    return MCConvertStage::decodeParameter(parameter, stored);
}

namespace MCMetadataStageSupport {

MCStageParameter stringParameter(const QString &name, const QString &defaultValue, qint64 hashFactor)
{
    return {.name = name, .type = MCStageParameterType::String, .defaultValue = defaultValue, .hashFactor = hashFactor};
}

MCStageParameter boolParameter(const QString &name, bool defaultValue)
{
    return {.name = name, .type = MCStageParameterType::Bool, .defaultValue = defaultValue};
}

QVariantMap subDictionary(const QVariantMap &metadata, const QString &key)
{
    const QVariant value = metadata.value(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QStringList keywordsOfIPTC(const QVariantMap &iptc)
{
    const QVariant value = iptc.value(kCGImagePropertyIPTCKeywords);
    QStringList keywords;
    switch (value.typeId()) {
    case QMetaType::QVariantList:
        for (const QVariant &item : value.toList())
            keywords << item.toString();
        break;
    case QMetaType::QStringList:
        keywords = value.toStringList();
        break;
    case QMetaType::QString:
        keywords << value.toString();
        break;
    default:
        break;
    }
    return keywords;
}

void setKeywordsOfIPTC(QVariantMap &iptc, const QStringList &keywords)
{
    if (keywords.isEmpty()) {
        iptc.remove(kCGImagePropertyIPTCKeywords);
        return;
    }
    QVariantList list;
    list.reserve(keywords.size());
    for (const QString &keyword : keywords)
        list << keyword;
    iptc.insert(kCGImagePropertyIPTCKeywords, list);
}

QString fullUserName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size_t(size > 0 ? size : 16384));
    passwd entry {};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        // The full-name field may go on with office and telephone entries after commas.
        const QString gecos = QString::fromLocal8Bit(found->pw_gecos ? found->pw_gecos : "");
        const QString name = gecos.section(QLatin1Char(','), 0, 0).trimmed();
        if (!name.isEmpty())
            return name;
        if (found->pw_name && *found->pw_name)
            return QString::fromLocal8Bit(found->pw_name);
    }
    return qEnvironmentVariable("USER");
}

} // namespace MCMetadataStageSupport
