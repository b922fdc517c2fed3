#pragma once

#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QString>

// A colour space: a colour model with an ICC profile (lcms2 underneath). Immutable and
// shared through CGColorSpaceRef; two spaces are equivalent when their profiles are the same
// bytes. Named spaces are made once and the same object is handed out on every call.
extern const QString kCGColorSpaceSRGB;
extern const QString kCGColorSpaceLinearSRGB;
extern const QString kCGColorSpaceGenericRGB;
extern const QString kCGColorSpaceGenericRGBLinear;
extern const QString kCGColorSpaceAdobeRGB1998;
extern const QString kCGColorSpaceDisplayP3;
extern const QString kCGColorSpaceGenericGray;
extern const QString kCGColorSpaceGenericGrayGamma2_2;
extern const QString kCGColorSpaceLinearGray;
// Gray with sRGB's tone curve: its levels are those of neutral sRGB colours (v, v, v). Gray
// without a profile is read this way, as browsers and viewers show it, and gray output
// carries it when it has no profile of its own.
extern const QString kCGColorSpaceSRGBGray;
extern const QString kCGColorSpaceGenericCMYK;
extern const QString kCGColorSpaceGenericLab;

class CGColorSpace
{
public:
    // nullptr for an unknown name, or for generic CMYK when its profile file cannot be read
    // ("ColorProfiles/GenericCMYK.icc" in the resources).
    static CGColorSpaceRef createWithName(const QString &name);
    // nullptr when the data is not a usable ICC profile (unparsable, or a model we cannot
    // represent such as a named-colour or abstract profile).
    static CGColorSpaceRef createWithICCData(const QByteArray &iccData);
    static CGColorSpaceRef createDeviceRGB() { return createWithName(kCGColorSpaceSRGB); }
    static CGColorSpaceRef createDeviceGray() { return createWithName(kCGColorSpaceSRGBGray); }
    static CGColorSpaceRef createDeviceCMYK() { return createWithName(kCGColorSpaceGenericCMYK); }

    ~CGColorSpace();
    CGColorSpace(const CGColorSpace &) = delete;
    CGColorSpace &operator=(const CGColorSpace &) = delete;

    CGColorSpaceModel model() const { return m_model; }
    // Colour components without alpha: 1 gray, 3 RGB and Lab, 4 CMYK.
    size_t numberOfComponents() const;
    QByteArray iccData() const { return m_iccData; }
    // The platform name for named spaces ("kCGColorSpaceSRGB"), empty for spaces from data.
    QString name() const { return m_name; }
    // The profile's own description ("sRGB IEC61966-2.1"); empty when it has none.
    QString profileDescription() const { return m_description; }
    // True when both hold the same profile bytes (or are the same object).
    bool isEquivalent(const CGColorSpace &other) const;
    // A digest of iccData(): equal digests mean equal profiles. Keys caches of colour transforms.
    QByteArray iccDigest() const { return m_iccDigest; }

    // The lcms2 profile handle (cmsHPROFILE), owned by the space; valid for its lifetime.
    // Profiles are read-only once made, so the handle may be used from several threads
    // when creating transforms.
    void *lcmsProfile() const { return m_profile; }

private:
    CGColorSpace() = default;
    static CGColorSpaceRef fromProfile(void *profile, const QString &name);
    void setICCData(const QByteArray &data);

    CGColorSpaceModel m_model = kCGColorSpaceModelUnknown;
    QByteArray m_iccData;
    QByteArray m_iccDigest;
    QString m_name;
    QString m_description;
    void *m_profile = nullptr;
};

inline bool CGColorSpaceEqualToColorSpace(const CGColorSpaceRef &a, const CGColorSpaceRef &b)
{
    if (a == b)
        return true;
    return a && b && a->isEquivalent(*b);
}
