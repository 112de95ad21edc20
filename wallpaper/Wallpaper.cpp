#include "wallpaper/Wallpaper.h"

#include <windows.h>

#include <tuple>
#include <vector>

#include "framework/Desktop.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "portable/PathUtil.h"
#include "wallpaper/WallpaperWriter.h"

namespace {

constexpr char kReturnFileName[] = "WallPaperCreatedByIXO.bmp";

// What tells a directory apart whatever its path is spelled like: its volume and its
// file index. None when it cannot be opened.
std::optional<std::tuple<DWORD, DWORD, DWORD>> DirectoryIdentity(const std::string& path) {
    const fw::FileHandle dir(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir.IsValid() || !::GetFileInformationByHandle(dir.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    return std::make_tuple(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
}

// The full path with every component in its long form and without a final backslash,
// as UTF-16; the full path alone where the long form cannot be had (it does not exist).
std::wstring FullLongPath(const std::string& path) {
    constexpr DWORD kChars = 32768;
    const std::wstring wide = fw::ToWide(path, CP_ACP).value_or(L"");
    std::vector<wchar_t> full(kChars);
    const DWORD length = ::GetFullPathNameW(wide.c_str(), kChars, full.data(), nullptr);
    if (wide.empty() || length == 0 || length >= kChars) {
        return {};
    }
    std::vector<wchar_t> longer(kChars);
    const DWORD longLength = ::GetLongPathNameW(full.data(), longer.data(), kChars);
    std::wstring result = longLength > 0 && longLength < kChars ? std::wstring(longer.data(), longLength)
                                                                : std::wstring(full.data(), length);
    while (result.size() > 3 && result.back() == L'\\') {
        result.pop_back();
    }
    return result;
}

// Whether two paths name the same directory, the way the file system resolves them: a
// final backslash, "." components, short names, another letter case or another route to
// the same directory make no difference. The directories' identities decide; equal full
// long paths, letter case ignored, count as well, so that a directory that cannot be
// opened is still known by its name.
bool IsSameDirectory(const std::string& a, const std::string& b) {
    const auto idA = DirectoryIdentity(a);
    const auto idB = DirectoryIdentity(b);
    if (idA && idB && *idA == *idB) {
        return true;
    }
    const std::wstring fullA = FullLongPath(a);
    const std::wstring fullB = FullLongPath(b);
    return !fullA.empty() && ::CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                                                    static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
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
        target ? *target : AddTrailingBackslash(m_settings.m_strWallPaperDir) +
                          ReplaceExtension(fw::Narrow932Lossy(selected->name), "BMP");
    // In the folder being viewed "name.BMP" may be a picture of its own ("a.bmp" beside
    // "a.jpg"): there the file is only written where the name is free.
    const ExistingTarget existing = !target && IsSameDirectory(m_settings.m_strWallPaperDir, fw::Narrow932Lossy(m_host.CurrentDir()))
                                        ? ExistingTarget::kKeep
                                        : ExistingTarget::kReplace;
    if (path.empty() || !WriteHeldPicture(*selected, path, existing)) {
        return false;
    }
    return desktop == Desktop::kKeep || fw::SetDesktopWallpaper(path);
}

bool CWallpaper::WriteHeldPicture(const ListEntry& entry, const std::string& target, ExistingTarget existing) const {
    const Decoder shown = m_pane.ShownDecoder();
    if (!(shown == entry.GetDecoder()) || !m_pane.HoldsPicture()) {
        return false;
    }
    // The canvas has the proportions of the primary monitor's real pixels.
    const SIZE screen = fw::GetPrimaryScreenPixels();
    const int screenWidth = screen.cx;
    const int screenHeight = screen.cy;
    return WriteWallpaperBmp(m_pane.ShownPicture(), screenWidth, screenHeight, target, existing);
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
