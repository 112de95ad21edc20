#include "settings/Settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "portable/Cp932Text.h"
#include "framework/ProfileFile.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "portable/PathUtil.h"

namespace {

// A value is read whole, however long: a folder cut short would name its parent or a
// sibling whose name begins the same.
std::string ReadString(const std::wstring& ini, const char* section, const char* key, const std::string& fallback) {
    return fw::ReadProfileString(ini, section, key, fallback);
}

// A flag is set exactly by the text "TRUE".
int ReadFlag(const std::wstring& ini, const char* section, const char* key) {
    return ReadString(ini, section, key, "FALSE") == "TRUE" ? 1 : 0;
}

// A number replaces the value held only when it is greater than 0.
void ReadPositive(const std::wstring& ini, const char* section, const char* key, int& member) {
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

// One key of the settings file and the member it holds: a text, a numbered target folder,
// or a number that is either a flag ("TRUE"/"FALSE") or a count read only when above 0.
struct SettingKey {
    const char* section;
    const char* name;
    std::string Settings::*text = nullptr;
    int Settings::*number = nullptr;
    bool flag = false;
    int target = 0;  // 1 to kTargetCount for a numbered target, which leaves no key when unset
};

// The text a key holds, when it holds one.
template <class S>
auto* TextOf(S& settings, const SettingKey& key) {
    if (key.target > 0) {
        return &settings.m_strTargetDirs[static_cast<size_t>(key.target - 1)];
    }
    return key.text != nullptr ? &(settings.*key.text) : nullptr;
}

// Every key, in the order Save writes them.
const SettingKey kKeys[] = {
    {"Directory", "MoveDir", &Settings::m_strMoveDir},
    {"Directory", "TrashDir", &Settings::m_strTrashDir},
    {"Directory", "CopyDir", &Settings::m_strCopyDir},
    {"Directory", "WallPaperDir", &Settings::m_strWallPaperDir},
    {"Preference", "ResizeWallPaperToScreenSize", nullptr, &Settings::m_bResizeWallPaperToScreenSize, true},
    {"Preference", "AutoRenameAtMove", nullptr, &Settings::m_bAutoRenameAtMove, true},
    {"Preference", "DeleteImmediate", nullptr, &Settings::m_bDeleteImmediate, true},
    {"Preference", "TrashIdentical", nullptr, &Settings::m_bTrashIdentical, true},
    {"Directory", "OpenWindowProgram", &Settings::m_strOpenWindowProgram},
    {"Directory", "URLProgram", &Settings::m_strUrlProgram},
    {"Directory", "URLMemo", &Settings::m_strUrlMemo},
    {"DeleteSmall", "Width", nullptr, &Settings::m_nDeleteSmallWidth},
    {"DeleteSmall", "Height", nullptr, &Settings::m_nDeleteSmallHeight},
    {.section = "Targets", .name = "Dir1", .target = 1},
    {.section = "Targets", .name = "Dir2", .target = 2},
    {.section = "Targets", .name = "Dir3", .target = 3},
    {.section = "Targets", .name = "Dir4", .target = 4},
    {.section = "Targets", .name = "Dir5", .target = 5},
    {.section = "Targets", .name = "Dir6", .target = 6},
    {.section = "Targets", .name = "Dir7", .target = 7},
    {.section = "Targets", .name = "Dir8", .target = 8},
    {.section = "Targets", .name = "Dir9", .target = 9},
};

}  // namespace

std::wstring GetIniFilePath() {
    return AddTrailingBackslash(GetDirectoryPart(fw::ExecutablePath())) + L"Ixo.ini";
}

std::optional<std::string> StorablePath(HWND owner, const std::wstring& path) {
    std::optional<std::string> stored = fw::Narrow932(path);
    if (!stored) {
        fw::MessageBox(owner, fw::Widen932("この名前はシフトJISで表せないため、設定に保存できません。\n") + path,
                       nullptr, MB_OK | MB_ICONWARNING);
    }
    return stored;
}

// Earlier versions read at most 259 bytes of a value, cut before a character that would not
// fit whole, and wrote what they read back.
bool Settings::MayBeCut(const std::string& folder) {
    return folder.size() == 258 || folder.size() == 259;
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

void Settings::Load(const std::wstring& ini) {
    for (const SettingKey& key : kKeys) {
        if (std::string* text = TextOf(*this, key)) {
            *text = ReadString(ini, key.section, key.name, *text);
        } else if (key.flag) {
            this->*key.number = ReadFlag(ini, key.section, key.name);
        } else {
            ReadPositive(ini, key.section, key.name, this->*key.number);
        }
    }
}

// Every key, in the table's order, whether it changed or not; the file's other sections
// and keys (the registered directories, what a user added) stay as they are. A numbered
// target not set is no key: a file whose user sets none keeps its shape.
bool Settings::Save(const std::wstring& ini) const {
    std::vector<fw::ProfileEdit> edits;
    for (const SettingKey& key : kKeys) {
        const std::string* text = TextOf(*this, key);
        if (key.target > 0 && text->empty()) {
            edits.push_back(fw::ProfileEdit::Delete(key.section, key.name));
            continue;
        }
        const std::string value = text != nullptr ? *text
                                  : key.flag      ? std::string(FlagText(this->*key.number))
                                                  : NumberText(this->*key.number);
        edits.push_back(fw::ProfileEdit::Set(key.section, key.name, value));
    }
    return fw::WriteProfile(ini, edits);
}
