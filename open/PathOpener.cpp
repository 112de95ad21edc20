#include "open/PathOpener.h"

#include <utility>
#include <vector>

#include "filelist/EntryPath.h"
#include "framework/DroppedFiles.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "open/ArgumentPath.h"
#include "portable/CommandLine.h"
#include "portable/PathUtil.h"

namespace {

constexpr char kNotOpened[] = "指定されたフォルダまたはファイルを開けませんでした。\n";

// Posted at start-up when the command line's path could not be opened: the message waits
// until the window shows.
constexpr UINT kStartNotOpenedMessage = WM_APP + 0x31;

// The working directory, whatever its length; empty when it cannot be read.
std::wstring CurrentDirectory() {
    std::wstring dir(MAX_PATH, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
        if (length == 0) {
            break;
        }
        if (length < dir.size()) {
            dir.resize(length);
            return dir;
        }
        dir.assign(length, L'\0');  // the length needed, its terminating NUL included
    }
    return {};
}

// The name a file is listed by when `name` is its short (8.3) name, as older programs hand
// paths over ("PHOTO~1.JPG"); any other name as it is. Only a short name is looked up: the
// lookup would take a name with trailing dots or blanks for another file.
std::wstring ListedName(const std::wstring& dir, const std::wstring& name) {
    if (name.find(L'~') == std::wstring::npos) {
        return name;
    }
    const std::wstring path = EntryPath(dir, name);
    std::wstring longPath(MAX_PATH, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD length = ::GetLongPathNameW(path.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
        if (length == 0) {
            break;
        }
        if (length < longPath.size()) {
            longPath.resize(length);
            return GetFileNamePart(longPath);
        }
        longPath.assign(length, L'\0');  // the length needed, its terminating NUL included
    }
    return name;
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CPathOpener)
    FW_ON_MESSAGE(WM_DROPFILES, DropFiles, OnDropFiles)
    FW_ON_COMMAND(CPathOpener::kOpenDroppedId, 0, OnOpenDropped)
    FW_ON_MESSAGE(kStartNotOpenedMessage, Void, OnStartNotOpened)
FW_END_PART_MESSAGE_MAP()

CPathOpener::CPathOpener(IViewerHost& host, CFolder& folder) : m_host(host), m_folder(folder) {}

void CPathOpener::Start() {
    fw::AcceptDroppedFiles(m_host.OwnerWindow());
    const std::wstring path = StartPath();
    if (path.empty()) {
        m_folder.Open(m_folder.Dir());
        return;
    }
    const std::wstring full = FullPathOfArgument(CurrentDirectory(), path);
    const Outcome outcome = OpenFullPath(full);
    if (outcome == Outcome::kMissing) {
        m_folder.Open(m_folder.Dir());
    }
    if (outcome != Outcome::kOpened) {
        m_notOpened = full;
        ::PostMessageW(m_host.OwnerWindow(), kStartNotOpenedMessage, 0, 0);
    }
}

std::wstring CPathOpener::StartPath() const {
    for (const std::wstring& argument : CommandLineArguments(m_commandLine)) {
        if (!argument.empty()) {
            return argument;
        }
    }
    return {};
}

OpResult CPathOpener::Open(const std::wstring& path) {
    const std::wstring full = FullPathOfArgument(CurrentDirectory(), path);
    if (OpenFullPath(full) == Outcome::kOpened) {
        return OpResult::Done();
    }
    ReportNotOpened(full);
    return OpResult::Refused();
}

CPathOpener::Outcome CPathOpener::OpenFullPath(const std::wstring& full) {
    const std::wstring dir = GetDirectoryPart(full);
    const std::wstring name = GetFileNamePart(full);
    // A root has no name of its own; any other path reaches its name exactly as listed.
    const DWORD attributes = ::GetFileAttributesW(name.empty() ? full.c_str() : EntryPath(dir, name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Outcome::kMissing;
    }
    const std::wstring previousDir = m_folder.Dir();
    const ListEntry* selected = m_folder.Selected();
    const std::wstring previousName = selected != nullptr ? selected->name : std::wstring();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        m_folder.Open(full);
    } else {
        m_folder.OpenSelecting(RemoveTrailingBackslash(dir), ListedName(dir, name));
    }
    // A folder that gave nothing and could not be read (no access, gone meanwhile).
    if (m_folder.ListingFailed() && m_folder.Count() == 0) {
        m_folder.OpenSelecting(previousDir, previousName);
        return Outcome::kNotListed;
    }
    return Outcome::kOpened;
}

void CPathOpener::ReportNotOpened(const std::wstring& full) const {
    fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kNotOpened) + full, nullptr, MB_OK);
}

// Only the first path of a drop is opened, as only the first of the command line is.
void CPathOpener::OnDropFiles(HDROP drop) {
    const std::vector<std::wstring> paths = fw::TakeDroppedFiles(drop);
    if (paths.empty()) {
        return;
    }
    m_dropped = paths.front();
    ::SendMessageW(m_host.OwnerWindow(), WM_COMMAND, MAKEWPARAM(kOpenDroppedId, 0), 0);
    m_dropped.clear();
}

void CPathOpener::OnOpenDropped() {
    // Taken out first: another drop may come while the folder is listed.
    const std::wstring path = std::exchange(m_dropped, std::wstring());
    if (!path.empty()) {
        Open(path);
    }
}

void CPathOpener::OnStartNotOpened() {
    const std::wstring full = std::exchange(m_notOpened, std::wstring());
    if (!full.empty()) {
        ReportNotOpened(full);
    }
}
