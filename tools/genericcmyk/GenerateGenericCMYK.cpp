// Writes the generic CMYK output profile we ship (resources/ColorProfiles/GenericCMYK.icc).
//
// The profile comes from a small ink model, not from measurements: four inks on a white
// paper, each absorbing the red, green and blue thirds of the spectrum by a fixed density,
// with a dot gain of about 7.5 % at mid tones and a densest black near L* 10. Forward
// (CMYK -> Lab) adds the inks' densities per third; the inverse (Lab -> CMYK) takes the
// gray part of the wanted density into black (gray component replacement, more black in the
// shadows) and solves the rest for cyan, magenta and yellow. Both directions are sampled into
// lookup tables of an ICC v4 output profile.
//
// usage: generate_generic_cmyk <output.icc>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Density of each ink at full coverage in the red, green and blue thirds (rows: ink C, M, Y, K).
constexpr double kInkDensity[4][3] = {
    {1.25, 0.45, 0.20},
    {0.10, 1.15, 0.50},
    {0.02, 0.08, 1.00},
    {1.60, 1.60, 1.60},
};
constexpr double kMinimumReflectance = 0.012; // what the densest ink still reflects
constexpr double kDotGain = 0.3;              // effective = v + gain × v × (1 − v)

// Linear red, green, blue reflectances to XYZ under D50 (sRGB primaries adapted to D50).
constexpr double kToXYZ[3][3] = {
    {0.4360747, 0.3850649, 0.1430804},
    {0.2225045, 0.7168786, 0.0606169},
    {0.0139322, 0.0971045, 0.7141733},
};

double gained(double v) { return v + kDotGain * v * (1.0 - v); }

double ungained(double e)
{
    // The root in [0, 1] of gain × v² − (1 + gain) × v + e = 0.
    const double b = 1.0 + kDotGain;
    return (b - std::sqrt(b * b - 4.0 * kDotGain * e)) / (2.0 * kDotGain);
}

double reflectanceOfDensity(double d) { return kMinimumReflectance + (1.0 - kMinimumReflectance) * std::pow(10.0, -d); }

double densityOfReflectance(double r)
{
    const double t = std::max((r - kMinimumReflectance) / (1.0 - kMinimumReflectance), 1e-6);
    return -std::log10(std::min(t, 1.0));
}

cmsCIELab labOfInks(const double ink[4])
{
    double rgb[3];
    for (int ch = 0; ch < 3; ++ch) {
        double d = 0;
        for (int i = 0; i < 4; ++i)
            d += gained(ink[i]) * kInkDensity[i][ch];
        rgb[ch] = reflectanceOfDensity(d);
    }
    cmsCIEXYZ xyz;
    xyz.X = kToXYZ[0][0] * rgb[0] + kToXYZ[0][1] * rgb[1] + kToXYZ[0][2] * rgb[2];
    xyz.Y = kToXYZ[1][0] * rgb[0] + kToXYZ[1][1] * rgb[1] + kToXYZ[1][2] * rgb[2];
    xyz.Z = kToXYZ[2][0] * rgb[0] + kToXYZ[2][1] * rgb[1] + kToXYZ[2][2] * rgb[2];
    cmsCIELab lab;
    cmsXYZ2Lab(cmsD50_XYZ(), &lab, &xyz);
    return lab;
}

bool solve3(const double m[3][3], const double v[3], double out[3])
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::fabs(det) < 1e-12)
        return false;
    for (int k = 0; k < 3; ++k) {
        double t[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                t[r][c] = c == k ? v[r] : m[r][c];
        out[k] = (t[0][0] * (t[1][1] * t[2][2] - t[1][2] * t[2][1]) - t[0][1] * (t[1][0] * t[2][2] - t[1][2] * t[2][0]) +
                  t[0][2] * (t[1][0] * t[2][1] - t[1][1] * t[2][0])) /
                 det;
    }
    return true;
}

