// A held key under real key messages: its repeats act only while it is held, a repeated
// file command acts only on a picture that has been on screen, and stepping through slow
// pictures gives up their decodes (the plug-in hears it through its progress callback).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "image/Decode.h"
#include "image/DecodeThread.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;

class HeldKeys : public test::ViewerFixture {
protected:
    void WriteSlow(const std::string& name, uint32_t mode) const {
        test::WriteFileBytes(Pic(name), test::MakeSolidTestPicture(64, 48, 0x336699, mode));
    }
    // A script whose first step lists the picture folder with the move folder set.
    ModalScript Script() {
        ModalScript script;
        script.Then([this](fw::CDialog&) {
            m_dlg.GetSettings().m_strMoveDir = m_move.Path();
            m_dlg.Folder().Open(test::Wide(m_pics.Path()));
            m_dlg.FileList().ListBox().SetFocus();
        });
        return script;
    }
    std::string Selected() const { return test::Narrow(m_dlg.Folder().Selected()->Text()); }

    CViewerDlg m_dlg;
    test::TempDir m_move{"move"};
};

TEST_F(HeldKeys, RepeatsActWhileTheKeyIsHeldAndNotAfterItsRelease) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    ModalScript script = Script();
    script.Then([](fw::CDialog&) {
        // Pressed, then two repeats while it is still held: all three act.
        for (int i = 0; i < 3; ++i) {
            test::SendKey('M', true);
        }
    });
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp"}));
        // Two more repeats, queued ahead of the release: the user had let go when their
        // turn came. Then a fresh press, which counts.
        test::SendKey('M', true);
        test::SendKey('M', true);
        test::SendKey('M', false);
        test::SendKey('M', true);
        test::SendKey('M', false);
        // The same for the list's own keys: Down pressed anew moves, its leftover repeats do not.
        test::SendKey(VK_DOWN, true);
        test::SendKey(VK_DOWN, true);
        test::SendKey(VK_DOWN, true);
        test::SendKey(VK_DOWN, false);
    });
    script.Then([this](fw::CDialog&) { EXPECT_EQ(Selected(), "f.bmp"); });
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"e.bmp", "f.bmp"}));
}

// With the window's drawing held back, no picture reaches the screen: a held M stops at the
// picture it would move unseen, while a key pressed anew acts at once, as it always did.
TEST_F(HeldKeys, ARepeatedFileCommandActsOnlyOnAPictureThatWasPainted) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteBmp(name, 4, 3, 0x336699);
    }
    ModalScript script = Script();
    script.Then([this](fw::CDialog&) {
        m_dlg.SendMessage(WM_SETREDRAW, FALSE, 0);
        test::SendKey('M', true);
        test::SendKey('M', true);
        test::SendKey('M', true);
    });
    script.Then([this](fw::CDialog&) {
        EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp"})) << "b was never on screen";
        test::SendKey('M', false);
        test::SendKey('M', true);
        test::SendKey('M', false);
    });
    script.Then([this](fw::CDialog&) { m_dlg.SendMessage(WM_SETREDRAW, TRUE, 0); });
    script.Run(m_dlg);
    EXPECT_EQ(test::ListNames(m_move.Path()), (Strings{"a.bmp", "b.bmp"}));
}

// Every picture the pane has drawn some of on the screen.
class PaintLog {
public:
    explicit PaintLog(CViewerDlg& dlg) : m_dlg(dlg) {
        dlg.Pane().WatchDrawing([this](const std::wstring& path) { painted.insert(path); });
    }
    ~PaintLog() { m_dlg.Pane().WatchDrawing(nullptr); }
    PaintLog(const PaintLog&) = delete;
    PaintLog& operator=(const PaintLog&) = delete;
    std::set<std::wstring> painted;

private:
    CViewerDlg& m_dlg;
};

