// Going from one 24-megapixel picture to the next in the main window, against the
// platform floor (decoding the picture and stretching it into the pane, nothing else),
// and the memory the window holds while paging through such pictures.
//
//   PictureBench [--reps N] [name prefix...]
//
// Measurements (a name prefix selects them; all run when none is given):
//   next.select.bmp/.jpg  selecting the next entry as the list's selection change does
//                         (SelectNextEntry), until the window is painted
//   next.key.down.bmp/.jpg  Down posted to the file list and handled by the window's modal
//                         loop and key dispatcher, until the window is painted. Each key comes
//                         30 ms after the picture before it was painted, from a thread of its
//                         own, as the keyboard's auto-repeat sends keys faster than pictures
//                         decode: whatever the window began in idle time must give way to it.
//   next.key.m.bmp/.jpg   M the same way: the shown picture moves into m_strMoveDir and the
//                         next one is shown
//   next.ahead.key.down/.m.bmp/.jpg  the same keys with a pause after each picture longer
//                         than decoding it, judged against the floors of a key (Down against
//                         floor.key.blit, M against floor.key.move.blit); against one blit
//                         into the pane, after idling as long, of a bitmap of the same picture
//                         already scaled to the pane (the floor.blit lines) as notes
//   next.ahead.key.ignored, floor.key.blit, floor.key.move.blit  the floors of a key: one
//                         no command takes, and a key to a bare window painted with one
//                         blit, without and with a file renamed (see KeyFloorRun)
//   memory                working set while paging (run it in a process of its own: the peak
//                         is the process's); memory.ahead the same with the idle read-ahead
//                         run after each picture. Judged against three pictures, their copies
//                         scaled to the pane and 64 MiB
//
//   pass.list.bmp/.jpg    a size-judged pass over the list of 200 small pictures, all of
//                         which it deletes, against decoding, drawing and deleting each one
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "bench/support/PictureFolders.h"
#include "framework/Gdi.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "image/BmpImage.h"
#include "image/PaneGeometry.h"
#include "image/SpiApi.h"
#include "mainwnd/ViewerDlg.h"
#include "portable/PathUtil.h"
#include "res/resource.h"
#include "tests/data/BmpFiles.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

fw::CWinApp g_benchApp;

namespace {

constexpr double kGoal = 1.1;

enum Kind { kBmp = 0, kJpeg = 1 };
const char* const kKindSuffix[] = {"bmp", "jpg"};

Kind KindOf(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".bmp") == 0 ? kBmp : kJpeg;
}

// The main window brought up to date on screen, the file list included.
void Paint(CViewerDlg& dlg) {
    ::UpdateWindow(dlg.m_hWnd);
    ::UpdateWindow(dlg.FileList().ListBox().m_hWnd);
}

bool PictureShown(CViewerDlg& dlg) {
    return dlg.Pane().HoldsPicture();
}

// Where a picture lies fitted into the pane, in the pane's own client coordinates: the pane
// is a child window, clipped out of the main window's device contexts, and a picture drawn
// through one of those would cost nothing.
RECT FitInPane(CViewerDlg& dlg, int width, int height) {
    const RECT pane = dlg.Pane().GetClientRect();
    const PaneRect fit = CalcFitRect(PaneRect{0, 0, width, height}, PaneRect{pane.left, pane.top, pane.right, pane.bottom});
    return RECT{fit.left, fit.top, fit.right, fit.bottom};
}

// A picture stretched once, before any timing, into a bitmap of the display's format and
// of the size it takes in the pane: drawing it is one blit of the pane's own pixels.
class PaneSizedBitmap {
public:
    PaneSizedBitmap(HDC dc, const RECT& dst, const std::function<void(HDC, const RECT&)>& stretch)
        : m_memory(dc), m_dst(dst) {
        m_bitmap.Reset(::CreateCompatibleBitmap(dc, Width(), Height()));
        m_old = ::SelectObject(m_memory, m_bitmap.Get());
        stretch(m_memory, RECT{0, 0, Width(), Height()});
        ::GdiFlush();
    }
    PaneSizedBitmap(const PaneSizedBitmap&) = delete;
    PaneSizedBitmap& operator=(const PaneSizedBitmap&) = delete;
    ~PaneSizedBitmap() { ::SelectObject(m_memory, m_old); }
    void Blit(HDC dc) const { ::BitBlt(dc, m_dst.left, m_dst.top, Width(), Height(), m_memory, 0, 0, SRCCOPY); }

private:
    int Width() const { return m_dst.right - m_dst.left; }
    int Height() const { return m_dst.bottom - m_dst.top; }
    fw::CMemoryDC m_memory;
    RECT m_dst;
    fw::CGdiObject<HBITMAP> m_bitmap;
    HGDIOBJ m_old = nullptr;
};

// The floor of showing a picture: decoding it and stretching it into the pane, timed
// in two sections so that a miss can be traced to one of them. With a blit floor, the
// drawing section is one blit of the picture already scaled to the pane.
class Floor {
public:
    explicit Floor(CViewerDlg& dlg) : m_dlg(dlg) {}
    void BlitPaneSized(bool blit) { m_blit = blit; }
    ~Floor() {
        if (m_spi != nullptr) {
            ::FreeLibrary(m_spi);
        }
    }

    // Milliseconds for the picture at `path`; negative when it could not be decoded. With
    // `idleMs`, the thread idles that long between decoding and drawing, as the window
    // idles between reading a picture ahead and the key that shows it: on a machine shared
    // with others, memory and caches left alone for a while are slow to touch again, and
    // the floor of drawing after a pause must pay that as the window does.
    double Measure(const std::string& path, Kind kind, DWORD idleMs = 0) {
        return kind == kBmp ? MeasureBmp(path, idleMs) : MeasureJpeg(path, idleMs);
    }
    const bench::Samples& DecodeMs(Kind kind) const { return m_decode[kind]; }
    const bench::Samples& StretchMs(Kind kind) const { return m_stretch[kind]; }
    // The sections of the last Measure.
    double LastDecodeMs() const { return m_lastDecode; }
    double LastStretchMs() const { return m_lastStretch; }
    // Drawing the last picture again at once, without idling before it.
    double LastRedrawMs() const { return m_lastRedraw; }

private:
    double MeasureBmp(const std::string& path, DWORD idleMs) {
        fw::CClientDC dc(m_dlg.Pane().m_hWnd);
        bench::Stopwatch watch;
        const DecodeOutcome read = CBmpImage::Read(path, dc);
        if (!read) {
            return -1;
        }
        const CPicture& image = read.picture;
        const double decoded = watch.ElapsedMs();
        const RECT dst = FitInPane(m_dlg, image.Width(), image.Height());
        const auto stretch = [&](HDC to, const RECT& where) {
            image.Draw(to, RECT{0, 0, image.Width(), image.Height()}, where);
        };
        std::optional<PaneSizedBitmap> scaled;
        if (m_blit) {
            scaled.emplace(dc, dst, stretch);
        }
        const auto draw = [&] {
            scaled ? scaled->Blit(dc) : stretch(dc, dst);
            ::GdiFlush();
        };
        return Note(kBmp, decoded, idleMs, draw);
    }

