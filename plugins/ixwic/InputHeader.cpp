#include "plugins/ixwic/InputHeader.h"

#include <algorithm>
#include <string>

#include "image/SpiApi.h"
#include "plugins/ixwic/ByteSource.h"
#include "plugins/ixwic/WicPicture.h"

namespace ixwic {

namespace {

// A file from an offset on, read through a window.
class CFileSource final : public WindowedSource {
public:
    CFileSource() = default;
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;
    ~CFileSource() override {
        if (m_file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(m_file);
        }
    }

    // A plug-in result code: the file cannot be opened, or the offset lies past its end.
    int Open(const std::wstring& path, LONG_PTR offset) {
        if (path.empty() || offset < 0) {
            return kSpiFileReadError;
        }
        m_file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size;
        if (m_file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_file, &size)) {
            return kSpiFileReadError;
        }
        if (offset != 0 && offset >= size.QuadPart) {
            return kSpiFileReadError;
        }
        m_start = static_cast<uint64_t>(offset);
        return kSpiSuccess;
    }

protected:
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t size) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(m_start + offset);
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (offset > static_cast<uint64_t>(INT64_MAX) - m_start ||
            !::SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN) || !::ReadFile(m_file, out, wanted, &read, nullptr)) {
            return 0;
        }
        return read;
    }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint64_t m_start = 0;
};

}  // namespace

int InputHeader::Judge(int decoderResult) const {
    const bool known = result != HeaderResult::kUnknownFormat;
    return known && decoderResult == kSpiUnknownFormat ? kSpiBrokenData : decoderResult;
}

InputHeader ReadInputHeader(const ExportInput& from) {
    InputHeader input;
    if (from.memory) {
        if (from.data == nullptr || from.len <= 0) {
            input.openResult = from.data == nullptr ? kSpiFileReadError : kSpiUnknownFormat;
            return input;
        }
        MemorySource source(from.data, static_cast<size_t>(from.len));
        input.result = ReadPictureHeader(source, &input.header);
        return input;
    }
    CFileSource source;
    input.openResult = source.Open(from.path, from.len);
    if (input.openResult == kSpiSuccess) {
        input.result = ReadPictureHeader(source, &input.header);
    }
    return input;
}

}  // namespace ixwic
