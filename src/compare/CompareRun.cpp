#include "compare/CompareRun.h"

#include <algorithm>
#include <memory>
#include <cstring>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "records/FileTypeProfile.h"
#include "records/Settings.h"
#include "compare/DiffEval.h"
#include "compare/DiffFile.h"
#include "compare/DiffRunsAhead.h"
#include "compare/ExternalPrograms.h"
#include "compare/PathRoutines.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ZEKDoc.h"

const char kNoVersionText[] = "なし              , ----";

namespace {

const char kUnknownVersionText[] = "????              , ????";
const char kVideoTs[] = "VIDEO_TS";
constexpr int kVideoTsLength = 8;

// Size of the buffer the version block is read into. A larger block is read
// whole into a buffer of its own size instead of overrunning this one.
constexpr DWORD kVersionBufferSize = 8192;
constexpr DWORD kFixedSignature = 0xFEEF04BD;

const char kSkippedNamesText[] =
    "次の名前は文字コード932で表せないか、Windowsで使えない文字を含むため、一覧に含めていません。";
const char kUnreadableText[] = "次のフォルダは読み取れないため、一覧に含めていません。";
const char kTooLongText[] = "次のフォルダはパスが長すぎるため、一覧に含めていません。";
const char kUnfinishedDiffText[] =
    "次の項目は diff コマンドが時間内に正常終了しなかったため、差分を作成していません。";
const char kUnwrittenDiffText[] =
    "次の項目は差分ファイルを書き込めなかったため、差分を作成していません（ディスクの空きを確認してください）。";
const char kNamesMoreText[] = "\n…ほか %d 件";
const char kComparerFailedText[] =
    "%s コマンド（%s）の起動に失敗（WinExec）しました。\nQuarvex.ini の Dir_Diff_Exec（比較の実行方法）を見直して下さい。";
constexpr size_t kNamesShown = 10;

bool FitsFolder(const char* folder) { return folder != nullptr && std::strlen(folder) < kRunFolderMax; }

// folder + "\" + name + suffix, when it stays below `limit` bytes.
bool JoinPath(const char* folder, const char* name, const char* suffix, int limit, CString& out) {
  const size_t a = std::strlen(folder), b = std::strlen(name), c = std::strlen(suffix);
  if (a + 1 + b + c >= static_cast<size_t>(limit)) return false;
  out = folder;
  out += '\\';
  out += name;
  if (c) out += suffix;
  return true;
}

// What a walk leaves out and tells the user about after it: folders that
// cannot be read and paths beyond the run's limit (the layer keeps the
// names it skips itself). Cleared when a run's walks begin.
struct LeftOut {
  std::vector<CString> unreadable;
  std::vector<CString> tooLong;
};
LeftOut g_leftOut;
constexpr size_t kLeftOutKept = 1000;

void NoteLeftOut(std::vector<CString>& list, const CString& path) {
  if (list.size() < kLeftOutKept) list.push_back(path);
}

// A path of any length as a message shows it: a long one keeps its start
// and its end, cut at character boundaries.
CString ShortPathText(const char* path) {
  constexpr size_t kHead = 60, kTail = 90;
  const size_t n = std::strlen(path);
  if (n <= kHead + kTail + 10) return CString(path);
  size_t head = 0, tail = 0;
  for (size_t i = 0; i < n; i += qv::IsCp932Lead(static_cast<unsigned char>(path[i])) && i + 1 < n ? 2 : 1) {
    if (i <= kHead) head = i;
    if (n - i >= kTail) tail = i;
  }
  CString text(path, static_cast<int>(head));
  text += "…";
  text += path + tail;
  return text;
}

using WalkFolder = qv::FolderWalker::Folder;

// A DVD folder holds VIDEO_TS as anything but a regular file (a link to a
// folder counts, a link to nothing does not).
bool HoldsVideoTs(const WalkFolder& folder) {
  return folder.found == qv::FolderWalker::Kind::folder || folder.found == qv::FolderWalker::Kind::other;
}

bool IsGoneError(DWORD error) { return error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND; }

// The identities of the folders a walk went into: one probe in a flat table
// per folder, as a walk of a million folders asks a million times.
class IdentitySet {
 public:
  bool Contains(const qv::FileIdentity& id) const {
    if (slots_.empty()) return false;
    for (size_t i = Home(id);; i = (i + 1) & mask_) {
      if (!used_[i]) return false;
      if (slots_[i] == id) return true;
    }
  }
  void Insert(const qv::FileIdentity& id) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    for (size_t i = Home(id);; i = (i + 1) & mask_) {
      if (!used_[i]) {
        used_[i] = true;
        slots_[i] = id;
        ++count_;
        return;
      }
      if (slots_[i] == id) return;
    }
  }

 private:
  size_t Home(const qv::FileIdentity& id) const {
    uint64_t h = (id.inode ^ (id.device << 32 | id.device >> 32)) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h >> 20) & mask_;
  }
  void Grow() {
    std::vector<qv::FileIdentity> old;
    std::vector<bool> oldUsed;
    old.swap(slots_);
    oldUsed.swap(used_);
    const size_t size = old.empty() ? 1024 : old.size() * 2;
    slots_.assign(size, qv::FileIdentity{});
    used_.assign(size, false);
    mask_ = size - 1;
    count_ = 0;
    for (size_t i = 0; i < old.size(); ++i) {
      if (oldUsed[i]) Insert(old[i]);
    }
  }
  std::vector<qv::FileIdentity> slots_;
  std::vector<bool> used_;
  size_t mask_ = 0;
  size_t count_ = 0;
};