// Down held over pictures slower to decode than the keyboard repeats: each decode is given
// up as soon as the next step waits, so the keys keep up, and the picture where they stop
// is decoded and shown. A held M then moves only pictures that were painted first.
TEST_F(HeldKeys, SteppingGivesUpSlowDecodesAndAHeldMovePaintsFirst) {
    UsePlugins({"tpi"});
    for (const char* name : {"a.tpi", "b.tpi", "c.tpi", "d.tpi", "e.tpi", "f.tpi", "g.tpi"}) {
        WriteSlow(name, test::kTpSlowSilent);
    }
    std::optional<PaintLog> paints;
    DWORD sent = 0;
    ModalScript script = Script();
    script.Then([&](fw::CDialog&) {
        paints.emplace(m_dlg);
        sent = ::GetTickCount();
        // Pressed, then four repeats while it is held.
        for (int i = 0; i < 5; ++i) {
            test::SendKey(VK_DOWN, true);
        }
        script.HoldUntil([&] { return Selected() == "f.tpi" && m_dlg.Pane().HoldsPicture(); });
    });
    script.Then([&](fw::CDialog&) {
        const DWORD took = ::GetTickCount() - sent;
        test::SendKey(VK_DOWN, false);
        EXPECT_EQ(Selected(), "f.tpi");
        EXPECT_EQ(m_dlg.Pane().ShownPath(), test::Wide(Pic("f.tpi")));
        // Five decodes one after another would take five pauses; a step given up early costs
        // at most the rest of one decode already running.
        EXPECT_LT(took, 3 * test::kTpSilentMs) << "the steps waited for the decodes they passed";
        EXPECT_FALSE(paints->painted.contains(test::Wide(Pic("c.tpi"))));
        test::SendKey('M', true);
        test::SendKey('M', true);
    });
    script.Then([](fw::CDialog&) { test::SendKey('M', false); });
    script.Run(m_dlg, 30000);
    const Strings moved = test::ListNames(m_move.Path());
    EXPECT_EQ(moved, (Strings{"f.tpi", "g.tpi"}));
    for (const std::string& name : moved) {
        EXPECT_TRUE(paints->painted.contains(test::Wide(Pic(name)))) << name << " was moved unseen";
    }
}

// Down typed, not held, three times faster than the pictures decode: every picture
// it goes to is painted, none is passed over.
TEST_F(HeldKeys, TypedDownShowsEveryPicture) {
    UsePlugins({"tpi"});
    for (const char* name : {"a.tpi", "b.tpi", "c.tpi", "d.tpi"}) {
        WriteSlow(name, test::kTpSlowSilent);
    }
    std::optional<PaintLog> paints;
    ModalScript script = Script();
    script.Then([&](fw::CDialog&) {
        paints.emplace(m_dlg);
        for (int i = 0; i < 3; ++i) {
            test::SendKey(VK_DOWN, true);
            test::SendKey(VK_DOWN, false);
        }
        script.HoldUntil([&] { return Selected() == "d.tpi" && paints->painted.contains(test::Wide(Pic("d.tpi"))); });
    });
    script.Run(m_dlg, 30000);
    for (const char* name : {"b.tpi", "c.tpi"}) {
        EXPECT_TRUE(paints->painted.contains(test::Wide(Pic(name)))) << name << " was passed over";
    }
}

// When each Down was sent and when the window's thread took it from its queue.
struct DownTimes {
    static LRESULT CALLBACK OnGetMessage(int code, WPARAM removed, LPARAM param) {
        const auto* msg = reinterpret_cast<const MSG*>(param);
        if (code == HC_ACTION && removed == PM_REMOVE && msg->message == WM_KEYDOWN && msg->wParam == VK_DOWN) {
            const std::lock_guard lock(s_lock);
            s_taken.push_back(::GetTickCount());
        }
        return ::CallNextHookEx(nullptr, code, removed, param);
    }
    static void Send() {
        {
            const std::lock_guard lock(s_lock);
            s_sent.push_back(::GetTickCount());
        }
        test::SendKey(VK_DOWN, true);
    }
    static size_t Taken() {
        const std::lock_guard lock(s_lock);
        return s_taken.size();
    }
    static void Clear() {
        const std::lock_guard lock(s_lock);
        s_sent.clear();
        s_taken.clear();
    }
    // The longest a repeat waited once it was sent and the key before it had been taken:
    // the press waits for the picture it goes to, as a key typed does, and the repeats
    // queued meanwhile wait behind it.
    static DWORD LongestRepeatWait() {
        const std::lock_guard lock(s_lock);
        DWORD longest = 0;
        for (size_t i = 1; i < s_sent.size() && i < s_taken.size(); ++i) {
            longest = std::max(longest, s_taken[i] - std::max(s_sent[i], s_taken[i - 1]));
        }
        return longest;
    }
    static inline std::mutex s_lock;
    static inline std::vector<DWORD> s_sent;
    static inline std::vector<DWORD> s_taken;
};