    // Straight through the plug-in's GetPicture export, as its own library reference.
    double MeasureJpeg(const std::string& path, DWORD idleMs) {
        if (m_getPicture == nullptr) {
            m_spi = ::LoadLibraryW(m_dlg.GetPlugins().At(0)->GetLibPath().c_str());
            m_getPicture = reinterpret_cast<SpiGetPictureFn>(
                reinterpret_cast<void*>(m_spi != nullptr ? ::GetProcAddress(m_spi, "GetPicture") : nullptr));
            if (m_getPicture == nullptr) {
                return -1;
            }
        }
        fw::CClientDC dc(m_dlg.Pane().m_hWnd);
        std::string name = path;
        HLOCAL info = nullptr;
        HLOCAL bits = nullptr;
        bench::Stopwatch watch;
        if (m_getPicture(name.data(), 0, kSpiInputFile, &info, &bits, nullptr, 0) != kSpiSuccess) {
            return -1;
        }
        const double decoded = watch.ElapsedMs();
        const auto* header = static_cast<const BITMAPINFO*>(::LocalLock(info));
        const void* rows = ::LocalLock(bits);
        const int width = header->bmiHeader.biWidth;
        const int height = std::abs(header->bmiHeader.biHeight);
        const RECT dst = FitInPane(m_dlg, width, height);
        const auto stretch = [&](HDC to, const RECT& where) {
            const int oldMode = ::SetStretchBltMode(to, COLORONCOLOR);
            ::StretchDIBits(to, where.left, where.top, where.right - where.left, where.bottom - where.top, 0, 0, width,
                            height, rows, header, DIB_RGB_COLORS, SRCCOPY);
            ::SetStretchBltMode(to, oldMode);
        };
        std::optional<PaneSizedBitmap> scaled;
        if (m_blit) {
            scaled.emplace(dc, dst, stretch);
        }
        const auto draw = [&] {
            scaled ? scaled->Blit(dc) : stretch(dc, dst);
            ::GdiFlush();
        };
        const double total = Note(kJpeg, decoded, idleMs, draw);
        scaled.reset();
        ::LocalUnlock(bits);
        ::LocalUnlock(info);
        ::LocalFree(bits);
        ::LocalFree(info);
        return total;
    }

    // Draws the decoded picture after idling `idleMs`, and once more at once when it idled;
    // notes the sections and returns decoding plus the first drawing.
    double Note(Kind kind, double decodeMs, DWORD idleMs, const std::function<void()>& draw) {
        if (idleMs > 0) {
            ::Sleep(idleMs);
        }
        bench::Stopwatch watch;
        draw();
        const double stretchMs = watch.ElapsedMs();
        m_lastRedraw = stretchMs;
        if (idleMs > 0) {
            watch.Restart();
            draw();
            m_lastRedraw = watch.ElapsedMs();
        }
        m_decode[kind].Add(decodeMs);
        m_stretch[kind].Add(stretchMs);
        m_lastDecode = decodeMs;
        m_lastStretch = stretchMs;
        return decodeMs + stretchMs;
    }

    CViewerDlg& m_dlg;
    bool m_blit = false;
    HMODULE m_spi = nullptr;
    SpiGetPictureFn m_getPicture = nullptr;
    bench::Samples m_decode[2];
    bench::Samples m_stretch[2];
    double m_lastDecode = 0;
    double m_lastStretch = 0;
    double m_lastRedraw = 0;
};

// One measurement per kind of picture shown next, ours against the floor.
struct NextPictureRun {
    std::string name;
    // The floor: decoding and drawing the picture, or only drawing it once decoded.
    enum class FloorIs { kDecodeAndDraw, kDrawOnly } floorIs = FloorIs::kDecodeAndDraw;
    // How long the floor idles between decoding and drawing: as long as the steps idle
    // before their key.
    DWORD floorIdleMs = 0;
    double goal = kGoal;
    // Whether the line against the floor is judged; a run judged against another floor
    // prints it as a note.
    bool judged = true;
    bench::Samples ours[2];
    bench::Samples floor[2];
    bench::Samples drawnAtOnce[2];  // the draw-only floor without idling, for comparison

    bool Done(int reps) const { return ours[kBmp].Count() >= static_cast<size_t>(reps) &&
                                       ours[kJpeg].Count() >= static_cast<size_t>(reps); }

    // Records a step that ended with `shown` on screen, and the floor of the same picture.
    void Record(CViewerDlg& dlg, Floor& floorMeter, const std::string& dir, double ms, int reps) {
        const std::optional<std::string> wanted = ShownAndWanted(dlg, reps);
        if (!wanted) {
            return;
        }
        const std::string& shown = *wanted;
        const Kind kind = KindOf(shown);
        const double floorMs = floorMeter.Measure(dir + "\\" + shown, kind);
        if (floorMs < 0) {
            bench::PrintNote("%s: the floor cannot decode %s", name.c_str(), shown.c_str());
            return;
        }
        ours[kind].Add(ms);
        floor[kind].Add(floorIs == FloorIs::kDrawOnly ? floorMeter.LastStretchMs() : floorMs);
    }

    // Records a step that ended with `shown` on screen; its floor is measured later, by
    // MeasureFloors, so that the floor's own decoding cannot delay the next step.
    void RecordLater(CViewerDlg& dlg, double ms, int reps) {
        const std::optional<std::string> shown = ShownAndWanted(dlg, reps);
        if (shown) {
            ours[KindOf(*shown)].Add(ms);
            later.push_back(*shown);
        }
    }