// A DVD folder as the walk read it: its times when it was listed (a folder
// that could not be listed is asked again when its record is made).
struct WalkedDvd {
  bool known = false;
  qv::FolderTimes times;
};

// Where the children of one listed folder go.
struct LevelOutput {
  CStringList& folders;  // relative paths of ordinary subfolders
  CStringList& dvds;     // relative paths of DVD folders
  // Reads the subfolders of each folder put into `folders`; null when the
  // walk goes no deeper.
  qv::FolderWalker* walker = nullptr;
  // Identities of the folders walked into (and the root): a folder reached a
  // second time, through a link, is not examined again, so a link back up
  // the tree neither repeats the tree nor makes the walk grow.
  IdentitySet* walked = nullptr;
  // What the walk read of each DVD folder put into `dvds`; may be null.
  std::vector<WalkedDvd>* dvdTimes = nullptr;
};

void NoteWalked(LevelOutput& out, const WalkFolder& folder) {
  if (out.walked != nullptr && folder.haveId) out.walked->Insert(folder.id);
}

// Classifies the children of the folder `rel` under `root` (rel empty: the
// root itself), as the walker read them, in enumeration order. `other`: the
// other root, when an ordinary folder must also exist there; `statCheck`:
// skip an ordinary folder whose status cannot be read. Linked folders are
// walked into like any other, each folder once. Whatever the walker read
// ahead, only what this sequence looks at counts, so the result is that of
// a walk that reads one folder after the other.
void ListLevel(const CString& root, const CString& rel, std::vector<WalkFolder>& children, const char* other,
               bool statCheck, LevelOutput& out) {
  CString childRel, full, otherPath;
  for (WalkFolder& child : children) {
    const char* name = child.name.c_str();
    if (rel.IsEmpty()) {
      childRel = name;
    } else {
      childRel = rel;
      childRel += '\\';
      childRel += name;
    }
    if (out.walked != nullptr && child.haveId && out.walked->Contains(child.id)) continue;
    const bool dvd = HoldsVideoTs(child);
    // An excluded folder is never gone into, so nothing in or about it is
    // told: not that it cannot be read, not its length, not the names it
    // holds. A DVD folder is recorded whatever its name.
    if (!dvd && IsExcludedFolderName(name)) continue;
    if (!JoinPath(root, childRel, "", kRunPathMax, full)) {
      CString shown(root);
      shown += '\\';
      shown += childRel;
      NoteLeftOut(g_leftOut.tooLong, ShortPathText(shown));
      continue;
    }
    // The probe path full\VIDEO_TS must fit the walk's buffers too.
    if (full.GetLength() + 1 + kVideoTsLength >= kRunPathMax) {
      NoteLeftOut(g_leftOut.tooLong, ShortPathText(full));
      NoteWalked(out, child);
      continue;
    }
    if (child.error != ERROR_SUCCESS && !dvd) {
      // Cannot be examined: told after the walk (unless it vanished
      // meanwhile), and never looked at again.
      if (!IsGoneError(child.error)) NoteLeftOut(g_leftOut.unreadable, full);
      NoteWalked(out, child);
      continue;
    }
    qv::FolderWalker::NoteSkippedNames(child);
    if (dvd) {
      out.dvds.AddTail(childRel);
      if (out.dvdTimes != nullptr) out.dvdTimes->push_back(WalkedDvd{child.error == ERROR_SUCCESS && child.haveId, child.times});
      continue;
    }
    if (statCheck) {
      struct _stat st;
      if (_stat(full, &st) != 0) continue;
    }
    if (other != nullptr) {
      if (!JoinPath(other, childRel, "", kRunPathMax, otherPath) || GetPathType(0, otherPath) != 1) continue;
    }
    // A folder without subfolders has nothing more to give: the walk neither
    // queues nor remembers it (reached again through a link, it would give
    // nothing again), which keeps a tree's last level out of memory.
    if (out.walker != nullptr && child.SubfolderCount() == 0) continue;
    NoteWalked(out, child);
    out.folders.AddTail(childRel);
    if (out.walker != nullptr) out.walker->ReadSubfolders(std::move(child));
  }
}

// Reads the root folder: false (and the root named when it cannot be read
// and `tell`) when it has nothing to walk.
bool ReadWalkRoot(qv::FolderWalker& walker, const CString& root, bool tell, WalkFolder& top) {
  top = walker.ReadRoot();
  if (top.error != ERROR_SUCCESS) {
    // A file given as the folder is there but cannot be walked: named too.
    if (tell && (!IsGoneError(top.error) || GetPathType(0, root) == 0)) NoteLeftOut(g_leftOut.unreadable, root);
    return false;
  }
  qv::FolderWalker::NoteSkippedNames(top);
  return top.SubfolderCount() != 0;
}

// WalkDvdFolders, also noting what it read of each DVD folder in `times`
// (in the order of dvdList) when that is given.
void WalkDvds(int recurse, int exist, const char* root, CStringList& folderQueue, CStringList& dvdList,
              const char* otherRoot, std::vector<WalkedDvd>* times) {
  if (times != nullptr) times->clear();
  folderQueue.RemoveAll();
  dvdList.RemoveAll();
  if (!FitsFolder(root) || *root == '\0') return;
  const CString rootText(root);
  const char* other = (exist && otherRoot && *otherRoot != '\0' && FitsFolder(otherRoot)) ? otherRoot : nullptr;

  // The walker reads the subfolders of each queued folder ahead, in queue
  // order: each folder is read once, when its parent's level is listed.
  qv::FolderWalker walker(rootText, kVideoTs);
  WalkFolder top;
  if (!ReadWalkRoot(walker, rootText, true, top)) return;
  IdentitySet walked;
  if (top.haveId) walked.Insert(top.id);
  walker.ReadSubfolders(std::move(top));
  LevelOutput out{folderQueue, dvdList, recurse == 1 ? &walker : nullptr, &walked, times};
  std::vector<WalkFolder> children = walker.NextSubfolders();
  ListLevel(rootText, CString(), children, other, false, out);
  if (recurse != 1) return;

  while (!folderQueue.IsEmpty()) {
    const CString head = folderQueue.RemoveHead();
    children = walker.NextSubfolders();
    ListLevel(rootText, head, children, other, false, out);
  }
}

