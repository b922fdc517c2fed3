#include "app/stages/MCConvertColorProfile.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "halvard/system/MCSandboxHelper.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/imageio/MCImageProperties.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

const QString MCColorProfileStage::kColorProfileURLKey = QStringLiteral("colorProfileURL");
const QString MCColorProfileStage::kColorProfileNameKey = QStringLiteral("colorProfileName");
const QString MCColorProfileStage::kRenderingIntentKey = QStringLiteral("renderingIntent");
const QString MCColorProfileStage::kBlackPointCompensationKey = QStringLiteral("blackPointCompensation");
const QString MCColorProfileStage::kTargetColorModelKey = QStringLiteral("targetColorModel");

namespace {

using T = MCStageParameterType;

// The chosen file: no default, no limits, no nil value; compared by path. Stored as a bookmark
// (encodeParameter), so no hash factor of the generic kind.
MCStageParameter urlParameter()
{
    return {.name = MCColorProfileStage::kColorProfileURLKey, .type = T::String, .defaultValue = QString()};
}

// A colour space made from the profile file; nullptr when it cannot be read or used.
CGColorSpaceRef loadProfile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return CGColorSpace::createWithICCData(file.readAll());
}

QString noProfileName() { return QCoreApplication::translate("MCConvertStage", "No profile"); }

} // namespace

// ---------------------------------------------------------------- the list

std::shared_ptr<const ColorSyncProfileCatalogue> MCColorProfileStage::systemColorProfiles()
{
    return ColorSyncProfileCatalogue::installed();
}

bool MCColorProfileStage::isProfileVisible(const ColorSyncProfileInfo *info) const
{
    if (!info)
        return false;
    static const uint32_t spaces[] = {kColorSyncSigGrayData, kColorSyncSigRgbData, kColorSyncSigCmykData,
                                      kColorSyncSigLabData};
    if (followsTargetColorModel()) {
        // A model outside 0 to 3 (read as unsigned) lists every colour space.
        const quint64 model = quint64(targetColorModel());
        if (model <= 3 && info->colorSpace != spaces[model])
            return false;
    } else if (std::find(std::begin(spaces), std::end(spaces), info->colorSpace) == std::end(spaces)) {
        return false;
    }
    if (info->description.isEmpty())
        return false;
    switch (info->profileClass) {
    case kColorSyncSigAbstractClass:
    case kColorSyncSigDisplayClass:
    case kColorSyncSigInputClass:
    case kColorSyncSigOutputClass:
        return true;
    default:
        return false;
    }
}

const std::vector<ColorSyncProfileInfo> &MCColorProfileStage::profilesLocked() const
{
    if (!m_profiles) {
        std::vector<ColorSyncProfileInfo> list;
        if (const std::shared_ptr<const ColorSyncProfileCatalogue> catalogue = systemColorProfiles()) {
            for (const ColorSyncProfileInfo &info : catalogue->sortedProfiles()) {
                if (isProfileVisible(&info))
                    list.push_back(info);
            }
        }
        m_profiles = std::move(list);
    }
    return *m_profiles;
}

quint64 MCColorProfileStage::numberOfProfiles() const
{
    std::lock_guard<std::mutex> locked(m_lock);
    return profilesLocked().size();
}

QString MCColorProfileStage::profileNameAtIndex(quint64 index) const
{
    std::lock_guard<std::mutex> locked(m_lock);
    const std::vector<ColorSyncProfileInfo> &list = profilesLocked();
    if (index >= list.size())
        throw std::out_of_range("*** profileNameAtIndex: index beyond bounds");
    return list[index].description;
}

QString MCColorProfileStage::profileURLAtIndex(quint64 index) const
{
    std::lock_guard<std::mutex> locked(m_lock);
    const std::vector<ColorSyncProfileInfo> &list = profilesLocked();
    if (index >= list.size())
        throw std::out_of_range("*** profileURLAtIndex: index beyond bounds");
    return list[index].url;
}

// ---------------------------------------------------------------- the choice

QString MCColorProfileStage::storedColorProfileURL() const { return stringValue(kColorProfileURLKey); }

QString MCColorProfileStage::colorProfileURL()
{
    const QString stored = storedColorProfileURL();
    if (!stored.isEmpty())
        return stored;
    ColorSyncProfileInfo first;
    {
        std::lock_guard<std::mutex> locked(m_lock);
        const std::vector<ColorSyncProfileInfo> &list = profilesLocked();
        if (list.empty())
            return {};
        first = list.front();
    }
    assignParameterValue(kColorProfileURLKey, first.url); // drops the name and the profile
    std::lock_guard<std::mutex> locked(m_lock);
    m_name = first.description;
    return first.url;
}

