// Writing the shown 24-megapixel picture as a wallpaper file, against the platform floor:
// writing a file of the same size from memory through a temporary file that replaces the
// target, which is what every generated file costs.
//
//   WallpaperBench [--reps N] [name prefix...]
//
// Measurements: wallpaper.bmp and wallpaper.jpg, the picture held by the BMP reader or by
// the shipped plug-in.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "bench/support/BenchSupport.h"
#include "bench/support/PictureFolders.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "mainwnd/ViewerDlg.h"
#include "portable/PathUtil.h"
#include "tests/win/support/TestSupport.h"

fw::CWinApp g_benchApp;

namespace {

constexpr double kGoal = 1.3;
constexpr DWORD kChunk = 1u << 20;

// The floor: `size` bytes written in 1 MiB pieces to a temporary file beside `target`,
// which then replaces it.
bool WriteFloor(const std::string& target, uint64_t size, const uint8_t* chunk) {
    char temp[MAX_PATH + 16] = {};
    if (::GetTempFileNameA(target.substr(0, target.rfind('\\') + 1).c_str(), "flr", 0, temp) == 0) {
        return false;
    }
    HANDLE file = ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = file != INVALID_HANDLE_VALUE;
    for (uint64_t done = 0; ok && done < size;) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(kChunk, size - done));
        DWORD written = 0;
        ok = ::WriteFile(file, chunk, want, &written, nullptr) && written == want;
        done += want;
    }
    if (file != INVALID_HANDLE_VALUE) {
        ok = ::CloseHandle(file) && ok;
    }
    ok = ok && ::MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        ::DeleteFileA(temp);
    }
    return ok;
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void Measure(CViewerDlg& dlg, const std::string& dir, const std::string& picture, const char* name, int reps) {
    dlg.Folder().Open(fw::Widen932(dir));
    dlg.FileList().ListBox().SelectString(-1, picture);
    dlg.Pane().ShowSelected();
    const std::string target = bench::DataDir() + "\\wallpaper-out\\" + name + ".BMP";
    // The floor writes a file of its own: the viewer replaces only a wallpaper it wrote.
    const std::string floorTarget = bench::DataDir() + "\\wallpaper-out\\" + name + ".floor.BMP";
    bench::MakeDir(bench::DataDir() + "\\wallpaper-out");
    ::DeleteFileA(target.c_str());  // left by a run broken off
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kChunk]());
    bench::Samples ours;
    bench::Samples floor;
    // The first round only warms the caches.
    for (int rep = 0; rep <= reps; ++rep) {
        bench::Stopwatch watch;
        const bool written = dlg.Wallpaper().MakeWallpaper(CWallpaper::Desktop::kKeep, fw::Widen932(target)).IsDone();
        const double oursMs = watch.ElapsedMs();
        const uint64_t size = FileSize(target);
        watch.Restart();
        const bool floorWritten = WriteFloor(floorTarget, size, chunk.get());
        const double floorMs = watch.ElapsedMs();
        if (!written || size == 0 || !floorWritten) {
            bench::PrintNote("%s: the wallpaper file of %s could not be written", name, picture.c_str());
            return;
        }
        if (rep > 0) {
            ours.Add(oursMs);
            floor.Add(floorMs);
        }
    }
    bench::PrintNote("%s: %.0f MB", name, static_cast<double>(FileSize(target)) / 1e6);
    bench::PrintRatio(name, ours, floor, kGoal);
    ::DeleteFileA(target.c_str());
    ::DeleteFileA(floorTarget.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!bench::EnterWorkFolderWithShippedPlugins()) {
        std::printf("wallpaper: the shipped plug-ins are missing (build dist\\SPI first)\n");
        return 1;
    }
    const std::string dir = bench::EnsureBigPictureFolder();
    if (dir.empty()) {
        std::printf("wallpaper: cannot make the folder of big pictures\n");
        return 1;
    }
    test::PromptRecorder prompts;
    bench::WithViewer([&](CViewerDlg& dlg) {
        if (options.Wants("wallpaper.bmp")) {
            Measure(dlg, dir, "a0.bmp", "wallpaper.bmp", options.reps);
        }
        if (options.Wants("wallpaper.jpg")) {
            Measure(dlg, dir, "b0.jpg", "wallpaper.jpg", options.reps);
        }
    });
    return 0;
}