CZEKEnv_Label* FindEntryForId(CZEKDoc* doc, int id) {
  return doc != nullptr ? CZEKDoc::FindEntryById(doc->m_listEntries, id) : nullptr;
}

void AttachLists(CZEKEnv_Label* e, CZEKMergeSRCInfo* totals, CObList* records) {
  // Results the entry held before are freed, never left behind.
  if ((e->m_pRecordList && e->m_pRecordList != records) || (e->m_pTotals && e->m_pTotals != totals)) {
    CObList* keepRecords = e->m_pRecordList == records ? records : nullptr;
    CZEKMergeSRCInfo* keepTotals = e->m_pTotals == totals ? totals : nullptr;
    if (keepRecords) e->m_pRecordList = nullptr;
    if (keepTotals) e->m_pTotals = nullptr;
    e->FreeRecords();
  }
  e->m_pTotals = totals;
  e->m_pRecordList = records;
  if (totals && records) e->m_nState = 1;
}

void DeleteRecords(CObList* records) {
  for (POSITION pos = records->GetHeadPosition(); pos != nullptr;) delete records->GetNext(pos);
  records->RemoveAll();
}

CString DiffFilePath(const char* diffDir, const char* name) {
  CString path;
  if (!FitsFolder(diffDir) || !JoinPath(diffDir, name, ".diff", kRunFolderMax, path)) path.Empty();
  return path;
}

// Evaluates the record's .diff file into its seven counts (the fallback when
// the path cannot be formed).
void EvaluateRecord(CZEKMergeFileInfo* r, const char* diffDir) {
  // Only a record with both copies reads its .diff; for the others the
  // evaluation gives the line-count difference without looking for it.
  const CString path = (r->m_nExist & 3) == 3 ? DiffFilePath(diffDir, r->m_New.m_strName) : CString();
  int kind = 0;
  EvaluateDiffFile(path.IsEmpty() ? nullptr : path.GetString(), r->m_nExist, r->m_New.m_dwLines,
                   r->m_Old.m_dwLines, kind, r->m_nRangeAdd, r->m_nRangeDel, r->m_nRangeChgRight,
                   r->m_nRangeChgLeft, r->m_nDelLines, r->m_nAddLines, r->m_nChgLines);
}

DWORD CountLines(const char* folder, const char* name) {
  DWORD lines = 0;
  CString path;
  if (FitsFolder(folder) && JoinPath(folder, name, "", kRunPathMax, path)) CountFileLines(path, lines);
  return lines;
}

DWORD AbsDiff(DWORD a, DWORD b) { return a > b ? a - b : b - a; }

// Adds a section of names to a message: its header and the first names,
// then how many more there are.
void AppendNameList(CString& text, const char* header, const std::vector<CString>& names) {
  if (names.empty()) return;
  if (!text.IsEmpty()) text += "\n\n";
  text += header;
  const size_t shown = names.size() < kNamesShown ? names.size() : kNamesShown;
  for (size_t i = 0; i < shown; ++i) {
    text += "\n";
    text += names[i];
  }
  if (names.size() > shown) text.AppendFormat(kNamesMoreText, static_cast<int>(names.size() - shown));
}

// What the walks left out is told in one message, so a DVD folder never
// drops out of the catalogue unnoticed: names on disk that code page 932
// cannot hold or Windows does not allow (the layer skips them rather than
// show them as another name), folders that cannot be read and paths beyond
// the run's limit.
void ReportLeftOut() {
  std::vector<CString> skipped;
  for (const std::string& p : qv::TakeUnrepresentableNames()) skipped.emplace_back(qv::Utf8ToCp932Lossy(p).c_str());
  CString text;
  AppendNameList(text, kSkippedNamesText, skipped);
  AppendNameList(text, kUnreadableText, g_leftOut.unreadable);
  AppendNameList(text, kTooLongText, g_leftOut.tooLong);
  g_leftOut = LeftOut();
  if (!text.IsEmpty()) AfxMessageBox(text, MB_OK | MB_ICONINFORMATION);
}

