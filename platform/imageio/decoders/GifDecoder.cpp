#include "platform/imageio/MCImageProperties.h"
#include "platform/imageio/decoders/Decoders.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

// GIF through giflib, composed as browsers and viewers show it: the canvas starts
// transparent, every frame is drawn over what the frames before it left (its transparent
// index showing through), and a frame's disposal then keeps it, clears its rectangle to
// transparent or restores the canvas as it was before the frame. Parts of the canvas that no
// frame covered stay transparent; the background colour of the screen descriptor is not
// painted (browsers ignore it too). Image n is the canvas after frame n.

// Frames beyond this are not counted or shown: a hostile file cannot keep us busy.
constexpr size_t kMaximumFrames = 4096;

struct Frame
{
    int left = 0, top = 0, width = 0, height = 0;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    int disposal = DISPOSAL_UNSPECIFIED;
    int delay = 0; // hundredths of a second
};

// Reads from the file's bytes in memory.
struct Reader
{
    const QByteArray *data;
    qsizetype position = 0;

    static int read(GifFileType *gif, GifByteType *bytes, int count)
    {
        auto *reader = static_cast<Reader *>(gif->UserData);
        const qsizetype n = std::clamp<qsizetype>(reader->data->size() - reader->position, 0, count);
        std::memcpy(bytes, reader->data->constData() + reader->position, size_t(n));
        reader->position += n;
        return int(n);
    }
};

// An open giflib handle, closed with it.
struct GifFile
{
    Reader reader;
    GifFileType *gif = nullptr;

    explicit GifFile(const QByteArray &data) : reader{&data}
    {
        int error = 0;
        gif = DGifOpen(&reader, &Reader::read, &error);
    }
    ~GifFile()
    {
        if (gif)
            DGifCloseFile(gif, nullptr);
    }
    GifFile(const GifFile &) = delete;
    GifFile &operator=(const GifFile &) = delete;
};

// Walks the records of the file in order: `onFrame(frame)` at each image descriptor, which
// must read or skip the image data (answering false stops the walk), after the graphic
// control extension that preceded it has filled the frame's transparency, disposal and
// delay. `onLoop(count)` for the NETSCAPE2.0 loop count. False when the file breaks off or is
// corrupt before the walk ends.
template<typename OnFrame>
bool walk(GifFileType *gif, OnFrame onFrame, int *loopCount = nullptr)
{
    Frame pending;
    for (;;) {
        GifRecordType record;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return false;
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE: {
            if (DGifGetImageDesc(gif) == GIF_ERROR)
                return false;
            Frame frame = pending;
            frame.left = gif->Image.Left;
            frame.top = gif->Image.Top;
            frame.width = gif->Image.Width;
            frame.height = gif->Image.Height;
            pending = Frame();
            if (!onFrame(frame))
                return true;
            break;
        }
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return false;
            bool netscape = false;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                    pending.transparentIndex = control.TransparentColor;
                    pending.disposal = control.DisposalMode;
                    pending.delay = control.DelayTime;
                }
            } else if (code == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11) {
                netscape = std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0;
            }
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return false;
                if (netscape && block && block[0] >= 3 && block[1] == 1 && loopCount)
                    *loopCount = block[2] | (block[3] << 8);
            }
            break;
        }
        case TERMINATE_RECORD_TYPE:
            return true;
        default:
            break;
        }
    }
}

// Skips the compressed data of the current image.
bool skipImage(GifFileType *gif)
{
    int codeSize = 0;
    GifByteType *block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

// Decodes the current image and draws it onto the RGBA canvas (rows of 4 × width bytes):
// transparent-index pixels and those outside the canvas leave it as it is. False when the
// data is corrupt or breaks off.
bool drawImage(GifFileType *gif, const Frame &frame, std::vector<uint8_t> &canvas, size_t width, size_t height)
{
    const ColorMapObject *map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    std::vector<GifPixelType> line(size_t(std::max(frame.width, 1)));
    // Interlaced images store rows in four passes.
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    const bool interlaced = gif->Image.Interlace;
    const int passes = interlaced ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int row = interlaced ? starts[pass] : 0; row < frame.height; row += interlaced ? steps[pass] : 1) {
            if (DGifGetLine(gif, line.data(), frame.width) == GIF_ERROR)
                return false;
            const long y = long(frame.top) + row;
            if (y < 0 || y >= long(height))
                continue;
            uint8_t *out = canvas.data() + size_t(y) * width * 4;
            for (int i = 0; i < frame.width; ++i) {
                const long x = long(frame.left) + i;
                const int index = line[size_t(i)];
                if (x >= long(width) || index == frame.transparentIndex)
                    continue;
                uint8_t *p = out + size_t(x) * 4;
                if (map && index < map->ColorCount) {
                    const GifColorType &colour = map->Colors[index];
                    p[0] = colour.Red;
                    p[1] = colour.Green;
                    p[2] = colour.Blue;
                } else { // an index beyond the palette: black
                    p[0] = p[1] = p[2] = 0;
                }
                p[3] = 255;
            }
        }
    }
    return true;
}

