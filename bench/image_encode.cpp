// Encoding a 24-megapixel 8-bit RGB photo-like image per output format, in memory, against a
// bare libjpeg-turbo compress at the same quality (the floor for JPEG).
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"
#include "platform/types/UTType.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>

#include <QByteArray>
#include <random>

namespace {

constexpr size_t kWidth = 6000;
constexpr size_t kHeight = 4000;

// Smooth gradients with a little noise, so codecs see something like a photograph.
const CGImageRef &photo()
{
    static const CGImageRef image = [] {
        QByteArray data(qsizetype(kWidth * kHeight * 3), Qt::Uninitialized);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> noise(-6, 6);
        auto *p = reinterpret_cast<uint8_t *>(data.data());
        for (size_t y = 0; y < kHeight; ++y)
            for (size_t x = 0; x < kWidth; ++x, p += 3) {
                p[0] = uint8_t(std::clamp(int(x * 255 / kWidth) + noise(random), 0, 255));
                p[1] = uint8_t(std::clamp(int(y * 255 / kHeight) + noise(random), 0, 255));
                p[2] = uint8_t(std::clamp(int((x + y) * 255 / (kWidth + kHeight)) + noise(random), 0, 255));
            }
        return CGImage::create(kWidth, kHeight, 8, 24, kWidth * 3, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                               kCGImageAlphaNone, data);
    }();
    return image;
}

void encode(benchmark::State &state, const QString &type, const QVariantMap &properties)
{
    const CGImageRef &image = photo();
    auto destination = MCImageDestination::createWithURL(QStringLiteral("/dev/null"), type, 1);
    destination->addImage(image, properties);
    qint64 size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        if (!destination->encode(&bytes)) {
            state.SkipWithError("encoding failed");
            return;
        }
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(size);
    state.SetItemsProcessed(state.iterations() * qint64(kWidth * kHeight));
}

void BM_EncodeJPEG(benchmark::State &state)
{
    encode(state, kUTTypeJPEG, {{kCGImageDestinationLossyCompressionQuality, 0.9}});
}
void BM_EncodePNG(benchmark::State &state) { encode(state, kUTTypePNG, {}); }
void BM_EncodeTIFF(benchmark::State &state) { encode(state, kUTTypeTIFF, {}); }
void BM_EncodeTIFFLZW(benchmark::State &state)
{
    encode(state, kUTTypeTIFF, {{kCGImagePropertyTIFFDictionary, QVariantMap{{kCGImagePropertyTIFFCompression, 5}}}});
}
void BM_EncodeBMP(benchmark::State &state) { encode(state, kUTTypeBMP, {}); }
void BM_EncodeGIF(benchmark::State &state) { encode(state, kUTTypeGIF, {}); }
void BM_EncodePDF(benchmark::State &state) { encode(state, kUTTypePDF, {}); }
void BM_EncodeJPEG2000(benchmark::State &state)
{
    encode(state, kUTTypeJPEG2000, {{kCGImageDestinationLossyCompressionQuality, 0.9}});
}
void BM_EncodeHEIC(benchmark::State &state)
{
    encode(state, kUTTypeHEIC, {{kCGImageDestinationLossyCompressionQuality, 0.9}});
}

// The codec alone: libjpeg-turbo straight from the pixel rows at quality 90, 4:4:4, optimised
// Huffman tables, as our writer sets it.
void BM_BareLibjpegTurbo(benchmark::State &state)
{
    const CGImageRef &image = photo();
    for (auto _ : state) {
        jpeg_compress_struct info {};
        jpeg_error_mgr errors {};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char *buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = JDIMENSION(kWidth);
        info.image_height = JDIMENSION(kHeight);
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        for (int c = 0; c < 3; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
        info.optimize_coding = TRUE;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(image->row(info.next_scanline));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        state.counters["bytes"] = double(size);
        free(buffer);
    }
    state.SetItemsProcessed(state.iterations() * qint64(kWidth * kHeight));
}

BENCHMARK(BM_BareLibjpegTurbo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeJPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTIFF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTIFFLZW)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeBMP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGIF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePDF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeJPEG2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EncodeHEIC)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