// The diff step of run kinds 0 and 1: a .diff for every record with both
// copies, one pair after another in list order (MakeDiffFile, the header
// removed, the evaluation). A pair whose diff did not finish, or whose
// .diff could not be written, keeps the counts of the counting step and the
// step goes on; the user is told about all of them at once afterwards. Only
// a diff program that cannot be started at all (or whose output file cannot
// be made) ends the step: every later pair would fail the same way.
//
// The diff programs of later pairs may be run ahead on other cores
// (DiffRunsAhead) where that cannot change what they answer; a run made
// ahead only stands in for the program's run in its pair's turn. Every file
// of the DIFF folder is made, written and removed here, in the pairs' order,
// so a run leaves what it leaves on one core.
void MakeDiffFiles(CObList& records, int force, const CString& newPath, const CString& oldPath,
                   const CString& diffPath, int strip) {
  std::vector<CZEKMergeFileInfo*> pairs;
  for (POSITION pos = records.GetHeadPosition(); pos != nullptr;) {
    auto* r = static_cast<CZEKMergeFileInfo*>(records.GetNext(pos));
    if ((r->m_nExist & 3) == 3) pairs.push_back(r);
  }
  const CString program = ZEKSettings().m_strCmdDiff;
  const unsigned threads = qv::WalkThreads();
  std::unique_ptr<DiffRunsAhead> ahead;
  // With the strip setting the program reads copies the step makes in the
  // DIFF folder: nothing is run ahead.
  if (threads > 1 && pairs.size() > 1 && !strip) {
    std::vector<DiffRunsAhead::Pair> list;
    list.reserve(pairs.size());
    for (CZEKMergeFileInfo* r : pairs) list.push_back({r->m_New.m_strName, r->m_New.m_tModify, r->m_Old.m_tModify});
    // A start of GNU diff costs far more than the step's own work for a
    // pair: every other core runs ahead.
    ahead = std::make_unique<DiffRunsAhead>(program, newPath, oldPath, diffPath, force, std::move(list),
                                            threads - 1);
    if (!ahead->Running()) ahead.reset();
  }

  std::vector<CString> unfinished, unwritten;
  std::vector<DiffMessage> messages;
  {
    DiffMessageCollector collect(messages);
    DiffRunSourceScope source(ahead.get());
    for (size_t i = 0; i < pairs.size(); ++i) {
      CZEKMergeFileInfo* r = pairs[i];
      if (ahead) ahead->Turn(i);
      const int result = MakeDiffFile(0, force, program, newPath, oldPath, diffPath, r->m_New.m_strName,
                                      r->m_New.m_tModify, r->m_Old.m_tModify, r->m_tDiffFile, strip, r);
      DeleteDiffHeaderFile(r, diffPath);
      if (result == kDiffNotStarted) break;
      if (result == kDiffIncomplete) {
        unfinished.push_back(r->m_New.m_strName);
      } else if (result < 0) {
        unwritten.push_back(r->m_New.m_strName);
      } else {
        EvaluateRecord(r, diffPath);
      }
    }
  }
  ahead.reset();  // the programs still under way are ended

  for (const DiffMessage& m : messages) AfxMessageBox(m.text, m.type);
  CString text;
  AppendNameList(text, kUnfinishedDiffText, unfinished);
  AppendNameList(text, kUnwrittenDiffText, unwritten);
  if (!text.IsEmpty()) AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

// What the walks read of the two sides of one united path (null: nothing,
// the side is asked when its record is made).
struct ItemSides {
  const WalkedDvd* newSide = nullptr;
  const WalkedDvd* oldSide = nullptr;
};

// UnitePathLists; with the walks' reads of the two lists (in their orders)
// also what they read of each path of the united list. A NEW path's OLD side
// is the OLD walk's read only when the OLD walk found that very spelling.
void UniteWalks(CStringList& first, CStringList& second, const std::vector<WalkedDvd>* firstWalked,
                const std::vector<WalkedDvd>* secondWalked, std::vector<ItemSides>* sides) {
  const size_t firstCount = static_cast<size_t>(first.GetCount());
  const size_t secondCount = static_cast<size_t>(second.GetCount());
  const bool tell = sides != nullptr && firstWalked != nullptr && secondWalked != nullptr &&
                    firstWalked->size() == firstCount && secondWalked->size() == secondCount;
  if (sides != nullptr) sides->assign(tell ? firstCount : 0, ItemSides{});
  // Upper-cased form of each first path -> its index.
  std::unordered_map<std::string, size_t> known;
  known.reserve(firstCount * 2 + 1);
  std::vector<const CString*> firstPaths;
  firstPaths.reserve(firstCount);
  CString upper;
  for (POSITION pos = first.GetHeadPosition(); pos != nullptr;) {
    const CString& path = first.GetNext(pos);
    upper = path;
    upper.MakeUpper();
    known.emplace(std::string(upper.GetString(), static_cast<size_t>(upper.GetLength())), firstPaths.size());
    if (tell) (*sides)[firstPaths.size()].newSide = &(*firstWalked)[firstPaths.size()];
    firstPaths.push_back(&path);
  }
  size_t j = 0;
  for (POSITION pos = second.GetHeadPosition(); pos != nullptr; ++j) {
    const CString& path = second.GetNext(pos);
    upper = path;
    upper.MakeUpper();
    const auto found = known.find(std::string(upper.GetString(), static_cast<size_t>(upper.GetLength())));
    if (found == known.end()) {
      first.AddTail(path);
      if (tell) sides->push_back(ItemSides{nullptr, &(*secondWalked)[j]});
    } else if (tell && *firstPaths[found->second] == path) {
      (*sides)[found->second].oldSide = &(*secondWalked)[j];
    }
  }
}

// StatFile, also telling in *folder (when given) whether the side is a
// folder. False when the path has no status.
bool StatSide(CZEKFileInfo& side, const char* path, bool* folder) {
  struct _stat st;
  if (path == nullptr || _stat(path, &st) != 0) {
    side.m_nExists = 0;
    return false;
  }
  side.m_nExists = 1;
  side.m_tCreate = st.st_ctime;
  side.m_tAccess = st.st_atime;
  side.m_tModify = st.st_mtime;
  side.m_dwSize = static_cast<DWORD>(st.st_size);
  if (folder != nullptr) *folder = (st.st_mode & _S_IFMT) == _S_IFDIR;
  return true;
}

// One side of a record from the disk: its status and, for a file, its
// version text. Returns whether the side is a folder.
bool ReadSide(CZEKFileInfo& side, const CString& path) {
  bool folder = false;
  if (!StatSide(side, path, &folder) || folder) {
    // A folder holds no version resource.
    side.m_strVersion = kNoVersionText;
    return folder;
  }
  GetVersionText(side, path);
  return false;
}

// One side of a record from what the walk read of its folder: what
// StatFile and GetVersionText would find there.
void TakeWalkedSide(CZEKFileInfo& side, const WalkedDvd& walked) {
  side.m_nExists = 1;
  side.m_tCreate = walked.times.created;
  side.m_tAccess = walked.times.accessed;
  side.m_tModify = walked.times.modified;
  side.m_dwSize = 0;
  side.m_strVersion = kNoVersionText;
}

// BuildMergeRecords; with `sides` (one per path) what the walks read is
// taken instead of asking the disk again; with `takePaths` the paths are
// moved out of the list into the records; `folders` receives for each
// record which of its sides are folders (bit 0 NEW, bit 1 OLD).
//
// The comment elements are taken in path order; the records are made, their
// sides filled and their names classified in parallel (each touches its own
// record only); the classification caches are filled and the records listed
// in path order.
void BuildRecords(int mode, int keepComment, CObList* records, CStringList& paths, const char* newRoot,
                  const char* oldRoot, const std::vector<ItemSides>* sides, bool takePaths,
                  std::vector<unsigned char>* folders) {
  if (records == nullptr) return;
  DeleteRecords(records);
  newRoot = newRoot ? newRoot : "";
  oldRoot = oldRoot ? oldRoot : "";
  const bool newUsable = FitsFolder(newRoot) && *newRoot != '\0';
  const bool oldUsable = FitsFolder(oldRoot) && *oldRoot != '\0';
  const size_t count = static_cast<size_t>(paths.GetCount());
  if (sides != nullptr && sides->size() != count) sides = nullptr;
  std::vector<CString*> source;
  std::vector<LPCSTR> keys;
  source.reserve(count);
  keys.reserve(count);
  for (POSITION pos = paths.GetHeadPosition(); pos != nullptr;) {
    CString& p = paths.GetNext(pos);
    source.push_back(&p);
    keys.push_back(p.GetString());
  }
  std::vector<int> comments;
  if (CComment_Obj* table = GetCurrentCommentTable()) {
    table->TakeElements(keepComment, keys, comments);
  } else {
    comments.assign(count, -1);
  }
  keys = std::vector<LPCSTR>();
  std::vector<CZEKMergeFileInfo*> built(count, nullptr);
  std::vector<signed char> caches(count, -1);
  if (folders != nullptr) folders->assign(count, 0);
  qv::ForEachInParallel(count, [&](size_t i) {
    auto* r = new CZEKMergeFileInfo;
    built[i] = r;
    r->m_nCommentIndex = comments[i];
    r->m_New.m_strName = *source[i];
    if (takePaths) {
      r->m_Old.m_strName = std::move(*source[i]);
    } else {
      r->m_Old.m_strName = *source[i];
    }
    const CString& p = r->m_Old.m_strName;
    CString path;
    // One side from what the walk read of it, else from the disk; true
    // when it is a folder.
    auto fill = [&](CZEKFileInfo& side, bool usable, const char* root, const WalkedDvd* walked) {
      if (!usable || !JoinPath(root, p, "", kRunPathMax, path)) {
        side.m_nExists = 0;
        side.m_strVersion = kNoVersionText;
        return false;
      }
      if (walked != nullptr && walked->known) {
        TakeWalkedSide(side, *walked);
        return true;
      }
      return ReadSide(side, path);
    };
    unsigned char folder = 0;
    if (mode == RUN_MODE_COMPARE) {
      if (fill(r->m_New, newUsable, newRoot, sides != nullptr ? (*sides)[i].newSide : nullptr)) folder |= 1;
    } else {
      r->m_New.m_nExists = 0;
      r->m_New.m_tCreate = r->m_New.m_tAccess = r->m_New.m_tModify = 0;
      r->m_New.m_dwSize = 0;
      r->m_New.m_strVersion = kNoVersionText;
    }
    if (fill(r->m_Old, oldUsable, oldRoot, sides != nullptr ? (*sides)[i].oldSide : nullptr)) folder |= 2;
    if (folders != nullptr) (*folders)[i] = folder;
    int cache = -1;
    r->m_nType = MatchFileType(p, cache);
    caches[i] = static_cast<signed char>(cache);
    if (r->m_nType > 0) r->m_nExist = (r->m_New.m_nExists ? 1 : 0) | (r->m_Old.m_nExists ? 2 : 0);
  });
  std::vector<const char*> names(count);
  for (size_t i = 0; i < count; ++i) names[i] = built[i]->m_Old.m_strName;
  NoteFileTypes(names, caches);
  for (CZEKMergeFileInfo* r : built) records->AddTail(r);
}

}  // namespace

