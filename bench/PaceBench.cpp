// Sorting at the user's pace: a key typed (not held) every 250 ms, twelve times, over thirty
// 24-megapixel JPEG files, the first picture painted and nothing read ahead yet.
//
//   PaceBench [--reps N] [pace.m.jpg] [pace.down.jpg]
//
// pace.m.jpg: M; ours is the time from the first key until the twelfth picture has moved.
// pace.down.jpg: Down; ours is the time until the twelfth picture after the first has been
// painted. The floor of both is twelve full decodes of such a JPEG to 24-bit rows through
// the system's codec, one after another on one thread. Goal: 0.6 (the read-ahead's workers
// decode on the other cores meanwhile). Each also prints the peak working set against the
// budget of three pictures with their copies scaled to the pane and 64 MiB.
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "bench/support/PictureFolders.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "mainwnd/ViewerDlg.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

fw::CWinApp g_benchApp;

namespace {

constexpr int kPictures = 30;
constexpr int kKeys = 12;
constexpr DWORD kKeyEveryMs = 250;
constexpr DWORD kGiveUpMs = 60000;
constexpr double kGoal = 0.6;

std::string EnsurePaceFolder() {
    const std::string dir = bench::DataDir() + "\\pace.24mp";
    char recipe[96];
    std::snprintf(recipe, sizeof recipe, "v1 %dx%d jpeg x%d", bench::kBigWidth, bench::kBigHeight, kPictures);
    const auto fill = [](const std::string& folder) {
        std::string why;
        const std::string bytes = test::EncodeWithWic(
            test::WicFormat::kJpeg, bench::kBigWidth, bench::kBigHeight,
            [](int x, int y) { return 0xFF000000u | static_cast<uint32_t>((x * 7) ^ (y * 13) ^ (x * y)); }, &why);
        if (bytes.empty()) {
            bench::PrintNote("cannot encode a JPEG: %s", why.c_str());
            return false;
        }
        for (int i = 0; i < kPictures; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "p%03d.jpg", i);
            if (!bench::WriteFileBytes(folder + "\\" + name, bytes.data(), bytes.size())) {
                return false;
            }
        }
        return true;
    };
    return bench::MakeDir(bench::DataDir()) && bench::EnsureFolder(dir, recipe, fill) ? dir : std::string();
}

// Twelve decodes of the first picture by the system's codec, `reps` times; empty when it
// cannot decode it. Measured before the viewer holds anything: the peak working set is the
// process's own since it started, and the runs' is judged.
bench::Samples MeasureFloor(const std::string& dir, int reps) {
    bench::Samples floor;
    std::vector<BYTE> rows;
    const std::wstring first = fw::Widen932(dir + "\\p000.jpg");
    for (int rep = 0; rep < std::max(1, reps); ++rep) {
        bench::Stopwatch watch;
        for (int i = 0; i < kKeys; ++i) {
            if (!test::DecodeWithWic(first, rows)) {
                return {};
            }
        }
        floor.Add(watch.ElapsedMs());
    }
    return floor;
}

class PaceRun {
public:
    PaceRun(CViewerDlg& dlg, std::string name, WORD vk, std::string dir, const bench::Samples& floor)
        : m_dlg(dlg), m_name(std::move(name)), m_vk(vk), m_dir(std::move(dir)), m_floor(floor) {}