CGColorSpaceRef MCColorProfileStage::colorProfileLocked() const
{
    if (!m_profile && !m_url.isEmpty())
        m_profile = loadProfile(m_url); // a failure keeps nothing and is tried again
    return m_profile;
}

CGColorSpaceRef MCColorProfileStage::colorProfile() const
{
    std::lock_guard<std::mutex> locked(m_lock);
    return colorProfileLocked();
}

void MCColorProfileStage::setColorProfile(const CGColorSpaceRef &profile)
{
    std::lock_guard<std::mutex> locked(m_lock);
    m_profile = profile;
}

QString MCColorProfileStage::colorProfileNameLocked() const
{
    if (!m_name) {
        if (const CGColorSpaceRef profile = colorProfileLocked()) {
            const QString description = profile->profileDescription();
            m_name = description.isEmpty() ? QFileInfo(m_url).completeBaseName() : description;
        }
        if (!m_name || m_name->isEmpty())
            m_name = noProfileName();
    }
    return *m_name;
}

QString MCColorProfileStage::colorProfileName() const
{
    std::lock_guard<std::mutex> locked(m_lock);
    return colorProfileNameLocked();
}

void MCColorProfileStage::parameterDidChange(const QString &name)
{
    std::lock_guard<std::mutex> locked(m_lock);
    if (name == kColorProfileURLKey) {
        m_url = stringValue(kColorProfileURLKey);
        m_profile.reset();
        m_name.reset();
    } else if (name == kRenderingIntentKey) {
        m_intent = CGColorRenderingIntent(integerValue(kRenderingIntentKey));
    } else if (name == kBlackPointCompensationKey) {
        m_blackPointCompensation = boolValue(kBlackPointCompensationKey);
    }
}

MCColorProfileStage::RunState MCColorProfileStage::runState() const
{
    std::lock_guard<std::mutex> locked(m_lock);
    RunState state;
    state.url = m_url;
    state.intent = m_intent;
    state.blackPointCompensation = m_blackPointCompensation;
    state.profile = colorProfileLocked();
    state.name = colorProfileNameLocked();
    return state;
}

// ---------------------------------------------------------------- target colour model

void MCColorProfileStage::setTargetColorModel(qint64 model)
{
    if (!followsTargetColorModel() || model == targetColorModel()) {
        MCConvertStage::setTargetColorModel(model);
        return;
    }
    MCConvertStage::setTargetColorModel(model);
    willChangeValueForKey(kColorProfileURLKey);
    willChangeValueForKey(kColorProfileNameKey);
    {
        std::lock_guard<std::mutex> locked(m_lock);
        m_profiles.reset();
    }
    assignParameterValue(kColorProfileURLKey, QString()); // drops the profile and the name
    didChangeValueForKey(kColorProfileNameKey);
    didChangeValueForKey(kColorProfileURLKey);
}

QString MCColorProfileStage::colorProfileNameForName(const QString &name) const
{
    if (!followsTargetColorModel() || !isActive())
        return name;
    return colorProfileName();
}

// ---------------------------------------------------------------- stored form

QVariant MCColorProfileStage::encodeParameter(const MCStageParameter &parameter, const QVariant &value) const
{
    if (parameter.name != kColorProfileURLKey)
        return MCConvertStage::encodeParameter(parameter, value);
    return bookmarkOfPath(value);
}

