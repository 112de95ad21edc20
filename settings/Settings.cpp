#include "settings/Settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "framework/ProfileFile.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "portable/PathUtil.h"

namespace {

// A value is read into a 260-byte area: at most 259 bytes of it are used.
constexpr DWORD kValueArea = 260;

std::string ReadString(const std::string& ini, const char* section, const char* key, const std::string& fallback) {
    char value[kValueArea] = {};
    ::GetPrivateProfileStringA(section, key, fallback.c_str(), value, kValueArea, ini.c_str());
    return value;
}

// A flag is set exactly by the text "TRUE".
int ReadFlag(const std::string& ini, const char* section, const char* key) {
    return ReadString(ini, section, key, "FALSE") == "TRUE" ? 1 : 0;
}

// A number replaces the value held only when it is greater than 0.
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

const char* FlagText(int flag) {
    return flag == 1 ? "TRUE" : "FALSE";
}

}  // namespace

std::string GetIniFilePath() {
    return AddTrailingBackslash(GetDirectoryPart(fw::AfxGetModuleFilePath())) + "Ixo.ini";
}

Settings Settings::Defaults(const std::wstring& exeDir) {
    Settings s;
    const std::optional<std::string> base = fw::Narrow932(AddTrailingBackslash(exeDir));
    if (base) {
        s.m_strMoveDir = *base + "MoveDir";
        s.m_strCopyDir = *base + "CopyDir";
        s.m_strTrashDir = *base + "TrashDir";
        s.m_strWallPaperDir = *base + "WallPaperDir";
    }
    return s;
}

void Settings::Load(const std::string& ini) {
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

// All twelve keys, in this order, whether they changed or not; the file's other sections
// (the registered directories among them) stay as they are.
bool Settings::Save(const std::string& ini) const {
    const std::vector<fw::ProfileEdit> keys = {
        fw::ProfileEdit::Set("Directory", "MoveDir", m_strMoveDir),
        fw::ProfileEdit::Set("Directory", "TrashDir", m_strTrashDir),
        fw::ProfileEdit::Set("Directory", "CopyDir", m_strCopyDir),
        fw::ProfileEdit::Set("Directory", "WallPaperDir", m_strWallPaperDir),
        fw::ProfileEdit::Set("Preference", "ResizeWallPaperToScreenSize", FlagText(m_bResizeWallPaperToScreenSize)),
        fw::ProfileEdit::Set("Preference", "AutoRenameAtMove", FlagText(m_bAutoRenameAtMove)),
        fw::ProfileEdit::Set("Preference", "DeleteImmediate", FlagText(m_bDeleteImmediate)),
        fw::ProfileEdit::Set("Directory", "OpenWindowProgram", m_strOpenWindowProgram),
        fw::ProfileEdit::Set("Directory", "URLProgram", m_strUrlProgram),
        fw::ProfileEdit::Set("Directory", "URLMemo", m_strUrlMemo),
        fw::ProfileEdit::Set("DeleteSmall", "Width", NumberText(m_nDeleteSmallWidth)),
        fw::ProfileEdit::Set("DeleteSmall", "Height", NumberText(m_nDeleteSmallHeight)),
    };
    return fw::WriteProfile(ini, keys);
}