// ---------------------------------------------------------------------------

int RebuildFileInfo(int mode, int keepComment, int discard, CZEKDoc* doc, CZEKEnv_Label* entry,
                    CObList** ppRecords, CZEKMergeSRCInfo** ppTotals) {
  (void)keepComment;  // the run reads the setting itself
  if (entry == nullptr) return 0;
  if (entry->m_pRecordList != nullptr &&
      AfxMessageBox("ファイル情報を本当に作成し直しますか？", MB_YESNO) != IDYES) {
    return 0;
  }
  if (discard == 1) {
    FreeMergeLists(entry);
    if (ppRecords) *ppRecords = nullptr;
    if (ppTotals) *ppTotals = nullptr;
  }
  if (!CheckComparePaths(mode, entry->m_strNewPath, entry->m_strOldPath, entry->m_strDiffPath)) return 0;
  RunCompare(mode, ZEKSettings().m_bKeepComment, ZEKSettings().m_nDiffExec, entry, doc);
  if (ppRecords) *ppRecords = entry->m_pRecordList;
  if (ppTotals) *ppTotals = entry->m_pTotals;
  return 1;
}

int CheckComparePaths(int mode, const char* newPath, const char* oldPath, const char* diffPath) {
  // A folder text that would end or extend its argument on the command
  // line of a program the run starts names no Windows folder: no run.
  if (!CheckFolderText(oldPath, "OLDファイルパス")) return 0;
  if (mode != RUN_MODE_LIST &&
      (!CheckFolderText(newPath, "NEWファイルパス") || !CheckFolderText(diffPath, "diffファイル出力先パス"))) {
    return 0;
  }
  // A folder text that does not fit the 1024-byte working buffers counts
  // as missing: the run cannot use it.
  auto present = [](const char* p) { return FitsFolder(p) && *p != '\0' && _access(p, 0) == 0; };
  CString text;
  if (!present(oldPath)) {
    text.Format("%s\n\n上記OLDファイルパスが存在しません。続けますか？", oldPath ? oldPath : "");
    if (AfxMessageBox(text, MB_YESNO) != IDYES) return 0;
  }
  if (mode == RUN_MODE_LIST) return 1;
  if (!present(newPath)) {
    text.Format("%s\n\n上記NEWファイルパスが存在しません。続けますか？", newPath ? newPath : "");
    if (AfxMessageBox(text, MB_YESNO) != IDYES) return 0;
  }
  if (present(diffPath)) return 1;
  text.Format("%s\n\n上記diffファイル出力先パスが存在しません。\n新規に作成しますか？", diffPath ? diffPath : "");
  if (AfxMessageBox(text, MB_YESNO) != IDYES) return 0;
  return CreateFolderTree(diffPath ? diffPath : "") == 0 ? 1 : 0;
}

