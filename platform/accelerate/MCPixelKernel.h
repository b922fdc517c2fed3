#pragma once

// The shared frame of the in-place adjustment kernels that work on a bitmap's planar channels:
// the sample types, the 8-bit vector step (round to nearest, ties to even, saturate) and the
// plane split that spreads whole planes over the shared pool.
//
// A plane set is an array of planes (channel 0 red, 1 green, 2 blue, 3 alpha; a gray set uses
// channel 0 only) with equal height, width and row length. Kernels treat a plane as one run of
// height × rowBytes bytes, so row padding is transformed like pixels; every sample of the run is
// covered, whatever its length. Planes must therefore be contiguous blocks of memory, as
// vImageBuffer_Init makes them.
#include "platform/accelerate/vImageTypes.h"
#include "platform/core/MCDispatch.h"

#include <cstddef>
#include <cstdint>

namespace platform::pixel {

enum class SampleType { UInt8, Float32 };

inline size_t bytesPerSample(SampleType type)
{
    return type == SampleType::UInt8 ? 1 : sizeof(float);
}

// The float nearest 1/255, which brings 8-bit samples to the 0..1 scale.
inline constexpr float kInverse255 = 0.003921569f;

// The last part of the 8-bit vector step: rounded to the nearest integer, ties to even, and
// saturated to 0..255; NaN becomes 0. Written without branches or library calls so that loops
// over it vectorise: adding and removing 2^23 rounds a float in 0..255 to an integer under the
// default rounding mode, which breaks ties to even (the pair is not folded unless the build
// allows reassociation, which ours does not).
inline uint8_t roundSaturate8(float value)
{
    constexpr float kMagic = 8388608.0f;
    const float clamped = value > 0.0f ? (value < 255.0f ? value : 255.0f) : 0.0f; // NaN fails `> 0`
    return uint8_t(int((clamped + kMagic) - kMagic));
}

// The same over an array.
void roundSaturate8(const float *values, uint8_t *out, size_t count);

// Number of samples in the run of one plane (height × rowBytes bytes).
inline size_t samplesOfPlane(const vImage_Buffer &plane, SampleType type)
{
    return size_t(plane.height) * plane.rowBytes / bytesPerSample(type);
}

// The plane split: calls body(begin, end) over disjoint sample ranges that together cover
// [0, samples) once, spread over the shared pool (small planes run on the calling thread).
// Range starts are multiples of 64 samples so vector code sees aligned blocks.
template<typename Body>
void forEachSampleRange(size_t samples, Body &&body)
{
    constexpr size_t kBlock = 64;
    constexpr size_t kBlocksPerPiece = 1024; // 64 Ki samples: below that a piece costs more than it saves
    const size_t blocks = (samples + kBlock - 1) / kBlock;
    platform::parallelFor(
        blocks,
        [&](size_t first, size_t end) {
            const size_t begin = first * kBlock;
            const size_t stop = end * kBlock < samples ? end * kBlock : samples;
            body(begin, stop);
        },
        kBlocksPerPiece);
}

// True when the first `count` planes are present, non-empty and share one geometry.
bool planesAreUsable(const vImage_Buffer *planes, unsigned count, SampleType type);

// Runs f(r, g, b) on every pixel of planes 0..2 in place, on the 0..1 scale: 8-bit samples go
// through the vector step (times kInverse255, f, times 255, roundSaturate8); float samples are
// handed to f as they are and written back as f leaves them. With `unitScale` false 8-bit
// samples are worked on the 0..255 scale directly.
template<typename F>
void mapPixels(vImage_Buffer *planes, SampleType type, bool unitScale, F f)
{
    const size_t samples = samplesOfPlane(planes[0], type);
    if (type == SampleType::Float32) {
        float *r = static_cast<float *>(planes[0].data), *g = static_cast<float *>(planes[1].data),
              *b = static_cast<float *>(planes[2].data);
        forEachSampleRange(samples, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i)
                f(r[i], g[i], b[i]);
        });
        return;
    }
    uint8_t *r8 = static_cast<uint8_t *>(planes[0].data), *g8 = static_cast<uint8_t *>(planes[1].data),
            *b8 = static_cast<uint8_t *>(planes[2].data);
    const float in = unitScale ? kInverse255 : 1.0f;
    const float out = unitScale ? 255.0f : 1.0f;
    forEachSampleRange(samples, [&](size_t begin, size_t end) {
        constexpr size_t kTile = 64;
        float r[kTile], g[kTile], b[kTile];
        for (size_t base = begin; base < end; base += kTile) {
            const size_t n = end - base < kTile ? end - base : kTile;
            for (size_t i = 0; i < n; ++i) {
                r[i] = float(r8[base + i]) * in;
                g[i] = float(g8[base + i]) * in;
                b[i] = float(b8[base + i]) * in;
            }
            for (size_t i = 0; i < n; ++i) {
                f(r[i], g[i], b[i]);
                r[i] *= out;
                g[i] *= out;
                b[i] *= out;
            }
            roundSaturate8(r, r8 + base, n);
            roundSaturate8(g, g8 + base, n);
            roundSaturate8(b, b8 + base, n);
        }
    });
}

} // namespace platform::pixel
