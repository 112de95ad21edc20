// Loading the selected entry's picture and drawing it into the picture pane.
#include <climits>
#include <cstring>

#include "app/ViewerDlg.h"
#include "filelist/PathUtil.h"
#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "image/PaneGeometry.h"

namespace {

PaneRect ToPane(const RECT& r) {
    return PaneRect{r.left, r.top, r.right, r.bottom};
}

RECT ToRect(const PaneRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

// Adds without overflowing: a key may page by a whole pane height many times over.
int SaturatingAdd(int a, int b) {
    const long long sum = static_cast<long long>(a) + b;
    return sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : static_cast<int>(sum);
}

}  // namespace

void CViewerDlg::ReleasePictureOf(LRESULT itemData) {
    if (itemData == 0) {
        m_bmp.Free();
    } else if (itemData != -1) {
        reinterpret_cast<CSpiPlugin*>(itemData)->FreePicture();
    }
}

void CViewerDlg::ShowSelectedEntry() {
    if (m_hWnd == nullptr) {
        return;
    }
    ReleasePictureOf(m_listFiles.GetItemData(m_nCurIndex));
    m_nScrollX = 0;
    m_nScrollY = 0;
    m_nCurIndex = m_listFiles.GetCurSel();
    const LRESULT data = m_listFiles.GetItemData(m_nCurIndex);
    CClientDC dc(m_hWnd);
    if (data == -1) {
        DrawPicture(dc, TRUE, PictureSource::Selected());
        ShowDirectoryPreview();
        return;
    }
    const std::string path = AddTrailingBackslash(m_strCurDir) + m_listFiles.GetText(m_nCurIndex);
    if (data == 0) {
        m_bmp.Load(path, dc);
    } else {
        reinterpret_cast<CSpiPlugin*>(data)->Decode(path);
    }
    DrawPicture(dc, TRUE, PictureSource::Selected());
}

void CViewerDlg::ShowDirectoryPreview() {
    if (m_nCurIndex == -1 || m_hWnd == nullptr || !IsDirectorySelected()) {
        return;
    }
    // The directory named exactly as on disk, blanks included.
    const std::string name = GetSelectedDirectoryNameOnDisk();
    if (name.empty()) {
        return;
    }
    const std::string dir = AddTrailingBackslash(AddTrailingBackslash(m_strCurDir) + name);
    WIN32_FIND_DATAA found;
    fw::FindHandle find(::FindFirstFileA((dir + "*.*").c_str(), &found));
    if (!find.IsValid()) {
        return;
    }
    CClientDC dc(m_hWnd);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        const std::string path = dir + found.cFileName;
        const size_t dot = path.rfind('.');  // 0x2E is never a trail byte
        if (dot == std::string::npos) {
            continue;
        }
        const std::string ext = path.substr(dot + 1);
        if (_stricmp(ext.c_str(), "BMP") == 0) {
            m_bmp.Load(path, dc);
            DrawPicture(dc, TRUE, PictureSource::Bmp());
            return;
        }
        if (CSpiPlugin* plugin = FindPluginFor(ext)) {
            plugin->Decode(path);
            DrawPicture(dc, TRUE, PictureSource::Plugin(plugin));
            return;
        }
    } while (::FindNextFileA(find.Get(), &found));
}

bool CViewerDlg::ResolvePicture(PictureSource source, CSpiPlugin** plugin) {
    *plugin = source.plugin;
    if (source.kind != PictureSource::kSelected) {
        return true;
    }
    const LRESULT data = m_listFiles.GetItemData(m_nCurIndex);
    if (data == -1) {
        return false;  // a directory entry, or nothing selected
    }
    *plugin = data == 0 ? nullptr : reinterpret_cast<CSpiPlugin*>(data);
    return true;
}

PictureLayout CViewerDlg::LayoutPictureOf(CSpiPlugin* plugin) {
    const int width = plugin == nullptr ? m_bmp.GetWidth() : plugin->GetWidth();
    const int height = plugin == nullptr ? m_bmp.GetHeight() : plugin->GetHeight();
    return LayoutPicture(m_bFitToPane != 0, plugin != nullptr, width, height, ToPane(GetPaneRect()), m_nScrollX,
                         m_nScrollY);
}

void CViewerDlg::DrawPicture(HDC dc, BOOL fill, PictureSource source) {
    if (m_hWnd == nullptr) {
        return;
    }
    if (fill) {
        const RECT pane = GetPaneRect();
        ::SetBkColor(dc, RGB(0, 0, 0));
        ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &pane, nullptr, 0, nullptr);
    }
    CSpiPlugin* plugin = nullptr;
    if (!ResolvePicture(source, &plugin)) {
        return;
    }
    const PictureLayout layout = LayoutPictureOf(plugin);
    if (plugin == nullptr) {
        m_bmp.Draw(ToRect(layout.source), ToRect(layout.destination), dc);
    } else {
        plugin->Draw(dc, ToRect(layout.source), ToRect(layout.destination));
    }
}

BOOL CViewerDlg::ScrollPicture(int dx, int dy) {
    const int oldX = m_nScrollX;
    const int oldY = m_nScrollY;
    m_nScrollX = SaturatingAdd(m_nScrollX, dx);
    m_nScrollY = SaturatingAdd(m_nScrollY, dy);
    // Clamped first: when nothing moved the pane shows this view already, and drawing a
    // large picture again would only cost the key its speed.
    CSpiPlugin* plugin = nullptr;
    if (m_hWnd != nullptr && ResolvePicture(PictureSource::Selected(), &plugin)) {
        LayoutPictureOf(plugin);
        if (m_nScrollX == oldX && m_nScrollY == oldY) {
            return TRUE;
        }
    }
    CClientDC dc(m_hWnd);
    DrawPicture(dc, FALSE, PictureSource::Selected());
    return m_nScrollX == oldX && m_nScrollY == oldY;
}
