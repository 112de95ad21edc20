#include "wallpaper/Wallpaper.h"

#include <windows.h>

#include "filelist/PathUtil.h"
#include "framework/Desktop.h"
#include "framework/Handles.h"
#include "wallpaper/WallpaperWriter.h"

namespace {

constexpr char kReturnFileName[] = "WallPaperCreatedByIXO.bmp";

std::span<const uint8_t> LockedBytes(const fw::LocalLock& lock, HLOCAL handle) {
    if (lock.Get() == nullptr) {
        return {};
    }
    return {static_cast<const uint8_t*>(lock.Get()), static_cast<size_t>(::LocalSize(handle))};
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CWallpaper)
FW_ON_COMMAND(KeyCommandId(KeyCommand::kWallpaperFile), 0, OnWallpaperFile)
FW_ON_COMMAND(KeyCommandId(KeyCommand::kWallpaperSet), 0, OnWallpaperSet)
FW_ON_COMMAND(KeyCommandId(KeyCommand::kWallpaperReturn), 0, OnWallpaperReturn)
FW_END_PART_MESSAGE_MAP()

CWallpaper::CWallpaper(IViewerHost& host, const Settings& settings, const CPicturePane& pane)
    : m_host(host), m_settings(settings), m_pane(pane) {}

std::string CWallpaper::WindowsDirWallpaperPath() {
    char dir[MAX_PATH + 1] = {};
    const UINT length = ::GetWindowsDirectoryA(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return AddTrailingBackslash(dir) + kReturnFileName;
}

bool CWallpaper::MakeWallpaper(Desktop desktop, const std::optional<std::string>& target) {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected == nullptr || selected->IsDirectory()) {
        return true;  // nothing to do
    }
    // An unset wallpaper directory would be the root of the current drive.
    if (!target && m_settings.m_strWallPaperDir.empty()) {
        return false;
    }
    const std::string path =
        target ? *target : AddTrailingBackslash(m_settings.m_strWallPaperDir) + ReplaceExtension(selected->name, "BMP");
    if (path.empty() || !WriteHeldPicture(*selected, path)) {
        return false;
    }
    return desktop == Desktop::kKeep || fw::SetDesktopWallpaper(path);
}

bool CWallpaper::WriteHeldPicture(const ListEntry& entry, const std::string& target) const {
    const Decoder shown = m_pane.ShownDecoder();
    if (!(shown == entry.GetDecoder()) || !m_pane.HoldsPicture()) {
        return false;
    }
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    if (shown.kind == Decoder::Kind::kBmp) {
        const CBmpImage& bmp = m_pane.GetBmp();
        return WriteWallpaperBmp({bmp.GetHeldBitmapInfo(), bmp.GetHeldBits(), bmp.GetWidth(), bmp.GetHeight()},
                                 screenWidth, screenHeight, target);
    }
    // The plug-in's blocks stay locked while the file is written; the writer checks them first.
    const CSpiPlugin& plugin = *shown.plugin;
    const fw::LocalLock info(plugin.GetBitmapInfoHandle());
    const fw::LocalLock bits(plugin.GetBitsHandle());
    const HeldPicture picture{LockedBytes(info, plugin.GetBitmapInfoHandle()),
                              LockedBytes(bits, plugin.GetBitsHandle()), plugin.GetWidth(), plugin.GetHeight()};
    return WriteWallpaperBmp(picture, screenWidth, screenHeight, target);
}

void CWallpaper::OnWallpaperFile() {
    if (!MakeWallpaper(Desktop::kKeep)) {
        m_host.ReportFailure("壁紙用ＢＭＰ作成失敗\n");
    }
}

void CWallpaper::OnWallpaperSet() {
    if (!MakeWallpaper(Desktop::kSet)) {
        m_host.ReportFailure("壁紙用ＢＭＰ作成／変更失敗\n");
    }
}

void CWallpaper::OnWallpaperReturn() {
    const std::string path = WindowsDirWallpaperPath();
    if (!MakeWallpaper(Desktop::kSet, path)) {
        m_host.ReportFailure("壁紙変更失敗\n");
    }
}