void RunCompare(int mode, int keepComment, int kind, CZEKEnv_Label* entry, CZEKDoc* doc) {
  if (entry == nullptr) return;
  const int effective = mode == RUN_MODE_LIST ? DIFF_RUN_LINE_COUNT : kind;

  if (entry->m_nState != 0) FreeMergeLists(entry);
  if (entry->m_pRecordList == nullptr && entry->m_pTotals == nullptr) AllocMergeLists(entry);
  // Half an allocation (never made by the program) is completed.
  if (entry->m_pRecordList == nullptr) entry->m_pRecordList = new CObList(10);
  if (entry->m_pTotals == nullptr) entry->m_pTotals = new CZEKMergeSRCInfo;

  entry->m_strRunTime = CTime::GetCurrentTime().Format("%Y/%m/%d (%a)  %H:%M:%S");
  entry->ReadDriveInfo(entry->m_strOldPath);

  const CString newPath = entry->m_strNewPath;
  const CString oldPath = entry->m_strOldPath;
  const CString diffPath = entry->m_strDiffPath;
  CollectAndCompare(mode, keepComment, entry->m_pTotals, entry->m_pRecordList, newPath, oldPath, diffPath);

  // The results stay with the entry that ran: when the document's look-up
  // by id would pick another entry, that entry's own results are not
  // replaced, and no two entries ever own the same lists.
  if (FindEntryForId(doc, entry->m_nId) == entry) {
    StoreMergeLists(doc, entry->m_nId, entry->m_pTotals, entry->m_pRecordList);
  } else {
    AttachLists(entry, entry->m_pTotals, entry->m_pRecordList);
  }
  entry->m_nRecordCount = static_cast<int>(entry->m_pRecordList->GetCount());

  switch (effective) {
    case DIFF_RUN_REGENERATE:
    case DIFF_RUN_OUTDATED:
      entry->m_nState = 2;
      MakeDiffFiles(*entry->m_pRecordList, kind == DIFF_RUN_REGENERATE ? 1 : 0, newPath, oldPath, diffPath,
                    entry->m_nDiffOption);
      break;
    case DIFF_RUN_LINE_COUNT:
      entry->m_nState = 1;
      for (POSITION pos = entry->m_pRecordList->GetHeadPosition(); pos != nullptr;) {
        auto* r = static_cast<CZEKMergeFileInfo*>(entry->m_pRecordList->GetNext(pos));
        r->m_nRangeAdd = r->m_nRangeDel = r->m_nRangeChgRight = r->m_nRangeChgLeft = 0;
        r->m_nDelLines = r->m_nAddLines = 0;
        r->m_nChgLines = static_cast<int>(AbsDiff(r->m_New.m_dwLines, r->m_Old.m_dwLines));
      }
      break;
    case DIFF_RUN_WINDIFF:
    case DIFF_RUN_GUI: {
      const CString program = effective == DIFF_RUN_WINDIFF ? ZEKSettings().m_strCmdWindiff : ZEKSettings().m_strCmdDF;
      // Each folder one argument, also one with blanks or a trailing
      // backslash.
      CString command = program;
      command += ' ';
      command += QuotedPathArgument(oldPath);
      command += ' ';
      command += QuotedPathArgument(newPath);
      // The program's own field is hidden on the settings sheet: a start
      // failure names the program and the setting that chose this run kind.
      if (!ExecCommandQuietly(command)) {
        CString text;
        text.Format(kComparerFailedText, effective == DIFF_RUN_WINDIFF ? "windiff" : "DF",
                    program.IsEmpty() ? "未設定" : program.GetString());
        AfxMessageBox(text, MB_ICONEXCLAMATION);
      }
      break;
    }
    default:
      break;
  }
  // The run's threads left free room in the allocator's areas for them:
  // given back, it does not add up in the program's memory run after run.
  qv::ReturnFreeMemory();
}

