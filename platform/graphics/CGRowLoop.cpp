#include "platform/graphics/CGRowLoop.h"

#include "platform/core/MCDispatch.h"

#include <algorithm>

namespace platform {

void forEachRowRange(size_t rows, size_t rowCost, const std::function<void(size_t, size_t)> &body)
{
    if (rows == 0)
        return;
    // Below about 128 KiB of work a piece costs more to hand out than it saves.
    constexpr size_t kMinimumWorkPerPiece = 128 * 1024;
    const size_t grain = std::max<size_t>(1, kMinimumWorkPerPiece / std::max<size_t>(rowCost, 1));
    if (rows <= grain) {
        body(0, rows);
        return;
    }
    parallelFor(rows, [&body](size_t begin, size_t end) { body(begin, end); }, grain);
}

} // namespace platform
