// Size-judged deletion: the judgement of one picture, the threshold dialog and the three
// passes over the folder's entries or the tree below it.
#include "sizedelete/SizeDeletion.h"

#include <algorithm>

#include "filelist/EntryPath.h"
#include "filelist/Listing.h"
#include "framework/DirectoryEnumerator.h"
#include "framework/FileIdentity.h"
#include "framework/Gdi.h"
#include "framework/Keyboard.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/Wnd.h"
#include "image/Decode.h"
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

// Adds the identities of `path` and the directories above it, as the path is written.
void AddChainAsWritten(std::wstring path, std::vector<fw::FileIdentity>& chain) {
    for (;;) {
        if (const std::optional<fw::FileIdentity> id = fw::IdentityOf(path);
            id && std::find(chain.begin(), chain.end(), *id) == chain.end()) {
            chain.push_back(*id);
        }
        const std::wstring parent = GetParentDirectory(path);
        if (parent == path || RemoveTrailingBackslash(parent) == RemoveTrailingBackslash(path) ||
            parent.find(L"\\..\\") != std::wstring::npos) {
            return;
        }
        path = parent;
    }
}

// The identities of the directory at `path` and of every directory above it, up to its
// volume's root: along the path as the system resolves it (what a drive letter or a link
// stands for) and along the path as written. Empty when the directory cannot be opened.
std::vector<fw::FileIdentity> IdentityChain(const std::wstring& path) {
    std::vector<fw::FileIdentity> chain;
    if (!fw::IdentityOf(path)) {
        return chain;
    }
    if (const std::optional<std::wstring> resolved = fw::ResolvedPath(path)) {
        AddChainAsWritten(*resolved, chain);
    }
    AddChainAsWritten(path, chain);
    return chain;
}

std::vector<const ListEntry*> EntriesOf(const CFolder& folder) {
    std::vector<const ListEntry*> entries;
    for (int i = 0; i < folder.Count(); ++i) {
        entries.push_back(folder.At(i));
    }
    return entries;
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CSizeDeletion)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_SETTINGS, 0, OnSizeDeleteSettings)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_ALL, 0, OnSizeDeleteAll)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_RECURSIVE, 0, OnSizeDeleteRecursive)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_RECURSIVE_MOVE, 0, OnSizeDeleteRecursiveMove)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kSizeDeleteSelected), 0, OnDeleteSelectedIfSmall)
FW_END_PART_MESSAGE_MAP()

CSizeDeletion::CSizeDeletion(IViewerHost& host, IPassView& view, Settings& settings, CFolder& folder,
                             const CPicturePane& pane, CSortingOps& sorting, const CSpiPluginList& plugins)
    : m_host(host),
      m_view(view),
      m_settings(settings),
      m_folder(folder),
      m_pane(pane),
      m_sorting(sorting),
      m_plugins(plugins) {}

CSizeDeletion::Verdict CSizeDeletion::Judged(std::optional<PictureSize> size, const std::function<OpResult()>& kill) {
    if (!size) {
        ++m_progress.unreadable;
        return Verdict::kUnreadable;
    }
    ++m_progress.judged;
    if (!IsSmallPicture(size->width, size->height, m_settings.m_nDeleteSmallWidth, m_settings.m_nDeleteSmallHeight)) {
        return Verdict::kStays;
    }
    // A refused kill tells the user itself; either way the picture is still there then.
    if (!kill().IsDone()) {
        return Verdict::kKillNotDone;
    }
    ++m_progress.deleted;
    return Verdict::kKilled;
}

CSizeDeletion::Verdict CSizeDeletion::DeleteSelectedIfSmall() {
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr || selected->IsDirectory()) {
        return Verdict::kNotJudged;
    }
    // The size is the one the pane decoded the picture at. Should the pane show another
    // file, or not hold what it read of it, the file is decoded again here: a stale 0 x 0
    // must not delete a good picture.
    // Only while the file is as it was read: a picture shown before it was completely
    // written failed as broken, and is whole now.
    const std::wstring path = m_folder.PathOf(*selected);
    const std::optional<FileStamp> shownStamp = m_pane.ShownStamp();
    const std::optional<FileStamp> now = FileStamp::Of(path);
    std::optional<PictureSize> decoded;
    std::optional<DecodeFailure> failure;
    if (m_pane.ShownPath() == path && (m_pane.HoldsPicture() || m_pane.ShownFailure()) && shownStamp && now &&
        *shownStamp == *now) {
        if (m_pane.HoldsPicture()) {
            const SIZE size = m_pane.ShownPictureSize();
            decoded = PictureSize{size.cx, size.cy};
        }
        failure = m_pane.ShownFailure();
    } else {
        const fw::CClientDC screen(nullptr);
        const DecodeOutcome outcome = DecodePicture(path, selected->GetDecoder(), screen, {}, DeviceBitmap::kLater);
        if (!outcome.failure) {
            decoded = PictureSize{outcome.picture.Width(), outcome.picture.Height()};
        }
        failure = outcome.failure;
    }
    const Decoder decoder = selected->GetDecoder();
    return Judged(SizeToJudge(decoded, failure, [&] { return ReadHeaderSize(path, decoder); }),
                  [this] { return m_sorting.KillSelectedFile(); });
}

