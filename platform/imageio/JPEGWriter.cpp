#include "platform/imageio/JPEGWriter.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"

#include <QSaveFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace platform {
namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

void onMessage(j_common_ptr) {}

// Whether the rows can go to the encoder as they are: 8-bit gray without alpha, or 8-bit
// RGB without alpha or with a padding byte after the colour, in memory order.
bool isDirectlyEncodable(const CGImage &image)
{
    if (image.bitsPerComponent() != 8 || image.isFloat() || !image.colorSpace() ||
        (image.bitmapInfo() & kCGBitmapByteOrderMask) != kCGBitmapByteOrderDefault)
        return false;
    const CGImageAlphaInfo alpha = image.alphaInfo();
    switch (image.colorSpace()->model()) {
    case kCGColorSpaceModelMonochrome:
        return alpha == kCGImageAlphaNone && image.bitsPerPixel() == 8;
    case kCGColorSpaceModelRGB:
        return (alpha == kCGImageAlphaNone && image.bitsPerPixel() == 24) ||
               (alpha == kCGImageAlphaNoneSkipLast && image.bitsPerPixel() == 32);
    default:
        return false;
    }
}

// The image drawn into 8-bit gray or RGB (padding last) over white.
CGImageRef flattened(const CGImageRef &image)
{
    const bool gray = image->colorSpace() && image->colorSpace()->model() == kCGColorSpaceModelMonochrome;
    CGColorSpaceRef space = image->colorSpace();
    if (!space || (space->model() != kCGColorSpaceModelRGB && !gray))
        space = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    CGContextRef context = CGContext::createBitmap(nullptr, image->width(), image->height(), 8, 0, space,
                                                   gray ? kCGImageAlphaNone : kCGImageAlphaNoneSkipLast);
    if (!context)
        return nullptr;
    const QRectF bounds(0, 0, double(image->width()), double(image->height()));
    context->setGrayFillColor(1.0, 1.0);
    context->fillRect(bounds);
    if (!context->drawImage(bounds, image))
        return nullptr;
    return context->createImage();
}

QByteArray encode(const CGImage &image, double quality)
{
    const bool gray = image.colorSpace()->model() == kCGColorSpaceModelMonochrome;
    const size_t stride = image.bitsPerPixel() / 8;
    const QByteArray icc = image.colorSpace()->iccData();

    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
    std::vector<JSAMPLE> row(gray ? 0 : image.width() * 3);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(output);
        return QByteArray();
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &output, &outputSize);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = gray ? 1 : 3;
    info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(int(quality * 100.0 + 0.5), 1, 100), TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    if (!icc.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(icc.constData()), unsigned(icc.size()));
    while (info.next_scanline < info.image_height) {
        const uint8_t *in = image.row(info.next_scanline);
        JSAMPROW pointer;
        if (gray || stride == 3) {
            pointer = const_cast<JSAMPROW>(in);
        } else {
            for (size_t x = 0; x < image.width(); ++x) {
                row[x * 3] = in[x * stride];
                row[x * 3 + 1] = in[x * stride + 1];
                row[x * 3 + 2] = in[x * stride + 2];
            }
            pointer = row.data();
        }
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(output), qsizetype(outputSize));
    std::free(output);
    return bytes;
}

} // namespace

QByteArray encodeJPEG(const CGImageRef &image, double quality)
{
    if (!image)
        return QByteArray();
    const CGImageRef source = isDirectlyEncodable(*image) ? image : flattened(image);
    if (!source || !isDirectlyEncodable(*source))
        return QByteArray();
    return encode(*source, quality);
}

bool writeJPEGFile(const CGImageRef &image, const QString &path, double quality, MCError *error)
{
    const QByteArray bytes = encodeJPEG(image, quality);
    if (bytes.isEmpty()) {
        return MCSetError(error, MCError(MCCocoaErrorDomain, MCFileWriteUnknownError,
                                         QStringLiteral("The image could not be saved as JPEG."),
                                         QStringLiteral("The image's pixel format cannot be encoded.")));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        MCError failure(MCCocoaErrorDomain, MCFileWriteUnknownError,
                        QStringLiteral("The file “%1” couldn’t be saved.").arg(path.section(QLatin1Char('/'), -1)),
                        file.errorString());
        failure.setUserInfoValue(MCFilePathErrorKey, path);
        return MCSetError(error, failure);
    }
    return true;
}

} // namespace platform
