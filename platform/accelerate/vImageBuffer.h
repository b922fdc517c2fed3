#pragma once

// Buffers of pixel kernels and their exchange with CGImage.
#include "platform/accelerate/vImageTypes.h"

// Asks the kernel to back the whole 2 MB ranges inside a large block of fresh memory with
// 2 MB pages (transparent huge pages, where the system offers them on request). A picture's
// memory is first touched page by page as it is written, and in this size a 20-megapixel
// plane takes a few page faults instead of thousands; blocks under 4 MB are left alone.
void MCAdviseLargePages(void *memory, size_t bytes);

// Makes blocks of 4 MB and more come straight from the system and go back to it when freed.
// Left to itself the C library raises that limit once such a block is freed and keeps later
// ones in its per-thread arenas, where a batch of photos leaves several full-size photos'
// worth of freed memory held. Programs that convert call it once at start.
void MCReturnLargeBlocksToTheSystem();

// Allocates height rows of width pixels of `bitsPerPixel` (row length rounded up to 16 bytes)
// and fills `buffer` (large buffers in 2 MB pages, see above); the memory is released with
// free(). With kvImageNoAllocate only the fields are filled. Zero sides or bits per pixel
// are −21773, a failed allocation −21771.
vImage_Error vImageBuffer_Init(vImage_Buffer *buffer, vImagePixelCount height, vImagePixelCount width,
                               uint32_t bitsPerPixel, vImage_Flags flags);

// Decodes `image` into a new buffer (released with free()) in `format`. A format whose bits
// per pixel are 0 is filled in with the image's own format first. Images already in the
// format (same component and pixel sizes, bitmap info and an equivalent colour space) are
// copied row by row; any other format is −21778. `backgroundColor` is not used.
vImage_Error vImageBuffer_InitWithCGImage(vImage_Buffer *buffer, vImage_CGImageFormat *format,
                                          const double *backgroundColor, const CGImageRef &image,
                                          vImage_Flags flags);

// The format of an image as a vImage format record (no decode array).
vImage_CGImageFormat vImageFormatOfImage(const CGImage &image);

// A new image with a copy of the buffer's pixels in `format`; nullptr (and *error, when given,
// set) when the buffer or format is missing or inconsistent.
CGImageRef vImageCreateCGImageFromBuffer(const vImage_Buffer *buffer, const vImage_CGImageFormat *format,
                                         vImage_Flags flags, vImage_Error *error);
