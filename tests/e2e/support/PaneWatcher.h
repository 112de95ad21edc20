#pragma once
// What the real viewer's pane shows over a session, read off the screen: the colours its
// middle pixel took, each with the first time it was seen.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/support/ViewerProcess.h"

namespace e2e {

// A 24-megapixel-sized JPEG of one colour (or any size), encoded by WIC.
std::string SolidJpeg(uint32_t width, uint32_t height, uint32_t rgb);

class PaneWatcher {
public:
    // Watches from now until Stop, every 2 ms.
    explicit PaneWatcher(const ViewerProcess& viewer);
    ~PaneWatcher() { Stop(); }
    PaneWatcher(const PaneWatcher&) = delete;
    PaneWatcher& operator=(const PaneWatcher&) = delete;
    void Stop();
    // Whether the pane showed this colour, give or take what JPEG coding changes.
    bool Saw(uint32_t rgb) const { return FirstSeen(rgb).has_value(); }
    // When it first showed it (GetTickCount), if it did.
    std::optional<DWORD> FirstSeen(uint32_t rgb) const;

private:
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<COLORREF, DWORD> m_seen;
    std::thread m_thread;
};

}  // namespace e2e
