#include "platform/accelerate/vImageBuffer.h"

#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <malloc.h>
#include <sys/mman.h>

void MCAdviseLargePages(void *memory, size_t bytes)
{
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    if (!memory || bytes < 2 * kLarge)
        return;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(memory) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(kLarge - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
}

void MCReturnLargeBlocksToTheSystem()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
#endif
}

vImage_Error vImageBuffer_Init(vImage_Buffer *buffer, vImagePixelCount height, vImagePixelCount width,
                               uint32_t bitsPerPixel, vImage_Flags flags)
{
    if (!buffer)
        return kvImageNullPointerArgument;
    if (height == 0 || width == 0 || bitsPerPixel == 0)
        return kvImageInvalidParameter;
    if (width > std::numeric_limits<size_t>::max() / bitsPerPixel / height)
        return kvImageMemoryAllocationError;
    const size_t rowBytes = ((size_t(width) * bitsPerPixel + 7) / 8 + 15) & ~size_t(15);
    buffer->height = height;
    buffer->width = width;
    buffer->rowBytes = rowBytes;
    if (flags & kvImageNoAllocate) {
        buffer->data = nullptr;
        return kvImageNoError;
    }
    void *memory = nullptr;
    if (posix_memalign(&memory, 64, rowBytes * height) != 0 || !memory) {
        buffer->data = nullptr;
        return kvImageMemoryAllocationError;
    }
    buffer->data = memory;
    MCAdviseLargePages(memory, rowBytes * height);
    return kvImageNoError;
}

vImage_CGImageFormat vImageFormatOfImage(const CGImage &image)
{
    vImage_CGImageFormat format;
    format.bitsPerComponent = uint32_t(image.bitsPerComponent());
    format.bitsPerPixel = uint32_t(image.bitsPerPixel());
    format.colorSpace = image.colorSpace();
    format.bitmapInfo = image.bitmapInfo();
    format.version = 0;
    format.decode = nullptr;
    format.renderingIntent = image.renderingIntent();
    return format;
}

vImage_Error vImageBuffer_InitWithCGImage(vImage_Buffer *buffer, vImage_CGImageFormat *format, const double *,
                                          const CGImageRef &image, vImage_Flags flags)
{
    if (!buffer || !format || !image)
        return kvImageNullPointerArgument;
    if (format->bitsPerPixel == 0)
        *format = vImageFormatOfImage(*image);
    if (format->bitsPerComponent != image->bitsPerComponent() || format->bitsPerPixel != image->bitsPerPixel() ||
        format->bitmapInfo != image->bitmapInfo() ||
        !CGColorSpaceEqualToColorSpace(format->colorSpace, image->colorSpace()) || format->decode)
        return kvImageInvalidImageFormat;
    const vImage_Error status = vImageBuffer_Init(buffer, image->height(), image->width(), format->bitsPerPixel,
                                                  flags & ~kvImageNoAllocate);
    if (status != kvImageNoError)
        return status;
    const size_t rowLength = (image->width() * image->bitsPerPixel() + 7) / 8;
    auto *out = static_cast<uint8_t *>(buffer->data);
    for (size_t y = 0; y < image->height(); ++y)
        std::memcpy(out + y * buffer->rowBytes, image->row(y), rowLength);
    return kvImageNoError;
}

CGImageRef vImageCreateCGImageFromBuffer(const vImage_Buffer *buffer, const vImage_CGImageFormat *format,
                                         vImage_Flags, vImage_Error *error)
{
    auto fail = [error](vImage_Error code) {
        if (error)
            *error = code;
        return CGImageRef();
    };
    if (!buffer || !format || !buffer->data)
        return fail(kvImageNullPointerArgument);
    if (buffer->width == 0 || buffer->height == 0 || format->bitsPerPixel == 0)
        return fail(kvImageInvalidParameter);
    const size_t rowLength = (size_t(buffer->width) * format->bitsPerPixel + 7) / 8;
    if (buffer->rowBytes < rowLength)
        return fail(kvImageInvalidRowBytes);
    QByteArray pixels;
    pixels.resize(qsizetype(rowLength * buffer->height));
    if (size_t(pixels.size()) != rowLength * buffer->height)
        return fail(kvImageMemoryAllocationError);
    const auto *in = static_cast<const uint8_t *>(buffer->data);
    for (size_t y = 0; y < buffer->height; ++y)
        std::memcpy(pixels.data() + y * rowLength, in + y * buffer->rowBytes, rowLength);
    CGImageRef image = CGImage::create(buffer->width, buffer->height, format->bitsPerComponent, format->bitsPerPixel,
                                       rowLength, format->colorSpace, format->bitmapInfo, pixels,
                                       format->renderingIntent);
    if (!image)
        return fail(kvImageInvalidImageFormat);
    if (error)
        *error = kvImageNoError;
    return image;
}
