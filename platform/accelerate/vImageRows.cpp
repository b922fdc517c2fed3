#include "platform/accelerate/vImageRows.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <vector>

namespace platform::vimage {

vImage_Error checkBuffer(const vImage_Buffer *buffer, size_t bytesPerPixel)
{
    if (!buffer || !buffer->data)
        return kvImageNullPointerArgument;
    if (buffer->width == 0 || buffer->height == 0)
        return kvImageInvalidParameter;
    if (buffer->rowBytes < buffer->width * bytesPerPixel)
        return kvImageInvalidRowBytes;
    return kvImageNoError;
}

vImage_Error checkPair(const vImage_Buffer *source, const vImage_Buffer *destination, size_t bytesPerPixel)
{
    if (vImage_Error status = checkBuffer(source, bytesPerPixel))
        return status;
    if (vImage_Error status = checkBuffer(destination, bytesPerPixel))
        return status;
    if (destination->width > source->width || destination->height > source->height)
        return kvImageRoiLargerThanInputBuffer;
    return kvImageNoError;
}

void forEachRows(size_t rows, size_t rowCost, const std::function<void(size_t, size_t)> &body)
{
    constexpr size_t kMinimumWork = 256 * 1024; // bytes below which threads cost more than they save
    const size_t threads = size_t(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    size_t pieces = std::min(rows, std::max<size_t>(1, rows * std::max<size_t>(rowCost, 1) / kMinimumWork));
    pieces = std::min(pieces, threads * 4);
    if (pieces <= 1) {
        body(0, rows);
        return;
    }
    std::vector<std::pair<size_t, size_t>> ranges;
    ranges.reserve(pieces);
    for (size_t i = 0; i < pieces; ++i)
        ranges.emplace_back(rows * i / pieces, rows * (i + 1) / pieces);
    QtConcurrent::blockingMap(ranges, [&body](const std::pair<size_t, size_t> &range) { body(range.first, range.second); });
}

} // namespace platform::vimage
