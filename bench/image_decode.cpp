// Decoding speed of a 24-megapixel photo per format through the image source, against the
// codec library alone (the floor), and thumbnail extraction per format. The inputs are made
// once per run in a temporary folder with ImageMagick's convert (and exiftool for the DNG).
#include "BenchPhotos.h"
#include "bench/BenchMain.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/CGImageSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>
#include <tiffio.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void BM_SourceDecode(benchmark::State &state)
{
    const QString path = bench::EncodedPhotos::shared().path(int(state.range(0)));
    state.SetLabel(bench::kFormatNames[state.range(0)]);
    for (auto _ : state) {
        const CGImageSourceRef source = CGImageSource::createWithURL(path);
        CGImageRef image = source ? source->createImageAtIndex(0) : nullptr;
        if (!image) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image->bytes());
    }
}
BENCHMARK(BM_SourceDecode)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Thumbnail(benchmark::State &state)
{
    const QString path = bench::EncodedPhotos::shared().path(int(state.range(0)));
    state.SetLabel(bench::kFormatNames[state.range(0)]);
    const QVariantMap options{{kCGImageSourceCreateThumbnailFromImageIfAbsent, true},
                              {kCGImageSourceThumbnailMaxPixelSize, 256},
                              {kCGImageSourceCreateThumbnailWithTransform, true}};
    for (auto _ : state) {
        const CGImageSourceRef source = CGImageSource::createWithURL(path);
        CGImageRef image = source ? source->createThumbnailAtIndex(0, options) : nullptr;
        if (!image) {
            state.SkipWithError("thumbnail failed");
            break;
        }
        benchmark::DoNotOptimize(image->bytes());
    }
}
BENCHMARK(BM_Thumbnail)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- the floors: each codec library alone, decoding into one buffer

void BM_FloorLibjpeg(benchmark::State &state)
{
    const QByteArray data = readFile(bench::EncodedPhotos::shared().jpeg);
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()), data.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        const size_t rowBytes = size_t(cinfo.output_width) * 3;
        pixels.resize(rowBytes * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + cinfo.output_scanline * rowBytes;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_FloorLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FloorLibheif(benchmark::State &state)
{
    const QByteArray data = readFile(bench::EncodedPhotos::shared().heic);
    for (auto _ : state) {
        heif_context *ctx = heif_context_alloc();
        heif_context_read_from_memory_without_copy(ctx, data.constData(), size_t(data.size()), nullptr);
        heif_image_handle *handle = nullptr;
        heif_context_get_primary_image_handle(ctx, &handle);
        heif_image *image = nullptr;
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
        benchmark::DoNotOptimize(image);
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(ctx);
    }
}
BENCHMARK(BM_FloorLibheif)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FloorLibtiff(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(bench::EncodedPhotos::shared().tiff);
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        TIFF *tiff = TIFFOpen(path.constData(), "r");
        const tstrip_t strips = TIFFNumberOfStrips(tiff);
        const tmsize_t stripSize = TIFFStripSize(tiff);
        pixels.resize(size_t(stripSize) * strips);
        for (tstrip_t s = 0; s < strips; ++s)
            TIFFReadEncodedStrip(tiff, s, pixels.data() + size_t(s) * size_t(stripSize), stripSize);
        TIFFClose(tiff);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_FloorLibtiff)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FloorLibraw(benchmark::State &state)
{
    const QByteArray data = readFile(bench::EncodedPhotos::shared().dng);
    for (auto _ : state) {
        auto raw = std::make_unique<LibRaw>();
        raw->open_buffer(const_cast<char *>(data.constData()), size_t(data.size()));
        raw->imgdata.params.output_bps = 16;
        raw->unpack();
        raw->dcraw_process();
        int error = 0;
        libraw_processed_image_t *image = raw->dcraw_make_mem_image(&error);
        benchmark::DoNotOptimize(image);
        LibRaw::dcraw_clear_mem(image);
    }
}
BENCHMARK(BM_FloorLibraw)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_APPLICATION()