    void AddSteps(test::ModalScript& script, int reps) {
        for (int rep = 0; rep < reps; ++rep) {
            script.Then([this, &script](fw::CDialog&) {
                Start();
                script.HoldUntil([this] { return m_doneAt > 0 || m_watch.ElapsedMs() > kGiveUpMs; });
            });
            script.Then([this](fw::CDialog&) { Finish(); });
        }
        script.Then([this](fw::CDialog&) { Print(); });
    }

private:
    void Start() {
        m_moveDir = bench::DataDir() + "\\pace.moved";
        bench::MakeDir(m_moveDir);
        bench::PutBack(m_moveDir, m_dir);
        m_dlg.GetSettings().m_strMoveDir = m_moveDir;
        m_dlg.Folder().Open(fw::Widen932(m_dir));  // the first is painted; nothing is read ahead yet
        m_dlg.FileList().TakeFocus();
        m_start = m_dlg.Folder().Count();
        m_doneAt = 0;
        m_painted.clear();
        m_dlg.Pane().WatchDrawing([this](const std::wstring& path) { OnDrawn(path); });
        m_watch.Restart();
        m_poster = ::CreateThread(nullptr, 0, &Post, this, 0, nullptr);
    }
    void OnDrawn(const std::wstring& path) {
        if (m_doneAt > 0) {
            return;
        }
        if (m_vk == 'M' ? m_dlg.Folder().Count() <= m_start - kKeys : m_dlg.Folder().SelectedIndex() >= kKeys) {
            m_doneAt = m_watch.ElapsedMs();
        }
        if (m_painted.empty() || m_painted.back() != path) {
            m_painted.push_back(path);
        }
    }
    void Finish() {
        ::WaitForSingleObject(m_poster, INFINITE);
        ::CloseHandle(m_poster);
        m_dlg.Pane().WatchDrawing(nullptr);
        if (m_doneAt > 0) {
            m_ours.Add(m_doneAt);
        }
        bench::PrintNote("%s: %.0f ms, %d pictures painted, %d left in the folder", m_name.c_str(), m_doneAt,
                         static_cast<int>(m_painted.size()), m_dlg.Folder().Count());
        m_peakMiB = bench::ReadMemoryUse().peakWorkingSetMiB;
        bench::PutBack(m_moveDir, m_dir);
    }
    void Print() {
        if (m_floor.Count() == 0) {
            std::printf("%s: the system's codec cannot decode the picture\n", m_name.c_str());
            return;
        }
        bench::PrintRatio(m_name, m_ours, m_floor, kGoal);
        bench::PrintNote("%s: the read-ahead's workers: %u (the machine's cores less one); %u decoding at once at most",
                         m_name.c_str(), CAheadWorkers::ThreadCount(), m_dlg.Pane().MostReadAtOnce());
        const double pictureMiB = 4.0 * bench::kBigWidth * bench::kBigHeight / (1 << 20);
        const SIZE fitted = m_dlg.Pane().FittedSizeOf(m_dlg.Pane().ShownPicture());
        const double fittedMiB = 4.0 * fitted.cx * fitted.cy / (1 << 20);
        bench::PrintMemory(m_name + ".memory", m_peakMiB, bench::ReadMemoryUse().workingSetMiB,
                           3 * (pictureMiB + fittedMiB) + 64);
    }

    // Typed as a keyboard types them: input comes after the messages the window has
    // posted itself, where keys posted as messages would come before them.
    static DWORD WINAPI Post(void* param) {
        auto& run = *static_cast<PaceRun*>(param);
        bench::Stopwatch watch;
        for (int n = 0; n < kKeys; ++n) {
            while (watch.ElapsedMs() < n * static_cast<double>(kKeyEveryMs)) {
                ::Sleep(1);
            }
            test::SendKey(run.m_vk, true);
            test::SendKey(run.m_vk, false);
        }
        return 0;
    }

    CViewerDlg& m_dlg;
    std::string m_name;
    WORD m_vk;
    std::string m_dir;
    std::string m_moveDir;
    const bench::Samples& m_floor;
    int m_start = 0;
    double m_doneAt = 0;
    double m_peakMiB = 0;
    std::vector<std::wstring> m_painted;
    bench::Stopwatch m_watch;
    bench::Samples m_ours;
    HANDLE m_poster = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!bench::EnterWorkFolderWithShippedPlugins()) {
        std::printf("pace: the shipped plug-ins are missing (build dist\\SPI first)\n");
        return 1;
    }
    const std::string dir = EnsurePaceFolder();
    if (dir.empty()) {
        std::printf("pace: cannot make the folder of pictures\n");
        return 1;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bench::Samples floor = MeasureFloor(dir, options.reps);
    test::PromptRecorder prompts;
    CViewerDlg dlg;
    test::ModalScript script;
    PaceRun move(dlg, "pace.m.jpg", 'M', dir, floor);
    PaceRun down(dlg, "pace.down.jpg", VK_DOWN, dir, floor);
    if (options.Wants("pace.m.jpg")) {
        move.AddSteps(script, options.reps);
    }
    if (options.Wants("pace.down.jpg")) {
        down.AddSteps(script, options.reps);
    }
    script.Run(dlg, 3600000);
    return 0;
}