    // The entry on screen when its picture is shown and its kind still needs steps.
    std::optional<std::string> ShownAndWanted(CViewerDlg& dlg, int reps) const {
        const std::string shown = dlg.FileList().ListBox().GetText(dlg.Folder().SelectedIndex());
        if (!PictureShown(dlg)) {
            bench::PrintNote("%s: %s is not shown", name.c_str(), shown.c_str());
            return std::nullopt;
        }
        if (ours[KindOf(shown)].Count() >= static_cast<size_t>(reps)) {
            return std::nullopt;
        }
        return shown;
    }
    // The floors of the steps recorded for later, with every picture back in `dir`.
    void MeasureFloors(Floor& floorMeter, const std::string& dir) {
        for (const std::string& shown : later) {
            const Kind kind = KindOf(shown);
            const double floorMs = floorMeter.Measure(dir + "\\" + shown, kind, floorIdleMs);
            if (floorMs < 0) {
                bench::PrintNote("%s: the floor cannot decode %s", name.c_str(), shown.c_str());
                continue;
            }
            floor[kind].Add(floorIs == FloorIs::kDrawOnly ? floorMeter.LastStretchMs() : floorMs);
            drawnAtOnce[kind].Add(floorMeter.LastRedrawMs());
        }
        later.clear();
    }
    std::vector<std::string> later;

    void Print() const {
        for (int kind = kBmp; kind <= kJpeg; ++kind) {
            if (floorIs == FloorIs::kDrawOnly && floor[kind].Count() > 0) {
                std::printf("floor.blit.%s (for %s): median=%.1f min=%.1f max=%.1f n=%u\n", kKindSuffix[kind],
                            name.c_str(), floor[kind].Median(), floor[kind].Min(), floor[kind].Max(),
                            static_cast<unsigned>(floor[kind].Count()));
            }
            if (ours[kind].Count() > 0 && judged) {
                bench::PrintRatio(name + "." + kKindSuffix[kind], ours[kind], floor[kind], goal);
            } else if (ours[kind].Count() > 0) {
                bench::PrintNote("%s.%s against floor.blit.%s: ours %.1f ms, floor %.1f ms, ratio %.2f", name.c_str(),
                                 kKindSuffix[kind], kKindSuffix[kind], ours[kind].Median(), floor[kind].Median(),
                                 ours[kind].Median() / floor[kind].Median());
            }
            if (floorIdleMs > 0 && drawnAtOnce[kind].Count() > 0) {
                bench::PrintNote("%s.%s: the floor idled %lu ms before drawing; drawn again at once it took median "
                                 "%.1f ms (min %.1f, max %.1f), ours against that %.2f",
                                 name.c_str(), kKindSuffix[kind], floorIdleMs, drawnAtOnce[kind].Median(),
                                 drawnAtOnce[kind].Min(), drawnAtOnce[kind].Max(),
                                 ours[kind].Median() / drawnAtOnce[kind].Median());
            }
        }
    }
};

void ShowFirst(CViewerDlg& dlg, const std::string& dir) {
    dlg.Folder().Open(fw::Widen932(dir));
    Paint(dlg);
}

// Timing sections of showing a BMP picture: what the floor leaves out is releasing the
// picture shown before.
void ProfileBmpPicture(CViewerDlg& dlg, const std::string& path) {
    bench::Samples load;
    bench::Samples release;
    for (int i = 0; i < 3; ++i) {
        fw::CClientDC dc(dlg.m_hWnd);
        bench::Stopwatch watch;
        DecodeOutcome read = CBmpImage::Read(path, dc);
        load.Add(watch.ElapsedMs());
        watch.Restart();
        read.picture = CPicture();
        release.Add(watch.ElapsedMs());
    }
    bench::PrintNote("sections, bmp: CBmpImage::Read median %.1f ms; releasing the picture median %.1f ms", load.Median(),
                     release.Median());
}

// Timing sections of showing a plug-in picture, for tracing a miss: the plug-in's two
// exports on their own, then the host's decode and draw.
void ProfilePluginPicture(CViewerDlg& dlg, const std::string& path) {
    CSpiPlugin* plugin = dlg.GetPlugins().At(0);
    HMODULE spi = ::LoadLibraryW(plugin->GetLibPath().c_str());
    auto getInfo = reinterpret_cast<SpiGetPictureInfoFn>(
        reinterpret_cast<void*>(spi != nullptr ? ::GetProcAddress(spi, "GetPictureInfo") : nullptr));
    if (getInfo == nullptr) {
        return;
    }
    std::string name = path;
    bench::Samples info;
    bench::Samples decode;
    bench::Samples draw;
    for (int i = 0; i < 3; ++i) {
        PictureInfo header{};
        bench::Stopwatch watch;
        getInfo(name.data(), 0, kSpiInputFile, &header);
        info.Add(watch.ElapsedMs());
        if (header.hInfo != nullptr) {
            ::LocalFree(header.hInfo);
        }
        watch.Restart();
        const DecodeOutcome decoded = plugin->Decode(path);
        decode.Add(watch.ElapsedMs());
        fw::CClientDC dc(dlg.Pane().m_hWnd);
        watch.Restart();
        dlg.Pane().DrawPicture(dc, decoded.picture);
        ::GdiFlush();
        draw.Add(watch.ElapsedMs());
    }
    // The same export on a small picture: a cost that grows with the pixels is a full decode.
    const std::string tiny = bench::DataDir() + "\\tiny.jpg";
    const std::string tinyBytes =
        test::EncodeWithWic(test::WicFormat::kJpeg, 64, 48, [](int x, int y) { return 0xFF000000u | (x * y); });
    bench::Samples tinyInfo;
    if (bench::WriteFileBytes(tiny, tinyBytes.data(), tinyBytes.size())) {
        std::string tinyName = tiny;
        for (int i = 0; i < 3; ++i) {
            PictureInfo header{};
            bench::Stopwatch watch;
            getInfo(tinyName.data(), 0, kSpiInputFile, &header);
            tinyInfo.Add(watch.ElapsedMs());
        }
    }
    ::FreeLibrary(spi);
    bench::PrintNote("sections, jpg: GetPictureInfo median %.1f ms (64x48 picture: %.1f ms); CSpiPlugin::Decode "
                     "(GetPictureInfo, GetPicture, checks) median %.1f ms; DrawPicture median %.1f ms",
                     info.Median(), tinyInfo.Median(), decode.Median(), draw.Median());
}

