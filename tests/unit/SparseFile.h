#pragma once
// A big file for the header readers' tests, without its bytes: zero but where pieces
// were put, read through the plug-in's window, every read counted; a read may be made to
// fail from some byte on, as on a damaged disk.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "plugins/ixwic/ByteSource.h"

namespace testunit {

// A file of `size` bytes, zero but where pieces were put; counts every read.
class SparseFile : public ixwic::WindowedSource {
public:
    explicit SparseFile(uint64_t size, size_t minRead = kDefaultMinRead) : WindowedSource(minRead), m_size(size) {}
    void Put(uint64_t at, const std::string& bytes) { m_pieces.push_back({at, bytes}); }
    // Every read that reaches the byte at `offset` or one after it fails.
    void FailFrom(uint64_t offset) { m_failFrom = offset; }
    int Reads() const { return m_reads; }

protected:
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t size) override {
        ++m_reads;
        if (offset >= m_size) {
            return 0;
        }
        const size_t count = static_cast<size_t>(std::min<uint64_t>(size, m_size - offset));
        if (offset + count > m_failFrom) {
            return kReadFailed;
        }
        std::fill(out, out + count, 0);
        for (const Piece& piece : m_pieces) {
            for (size_t i = 0; i < piece.bytes.size(); ++i) {
                if (piece.at + i >= offset && piece.at + i < offset + count) {
                    out[piece.at + i - offset] = static_cast<uint8_t>(piece.bytes[i]);
                }
            }
        }
        return count;
    }

private:
    struct Piece {
        uint64_t at;
        std::string bytes;
    };
    uint64_t m_size;
    uint64_t m_failFrom = UINT64_MAX;
    std::vector<Piece> m_pieces;
    int m_reads = 0;
};

}  // namespace testunit
