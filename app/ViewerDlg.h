#pragma once
#include <windows.h>

#include <string>

#include "commands/KeyTable.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "image/BmpImage.h"
#include "image/PaneGeometry.h"
#include "image/SpiPluginList.h"

// The main window: the file list on the left, the picture pane on the right.
// It owns every piece of run-time state of the program.
class CViewerDlg : public CDialog {
public:
    explicit CViewerDlg(CWnd* parent = nullptr);
    ~CViewerDlg() override;

    // The full path of the settings file beside the executable.
    std::string GetIniFilePath() const;

    // Places the file list and the "Change Dir" button in the left column.
    void LayoutControls();

    // ---- File list and navigation ----
    // (Re)loads every image-import plug-in found as SPI\*.SPI (SPI\*.SPH in the 64-bit build)
    // below the current directory.
    void LoadPlugins();
    // Rebuilds the list for a directory (sub-directories first, then the pictures) and
    // selects the first entry. Ignored while a listing runs.
    void ListDirectory(const std::string& dir);
    // The shell's folder browser opened at a folder; the chosen path or the empty string.
    static std::string BrowseForFolder(HWND owner, const std::string& initialFolder, const std::string& prompt);
    std::string BrowseCurrentDirectory();
    void ReloadDirectory();
    void EnterSelectedDirectory();
    void GoToParentDirectory();
    // Drains the message queue; false when the caller's loop should stop (the program
    // is quitting or the window has closed).
    bool PumpMessages();
    bool IsListing() const { return m_bListing != FALSE; }

    // ---- Selected entry ----
    int IsDirectorySelected();
    int IsFileSelected();
    std::string GetSelectedDirectoryName();
    LRESULT GetSelectedItemData();
    void RemoveSelectedEntry();
    int SelectNextEntry();

    // ---- File operations on the selected entry: nonzero for success ----
    // Moves the picture into m_strMoveDir, under a new name when its own is taken and
    // m_bAutoRenameAtMove is 1; never replaces a file.
    int MoveSelectedFile();
    int TrashSelectedFile();
    int CopySelectedFile();
    // Deletes the picture outright when m_bDeleteImmediate allows it; otherwise says why not.
    int KillSelectedFile();
    // Sends the selected directory, with everything in it, to the recycle bin through the shell.
    int DeleteSelectedDirectory();
    // The shell's recursive deletion of a path, into the recycle bin; confirmation is
    // skipped only when noConfirmation is 1. Always returns 1.
    static int DeleteDirectoryTree(const std::string& path, int noConfirmation);

    // ---- Key commands ----
    BOOL PreTranslateMessage(MSG* msg) override;

    // ---- Picture pane ----
    // What DrawPicture draws: the selected entry's picture, m_bmp, or a plug-in's picture.
    struct PictureSource {
        enum Kind { kSelected, kBmp, kPlugin } kind;
        CSpiPlugin* plugin;
        static PictureSource Selected() { return {kSelected, nullptr}; }
        static PictureSource Bmp() { return {kBmp, nullptr}; }
        static PictureSource Plugin(CSpiPlugin* p) { return {kPlugin, p}; }
    };
    void ShowSelectedEntry();
    void ShowDirectoryPreview();
    void DrawPicture(HDC dc, BOOL fill, PictureSource source);
    // Moves the actual-size view; TRUE when nothing moved.
    BOOL ScrollPicture(int dx, int dy);
    // The picture pane: the client area right of the file list.
    RECT GetPaneRect() const;

    // ---- Members, in the order the rest of the program knows them ----
    int m_bSizeDeleteRunning;
    BOOL m_bAutoRenameAtMove;
    std::string m_strUrlMemo;
    std::string m_strUrlProgram;
    std::string m_strOpenWindowProgram;
    std::string m_strWallPaperDir;
    BOOL m_bFitToPane;
    int m_nCurIndex;
    CSpiPluginList m_plugins;
    CBmpImage m_bmp;
    CButton m_btnChangeDir;
    CListBox m_listFiles;
    int m_nDeleteSmallHeight;
    int m_nDeleteSmallWidth;
    BOOL m_bResizeWallPaperToScreenSize;
    BOOL m_bDeleteImmediate;
    std::string m_strMoveDir;
    std::string m_strCopyDir;
    std::string m_strTrashDir;
    BOOL m_bLayoutReady;
    int m_nScrollY;
    int m_nScrollX;
    std::string m_strCurDir;
    HICON m_hIcon;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    // Message handlers
    void OnSysCommand(UINT id, LPARAM param);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnChangeDir();
    void OnSize(UINT type, int cx, int cy);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnSettings();
    void OnVersionInfo();
    void OnExit();
    void OnSizeDeleteSettings();
    void OnSizeDeleteAll();
    void OnCommandList();
    void OnSizeDeleteRecursive();
    void OnSizeDeleteRecursiveMove();

    FW_DECLARE_MESSAGE_MAP()

private:
    void ReadSettings();
    void WriteSettings() const;
    void FillList(const std::string& dir);
    void AddDirectoryEntry(const std::string& name);
    // The first plug-in, in load order, that accepts the extension; null when none does.
    CSpiPlugin* FindPluginFor(const std::string& ext) const;
    // The selected directory entry's name exactly as stored on disk (blanks kept); empty
    // when the entry is not a listed directory.
    std::string GetSelectedDirectoryNameOnDisk();
    // Moves or copies the selected picture to `dir` + its name (or the name chosen for it).
    int TransferSelectedFile(const std::string& dir, bool copy, bool autoRename);
    // Runs a key command; false when the key is to go on to the standard handling.
    bool RunKeyCommand(KeyCommand command);
    void ReportFailure(const std::string& text);
    // The picture a source stands for (null plugin: m_bmp); false for a directory entry
    // or no selection.
    bool ResolvePicture(PictureSource source, CSpiPlugin** plugin);
    // Where that picture goes in the pane; clamps the scroll offsets.
    PictureLayout LayoutPictureOf(CSpiPlugin* plugin);
    // Releases the picture held for an entry with this item data.
    void ReleasePictureOf(LRESULT itemData);

    // TRUE while ListDirectory runs: commands that would list again wait for it.
    BOOL m_bListing = FALSE;

    // The mouse position of the previous mouse move, for panning.
    POINT m_ptLastMouse{0, 0};
};
