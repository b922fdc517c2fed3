#include "platform/graphics/CGColorSpace.h"

#include "platform/core/MCBundle.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QMutex>

#include <lcms2.h>

const QString kCGColorSpaceSRGB = QStringLiteral("kCGColorSpaceSRGB");
const QString kCGColorSpaceLinearSRGB = QStringLiteral("kCGColorSpaceLinearSRGB");
const QString kCGColorSpaceGenericRGB = QStringLiteral("kCGColorSpaceGenericRGB");
const QString kCGColorSpaceGenericRGBLinear = QStringLiteral("kCGColorSpaceGenericRGBLinear");
const QString kCGColorSpaceAdobeRGB1998 = QStringLiteral("kCGColorSpaceAdobeRGB1998");
const QString kCGColorSpaceDisplayP3 = QStringLiteral("kCGColorSpaceDisplayP3");
const QString kCGColorSpaceGenericGray = QStringLiteral("kCGColorSpaceGenericGray");
const QString kCGColorSpaceGenericGrayGamma2_2 = QStringLiteral("kCGColorSpaceGenericGrayGamma2_2");
const QString kCGColorSpaceLinearGray = QStringLiteral("kCGColorSpaceLinearGray");
const QString kCGColorSpaceSRGBGray = QStringLiteral("kCGColorSpaceSRGBGray");
const QString kCGColorSpaceGenericCMYK = QStringLiteral("kCGColorSpaceGenericCMYK");
const QString kCGColorSpaceGenericLab = QStringLiteral("kCGColorSpaceGenericLab");

namespace {

void setDescription(cmsHPROFILE profile, const char *text)
{
    cmsMLU *mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", text);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, mlu);
    cmsMLUfree(mlu);
}

cmsHPROFILE rgbProfile(const cmsCIExyY &white, const cmsCIExyYTRIPLE &primaries, cmsToneCurve *curve,
                       const char *description)
{
    cmsToneCurve *curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    if (profile)
        setDescription(profile, description);
    return profile;
}

cmsToneCurve *srgbCurve()
{
    // The sRGB transfer function as the ICC parametric curve type 4.
    const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, params);
}

cmsHPROFILE grayProfile(cmsToneCurve *curve, const char *description)
{
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    cmsFreeToneCurve(curve);
    if (profile)
        setDescription(profile, description);
    return profile;
}

cmsHPROFILE makeNamedProfile(const QString &name)
{
    cmsCIExyY d65;
    cmsWhitePointFromTemp(&d65, 6504);
    const cmsCIExyYTRIPLE srgbPrimaries = {{0.6400, 0.3300, 1.0}, {0.3000, 0.6000, 1.0}, {0.1500, 0.0600, 1.0}};
    const cmsCIExyYTRIPLE adobePrimaries = {{0.6400, 0.3300, 1.0}, {0.2100, 0.7100, 1.0}, {0.1500, 0.0600, 1.0}};
    const cmsCIExyYTRIPLE p3Primaries = {{0.6800, 0.3200, 1.0}, {0.2650, 0.6900, 1.0}, {0.1500, 0.0600, 1.0}};

    if (name == kCGColorSpaceSRGB) {
        cmsHPROFILE profile = cmsCreate_sRGBProfile();
        if (profile)
            setDescription(profile, "sRGB IEC61966-2.1");
        return profile;
    }
    if (name == kCGColorSpaceGenericRGB)
        return rgbProfile(d65, srgbPrimaries, cmsBuildGamma(nullptr, 1.8), "Generic RGB Profile");
    if (name == kCGColorSpaceLinearSRGB || name == kCGColorSpaceGenericRGBLinear)
        return rgbProfile(d65, srgbPrimaries, cmsBuildGamma(nullptr, 1.0),
                          name == kCGColorSpaceLinearSRGB ? "sRGB Linear" : "Generic RGB Linear Profile");
    if (name == kCGColorSpaceAdobeRGB1998)
        return rgbProfile(d65, adobePrimaries, cmsBuildGamma(nullptr, 563.0 / 256.0), "Adobe RGB (1998)");
    if (name == kCGColorSpaceDisplayP3)
        return rgbProfile(d65, p3Primaries, srgbCurve(), "Display P3");
    if (name == kCGColorSpaceGenericGray)
        return grayProfile(cmsBuildGamma(nullptr, 1.8), "Generic Gray Profile");
    if (name == kCGColorSpaceGenericGrayGamma2_2)
        return grayProfile(cmsBuildGamma(nullptr, 2.2), "Generic Gray Gamma 2.2 Profile");
    if (name == kCGColorSpaceLinearGray)
        return grayProfile(cmsBuildGamma(nullptr, 1.0), "Linear Gray");
    if (name == kCGColorSpaceSRGBGray)
        return grayProfile(srgbCurve(), "sRGB Gray");
    if (name == kCGColorSpaceGenericLab) {
        cmsHPROFILE profile = cmsCreateLab4Profile(cmsD50_xyY());
        if (profile) {
            // lcms makes it an abstract profile; as a colour space it is a colour-space profile.
            cmsSetDeviceClass(profile, cmsSigColorSpaceClass);
            setDescription(profile, "Generic Lab Profile");
        }
        return profile;
    }
    if (name == kCGColorSpaceGenericCMYK) {
        QFile file(platform::pathForResource(QStringLiteral("ColorProfiles/GenericCMYK.icc")));
        if (!file.open(QIODevice::ReadOnly))
            return nullptr;
        const QByteArray data = file.readAll();
        return cmsOpenProfileFromMem(data.constData(), cmsUInt32Number(data.size()));
    }
    return nullptr;
}

