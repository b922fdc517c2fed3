#pragma once

// A plane of 8-bit or float samples with padded rows, as the bitmap's planar store makes them.
#include "platform/accelerate/vImageBuffer.h"

#include <cstdlib>
#include <functional>

template<typename T>
struct TestPlane
{
    vImage_Buffer buffer{};
    TestPlane(size_t width, size_t height, T fill = T(0))
    {
        vImageBuffer_Init(&buffer, height, width, uint32_t(sizeof(T) * 8), kvImageNoFlags);
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < buffer.rowBytes / sizeof(T); ++x)
                row(y)[x] = fill;
    }
    TestPlane(size_t width, size_t height, const std::function<T(size_t, size_t)> &value) : TestPlane(width, height)
    {
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < width; ++x)
                row(y)[x] = value(x, y);
    }
    ~TestPlane() { std::free(buffer.data); }
    TestPlane(const TestPlane &) = delete;
    TestPlane &operator=(const TestPlane &) = delete;

    T *row(size_t y) const { return reinterpret_cast<T *>(static_cast<uint8_t *>(buffer.data) + y * buffer.rowBytes); }
    T &at(size_t x, size_t y) const { return row(y)[x]; }
    const vImage_Buffer *operator&() const { return &buffer; }
};
