#pragma once
#include <windows.h>

#include <string>

#include "commands/RenameOps.h"
#include "commands/SortingOps.h"
#include "commands/TargetChooser.h"
#include "filelist/FileList.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/MessageMap.h"
#include "host/ViewerHost.h"
#include "image/SpiPluginList.h"
#include "pane/PicturePane.h"
#include "regdirs/RegisteredDirs.h"
#include "settings/Settings.h"
#include "settings/SettingsEditor.h"
#include "sizedelete/SizeDeletion.h"
#include "tools/ExternalPrograms.h"
#include "undo/UndoJournal.h"
#include "undo/UndoOps.h"
#include "wallpaper/Wallpaper.h"

// The main window: the file list on the left, the picture pane on the right. It owns the
// settings, the plug-ins, the current directory and its parts; each part reaches the
// window only through IViewerHost, which the window implements privately, and takes its
// own commands through a chain entry of the message map. A new feature is one more part:
// a member below and a chain entry in the map.
class CViewerDlg : public fw::CDialog, private IViewerHost, private IPassHost {
public:
    explicit CViewerDlg(fw::CWnd* parent = nullptr);
    ~CViewerDlg() override;

    // The full path of the settings file beside the executable.
    std::wstring GetIniFilePath() const;

    // Places the file list and the "Change Dir" button in the left column, sized for the
    // window's DPI.
    void LayoutControls();

    // ---- File list and navigation ----
    // (Re)loads every image-import plug-in found as SPI\*.SPI (SPI\*.SPH in the 64-bit build)
    // below the current directory.
    void LoadPlugins();
    // Rebuilds the list for a directory (sub-directories first, then the pictures) and
    // selects the first entry. Ignored while a listing runs.
    void ListDirectory(const std::wstring& dir);
    // D and the "Change Dir" button: the folder browser at the current directory; the
    // folder chosen, any folder, becomes the current directory. Returns the current directory.
    std::wstring BrowseCurrentDirectory();
    void ReloadDirectory();
    void EnterSelectedDirectory();
    void GoToParentDirectory();
    // Drains the message queue; false when the caller's loop should stop (the program
    // is quitting or the window has closed).
    bool PumpMessages();
    bool IsListing() const { return m_bListing; }
    // Takes the list's selection and shows that entry in the pane.
    void ShowSelectedEntry();
    // Selects and shows the next entry; nothing on the last one.
    void SelectNextEntry();

    // ---- Read-ahead ----
    // Decodes the pictures next to the shown one once the window has nothing else to do:
    // first the next entry in the direction of travel, then the one behind.
    void ScheduleReadAhead();
    // The idle step itself; it yields to any input or posted work.
    void ReadAheadNow();
    // +1 when the last entry shown lay after the one before it (or took its place), -1
    // when it lay before it.
    int TravelDirection() const { return m_nDirection; }

    // ---- Key commands ----
    BOOL PreTranslateMessage(MSG* msg) override;

    // ---- State and parts, as the program's tests and benchmarks look at them ----
    Settings& GetSettings() { return m_settings; }
    const std::wstring& GetCurDir() const { return m_strCurDir; }
    void SetCurDir(const std::wstring& dir) { m_strCurDir = dir; }
    const CSpiPluginList& GetPlugins() const { return m_plugins; }
    CFileList& Files() { return m_files; }
    const CFileList& Files() const { return m_files; }
    CPicturePane& Pane() { return m_pane; }
    const CPicturePane& Pane() const { return m_pane; }
    CSortingOps& Sorting() { return m_sorting; }
    CWallpaper& Wallpaper() { return m_wallpaper; }
    CSizeDeletion& SizeDeletion() { return m_sizeDelete; }
    CTargetChooser& Targets() { return m_targets; }
    CRenameOps& Renaming() { return m_rename; }
    CUndoOps& Undo() { return m_undo; }
    const fw::CButton& ChangeDirButton() const { return m_btnChangeDir; }
    HICON GetIcon() const { return m_hIcon; }
    bool IsLayoutReady() const { return m_bLayoutReady; }
    // The DPI the window is laid out for.
    UINT GetDpi() const { return m_nDpi; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;
    // The close box, the system menu and Alt-F4.
    void OnCancel() override;

    // Message handlers
    fw::Handled OnSysCommand(UINT id, LPARAM param);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnChangeDir();
    void OnSize(UINT type, int cx, int cy);
    void OnVersionInfo();
    void OnExit();
    void OnCommandList();
    fw::Handled OnTimer(UINT_PTR id);
    fw::Handled OnDpiChanged(UINT dpi, const RECT& suggested);

    FW_DECLARE_MESSAGE_MAP()

private:
    // IViewerHost
    HWND OwnerWindow() const override { return m_hWnd; }
    const std::wstring& CurrentDir() const override { return m_strCurDir; }
    const ListEntry* SelectedEntry() const override { return m_files.Current(); }
    void ListAgain() override { ReloadDirectory(); }
    void ShowSelection() override { ShowSelectedEntry(); }
    void ReportFailure(const std::string& text) override;
    bool IsListingRunning() const override { return m_bListing; }
    std::wstring ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) override;
    void ListAgainSelecting(const std::wstring& text) override;
    void GoToDirectory(const std::wstring& dir) override;
    void ScheduleIdleWork() override { ScheduleReadAhead(); }
    // IPassHost
    void EnterSelection() override { EnterSelectedDirectory(); }
    void LeaveDirectory() override { GoToParentDirectory(); }
    bool KeepAlive() override { return PumpMessages(); }
    void EnableListControls(bool enable) override;
    void ShowProgress(const std::string& text) override;
    // The window title: the program's name and the directory, then `text`.
    void ShowTitle(const std::wstring& dir, const std::string& text);


    HICON m_hIcon;
    Settings m_settings;
    std::wstring m_strCurDir;
    CSpiPluginList m_plugins;
    fw::CButton m_btnChangeDir;
    bool m_bLayoutReady = false;
    // The left column's width and the button's height as the template made them, at the
    // DPI the window was made for; the layout scales them to the window's DPI.
    int m_nColumnWidth = 0;
    int m_nButtonHeight = 0;
    UINT m_nTemplateDpi = fw::kDefaultDpi;
    UINT m_nDpi = fw::kDefaultDpi;
    // True while ListDirectory runs: commands that would list again wait for it.
    bool m_bListing = false;
    int m_nDirection = 1;

    // Every move and rename of the parts, for Ctrl-Z; handed to them as a recorder only.
    CUndoJournal m_journal;

    // The parts. Each takes its own commands through a chain entry of the message map.
    CFileList m_files;
    CPicturePane m_pane;
    CSortingOps m_sorting;
    CExternalPrograms m_programs;
    CWallpaper m_wallpaper;
    CSizeDeletion m_sizeDelete;
    CTargetChooser m_targets;
    CRenameOps m_rename;
    CRegisteredDirs m_regdirs;
    CSettingsEditor m_settingsEditor;
    CUndoOps m_undo;
};
