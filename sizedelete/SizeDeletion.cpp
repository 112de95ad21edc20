// Size-judged deletion: the judgement of one picture, the threshold dialog and the three
// passes over the folder's entries or the tree below it.
#include "sizedelete/SizeDeletion.h"

#include <algorithm>

#include "filelist/EntryPath.h"
#include "filelist/Listing.h"
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

namespace {

// Whether the file at `path` is still as it was when `stamp` was taken.
bool StillAsRead(const std::wstring& path, const std::optional<FileStamp>& stamp) {
    const std::optional<FileStamp> now = FileStamp::Of(path);
    return stamp && now && *stamp == *now;
}

}  // namespace

CSizeDeletion::Verdict CSizeDeletion::Judged(std::optional<PictureSize> size, const std::wstring& path,
                                             const std::optional<FileStamp>& stamp,
                                             const std::function<OpResult()>& kill) {
    if (!size) {
        ++m_progress.unreadable;
        return Verdict::kUnreadable;
    }
    ++m_progress.judged;
    if (!IsSmallPicture(size->width, size->height, m_settings.m_nDeleteSmallWidth, m_settings.m_nDeleteSmallHeight)) {
        return Verdict::kStays;
    }
    // A file caught while it was being written, or another put in its place, is not the
    // one judged: it stays.
    if (!StillAsRead(path, stamp)) {
        ++m_progress.changed;
        return Verdict::kChanged;
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
    // written failed as broken, and is whole now. A verdict that it holds no picture is
    // its decoder's alone: the other decoders are asked too.
    const std::wstring path = m_folder.PathOf(*selected);
    const std::optional<FileStamp> shownStamp = m_pane.ShownStamp();
    const std::optional<FileStamp> stamp = FileStamp::Of(path);
    const std::optional<DecodeFailure> shownFailure = m_pane.ShownFailure();
    std::optional<PictureSize> decoded;
    std::optional<DecodeFailure> failure;
    Decoder by = selected->GetDecoder();
    if (m_pane.ShownPath() == path && (m_pane.HoldsPicture() || (shownFailure && !SaysNoPicture(*shownFailure))) &&
        shownStamp && stamp && *shownStamp == *stamp) {
        if (m_pane.HoldsPicture()) {
            const SIZE size = m_pane.ShownPictureSize();
            decoded = PictureSize{size.cx, size.cy};
        }
        failure = shownFailure;
    } else {
        const fw::CClientDC screen(nullptr);
        const AnyDecoderOutcome outcome =
            DecodeByAnyDecoder(path, selected->GetDecoder(), m_plugins, screen, {}, DeviceBitmap::kLater);
        if (!outcome.outcome.failure) {
            decoded = PictureSize{outcome.outcome.picture.Width(), outcome.outcome.picture.Height()};
        }
        failure = outcome.outcome.failure;
        by = outcome.by;
    }
    return Judged(SizeToJudge(decoded, failure, [&] { return ReadHeaderSize(path, by); }), path, stamp,
                  [this] { return m_sorting.KillSelectedFile(); });
}

CSizeDeletion::Verdict CSizeDeletion::JudgeFile(const std::wstring& path, Decoder decoder,
                                                const std::optional<FileStamp>& stamp) {
    // The pass goes on living while the picture is read: Escape and the close box stop
    // the reading with the pass; a reading past the limit is given up alone.
    const DWORD started = ::GetTickCount();
    bool overTime = false;
    const KeepGoing keepGoing = [this, started, &overTime] {
        if (!ContinuePass()) {
            return false;
        }
        overTime = ::GetTickCount() - started > m_decodeLimitMs;
        return !overTime;
    };
    const fw::CClientDC screen(nullptr);
    AnyDecoderOutcome outcome = DecodeByAnyDecoder(path, decoder, m_plugins, screen, keepGoing, DeviceBitmap::kLater);
    std::optional<PictureSize> decoded;
    if (!outcome.outcome.failure) {
        decoded = PictureSize{outcome.outcome.picture.Width(), outcome.outcome.picture.Height()};
    }
    const std::optional<DecodeFailure> failure = outcome.outcome.failure;
    m_view.ShowJudged(path, std::move(outcome.outcome.picture));
    std::optional<PictureSize> header;
    if (!decoded && !(failure && SaysNoPicture(*failure)) && !overTime && m_bSizeDeleteRunning) {
        header = ReadHeaderSize(path, outcome.by, keepGoing);
    }
    if (!m_bSizeDeleteRunning || overTime) {
        if (overTime) {
            ++m_progress.givenUp;
        }
        return Verdict::kGivenUp;
    }
    return Judged(SizeToJudge(decoded, failure, [&] { return header; }), path, stamp,
                  [this, &path] { return m_sorting.KillFile(path); });
}

void CSizeDeletion::OnDeleteSelectedIfSmall() {
    const ListEntry* selected = m_folder.Selected();
    if (selected != nullptr && selected->IsDirectory()) {
        fw::MessageBox(m_host.OwnerWindow(), kDirectorySelected);
        return;
    }
    const Verdict verdict = DeleteSelectedIfSmall();
    if (verdict != Verdict::kKilled && verdict != Verdict::kKillNotDone) {
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
    m_moving = moving ? Moving::kOn : Moving::kOff;
    // What the pass does to the folder is not the list's to follow: it lists again at its end.
    m_folder.StopWatching();
    m_bSizeDeleteRunning = true;
    m_view.PassRunning(true);
    ShowProgress(m_folder.Dir(), Title::kNow);
    if (tree) {
        WalkTree(m_folder.Dir(), EntriesOf(m_folder), *this);
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
        if (!entry->IsDirectory() &&
            JudgeFile(path, entry->GetDecoder(), FileStamp::Of(path)) == Verdict::kKillNotDone) {
            Stop(PassStop::kKillNotDone, path);  // judging on would only repeat the refusal
            break;
        }
        ShowProgress(m_folder.Dir());
    }
}

bool CSizeDeletion::GoOn() {
    return ContinuePass();
}

CSizeDeletion::Outcome CSizeDeletion::Picture(const std::wstring& path, const ListEntry& entry) {
    const std::optional<FileStamp> stamp = FileStamp::Of(path);
    const Verdict verdict = JudgeFile(path, entry.GetDecoder(), stamp);
    if (verdict == Verdict::kKillNotDone) {
        Stop(PassStop::kKillNotDone, path);
        return Outcome::kStays;
    }
    ShowProgress(GetParentDirectory(path));
    if (verdict == Verdict::kKilled) {
        return Outcome::kGone;
    }
    // A picture it could not read stays where it is: it was not judged to stay. Nor does
    // one move that changed after it was read.
    if (verdict != Verdict::kStays || m_moving == Moving::kOff) {
        return Outcome::kStays;
    }
    if (!StillAsRead(path, stamp)) {
        ++m_progress.changed;
        return Outcome::kStays;
    }
    if (!m_sorting.MoveFile(path).IsDone()) {
        Stop(PassStop::kMoveFailed, path);
        return Outcome::kStays;
    }
    ++m_progress.moved;
    return Outcome::kGone;
}

std::optional<ITreeWalkSteps::Entries> CSizeDeletion::Enter(const std::wstring& path, const ListEntry& entry) {
    // A junction or symbolic link leads out of the tree, or round in a circle, and the
    // move folder (or a folder that holds it) is no part of the tree: each is passed over
    // like a picture that stays.
    if (entry.isReparsePoint || HoldsMoveFolder(path)) {
        return std::nullopt;
    }
    Listing listing = ReadListing(path, m_plugins, [this] { return m_view.KeepAlive(); });
    if (listing.stopped) {
        Stop(PassStop::kClosed);
        return std::nullopt;
    }
    // A folder that could not be listed is no empty folder: it is passed over whole.
    if (listing.failed) {
        if (m_progress.unlistedFolders == 0) {
            m_progress.unlistedFolder = path;
        }
        ++m_progress.unlistedFolders;
        return std::nullopt;
    }
    ShowProgress(path, Title::kNow);
    return std::move(listing.entries);
}

CSizeDeletion::Outcome CSizeDeletion::Leave(const std::wstring& parent, const std::wstring& path, bool emptied) {
    ShowProgress(AddTrailingBackslash(parent), Title::kNow);
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Stop(PassStop::kFolderLost, path);  // the tree changed under the pass
        return Outcome::kStays;
    }
    // Only a folder the pass emptied goes, and only while nothing at all is in it: the
    // system's removal of an empty folder fails on anything that stands in it, a file
    // the list does not show (a RAW file, a film) or one that came in meanwhile.
    if (!emptied) {
        return Outcome::kStays;
    }
    if (!::RemoveDirectoryW(path.c_str())) {
        ++m_progress.keptFolders;
        return Outcome::kStays;
    }
    return Outcome::kGone;
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
