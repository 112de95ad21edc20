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
    // The directory named exactly between "[ " and " ]", blanks included.
    const std::string text = m_listFiles.GetText(m_nCurIndex);
    if (text.size() < 4) {
        return;
    }
    const std::string dir = AddTrailingBackslash(AddTrailingBackslash(m_strCurDir) + text.substr(2, text.size() - 4));
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

void CViewerDlg::DrawPicture(HDC dc, BOOL fill, PictureSource source) {
    if (m_hWnd == nullptr) {
        return;
    }
    const RECT pane = GetPaneRect();
    if (fill) {
        ::SetBkColor(dc, RGB(0, 0, 0));
        ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &pane, nullptr, 0, nullptr);
    }
    CSpiPlugin* plugin = source.plugin;
    bool bmp = source.kind == PictureSource::kBmp;
    if (source.kind == PictureSource::kSelected) {
        const LRESULT data = m_listFiles.GetItemData(m_nCurIndex);
        if (data == -1) {
            return;
        }
        bmp = data == 0;
        plugin = bmp ? nullptr : reinterpret_cast<CSpiPlugin*>(data);
    }
    const int width = bmp ? m_bmp.GetWidth() : plugin->GetWidth();
    const int height = bmp ? m_bmp.GetHeight() : plugin->GetHeight();
    const PictureLayout layout =
        LayoutPicture(m_bFitToPane != 0, !bmp, width, height, ToPane(pane), m_nScrollX, m_nScrollY);
    if (bmp) {
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
    CClientDC dc(m_hWnd);
    DrawPicture(dc, FALSE, PictureSource::Selected());
    return m_nScrollX == oldX && m_nScrollY == oldY;
}
