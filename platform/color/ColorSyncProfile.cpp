#include "platform/color/ColorSyncProfile.h"

#include <lcms2.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct ProfileCloser
{
    void operator()(void *p) const { cmsCloseProfile(static_cast<cmsHPROFILE>(p)); }
};

double gammaOfCurves(cmsHPROFILE profile, const std::vector<cmsTagSignature> &tags)
{
    double sum = 0;
    for (cmsTagSignature tag : tags) {
        auto *curve = static_cast<cmsToneCurve *>(cmsReadTag(profile, tag));
        if (!curve)
            return 0;
        const double g = cmsEstimateGamma(curve, 0.01);
        if (!(g > 0))
            return 0;
        sum += g;
    }
    return sum / double(tags.size());
}

// Luminance of neutral device values, fitted as Y = v^γ between the shadows and highlights.
double gammaOfRamp(cmsHPROFILE profile)
{
    const cmsColorSpaceSignature space = cmsGetColorSpace(profile);
    size_t channels = 0;
    bool subtractive = false;
    cmsUInt32Number format = 0;
    switch (space) {
    case cmsSigGrayData:
        channels = 1;
        format = TYPE_GRAY_DBL;
        break;
    case cmsSigRgbData:
        channels = 3;
        format = TYPE_RGB_DBL;
        break;
    case cmsSigCmykData:
        channels = 4;
        subtractive = true;
        format = TYPE_CMYK_DBL;
        break;
    default:
        return 0;
    }
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(profile, format, xyz, TYPE_XYZ_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    cmsCloseProfile(xyz);
    if (!transform)
        return 0;
    // The device value of a neutral at level v (0 dark .. 1 light): equal components, or for
    // ink only black (percent for lcms's floating CMYK).
    auto neutral = [&](double v, double *out) {
        for (size_t c = 0; c < channels; ++c)
            out[c] = subtractive ? (c == 3 ? (1.0 - v) * 100.0 : 0.0) : v;
    };
    double device[4], white[3], black[3], sample[3];
    neutral(1.0, device);
    cmsDoTransform(transform, device, white, 1);
    neutral(0.0, device);
    cmsDoTransform(transform, device, black, 1);
    double sum = 0;
    int count = 0;
    for (int i = 2; i <= 8; ++i) {
        const double v = i / 10.0;
        neutral(v, device);
        cmsDoTransform(transform, device, sample, 1);
        const double y = (sample[1] - black[1]) / (white[1] - black[1]);
        if (y > 0 && y < 1) {
            sum += std::log(y) / std::log(v);
            ++count;
        }
    }
    cmsDeleteTransform(transform);
    return count ? sum / count : 0;
}

} // namespace

double ColorSyncProfileEstimateGamma(const QByteArray &iccData)
{
    if (iccData.size() < 132)
        return 0;
    std::unique_ptr<void, ProfileCloser> profile(
        cmsOpenProfileFromMem(iccData.constData(), cmsUInt32Number(iccData.size())));
    if (!profile)
        return 0;
    auto handle = static_cast<cmsHPROFILE>(profile.get());
    double gamma = 0;
    if (cmsIsTag(handle, cmsSigRedTRCTag) && cmsIsTag(handle, cmsSigGreenTRCTag) && cmsIsTag(handle, cmsSigBlueTRCTag))
        gamma = gammaOfCurves(handle, {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag});
    else if (cmsIsTag(handle, cmsSigGrayTRCTag))
        gamma = gammaOfCurves(handle, {cmsSigGrayTRCTag});
    if (!(gamma > 0))
        gamma = gammaOfRamp(handle);
    return gamma > 0 && std::isfinite(gamma) ? gamma : 0;
}
