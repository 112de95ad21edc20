#include "framework/DroppedFiles.h"

#include "framework/SystemFunction.h"

namespace fw {

// The window style that accepting drops comes to, set here directly: DragAcceptFiles would
// load shell32 with the window, long before anything is dropped.
void AcceptDroppedFiles(HWND window, bool accept) {
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    const LONG_PTR wanted = accept ? (style | WS_EX_ACCEPTFILES) : (style & ~static_cast<LONG_PTR>(WS_EX_ACCEPTFILES));
    if (wanted != style) {
        ::SetWindowLongPtrW(window, GWL_EXSTYLE, wanted);
    }
}

std::vector<std::wstring> TakeDroppedFiles(HDROP drop) {
    static const auto queryFile = SystemFunction<decltype(&::DragQueryFileW)>(L"shell32.dll", "DragQueryFileW");
    static const auto finish = SystemFunction<decltype(&::DragFinish)>(L"shell32.dll", "DragFinish");
    std::vector<std::wstring> paths;
    if (drop == nullptr || queryFile == nullptr || finish == nullptr) {
        return paths;
    }
    const UINT count = queryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // The length without the terminating NUL; the copy is asked for with room for it.
        const UINT length = queryFile(drop, i, nullptr, 0);
        if (length == 0) {
            continue;
        }
        std::wstring path(length + 1, L'\0');
        const UINT copied = queryFile(drop, i, path.data(), length + 1);
        path.resize(copied <= length ? copied : 0);
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    finish(drop);
    return paths;
}

}  // namespace fw