// Clears a frame's rectangle (clipped to the canvas) to transparent.
void clearRect(const Frame &frame, std::vector<uint8_t> &canvas, size_t width, size_t height)
{
    const long x0 = std::clamp<long>(frame.left, 0, long(width)), x1 = std::clamp<long>(long(frame.left) + frame.width, 0, long(width));
    const long y0 = std::clamp<long>(frame.top, 0, long(height)), y1 = std::clamp<long>(long(frame.top) + frame.height, 0, long(height));
    for (long y = y0; y < y1; ++y)
        std::memset(canvas.data() + (size_t(y) * width + size_t(x0)) * 4, 0, size_t(x1 - x0) * 4);
}

class GifDecoder final : public ImageDecoder
{
public:
    QString typeIdentifier() const override { return QStringLiteral("com.compuserve.gif"); }

    bool open(const QByteArray &data) override
    {
        if (!(data.startsWith("GIF87a") || data.startsWith("GIF89a")))
            return false;
        m_data = data;
        GifFile file(m_data);
        if (!file.gif || !dimensionsAllowed(file.gif->SWidth, file.gif->SHeight))
            return false;
        m_info.width = size_t(file.gif->SWidth);
        m_info.height = size_t(file.gif->SHeight);
        m_info.model = kCGColorSpaceModelRGB;
        m_info.bitsPerComponent = 8;
        m_info.isIndexed = true;
        // A broken tail keeps the frames read before it; a file without any has no image.
        walk(file.gif, [&](const Frame &frame) {
            if (!skipImage(file.gif))
                return false;
            m_frames.push_back(frame);
            return m_frames.size() < kMaximumFrames;
        }, &m_loopCount);
        if (m_frames.empty())
            return false;
        // Transparent when a frame has a transparent index, or the first leaves part of the
        // canvas uncovered.
        const Frame &first = m_frames.front();
        m_info.hasAlpha = first.left > 0 || first.top > 0 || size_t(first.left) + size_t(first.width) < m_info.width ||
                          size_t(first.top) + size_t(first.height) < m_info.height;
        for (const Frame &frame : m_frames)
            m_info.hasAlpha = m_info.hasAlpha || frame.transparentIndex != NO_TRANSPARENT_COLOR;
        return true;
    }

    size_t count() const override { return m_frames.size(); }
    ImageInfo info(size_t) const override { return m_info; }

    QVariantMap formatProperties(size_t index) const override
    {
        QVariantMap gif{{kCGImagePropertyGIFLoopCount, m_loopCount}};
        if (index < m_frames.size() && m_frames[index].delay > 0) {
            gif.insert(kCGImagePropertyGIFDelayTime, m_frames[index].delay / 100.0);
            gif.insert(kCGImagePropertyGIFUnclampedDelayTime, m_frames[index].delay / 100.0);
        }
        return {{kCGImagePropertyGIFDictionary, gif}};
    }

    CGImageRef decode(size_t index, size_t) override
    {
        if (index >= m_frames.size())
            return nullptr;
        GifFile file(m_data);
        if (!file.gif)
            return nullptr;
        const size_t width = m_info.width, height = m_info.height;
        std::vector<uint8_t> canvas, saved;
        try {
            canvas.assign(width * height * 4, 0);
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
        size_t drawn = 0;
        bool intact = true;
        const bool walked = walk(file.gif, [&](const Frame &frame) {
            if (frame.disposal == DISPOSE_PREVIOUS && drawn < index)
                saved = canvas;
            if (!drawImage(file.gif, frame, canvas, width, height)) {
                intact = false;
                return false;
            }
            if (drawn == index)
                return false; // the frame asked for is on the canvas
            if (frame.disposal == DISPOSE_BACKGROUND)
                clearRect(frame, canvas, width, height);
            else if (frame.disposal == DISPOSE_PREVIOUS && !saved.empty())
                canvas.swap(saved);
            ++drawn;
            return true;
        });
        if (!walked || !intact || drawn != index)
            return nullptr;
        const bool alpha = m_info.hasAlpha;
        const size_t rowBytes = width * (alpha ? 4 : 3);
        std::shared_ptr<uint8_t> pixels = allocatePixels(rowBytes * height);
        if (!pixels)
            return nullptr;
        if (alpha) {
            std::memcpy(pixels.get(), canvas.data(), canvas.size());
        } else {
            uint8_t *out = pixels.get();
            for (size_t i = 0; i < width * height; ++i, out += 3)
                std::memcpy(out, canvas.data() + 4 * i, 3);
        }
        return makeDecodedImage(width, height, 8, false, alpha, false, rowBytes, colorSpaceFor(kCGColorSpaceModelRGB, {}),
                                std::move(pixels));
    }

private:
    QByteArray m_data;
    ImageInfo m_info;
    std::vector<Frame> m_frames;
    int m_loopCount = 0;
};

} // namespace

std::unique_ptr<ImageDecoder> createGifDecoder()
{
    return std::make_unique<GifDecoder>();
}

} // namespace platform
