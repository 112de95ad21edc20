// Listing a big folder in the main window, against the platform floor: enumerating
// the folder and filling a hidden sorted list box with the names; the first picture of a
// very big folder against reading its first names; the whole of it against enumerating
// and sorting its names; and how soon a file made by another thread reaches the list,
// against the system's own notification.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "mainwnd/ViewerDlg.h"
#include "bench/support/BenchSupport.h"
#include "framework/MessagePump.h"
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
                dlg.Folder().FillToEnd();
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

// The floor of the first picture: the folder's first names, read as the listing reads them.
int ReadFirstNames(const std::string& dir, int count) {
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileExW(fw::Widen932(dir + "\\*.*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    int read = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            ++read;
        } while (read < count && ::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    return read;
}

// The floor of a whole listing: every name enumerated and sorted as the list sorts them.
size_t EnumerateAndSort(const std::string& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileExW(fw::Widen932(dir + "\\*.*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            names.emplace_back(found.cFileName);
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    return names.size();
}

// F5 in a folder of `files` pictures: until the first picture is painted (the command
// returns once it is), against reading the first part's names.
void MeasureFirstPicture(CViewerDlg& dlg, const std::string& name, const std::string& dir, int reps,
                         const std::string& emptyDir) {
    bench::Samples ours;
    bench::Samples floor;
    int shownFirst = 0;
    for (int rep = 0; rep < reps; ++rep) {
        dlg.Folder().Open(fw::Widen932(dir));
        dlg.Folder().FillToEnd();
        const std::wstring finalFirst = dlg.Folder().At(0)->name;
        bench::Stopwatch watch;
        dlg.Folder().Relist();
        ours.Add(watch.ElapsedMs());
        if (!dlg.Folder().IsFilling() || dlg.Pane().ShownPath().empty()) {
            bench::PrintNote("%s: the first picture was not shown before the rest was read", name.c_str());
        }
        shownFirst += dlg.Folder().At(0)->name == finalFirst ? 1 : 0;
        dlg.Folder().Open(fw::Widen932(emptyDir));
        watch.Restart();
        ReadFirstNames(dir, static_cast<int>(CFolder::kFirstNames));
        floor.Add(watch.ElapsedMs());
    }
    bench::PrintRatio(name, ours, floor, kGoal);
    bench::PrintNote("%s: the entry shown first was the complete list's first in %d of %d runs (else the selection "
                     "moved once, before any key)",
                     name.c_str(), shownFirst, reps);
}

void MeasureWholeListing(CViewerDlg& dlg, const std::string& name, const std::string& dir, int files, int reps,
                         const std::string& emptyDir) {
    bench::Samples ours;
    bench::Samples floor;
    for (int rep = 0; rep < reps; ++rep) {
        dlg.Folder().Open(fw::Widen932(emptyDir));
        bench::Stopwatch watch;
        dlg.Folder().Open(fw::Widen932(dir));
        dlg.Folder().FillToEnd();
        ours.Add(watch.ElapsedMs());
        if (dlg.Folder().Count() != files) {
            bench::PrintNote("%s: listed %d entries, expected %d", name.c_str(), dlg.Folder().Count(), files);
        }
        watch.Restart();
        EnumerateAndSort(dir);
        floor.Add(watch.ElapsedMs());
    }
    bench::PrintRatio(name, ours, floor, kGoal);
}

// The bytes allocated from the process's heaps now, block by block (the list's entries and
// the list box's rows alike come from them).
double HeapBytes() {
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
    double bytes = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!::HeapLock(heaps[i])) {
            continue;
        }
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                bytes += static_cast<double>(entry.cbData) + entry.cbOverhead;
            }
        }
        ::HeapUnlock(heaps[i]);
    }
    return bytes;
}

// The memory a listed folder takes: the process's peak, and what each entry costs beyond
// its name (the folder's entry and the list box's row, each holding the name once).
void MeasureListingMemory(CViewerDlg& dlg, const std::string& name, const std::string& dir,
                          const std::string& emptyDir) {
    dlg.Folder().Open(fw::Widen932(emptyDir));
    const double before = HeapBytes();
    dlg.Folder().Open(fw::Widen932(dir));
    dlg.Folder().FillToEnd();
    const double after = HeapBytes();
    const bench::MemoryUse use = bench::ReadMemoryUse();
    bench::PrintMemory(name, use.peakWorkingSetMiB, use.workingSetMiB);
    size_t nameBytes = 0;
    for (int i = 0; i < dlg.Folder().Count(); ++i) {
        nameBytes += (dlg.Folder().At(i)->name.size() + 1) * sizeof(wchar_t);
    }
    const double entries = std::max(1, dlg.Folder().Count());
    const double perEntry = (after - before) / entries;
    const double namesPerEntry = 2.0 * static_cast<double>(nameBytes) / entries;
    bench::PrintNote("%s: %.0f bytes per entry in all, %.0f of them the name twice (entry and row): %.0f beyond "
                     "the name (goal <= 200) %s",
                     name.c_str(), perEntry, namesPerEntry, perEntry - namesPerEntry,
                     perEntry - namesPerEntry <= 200 ? "ok" : "MISS");
    dlg.Folder().Open(fw::Widen932(emptyDir));
}