// The window's paint of the pane against the pane's drawing on its own, for the entry
// shown now: the difference is what the paint message costs.
void ProfilePaint(CViewerDlg& dlg, const char* kind) {
    const ListEntry* shown = dlg.Folder().Selected();
    if (shown == nullptr || shown->IsDirectory()) {
        return;
    }
    const HWND pane = dlg.Pane().m_hWnd;
    bench::Samples paint;
    bench::Samples direct;
    for (int i = 0; i < 5; ++i) {
        ::InvalidateRect(pane, nullptr, FALSE);
        bench::Stopwatch watch;
        ::UpdateWindow(pane);
        ::GdiFlush();
        paint.Add(watch.ElapsedMs());
        fw::CClientDC dc(pane);
        watch.Restart();
        dlg.Pane().DrawPicture(dc, dlg.Pane().ShownPicture());
        ::GdiFlush();
        direct.Add(watch.ElapsedMs());
    }
    bench::PrintNote("sections, %s: the window's paint median %.1f ms; the pane's drawing on its own median %.1f ms",
                     kind, paint.Median(), direct.Median());
}

// The selection change on its own: what the list's selection notification and the Down
// key end in for a picture shown fitted to the pane.
void MeasureSelectNext(CViewerDlg& dlg, const std::string& dir, int reps) {
    Floor floorMeter(dlg);
    NextPictureRun run;
    run.name = "next.select";
    ShowFirst(dlg, dir);
    while (!run.Done(reps)) {
        if (dlg.Folder().SelectedIndex() >= dlg.FileList().ListBox().GetCount() - 1) {
            dlg.Folder().Select(0);
            Paint(dlg);
        }
        bench::Stopwatch watch;
        dlg.Folder().SelectNext();
        Paint(dlg);
        run.Record(dlg, floorMeter, dir, watch.ElapsedMs(), reps);
    }
    run.Print();
    for (int kind = kBmp; kind <= kJpeg; ++kind) {
        bench::PrintNote("floor sections, %s: decode median %.1f ms, stretch into the pane median %.1f ms",
                         kKindSuffix[kind], floorMeter.DecodeMs(static_cast<Kind>(kind)).Median(),
                         floorMeter.StretchMs(static_cast<Kind>(kind)).Median());
    }
    for (const std::string& name : {bench::BigPictureNames().front(), bench::BigPictureNames().back()}) {
        for (int i = 0; i < dlg.Folder().Count(); ++i) {
            if (dlg.Folder().At(i)->Text() == fw::Widen932(name)) {
                dlg.Folder().Select(i);
                dlg.Pane().ShowSelected();
                ProfilePaint(dlg, kKindSuffix[KindOf(name)]);
                break;
            }
        }
    }
    ProfileBmpPicture(dlg, dir + "\\" + bench::BigPictureNames().front());
    ProfilePluginPicture(dlg, dir + "\\" + bench::BigPictureNames().back());
    ShowFirst(dlg, dir);
}

// Posts a key press to a window from a thread of its own, after a delay: the key arrives
// on time even while the window's thread is busy, as keys from the keyboard do.
class KeyPoster {
public:
    KeyPoster() = default;
    KeyPoster(const KeyPoster&) = delete;
    KeyPoster& operator=(const KeyPoster&) = delete;
    ~KeyPoster() { Join(); }

    // After `delayMs`, starts `watch`, posts the key's WM_KEYDOWN, a marker that calls
    // `handled` once the key was handled, and its WM_KEYUP.
    void Post(DWORD delayMs, HWND target, WORD vk, std::shared_ptr<bench::Stopwatch> watch,
              std::function<void()> handled) {
        Join();
        m_press = Press{delayMs, target, vk, std::move(watch), std::move(handled)};
        m_thread = ::CreateThread(nullptr, 0, &KeyPoster::Run, &m_press, 0, nullptr);
    }

private:
    struct Press {
        DWORD delayMs = 0;
        HWND target = nullptr;
        WORD vk = 0;
        std::shared_ptr<bench::Stopwatch> watch;
        std::function<void()> handled;
    };

    static DWORD WINAPI Run(void* param) {
        Press& p = *static_cast<Press*>(param);
        if (p.delayMs > 0) {
            ::Sleep(p.delayMs);
        }
        const UINT scan = ::MapVirtualKeyA(p.vk, MAPVK_VK_TO_VSC);
        const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
        p.watch->Restart();
        ::PostMessageA(p.target, WM_KEYDOWN, p.vk, down);
        bench::PostMarker(std::move(p.handled));
        ::PostMessageA(p.target, WM_KEYUP, p.vk, down | (1 << 30) | (1u << 31));
        return 0;
    }

    void Join() {
        if (m_thread != nullptr) {
            ::WaitForSingleObject(m_thread, INFINITE);
            ::CloseHandle(m_thread);
            m_thread = nullptr;
        }
    }

    Press m_press;
    HANDLE m_thread = nullptr;
};

// The pause before each key of the next.ahead runs and their floors, longer than decoding
// the next picture and the one behind it, whatever their kind: the window's read-ahead is
// over when the key comes. Measured once, so that the runs and the floors pause alike.
DWORD AheadPauseMs(Floor& floor, const std::string& dir) {
    static const DWORD pauseMs = [&] {
        floor.Measure(dir + "\\" + bench::BigPictureNames().front(), kBmp);
        const double bmp = floor.LastDecodeMs();
        floor.Measure(dir + "\\" + bench::BigPictureNames().back(), kJpeg);
        const double jpg = floor.LastDecodeMs();
        return static_cast<DWORD>(std::max(2.5 * std::max(bmp, jpg) + 300, 1500.0));
    }();
    return pauseMs;
}

// How the keys of a run follow each other.
enum class Pace {
    kRepeat,  // each key 30 ms after the picture before it was painted, as auto-repeat sends them
    kPause,   // each key after a pause longer than decoding a picture
};

// A key posted to the file list, as the keyboard delivers it, handled by the window's
// modal loop; the time runs until the window has been painted after it. The keys come
// from a thread of their own, each a set time after the one before was handled, whatever
// the window's thread does meanwhile.
class KeyRun {
public:
    KeyRun(const std::string& name, WORD vk, const std::string& dir, int reps, Pace pace)
        : m_dir(dir), m_vk(vk), m_reps(reps), m_pace(pace) {
        m_run.name = name;
        if (pace == Pace::kPause) {
            m_run.floorIs = NextPictureRun::FloorIs::kDrawOnly;
            m_run.goal = kAheadGoal;
            // Judged against the floors of a key (KeyFloorRun); the blit alone is a note.
            m_run.judged = false;
        }
    }