std::optional<QVariant> MCColorProfileStage::decodeParameter(const MCStageParameter &parameter,
                                                             const QVariant &stored) const
{
    if (parameter.name != kColorProfileURLKey)
        return MCConvertStage::decodeParameter(parameter, stored);
    if (stored.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    // The path is kept even when the file is gone: converting then fails and names it, rather
    // than writing photos that are silently not in the chosen profile.
    return QVariant(MCURLExtensions::URLPathFromSecurityScopedBookmark(stored.toByteArray()));
}

QVariantMap MCColorProfileStage::dictionaryRepresentation() const
{
    QVariantMap dictionary = MCConvertStage::dictionaryRepresentation();
    if (followsTargetColorModel())
        dictionary.insert(kTargetColorModelKey, targetColorModel());
    return dictionary;
}

void MCColorProfileStage::initWithDictionary(const QVariantMap &dictionary)
{
    if (followsTargetColorModel()) {
        bool ok = false;
        const qint64 model = dictionary.value(kTargetColorModelKey).toLongLong(&ok);
        setTargetColorModel(ok ? model : 0);
    }
    MCConvertStage::initWithDictionary(dictionary);
}

QVariant MCColorProfileStage::valueForKey(const QString &key) const
{
    if (key == kColorProfileNameKey)
        return colorProfileName();
    return MCConvertStage::valueForKey(key);
}

std::shared_ptr<MCConvertStage> MCColorProfileStage::copy() const
{
    std::shared_ptr<MCConvertStage> stage = MCConvertStage::copy();
    auto &copied = static_cast<MCColorProfileStage &>(*stage);
    std::scoped_lock locked(m_lock, copied.m_lock);
    copied.m_profile = m_profile;
    copied.m_name = m_name;
    copied.m_profiles = m_profiles;
    return stage;
}

bool MCColorProfileStage::failWithUnusableProfile(const QString &path, const MCFile *file, MCError *error) const
{
    MCError failure = stageFailureError(file);
    const QString reason =
        ColorSyncProfileCopyInfo(path)
            ? QCoreApplication::translate("MCConvertStage", "The color profile “%1” cannot be used by this action.")
            : QCoreApplication::translate("MCConvertStage", "The color profile “%1” cannot be read.");
    failure.setLocalizedFailureReason(reason.arg(path));
    failure.setLocalizedRecoverySuggestion(
        QCoreApplication::translate("MCConvertStage", "Choose another color profile in the action, and then try again."));
    failure.setUserInfoValue(MCFilePathErrorKey, path);
    MCSetError(error, failure);
    return false;
}

std::optional<MCColorProfileStage::RunState> MCColorProfileStage::runStateToApply(const MCFile *file, MCError *error,
                                                                                 bool *ok) const
{
    *ok = true;
    if (!isActive())
        return std::nullopt;
    RunState state = runState();
    if (state.url.isEmpty())
        return std::nullopt; // nothing chosen
    if (!state.profile) {
        *ok = failWithUnusableProfile(state.url, file, error);
        return std::nullopt;
    }
    return state;
}

// ---------------------------------------------------------------- Convert and Proof

const MCStageParameters &MCColorProfileIntentStage::parameters() const
{
    static const MCStageParameters table = {
        urlParameter(),
        {.name = kRenderingIntentKey, .type = T::Integer, .defaultValue = qint64(0)},
        {.name = kBlackPointCompensationKey, .type = T::Bool, .defaultValue = false, .compared = false},
    };
    return table;
}

quint64 MCColorProfileIntentStage::hash() const
{
    const qint32 shifted = qint32(quint32(qint32(renderingIntent())) << 8);
    return MCConvertStage::hash() ^ quint64(qint64(shifted));
}

const MCStageParameters &MCConvertAssignProfile::parameters() const
{
    static const MCStageParameters table = {urlParameter()};
    return table;
}

bool MCConvertColorProfile::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error)
{
    bool ok = true;
    const std::optional<RunState> run = runStateToApply(file, error, &ok);
    if (!run)
        return ok;
    if (!bitmap)
        return false;
    const RunState &state = *run;
    metadata.insert(kCGImagePropertyProfileName, state.name);
    if (!bitmap->convertToColorSpace(state.profile, state.intent, state.blackPointCompensation, error))
        return false;
    bitmap->setAssignedColorSpace(state.profile);
    return true;
}

bool MCConvertAssignProfile::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error)
{
    bool ok = true;
    const std::optional<RunState> run = runStateToApply(file, error, &ok);
    if (!run)
        return ok;
    if (!bitmap)
        return false;
    const RunState &state = *run;
    metadata.insert(kCGImagePropertyProfileName, state.name);
    bitmap->setAssignedColorSpace(state.profile);
    return true;
}

bool MCConvertProofProfile::convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error)
{
    bool ok = true;
    const std::optional<RunState> run = runStateToApply(file, error, &ok);
    if (!run)
        return ok;
    if (!bitmap)
        return false;
    const RunState &state = *run;
    if (!bitmap->proofWithColorSpace(state.profile, state.intent, state.blackPointCompensation, error))
        return false;
    metadata.insert(kCGImagePropertyProfileName, state.name);
    return true;
}
