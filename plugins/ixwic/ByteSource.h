#pragma once
// Random access to the bytes of a picture for the header readers: the caller's memory,
// a part of another source, or a file read piece by piece through a window, so that
// reading a header costs only the bytes it occupies. Portable: no Windows headers.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ixwic {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The `size` bytes from `offset` on, or null when the input ends before them or cannot
    // be read. The pointer stays valid until the next call.
    virtual const uint8_t* View(uint64_t offset, size_t size) = 0;
    // Whether a read of the input failed: a null view then says nothing of where the input ends.
    virtual bool Failed() const { return false; }
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(data != nullptr ? size : 0) {}
    const uint8_t* View(uint64_t offset, size_t size) override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// `size` bytes of another source from `start` on, seen as a source of their own.
class SubSource final : public ByteSource {
public:
    SubSource(ByteSource& whole, uint64_t start, uint64_t size) : m_whole(whole), m_start(start), m_size(size) {}
    const uint8_t* View(uint64_t offset, size_t size) override;
    bool Failed() const override { return m_whole.Failed(); }

private:
    ByteSource& m_whole;
    uint64_t m_start;
    uint64_t m_size;
};

// A source read in pieces of at least `minRead` bytes into a window, which is read again
// only when a view falls outside it, and never for a view past an end already seen. Once
// a read has failed, every view is refused.
class WindowedSource : public ByteSource {
public:
    static constexpr size_t kDefaultMinRead = 4096;
    // No header needs a single view larger than this; a larger one is refused unread.
    static constexpr size_t kMaxView = 1 << 20;

    explicit WindowedSource(size_t minRead = kDefaultMinRead) : m_minRead(minRead > 0 ? minRead : 1) {}
    const uint8_t* View(uint64_t offset, size_t size) override;
    bool Failed() const override { return m_failed; }
    // Reads the whole input from its start, a piece of kMaxView bytes at a time: true when
    // it reached the end without a failed read.
    bool ReadsToTheEnd();
    // Every byte read so far, windows read again counted again.
    uint64_t BytesRead() const { return m_bytesRead; }

protected:
    // What ReadAt answers when the input could not be read.
    static constexpr size_t kReadFailed = SIZE_MAX;
    // Reads up to `size` bytes from `offset` on into `out`; returns how many were read,
    // fewer at the end of the input, or kReadFailed.
    virtual size_t ReadAt(uint64_t offset, uint8_t* out, size_t size) = 0;

private:
    size_t m_minRead;
    bool m_failed = false;
    uint64_t m_end = UINT64_MAX;  // where the input ends, once a read has come short
    std::vector<uint8_t> m_window;
    uint64_t m_windowStart = 0;
    uint64_t m_bytesRead = 0;
};

}  // namespace ixwic
