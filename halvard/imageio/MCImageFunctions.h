#pragma once

// Sets of type identifiers the system reads, tests on them, and small functions on CGImage
// objects. Functions whose names hold Create or Copy return a new reference the caller owns
// (a CGImageRef may be the argument itself when nothing had to change).
#include "halvard/imageio/MCFastData.h"
#include "platform/core/MCError.h"
#include "platform/graphics/CGTypes.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <memory>

// Every image type the loaded image-loader plug-ins read (the live set).
QSet<QString> MCImageTypes();
// The camera-raw types among MCImageTypes(), taken once at the first call.
QSet<QString> MCRAWImageTypes();
// "public.jpeg", "public.jpeg-2000", "com.apple.rjpeg".
QSet<QString> MCJPEGImageTypes();
// "public.heic", "public.heif".
QSet<QString> MCHEICImageTypes();
// Every video type the plug-ins declare (the live set).
QSet<QString> MCMovieTypes();

// Exact membership (no conformance); false for a null identifier.
bool MCIsImageType(const QString &typeIdentifier);
bool MCIsRAWImageType(const QString &typeIdentifier);
bool MCIsJPEGImageType(const QString &typeIdentifier);
bool MCIsHEICImageType(const QString &typeIdentifier);
bool MCIsMovieType(const QString &typeIdentifier);

// The image drawn, stretched, into a new bitmap of the given size and format; the image itself
// when it already has that format, size and the very same colour space object. nullptr when
// no such bitmap can be made.
CGImageRef MCCreateImageFromImage(const CGImageRef &image, size_t width, size_t height, size_t bitsPerComponent,
                                  const CGColorSpaceRef &colorSpace, CGBitmapInfo bitmapInfo);
// MCCreateImageFromImage at the image's size, 8 bits, the screen's colour space and
// premultiplied alpha last.
CGImageRef MCCreateImageFromImageWithScreenColorSpace(const CGImageRef &image);
// 8-bit RGB with a padding byte first (32 bits a pixel, rows of 4 × width): the image itself
// when it is RGB with alpha first or padding first in that layout already. The image's colour
// space when RGB, else sRGB.
CGImageRef MCCreateARGBImageFromImage(const CGImageRef &image);
// The image resampled to width × height (truncated). 8-bit four-component images keep their
// format; any other is first converted to 8-bit ARGB (premultiplied when it has alpha).
// nullptr for a null image, both sides 0, or a failure.
CGImageRef MCCreateARGBImageWithSize(const CGImageRef &image, double width, double height);
// Scaled by min(max / width, max / height) (enlarging smaller images), sides rounded up; the
// image itself for a max of 0 or when the size would not change.
CGImageRef MCCreateARGBImageWithMaxPixelSize(const CGImageRef &image, double maxPixelSize);
// 8-bit copy at the given size: gray stays gray (no alpha); RGB keeps its space, other models
// become sRGB, both with a padding byte first.
CGImageRef MCImageCreateWithSize(const CGImageRef &image, double width, double height);
// The largest centred crop of the given width / height ratio; nullptr for a ratio not above 0.
CGImageRef MCImageCreateWithAspectRatio(const CGImageRef &image, double ratio);

// The first image of a file or of data, decoded with `options` (image-source options);
// nullptr when the source is unreadable, incomplete or holds no image.
CGImageRef MCCreateImageWithURL(const QString &path, const QVariantMap &options = {});
CGImageRef MCCreateImageWithData(const QByteArray &data, const QVariantMap &options = {});

// Writes the image as a JPEG file (no properties), creating missing parent folders. False
// for a null image or empty path (error untouched) and, with `error` filled, when the folder
// cannot be made or the file cannot be written.
bool MCSaveImageToURL(const CGImageRef &image, const QString &path, MCError *error = nullptr);

// A copy of the image's pixel bytes (its rows as stored); empty for a null image.
QByteArray MCCopyDataFromImage(const CGImageRef &image);
// The image drawn at width × height (truncated) into packed 8-bit pixels: padding, red, green,
// blue (rows of 4 × width) or, with `grayscale`, one gray byte (rows of width). nullptr for a
// null image or an empty size.
std::shared_ptr<MCFastData> MCCopyFastDataFromImage(const CGImageRef &image, bool grayscale, double width,
                                                    double height);
