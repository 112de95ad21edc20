#pragma once
// The settings of the program as one value, read from and written to the settings file
// Ixo.ini. The main window holds one; a dialog that edits the settings works on a copy and
// assigns it back when it closes with OK.
#include <windows.h>

#include <array>
#include <optional>
#include <string>

// The full path of the settings file: Ixo.ini beside the running executable.
std::wstring GetIniFilePath();

// A folder or program as the settings file stores it: its path in code page 932, exactly.
// None when that code page cannot hold the path: the user is told so in a message box over
// `owner` and nothing is stored.
std::optional<std::string> StorablePath(HWND owner, const std::wstring& path);

// How many numbered target folders there are (the digit keys 1 to 9 move into them).
constexpr int kTargetCount = 9;

struct Settings {
    std::string m_strMoveDir;
    std::string m_strTrashDir;
    std::string m_strCopyDir;
    std::string m_strWallPaperDir;
    std::string m_strOpenWindowProgram = "explorer";
    std::string m_strUrlProgram = "explorer";
    std::string m_strUrlMemo = "URLMemo.txt";
    // Flags hold 0 or 1; only the value 1 counts as set where a rule says "is 1".
    int m_bResizeWallPaperToScreenSize = 0;
    int m_bAutoRenameAtMove = 0;
    int m_bDeleteImmediate = 0;
    // A picture moved onto a name taken by a file of the same bytes goes to the trash folder.
    int m_bTrashIdentical = 0;
    int m_nDeleteSmallWidth = 320;
    int m_nDeleteSmallHeight = 240;
    // The numbered target folders, target N at N - 1; empty when not set.
    std::array<std::string, kTargetCount> m_strTargetDirs;

    bool operator==(const Settings&) const = default;

    // The built-in values: the folders of M, Delete, C and W below `exeDir`, no numbered
    // target. Directories are kept in code page 932: below a folder that code page cannot
    // hold they stay empty (a sorting operation then reports its failure).
    static Settings Defaults(const std::wstring& exeDir);
    // Whether a folder value may be one an earlier version cut short when it read it (and
    // then saved): such a value may name the folder's parent or a sibling, and is never
    // used as a folder.
    static bool MayBeCut(const std::string& folder);

    // Reads every key of the file over the values held; a missing file or key keeps them.
    void Load(const std::wstring& iniPath);
    // Writes every key, keeping the file's other sections and keys; an unset numbered target
    // leaves no key. The file is replaced in one step by a written copy; where no copy can
    // be made beside it, it is written in place. False when the settings could not be
    // written.
    bool Save(const std::wstring& iniPath) const;
};