double NowMs() {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A file made by another thread, until its entry is in the list, against the moment a
// watch of the system's own (a thread waiting on the directory's notifications) hears of it.
void MeasureWatchAdd(CViewerDlg& dlg, const std::string& name, const std::string& dir, int reps) {
    constexpr double kGoalMs = 1000;
    bench::MakeDir(dir);
    dlg.Folder().Open(fw::Widen932(dir));
    if (!dlg.Folder().IsWatched()) {
        bench::PrintNote("%s: the folder cannot be watched", name.c_str());
        return;
    }
    bench::Samples ours;
    bench::Samples floor;
    for (int rep = 0; rep < reps; ++rep) {
        const std::wstring file = L"w" + std::to_wstring(::GetTickCount()) + L"_" + std::to_wstring(rep) + L".bmp";
        const std::wstring path = fw::Widen932(dir) + L"\\" + file;
        std::atomic<double> made{0};
        std::atomic<double> heard{0};
        HANDLE handle = ::CreateFileW(fw::Widen932(dir).c_str(), FILE_LIST_DIRECTORY,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        std::thread system([&] {
            alignas(DWORD) BYTE buffer[4096];
            DWORD bytes = 0;
            ::ReadDirectoryChangesW(handle, buffer, sizeof buffer, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, &bytes,
                                    nullptr, nullptr);
            heard = NowMs();
        });
        ::Sleep(50);  // both watches wait by now
        std::thread maker([&] {
            made = NowMs();
            HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            ::CloseHandle(f);
        });
        maker.join();
        double listed = 0;
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000;) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            fw::DrainQueue(fw::Input::kHandle);
            if (dlg.Folder().FindName(file) >= 0) {
                listed = NowMs();
                break;
            }
        }
        system.join();
        ::CloseHandle(handle);
        if (listed == 0) {
            bench::PrintNote("%s: the new file did not reach the list", name.c_str());
            continue;
        }
        ours.Add(listed - made);
        floor.Add(std::max(0.001, heard - made));
    }
    if (ours.Count() == 0) {
        return;
    }
    std::printf("%s: ours=%.1f floor=%.1f ratio=%.2f goal=%.0fms %s ours.min=%.1f ours.max=%.1f\n", name.c_str(),
                ours.Median(), floor.Median(), ours.Median() / floor.Median(), kGoalMs,
                ours.Median() <= kGoalMs ? "ok" : "MISS", ours.Min(), ours.Max());
    std::fflush(stdout);
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
    const Folder folders[] = {{"listing.10k", 10000}, {"listing.50k", 50000}, {"listing.100k", 100000}};
    const std::string emptyDir = bench::DataDir() + "\\empty";
    bench::MakeDir(emptyDir);
    for (const Folder& folder : folders) {
        const bool big = folder.files == 100000;
        if (!options.Wants(folder.name) &&
            !(big && (options.Wants("listing.first.100k") || options.Wants("listing.memory.100k")))) {
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
        const std::string big = bench::DataDir() + "\\listing.100k";
        for (const Folder& folder : folders) {
            if (folder.files == 100000) {
                if (options.Wants("listing.first.100k")) {
                    MeasureFirstPicture(dlg, "listing.first.100k", big, options.reps, emptyDir);
                }
                if (options.Wants(folder.name)) {
                    MeasureWholeListing(dlg, folder.name, big, folder.files, options.reps, emptyDir);
                }
                if (options.Wants("listing.memory.100k")) {
                    MeasureListingMemory(dlg, "listing.memory.100k", big, emptyDir);
                }
            } else if (options.Wants(folder.name)) {
                MeasureListing(dlg, folder.name, bench::DataDir() + "\\" + folder.name, folder.files, options.reps,
                               emptyDir);
            }
        }
        if (options.Wants("watch.add")) {
            MeasureWatchAdd(dlg, "watch.add", bench::DataDir() + "\\watch", options.reps);
        }
    });
    return 0;
}
