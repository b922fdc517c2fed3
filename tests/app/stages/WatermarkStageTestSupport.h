#pragma once

// Photos, measurements and reference pictures shared by the watermark stage tests. The
// references live in tests/data/watermark/; QUILLONX_UPDATE_REFERENCES=1 writes them anew
// from the current rendering (look at them before committing).
#include "app/engine/pipeline/MCConvertStage.h"
#include "tests/app/engine/watermark/WatermarkTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <cstring>

namespace watermarkstagetest {

using namespace watermarktest;

// A smooth colour ramp with darker bands, opaque, so misplaced or recoloured pixels show.
inline std::unique_ptr<MCBitmap> rampPhoto(size_t width, size_t height)
{
    auto bitmap = plainBitmap(width, height, Qt::black);
    bitmap->useImageBuffer();
    const vImage_Buffer &b = bitmap->imageBuffer();
    for (size_t y = 0; y < height; ++y) {
        uint8_t *row = static_cast<uint8_t *>(b.data) + y * b.rowBytes;
        const double band = (y / 20) % 2 ? 0.6 : 1.0;
        for (size_t x = 0; x < width; ++x) {
            row[4 * x] = uint8_t(std::lround(band * 255.0 * double(x) / double(width - 1)));
            row[4 * x + 1] = uint8_t(std::lround(band * 255.0 * double(y) / double(height - 1)));
            row[4 * x + 2] = uint8_t(std::lround(band * 127.0));
        }
    }
    return bitmap;
}

// The box (rows from the top) of the pixels of an 8-bit bitmap whose red is above `threshold`;
// scans the buffer directly, so it is quick on large photos.
inline QRect brightBox(MCBitmap &bitmap, int threshold = 100)
{
    bitmap.useImageBuffer();
    const vImage_Buffer &b = bitmap.imageBuffer();
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (size_t y = 0; y < b.height; ++y) {
        const uint8_t *row = static_cast<const uint8_t *>(b.data) + y * b.rowBytes;
        for (size_t x = 0; x < b.width; ++x) {
            if (row[4 * x] > threshold) {
                left = std::min(left, int(x));
                right = std::max(right, int(x));
                top = std::min(top, int(y));
                bottom = std::max(bottom, int(y));
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Whether two bitmaps of the same format hold the same bytes.
inline bool samePixels(MCBitmap &a, MCBitmap &b)
{
    a.useImageBuffer();
    b.useImageBuffer();
    const vImage_Buffer &x = a.imageBuffer(), &y = b.imageBuffer();
    if (x.width != y.width || x.height != y.height)
        return false;
    const size_t bytes = x.width * (a.bitsPerPixel() / 8);
    for (size_t r = 0; r < x.height; ++r)
        if (std::memcmp(static_cast<const uint8_t *>(x.data) + r * x.rowBytes,
                        static_cast<const uint8_t *>(y.data) + r * y.rowBytes, bytes) != 0)
            return false;
    return true;
}

// Compares the rendering with tests/data/watermark/<name>.png within the tolerance of the
// watermark drawing tests.
inline void expectMatchesReference(const char *name, MCBitmap &rendered, MCBitmap &untouched)
{
    SCOPED_TRACE(name);
    const QImage image = toQImage(rendered);
    const QString path = testsupport::dataPath(QStringLiteral("watermark/%1.png").arg(QLatin1String(name)));
    if (qEnvironmentVariableIntValue("QUILLONX_UPDATE_REFERENCES") == 1) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(image.save(path));
        return;
    }
    QImage reference(path);
    ASSERT_FALSE(reference.isNull()) << qPrintable(path);
    reference = reference.convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(reference.size(), image.size());
    const Difference d = compare(image, reference);
    EXPECT_LT(d.mean, 0.6);
    EXPECT_LT(d.farShare, 0.004);
    // The watermark is there at all: the photo without it would not pass as the reference.
    const Difference blank = compare(toQImage(untouched), reference);
    EXPECT_TRUE(blank.mean >= 0.6 || blank.farShare >= 0.004) << blank.mean << " " << blank.farShare;
}

// Runs the stage as a conversion would, answering its result.
inline bool convert(MCConvertStage &stage, MCBitmap &bitmap, QVariantMap metadata = {}, MCError *error = nullptr)
{
    return stage.convertBitmap(&bitmap, metadata, nullptr, error);
}

template <typename Stage> std::shared_ptr<Stage> make()
{
    auto stage = std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
    if (!stage)
        ADD_FAILURE() << "the factory makes no stage " << Stage::StageID;
    return stage;
}

template <typename Stage> std::shared_ptr<Stage> read(const QVariantMap &dictionary)
{
    QVariantMap withID = dictionary;
    withID.insert("stageID", Stage::StageID);
    return std::dynamic_pointer_cast<Stage>(MCConvertStage::stageWithDictionary(withID));
}

} // namespace watermarkstagetest
