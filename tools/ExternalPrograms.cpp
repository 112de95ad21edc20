#include "tools/ExternalPrograms.h"

#include <optional>
#include <vector>

#include "filelist/EntryPath.h"
#include "framework/Handles.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "host/KeyTable.h"
#include "portable/PathUtil.h"
#include "tools/ProgramCommandLine.h"
#include "tools/UrlMemo.h"

namespace {

constexpr DWORD kReadBytes = 64 * 1024;
constexpr char kBatchRefusesFolder[] =
    "このフォルダはバッチファイルのプログラムに渡せません（& | < > ^ % \" のどれかを含みます）:\n";
constexpr char kBatchRefusesAddress[] =
    "このURLはバッチファイルのプログラムに渡せません（& | < > ^ % \" のどれかを含みます）:\n";

enum class MemoRead { kOpened, kCannotOpen };

// Reads a memo file to its end through the scanner; memory stays bounded.
MemoRead ScanMemo(const std::wstring& path, UrlMemoScanner& scanner) {
    const fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid()) {
        return MemoRead::kCannotOpen;
    }
    std::vector<char> buffer(kReadBytes);
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer.data(), kReadBytes, &read, nullptr) && read > 0) {
        scanner.Feed(std::string_view(buffer.data(), read));
    }
    scanner.Finish();
    return MemoRead::kOpened;
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CExternalPrograms)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kOpenUrlMemo), 0, OpenUrlFromMemo)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kOpenDirWindow), 0, OpenCurrentDirWindow)
FW_END_PART_MESSAGE_MAP()

CExternalPrograms::CExternalPrograms(IViewerHost& host, const Settings& settings, const CFolder& folder)
    : m_host(host), m_settings(settings), m_folder(folder) {}

void CExternalPrograms::OpenCurrentDirWindow() {
    // A file manager is handed the plain path, which would name another folder when the
    // folder's name ends in a dot or a blank: such a folder is not opened.
    if (IsExactForm(m_folder.Dir())) {
        fw::MessageBox(m_host.OwnerWindow(), fw::Widen932("このフォルダはファイラーで開けません:\n") + DisplayPath(m_folder.Dir()));
        return;
    }
    const std::wstring program = fw::Widen932(m_settings.m_strOpenWindowProgram);
    if (!ProgramTakesArgument(program, m_folder.Dir())) {
        fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kBatchRefusesFolder) + DisplayPath(m_folder.Dir()));
        return;
    }
    const std::optional<std::wstring> line = DirectoryWindowCommandLine(program, m_folder.Dir());
    if (line) {
        fw::StartProgram(*line);
    }
}

std::wstring CExternalPrograms::MemoFolder() const {
    const ListEntry* selected = m_folder.Selected();
    if (selected != nullptr && selected->IsDirectory()) {
        return m_folder.PathOf(*selected);
    }
    return m_folder.Dir();
}

void CExternalPrograms::OpenUrlFromMemo() {
    const std::string& memoName = m_settings.m_strUrlMemo;
    UrlMemoScanner scanner;
    if (ScanMemo(EntryPath(MemoFolder(), fw::Widen932(memoName)), scanner) == MemoRead::kCannotOpen) {
        fw::MessageBox(m_host.OwnerWindow(), memoName + " が開けませんでした。");
        return;
    }
    const std::optional<std::string> address =
        scanner.Candidate() ? WebAddressFrom(*scanner.Candidate()) : std::nullopt;
    if (!address) {
        fw::MessageBox(m_host.OwnerWindow(), "URLが見つかりません。");
        return;
    }
    const std::wstring program = fw::Widen932(m_settings.m_strUrlProgram);
    const std::wstring wideAddress = fw::Widen932(*address);
    if (!ProgramTakesArgument(program, wideAddress)) {
        fw::MessageBox(m_host.OwnerWindow(), kBatchRefusesAddress + *address);
        return;
    }
    fw::StartProgram(UrlCommandLine(program, wideAddress));
}
