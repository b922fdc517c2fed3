#include "halvard/imageio/MCFastData.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

MCFastData::MCFastData(size_t length)
{
    setBytes(nullptr, length);
}

MCFastData::MCFastData(const void *bytes, size_t length)
{
    setBytes(bytes, length);
}

MCFastData::~MCFastData()
{
    std::free(m_bytes);
}

bool MCFastData::setBytes(const void *bytes, size_t length)
{
    if (!m_bytes || length != m_length) {
        // realloc of 0 bytes may or may not free: ask for one byte so the block stays ours.
        void *memory = std::realloc(m_bytes, std::max<size_t>(length, 1));
        if (!memory)
            return false;
        m_bytes = static_cast<uint8_t *>(memory);
        m_length = length;
    }
    if (bytes && length > 0)
        std::memmove(m_bytes, bytes, length);
    return true;
}

bool MCFastData::isEqualToData(const MCFastData &other) const
{
    if (m_length != other.m_length)
        return false;
    return m_bytes == other.m_bytes || m_length == 0 || std::memcmp(m_bytes, other.m_bytes, m_length) == 0;
}

int MCFastData::compareToData(const MCFastData *other) const
{
    if (other == this)
        return 0;
    if (!other)
        return 1;
    if (m_length != 0 && other->m_length != 0 && m_bytes != other->m_bytes) {
        const int order = std::memcmp(m_bytes, other->m_bytes, std::min(m_length, other->m_length));
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    if (m_length == other->m_length)
        return 0;
    return m_length > other->m_length ? 1 : -1;
}

bool MCFastData::isEqualData(const MCFastData *a, const MCFastData *b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return a->isEqualToData(*b);
}

int MCFastData::compareData(const MCFastData *a, const MCFastData *b)
{
    if (a == b)
        return 0;
    if (!a)
        return -1;
    if (!b)
        return 1;
    return a->compareToData(b);
}