void FreeMergeLists(CZEKEnv_Label* entry) {
  if (entry) entry->FreeRecords();
}

void AllocMergeLists(CZEKEnv_Label* entry) {
  if (entry == nullptr) return;
  entry->m_pRecordList = new CObList(10);
  entry->m_pTotals = new CZEKMergeSRCInfo;
}

void CollectAndCompare(int mode, int keepComment, CZEKMergeSRCInfo* totals, CObList* records,
                       const char* newPath, const char* oldPath, const char* diffPath) {
  if (totals == nullptr || records == nullptr) return;
  newPath = newPath ? newPath : "";
  oldPath = oldPath ? oldPath : "";
  diffPath = diffPath ? diffPath : "";
  totals->Init();

  CStringList queue, newList, oldList;
  std::vector<WalkedDvd> newWalked, oldWalked;
  qv::TakeUnrepresentableNames();  // only what this walk leaves out is told
  g_leftOut = LeftOut();
  // The "both folders exist" rule needs a second tree: compare mode only.
  const int exist = mode == RUN_MODE_COMPARE ? ZEKSettings().m_bDirExistDiff : 0;
  if (mode == RUN_MODE_COMPARE && *newPath != '\0') {
    WalkDvds(ZEKSettings().m_bSubdirSearch, exist, newPath, queue, newList, oldPath, &newWalked);
  }
  if (*oldPath != '\0') WalkDvds(ZEKSettings().m_bSubdirSearch, exist, oldPath, queue, oldList, newPath, &oldWalked);
  ReportLeftOut();

  if (!keepComment) {
    if (CComment_Obj* table = GetCurrentCommentTable()) table->Resize(0);
  }

  // The united list, and what the walks read of each of its paths. With no
  // NEW paths it is the OLD list as it stands (UnitePathLists would copy
  // it whole, its own case variants included).
  std::vector<ItemSides> sides;
  CStringList* united = &newList;
  if (newList.IsEmpty()) {
    united = &oldList;
    if (oldWalked.size() == static_cast<size_t>(oldList.GetCount())) {
      for (const WalkedDvd& w : oldWalked) sides.push_back(ItemSides{nullptr, &w});
    }
  } else {
    UniteWalks(newList, oldList, &newWalked, &oldWalked, &sides);
    oldList.RemoveAll();
  }
  std::vector<unsigned char> folders;
  BuildRecords(mode, keepComment, records, *united, mode == RUN_MODE_COMPARE ? newPath : oldPath, oldPath, &sides,
               true, &folders);
  united->RemoveAll();
  sides = std::vector<ItemSides>();

  // Counting reads each record's own copies and .diff file into that record
  // only: the records are counted in parallel, the totals then summed in
  // list order. A side that is a folder (every DVD folder) has no lines to
  // count, and a record without both copies no .diff to read.
  std::vector<CZEKMergeFileInfo*> list;
  list.reserve(static_cast<size_t>(records->GetCount()));
  for (POSITION pos = records->GetHeadPosition(); pos != nullptr;) {
    list.push_back(static_cast<CZEKMergeFileInfo*>(records->GetNext(pos)));
  }
  // Whether a record adds anything to the totals: a value that is not 0 and
  // a name that is a target.
  std::vector<unsigned char> adds(list.size(), 0);
  qv::ForEachInParallel(list.size(), [&](size_t i) {
    CZEKMergeFileInfo* r = list[i];
    const CString& name = r->m_New.m_strName;
    r->m_New.m_dwLines = (r->m_nExist & 1) && !(folders[i] & 1) ? CountLines(newPath, name) : 0;
    r->m_Old.m_dwLines = (r->m_nExist & 2) && !(folders[i] & 2) ? CountLines(oldPath, name) : 0;
    EvaluateRecord(r, diffPath);
    const bool any = r->m_New.m_dwLines != 0 || r->m_Old.m_dwLines != 0 || r->m_nChgLines != 0 ||
                     r->m_nRangeAdd != 0 || r->m_nRangeDel != 0 || r->m_nRangeChgRight != 0 ||
                     r->m_nRangeChgLeft != 0;
    adds[i] = any && GetFileCategory(name) ? 1 : 0;
  });
  for (size_t i = 0; i < list.size(); ++i) {
    if (!adds[i]) continue;
    CZEKMergeFileInfo* r = list[i];
    const CString& name = r->m_New.m_strName;
    if (r->m_nExist & 1) AddStatusCount(name, totals->m_Row[0], r->m_New.m_dwLines);
    if (r->m_nExist & 2) AddStatusCount(name, totals->m_Row[1], r->m_Old.m_dwLines);
    if ((r->m_nExist & 3) == 3) {
      AddStatusCount(name, totals->m_Row[2], static_cast<DWORD>(r->m_nChgLines));
      AddStatusCount(name, totals->m_Row[3], static_cast<DWORD>(r->m_nRangeAdd));
      AddStatusCount(name, totals->m_Row[4], static_cast<DWORD>(r->m_nRangeDel));
      AddStatusCount(name, totals->m_Row[5], static_cast<DWORD>(r->m_nRangeChgRight));
      AddStatusCount(name, totals->m_Row[6], static_cast<DWORD>(r->m_nRangeChgLeft));
    } else if ((r->m_nExist & 3) == 1) {
      AddStatusCount(name, totals->m_Row[7], static_cast<DWORD>(r->m_nChgLines));
    } else {
      AddStatusCount(name, totals->m_Row[8], static_cast<DWORD>(r->m_nChgLines));
    }
  }
}

