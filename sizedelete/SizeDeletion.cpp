// Size-judged deletion: the judgement of one picture, the threshold dialog and the three
// passes over the list or the tree.
#include "sizedelete/SizeDeletion.h"

#include "framework/DirectoryEnumerator.h"
#include "framework/Keyboard.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/Wnd.h"
#include "portable/PathUtil.h"
#include "res/resource.h"
#include "sizedelete/SizeDeleteDlg.h"

namespace {

constexpr char kNothingToDo[] = "処理対象ファイルがありません。";
constexpr char kMoveDirInside[] =
    "移動先ディレクトリが、現在のディレクトリに含まれています。\n移動先に別ディレクトリを指定してください。";
constexpr char kDirectorySelected[] = "ディレクトリ選択時は実行できません。";
constexpr DWORD kTitleIntervalMs = 100;

const char* ConfirmationText(bool tree, bool moving) {
    if (!tree) {
        return "全ファイルについて、サイズ判定削除を行います。\nよろしいですか？";
    }
    return moving ? "再起的サイズ判定削除＆移動を行います。\nよろしいですか？"
                  : "再起的サイズ判定削除を行います。\nよろしいですか？";
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CSizeDeletion)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_SETTINGS, 0, OnSizeDeleteSettings)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_ALL, 0, OnSizeDeleteAll)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_RECURSIVE, 0, OnSizeDeleteRecursive)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_RECURSIVE_MOVE, 0, OnSizeDeleteRecursiveMove)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kSizeDeleteSelected), 0, OnDeleteSelectedIfSmall)
FW_END_PART_MESSAGE_MAP()

CSizeDeletion::CSizeDeletion(IViewerHost& host,
                             IPassHost& passHost,
                             Settings& settings,
                             CFileList& files,
                             const CPicturePane& pane,
                             CSortingOps& sorting)
    : m_host(host), m_pass(passHost), m_settings(settings), m_files(files), m_pane(pane), m_sorting(sorting) {}

CSizeDeletion::Verdict CSizeDeletion::DeleteSelectedIfSmall() {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected == nullptr || selected->IsDirectory()) {
        return Verdict::kNotJudged;
    }
    // The size is the one the pane decoded the picture at. Should the pane show another
    // file, or have let go of the picture (a listing releases the plug-ins' pictures), it
    // is decoded again first: a stale 0 x 0 must not delete a good picture.
    if (m_pane.ShownPath() != SelectedPath() || (!m_pane.HoldsPicture() && !m_pane.ShownFailure())) {
        m_host.ShowSelection();
    }
    std::optional<PictureSize> decoded;
    if (m_pane.HoldsPicture()) {
        const SIZE size = m_pane.ShownPictureSize();
        decoded = PictureSize{size.cx, size.cy};
    }
    const std::optional<PictureSize> size =
        SizeToJudge(decoded, m_pane.ShownFailure(), [this] { return m_pane.ShownHeaderSize(); });
    if (!size) {
        ++m_progress.unreadable;
        return Verdict::kUnreadable;
    }
    ++m_progress.judged;
    if (!IsSmallPicture(size->width, size->height, m_settings.m_nDeleteSmallWidth, m_settings.m_nDeleteSmallHeight)) {
        return Verdict::kStays;
    }
    // A refused kill tells the user itself; either way the entry is still listed then.
    const int before = m_files.Count();
    m_sorting.KillSelectedFile();
    if (m_files.Count() >= before) {
        return Verdict::kKillNotDone;
    }
    ++m_progress.deleted;
    return Verdict::kKilled;
}

void CSizeDeletion::OnDeleteSelectedIfSmall() {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected != nullptr && selected->IsDirectory()) {
        fw::MessageBox(m_host.OwnerWindow(), kDirectorySelected);
        return;
    }
    const Verdict verdict = DeleteSelectedIfSmall();
    if (verdict == Verdict::kStays || verdict == Verdict::kUnreadable || verdict == Verdict::kNotJudged) {
        SelectNextEntry();
    }
}

void CSizeDeletion::OnSizeDeleteSettings() {
    if (m_bSizeDeleteRunning) {
        return;  // the running pass judges by the threshold it started with
    }
    fw::CWnd owner;
    owner.Attach(m_host.OwnerWindow());
    CSizeDeleteDlg dlg(&owner);
    dlg.m_nHeight = m_settings.m_nDeleteSmallHeight;
    dlg.m_nWidth = m_settings.m_nDeleteSmallWidth;
    if (dlg.DoModal() == IDOK) {
        m_settings.m_nDeleteSmallWidth = dlg.m_nWidth;
        m_settings.m_nDeleteSmallHeight = dlg.m_nHeight;
    }
}

void CSizeDeletion::OnSizeDeleteAll() {
    RunPass(Pass::kList);
}

void CSizeDeletion::OnSizeDeleteRecursive() {
    RunPass(Pass::kTree);
}

void CSizeDeletion::OnSizeDeleteRecursiveMove() {
    RunPass(Pass::kTreeMove);
}