// Down held over slow pictures, its repeats coming while a decode given up still runs out
// in a plug-in that reports no progress: each key is taken at once, none waits for that
// decode (the next picture's header is read on the decode thread, behind it).
TEST_F(HeldKeys, ARepeatDoesNotWaitForADecodeItGaveUp) {
    UsePlugins({"tpi"});
    // Down pressed and repeated in `dir`, a sixth of a silent decode apart, until it reaches
    // e.tpi; the longest a repeat waited in the queue.
    const auto longestWait = [](const std::string& dir) {
        DownTimes::Clear();
        CViewerDlg dlg;
        const HHOOK hook =
            ::SetWindowsHookExW(WH_GETMESSAGE, &DownTimes::OnGetMessage, nullptr, ::GetCurrentThreadId());
        std::thread keyboard;
        ModalScript script;
        script.Then([&](fw::CDialog&) {
            keyboard = std::thread([] {
                for (int i = 0; i < 4; ++i) {
                    ::Sleep(test::kTpSilentMs / 6);
                    DownTimes::Send();
                }
            });
            dlg.FileList().ListBox().SetFocus();
            dlg.Folder().Open(test::Wide(dir));
            script.HoldUntil([&] {
                return DownTimes::Taken() >= 4 && dlg.Folder().Selected() != nullptr &&
                       dlg.Folder().Selected()->name == L"e.tpi";
            });
        });
        script.Then([&](fw::CDialog&) { test::SendKey(VK_DOWN, false); });
        script.Run(dlg, 30000);
        keyboard.join();
        ::UnhookWindowsHookEx(hook);
        EXPECT_EQ(DownTimes::Taken(), 4u);
        return DownTimes::LongestRepeatWait();
    };
    // What a key costs in this run over pictures that decode at once: natively a few
    // milliseconds, many more where the viewer runs through an emulator.
    test::TempDir fast("fast");
    for (const char* name : {"a.tpi", "b.tpi", "c.tpi", "d.tpi", "e.tpi"}) {
        test::WriteFileBytes(fast / name, test::MakeSolidTestPicture(64, 48, 0x336699, test::kTpBottomUp24));
        WriteSlow(name, test::kTpSlowSilent);
    }
    const DWORD keyCost = longestWait(fast.Path());
    // Over the slow pictures no key waits for a given-up decode: half of one is never spent.
    EXPECT_LT(longestWait(m_pics.Path()), test::kTpSilentMs / 2 + keyCost)
        << "a key waited for a given-up decode (a key costs " << keyCost << " ms here)";
}

// A decode given up by its caller: a plug-in that reports progress is told to stop at its
// next report and leaves the decode thread at once; one that reports nothing runs out its
// call, but its caller does not wait for it.
TEST_F(HeldKeys, AGivenUpDecodeStopsAtThePluginsNextReport) {
    UsePlugins({"tpi"});
    WriteSlow("rows.tpi", test::kTpSlowRows);
    WriteSlow("silent.tpi", test::kTpSlowSilent);
    WithViewer([&](CViewerDlg& dlg) {
        std::map<std::string, DWORD> runOut;
        for (const std::string name : {"rows.tpi", "silent.tpi"}) {
            const DWORD start = ::GetTickCount();
            const KeepGoing givesUp = [start] { return ::GetTickCount() - start < 30; };
            const DecodeOutcome outcome =
                DecodePicture(test::Wide(Pic(name)), dlg.GetPlugins().DecoderFor(test::Wide(name)), nullptr, givesUp);
            EXPECT_EQ(outcome.failure, DecodeFailure::kStopped) << name;
            EXPECT_LT(::GetTickCount() - start, 150u) << name << ": the caller waited for the plug-in";
            const DWORD abandoned = ::GetTickCount();
            decode_thread::WaitUntilIdle();
            runOut[name] = ::GetTickCount() - abandoned;
        }
        EXPECT_LT(runOut["rows.tpi"], 60u) << "the progress callback did not stop the plug-in";
        EXPECT_GT(runOut["silent.tpi"], 200u);
        // Given time, the same files decode.
        const DecodeOutcome whole =
            DecodePicture(test::Wide(Pic("rows.tpi")), dlg.GetPlugins().DecoderFor(std::wstring(L"x.tpi")), nullptr);
        EXPECT_FALSE(whole.failure);
    });
}

}  // namespace
