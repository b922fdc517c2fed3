#pragma once

#include <cstddef>
#include <cstdint>

// A plain growable byte buffer with cheap equality and ordering, for pixel copies and merged
// histograms. The memory belongs to the object and is not cleared when allocated.
class MCFastData
{
public:
    MCFastData() = default;
    // Memory of `length` bytes, contents undefined.
    explicit MCFastData(size_t length);
    // A copy of `bytes` (which may be null only when `length` is 0).
    MCFastData(const void *bytes, size_t length);
    ~MCFastData();
    MCFastData(const MCFastData &) = delete;
    MCFastData &operator=(const MCFastData &) = delete;

    uint8_t *bytes() const { return m_bytes; }
    size_t length() const { return m_length; }

    // Resizes the memory when there is none yet or `length` differs (keeping the block when it
    // does not), then copies `bytes` in when given. False, with the object unchanged, when the
    // memory cannot be had.
    bool setBytes(const void *bytes, size_t length);

    bool isEqualToData(const MCFastData &other) const;
    // 0 for the same object, 1 when `other` is null; else the sign of a byte comparison over
    // the shorter length, and on a tie the longer buffer orders after the shorter.
    int compareToData(const MCFastData *other) const;

    // Both null or the same object: true; one null: false; else isEqualToData().
    static bool isEqualData(const MCFastData *a, const MCFastData *b);
    // 0 for the same object (two nulls included), −1 when only `a` is null, 1 when only `b`.
    static int compareData(const MCFastData *a, const MCFastData *b);

private:
    uint8_t *m_bytes = nullptr;
    size_t m_length = 0;
};
