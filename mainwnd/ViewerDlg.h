#pragma once
#include <windows.h>

#include <string>

#include "commands/RenameOps.h"
#include "commands/SortingOps.h"
#include "commands/TargetKeys.h"
#include "filelist/FileListBox.h"
#include "filelist/Folder.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/MessageMap.h"
#include "fullscreen/FullScreen.h"
#include "host/CommandGate.h"
#include "host/ViewerHost.h"
#include "host/WheelNotches.h"
#include "image/SpiPluginList.h"
#include "open/PathOpener.h"
#include "pane/PicturePane.h"
#include "regdirs/RegisteredDirs.h"
#include "settings/Settings.h"
#include "settings/SettingsEditor.h"
#include "sizedelete/SizeDeletion.h"
#include "tools/ExternalPrograms.h"
#include "tools/HelpMenu.h"
#include "undo/UndoJournal.h"
#include "undo/UndoOps.h"
#include "wallpaper/Wallpaper.h"

// The main window: the file list on the left, the picture pane right of it. It owns the
// settings, the plug-ins, the folder being viewed and its parts, lays them out and passes
// every key through the dispatcher. A feature is a part: a class in a folder of its own
// that takes IViewerHost& (which the window implements privately) and what else it needs
// (the settings, the folder, another part), with a part message map for its menu and key
// commands. Adding one takes a member below, constructed in the window's constructor, an
// FW_CHAIN_MEMBER entry in the map, its menu items in res/, and a row of the key table in
// host/ for a key of its own.
class CViewerDlg : public fw::CDialog, private IViewerHost, private IPassView, private IFolderListener {
public:
    explicit CViewerDlg(fw::CWnd* parent = nullptr);
    ~CViewerDlg() override;

    // The full path of the settings file beside the executable.
    std::wstring GetIniFilePath() const { return ::GetIniFilePath(); }
    // Places the file list, the "Change Dir" button and the pane, sized for the window's DPI.
    void LayoutControls();
    // (Re)loads every image-import plug-in found as SPI\*.SPI (SPI\*.SPH in the 64-bit build)
    // beside the executable, then below the working directory (a file found in both once).
    void LoadPlugins();
    // D and the "Change Dir" button: the folder browser at the current directory; the
    // folder chosen, any folder, becomes the current directory. Returns the current directory.
    std::wstring BrowseCurrentDirectory();
    BOOL PreTranslateMessage(MSG* msg) override;  // the key dispatcher
    // The title's note when a key was dropped because the entry it was pressed on has left
    // the list (or was replaced by another file) before the key was carried out.
    static constexpr char kAimGoneNote[] = "  キーを押したときの項目がなくなったため、キーを取り消しました";

    // State and parts, as the program's tests and benchmarks look at them.
    Settings& GetSettings() { return m_settings; }
    const CSpiPluginList& GetPlugins() const { return m_plugins; }
    CFolder& Folder() { return m_folder; }
    const CFolder& Folder() const { return m_folder; }
    CFileListBox& FileList() { return m_list; }
    const CFileListBox& FileList() const { return m_list; }
    CPicturePane& Pane() { return m_pane; }
    const CPicturePane& Pane() const { return m_pane; }
    CSortingOps& Sorting() { return m_sorting; }
    CWallpaper& Wallpaper() { return m_wallpaper; }
    CSizeDeletion& SizeDeletion() { return m_sizeDelete; }
    CTargetChooser& Targets() { return m_targets; }
    CRenameOps& Renaming() { return m_rename; }
    CUndoOps& Undo() { return m_undo; }
    CPathOpener& Opener() { return m_opener; }
    CFullScreen& FullScreen() { return m_fullScreen; }
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
    void OnPaint();
    HCURSOR OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
    void OnDestroy();
    void OnChangeDir();
    void OnSize(UINT type, int cx, int cy);
    void OnExit();
    fw::Handled OnDpiChanged(UINT dpi, const RECT& suggested);
    fw::Handled OnCommandGate(WPARAM wParam, LPARAM lParam);
    void OnParentDirectory() { m_folder.GoToParent(); }
    void OnEnterDirectory() { m_folder.EnterSelected(); }
    void OnReload() { m_folder.Relist(); }

    FW_DECLARE_MESSAGE_MAP()

private:
    // IViewerHost
    HWND OwnerWindow() const override { return m_hWnd; }
    void ReportIfFailed(const OpResult& result, const std::string& text) override;
    std::wstring ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) override;
    void ShowTitleNote(const std::wstring& text) override;
    // IPassView
    void PassRunning(bool running) override;
    void ShowJudged(const std::wstring& path, CPicture picture) override { m_pane.ShowPassing(path, std::move(picture)); }
    void ShowProgress(const std::wstring& dir, const std::string& text) override;
    bool KeepAlive() override;
    // IFolderListener: the title names the folder listed and the facts of the shown entry
    // (as the pane tells them once it shows it); a listing takes the note away.
    void OnListed() override;
    void OnFilled() override { ShowTitle(); }
    void OnInserted(int) override { ShowTitle(); }
    Activity CurrentActivity() const;
    // Selects the entry that was selected when a key was pressed at `keyTime`; false, with a
    // note in the title, when it has left the list meanwhile.
    bool AimAt(uint32_t keyTime);
    // The mouse wheel over the window: each notch is Down (toward the user) or Up, as the
    // keys are; notches that came while it worked are dropped. Always handled.
    BOOL OnWheel(const MSG& msg);
    // Lays the pane over the whole window, the list out of sight, the button hidden.
    void LayoutFullScreen(const RECT& client);
    // The window title: the program's name and the directory, then `text`.
    void ShowTitle(const std::wstring& dir, const std::wstring& text);
    // The title of the folder viewed: the directory, the shown entry's facts, the note.
    void ShowTitle();
    std::wstring ShownFactsText() const;

    HICON m_hIcon;
    Settings m_settings;
    CSpiPluginList m_plugins;
    fw::CButton m_btnChangeDir;
    bool m_bLayoutReady = false;
    // The left column's width and the button's height as the template made them, at the
    // DPI the window was made for; the layout scales them to the window's DPI.
    int m_nColumnWidth = 0;
    int m_nButtonHeight = 0;
    UINT m_nTemplateDpi = fw::kDefaultDpi;
    UINT m_nDpi = fw::kDefaultDpi;
    // A held key that reached a directory entry: its repeats are dropped until it is pressed anew.
    int m_nStoppedKey = 0;
    // The title's note, and the title as last set (not set again unchanged).
    std::wstring m_strNote;
    std::wstring m_strTitle;

    // Every move and rename of the parts, for Ctrl-Z; handed to them as a recorder only.
    CUndoJournal m_journal;
    // The folder, its list and the pane, then the parts.
    CFolder m_folder;
    CFileListBox m_list;
    CPicturePane m_pane;
    CSortingOps m_sorting;
    CHelpMenu m_help;
    CExternalPrograms m_programs;
    CWallpaper m_wallpaper;
    CSizeDeletion m_sizeDelete;
    CTargetChooser m_targets;
    CTargetKeys m_targetKeys;
    CRenameOps m_rename;
    CRegisteredDirs m_regdirs;
    CSettingsEditor m_settingsEditor;
    CUndoOps m_undo;
    CPathOpener m_opener;
    CFullScreen m_fullScreen;
    CWheelNotches m_wheel;
};
