#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageWriters.h"

#include <gif_lib.h>

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

namespace platform {
namespace {

using Colour = std::array<uint8_t, 3>;

// One histogram cell of 5 bits per channel with the exact sums of the colours that fell in it.
struct Cell
{
    uint32_t count = 0;
    uint64_t sum[3] = {0, 0, 0};
    uint8_t key[3] = {0, 0, 0};
};

struct Box
{
    std::vector<const Cell *> cells;
    uint64_t count = 0;
    int longest = 0; // channel with the widest range
    int range = -1;

    void measure()
    {
        uint8_t lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        count = 0;
        for (const Cell *cell : cells) {
            count += cell->count;
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], cell->key[c]);
                hi[c] = std::max(hi[c], cell->key[c]);
            }
        }
        range = -1;
        for (int c = 0; c < 3; ++c)
            if (hi[c] - lo[c] > range) {
                range = hi[c] - lo[c];
                longest = c;
            }
    }

    Colour mean() const
    {
        uint64_t sum[3] = {0, 0, 0};
        for (const Cell *cell : cells)
            for (int c = 0; c < 3; ++c)
                sum[c] += cell->sum[c];
        Colour colour;
        for (int c = 0; c < 3; ++c)
            colour[c] = uint8_t(count ? (sum[c] + count / 2) / count : 0);
        return colour;
    }
};

// Median cut: split the box with the most pixels and some extent at the weighted median of its
// longest channel until there are `colours` boxes; each palette entry is its box's mean.
std::vector<Colour> medianCut(const std::vector<Cell> &histogram, size_t colours)
{
    std::vector<Box> boxes(1);
    for (const Cell &cell : histogram)
        if (cell.count)
            boxes[0].cells.push_back(&cell);
    boxes[0].measure();
    while (boxes.size() < colours) {
        auto best = boxes.end();
        double bestScore = 0;
        for (auto it = boxes.begin(); it != boxes.end(); ++it) {
            const double score = double(it->count) * double(it->range);
            if (it->cells.size() > 1 && score > bestScore) {
                bestScore = score;
                best = it;
            }
        }
        if (best == boxes.end())
            break;
        const int channel = best->longest;
        std::sort(best->cells.begin(), best->cells.end(),
                  [channel](const Cell *a, const Cell *b) { return a->key[channel] < b->key[channel]; });
        uint64_t running = 0;
        size_t split = 1;
        for (size_t i = 0; i < best->cells.size() - 1; ++i) {
            running += best->cells[i]->count;
            split = i + 1;
            if (running * 2 >= best->count)
                break;
        }
        Box upper;
        upper.cells.assign(best->cells.begin() + qsizetype(split), best->cells.end());
        best->cells.resize(split);
        best->measure();
        upper.measure();
        boxes.push_back(std::move(upper));
    }
    std::vector<Colour> palette;
    for (const Box &box : boxes)
        palette.push_back(box.mean());
    return palette;
}

int nearest(const std::vector<Colour> &palette, int r, int g, int b)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = r - palette[i][0], dg = g - palette[i][1], db = b - palette[i][2];
        const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db; // rough perceptual weights
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

int gifWrite(GifFileType *gif, const GifByteType *data, int length)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
    return length;
}

} // namespace

