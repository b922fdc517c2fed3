#include "platform/accelerate/vImageConvolve.h"

#include "platform/accelerate/MCBlurKernels.h"
#include "platform/accelerate/vImageBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Plane
{
    vImage_Buffer buffer;
    Plane(size_t width, size_t height, uint32_t bits) { vImageBuffer_Init(&buffer, height, width, bits, kvImageNoFlags); }
    ~Plane() { std::free(buffer.data); }
    template<typename T>
    T &at(size_t x, size_t y) { return reinterpret_cast<T *>(static_cast<uint8_t *>(buffer.data) + y * buffer.rowBytes)[x]; }
};

// Destination pixel (x, y), worked out tap by tap.
double reference(Plane &source, size_t width, size_t height, long x, long y, const std::vector<double> &kernel, long n,
                 vImage_Flags edge, double background, bool floats, double divisor = 1)
{
    const long r = n / 2;
    const auto sample = [&](long sx, long sy) {
        return floats ? double(source.at<float>(size_t(sx), size_t(sy))) : double(source.at<uint8_t>(size_t(sx), size_t(sy)));
    };
    const bool leaves = x - r < 0 || y - r < 0 || x + r >= long(width) || y + r >= long(height);
    if (edge == kvImageCopyInPlace && leaves)
        return sample(x, y);
    double sum = 0, inside = 0, total = 0;
    for (long j = -r; j <= r; ++j)
        for (long i = -r; i <= r; ++i) {
            const double w = kernel[size_t((j + r) * n + i + r)];
            total += w;
            long sx = x + i, sy = y + j;
            const bool out = sx < 0 || sy < 0 || sx >= long(width) || sy >= long(height);
            if (out && edge == kvImageEdgeExtend) {
                sx = std::clamp(sx, 0L, long(width) - 1);
                sy = std::clamp(sy, 0L, long(height) - 1);
            } else if (out) {
                if (edge == kvImageBackgroundColorFill)
                    sum += w * background;
                continue;
            }
            sum += w * sample(sx, sy);
            inside += w;
        }
    if (edge == kvImageTruncateKernel && inside != 0)
        sum *= total / inside;
    return sum / divisor;
}

} // namespace

// Kernels of each shape (taps, a column times a row, constant blocks) under every edge style,
// 8-bit and float, against the tap-by-tap reference.
TEST(vImageConvolve, EveryShapeAndEdgeStyleMatchesTheReference)
{
    const size_t width = 23, height = 17;
    std::mt19937 random(7);
    struct Kernel
    {
        const char *what;
        long n;
        std::vector<double> weights;
    };
    std::vector<Kernel> kernels;
    kernels.push_back({"3 × 3 sharpen", 3, {-1, -1, -1, -1, 9, -1, -1, -1, -1}});
    std::vector<double> gaussian, pyramid, steps, irregular;
    for (long j = -4; j <= 4; ++j)
        for (long i = -4; i <= 4; ++i) {
            gaussian.push_back(std::exp(-(i * i + j * j) / 12.0) * 10);
            pyramid.push_back(double(4 - std::max(std::abs(i), std::abs(j))));
            steps.push_back(i * i + j * j <= 4 ? 3 : i * i + j * j <= 10 ? 2 : 1);
            irregular.push_back(double(random() % 7));
        }
    kernels.push_back({"separable Gaussian", 9, gaussian});
    kernels.push_back({"pyramid", 9, pyramid});
    kernels.push_back({"stepped discs", 9, steps});
    kernels.push_back({"irregular", 9, irregular});
    kernels.push_back({"box", 9, std::vector<double>(81, 1.0)});

    Plane bytes(width, height, 8), floats(width, height, 32);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            bytes.at<uint8_t>(x, y) = uint8_t(random() % 256);
            floats.at<float>(x, y) = float(random() % 1000) / 999.0f;
        }
    for (const Kernel &k : kernels)
        for (const vImage_Flags edge : {kvImageTruncateKernel, kvImageEdgeExtend, kvImageBackgroundColorFill, kvImageCopyInPlace}) {
            double sum = 0;
            for (double w : k.weights)
                sum += w;
            const std::vector<int16_t> fixed(k.weights.begin(), k.weights.end());
            const std::vector<double> integral(fixed.begin(), fixed.end());
            int32_t divisor = 0;
            for (int16_t w : fixed)
                divisor += w;
            std::vector<float> single;
            for (double w : k.weights)
                single.push_back(float(w / sum));
            std::vector<double> normalised(single.begin(), single.end());
            Plane out8(width, height, 8), outF(width, height, 32);
            ASSERT_EQ(vImageConvolve_Planar8(&bytes.buffer, &out8.buffer, nullptr, 0, 0, fixed.data(), uint32_t(k.n),
                                             uint32_t(k.n), divisor, 200, edge),
                      kvImageNoError);
            ASSERT_EQ(vImageConvolve_PlanarF(&floats.buffer, &outF.buffer, nullptr, 0, 0, single.data(), uint32_t(k.n),
                                             uint32_t(k.n), 0.25f, edge),
                      kvImageNoError);
            for (size_t y = 0; y < height; ++y)
                for (size_t x = 0; x < width; ++x) {
                    const double expected8 = std::clamp(
                        reference(bytes, width, height, long(x), long(y), integral, k.n, edge, 200, false, divisor), 0.0, 255.0);
                    ASSERT_NEAR(out8.at<uint8_t>(x, y), expected8, 0.5 + 1e-6) << k.what << " edge " << edge << " at " << x << "," << y;
                    const double expectedF = reference(floats, width, height, long(x), long(y), normalised, k.n, edge, 0.25, true);
                    ASSERT_NEAR(outF.at<float>(x, y), expectedF, 1e-4) << k.what << " edge " << edge << " at " << x << "," << y;
                }
        }
}

