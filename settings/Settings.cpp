#include "settings/Settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

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

// Removes a temporary file, also when copying made it read-only.
void RemoveTempFile(const char* path) {
    ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path);
}

}  // namespace

std::string GetIniFilePath() {
    return AddTrailingBackslash(GetDirectoryPart(fw::AfxGetModuleFilePath())) + "Ixo.ini";
}

Settings Settings::Defaults(const std::string& exeDir) {
    Settings s;
    const std::string base = AddTrailingBackslash(exeDir);
    s.m_strMoveDir = base + "MoveDir";
    s.m_strCopyDir = base + "CopyDir";
    s.m_strTrashDir = base + "TrashDir";
    s.m_strWallPaperDir = base + "WallPaperDir";
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

// All twelve keys are written to a copy of the file, which then replaces the file in one
// step: a failed write leaves the previous settings whole. The copy is removed whatever
// goes wrong. A folder where no new file can be made still has its settings written, in
// place.
bool Settings::Save(const std::string& ini) const {
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
    const auto writeAll = [&](const char* file) {
        bool written = true;
        for (const auto& e : entries) {
            written = ::WritePrivateProfileStringA(e.section, e.key, e.value.c_str(), file) && written;
        }
        // Flush the profile cache to the file before anything else touches it.
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
        return written;
    };

    const std::string dir = GetDirectoryPart(ini);
    char temp[MAX_PATH + 16] = {};
    if (dir.size() >= MAX_PATH - 14 || ::GetTempFileNameA(dir.c_str(), "ixo", 0, temp) == 0) {
        return writeAll(ini.c_str());
    }
    // Keep the other sections (the registered directories among them); the copy takes
    // the file's attributes, which must not stop it from being written.
    if (::GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!::CopyFileA(ini.c_str(), temp, FALSE)) {
            RemoveTempFile(temp);
            return false;
        }
        ::SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
    }
    if (!writeAll(temp) || !::MoveFileExA(temp, ini.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RemoveTempFile(temp);
        return false;
    }
    return true;
}
