#include "plugins/ixwic/ByteSource.h"

#include <algorithm>

namespace ixwic {

namespace {

bool Fits(uint64_t offset, uint64_t size, uint64_t total) {
    return offset <= total && size <= total - offset;
}

}  // namespace

const uint8_t* MemorySource::View(uint64_t offset, size_t size) {
    return Fits(offset, size, m_size) ? m_data + offset : nullptr;
}

const uint8_t* SubSource::View(uint64_t offset, size_t size) {
    return Fits(offset, size, m_size) ? m_whole.View(m_start + offset, size) : nullptr;
}

const uint8_t* WindowedSource::View(uint64_t offset, size_t size) {
    if (m_failed || size > kMaxView || offset > m_end || size > m_end - offset) {
        return nullptr;
    }
    if (offset >= m_windowStart && Fits(offset - m_windowStart, size, m_window.size())) {
        return m_window.data() + (offset - m_windowStart);
    }
    m_window.resize(std::max(size, m_minRead));
    const size_t answer = ReadAt(offset, m_window.data(), m_window.size());
    if (answer == kReadFailed) {
        m_failed = true;
        m_window.clear();
        return nullptr;
    }
    const size_t read = std::min(answer, m_window.size());
    m_bytesRead += read;
    if (read < m_window.size()) {
        m_end = offset + read;
    }
    m_window.resize(read);
    m_windowStart = offset;
    return size <= m_window.size() ? m_window.data() : nullptr;
}

bool WindowedSource::ReadsToTheEnd() {
    std::vector<uint8_t> piece(kMaxView);
    for (uint64_t at = 0; !m_failed;) {
        const size_t answer = ReadAt(at, piece.data(), piece.size());
        if (answer == kReadFailed) {
            m_failed = true;
            break;
        }
        const size_t read = std::min(answer, piece.size());
        m_bytesRead += read;
        if (read < piece.size()) {
            return true;
        }
        at += read;
    }
    return false;
}

}  // namespace ixwic
