// Start-up: from starting Ixo.exe in a folder that holds one 24-megapixel BMP to that
// picture on the screen, against the floor program (StartupFloor.exe) that registers a
// window, reads the same BMP and paints it fitted into a client area of the pane's size.
//
//   StartupBench [--reps N] [name prefix...]
//
// Measurement: startup.bmp. Both programs are timed alike, from CreateProcess until the
// screen pixel at the middle of the picture's area has the picture's colour; each is then
// closed with WM_CLOSE. The runs alternate, after one unmeasured run of each.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "bench/support/BenchSupport.h"
#include "bench/support/PictureFolders.h"
#include "framework/WinApp.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/TestSupport.h"

fw::CWinApp g_benchApp;

namespace {

constexpr double kGoal = 1.5;
constexpr DWORD kTimeoutMs = 60000;
// One colour all over: its middle is the same whatever the scaling.
constexpr int kRed = 0x3C, kGreen = 0x8C, kBlue = 0xD2;
constexpr char kPictureName[] = "start.bmp";
// The viewer's file list.
constexpr int kListId = 1000;

struct Folders {
    std::string pictures;  // Ixo.exe and the picture: the viewer lists the folder it starts from
    std::string work;      // the shipped plug-ins in SPI, as beside an installation
};

bool FillPictureFolder(const std::string& dir) {
    const std::string bytes = testdata::MakeBmp24(bench::kBigWidth, bench::kBigHeight,
                                                  [](int, int) { return testdata::Rgb(kRed, kGreen, kBlue); });
    return bench::WriteFileBytes(dir + "\\" + kPictureName, bytes.data(), bytes.size());
}

std::optional<Folders> PrepareFolders() {
    const std::string root = bench::DataDir() + "\\startup";
    Folders folders{root + "\\pics", root + "\\work"};
    char recipe[64];
    std::snprintf(recipe, sizeof recipe, "v1 %dx%d one colour", bench::kBigWidth, bench::kBigHeight);
    if (!bench::MakeDir(bench::DataDir()) || !bench::MakeDir(root) ||
        !bench::EnsureFolder(folders.pictures, recipe, FillPictureFolder) || !bench::MakeDir(folders.work) ||
        !bench::MakeDir(folders.work + "\\SPI")) {
        return std::nullopt;
    }
    // The program of this build, and the plug-ins it ships with.
    const std::string dist = test::BuildDir() + "\\dist";
    if (!::CopyFileA((dist + "\\Ixo.exe").c_str(), (folders.pictures + "\\Ixo.exe").c_str(), FALSE)) {
        return std::nullopt;
    }
    for (const std::string& name : test::ListNames(dist + "\\SPI")) {
        ::CopyFileA((dist + "\\SPI\\" + name).c_str(), (folders.work + "\\SPI\\" + name).c_str(), FALSE);
    }
    return folders;
}

struct FindData {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM param) {
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == data->pid && ::IsWindowVisible(hwnd)) {
        data->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Where the picture goes, in client coordinates: right of the file list when there is one.
RECT PictureArea(HWND hwnd) {
    RECT area{};
    ::GetClientRect(hwnd, &area);
    if (HWND list = ::GetDlgItem(hwnd, kListId)) {
        RECT window{}, listRect{};
        ::GetWindowRect(hwnd, &window);
        ::GetWindowRect(list, &listRect);
        area.left += listRect.right - window.left;
    }
    return area;
}

bool ShowsPicture(HWND hwnd) {
    const RECT area = PictureArea(hwnd);
    POINT middle{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    ::ClientToScreen(hwnd, &middle);
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, middle.x, middle.y);
    ::ReleaseDC(nullptr, screen);
    return colour == RGB(kRed, kGreen, kBlue);
}

struct Run {
    double ms = 0;
    RECT area{};  // the picture's area in the window
};

// Starts `commandLine` in `workDir`, times it until its picture shows, then closes it.
std::optional<Run> TimeToPicture(const std::string& exe, const std::string& commandLine, const std::string& workDir) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    const bench::Stopwatch watch;
    if (!::CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &startup,
                          &process)) {
        bench::PrintNote("cannot start %s", exe.c_str());
        return std::nullopt;
    }
    std::optional<Run> run;
    HWND hwnd = nullptr;
    while (watch.ElapsedMs() < kTimeoutMs && ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        if (hwnd == nullptr) {
            FindData data{process.dwProcessId, nullptr};
            ::EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&data));
            hwnd = data.found;
        }
        if (hwnd != nullptr && ShowsPicture(hwnd)) {
            run = Run{watch.ElapsedMs(), PictureArea(hwnd)};
            break;
        }
        ::Sleep(1);
    }
    if (!run) {
        bench::PrintNote("%s showed no picture within %lu ms", exe.c_str(), static_cast<unsigned long>(kTimeoutMs));
    }
    if (hwnd != nullptr) {
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 99);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!options.Wants("startup.bmp")) {
        return 0;
    }
    const std::optional<Folders> folders = PrepareFolders();
    if (!folders) {
        bench::PrintNote("startup.bmp: cannot make the folders below %s", bench::DataDir().c_str());
        return 1;
    }
    const std::string ixo = folders->pictures + "\\Ixo.exe";
    const std::string floorExe = test::ExeDir() + "StartupFloor.exe";
    const std::string picture = folders->pictures + "\\" + kPictureName;

    // The unmeasured first run of the viewer also gives the size of its picture area.
    const std::optional<Run> first = TimeToPicture(ixo, "\"" + ixo + "\"", folders->work);
    if (!first) {
        return 1;
    }
    char floorLine[MAX_PATH * 2 + 64];
    std::snprintf(floorLine, sizeof floorLine, "\"%s\" \"%s\" %ld %ld", floorExe.c_str(), picture.c_str(),
                  first->area.right - first->area.left, first->area.bottom - first->area.top);
    if (!TimeToPicture(floorExe, floorLine, folders->work)) {
        return 1;
    }
    bench::Samples ours, floor;
    for (int i = 0; i < options.reps; ++i) {
        const std::optional<Run> a = TimeToPicture(ixo, "\"" + ixo + "\"", folders->work);
        const std::optional<Run> b = TimeToPicture(floorExe, floorLine, folders->work);
        if (!a || !b) {
            return 1;
        }
        ours.Add(a->ms);
        floor.Add(b->ms);
    }
    bench::PrintRatio("startup.bmp", ours, floor, kGoal);
    bench::PrintNote("startup.bmp: a %dx%d 24-bit BMP shown in %ldx%ld, the viewer with the shipped plug-ins",
                     bench::kBigWidth, bench::kBigHeight, first->area.right - first->area.left,
                     first->area.bottom - first->area.top);
    return 0;
}
