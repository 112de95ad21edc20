#include "tests/e2e/support/PaneWatcher.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/win/support/WicPictures.h"

namespace e2e {

std::string SolidJpeg(uint32_t width, uint32_t height, uint32_t rgb) {
    std::string why;
    std::string bytes = test::EncodeWithWic(
        test::WicFormat::kJpeg, width, height, [rgb](int, int) { return 0xFF000000u | rgb; }, &why);
    EXPECT_FALSE(bytes.empty()) << why;
    return bytes;
}

PaneWatcher::PaneWatcher(const ViewerProcess& viewer) {
    const RECT pane = viewer.PaneRect();
    m_thread = std::thread([this, &viewer, x = (pane.left + pane.right) / 2, y = (pane.top + pane.bottom) / 2] {
        while (!m_stop) {
            // The time the read began: the colour it finds was painted by the read's end at
            // the latest, so a read that takes long under load does not make it look late.
            const DWORD now = ::GetTickCount();
            const COLORREF seen = viewer.Pixel(x, y);
            {
                std::lock_guard lock(m_mutex);
                m_seen.emplace(seen, now);
            }
            ::Sleep(2);
        }
    });
}

void PaneWatcher::Stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::optional<DWORD> PaneWatcher::FirstSeen(uint32_t rgb) const {
    std::lock_guard lock(m_mutex);
    std::optional<DWORD> first;
    for (const auto& [seen, at] : m_seen) {
        if (std::abs(GetRValue(seen) - static_cast<int>(rgb >> 16)) <= 6 &&
            std::abs(GetGValue(seen) - static_cast<int>((rgb >> 8) & 0xFF)) <= 6 &&
            std::abs(GetBValue(seen) - static_cast<int>(rgb & 0xFF)) <= 6 &&
            (!first || at < *first)) {
            first = at;
        }
    }
    return first;
}

}  // namespace e2e