void CSizeDeletion::RunPass(Pass pass) {
    // The menu stays open during a pass and a listing, which both drain the queue: a
    // second pass, or one over a list still being filled, is not started.
    if (m_bSizeDeleteRunning || m_host.IsListingRunning()) {
        return;
    }
    m_pass.EnableListControls(false);
    RunConfirmedPass(pass);
    m_pass.EnableListControls(true);
    // Disabling the list took the keyboard focus from it: give it back for the keys.
    if (m_host.OwnerWindow() != nullptr) {
        m_files.TakeFocus();
    }
}

void CSizeDeletion::RunConfirmedPass(Pass pass) {
    const HWND owner = m_host.OwnerWindow();
    if (m_files.Count() == 0) {
        fw::MessageBox(owner, kNothingToDo);
        return;
    }
    const bool tree = pass != Pass::kList;
    const bool moving = pass == Pass::kTreeMove;
    if (fw::MessageBox(owner, ConfirmationText(tree, moving), "確認", MB_OKCANCEL) != IDOK) {
        return;
    }
    // The moved pictures must land outside the tree, or the walk would meet them again.
    if (moving && IsSameOrInside(fw::Widen932(m_settings.m_strMoveDir), m_host.CurrentDir())) {
        fw::MessageBox(owner, kMoveDirInside);
        return;
    }
    m_progress = PassProgress{};
    m_progress.moving = moving;
    m_bSizeDeleteRunning = true;
    HoldListDrawing();
    if (tree) {
        SizeDeleteTree(moving ? Moving::kOn : Moving::kOff);
    } else {
        m_progress.total = m_files.Count();
        SizeDeleteListPass();
    }
    m_bSizeDeleteRunning = false;
    m_files.HoldDrawing(false);
    if (m_host.OwnerWindow() == nullptr) {
        return;  // the window was destroyed under the pass
    }
    if (tree) {
        m_host.ListAgain();
    }
    m_pass.ShowProgress("");
    fw::MessageBox(owner, PassClosingText(m_progress, fw::Widen932));
}

void CSizeDeletion::SizeDeleteListPass() {
    SelectFirstEntry();
    int cur = 0;
    int last = 0;
    do {
        if (!ContinuePass()) {
            break;
        }
        last = m_files.Count() - 1;
        cur = m_files.SelectedIndex();
        if (cur < 0 || last < 0) {
            break;
        }
        ++m_progress.position;
        const std::wstring path = SelectedPath();
        const Verdict verdict = DeleteSelectedIfSmall();
        ShowProgress();
        if (verdict == Verdict::kKillNotDone) {
            Stop(PassStop::kKillNotDone, path);  // judging it again would only repeat the refusal
            break;
        }
        // A killed entry's place is taken by the next one, which is shown already.
        if (verdict != Verdict::kKilled) {
            SelectNextEntry();
        }
    } while (cur < last);
    if (m_files.Count() > 0) {
        SelectFirstEntry();
    }
}

// Depth first in the list's order: the sub-directories (listed first) are walked and, once
// empty, removed before the pictures of the directory itself are judged.
void CSizeDeletion::SizeDeleteTree(Moving moving) {
    SelectFirstEntry();
    int cur = 0;
    int last = 0;
    do {
        last = m_files.Count() - 1;
        cur = m_files.SelectedIndex();
        if (cur < 0 || last < 0 || !ContinuePass()) {
            break;
        }
        const ListEntry* selected = m_host.SelectedEntry();
        bool acted = false;
        bool unjudged = false;
        if (selected != nullptr && selected->IsDirectory()) {
            acted = WalkSelectedDirectory(moving);
            if (!m_bSizeDeleteRunning) {
                break;
            }
        } else {
            const std::wstring path = SelectedPath();
            const Verdict verdict = DeleteSelectedIfSmall();
            if (verdict == Verdict::kKillNotDone) {
                Stop(PassStop::kKillNotDone, path);
                break;
            }
            acted = verdict == Verdict::kKilled;
            // A picture it could not read stays where it is: it was not judged to stay.
            unjudged = verdict == Verdict::kUnreadable;
        }
        if (!acted) {
            selected = m_host.SelectedEntry();
            if (moving == Moving::kOff || unjudged || selected == nullptr || selected->IsDirectory()) {
                SelectNextEntry();
            } else if (const std::wstring path = SelectedPath(); m_sorting.MoveSelectedFile()) {
                ++m_progress.moved;  // it left the list like a killed picture
            } else {
                Stop(PassStop::kMoveFailed, path);
                break;
            }
        }
        ShowProgress();
    } while (cur < last);
    if (m_files.Count() > 0) {
        SelectFirstEntry();
    }
}

