#include "plugins/ixwic/ExportInput.h"

#include "image/SpiApi.h"

namespace ixwic {

namespace {

// The caller's bytes when `flag` asks for memory input; false for a file name.
bool TakeMemory(const void* buf, LONG_PTR len, unsigned int flag, ExportInput& input) {
    input.len = len;
    if ((flag & kSpiInputMask) != kSpiInputMemory) {
        return false;
    }
    input.memory = true;
    input.data = static_cast<const uint8_t*>(buf);
    return true;
}

}  // namespace

// A name in the ANSI code page names the file the system's A functions would open.
ExportInput MakeExportInput(LPCSTR buf, LONG_PTR len, unsigned int flag) {
    ExportInput input;
    if (buf == nullptr || TakeMemory(buf, len, flag, input)) {
        return input;
    }
    const int length = ::MultiByteToWideChar(CP_ACP, 0, buf, -1, nullptr, 0);
    if (length > 1) {
        input.path.resize(static_cast<size_t>(length));
        ::MultiByteToWideChar(CP_ACP, 0, buf, -1, input.path.data(), length);
        input.path.resize(static_cast<size_t>(length) - 1);
    }
    return input;
}

ExportInput MakeExportInput(LPCWSTR buf, LONG_PTR len, unsigned int flag) {
    ExportInput input;
    if (buf != nullptr && !TakeMemory(buf, len, flag, input)) {
        input.path = buf;
    }
    return input;
}

}  // namespace ixwic
