// Small operations on the selected entry of the file list.
#include <cctype>

#include "app/ViewerDlg.h"

int CViewerDlg::IsDirectorySelected() {
    if (m_nCurIndex == -1) {
        return 0;
    }
    const std::string text = m_listFiles.GetText(m_nCurIndex);
    if (text.size() < 2) {
        return 0;
    }
    return text.front() == '[' && text.back() == ']' ? 1 : 0;
}

int CViewerDlg::IsFileSelected() {
    if (IsDirectorySelected()) {
        return 0;
    }
    return m_listFiles.GetItemData(m_nCurIndex) != -1 ? 1 : 0;
}

std::string CViewerDlg::GetSelectedDirectoryName() {
    if (!IsDirectorySelected()) {
        return {};
    }
    std::string text = m_listFiles.GetText(m_nCurIndex);
    if (text.size() < 2) {
        return {};
    }
    if (text.front() == '[') {
        text.front() = ' ';
    }
    if (text.back() == ']') {
        text.back() = ' ';
    }
    const auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

LRESULT CViewerDlg::GetSelectedItemData() {
    return m_listFiles.GetItemData(m_nCurIndex);
}

void CViewerDlg::RemoveSelectedEntry() {
    ReleasePictureOf(m_listFiles.GetItemData(m_nCurIndex));
    m_listFiles.DeleteString(m_nCurIndex);
    const int count = m_listFiles.GetCount();
    if (m_nCurIndex >= count) {
        m_nCurIndex = count - 1;
    }
    if (m_nCurIndex < 0) {
        m_nCurIndex = 0;
    }
    m_listFiles.SetCurSel(m_nCurIndex);
    ShowSelectedEntry();
}

int CViewerDlg::SelectNextEntry() {
    const int count = m_listFiles.GetCount();
    if (m_nCurIndex < count - 1) {
        m_listFiles.SetCurSel(m_listFiles.GetCurSel() + 1);
        ShowSelectedEntry();
    }
    return 1;
}