CGColorSpaceModel modelOfProfile(cmsHPROFILE profile)
{
    switch (cmsGetColorSpace(profile)) {
    case cmsSigGrayData:
        return kCGColorSpaceModelMonochrome;
    case cmsSigRgbData:
        return kCGColorSpaceModelRGB;
    case cmsSigCmykData:
        return kCGColorSpaceModelCMYK;
    case cmsSigLabData:
        return kCGColorSpaceModelLab;
    case cmsSigXYZData:
        return kCGColorSpaceModelXYZ;
    default:
        return kCGColorSpaceModelUnknown;
    }
}

QString descriptionOfProfile(cmsHPROFILE profile)
{
    wchar_t buffer[512];
    const cmsUInt32Number n = cmsGetProfileInfo(profile, cmsInfoDescription, "en", "US", buffer, 512);
    if (n == 0)
        return {};
    return QString::fromWCharArray(buffer).trimmed();
}

} // namespace

CGColorSpace::~CGColorSpace()
{
    if (m_profile)
        cmsCloseProfile(static_cast<cmsHPROFILE>(m_profile));
}

size_t CGColorSpace::numberOfComponents() const
{
    switch (m_model) {
    case kCGColorSpaceModelMonochrome:
        return 1;
    case kCGColorSpaceModelRGB:
    case kCGColorSpaceModelLab:
    case kCGColorSpaceModelXYZ:
        return 3;
    case kCGColorSpaceModelCMYK:
        return 4;
    default:
        return 0;
    }
}

bool CGColorSpace::isEquivalent(const CGColorSpace &other) const
{
    return this == &other || (m_model == other.m_model && m_iccData == other.m_iccData);
}

void CGColorSpace::setICCData(const QByteArray &data)
{
    m_iccData = data;
    m_iccDigest = QCryptographicHash::hash(data, QCryptographicHash::Sha1);
}

CGColorSpaceRef CGColorSpace::fromProfile(void *handle, const QString &name)
{
    auto profile = static_cast<cmsHPROFILE>(handle);
    const CGColorSpaceModel model = modelOfProfile(profile);
    const cmsProfileClassSignature cls = cmsGetDeviceClass(profile);
    if (model == kCGColorSpaceModelUnknown || model == kCGColorSpaceModelXYZ || cls == cmsSigNamedColorClass ||
        cls == cmsSigLinkClass || cls == cmsSigAbstractClass) {
        cmsCloseProfile(profile);
        return nullptr;
    }
    cmsUInt32Number size = 0;
    QByteArray data;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        data.resize(qsizetype(size));
        if (!cmsSaveProfileToMem(profile, data.data(), &size))
            data.clear();
    }
    auto space = std::shared_ptr<CGColorSpace>(new CGColorSpace);
    space->m_model = model;
    space->setICCData(data);
    space->m_name = name;
    space->m_description = descriptionOfProfile(profile);
    space->m_profile = profile;
    return space;
}

CGColorSpaceRef CGColorSpace::createWithName(const QString &name)
{
    static QMutex mutex; // guards `cache`
    static QHash<QString, CGColorSpaceRef> cache;
    QMutexLocker lock(&mutex);
    if (auto it = cache.constFind(name); it != cache.constEnd())
        return it.value();
    cmsHPROFILE profile = makeNamedProfile(name);
    if (!profile)
        return nullptr;
    CGColorSpaceRef space = fromProfile(profile, name);
    if (space)
        cache.insert(name, space);
    return space;
}

CGColorSpaceRef CGColorSpace::createWithICCData(const QByteArray &iccData)
{
    // The smallest valid profile is a 128-byte header and a tag count.
    if (iccData.size() < 132)
        return nullptr;
    // A truncated profile still parses its header; its declared size tells the truth.
    const auto *header = reinterpret_cast<const uchar *>(iccData.constData());
    const quint32 declared = (quint32(header[0]) << 24) | (quint32(header[1]) << 16) | (quint32(header[2]) << 8) |
                             quint32(header[3]);
    if (declared < 132 || declared > quint32(iccData.size()))
        return nullptr;
    cmsHPROFILE profile = cmsOpenProfileFromMem(iccData.constData(), cmsUInt32Number(iccData.size()));
    if (!profile)
        return nullptr;
    CGColorSpaceRef space = fromProfile(profile, QString());
    if (space) {
        // Keep the caller's exact bytes so that an embedded profile is written back unchanged.
        const_cast<CGColorSpace *>(space.get())->setICCData(iccData);
    }
    return space;
}
