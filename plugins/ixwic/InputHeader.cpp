#include "plugins/ixwic/InputHeader.h"

#include <algorithm>
#include <string>

#include "plugins/ixwic/ByteSource.h"
#include "plugins/ixwic/DecoderCatalog.h"
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
        m_file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size;
        if (m_file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_file, &size) || size.QuadPart < 0) {
            return kSpiFileReadError;
        }
        if (offset != 0 && offset >= size.QuadPart) {
            return kSpiFileReadError;
        }
        m_start = static_cast<uint64_t>(offset);
        m_size = static_cast<uint64_t>(size.QuadPart) - m_start;
        return kSpiSuccess;
    }
    // The bytes from the offset to the end, as the file was opened.
    uint64_t Size() const { return m_size; }

protected:
    // A failed read (a damaged disk, a range locked by another program) is told apart from
    // the end of the file.
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t size) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(m_start + offset);
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, MAXDWORD));
        if (offset > static_cast<uint64_t>(INT64_MAX) - m_start ||
            !::SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN) || !::ReadFile(m_file, out, wanted, &read, nullptr)) {
            return kReadFailed;
        }
        return read;
    }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    uint64_t m_start = 0;
    uint64_t m_size = 0;
};

// The first bytes of the input, which the decoders' patterns are matched against.
std::vector<uint8_t> StartOf(ByteSource& source, uint64_t size) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(size, InputHeader::kStartBytes));
    const uint8_t* bytes = source.View(0, length);
    return bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + length) : std::vector<uint8_t>();
}

}  // namespace

int InputHeader::Judge(int opened, const CWicPicture& picture) const {
    if (opened == kSpiSuccess) {
        // The TIFF decoder would show a camera raw file's preview, not its picture.
        return header.format == PictureFormat::kCameraRaw && picture.DecodedAs(GUID_ContainerFormatTiff) ? kSpiNoDecoder
                                                                                                         : kSpiSuccess;
    }
    if (opened != kSpiUnknownFormat && opened != kSpiBrokenData) {
        return opened;  // out of memory, unreadable, ...: no verdict on the data
    }
    // A decoder every system has refused a picture of its own format: the data is damaged.
    if (header.builtIn) {
        return kSpiBrokenData;
    }
    if (result == HeaderResult::kUnknownFormat) {
        // A decoder that recognised the data by its pattern said it is damaged, or refused
        // it without saying why, which may mean a form it does not read.
        if (opened == kSpiBrokenData) {
            return kSpiBrokenData;
        }
        return MatchesInstalledDecoder(start.data(), start.size()) ? kSpiNoDecoder : kSpiUnknownFormat;
    }
    // A format or form not every system decodes: added decoders differ in what they read.
    return kSpiNoDecoder;
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
        input.start = StartOf(source, static_cast<uint64_t>(from.len));
        return input;
    }
    CFileSource source;
    input.openResult = source.Open(from.path, from.len);
    if (input.openResult == kSpiSuccess) {
        input.result = ReadPictureHeader(source, &input.header);
        input.start = StartOf(source, source.Size());
    }
    if (input.result == HeaderResult::kUnreadable || source.Failed()) {
        input.openResult = kSpiFileReadError;
    }
    return input;
}

bool InputReadsWhole(const ExportInput& from) {
    if (from.memory) {
        return true;
    }
    CFileSource source;
    return source.Open(from.path, from.len) == kSpiSuccess && source.ReadsToTheEnd();
}

}  // namespace ixwic