void inksOfLab(const cmsCIELab &lab, double ink[4])
{
    cmsCIEXYZ xyz;
    cmsLab2XYZ(cmsD50_XYZ(), &xyz, &lab);
    double fromXYZ[3][3];
    const double unit[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int c = 0; c < 3; ++c) {
        double col[3];
        solve3(kToXYZ, unit[c], col);
        for (int r = 0; r < 3; ++r)
            fromXYZ[r][c] = col[r];
    }
    const double x[3] = {xyz.X, xyz.Y, xyz.Z};
    double density[3];
    for (int ch = 0; ch < 3; ++ch) {
        const double r = fromXYZ[ch][0] * x[0] + fromXYZ[ch][1] * x[1] + fromXYZ[ch][2] * x[2];
        density[ch] = densityOfReflectance(std::clamp(r, 0.0, 1.0));
    }
    // Gray component replacement: none in the highlights, rising to 85 % in the shadows.
    const double gray = std::min({density[0], density[1], density[2]});
    const double t = std::clamp((gray - 0.15) / (1.3 - 0.15), 0.0, 1.0);
    const double share = 0.85 * t * t * (3.0 - 2.0 * t);
    const double black = std::clamp(gray * share / kInkDensity[3][0], 0.0, 1.0);
    double rest[3], cmy[3];
    for (int ch = 0; ch < 3; ++ch)
        rest[ch] = std::max(0.0, density[ch] - black * kInkDensity[3][ch]);
    const double m[3][3] = {
        {kInkDensity[0][0], kInkDensity[1][0], kInkDensity[2][0]},
        {kInkDensity[0][1], kInkDensity[1][1], kInkDensity[2][1]},
        {kInkDensity[0][2], kInkDensity[1][2], kInkDensity[2][2]},
    };
    solve3(m, rest, cmy);
    for (int i = 0; i < 3; ++i)
        ink[i] = ungained(std::clamp(cmy[i], 0.0, 1.0));
    ink[3] = ungained(black);
}

int sampleForward(const cmsUInt16Number in[], cmsUInt16Number out[], void *)
{
    const double ink[4] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0, in[3] / 65535.0};
    const cmsCIELab lab = labOfInks(ink);
    cmsFloat2LabEncoded(out, &lab);
    return 1;
}

int sampleInverse(const cmsUInt16Number in[], cmsUInt16Number out[], void *)
{
    cmsCIELab lab;
    cmsLabEncoded2Float(&lab, in);
    double ink[4];
    inksOfLab(lab, ink);
    for (int i = 0; i < 4; ++i)
        out[i] = cmsUInt16Number(std::lround(std::clamp(ink[i], 0.0, 1.0) * 65535.0));
    return 1;
}

cmsPipeline *lookupPipeline(cmsUInt32Number inputs, cmsUInt32Number outputs, cmsUInt32Number gridPoints,
                            cmsSAMPLER16 sampler)
{
    cmsPipeline *pipeline = cmsPipelineAlloc(nullptr, inputs, outputs);
    cmsStage *clut = cmsStageAllocCLut16bit(nullptr, gridPoints, inputs, outputs, nullptr);
    if (!pipeline || !clut || !cmsStageSampleCLut16bit(clut, sampler, nullptr, 0))
        return nullptr;
    // The lutAtoB and lutBtoA types want curves on both sides of the table.
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, inputs, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, clut);
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, outputs, nullptr));
    return pipeline;
}

void setText(cmsHPROFILE profile, cmsTagSignature tag, const char *text)
{
    cmsMLU *mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", text);
    cmsWriteTag(profile, tag, mlu);
    cmsMLUfree(mlu);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.icc>\n", argv[0]);
        return 2;
    }
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsSetHeaderRenderingIntent(profile, INTENT_PERCEPTUAL);
    setText(profile, cmsSigProfileDescriptionTag, "Generic CMYK Profile");
    setText(profile, cmsSigCopyrightTag, "No copyright, use freely");
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());

    cmsPipeline *forward = lookupPipeline(4, 3, 13, sampleForward);
    cmsPipeline *inverse = lookupPipeline(3, 4, 25, sampleInverse);
    if (!forward || !inverse) {
        std::fprintf(stderr, "could not build the lookup tables\n");
        return 1;
    }
    // One table pair serves every intent: the model has no separate perceptual rendering.
    cmsWriteTag(profile, cmsSigAToB0Tag, forward);
    cmsWriteTag(profile, cmsSigBToA0Tag, inverse);
    cmsLinkTag(profile, cmsSigAToB1Tag, cmsSigAToB0Tag);
    cmsLinkTag(profile, cmsSigAToB2Tag, cmsSigAToB0Tag);
    cmsLinkTag(profile, cmsSigBToA1Tag, cmsSigBToA0Tag);
    cmsLinkTag(profile, cmsSigBToA2Tag, cmsSigBToA0Tag);
    cmsPipelineFree(forward);
    cmsPipelineFree(inverse);
    cmsMD5computeID(profile);
    const bool saved = cmsSaveProfileToFile(profile, argv[1]);
    cmsCloseProfile(profile);
    if (!saved) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
