#include "platform/graphics/CGRowLoop.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <vector>

namespace platform {

void forEachRowRange(size_t rows, size_t rowCost, const std::function<void(size_t, size_t)> &body)
{
    if (rows == 0)
        return;
    // Below about 256 KiB of work a split costs more than it saves.
    constexpr size_t kMinimumWorkPerPiece = 256 * 1024;
    const size_t work = rows * std::max<size_t>(rowCost, 1);
    const size_t threads = size_t(std::max(1, QThread::idealThreadCount()));
    size_t pieces = std::min({rows, threads * 4, std::max<size_t>(1, work / kMinimumWorkPerPiece)});
    if (pieces <= 1) {
        body(0, rows);
        return;
    }
    std::vector<std::pair<size_t, size_t>> ranges;
    ranges.reserve(pieces);
    for (size_t i = 0; i < pieces; ++i)
        ranges.emplace_back(rows * i / pieces, rows * (i + 1) / pieces);
    QtConcurrent::blockingMap(QThreadPool::globalInstance(), ranges,
                              [&body](const std::pair<size_t, size_t> &r) { body(r.first, r.second); });
}

} // namespace platform