bool encodeGIF(const WriterPixels &pixels, QByteArray *out, MCError *error)
{
    const size_t w = pixels.width(), h = pixels.height();
    if (w > 65535 || h > 65535)
        return MCSetError(error, writerError(kMCImageDestinationUnsupportedPixelFormat,
                                             QStringLiteral("GIF cannot store images wider or taller than 65535 pixels.")));
    // Everything as RGB plus an opacity flag (alpha of one half or more is opaque).
    std::vector<uint8_t> rgb(w * h * 3);
    std::vector<uint8_t> opaque(w * h, 1);
    bool transparent = false;
    {
        const size_t samples = pixels.samples(true);
        const bool gray = pixels.model() == kCGColorSpaceModelMonochrome;
        std::vector<uint8_t> line(pixels.rowBytes(true));
        for (size_t y = 0; y < h; ++y) {
            pixels.copyRow(y, line.data(), true);
            for (size_t x = 0; x < w; ++x) {
                const uint8_t *p = line.data() + x * samples;
                uint8_t *q = rgb.data() + (y * w + x) * 3;
                q[0] = p[0];
                q[1] = gray ? p[0] : p[1];
                q[2] = gray ? p[0] : p[2];
                if (pixels.hasAlpha() && p[samples - 1] < 128) {
                    opaque[y * w + x] = 0;
                    transparent = true;
                }
            }
        }
    }
    const size_t maxColours = transparent ? 255 : 256;

    // Few colours are kept exactly; more are reduced by median cut and dithered.
    std::vector<Colour> palette;
    QHash<uint32_t, int> exact;
    for (size_t i = 0; i < w * h && exact.size() <= qsizetype(maxColours); ++i) {
        if (!opaque[i])
            continue;
        const uint32_t key = uint32_t(rgb[i * 3]) << 16 | uint32_t(rgb[i * 3 + 1]) << 8 | rgb[i * 3 + 2];
        if (!exact.contains(key)) {
            exact.insert(key, int(palette.size()));
            palette.push_back({rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]});
        }
    }
    const bool reduce = exact.size() > qsizetype(maxColours);
    std::vector<uint8_t> indices(w * h);
    const int transparentIndex = transparent ? int(maxColours) : -1;
    if (!reduce) {
        for (size_t i = 0; i < w * h; ++i)
            indices[i] = opaque[i] ? uint8_t(exact.value(uint32_t(rgb[i * 3]) << 16 | uint32_t(rgb[i * 3 + 1]) << 8 |
                                                         rgb[i * 3 + 2]))
                                   : uint8_t(transparentIndex);
    } else {
        std::vector<Cell> histogram(32768);
        for (size_t i = 0; i < w * h; ++i) {
            if (!opaque[i])
                continue;
            const uint8_t *p = rgb.data() + i * 3;
            Cell &cell = histogram[(p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3)];
            cell.count++;
            for (int c = 0; c < 3; ++c) {
                cell.sum[c] += p[c];
                cell.key[c] = uint8_t(p[c] >> 3);
            }
        }
        palette = medianCut(histogram, maxColours);
        // Floyd–Steinberg: each pixel's quantisation error goes to its unvisited neighbours.
        std::vector<int16_t> cache(1 << 18, -1); // nearest entry per 6-bit colour
        std::vector<float> errorThis((w + 2) * 3, 0.f), errorNext((w + 2) * 3, 0.f);
        for (size_t y = 0; y < h; ++y) {
            std::fill(errorNext.begin(), errorNext.end(), 0.f);
            for (size_t x = 0; x < w; ++x) {
                const size_t i = y * w + x;
                if (!opaque[i]) {
                    indices[i] = uint8_t(transparentIndex);
                    continue;
                }
                int v[3];
                for (int c = 0; c < 3; ++c)
                    v[c] = std::clamp(int(std::lround(rgb[i * 3 + c] + errorThis[(x + 1) * 3 + c])), 0, 255);
                const int key = (v[0] >> 2) << 12 | (v[1] >> 2) << 6 | (v[2] >> 2);
                if (cache[key] < 0)
                    cache[key] = int16_t(nearest(palette, v[0], v[1], v[2]));
                const int index = cache[key];
                indices[i] = uint8_t(index);
                for (int c = 0; c < 3; ++c) {
                    const float e = float(v[c] - palette[size_t(index)][c]);
                    errorThis[(x + 2) * 3 + c] += e * 7.f / 16.f;
                    errorNext[x * 3 + c] += e * 3.f / 16.f;
                    errorNext[(x + 1) * 3 + c] += e * 5.f / 16.f;
                    errorNext[(x + 2) * 3 + c] += e * 1.f / 16.f;
                }
            }
            std::swap(errorThis, errorNext);
        }
    }

    const size_t entries = palette.size() + (transparent ? 1 : 0);
    int bits = 1;
    while ((size_t(1) << bits) < entries)
        ++bits;
    std::vector<GifColorType> colours(size_t(1) << bits, GifColorType {0, 0, 0});
    for (size_t i = 0; i < palette.size(); ++i)
        colours[i] = GifColorType {palette[i][0], palette[i][1], palette[i][2]};
    if (transparent) // the transparent entry sits right after the colours
        for (size_t i = 0; i < w * h; ++i)
            if (!opaque[i])
                indices[i] = uint8_t(palette.size());

    QByteArray bytes;
    int status = 0;
    GifFileType *gif = EGifOpen(&bytes, gifWrite, &status);
    if (!gif)
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed, QStringLiteral("The GIF encoder could not start.")));
    ColorMapObject *map = GifMakeMapObject(1 << bits, colours.data());
    EGifSetGifVersion(gif, true);
    bool ok = map && EGifPutScreenDesc(gif, int(w), int(h), bits, 0, map) == GIF_OK;
    if (ok && transparent) {
        GraphicsControlBlock control {};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = int(palette.size());
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, int(w), int(h), false, nullptr) == GIF_OK;
    for (size_t y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indices.data() + y * w, int(w)) == GIF_OK;
    const int code = gif->Error;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &status) != GIF_OK)
        ok = false;
    if (!ok)
        return MCSetError(error, writerError(kMCImageDestinationEncodingFailed,
                                             QStringLiteral("The GIF encoder failed: %1")
                                                 .arg(QString::fromUtf8(GifErrorString(code ? code : status)))));
    *out = std::move(bytes);
    return true;
}

} // namespace platform
