// A key held down over 24-megapixel JPEG files not read ahead yet, as a user holds Down to
// run through a folder or M to move one picture after another.
//
//   HeldKeyBench [--reps N] [held.down] [held.m]
//
// The key is pressed (real input, so the key state says it is held), repeated 30 times a
// second after 300 ms for 2 s, and let go (real input again). The repeats are posted into
// the viewer's queue by a thread of their own, with the repeat flag, as the system posts a
// held key's repeats whatever the window's thread is busy with. Each line gives, over the
// runs: the keys posted, the entries stepped (or pictures moved) by keys taken from the
// queue before the release and by those taken after it, and the longest time a key-down
// waited in the queue. Goals: at most 1 acted on after the release; Down steps at least 90 %
// of the keys posted by the release, and no Down waits longer than 100 ms.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "bench/support/PictureFolders.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "mainwnd/ViewerDlg.h"
#include "tests/win/support/TestSupport.h"

fw::CWinApp g_benchApp;

namespace {

constexpr int kPictures = 70;
constexpr DWORD kHoldMs = 2000;
constexpr DWORD kRepeatDelayMs = 300;
constexpr double kRepeatsPerSecond = 30;
constexpr DWORD kSettleMs = 4000;
constexpr double kMaxWaitMs = 100;
constexpr double kStepShare = 0.9;

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void SendKeyInput(WORD vk, bool down) {
    INPUT input = test::KeyInput(vk, down);
    ::SendInput(1, &input, sizeof input);
}

// One held key: what each key-down taken from the queue found, and when.
struct Taken {
    int number;       // 0 for the press, 1... for the posted repeats
    double at;        // when the window's thread took it from the queue
    int stateBefore;  // the selected index (Down) or the entries left (M) before it was handled
};

class HeldRun {
public:
    HeldRun(CViewerDlg& dlg, WORD vk) : m_dlg(dlg), m_vk(vk) {}

    // Presses the key and starts its repeats; the window's modal loop goes on meanwhile.
    void Start() {
        m_taken.clear();
        m_posted.clear();
        m_releasedAt = 1e300;
        s_run = this;
        m_hook = ::SetWindowsHookExW(WH_GETMESSAGE, &OnGetMessage, nullptr, ::GetCurrentThreadId());
        m_startedAt = NowMs();
        m_poster = ::CreateThread(nullptr, 0, &Post, this, 0, nullptr);
    }
    // Whether the key was let go long enough ago for whatever it left to be over.
    bool Settled() const { return NowMs() - m_startedAt > kHoldMs + kSettleMs; }
    void Finish() {
        ::WaitForSingleObject(m_poster, INFINITE);
        ::CloseHandle(m_poster);
        ::UnhookWindowsHookEx(m_hook);
        s_run = nullptr;
        m_final = State();
    }

    int Posted() const { return static_cast<int>(m_posted.size()); }
    // What the keys taken before (or after) the release did.
    int ActedOn(bool afterRelease) const {
        int acted = 0;
        for (size_t i = 0; i < m_taken.size(); ++i) {
            const int next = i + 1 < m_taken.size() ? m_taken[i + 1].stateBefore : m_final;
            if ((m_taken[i].at > m_releasedAt) == afterRelease) {
                acted += std::abs(next - m_taken[i].stateBefore);
            }
        }
        return acted;
    }
    double LongestWaitMs() const {
        double longest = 0;
        for (const Taken& t : m_taken) {
            if (t.number >= 0 && static_cast<size_t>(t.number) < m_posted.size()) {
                longest = std::max(longest, t.at - m_posted[static_cast<size_t>(t.number)]);
            }
        }
        return longest;
    }

private:
    int State() const {
        return m_vk == VK_DOWN ? m_dlg.Folder().SelectedIndex() : m_dlg.Folder().Count();
    }

    static LRESULT CALLBACK OnGetMessage(int code, WPARAM removed, LPARAM param) {
        const auto* msg = reinterpret_cast<const MSG*>(param);
        if (code == HC_ACTION && removed == PM_REMOVE && s_run != nullptr && msg->message == WM_KEYDOWN &&
            msg->wParam == s_run->m_vk) {
            // The posted repeats carry their number in the repeat count; the press has 1.
            const int count = static_cast<int>(msg->lParam & 0xFFFF);
            s_run->m_taken.push_back({count >= kFirstNumber ? count - kFirstNumber + 1 : 0, NowMs(), s_run->State()});
        }
        return ::CallNextHookEx(nullptr, code, removed, param);
    }