void WalkDvdFolders(int recurse, int exist, const char* root, CStringList& folderQueue,
                    CStringList& dvdList, const char* otherRoot) {
  WalkDvds(recurse, exist, root, folderQueue, dvdList, otherRoot, nullptr);
}

void ListSubfolders(int exist, const char* root, CStringList& folderList, CStringList& dvdList) {
  if (!FitsFolder(root) || *root == '\0') return;
  const CString rootText(root);
  qv::FolderWalker walker(rootText, kVideoTs);
  WalkFolder top;
  if (!ReadWalkRoot(walker, rootText, false, top)) return;
  walker.ReadSubfolders(std::move(top));
  std::vector<WalkFolder> children = walker.NextSubfolders();
  LevelOutput out{folderList, dvdList, nullptr, nullptr};
  ListLevel(rootText, CString(), children, nullptr, exist != 0, out);
}

void UnitePathLists(CStringList& first, CStringList& second) { UniteWalks(first, second, nullptr, nullptr, nullptr); }

void BuildMergeRecords(int mode, int keepComment, CObList* records, CStringList& paths,
                       const char* newRoot, const char* oldRoot) {
  BuildRecords(mode, keepComment, records, paths, newRoot, oldRoot, nullptr, false, nullptr);
}

void StatFile(CZEKFileInfo& side, const char* path) { StatSide(side, path, nullptr); }

void GetVersionText(CZEKFileInfo& side, const char* path) {
  // The path is taken into a 1024-byte buffer: a longer one has no
  // resource that could be read.
  if (!FitsFolder(path)) {
    side.m_strVersion = kNoVersionText;
    return;
  }
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) {
    side.m_strVersion = kNoVersionText;
    return;
  }
  // A block larger than the usual buffer gets a buffer of its own size, so
  // the search below never reads past what was filled.
  std::vector<BYTE> buffer(size > kVersionBufferSize ? size : kVersionBufferSize, 0);
  if (!GetFileVersionInfoA(path, handle, size, buffer.data())) {
    side.m_strVersion = kUnknownVersionText;
    return;
  }
  const size_t words = size / 2;
  const BYTE* found = nullptr;
  for (size_t i = 0; i + 1 < words; ++i) {
    WORD lo, hi;
    std::memcpy(&lo, &buffer[i * 2], 2);
    std::memcpy(&hi, &buffer[i * 2 + 2], 2);
    if (lo == (kFixedSignature & 0xFFFF) && hi == (kFixedSignature >> 16)) {
      // The fixed block must lie wholly inside what was read.
      if (i * 2 + sizeof(VS_FIXEDFILEINFO) <= size) found = &buffer[i * 2];
      break;
    }
  }
  if (found == nullptr) {
    side.m_strVersion = kUnknownVersionText;
    return;
  }
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, found, sizeof info);
  CString version;
  version.Format("%u.%u.%u.%u", static_cast<unsigned>(HIWORD(info.dwFileVersionMS)),
                 static_cast<unsigned>(LOWORD(info.dwFileVersionMS)),
                 static_cast<unsigned>(HIWORD(info.dwFileVersionLS)),
                 static_cast<unsigned>(LOWORD(info.dwFileVersionLS)));
  side.m_strVersion.Format("%-16s %s", version.GetString(),
                           (info.dwFileFlags & VS_FF_DEBUG) ? " , Debug" : " , Release");
}

void StoreMergeLists(CZEKDoc* doc, int id, CZEKMergeSRCInfo* totals, CObList* records) {
  CZEKEnv_Label* e = FindEntryForId(doc, id);
  if (e != nullptr) AttachLists(e, totals, records);
}

int MatchRecordFilter(int mode, CZEKSettings* app, int bits, int daysFrom, int daysTo,
                      const CZEKMergeFileInfo* record) {
  if (record == nullptr) return 0;
  if (app == nullptr) app = &ZEKSettings();
  const LONG newTime = record->m_New.m_tModify;
  const LONG oldTime = record->m_Old.m_tModify;
  int keep = mode == RUN_MODE_LIST ? 1 : 0;
  if ((bits & DISP_SAME) && newTime == oldTime) keep = 1;
  if ((bits & DISP_NEW) && oldTime == 0) keep = 1;
  if ((bits & DISP_DELETED) && newTime == 0) keep = 1;
  if (bits & DISP_DIFFERENT) {
    const bool anyRange = record->m_nRangeAdd != 0 || record->m_nRangeDel != 0 ||
                          record->m_nRangeChgRight != 0 || record->m_nRangeChgLeft != 0;
    if (newTime != 0 && oldTime != 0 && newTime != oldTime && !(app->m_bDiffOverDate && !anyRange)) keep = 1;
    if (app->m_nDiffExec == DIFF_RUN_REGENERATE && anyRange) keep = 1;
  }
  if (!keep) return 0;
  if (bits & DISP_DATE_WINDOW) {
    // 64-bit arithmetic: a window reaching back further than 1901 cannot
    // wrap around into the future.
    const long long now = static_cast<long long>(CTime::GetCurrentTime().GetTime());
    const long long from = now - static_cast<long long>(daysFrom) * 86400;
    const long long to = now - static_cast<long long>(daysTo) * 86400;
    return (from <= newTime && newTime <= to) ? 1 : 0;
  }
  return keep;
}