TEST(vImageConvolve, RefusesWhatItCannotDo)
{
    Plane a(8, 8, 8), b(8, 8, 8), small(4, 4, 8);
    const int16_t kernel[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(vImageConvolve_Planar8(&a.buffer, &b.buffer, nullptr, 0, 0, kernel, 3, 2, 9, 0, kvImageTruncateKernel),
              kvImageInvalidKernelSize);
    EXPECT_EQ(vImageConvolve_Planar8(&a.buffer, &b.buffer, nullptr, 0, 0, kernel, 3, 3, 9, 0, kvImageNoFlags),
              kvImageInvalidEdgeStyle);
    EXPECT_EQ(vImageConvolve_Planar8(&a.buffer, &a.buffer, nullptr, 0, 0, kernel, 3, 3, 9, 0, kvImageTruncateKernel),
              kvImageOutOfPlaceOperationRequired);
    EXPECT_EQ(vImageConvolve_Planar8(&a.buffer, &b.buffer, nullptr, 0, 0, kernel, 3, 3, 0, 0, kvImageTruncateKernel),
              kvImageInvalidParameter);
    EXPECT_EQ(vImageConvolve_Planar8(&small.buffer, &b.buffer, nullptr, 0, 0, kernel, 3, 3, 9, 0, kvImageTruncateKernel),
              kvImageRoiLargerThanInputBuffer);
    // A region of interest: the destination starts at (2, 3) of the source.
    for (size_t y = 0; y < 8; ++y)
        for (size_t x = 0; x < 8; ++x)
            a.at<uint8_t>(x, y) = uint8_t(10 * x + y);
    EXPECT_EQ(vImageBoxConvolve_Planar8(&a.buffer, &small.buffer, nullptr, 2, 3, 3, 3, 0, kvImageTruncateKernel),
              kvImageNoError);
    EXPECT_EQ(small.at<uint8_t>(0, 0), 23); // mean of x 1..3, y 2..4
}

// The 8-bit sharpening sums in integers; it must give the samples of the general convolution
// with the same kernel (which sums in doubles), rounding ties and saturation included, for
// any strength and for planes too small to have an inside.
TEST(vImageConvolve, IntegerSharpeningMatchesTheGeneralConvolution)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> level(0, 255);
    const struct
    {
        size_t width, height;
    } sizes[] = {{37, 29}, {3, 3}, {2, 6}, {6, 1}, {1, 1}, {300, 9}};
    for (const auto size : sizes) {
        Plane in(size.width, size.height, 8), out(size.width, size.height, 8), general(size.width, size.height, 8);
        for (size_t y = 0; y < size.height; ++y)
            for (size_t x = 0; x < size.width; ++x)
                in.at<uint8_t>(x, y) = uint8_t(level(random));
        for (const float sharpness : {0.0f, 0.015f, 0.25f, 0.5f, 1.0f, 3.7f, 100.0f}) {
            ASSERT_EQ(platform::pixel::sharpenPlane(in.buffer, out.buffer, platform::pixel::SampleType::UInt8, sharpness),
                      kvImageNoError);
            const int16_t n = int16_t(std::clamp(std::trunc(-100.0f * sharpness), -4083.0f, 4108.0f));
            int16_t kernel[9];
            std::fill(kernel, kernel + 9, n);
            kernel[4] = int16_t(100 - 8 * n);
            ASSERT_EQ(vImageConvolve_Planar8(&in.buffer, &general.buffer, nullptr, 0, 0, kernel, 3, 3, 100, 0,
                                             kvImageCopyInPlace),
                      kvImageNoError);
            for (size_t y = 0; y < size.height; ++y)
                for (size_t x = 0; x < size.width; ++x)
                    ASSERT_EQ(out.at<uint8_t>(x, y), general.at<uint8_t>(x, y))
                        << size.width << "x" << size.height << " sharpness " << sharpness << " at " << x << "," << y;
        }
    }
    // The same plane as source and destination is refused, as by the general convolution.
    Plane same(5, 5, 8);
    EXPECT_EQ(platform::pixel::sharpenPlane(same.buffer, same.buffer, platform::pixel::SampleType::UInt8, 0.25f),
              kvImageOutOfPlaceOperationRequired);
}