    // Adds the run to a script of the running window: one step starts the presses, which
    // follow each other on their own; the next step waits until they are over.
    void AddSteps(test::ModalScript& script, CViewerDlg& dlg) {
        script.Then([this, &dlg, &script](fw::CDialog&) {
            // The marker window belongs to this thread, whichever thread posts to it first.
            bench::PostMarker([] {});
            m_floor = std::make_unique<Floor>(dlg);
            Prepare(dlg);
            m_pauseMs = PauseMs();
            if (m_pace == Pace::kPause) {
                m_run.floorIdleMs = m_pauseMs;
                m_floor->BlitPaneSized(true);
            }
            ShowFirst(dlg, m_dir);
            PressNext(dlg);
            script.HoldUntil([this] { return m_over; });
        });
        script.Then([this, &dlg](fw::CDialog&) { Finish(dlg); });
    }

    const NextPictureRun& Result() const { return m_run; }

protected:
    // Before the first press and whenever the folder has run out of next pictures.
    virtual void Prepare(CViewerDlg&) {}
    virtual bool CanPress(CViewerDlg& dlg) { return dlg.Folder().SelectedIndex() < dlg.FileList().ListBox().GetCount() - 1; }
    // Whether the key did its work (checked after it was handled).
    virtual bool Handled(CViewerDlg& dlg, const std::string& before) {
        return dlg.FileList().ListBox().GetText(dlg.Folder().SelectedIndex()) != before;
    }
    virtual void Finish(CViewerDlg&) {
        m_run.MeasureFloors(*m_floor, m_dir);
        m_run.Print();
        bench::PrintNote("%s: %d of %d pictures were shown from a copy read ahead%s", m_run.name.c_str(), m_fromCopy,
                         m_shown,
                         m_pace == Pace::kPause ? "" : " (each key 30 ms after the picture before)");
        // Which part of a key a miss lies in: delivering and handling it (its command's
        // work, the picture drawn at once) or painting what it left to be painted.
        bench::PrintNote("sections, %s: key handled median %.2f ms (min %.2f max %.2f); what was left to paint "
                         "median %.2f ms (max %.2f)",
                         m_run.name.c_str(), m_handledMs.Median(), m_handledMs.Min(), m_handledMs.Max(),
                         m_paintedMs.Median(), m_paintedMs.Max());
    }

    const std::string m_dir;

private:
    static constexpr double kAheadGoal = 1.5;
    static constexpr DWORD kRepeatMs = 30;

    DWORD PauseMs() { return m_pace == Pace::kPause ? AheadPauseMs(*m_floor, m_dir) : kRepeatMs; }

    void PressNext(CViewerDlg& dlg) {
        if (m_run.Done(m_reps) || m_failed) {
            m_over = true;
            return;
        }
        if (!CanPress(dlg)) {
            Prepare(dlg);
            ShowFirst(dlg, m_dir);
        }
        const std::string before = dlg.FileList().ListBox().GetText(dlg.Folder().SelectedIndex());
        auto watch = std::make_shared<bench::Stopwatch>();
        m_poster.Post(m_pauseMs, dlg.FileList().ListBox().m_hWnd, m_vk, watch, [this, &dlg, watch, before] {
            const double handledMs = watch->ElapsedMs();
            Paint(dlg);
            const double ms = watch->ElapsedMs();
            m_handledMs.Add(handledMs);
            m_paintedMs.Add(ms - handledMs);
            if (!Handled(dlg, before)) {
                bench::PrintNote("%s: the key was not handled (no key dispatcher yet?)", m_run.name.c_str());
                m_failed = true;
            } else {
                ++m_shown;
                m_fromCopy += dlg.Pane().ShownFromReadAhead() ? 1 : 0;
                m_run.RecordLater(dlg, ms, m_reps);
            }
            PressNext(dlg);
        });
    }

    WORD m_vk;
    int m_reps;
    Pace m_pace;
    DWORD m_pauseMs = kRepeatMs;
    bool m_failed = false;
    bool m_over = false;
    int m_shown = 0;
    int m_fromCopy = 0;
    bench::Samples m_handledMs;  // from the key's posting until it was handled
    bench::Samples m_paintedMs;  // from then until the window was painted
    std::unique_ptr<Floor> m_floor;
    NextPictureRun m_run;
    KeyPoster m_poster;
};

// What a key costs before it does anything, and the least a key that shows a picture can
// cost: the floor.blit lines time one blit on its own, while every key above is also
// delivered, handled and painted. Three floors, each a key posted as the keys above, after
// the same pause, timed until the window is painted:
//   next.ahead.key.ignored  (a note) a key the viewer has no command for (F24), posted to
//                         the file list
//   floor.key.blit        the same key posted to a bare window of the main window's client
//                         size, whose paint is one blit of a pane-sized bitmap
//   floor.key.move.blit   the same, where the key first renames a file into another folder,
//                         as M does
// The next.ahead lines are judged against the last two: Down within kDownGoal of
// floor.key.blit, M within kMoveGoal of floor.key.move.blit. The floors are taken in a
// round before the runs and in one after them, and the runs are judged against the lower
// median of the two: a stretch of load on the shared machine during one round must not
// make the goal easier.
class KeyFloorRun {
public:
    KeyFloorRun(const std::string& dir, int reps) : m_dir(dir), m_reps(reps) {}

    // A run whose medians are to be read against the floors (M runs against the one that moves).
    void Compare(const KeyRun& run, bool moves) { m_compared.push_back({&run, moves}); }

    // Adds a round of the floors; the lines are printed after the round that is `last`.
    void AddSteps(test::ModalScript& script, CViewerDlg& dlg, bool last) {
        script.Then([this, &dlg, &script](fw::CDialog&) {
            bench::PostMarker([] {});
            m_rounds.emplace_back();
            m_over = false;
            Floor decodes(dlg);
            m_pauseMs = AheadPauseMs(decodes, m_dir);
            if (!OpenWindow(dlg)) {
                bench::PrintNote("floor.key: cannot make the floor's window");
                m_over = true;
            }
            PressNext(dlg);
            script.HoldUntil([this] { return m_over; });
        });
        script.Then([this, last](fw::CDialog&) {
            m_window.reset();
            if (last) {
                Print();
            }
        });
    }

private:
    static constexpr double kDownGoal = 1.5;
    static constexpr double kMoveGoal = 2.0;
    enum FloorKey { kIgnored = 0, kBlit = 1, kMoveBlit = 2 };

