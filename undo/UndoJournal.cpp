#include "undo/UndoJournal.h"

#include <algorithm>

#include "framework/Handles.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "portable/PathUtil.h"

namespace {

// More than a kept journal can reach; a larger file is read only this far.
constexpr DWORD kReadLimit = 64u << 20;

std::string ReadPrefix(const std::wstring& path, DWORD limit, bool& whole) {
    whole = true;
    fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return {};
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
        return {};
    }
    whole = size.QuadPart <= limit;
    std::string text(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, limit)), '\0');
    DWORD got = 0;
    if (!text.empty() && !::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) {
        got = 0;
    }
    text.resize(got);
    return text;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return bytes.empty() || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size());
}


}  // namespace

CUndoJournal::CUndoJournal(std::wstring path) : m_path(std::move(path)) {}

std::wstring CUndoJournal::DefaultPath() {
    return AddTrailingBackslash(GetDirectoryPart(fw::AfxGetModuleFilePathW())) + L"IxoUndo.log";
}

void CUndoJournal::Recorded(FileOp op, const std::wstring& from, const std::wstring& to) {
    const std::string line = FormatOperation(
        {op, fw::NarrowUtf8(from).value_or(std::string()), fw::NarrowUtf8(to).value_or(std::string())});
    if (line.empty()) {
        return;
    }
    if (!m_bRead) {
        Read();
    }
    if (Append(line)) {
        ++m_lines;
    }
    if (m_lines > 2 * kJournalKeep) {
        Read();
    }
}

std::optional<JournalEntry> CUndoJournal::Latest() {
    ParsedJournal parsed = Read();
    if (parsed.live.empty()) {
        return std::nullopt;
    }
    return std::move(parsed.live.back());
}

bool CUndoJournal::MarkUndone(const JournalEntry& entry) {
    if (!Append(FormatUndone(entry))) {
        return false;
    }
    ++m_lines;
    return true;
}

ParsedJournal CUndoJournal::Read() {
    bool whole = true;
    const std::string text = ReadPrefix(m_path, kReadLimit, whole);
    ParsedJournal parsed = ParseJournal(text);
    m_bRead = true;
    m_lines = parsed.lines;
    if (parsed.validBytes < text.size() || !whole || parsed.lines > 2 * kJournalKeep) {
        const std::string compacted = FormatCompacted(parsed.live);
        if (Replace(compacted)) {
            parsed = ParseJournal(compacted);
            m_lines = parsed.lines;
        }
    }
    return parsed;
}

bool CUndoJournal::Append(const std::string& line) {
    if (m_path.empty()) {
        return false;
    }
    fw::FileHandle file(::CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER zero{};
    return file.IsValid() && ::SetFilePointerEx(file.Get(), zero, nullptr, FILE_END) && WriteAll(file.Get(), line) &&
           ::FlushFileBuffers(file.Get());
}

bool CUndoJournal::Replace(const std::string& text) {
    const size_t slash = m_path.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return false;
    }
    const std::wstring dir = m_path.substr(0, slash + 1);
    wchar_t temp[MAX_PATH + 16] = {};
    if (dir.size() >= MAX_PATH - 14 || ::GetTempFileNameW(dir.c_str(), L"ixo", 0, temp) == 0) {
        return false;
    }
    bool written = false;
    {
        fw::FileHandle file(
            ::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file.IsValid() && WriteAll(file.Get(), text) && ::FlushFileBuffers(file.Get());
    }
    if (!written || !::MoveFileExW(temp, m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temp);
        return false;
    }
    return true;
}