bool CSizeDeletion::WalkSelectedDirectory(Moving moving) {
    const ListEntry* selected = m_host.SelectedEntry();
    // A junction or symbolic link leads out of the tree, or round in a circle: it is
    // passed over like a picture that stays.
    if (selected->isReparsePoint) {
        return false;
    }
    const std::wstring name = selected->name;
    const std::wstring path = SelectedPath();
    // Each listing sets the title afresh and draws the list again: both go back after it.
    m_pass.EnterSelection();
    HoldListDrawing();
    ShowProgress(Title::kNow);
    // A folder that could not be listed is no empty folder: it is passed over whole.
    const bool listed = !m_files.ListingFailed();
    if (listed) {
        SizeDeleteTree(moving);
    } else {
        if (m_progress.unlistedFolders == 0) {
            m_progress.unlistedFolder = path;
        }
        ++m_progress.unlistedFolders;
    }
    const int left = m_files.Count();
    m_pass.LeaveDirectory();
    HoldListDrawing();
    ShowProgress(Title::kNow);
    if (!ReselectDirectory(name)) {
        Stop(PassStop::kFolderLost, path);  // the tree changed under the pass
        return false;
    }
    // A stopped walk may have listed the sub-directory only in part: it is kept.
    if (!listed || !m_bSizeDeleteRunning || left > 0) {
        return false;
    }
    const Removal removal = HowToRemoveEmptiedDirectory(path);
    if (removal == Removal::kKeep) {
        return false;
    }
    m_sorting.DeleteDirectoryTree(path, removal == Removal::kEmpty ? CSortingOps::Confirmation::kSkip
                                                                   : CSortingOps::Confirmation::kOnlyBeforeDestroying);
    // The entry goes even when the shell failed: only a new listing shows it again.
    m_files.RemoveCurrent();
    m_host.ShowSelection();
    return true;
}

bool CSizeDeletion::ReselectDirectory(const std::wstring& name) {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected != nullptr && selected->IsDirectory() && selected->name == name) {
        return true;
    }
    // The parent selects the directory left by a prefix ignoring case, which can find a
    // namesake: look for the exact name.
    for (int i = 0; i < m_files.Count(); ++i) {
        const ListEntry* entry = m_files.At(i);
        if (entry != nullptr && entry->IsDirectory() && entry->name == name) {
            m_files.Select(i);
            m_host.ShowSelection();
            return true;
        }
    }
    return false;
}

// What is left in an emptied sub-directory are files the list does not show. The shell
// recycles the directory as one item, so all of them together must fit the bin.
CSizeDeletion::Removal CSizeDeletion::HowToRemoveEmptiedDirectory(const std::wstring& path) {
    fw::CDirectoryEnumerator found(AddTrailingBackslash(path) + L"*.*");
    fw::DirectoryEntry entry;
    uint64_t bytes = 0;
    bool holdsAny = false;
    while (found.Next(entry)) {
        if (entry.isDirectory) {
            return Removal::kKeep;  // appeared since it was listed
        }
        holdsAny = true;
        bytes += entry.size;
    }
    if (found.Failed()) {
        return Removal::kKeep;
    }
    if (!holdsAny) {
        return Removal::kEmpty;
    }
    const std::optional<uint64_t> capacity = fw::RecycleBinCapacity(path);
    return capacity && bytes <= *capacity ? Removal::kIntoRecycleBin : Removal::kKeep;
}

bool CSizeDeletion::ContinuePass() {
    if (!m_pass.KeepAlive()) {
        Stop(PassStop::kClosed);
    } else if (fw::IsKeyDown(VK_ESCAPE)) {
        Stop(PassStop::kEscape);
    }
    return m_bSizeDeleteRunning;
}

void CSizeDeletion::StopPass() {
    if (m_bSizeDeleteRunning) {
        Stop(PassStop::kClosed);
    }
}

void CSizeDeletion::Stop(PassStop why, const std::wstring& path) {
    if (m_bSizeDeleteRunning && m_progress.stop == PassStop::kNone) {
        m_progress.stop = why;
        m_progress.stopPath = path;
    }
    m_bSizeDeleteRunning = false;
}

std::wstring CSizeDeletion::SelectedPath() const {
    const ListEntry* selected = m_host.SelectedEntry();
    return selected == nullptr ? std::wstring() : AddTrailingBackslash(m_host.CurrentDir()) + selected->name;
}

// The list is disabled during a pass and the title tells its progress; drawing the list
// on every removal and selection would cost a pass over small pictures most of its time.
void CSizeDeletion::HoldListDrawing() {
    m_files.HoldDrawing(true);
}

// Setting the title costs about as much as judging a small picture: it changes a few
// times a second, and at once after a listing has set it afresh.
void CSizeDeletion::ShowProgress(Title when) {
    const DWORD now = ::GetTickCount();
    if (when == Title::kNow || now - m_lastTitleTick >= kTitleIntervalMs) {
        m_pass.ShowProgress(PassProgressText(m_progress));
        m_lastTitleTick = now;
    }
}

void CSizeDeletion::SelectFirstEntry() {
    m_files.Select(0);
    m_host.ShowSelection();
}

void CSizeDeletion::SelectNextEntry() {
    if (m_files.SelectNext()) {
        m_host.ShowSelection();
    }
}
