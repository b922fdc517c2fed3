#pragma once

// Converting between pixel formats of one colour space: component size (8, 16 bits, 32-bit
// float), alpha layout (none, first, last, premultiplied, padding) and byte order. Where the
// destination has no alpha and the source has, pixels are composited onto the background
// colour given when the converter is made (black when none is given).
#include "platform/accelerate/vImageTypes.h"
#include "platform/graphics/CGPixelLayout.h"

#include <memory>

class vImageConverter
{
public:
    platform::CGPixelLayout source;
    platform::CGPixelLayout destination;
    float background[4] = {0, 0, 0, 0};
};
using vImageConverterRef = std::shared_ptr<const vImageConverter>;

// nullptr (and *error, when given, set to −21778) when either format is not one the layout
// describes, or when the two formats do not share an equivalent colour space; −21772 for a
// missing format. `backgroundColor` holds one value (0..1) per colour component.
vImageConverterRef vImageConverter_CreateWithCGImageFormat(const vImage_CGImageFormat *source,
                                                           const vImage_CGImageFormat *destination,
                                                           const double *backgroundColor, vImage_Flags flags,
                                                           vImage_Error *error);

// 0 when the conversion may run with the source as destination; −21780 when the destination
// pixels are larger than the source's and need a buffer of their own.
vImage_Error vImageConverter_MustOperateOutOfPlace(const vImageConverterRef &converter, const vImage_Buffer *source,
                                                   const vImage_Buffer *destination, vImage_Flags flags);

// Converts the destination's region (the buffers may be the same when allowed above).
vImage_Error vImageConvert_AnyToAny(const vImageConverterRef &converter, const vImage_Buffer *source,
                                    const vImage_Buffer *destination, void *tempBuffer, vImage_Flags flags);
