#pragma once

// Test photos shared by the benchmarks: a 24-megapixel bitmap of reproducible noise (the worst
// case for codecs and no shortcut for kernels), 8-bit or float working layout.
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
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

// A library of `count` small JPEGs as cameras leave them, in one folder: 24 picture sizes
// from 0.1 to 1.2 megapixels (every sixth one gray), three camera models and capture dates
// spread over three years, so every grouping preset has groups to make. The folder lives in
// the system's temporary folder and is kept between runs (a marker file says it is
// complete): making 20,000 files takes a while, reading them is what is measured.
//
// Each of the 24 kinds is encoded once with a placeholder capture date; the files are its
// bytes with the date written over the placeholder (same length, and JPEG segments carry no
// checksum).
struct LibraryPhotos
{
    QString folder;
    QStringList paths;

    explicit LibraryPhotos(int count)
    {
        folder = QDir::temp().filePath(QStringLiteral("quillonx-bench-library-v1-%1").arg(count));
        const QString marker = QDir(folder).filePath(QStringLiteral(".complete"));
        for (int i = 0; i < count; ++i)
            paths << QDir(folder).filePath(QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        if (QFile::exists(marker))
            return;
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QByteArray placeholder("2000:01:01 00:00:00");
        QList<QByteArray> kinds;
        for (int k = 0; k < 24; ++k)
            kinds << encodedKind(k, placeholder);
        const QDateTime first(QDate(2022, 1, 3), QTime(8, 0));
        quint32 state = 20000;
        for (int i = 0; i < count; ++i) {
            state = state * 1664525u + 1013904223u;
            // Bursts of photos on the same day, about 400 days over three years.
            const QDateTime taken = first.addDays(qint64(i / 50) * 1096 / std::max(1, count / 50))
                                        .addSecs(qint64(state >> 8) % 36000);
            QByteArray bytes = kinds.at(int(state >> 27) % 24);
            bytes.replace(placeholder, taken.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1());
            QFile file(paths.at(i));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return;
        }
        QFile(marker).open(QIODevice::WriteOnly);
    }

    static LibraryPhotos &shared(int count)
    {
        static std::map<int, std::unique_ptr<LibraryPhotos>> libraries;
        auto &library = libraries[count];
        if (!library)
            library = std::make_unique<LibraryPhotos>(count);
        return *library;
    }

private:
    // Kind k: a gradient picture of about 0.05 × (k + 1) megapixels at 4:3 (every third one
    // portrait), gray for every sixth kind, taken by one of three cameras.
    static QByteArray encodedKind(int k, const QByteArray &date)
    {
        const double pixels = 50000.0 * (k + 1);
        const size_t longer = size_t(std::sqrt(pixels * 4 / 3)), shorter = size_t(pixels / double(longer));
        const size_t width = k % 3 == 2 ? shorter : longer, height = k % 3 == 2 ? longer : shorter;
        const bool gray = k % 6 == 5;
        const size_t channels = gray ? 1 : 3;
        QByteArray data(int(width * height * channels), Qt::Uninitialized);
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < width; ++x)
                for (size_t c = 0; c < channels; ++c)
                    data[int((y * width + x) * channels + c)] =
                        char((x * 255 / width + y * 128 / height + c * 80 + size_t(k) * 37) % 256);
        const CGImageRef image =
            CGImage::create(width, height, 8, 8 * channels, width * channels,
                            gray ? CGColorSpace::createDeviceGray() : CGColorSpace::createDeviceRGB(),
                            kCGImageAlphaNone, data);
        const char *const makes[] = {"Canon", "NIKON CORPORATION", "FUJIFILM"};
        const char *const models[] = {"Canon EOS R6", "NIKON Z 6_2", "X-T4"};
        auto destination = MCImageDestination::createWithURL(QDir::temp().filePath(QStringLiteral("unused.jpg")),
                                                             kUTTypeJPEG, 1);
        destination->addImage(image, {{kCGImageDestinationLossyCompressionQuality, 0.6},
                                      {kCGImagePropertyTIFFDictionary,
                                       QVariantMap{{kCGImagePropertyTIFFMake, makes[k % 3]},
                                                   {kCGImagePropertyTIFFModel, models[k % 3]}}},
                                      {kCGImagePropertyExifDictionary,
                                       QVariantMap{{kCGImagePropertyExifDateTimeOriginal, QString::fromLatin1(date)}}}});
        QByteArray bytes;
        destination->encode(&bytes);
        return bytes;
    }
};

} // namespace bench