CSizeDeletion::Verdict CSizeDeletion::JudgeFile(const std::wstring& path, Decoder decoder) {
    const fw::CClientDC screen(nullptr);
    DecodeOutcome outcome = DecodePicture(path, decoder, screen, {}, DeviceBitmap::kLater);
    std::optional<PictureSize> decoded;
    if (!outcome.failure) {
        decoded = PictureSize{outcome.picture.Width(), outcome.picture.Height()};
    }
    const std::optional<DecodeFailure> failure = outcome.failure;
    m_view.ShowJudged(path, std::move(outcome.picture));
    return Judged(SizeToJudge(decoded, failure, [&] { return ReadHeaderSize(path, decoder); }),
                  [this, &path] { return m_sorting.KillFile(path); });
}

void CSizeDeletion::OnDeleteSelectedIfSmall() {
    const ListEntry* selected = m_folder.Selected();
    if (selected != nullptr && selected->IsDirectory()) {
        fw::MessageBox(m_host.OwnerWindow(), kDirectorySelected);
        return;
    }
    const Verdict verdict = DeleteSelectedIfSmall();
    if (verdict == Verdict::kStays || verdict == Verdict::kUnreadable || verdict == Verdict::kNotJudged) {
        m_folder.SelectNext();
    }
}

void CSizeDeletion::OnSizeDeleteSettings() {
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
    const HWND owner = m_host.OwnerWindow();
    // A pass goes by the whole list: what remains of it is read first.
    m_folder.FillToEnd();
    if (m_folder.Count() == 0) {
        fw::MessageBox(owner, kNothingToDo);
        return;
    }
    const bool tree = pass != Pass::kList;
    const bool moving = pass == Pass::kTreeMove;
    if (fw::MessageBox(owner, ConfirmationText(tree, moving), "確認", MB_OKCANCEL) != IDOK) {
        return;
    }
    // The moved pictures must land outside the tree, or the walk would meet them again and
    // take the move folder's own pictures for the tree's. The folders are compared by what
    // they are, whatever the move folder's path is spelled like.
    const std::wstring moveDir = fw::Widen932(m_settings.m_strMoveDir);
    m_moveChain = moving ? IdentityChain(moveDir) : std::vector<fw::FileIdentity>();
    if (moving && (IsSameOrInside(moveDir, m_folder.Dir()) || HoldsMoveFolder(m_folder.Dir()))) {
        fw::MessageBox(owner, kMoveDirInside);
        return;
    }
    m_progress = PassProgress{};
    m_progress.moving = moving;
    // What the pass does to the folder is not the list's to follow: it lists again at its end.
    m_folder.StopWatching();
    m_bSizeDeleteRunning = true;
    m_view.PassRunning(true);
    ShowProgress(m_folder.Dir(), Title::kNow);
    if (tree) {
        WalkTree(m_folder.Dir(), EntriesOf(m_folder), moving ? Moving::kOn : Moving::kOff);
    } else {
        SizeDeleteListPass();
    }
    m_bSizeDeleteRunning = false;
    m_view.PassRunning(false);
    if (m_host.OwnerWindow() == nullptr) {
        return;  // the window was destroyed under the pass
    }
    // The list shows what the disk holds now, from its first entry.
    m_folder.Open(m_folder.Dir());
    // Escape held on after it stopped the pass repeats: the repeats leave the message be.
    const fw::CKeyRepeatBlock heldEscape(VK_ESCAPE);
    fw::MessageBox(owner, PassClosingText(m_progress, fw::Widen932));
}

void CSizeDeletion::SizeDeleteListPass() {
    const std::vector<const ListEntry*> entries = EntriesOf(m_folder);
    m_progress.total = static_cast<int>(entries.size());
    for (const ListEntry* entry : entries) {
        if (!ContinuePass()) {
            break;
        }
        ++m_progress.position;
        const std::wstring path = m_folder.PathOf(*entry);
        if (!entry->IsDirectory() && JudgeFile(path, entry->GetDecoder()) == Verdict::kKillNotDone) {
            Stop(PassStop::kKillNotDone, path);  // judging on would only repeat the refusal
            break;
        }
        ShowProgress(m_folder.Dir());
    }
}

