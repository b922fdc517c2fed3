#pragma once

// The vocabulary of our pixel kernels: buffers, formats, flags and status codes with the
// values callers and stored expectations use (a status is 0 on success, negative on error).
#include "platform/graphics/CGTypes.h"

#include <cstddef>
#include <cstdint>

using vImagePixelCount = unsigned long;
using vImage_Error = long;
using vImage_Flags = uint32_t;

using Pixel_8 = uint8_t;
using Pixel_16U = uint16_t;
using Pixel_F = float;
using Pixel_8888 = uint8_t[4];
using Pixel_ARGB_16U = uint16_t[4];
using Pixel_FFFF = float[4];

struct vImage_Buffer
{
    void *data = nullptr;
    vImagePixelCount height = 0;
    vImagePixelCount width = 0;
    size_t rowBytes = 0;
};

struct vImage_CGImageFormat
{
    uint32_t bitsPerComponent = 0;
    uint32_t bitsPerPixel = 0;
    CGColorSpaceRef colorSpace;
    CGBitmapInfo bitmapInfo = 0;
    uint32_t version = 0;
    const double *decode = nullptr;
    CGColorRenderingIntent renderingIntent = kCGRenderingIntentDefault;
};

enum : vImage_Error {
    kvImageNoError = 0,
    kvImageRoiLargerThanInputBuffer = -21766,
    kvImageInvalidKernelSize = -21767,
    kvImageInvalidEdgeStyle = -21768,
    kvImageInvalidOffset_X = -21769,
    kvImageInvalidOffset_Y = -21770,
    kvImageMemoryAllocationError = -21771,
    kvImageNullPointerArgument = -21772,
    kvImageInvalidParameter = -21773,
    kvImageBufferSizeMismatch = -21774,
    kvImageUnknownFlagsBit = -21775,
    kvImageInternalError = -21776,
    kvImageInvalidRowBytes = -21777,
    kvImageInvalidImageFormat = -21778,
    kvImageColorSyncIsAbsent = -21779,
    kvImageOutOfPlaceOperationRequired = -21780,
    kvImageInvalidImageObject = -21781,
    kvImageInvalidCVImageFormat = -21782,
    kvImageUnsupportedConversion = -21783,
    kvImageCoreVideoIsAbsent = -21784,
};

enum : vImage_Flags {
    kvImageNoFlags = 0,
    kvImageLeaveAlphaUnchanged = 1,
    kvImageCopyInPlace = 2,
    kvImageBackgroundColorFill = 4,
    kvImageEdgeExtend = 8,
    kvImageDoNotTile = 16,
    kvImageHighQualityResampling = 32,
    kvImageTruncateKernel = 64,
    kvImageGetTempBufferSize = 128,
    kvImagePrintDiagnosticsToConsole = 256,
    kvImageNoAllocate = 512,
};
