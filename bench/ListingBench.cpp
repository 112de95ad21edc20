// Listing a big folder in the main window, against the platform floor: enumerating
// the folder and filling a hidden sorted list box with the names.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "mainwnd/ViewerDlg.h"
#include "bench/support/BenchSupport.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"

fw::CWinApp g_benchApp;

namespace {

constexpr double kGoal = 1.5;

// Empty files: a listing only looks at names. Half are BMP files, half go to the
// shipped plug-in; the names are scattered so that the enumeration order is not sorted.
bool FillListingFolder(const std::string& dir, int count) {
    for (int i = 0; i < count; ++i) {
        const unsigned scatter = static_cast<unsigned>(i) * 2654435761u;
        char name[64];
        std::snprintf(name, sizeof name, "%s_%08X_%05d.%s", i % 2 ? "IMG" : "pic", scatter, i, i % 2 ? "jpg" : "bmp");
        if (!bench::WriteFileBytes(dir + "\\" + name, "", 0)) {
            return false;
        }
    }
    return true;
}

// The floor: the names of the folder's files into a hidden sorted list box whose
// redrawing is off (even a hidden list box updates its scroll bar on every insert otherwise).
int ListIntoHiddenListBox(const std::string& dir, HWND parent) {
    HWND list = ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VSCROLL | LBS_SORT | LBS_HASSTRINGS, 0, 0, 200,
                                  400, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((dir + "\\*.*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                std::strcmp(found.cFileName, bench::kStampName) != 0) {
                ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
            }
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    ::DestroyWindow(list);
    return count;
}

void MeasureListing(CViewerDlg& dlg, const std::string& name, const std::string& dir, int files, int reps,
                    const std::string& emptyDir) {
    bench::Samples ours;
    bench::Samples floor;
    for (int rep = 0; rep < reps; ++rep) {
        // Alternate the order, so that neither side always finds a warmer cache.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (rep % 2 == 0)) {
                // The previous list is emptied outside the timing, as after a small folder.
                dlg.Folder().Open(fw::Widen932(emptyDir));
                bench::Stopwatch watch;
                dlg.Folder().Open(fw::Widen932(dir));
                ours.Add(watch.ElapsedMs());
                if (dlg.FileList().ListBox().GetCount() != files) {
                    bench::PrintNote("%s: the main window listed %d entries, expected %d", name.c_str(),
                                     dlg.FileList().ListBox().GetCount(), files);
                }
            } else {
                bench::Stopwatch watch;
                const int count = ListIntoHiddenListBox(dir, dlg.m_hWnd);
                floor.Add(watch.ElapsedMs());
                if (count != files) {
                    bench::PrintNote("%s: the floor listed %d entries, expected %d", name.c_str(), count, files);
                }
            }
        }
    }
    bench::PrintRatio(name, ours, floor, kGoal);
}

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!bench::EnterWorkFolderWithShippedPlugins()) {
        std::printf("listing: the shipped plug-ins are missing (build dist\\SPI first)\n");
        return 1;
    }
    struct Folder {
        const char* name;
        int files;
    };
    const Folder folders[] = {{"listing.10k", 10000}, {"listing.50k", 50000}};
    const std::string emptyDir = bench::DataDir() + "\\empty";
    bench::MakeDir(emptyDir);
    for (const Folder& folder : folders) {
        if (!options.Wants(folder.name)) {
            continue;
        }
        const std::string dir = bench::DataDir() + "\\" + folder.name;
        const int files = folder.files;
        if (!bench::EnsureFolder(dir, "empty bmp+jpg v1 " + std::to_string(files),
                                 [files](const std::string& d) { return FillListingFolder(d, files); })) {
            std::printf("%s: cannot make %s\n", folder.name, dir.c_str());
            return 1;
        }
    }
    bench::WithViewer([&](CViewerDlg& dlg) {
        if (dlg.GetPlugins().Count() == 0) {
            std::printf("listing: no plug-in loaded\n");
            return;
        }
        for (const Folder& folder : folders) {
            if (options.Wants(folder.name)) {
                MeasureListing(dlg, folder.name, bench::DataDir() + "\\" + folder.name, folder.files, options.reps,
                               emptyDir);
            }
        }
    });
    return 0;
}
