// Reading and writing the settings file Ixo.ini beside the executable.
#include <cstdio>
#include <cstdlib>

#include "app/ViewerDlg.h"
#include "filelist/PathUtil.h"
#include "framework/WinApp.h"

namespace {

// A value is read into a 260-byte area: at most 259 bytes of it are used.
constexpr DWORD kValueArea = 260;

std::string ReadString(const std::string& ini, const char* section, const char* key, const std::string& fallback) {
    char value[kValueArea] = {};
    ::GetPrivateProfileStringA(section, key, fallback.c_str(), value, kValueArea, ini.c_str());
    return value;
}

// A flag is set exactly by the text "TRUE".
BOOL ReadFlag(const std::string& ini, const char* section, const char* key) {
    return ReadString(ini, section, key, "FALSE") == "TRUE" ? TRUE : FALSE;
}

// A number replaces the built-in value only when it is greater than 0.
void ReadPositive(const std::string& ini, const char* section, const char* key, int& member) {
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "%d", member);
    const int value = std::atoi(ReadString(ini, section, key, fallback).c_str());
    if (value > 0) {
        member = value;
    }
}

std::string NumberText(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

const char* FlagText(BOOL flag) {
    return flag == 1 ? "TRUE" : "FALSE";
}

}  // namespace

std::string CViewerDlg::GetIniFilePath() const {
    return AddTrailingBackslash(GetDirectoryPart(AfxGetModuleFilePath())) + "Ixo.ini";
}

void CViewerDlg::ReadSettings() {
    const std::string ini = GetIniFilePath();
    m_strMoveDir = ReadString(ini, "Directory", "MoveDir", m_strMoveDir);
    m_strTrashDir = ReadString(ini, "Directory", "TrashDir", m_strTrashDir);
    m_strCopyDir = ReadString(ini, "Directory", "CopyDir", m_strCopyDir);
    m_strWallPaperDir = ReadString(ini, "Directory", "WallPaperDir", m_strWallPaperDir);
    m_strOpenWindowProgram = ReadString(ini, "Directory", "OpenWindowProgram", m_strOpenWindowProgram);
    m_strUrlProgram = ReadString(ini, "Directory", "URLProgram", m_strUrlProgram);
    m_strUrlMemo = ReadString(ini, "Directory", "URLMemo", m_strUrlMemo);
    m_bResizeWallPaperToScreenSize = ReadFlag(ini, "Preference", "ResizeWallPaperToScreenSize");
    m_bAutoRenameAtMove = ReadFlag(ini, "Preference", "AutoRenameAtMove");
    m_bDeleteImmediate = ReadFlag(ini, "Preference", "DeleteImmediate");
    ReadPositive(ini, "DeleteSmall", "Width", m_nDeleteSmallWidth);
    ReadPositive(ini, "DeleteSmall", "Height", m_nDeleteSmallHeight);
}

// All twelve keys are written to a copy of the file, which then replaces the file
// in one step: a failed write leaves the previous settings whole.
void CViewerDlg::WriteSettings() const {
    const std::string ini = GetIniFilePath();
    const std::string dir = GetDirectoryPart(ini);
    char temp[MAX_PATH + 16] = {};
    if (dir.size() >= MAX_PATH - 14 || ::GetTempFileNameA(dir.c_str(), "ixo", 0, temp) == 0) {
        return;
    }
    // Keep the other sections (the registered directories among them).
    if (::GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES && !::CopyFileA(ini.c_str(), temp, FALSE)) {
        ::DeleteFileA(temp);
        return;
    }
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } entries[] = {
        {"Directory", "MoveDir", m_strMoveDir},
        {"Directory", "TrashDir", m_strTrashDir},
        {"Directory", "CopyDir", m_strCopyDir},
        {"Directory", "WallPaperDir", m_strWallPaperDir},
        {"Preference", "ResizeWallPaperToScreenSize", FlagText(m_bResizeWallPaperToScreenSize)},
        {"Preference", "AutoRenameAtMove", FlagText(m_bAutoRenameAtMove)},
        {"Preference", "DeleteImmediate", FlagText(m_bDeleteImmediate)},
        {"Directory", "OpenWindowProgram", m_strOpenWindowProgram},
        {"Directory", "URLProgram", m_strUrlProgram},
        {"Directory", "URLMemo", m_strUrlMemo},
        {"DeleteSmall", "Width", NumberText(m_nDeleteSmallWidth)},
        {"DeleteSmall", "Height", NumberText(m_nDeleteSmallHeight)},
    };
    bool written = true;
    for (const auto& e : entries) {
        written = ::WritePrivateProfileStringA(e.section, e.key, e.value.c_str(), temp) && written;
    }
    // Flush the profile cache to the temporary file before it replaces the settings.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp);
    if (!written || !::MoveFileExA(temp, ini.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temp);
    }
}
