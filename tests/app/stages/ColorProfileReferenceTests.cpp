// Convert to Profile checked against an independent colour engine: lcms2's command-line
// calculator `transicc` (package liblcms2-utils) converts the same colours with the same
// profiles, intent and black-point compensation, and both results are compared in CIELAB.
// The test is skipped when the tool is not installed.
//
// Tolerance: our pixels are 8-bit samples converted through a cached 8-bit transform, the
// reference is unquantised floating point, so they differ by rounding: every colour must
// agree within ΔE*ab 2.0 and the mean within 0.6 (one 8-bit step is up to about 1.3 in dark
// saturated colours).
#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCConvertColorProfile.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace {

using Values = std::vector<std::vector<double>>;

// 6 × 6 × 6 levels of sRGB, 0 to 255.
Values colourGrid()
{
    Values colours;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours.push_back({r * 51.0, g * 51.0, b * 51.0});
    return colours;
}

std::unique_ptr<MCBitmap> bitmapOf(const Values &colours)
{
    QByteArray data;
    for (const std::vector<double> &c : colours)
        data.append(char(c[0])).append(char(c[1])).append(char(c[2])).append(char(255));
    const size_t width = colours.size();
    return MCBitmap::createWithCGImage(CGImage::create(width, 1, 8, 32, width * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kCGImageAlphaLast, data));
}

// The colour components of every pixel of a one-row 8-bit bitmap (alpha left out) on the
// scale transicc reads and writes: 0 to 255 for RGB, percent for CMYK.
Values componentsOf(MCBitmap &bitmap)
{
    Values values;
    if (!bitmap.useImageBuffer())
        return values;
    const size_t components = bitmap.colorSpace()->numberOfComponents();
    const size_t stride = bitmap.bitsPerPixel() / 8;
    const double scale = bitmap.colorSpace()->model() == kCGColorSpaceModelCMYK ? 100.0 / 255.0 : 1.0;
    const auto *row = static_cast<const uint8_t *>(bitmap.imageBuffer().data);
    for (size_t x = 0; x < bitmap.imageBuffer().width; ++x) {
        std::vector<double> v;
        for (size_t k = 0; k < components; ++k)
            v.push_back(row[x * stride + k] * scale);
        values.push_back(v);
    }
    return values;
}

// Runs transicc over the values; an empty result when it fails.
Values transicc(const QString &input, const QString &output, int intent, bool bpc, const Values &values)
{
    QStringList arguments{"-n", "-i" + input, "-o" + output, "-t" + QString::number(intent)};
    if (bpc)
        arguments << "-b";
    QByteArray feed;
    for (const std::vector<double> &v : values) {
        QStringList numbers;
        for (double c : v)
            numbers << QString::number(c, 'f', 4);
        feed += numbers.join(' ').toUtf8() + '\n';
    }
    QProcess process;
    process.start(QStandardPaths::findExecutable("transicc"), arguments);
    process.write(feed);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    Values result;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        std::vector<double> v;
        for (const QByteArray &field : fields) {
            bool ok = false;
            const double number = field.toDouble(&ok);
            if (ok)
                v.push_back(number);
        }
        if (!v.empty() && v.size() == size_t(fields.size()))
            result.push_back(v);
    }
    return result.size() == values.size() ? result : Values{};
}

struct Difference
{
    double max = 0, mean = 0;
};

// ΔE*ab between two sets of colours of one profile, both taken to Lab by transicc.
Difference deltaE(const QString &profile, const Values &ours, const Values &reference)
{
    const Values a = transicc(profile, "*Lab", 1, false, ours);
    const Values b = transicc(profile, "*Lab", 1, false, reference);
    Difference d;
    if (a.empty() || a.size() != b.size()) {
        d.max = d.mean = 1e9;
        return d;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const double e = std::hypot(a[i][0] - b[i][0], a[i][1] - b[i][1], a[i][2] - b[i][2]);
        d.max = std::max(d.max, e);
        d.mean += e / double(a.size());
    }
    return d;
}