    // A top-level window over the main window's client area: its pane is where the main
    // window's is, and the picture lies where the main window draws it fitted.
    class Window {
    public:
        Window(CViewerDlg& dlg, const std::string& dir)
            : m_from(bench::DataDir() + "\\floor.from"), m_to(bench::DataDir() + "\\floor.to") {
            static const char* const kClass = [] {
                WNDCLASSA wc{};
                wc.lpfnWndProc = Proc;
                wc.hInstance = ::GetModuleHandleA(nullptr);
                wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
                wc.lpszClassName = "IxoBenchKeyFloor";
                ::RegisterClassA(&wc);
                return wc.lpszClassName;
            }();
            RECT client = dlg.GetClientRect();
            POINT origin{0, 0};
            ::ClientToScreen(dlg.m_hWnd, &origin);
            m_hwnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, origin.x, origin.y, client.right,
                                       client.bottom, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
            bench::MakeDir(m_from);
            bench::MakeDir(m_to);
            m_from += "\\x";
            m_to += "\\x";
            ::DeleteFileA(m_to.c_str());
            const std::string bytes(1024, 'x');
            const std::string path = dir + "\\" + bench::BigPictureNames().front();
            fw::CClientDC dc(m_hwnd);
            const DecodeOutcome read = CBmpImage::Read(path, dc);
            if (m_hwnd == nullptr || !read || !bench::WriteFileBytes(m_from, bytes.data(), bytes.size())) {
                return;
            }
            const CPicture& image = read.picture;
            const RECT pane = dlg.Pane().GetPaneRect();
            m_picture = FitInPane(dlg, image.Width(), image.Height());
            ::OffsetRect(&m_picture, pane.left, pane.top);
            m_bitmap = std::make_unique<PaneSizedBitmap>(dc, m_picture, [&](HDC to, const RECT& where) {
                image.Draw(to, RECT{0, 0, image.Width(), image.Height()}, where);
            });
            ::SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            ::UpdateWindow(m_hwnd);
        }
        Window(const Window&) = delete;
        Window& operator=(const Window&) = delete;
        ~Window() {
            if (m_hwnd != nullptr) {
                ::DestroyWindow(m_hwnd);
            }
            ::DeleteFileA(m_from.c_str());
            ::DeleteFileA(m_to.c_str());
        }
        bool IsReady() const { return m_bitmap != nullptr; }
        HWND Handle() const { return m_hwnd; }
        void MoveOnKey(bool move) { m_move = move; }

    private:
        static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
            if (msg == WM_NCCREATE) {
                const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
                ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            }
            auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self != nullptr && msg == WM_KEYDOWN) {
                if (self->m_move) {
                    // Back and forth, so that the file is always there to move.
                    const bool out = (self->m_moves++ % 2) == 0;
                    ::MoveFileA((out ? self->m_from : self->m_to).c_str(), (out ? self->m_to : self->m_from).c_str());
                }
                ::InvalidateRect(hwnd, &self->m_picture, FALSE);
                return 0;
            }
            if (self != nullptr && msg == WM_PAINT) {
                PAINTSTRUCT ps;
                const HDC dc = ::BeginPaint(hwnd, &ps);
                if (self->m_bitmap != nullptr) {
                    self->m_bitmap->Blit(dc);
                }
                ::EndPaint(hwnd, &ps);
                return 0;
            }
            return ::DefWindowProcA(hwnd, msg, wParam, lParam);
        }

        HWND m_hwnd = nullptr;
        RECT m_picture{};
        std::unique_ptr<PaneSizedBitmap> m_bitmap;
        std::string m_from;
        std::string m_to;
        bool m_move = false;
        int m_moves = 0;
    };

    bool OpenWindow(CViewerDlg& dlg) {
        m_window = std::make_unique<Window>(dlg, m_dir);
        return m_window->IsReady();
    }

    // The floors take turns, so that a change in the machine's load meets all three alike.
    void PressNext(CViewerDlg& dlg) {
        if (m_over || static_cast<int>(m_rounds.back()[kMoveBlit].Count()) >= m_reps) {
            m_over = true;
            return;
        }
        const FloorKey floor = static_cast<FloorKey>(m_presses++ % 3);
        HWND target = dlg.FileList().ListBox().m_hWnd;
        if (floor != kIgnored) {
            m_window->MoveOnKey(floor == kMoveBlit);
            target = m_window->Handle();
        }
        auto watch = std::make_shared<bench::Stopwatch>();
        m_poster.Post(m_pauseMs, target, VK_F24, watch, [this, &dlg, watch, floor] {
            Paint(dlg);
            ::UpdateWindow(m_window->Handle());
            m_rounds.back()[floor].Add(watch->ElapsedMs());
            PressNext(dlg);
        });
    }

    // The round of `floor` with the lower median, or none when a round took no keys.
    const bench::Samples* Lower(FloorKey floor) const {
        const bench::Samples* lower = nullptr;
        for (const Round& round : m_rounds) {
            if (round[floor].Count() == 0) {
                return nullptr;
            }
            if (lower == nullptr || round[floor].Median() < lower->Median()) {
                lower = &round[floor];
            }
        }
        return lower;
    }

    void Print() const {
        const char* const names[] = {"next.ahead.key.ignored", "floor.key.blit", "floor.key.move.blit"};
        for (const FloorKey floor : {kIgnored, kBlit, kMoveBlit}) {
            for (size_t i = 0; i < m_rounds.size(); ++i) {
                const bench::Samples& ms = m_rounds[i][floor];
                bench::PrintNote("%s, round %zu of %zu, after a pause of %lu ms: median %.2f ms min %.2f max %.2f n=%u",
                                 names[floor], i + 1, m_rounds.size(), static_cast<unsigned long>(m_pauseMs),
                                 ms.Median(), ms.Min(), ms.Max(), static_cast<unsigned>(ms.Count()));
            }
        }
        const bench::Samples* lower[] = {nullptr, Lower(kBlit), Lower(kMoveBlit)};
        if (lower[kBlit] == nullptr || lower[kMoveBlit] == nullptr) {
            bench::PrintNote("floor.key: a round took no keys");
            return;
        }
        for (const FloorKey floor : {kBlit, kMoveBlit}) {
            std::printf("%s: median=%.2f min=%.2f max=%.2f n=%u\n", names[floor], lower[floor]->Median(),
                        lower[floor]->Min(), lower[floor]->Max(), static_cast<unsigned>(lower[floor]->Count()));
        }
        for (const auto& [run, moves] : m_compared) {
            const FloorKey floor = moves ? kMoveBlit : kBlit;
            const double goal = moves ? kMoveGoal : kDownGoal;
            for (int kind = kBmp; kind <= kJpeg; ++kind) {
                const bench::Samples& ours = run->Result().ours[kind];
                const bench::Samples& by = *lower[floor];
                if (ours.Count() > 0) {
                    const double ratio = ours.Median() / by.Median();
                    std::printf("%s.%s: ours=%.2f %s=%.2f ratio=%.2f goal=%.2f %s ours.min=%.2f ours.max=%.2f n=%u\n",
                                run->Result().name.c_str(), kKindSuffix[kind], ours.Median(), names[floor],
                                by.Median(), ratio, goal, ratio <= goal ? "ok" : "MISS", ours.Min(), ours.Max(),
                                static_cast<unsigned>(ours.Count()));
                }
            }
        }
        std::fflush(stdout);
    }

    const std::string m_dir;
    int m_reps;
    bool m_over = false;
    int m_presses = 0;
    using Round = std::array<bench::Samples, 3>;  // by FloorKey
    std::vector<Round> m_rounds;
    DWORD m_pauseMs = 0;
    std::unique_ptr<Window> m_window;
    std::vector<std::pair<const KeyRun*, bool>> m_compared;
    KeyPoster m_poster;
};

