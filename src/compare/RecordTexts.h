// Texts of one merge record that both the file list's rows and the CSV
// export show: whether the record is listed at all, the date texts of its
// two sides, the name and folder parts of its relative name and its comment.
#pragma once

#include "platform/win.h"

class CZEKMergeFileInfo;

// Shown in place of a missing date: the OLD copy is missing (the item was
// newly created), the NEW copy is missing (the item was deleted).
extern const char kNewlyCreatedText[];
extern const char kDeletedText[];

// Date texts are at most this many bytes with their terminator.
constexpr size_t kDateTextSize = 64;

// 0 when the record's type code is 0 (the file-type selection took it out:
// no row, no CSV line), else 1.
int GetStatusMark(const CZEKMergeFileInfo* record);

// 0 for a record of type code 0 (the buffers are left as they are); else 1
// with the modification-time texts of the NEW and OLD sides, each empty when
// that side's presence bit is not set. Both buffers hold kDateTextSize
// bytes.
int GetDateColumns(const CZEKMergeFileInfo* record, char* dateNew, char* dateOld);

// The comment of the record's element in the current document's comment
// table; empty when there is no current document or the index lies outside
// the table (only a damaged document holds such an index).
CString GetRecordComment(const CZEKMergeFileInfo* record);

// `name` split at its last backslash (never at the trail byte of a
// double-byte character): the part before it (empty when there is none) and
// the part after it, whole whatever their length.
void SplitRelativeName(const CString& name, CString& folder, CString& leaf);

// "%s\%s.diff" of the DIFF folder and the record's NEW-side name.
CString DiffFilePathOf(const char* diffFolder, const CZEKMergeFileInfo* record);

// For one pass over many records (a fill of the list, an export): which
// folders of the DIFF folder exist. A record whose folder there is missing
// has no diff file, and it is not looked for (a look-up of a missing name
// costs a scan of its folder).
class DiffFolderProbe {
 public:
  explicit DiffFolderProbe(const char* diffFolder) : m_diffFolder(diffFolder ? diffFolder : "") {}
  // FALSE when the folder the record's diff file would be in is missing.
  BOOL MayHoldDiffOf(const CZEKMergeFileInfo* record);

 private:
  CString m_diffFolder;
  std::unordered_map<std::string, bool> m_folders;
};

// Re-reads the record's diff file into its seven counts (the deleted,
// added and changed lines and the four range sums). With a probe, a diff
// file whose folder is missing is known to be absent without a look-up.
void RefreshDiffCounts(CZEKMergeFileInfo* record, const char* diffFolder, DiffFolderProbe* probe = nullptr);