bool CSizeDeletion::WalkTree(const std::wstring& dir, const std::vector<const ListEntry*>& entries, Moving moving) {
    int left = 0;
    for (const ListEntry* entry : entries) {
        if (!ContinuePass()) {
            return false;
        }
        const std::wstring path = EntryPath(dir, entry->name);
        if (entry->IsDirectory()) {
            // A junction or symbolic link leads out of the tree, or round in a circle, and the
            // move folder (or a folder that holds it) is no part of the tree: each is passed
            // over like a picture that stays.
            if (entry->isReparsePoint || HoldsMoveFolder(path) || !WalkSubDirectory(dir, path, moving)) {
                ++left;
            }
            if (!m_bSizeDeleteRunning) {
                return false;
            }
        } else {
            const Verdict verdict = JudgeFile(path, entry->GetDecoder());
            if (verdict == Verdict::kKillNotDone) {
                Stop(PassStop::kKillNotDone, path);
                return false;
            }
            // A picture it could not read stays where it is: it was not judged to stay.
            if (verdict == Verdict::kStays && moving == Moving::kOn) {
                if (!m_sorting.MoveFile(path).IsDone()) {
                    Stop(PassStop::kMoveFailed, path);
                    return false;
                }
                ++m_progress.moved;
            } else if (verdict != Verdict::kKilled) {
                ++left;
            }
        }
        ShowProgress(dir);
    }
    return left == 0;
}

bool CSizeDeletion::WalkSubDirectory(const std::wstring& parent, const std::wstring& path, Moving moving) {
    const Listing listing = ReadListing(path, m_plugins, [this] { return m_view.KeepAlive(); });
    if (listing.stopped) {
        Stop(PassStop::kClosed);
        return false;
    }
    // A folder that could not be listed is no empty folder: it is passed over whole.
    if (listing.failed) {
        if (m_progress.unlistedFolders == 0) {
            m_progress.unlistedFolder = path;
        }
        ++m_progress.unlistedFolders;
        return false;
    }
    ShowProgress(path, Title::kNow);
    std::vector<const ListEntry*> entries;
    for (const auto& entry : listing.entries) {
        entries.push_back(entry.get());
    }
    const bool emptied = WalkTree(path, entries, moving);
    // Back in the parent folder.
    ShowProgress(AddTrailingBackslash(parent), Title::kNow);
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Stop(PassStop::kFolderLost, path);  // the tree changed under the pass
        return false;
    }
    // A stopped walk may have gone through the sub-directory only in part: it is kept.
    if (!emptied || !m_bSizeDeleteRunning) {
        return false;
    }
    const Removal removal = HowToRemoveEmptiedDirectory(path);
    if (removal == Removal::kKeep) {
        return false;
    }
    m_sorting.DeleteDirectoryTree(path, removal == Removal::kEmpty ? CSortingOps::Confirmation::kSkip
                                                                   : CSortingOps::Confirmation::kOnlyBeforeDestroying);
    return true;
}

// What is left in an emptied sub-directory are files the list does not show. The shell
// recycles the directory as one item, so all of them together must fit the bin.
CSizeDeletion::Removal CSizeDeletion::HowToRemoveEmptiedDirectory(const std::wstring& path) {
    fw::CDirectoryEnumerator found(EntryPath(path, L"*.*"));
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

bool CSizeDeletion::HoldsMoveFolder(const std::wstring& dir) const {
    const std::optional<fw::FileIdentity> id = m_moveChain.empty() ? std::nullopt : fw::IdentityOf(dir);
    return id && std::find(m_moveChain.begin(), m_moveChain.end(), *id) != m_moveChain.end();
}

bool CSizeDeletion::ContinuePass() {
    if (!m_view.KeepAlive()) {
        Stop(PassStop::kClosed);
    } else if (fw::IsKeyDown(VK_ESCAPE)) {
        Stop(PassStop::kEscape);
        // The key can come after the queue was drained: left there, the very press that
        // stopped the pass would close the closing message before it could be read.
        fw::DropWaitingKeyDowns(VK_ESCAPE);
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

// Setting the title costs about as much as judging a small picture: it changes a few
// times a second, and at once when the pass enters another folder.
void CSizeDeletion::ShowProgress(const std::wstring& dir, Title when) {
    const DWORD now = ::GetTickCount();
    if (when == Title::kNow || now - m_lastTitleTick >= kTitleIntervalMs) {
        m_view.ShowProgress(dir, PassProgressText(m_progress));
        m_lastTitleTick = now;
    }
}