// M moves the shown picture out of the folder: the moved files are brought back whenever
// the folder runs out of next pictures, outside the timing.
class MoveKeyRun : public KeyRun {
public:
    MoveKeyRun(const std::string& name, const std::string& dir, int reps, Pace pace)
        : KeyRun(name, 'M', dir, reps, pace) {}

protected:
    void Prepare(CViewerDlg& dlg) override {
        const std::string moved = bench::DataDir() + "\\moved";
        bench::MakeDir(moved);
        for (const std::string& name : test::ListNames(moved)) {
            ::MoveFileA((moved + "\\" + name).c_str(), (m_dir + "\\" + name).c_str());
        }
        dlg.GetSettings().m_strMoveDir = moved;
    }
    bool CanPress(CViewerDlg& dlg) override { return dlg.FileList().ListBox().GetCount() >= 2; }
    bool Handled(CViewerDlg& dlg, const std::string& before) override {
        return !test::FileExists(m_dir + "\\" + before) && test::FileExists(dlg.GetSettings().m_strMoveDir + "\\" + before);
    }
    void Finish(CViewerDlg& dlg) override {
        Prepare(dlg);
        KeyRun::Finish(dlg);
        // The file system's part of M: renaming a big picture into the move folder.
        bench::Samples rename;
        const std::string name = bench::BigPictureNames().front();
        const std::string there = dlg.GetSettings().m_strMoveDir + "\\" + name;
        for (int i = 0; i < 3; ++i) {
            bench::Stopwatch watch;
            const BOOL moved = ::MoveFileA((m_dir + "\\" + name).c_str(), there.c_str());
            rename.Add(watch.ElapsedMs());
            if (moved) {
                ::MoveFileA(there.c_str(), (m_dir + "\\" + name).c_str());
            }
        }
        bench::PrintNote("sections, m: MoveFileA of %s median %.1f ms", name.c_str(), rename.Median());
    }
};

// Paging through the folder again and again: the working set after each round of
// pictures stays where it was after the first.
void MeasureMemory(CViewerDlg& dlg, const std::string& dir) {
    ShowFirst(dlg, dir);
    const bench::MemoryUse start = bench::ReadMemoryUse();
    bench::PrintNote("memory: working set %.1f MiB with the first picture shown", start.workingSetMiB);
    const int perRound = dlg.FileList().ListBox().GetCount();
    // Three pictures as decoded (the shown one and one either side of it, read ahead), each
    // with its copy scaled to the pane, and 64 MiB for the rest of the process.
    const CPicture& shown = dlg.Pane().ShownPicture();
    const SIZE fitted = dlg.Pane().FittedSizeOf(shown);
    const double pictureMiB = 4.0 * shown.Width() * shown.Height() / (1 << 20);
    const double fittedMiB = 4.0 * fitted.cx * fitted.cy / (1 << 20);
    const double budgetMiB = 3 * (pictureMiB + fittedMiB) + 64;
    bench::PrintNote("memory: a picture %.1f MiB, its copy scaled to the pane %.1f MiB", pictureMiB, fittedMiB);
    const auto page = [&](const std::string& name, bool readAhead) {
        ShowFirst(dlg, dir);
        for (int round = 1; round <= 3; ++round) {
            for (int i = 0; i < perRound; ++i) {
                if (dlg.Folder().SelectedIndex() >= dlg.FileList().ListBox().GetCount() - 1) {
                    dlg.Folder().Select(0);
                } else {
                    dlg.Folder().SelectNext();
                }
                Paint(dlg);
                if (readAhead) {
                    dlg.Pane().RunIdleWork();
                    dlg.Pane().SettleReadAhead();
                }
            }
            const bench::MemoryUse now = bench::ReadMemoryUse();
            bench::PrintMemory(name + std::to_string(round * perRound), now.peakWorkingSetMiB, now.workingSetMiB,
                               budgetMiB);
        }
    };
    page("memory.paged", false);
    // The same with the pictures beside each one read ahead, as idle time does it; the peak
    // only grows, so these lines come second.
    page("memory.ahead.paged", true);
}

// A size-judged pass over the list of a folder of kPassPictures small pictures, all of
// which it deletes, against the floor of what it cannot leave out: decoding each picture,
// drawing it into the pane (the pass shows every picture it judges) and deleting its file.
constexpr int kPassPictures = 200;
constexpr double kPassGoal = 1.5;
constexpr int kPassWidth = 160;
constexpr int kPassHeight = 120;