    static DWORD WINAPI Post(void* param) {
        auto& run = *static_cast<HeldRun*>(param);
        const HWND list = run.m_dlg.FileList().ListBox().GetSafeHwnd();
        const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(run.m_vk, MAPVK_VK_TO_VSC)) << 16;
        const double start = NowMs();
        run.m_posted.push_back(NowMs());
        SendKeyInput(run.m_vk, true);
        for (int n = 0;; ++n) {
            const double due = start + kRepeatDelayMs + n * 1000.0 / kRepeatsPerSecond;
            if (due >= start + kHoldMs) {
                break;
            }
            while (NowMs() < due) {
                ::Sleep(1);
            }
            run.m_posted.push_back(NowMs());
            ::PostMessageW(list, WM_KEYDOWN, run.m_vk, (kFirstNumber + n) | scan | (1 << 30));
        }
        while (NowMs() < start + kHoldMs) {
            ::Sleep(1);
        }
        run.m_releasedAt = NowMs();
        SendKeyInput(run.m_vk, false);
        return 0;
    }

    static constexpr int kFirstNumber = 100;
    static inline HeldRun* s_run = nullptr;
    CViewerDlg& m_dlg;
    WORD m_vk;
    std::vector<double> m_posted;  // written by the poster before the window's thread reads it
    std::vector<Taken> m_taken;
    double m_releasedAt = 1e300;
    double m_startedAt = 0;
    int m_final = 0;
    HHOOK m_hook = nullptr;
    HANDLE m_poster = nullptr;
};

void ShowFirst(CViewerDlg& dlg, const std::string& dir) {
    dlg.Folder().Open(fw::Widen932(dir));
    dlg.FileList().TakeFocus();
    ::SetForegroundWindow(dlg.GetSafeHwnd());
}

// The runs of one key, as steps of the window's script; the line is printed after the last.
class Measurement {
public:
    Measurement(CViewerDlg& dlg, std::string name, WORD vk, std::string dir)
        : m_dlg(dlg), m_name(std::move(name)), m_vk(vk), m_dir(std::move(dir)), m_run(dlg, vk) {}

    void AddSteps(test::ModalScript& script, int reps) {
        for (int rep = 0; rep < reps; ++rep) {
            script.Then([this, &script](fw::CDialog&) {
                if (m_moveDir.empty()) {
                    m_moveDir = bench::DataDir() + "\\held.moved";
                    bench::MakeDir(m_moveDir);
                    bench::PutBack(m_moveDir, m_dir);
                }
                m_dlg.GetSettings().m_strMoveDir = m_moveDir;
                ShowFirst(m_dlg, m_dir);
                m_run.Start();
                script.HoldUntil([this] { return m_run.Settled(); });
            });
            script.Then([this, rep](fw::CDialog&) {
                m_run.Finish();
                m_posted = m_run.Posted();
                m_fewestByRelease = std::min(m_fewestByRelease, m_run.ActedOn(false));
                m_mostAfter = std::max(m_mostAfter, m_run.ActedOn(true));
                m_longestWait = std::max(m_longestWait, m_run.LongestWaitMs());
                bench::PrintNote("%s run %d: posted %d, by the release %d, after it %d, longest wait %.0f ms",
                                 m_name.c_str(), rep + 1, m_run.Posted(), m_run.ActedOn(false), m_run.ActedOn(true),
                                 m_run.LongestWaitMs());
                bench::PutBack(m_moveDir, m_dir);
            });
        }
        script.Then([this](fw::CDialog&) { Print(); });
    }

private:
    void Print() const {
        const bool down = m_vk == VK_DOWN;
        const bool ok = m_mostAfter <= 1 &&
                        (!down || (m_fewestByRelease >= kStepShare * m_posted && m_longestWait <= kMaxWaitMs));
        std::printf("%s: posted=%d by_release.min=%d after.max=%d wait.max=%.0f goal=after<=1%s %s\n", m_name.c_str(),
                    m_posted, m_fewestByRelease, m_mostAfter, m_longestWait,
                    down ? ",by_release>=90%,wait<=100ms" : "", ok ? "ok" : "MISS");
        std::fflush(stdout);
    }

    CViewerDlg& m_dlg;
    std::string m_name;
    WORD m_vk;
    std::string m_dir;
    std::string m_moveDir;
    HeldRun m_run;
    int m_posted = 0;
    int m_fewestByRelease = 1 << 30;
    int m_mostAfter = 0;
    double m_longestWait = 0;
};

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!bench::EnterWorkFolderWithShippedPlugins()) {
        std::printf("held: the shipped plug-ins are missing (build dist\\SPI first)\n");
        return 1;
    }
    const std::string dir = bench::EnsureHeldKeyFolder(kPictures);
    if (dir.empty()) {
        std::printf("held: cannot make the folder of pictures\n");
        return 1;
    }
    test::PromptRecorder prompts;
    CViewerDlg dlg;
    test::ModalScript script;
    Measurement down(dlg, "held.down", VK_DOWN, dir);
    Measurement move(dlg, "held.m", 'M', dir);
    if (options.Wants("held.down")) {
        down.AddSteps(script, options.reps);
    }
    if (options.Wants("held.m")) {
        move.AddSteps(script, options.reps);
    }
    script.Run(dlg, 3600000);
    return 0;
}
