#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Runs `body(firstRow, endRow)` over [0, rows) in pieces with parallelFor (MCDispatch.h) and waits
// for all of them; small jobs (rows × rowCost below a threshold) run on the calling thread.
// `rowCost` is a rough count of bytes or samples a row touches, so the split follows the work
// rather than the row count. Pieces never overlap; the calling thread takes part.
void forEachRowRange(size_t rows, size_t rowCost, const std::function<void(size_t, size_t)> &body);

} // namespace platform