bool FillPassFolder(const std::string& dir, Kind kind) {
    for (int i = 0; i < kPassPictures; ++i) {
        const auto color = [i](int x, int y) { return testdata::Rgb(x + i, y * 2, i * 7) | 0xFF000000u; };
        const std::string bytes = kind == kBmp ? testdata::MakeBmp24(kPassWidth, kPassHeight, color)
                                               : test::EncodeWithWic(test::WicFormat::kJpeg, kPassWidth,
                                                                     kPassHeight, color);
        char name[32];
        std::snprintf(name, sizeof name, "s%03d.%s", i, kKindSuffix[kind]);
        if (bytes.empty() || !bench::WriteFileBytes(dir + "\\" + name, bytes.data(), bytes.size())) {
            return false;
        }
    }
    return true;
}

// Copies the cached pictures into a fresh working folder; their names.
std::vector<std::string> CopyPassPictures(const std::string& from, const std::string& to) {
    bench::RemoveTree(to);
    bench::MakeDir(to);
    std::vector<std::string> names;
    for (const std::string& name : test::ListNames(from)) {
        if (name != bench::kStampName && ::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE)) {
            names.push_back(name);
        }
    }
    return names;
}

void MeasureSizeJudgedPass(CViewerDlg& dlg, Kind kind, int reps) {
    const std::string name = std::string("pass.list.") + kKindSuffix[kind];
    const std::string source = bench::DataDir() + "\\" + name;
    const std::string work = bench::DataDir() + "\\pass.work";
    const std::string recipe = "v1 " + std::to_string(kPassPictures) + " x " + std::to_string(kPassWidth) + "x" +
                               std::to_string(kPassHeight);
    if (!bench::EnsureFolder(source, recipe, [kind](const std::string& dir) { return FillPassFolder(dir, kind); })) {
        bench::PrintNote("%s: cannot make the folder of small pictures", name.c_str());
        return;
    }
    dlg.GetSettings().m_bDeleteImmediate = TRUE;
    Floor floorMeter(dlg);
    bench::Samples ours;
    bench::Samples floor;
    for (int rep = 0; rep < reps; ++rep) {
        CopyPassPictures(source, work);
        ShowFirst(dlg, work);
        bench::Stopwatch watch;
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        ours.Add(watch.ElapsedMs());
        if (!test::ListNames(work).empty()) {
            bench::PrintNote("%s: the pass left %zu pictures", name.c_str(), test::ListNames(work).size());
        }
        double floorMs = 0;
        for (const std::string& picture : CopyPassPictures(source, work)) {
            const std::string path = work + "\\" + picture;
            bench::Stopwatch deletion;
            const double shown = floorMeter.Measure(path, kind);
            if (shown < 0 || !::DeleteFileA(path.c_str())) {
                bench::PrintNote("%s: the floor cannot show or delete %s", name.c_str(), picture.c_str());
            }
            floorMs += deletion.ElapsedMs();
        }
        floor.Add(floorMs);
    }
    bench::PrintRatio(name, ours, floor, kPassGoal);
    bench::PrintNote("%s: %.3f ms per picture, against %.3f ms to decode, draw and delete it", name.c_str(),
                     ours.Median() / kPassPictures, floor.Median() / kPassPictures);
    bench::RemoveTree(work);
}

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!bench::EnterWorkFolderWithShippedPlugins()) {
        std::printf("pictures: the shipped plug-ins are missing (build dist\\SPI first)\n");
        return 1;
    }
    // The big pictures take minutes to make the first time: only for what pages through them.
    bool paging = false;
    for (const char* name : {"next.select", "next.key.down", "next.key.m", "next.ahead.key.down", "next.ahead.key.m",
                             "next.ahead.key.ignored", "floor.key", "memory"}) {
        paging = paging || options.Wants(name);
    }
    const std::string dir = paging ? bench::EnsureBigPictureFolder() : std::string("-");
    if (dir.empty()) {
        std::printf("pictures: cannot make the folder of big pictures\n");
        return 1;
    }
    const bool keyFloors = options.Wants("next.ahead.key.down") || options.Wants("next.ahead.key.m") ||
                           options.Wants("next.ahead.key.ignored") || options.Wants("floor.key");
    KeyFloorRun floorRounds(dir, options.reps);
    // Failure messages of the key commands are answered in-process and reported.
    test::PromptRecorder prompts;
    CViewerDlg dlg;
    test::ModalScript script;
    script.Then([&](fw::CDialog&) {
        if (options.Wants("next.select")) {
            MeasureSelectNext(dlg, dir, options.reps);
        }
        if (options.Wants("memory")) {
            MeasureMemory(dlg, dir);
        }
        // The passes' own confirmations and closing messages are no news.
        const size_t told = prompts.messages.size();
        for (const Kind kind : {kBmp, kJpeg}) {
            if (options.Wants(std::string("pass.list.") + kKindSuffix[kind])) {
                MeasureSizeJudgedPass(dlg, kind, options.reps);
            }
        }
        prompts.messages.resize(told);
    });
    if (keyFloors) {
        floorRounds.AddSteps(script, dlg, false);
    }
    KeyRun down("next.key.down", VK_DOWN, dir, options.reps, Pace::kRepeat);
    if (options.Wants("next.key.down")) {
        down.AddSteps(script, dlg);
    }
    MoveKeyRun move("next.key.m", dir, options.reps, Pace::kRepeat);
    if (options.Wants("next.key.m")) {
        move.AddSteps(script, dlg);
    }
    KeyRun downAhead("next.ahead.key.down", VK_DOWN, dir, options.reps, Pace::kPause);
    if (options.Wants("next.ahead.key.down")) {
        downAhead.AddSteps(script, dlg);
    }
    MoveKeyRun moveAhead("next.ahead.key.m", dir, options.reps, Pace::kPause);
    if (options.Wants("next.ahead.key.m")) {
        moveAhead.AddSteps(script, dlg);
    }
    // The second round of the floors comes last and prints the judged lines of the runs
    // read against them.
    if (options.Wants("next.ahead.key.down")) {
        floorRounds.Compare(downAhead, false);
    }
    if (options.Wants("next.ahead.key.m")) {
        floorRounds.Compare(moveAhead, true);
    }
    if (keyFloors) {
        floorRounds.AddSteps(script, dlg, true);
    }
    script.Run(dlg, 30 * 60 * 1000);
    for (const fw::MessageBoxCall& call : prompts.messages) {
        bench::PrintNote("message box: %s", call.text.c_str());
    }
    return 0;
}
