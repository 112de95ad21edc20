#include "filelist/FileList.h"

#include <algorithm>
#include <unordered_map>

#include "filelist/PathUtil.h"
#include "framework/DirectoryEnumerator.h"

namespace {

// The queue is drained at most this often while a directory is listed.
constexpr DWORD kDrainIntervalMs = 15;

}  // namespace

void CFileList::Clear() {
    m_list.ResetContent();
    m_entries.clear();
}

const ListEntry* CFileList::At(int index) const {
    const LRESULT data = m_list.GetItemData(index);
    return data == LB_ERR || data == 0 ? nullptr : reinterpret_cast<const ListEntry*>(data);
}

// A directory is added under a text that begins with a line feed, which sorts ahead of
// every file name, and is then renamed in place to "[ name ]" without moving.
void CFileList::Add(ListEntry entry) {
    m_entries.push_back(std::make_unique<ListEntry>(std::move(entry)));
    const ListEntry* stored = m_entries.back().get();
    const auto data = reinterpret_cast<LRESULT>(stored);
    if (!stored->IsDirectory()) {
        m_list.SetItemData(m_list.AddString(stored->name), data);
        return;
    }
    const int added = m_list.AddString("\n " + stored->name + " ]");
    std::string text = m_list.GetText(added);
    std::replace(text.begin(), text.end(), '\n', '[');
    m_list.DeleteString(added);
    m_list.SetItemData(m_list.InsertString(added, text), data);
}

bool CFileList::Fill(const std::string& dir, const CSpiPluginList& plugins, const std::function<bool()>& pump) {
    m_list.SetRedraw(FALSE);
    m_bListingFailed = false;
    fw::CDirectoryEnumerator found(AddTrailingBackslash(dir) + "*.*");
    // What decodes each extension within this listing: the answers do not change.
    std::unordered_map<std::string, Decoder> decoderOf;
    DWORD lastDrain = ::GetTickCount();
    fw::DirectoryEntry e;
    while (found.Next(e)) {
        if (e.isDirectory) {
            Add(ListEntry::Directory(e.name, e.isReparsePoint));
            continue;
        }
        const size_t dot = FindLastChar(e.name, '.');
        if (dot == std::string::npos) {
            continue;
        }
        const std::string ext = UpperCaseAscii(std::string_view(e.name).substr(dot));
        auto cached = decoderOf.find(ext);
        if (cached == decoderOf.end()) {
            cached = decoderOf.emplace(ext, plugins.DecoderFor(ext)).first;
        }
        if (cached->second.IsNone()) {
            continue;
        }
        Add(ListEntry::Picture(e.name, cached->second));
        if (::GetTickCount() - lastDrain >= kDrainIntervalMs) {
            if (!pump()) {
                // The window may be gone, and its list with it.
                if (::IsWindow(m_list.GetSafeHwnd())) {
                    m_list.SetRedraw(TRUE);
                }
                return false;
            }
            lastDrain = ::GetTickCount();
        }
    }
    m_bListingFailed = found.Failed();
    m_list.SetRedraw(TRUE);
    ::InvalidateRect(m_list.GetSafeHwnd(), nullptr, TRUE);
    return true;
}

int CFileList::SelectDirectory(const std::string& name) const {
    const int found = m_list.SelectString(-1, ListEntry::Directory(name).Text());
    return found == LB_ERR ? -1 : found;
}

int CFileList::SelectText(const std::string& text) const {
    if (text.empty()) {
        return -1;  // every text would begin with it
    }
    // The whole text first: another entry may begin with it ("a.jpg" and "a.jpg.png").
    const int exact = m_list.FindStringExact(-1, text);
    if (exact != LB_ERR) {
        m_list.SetCurSel(exact);
        return exact;
    }
    const int found = m_list.SelectString(0, text);
    return found == LB_ERR ? -1 : found;
}

void CFileList::RemoveCurrent() {
    const ListEntry* gone = Current();
    m_list.DeleteString(m_nCurIndex);
    if (gone != nullptr) {
        std::erase_if(m_entries, [gone](const auto& e) { return e.get() == gone; });
    }
    const int count = m_list.GetCount();
    m_nCurIndex = std::max(std::min(m_nCurIndex, count - 1), 0);
    m_list.SetCurSel(m_nCurIndex);
}

bool CFileList::SelectNext() const {
    if (m_nCurIndex >= m_list.GetCount() - 1) {
        return false;
    }
    m_list.SetCurSel(m_list.GetCurSel() + 1);
    return true;
}
