#include "wallpaper/Wallpaper.h"

#include <windows.h>

#include <tuple>
#include <vector>

#include "filelist/EntryPath.h"
#include "framework/Desktop.h"
#include "framework/Dpi.h"
#include "framework/FileIdentity.h"
#include "framework/FileNames.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "portable/PathUtil.h"
#include "wallpaper/WallpaperWriter.h"

namespace {

constexpr wchar_t kReturnFileName[] = L"WallPaperCreatedByIXO.bmp";

// The full path with every component in its long form and without a final backslash,
// as UTF-16; the full path alone where the long form cannot be had (it does not exist).
std::wstring FullLongPath(const std::wstring& path) {
    constexpr DWORD kChars = 32768;
    std::vector<wchar_t> full(kChars);
    const DWORD length = ::GetFullPathNameW(path.c_str(), kChars, full.data(), nullptr);
    if (path.empty() || length == 0 || length >= kChars) {
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
bool IsSameDirectory(const std::wstring& a, const std::wstring& b) {
    const auto idA = fw::IdentityOf(a);
    const auto idB = fw::IdentityOf(b);
    if (idA && idB && *idA == *idB) {
        return true;
    }
    const std::wstring fullA = FullLongPath(a);
    const std::wstring fullB = FullLongPath(b);
    return !fullA.empty() && fw::SameNameIgnoringCase(fullA, fullB);
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CWallpaper)
FW_ON_COMMAND(KeyCommandId(KeyCommand::kWallpaperFile), 0, OnWallpaperFile)
FW_ON_COMMAND(KeyCommandId(KeyCommand::kWallpaperSet), 0, OnWallpaperSet)
FW_ON_COMMAND(KeyCommandId(KeyCommand::kWallpaperReturn), 0, OnWallpaperReturn)
FW_END_PART_MESSAGE_MAP()

CWallpaper::CWallpaper(IViewerHost& host, const Settings& settings, const CFolder& folder, CPicturePane& pane)
    : m_host(host), m_settings(settings), m_folder(folder), m_pane(pane) {}

std::wstring CWallpaper::WindowsDirWallpaperPath() {
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT length = ::GetWindowsDirectoryW(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return AddTrailingBackslash(std::wstring(dir, length)) + kReturnFileName;
}

OpResult CWallpaper::MakeWallpaper(Desktop desktop, const std::optional<std::wstring>& target) {
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr || selected->IsDirectory()) {
        return OpResult::NothingToDo();
    }
    // An unset wallpaper directory would be the root of the current drive.
    if (!target && m_settings.m_strWallPaperDir.empty()) {
        return OpResult::Failed();
    }
    const std::wstring wallpaperDir = fw::Widen932(m_settings.m_strWallPaperDir);
    const std::wstring path = target ? *target : EntryPath(wallpaperDir, ReplaceExtension(selected->name, L"BMP"));
    // In the folder being viewed "name.BMP" may be a picture of its own ("a.bmp" beside
    // "a.jpg"): there the file is only written where the name is free.
    const ExistingTarget existing = !target && IsSameDirectory(wallpaperDir, m_folder.Dir())
                                        ? ExistingTarget::kKeep
                                        : ExistingTarget::kReplace;
    if (path.empty() || !WriteHeldPicture(*selected, path, existing)) {
        return OpResult::Failed();
    }
    return desktop == Desktop::kKeep || fw::SetDesktopWallpaper(path) ? OpResult::Done() : OpResult::Failed();
}

bool CWallpaper::WriteHeldPicture(const ListEntry& entry, const std::wstring& target, ExistingTarget existing) {
    // Only the picture of this very entry, decoded from its exact name.
    const Decoder shown = m_pane.ShownDecoder();
    if (m_pane.ShownPath() != m_folder.PathOf(entry) || !(shown == entry.GetDecoder()) ||
        !m_pane.HoldsPicture()) {
        return false;
    }
    // The canvas has the proportions of the primary monitor's real pixels.
    const SIZE screen = fw::GetPrimaryScreenPixels();
    const int screenWidth = screen.cx;
    const int screenHeight = screen.cy;
    // A picture shown from its copy scaled to the pane is decoded in full for it.
    const CPicture& picture = m_pane.FullShownPicture();
    return !picture.IsEmpty() && WriteWallpaperBmp(picture, screenWidth, screenHeight, target, existing);
}

void CWallpaper::OnWallpaperFile() {
    m_host.ReportIfFailed(MakeWallpaper(Desktop::kKeep), "壁紙用ＢＭＰ作成失敗\n");
}

void CWallpaper::OnWallpaperSet() {
    m_host.ReportIfFailed(MakeWallpaper(Desktop::kSet), "壁紙用ＢＭＰ作成／変更失敗\n");
}

void CWallpaper::OnWallpaperReturn() {
    m_host.ReportIfFailed(MakeWallpaper(Desktop::kSet, WindowsDirWallpaperPath()), "壁紙変更失敗\n");
}
