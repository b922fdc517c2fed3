#pragma once

// Test photos shared by the benchmarks: a 24-megapixel bitmap of reproducible noise (the worst
// case for codecs and no shortcut for kernels), 8-bit or float working layout.
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace bench {

constexpr size_t kWidth = 6000, kHeight = 4000;

inline std::unique_ptr<MCBitmap> noisePhoto(bool isFloat)
{
    QByteArray data(int(kWidth * kHeight * 4), Qt::Uninitialized);
    uint32_t state = 12345;
    for (char &b : data) {
        state = state * 1664525u + 1013904223u;
        b = char(state >> 24);
    }
    auto bitmap = MCBitmap::createWithCGImage(CGImage::create(kWidth, kHeight, 8, 32, kWidth * 4,
                                                              CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                              kCGImageAlphaLast, data));
    if (bitmap && isFloat)
        bitmap->convertToBitmapInfo(kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little, 32,
                                    {1, 1, 1});
    return bitmap;
}

// The same noise photo encoded as a JPEG, an 8-bit HEIC, a 16-bit TIFF and a DNG, made once
// per run in a temporary folder with ImageMagick's convert (and exiftool for the DNG).
inline bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(600000) && process.exitCode() == 0;
}

// The 24-megapixel inputs, made on first use: 6000 × 4000 with noise so the codecs have work.
struct EncodedPhotos
{
    QTemporaryDir folder;
    QString jpeg, heic, tiff, dng;

    EncodedPhotos()
    {
        const QString base = folder.filePath(QStringLiteral("base.png"));
        run(QStringLiteral("convert"), {"-size", "6000x4000", "gradient:orange-navy", "-attenuate", "0.3", "+noise",
                                        "Gaussian", "-depth", "8", base});
        jpeg = folder.filePath(QStringLiteral("photo.jpg"));
        heic = folder.filePath(QStringLiteral("photo.heic"));
        tiff = folder.filePath(QStringLiteral("photo.tif"));
        dng = folder.filePath(QStringLiteral("photo.dng"));
        run(QStringLiteral("convert"), {base, "-quality", "92", "-define", "jpeg:dct-method=islow", jpeg});
        run(QStringLiteral("convert"), {base, "-quality", "80", heic});
        run(QStringLiteral("convert"), {base, "-depth", "16", "-compress", "zip", tiff});
        const QString linear = folder.filePath(QStringLiteral("linear.tif"));
        run(QStringLiteral("convert"), {base, "-depth", "16", "-compress", "none", linear});
        QFile::rename(linear, dng);
        run(QStringLiteral("exiftool"), {"-q", "-n", "-overwrite_original", "-DNGVersion=1 4 0 0",
                                         "-UniqueCameraModel=Bench", "-PhotometricInterpretation=34892",
                                         "-ColorMatrix1=1 0 0 0 1 0 0 0 1", "-CalibrationIlluminant1=21",
                                         "-AsShotNeutral=1 1 1", dng});
    }

    static EncodedPhotos &shared()
    {
        static EncodedPhotos inputs;
        return inputs;
    }

    QString path(int format) const { return format == 0 ? jpeg : format == 1 ? heic : format == 2 ? tiff : dng; }
};

inline const char *kFormatNames[] = {"JPEG", "HEIC", "TIFF16", "DNG"};

} // namespace bench
