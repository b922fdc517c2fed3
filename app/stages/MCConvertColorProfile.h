#pragma once

// The colour-profile stages: Convert to Profile turns the pixels into the space of a chosen
// ICC profile, Assign Profile tags the output with one without touching the pixels, and Proof
// with Profile soft-proofs the pixels through one while they stay in their own space. The
// profile is chosen from the installed profiles (ColorSyncProfileCatalogue).
//
// Threads: the panel edits a stage on the GUI thread while previews and the prediction tables
// read it on workers. Everything the workers read (the chosen file, intent and compensation,
// the loaded profile, the display name, the list) is kept under the stage's one lock,
// m_lock; the parameter table itself is only touched on the GUI thread.
#include "app/engine/pipeline/MCConvertStage.h"
#include "platform/color/ColorSyncProfileCatalogue.h"
#include "platform/graphics/CGTypes.h"

#include <mutex>
#include <optional>
#include <vector>

class MCColorProfileStage : public MCConvertStage
{
public:
    static const QString kColorProfileURLKey;          // "colorProfileURL"
    static const QString kColorProfileNameKey;         // "colorProfileName" (read-only, observable)
    static const QString kRenderingIntentKey;          // "renderingIntent"
    static const QString kBlackPointCompensationKey;   // "blackPointCompensation"
    static const QString kTargetColorModelKey;         // "targetColorModel" (stored by Convert and Assign)

    // The installed profiles (shared by the three classes); nullptr when none is installed.
    static std::shared_ptr<const ColorSyncProfileCatalogue> systemColorProfiles();

    // ---- for the editor panel (GUI thread)
    quint64 numberOfProfiles() const;
    // The entry's description / path; programmer errors (std::out_of_range) past the end.
    QString profileNameAtIndex(quint64 index) const;
    QString profileURLAtIndex(quint64 index) const;
    // Whether a profile belongs in this stage's list: a data colour space the stage can use,
    // a description, and a class among input, display, output and abstract.
    virtual bool isProfileVisible(const ColorSyncProfileInfo *info) const;

    // The chosen profile file. While none is chosen and the list is not empty, reading it
    // chooses entry 0 (no undo, no notice); nothing else applies that default, so a stage whose
    // file nobody has read or set converts nothing.
    QString colorProfileURL();
    // The file as stored, without the default.
    QString storedColorProfileURL() const;
    // Undoable; drops the loaded profile and the display name.
    void setColorProfileURL(const QString &path) { setParameterValue(kColorProfileURLKey, path); }
    // The profile's description, else the file's name without extension; "No profile" while
    // no profile can be loaded. Never empty.
    QString colorProfileName() const;

    // The profile loaded from the stored file (a colour space made from its data); nullptr when
    // none is chosen or the file cannot be read as a usable profile (tried again next time).
    CGColorSpaceRef colorProfile() const;
    void setColorProfile(const CGColorSpaceRef &profile);

    // Convert and Assign: a new target colour model drops the chosen file, the list and the
    // name (announced as changes of "colorProfileURL" and "colorProfileName"); no undo.
    void setTargetColorModel(qint64 model) override;
    // Convert and Assign add "targetColorModel" and read it (through the setter above) before
    // the file, so a stored choice survives when the model matches.
    QVariantMap dictionaryRepresentation() const override;
    void initWithDictionary(const QVariantMap &dictionary) override;
    // Convert and Assign, while active: the chosen profile's name, the later stage's winning.
    QString colorProfileNameForName(const QString &name) const override;

    QVariant valueForKey(const QString &key) const override;
    std::shared_ptr<MCConvertStage> copy() const override;

protected:
    // Convert and Assign follow the converter's output colour model: it filters their list, a
    // change of it drops their choice, and it is stored with them.
    virtual bool followsTargetColorModel() const { return false; }
    // Makes `error` the stage failure on `file` with the reason that the chosen profile cannot
    // be used, naming it; answers false.
    bool failWithUnusableProfile(const QString &path, const MCFile *file, MCError *error) const;
    // What a run needs, read under the lock in one go.
    struct RunState
    {
        QString url;
        CGColorRenderingIntent intent = kCGRenderingIntentDefault;
        bool blackPointCompensation = false;
        CGColorSpaceRef profile;
        QString name;
    };
    RunState runState() const;
    // The run's state when the stage has work to do. Without: nothing chosen or inactive
    // (*ok true), or a chosen profile that can't be used (*ok false, `error` set).
    std::optional<RunState> runStateToApply(const MCFile *file, MCError *error, bool *ok) const;

    void parameterDidChange(const QString &name) override;
    QVariant encodeParameter(const MCStageParameter &parameter, const QVariant &value) const override;
    std::optional<QVariant> decodeParameter(const MCStageParameter &parameter, const QVariant &stored) const override;

    // The stage's list, built on first use; call with m_lock held.
    const std::vector<ColorSyncProfileInfo> &profilesLocked() const;
    CGColorSpaceRef colorProfileLocked() const;
    QString colorProfileNameLocked() const;
    // Drops the chosen file with the will/did notices of "colorProfileURL" and
    // "colorProfileName", as a change of the target colour model does.
    void dropChoiceForTargetColorModel();

    mutable std::mutex m_lock; // guards every member below
    QString m_url;             // mirror of the stored file, for the workers
    CGColorRenderingIntent m_intent = kCGRenderingIntentDefault;
    bool m_blackPointCompensation = false;
    mutable CGColorSpaceRef m_profile;
    mutable std::optional<QString> m_name;
    mutable std::optional<std::vector<ColorSyncProfileInfo>> m_profiles;
};

// Shared by Convert and Proof: the rendering intent and black-point compensation.
class MCColorProfileIntentStage : public MCColorProfileStage
{
public:
    // 0 the profile header's intent, 1 absolute colorimetric, 2 relative colorimetric,
    // 3 perceptual, 4 saturation.
    qint64 renderingIntent() const { return integerValue(kRenderingIntentKey); }
    void setRenderingIntent(qint64 intent) { setParameterValue(kRenderingIntentKey, intent); }
    bool blackPointCompensation() const { return boolValue(kBlackPointCompensationKey); }
    void setBlackPointCompensation(bool on) { setParameterValue(kBlackPointCompensationKey, on); }

    const MCStageParameters &parameters() const override;
    // The skeleton's hash with the intent shifted left by 8 bits (32-bit signed arithmetic,
    // sign-extended); black-point compensation takes no part, as in equality.
    quint64 hash() const override;
};

// Converts the pixels to the chosen profile's space and makes it the output's profile.
class MCConvertColorProfile : public MCColorProfileIntentStage
{
public:
    static constexpr qint64 StageID = 8;
    qint64 stageID() const override { return StageID; }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    bool followsTargetColorModel() const override { return true; }
};

// Tags the output with the chosen profile; the pixels are not touched.
class MCConvertAssignProfile : public MCColorProfileStage
{
public:
    static constexpr qint64 StageID = 34;
    qint64 stageID() const override { return StageID; }
    const MCStageParameters &parameters() const override;

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;

protected:
    bool followsTargetColorModel() const override { return true; }
};

// Soft-proofs the pixels through the chosen profile; they stay in their own space.
class MCConvertProofProfile : public MCColorProfileIntentStage
{
public:
    static constexpr qint64 StageID = 35;
    qint64 stageID() const override { return StageID; }

    bool convertBitmap(MCBitmap *bitmap, QVariantMap &metadata, const MCFile *file, MCError *error) override;
};