QString writeProfile(const QString &folder, const QString &name, const QString &space)
{
    const QString path = folder + '/' + name;
    QFile file(path);
    const QByteArray data = CGColorSpace::createWithName(space)->iccData();
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size()) << name.toStdString();
    return path;
}

// transicc numbers the intents differently: 0 perceptual, 1 relative, 2 saturation, 3 absolute.
int transiccIntent(CGColorRenderingIntent intent)
{
    switch (intent) {
    case kCGRenderingIntentAbsoluteColorimetric: return 3;
    case kCGRenderingIntentPerceptual: return 0;
    case kCGRenderingIntentSaturation: return 2;
    default: return 1;
    }
}

} // namespace

TEST(ColorProfileReference, ConversionsAgreeWithLittleCMSOwnCalculator)
{
    if (QStandardPaths::findExecutable("transicc").isEmpty())
        GTEST_SKIP() << "transicc (package liblcms2-utils) is not installed; nothing to compare with";

    const QString folder = testsupport::makeTemporaryFolder(QStringLiteral("reference"));
    const QString sRGB = writeProfile(folder, "srgb.icc", kCGColorSpaceSRGB);
    const QString adobe = writeProfile(folder, "adobe.icc", kCGColorSpaceAdobeRGB1998);
    const QString p3 = writeProfile(folder, "p3.icc", kCGColorSpaceDisplayP3);
    const QString cmyk = writeProfile(folder, "cmyk.icc", kCGColorSpaceGenericCMYK);

    struct Case
    {
        const char *name;
        QString profile;
        qint64 model;
        CGColorRenderingIntent intent;
        bool bpc;
        bool roundTrip; // and back to sRGB with a second stage
    };
    const Case cases[] = {
        {"Adobe RGB, relative", adobe, 1, kCGRenderingIntentRelativeColorimetric, false, false},
        {"Display P3, perceptual", p3, 1, kCGRenderingIntentPerceptual, false, false},
        {"Display P3, absolute", p3, 1, kCGRenderingIntentAbsoluteColorimetric, false, false},
        {"CMYK, relative with black-point compensation", cmyk, 2, kCGRenderingIntentRelativeColorimetric, true, true},
        {"CMYK, perceptual", cmyk, 2, kCGRenderingIntentPerceptual, false, true},
    };
    const Values grid = colourGrid();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MCConvertColorProfile stage;
        stage.setTargetColorModel(c.model);
        stage.setColorProfileURL(c.profile);
        stage.setRenderingIntent(c.intent);
        stage.setBlackPointCompensation(c.bpc);
        auto bitmap = bitmapOf(grid);
        QVariantMap metadata;
        ASSERT_TRUE(stage.convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        const Values ours = componentsOf(*bitmap);
        const Values reference = transicc(sRGB, c.profile, transiccIntent(c.intent), c.bpc, grid);
        ASSERT_EQ(reference.size(), grid.size());
        const Difference there = deltaE(c.profile, ours, reference);
        EXPECT_LE(there.max, 2.0);
        EXPECT_LE(there.mean, 0.6);

        if (!c.roundTrip)
            continue;
        MCConvertColorProfile back;
        back.setTargetColorModel(1);
        back.setColorProfileURL(sRGB);
        back.setRenderingIntent(c.intent);
        back.setBlackPointCompensation(c.bpc);
        ASSERT_TRUE(back.convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        ASSERT_EQ(bitmap->colorSpace()->model(), kCGColorSpaceModelRGB);
        const Values returned = transicc(c.profile, sRGB, transiccIntent(c.intent), c.bpc, reference);
        ASSERT_EQ(returned.size(), grid.size());
        const Difference home = deltaE(sRGB, componentsOf(*bitmap), returned);
        // Back through the CMYK profile's tables a second time: a little more rounding.
        EXPECT_LE(home.max, 2.5);
        EXPECT_LE(home.mean, 0.6);
    }
}
