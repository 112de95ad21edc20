#include "bench/support/BenchSupport.h"

#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "framework/WideText.h"
#include "mainwnd/ViewerDlg.h"
#include "tests/win/support/TestSupport.h"

namespace bench {

namespace {

LARGE_INTEGER Frequency() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    return frequency;
}

std::vector<double> Sorted(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values;
}

std::string ReadSmallFile(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    char buffer[4096];
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    ::CloseHandle(file);
    return ok ? std::string(buffer, read) : std::string();
}

constexpr double kMiB = 1024.0 * 1024.0;

}  // namespace

void Stopwatch::Restart() {
    ::QueryPerformanceCounter(&m_start);
}

double Stopwatch::ElapsedMs() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - m_start.QuadPart) * 1000.0 / static_cast<double>(Frequency().QuadPart);
}

double Samples::Median() const {
    if (m_ms.empty()) {
        return 0;
    }
    const std::vector<double> s = Sorted(m_ms);
    const size_t n = s.size();
    return n % 2 == 1 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
}

double Samples::Min() const {
    return m_ms.empty() ? 0 : *std::min_element(m_ms.begin(), m_ms.end());
}

double Samples::Max() const {
    return m_ms.empty() ? 0 : *std::max_element(m_ms.begin(), m_ms.end());
}

void PrintRatio(const std::string& name, const Samples& ours, const Samples& floor, double goal) {
    const double ratio = floor.Median() > 0 ? ours.Median() / floor.Median() : 0;
    std::printf("%s: ours=%.1f floor=%.1f ratio=%.2f goal=%.2f %s ours.min=%.1f ours.max=%.1f floor.min=%.1f "
                "floor.max=%.1f n=%u\n",
                name.c_str(), ours.Median(), floor.Median(), ratio, goal, ratio <= goal ? "ok" : "MISS", ours.Min(),
                ours.Max(), floor.Min(), floor.Max(), static_cast<unsigned>(ours.Count()));
    std::fflush(stdout);
}

void PrintMemory(const std::string& name, double peakMiB, double afterMiB, double budgetMiB) {
    if (budgetMiB < 0) {
        std::printf("%s: peak=%.1f after=%.1f\n", name.c_str(), peakMiB, afterMiB);
        std::fflush(stdout);
        return;
    }
    std::printf("%s: peak=%.1f after=%.1f budget=%.1f %s\n", name.c_str(), peakMiB, afterMiB, budgetMiB,
                peakMiB <= budgetMiB && afterMiB <= budgetMiB ? "ok" : "MISS");
    std::fflush(stdout);
}

void PrintNote(const char* format, ...) {
    std::fputs("# ", stdout);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

MemoryUse ReadMemoryUse() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    MemoryUse use;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        use.workingSetMiB = static_cast<double>(counters.WorkingSetSize) / kMiB;
        use.peakWorkingSetMiB = static_cast<double>(counters.PeakWorkingSetSize) / kMiB;
    }
    return use;
}

bool Options::Wants(const std::string& name) const {
    if (only.empty()) {
        return true;
    }
    return std::any_of(only.begin(), only.end(), [&](const std::string& prefix) { return name.rfind(prefix, 0) == 0; });
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
            options.reps = std::max(1, std::atoi(argv[++i]));
        } else {
            options.only.emplace_back(argv[i]);
        }
    }
    return options;
}

std::string DataDir() {
    return test::BuildDir() + "\\bench-data";
}

bool EnsureFolder(const std::string& dir, const std::string& recipe,
                  const std::function<bool(const std::string&)>& fill) {
    const std::string stamp = dir + "\\" + kStampName;
    if (ReadSmallFile(stamp) == recipe) {
        return true;
    }
    PrintNote("making %s (once; kept for later runs)", dir.c_str());
    RemoveTree(dir);
    if (!MakeDir(dir) || !fill(dir)) {
        return false;
    }
    return WriteFileBytes(stamp, recipe.data(), recipe.size());
}

void PutBack(const std::string& moveDir, const std::string& dir) {
    for (const std::string& name : test::ListNames(moveDir)) {
        ::MoveFileW(fw::Widen932(moveDir + "\\" + name).c_str(), fw::Widen932(dir + "\\" + name).c_str());
    }
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = size == 0 || ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == size;
}

bool MakeDir(const std::string& path) {
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
        return true;
    }
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
    test::RemoveTree(path);
}

bool EnterWorkFolderWithShippedPlugins() {
    const std::string work = DataDir() + "\\work";
    const std::string spi = work + "\\SPI";
    const std::string shipped = test::BuildDir() + "\\dist\\SPI";
    if (!MakeDir(DataDir()) || !MakeDir(work) || !MakeDir(spi)) {
        return false;
    }
    bool any = false;
    for (const std::string& name : test::ListNames(shipped)) {
        any = ::CopyFileA((shipped + "\\" + name).c_str(), (spi + "\\" + name).c_str(), FALSE) || any;
    }
    return any && ::SetCurrentDirectoryA(work.c_str());
}

void WithViewer(const std::function<void(CViewerDlg&)>& body) {
    CViewerDlg dlg;
    // Long folders of big pictures: far beyond the tests' minute.
    test::ModalScript().Then([&](fw::CDialog&) { body(dlg); }).Run(dlg, 30 * 60 * 1000);
}

namespace {

constexpr UINT kMarkerMessage = WM_APP + 0x4D;

LRESULT CALLBACK MarkerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kMarkerMessage) {
        std::unique_ptr<std::function<void()>> handler(reinterpret_cast<std::function<void()>*>(lParam));
        (*handler)();
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MarkerWindow() {
    static HWND window = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = MarkerProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "IxoBenchMarker";
        ::RegisterClassA(&wc);
        return ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
    }();
    return window;
}

}  // namespace

void PostMarker(std::function<void()> handler) {
    auto* owned = new std::function<void()>(std::move(handler));
    if (!::PostMessageA(MarkerWindow(), kMarkerMessage, 0, reinterpret_cast<LPARAM>(owned))) {
        delete owned;
    }
}

}  // namespace bench
