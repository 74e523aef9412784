// Profile text form and the check-state selection of the display filter.
#include "records/ProfileText.h"

#include "records/FileTypeProfile.h"
#include "records/Settings.h"

#include "platform/ui/listbox.h"
#include "records/FileInfo.h"

const char kProfileHeaderTargetExt[] = "－－－－－　対象拡張子";
const char kProfileHeaderTargetName[] = "－－－－－　対象ファイル名称";
const char kProfileHeaderExcludedExt[] = "－－－－－　対象外拡張子";
const char kProfileHeaderExcludedDir[] = "－－－－－　対象外フォルダ名称";
const char kProfileNoneLine[] = "　　無し　　";

namespace {

const char* const kHeaders[4] = {kProfileHeaderTargetExt, kProfileHeaderTargetName,
                                 kProfileHeaderExcludedExt, kProfileHeaderExcludedDir};

// Longest text each list holds.
const int kRowMax[4] = {FILETYPE_EXT_MAX, FILETYPE_FILENAME_MAX, FILETYPE_EXT_MAX, FILETYPE_EXT_MAX};

// Text of row r of list k, or null when the row is free.
const char* RowText(const FileTypeProfile& a, int k, int r) {
  switch (k) {
    case FILETYPE_LIST_TARGET_EXT:
      return a.targetExt[r].used == 1 ? a.targetExt[r].text : nullptr;
    case FILETYPE_LIST_TARGET_NAME:
      return a.targetName[r].used == 1 ? a.targetName[r].text : nullptr;
    case FILETYPE_LIST_EXCLUDED_EXT:
      return a.excludedExt[r].used == 1 ? a.excludedExt[r].text : nullptr;
    default:
      return a.excludedDir[r].used == 1 ? a.excludedDir[r].text : nullptr;
  }
}

// The body of one section of profile `a`, line by line into `add`. A plain
// profile lists its rows (or the none line); a composite one lists its own
// rows and then, per included profile, a "[name]" line and that profile's
// rows. With `markEmptyIncludes` an included profile without rows gets the
// none line after its "[name]" line.
template <typename Add>
void BuildSection(const FileTypeProfile& a, int k, bool markEmptyIncludes, Add&& add) {
  int r = 0;
  if (a.includes[0] == 0) {
    for (; r < FILETYPE_ROWS; ++r) {
      const char* text = RowText(a, k, r);
      if (text == nullptr) break;
      add(text);
    }
    if (r == 0) add(kProfileNoneLine);
    return;
  }
  auto addUpTo = [&](int limit) {
    if (limit > FILETYPE_ROWS) limit = FILETYPE_ROWS;
    for (; r < limit; ++r) {
      const char* text = RowText(a, k, r);
      if (text == nullptr) break;
      add(text);
    }
  };
  int limit = a.ownCount[k];
  addUpTo(limit);
  for (int w = 1; w <= a.includes[0] && w <= FILETYPE_MAX_INCLUDES; ++w) {
    int q = a.includes[w];
    if (q <= 0 || q >= FILETYPE_SLOTS) break;
    const FileTypeProfile& included = g_fileTypeProfiles[q];
    char line[256];
    FormatShort(line, "        [%s]", included.name);
    add(line);
    limit += included.totalCount[k];
    addUpTo(limit);
    if (markEmptyIncludes && included.totalCount[k] == 0) add(kProfileNoneLine);
  }
}

const FileTypeProfile& ActiveSlot() {
  int n = GetCurrentProfile();
  return g_fileTypeProfiles[(n >= 0 && n < FILETYPE_SLOTS) ? n : 0];
}

template <typename Entry>
void StoreRow(Entry* entries, int16_t& count, const CString& line, int maxLength) {
  if (count >= FILETYPE_ROWS) return;
  Entry& e = entries[count];
  int n = CharBoundaryLength(line, line.GetLength(), maxLength);
  memcpy(e.text, line.GetString(), static_cast<size_t>(n));
  e.text[n] = 0;
  e.length = static_cast<DWORD>(n);
  e.used = 1;
  count = static_cast<int16_t>(count + 1);
}

}  // namespace

void ProfileToText(const CString& name, CStringList& lines) {
  lines.RemoveAll();
  lines.AddTail(name);
  const FileTypeProfile& a = ActiveSlot();
  for (int k = 0; k < 4; ++k) {
    lines.AddTail(kHeaders[k]);
    BuildSection(a, k, false, [&](const char* text) { lines.AddTail(text); });
  }
}

void ParseProfileText(CString& name, CStringList& lines) {
  g_nActiveProfile = FILETYPE_DOCUMENT_SLOT;
  FileTypeProfile& slot = g_fileTypeProfiles[FILETYPE_DOCUMENT_SLOT];
  // The document's profile is read whole: the excluded sections come back
  // as well, so the profile survives the next save unchanged.
  memset(slot.targetExt, 0, sizeof slot.targetExt);
  memset(slot.targetName, 0, sizeof slot.targetName);
  memset(slot.excludedExt, 0, sizeof slot.excludedExt);
  memset(slot.excludedDir, 0, sizeof slot.excludedDir);
  int16_t counts[4] = {0, 0, 0, 0};

  POSITION pos = lines.GetHeadPosition();
  if (pos != nullptr) {
    name = lines.GetNext(pos);
    int k = FILETYPE_LIST_TARGET_EXT;
    while (pos != nullptr) {
      const CString& line = lines.GetNext(pos);
      // The writer never stores an empty line; one in a damaged text would
      // become an empty entry that matches every name ending in '.'.
      if (line == kProfileHeaderTargetExt || line == kProfileNoneLine || line.IsEmpty()) continue;
      if (line == kProfileHeaderTargetName) {
        k = FILETYPE_LIST_TARGET_NAME;
      } else if (line == kProfileHeaderExcludedExt) {
        k = FILETYPE_LIST_EXCLUDED_EXT;
      } else if (line == kProfileHeaderExcludedDir) {
        k = FILETYPE_LIST_EXCLUDED_DIR;
      } else if (k == FILETYPE_LIST_TARGET_EXT) {
        StoreRow(slot.targetExt, counts[k], line, kRowMax[k]);
      } else if (k == FILETYPE_LIST_TARGET_NAME) {
        StoreRow(slot.targetName, counts[k], line, kRowMax[k]);
      } else if (k == FILETYPE_LIST_EXCLUDED_EXT) {
        StoreRow(slot.excludedExt, counts[k], line, kRowMax[k]);
      } else {
        StoreRow(slot.excludedDir, counts[k], line, kRowMax[k]);
      }
    }
  }
  for (int k = 0; k < 4; ++k) {
    slot.totalCount[k] = counts[k];
    slot.ownCount[k] = counts[k];
  }
}

DWORD GetEntryAttribute(const char* fileName) {
  if (fileName == nullptr) return 0;
  // Record names keep the letter case found on disk while the profile's
  // entries are lower case: the probe is lower-cased the same way.
  CString probe;
  const char* dot = strrchr(fileName, '.');
  bool byExtension = dot != nullptr && dot[1] != 0;
  probe = byExtension ? dot + 1 : fileName;
  CZEKSettings::LowerInPlace(probe.GetBuffer());
  probe.ReleaseBuffer();
  if (byExtension) {
    for (const FileTypeExtEntry& e : ProfileWorkingCopy.targetExt) {
      if (e.used != 1) break;
      if (probe == e.text) return e.attribute;
    }
  } else {
    for (const FileTypeNameEntry& e : ProfileWorkingCopy.targetName) {
      if (e.used != 1) break;
      if (probe == e.text) return e.attribute;
    }
  }
  return 0;
}


namespace {

// The first target entry "*" puts the dialog in wildcard mode.
bool WildcardMode() {
  return ProfileWorkingCopy.targetExt[0].used == 1 && ProfileWorkingCopy.targetExt[0].text[0] == '*';
}

// Adds a text to a check list with the given selected state and check mark;
// the index, or a negative value when the list refused it.
int AddChecked(CCheckListBox& list, const char* text, int state) {
  int index = list.AddString(text);
  if (index >= 0) {
    list.SetItemData(index, static_cast<DWORD_PTR>(state));
    list.SetCheck(index, state);
  }
  return index;
}

template <typename Entry>
void FillEntryList(CCheckListBox& list, Entry* entries) {
  bool any = false;
  for (int i = 0; i < FILETYPE_ROWS && entries[i].used == 1; ++i) {
    any = true;
    entries[i].attribute = AddChecked(list, entries[i].text, 1) >= 0 ? 1 : 0;
  }
  if (!any) list.AddString(kProfileNoneLine);
}

void FillWildcardList(CCheckListBox& list, CStringList& texts) {
  POSITION pos = texts.GetHeadPosition();
  if (pos == nullptr) {
    list.AddString(kProfileNoneLine);
    return;
  }
  while (pos != nullptr) AddChecked(list, texts.GetNext(pos), 1);
}

template <typename Entry>
void FillPlainList(CListBox& list, const Entry* entries) {
  list.ResetContent();
  for (int i = 0; i < FILETYPE_ROWS && entries[i].used == 1; ++i) list.AddString(entries[i].text);
  if (list.GetCount() <= 0) list.AddString(kProfileNoneLine);
}

template <typename Entry>
void StoreEntryChecks(CCheckListBox& list, Entry* entries) {
  for (int i = 0; i < FILETYPE_ROWS && entries[i].used == 1; ++i) {
    int index = list.FindStringExact(-1, entries[i].text);
    if (index >= 0) entries[i].attribute = static_cast<DWORD>(list.GetCheck(index));
  }
}

// The selected state of the item whose text equals `text` (letter case
// ignored); FALSE when there is none.
BOOL ItemSelected(CCheckListBox& list, const char* text) {
  int index = list.FindStringExact(-1, text);
  return (index >= 0 && list.GetItemData(index) != 0) ? TRUE : FALSE;
}

}  // namespace

int FillCheckListPair(CCheckListBox& extList, CCheckListBox& nameList, CListBox& excludedExtList,
                      CListBox& excludedDirList) {
  bool wildcard = WildcardMode();
  extList.ResetContent();
  nameList.ResetContent();
  if (wildcard) {
    FillWildcardList(extList, g_listWildcardExt);
    FillWildcardList(nameList, g_listWildcardName);
  } else {
    FillEntryList(extList, ProfileWorkingCopy.targetExt);
    FillEntryList(nameList, ProfileWorkingCopy.targetName);
  }
  const FileTypeProfile& a = ActiveSlot();
  FillPlainList(excludedExtList, a.excludedExt);
  FillPlainList(excludedDirList, a.excludedDir);
  return wildcard ? PROFILE_SELECT_WILDCARD : PROFILE_SELECT_ENTRY;
}

int StoreCheckStates(CCheckListBox& extList, CCheckListBox& nameList) {
  if (WildcardMode()) {
    int n = static_cast<int>(g_listWildcardExt.GetCount());
    for (int i = 0; i < n && i < extList.GetCount(); ++i) extList.SetItemData(i, static_cast<DWORD_PTR>(extList.GetCheck(i)));
    n = static_cast<int>(g_listWildcardName.GetCount());
    for (int i = 0; i < n && i < nameList.GetCount(); ++i) nameList.SetItemData(i, static_cast<DWORD_PTR>(nameList.GetCheck(i)));
    return PROFILE_SELECT_WILDCARD;
  }
  StoreEntryChecks(extList, ProfileWorkingCopy.targetExt);
  StoreEntryChecks(nameList, ProfileWorkingCopy.targetName);
  return PROFILE_SELECT_ENTRY;
}

BOOL IsExtensionChecked(const char* fileName, CCheckListBox& extList, CCheckListBox& nameList) {
  if (fileName == nullptr) return FALSE;
  const char* dot = strrchr(fileName, '.');
  if (dot != nullptr && dot[1] != 0) return ItemSelected(extList, dot + 1);
  return ItemSelected(nameList, fileName);
}

void ApplySelectionToRecords(int mode, CObList* records, CCheckListBox& extList, CCheckListBox& nameList) {
  if (records == nullptr) return;
  POSITION pos = records->GetHeadPosition();
  while (pos != nullptr) {
    CZEKMergeFileInfo* record = static_cast<CZEKMergeFileInfo*>(records->GetNext(pos));
    if (record == nullptr) continue;
    const char* name = record->m_New.m_strName;
    int state = mode == PROFILE_SELECT_ENTRY ? static_cast<int>(GetEntryAttribute(name))
                                             : (IsExtensionChecked(name, extList, nameList) ? 1 : 0);
    record->m_nType = state;
    if (state > 0) {
      if (record->m_New.m_nExists) record->m_nExist |= 1;
      if (record->m_Old.m_nExists) record->m_nExist |= 2;
    }
  }
}

void SetAllChecks(int state, CCheckListBox& list) {
  int n = list.GetCount();
  for (int i = 0; i < n; ++i) {
    list.SetItemData(i, static_cast<DWORD_PTR>(state));
    list.SetCheck(i, state);
  }
}

void FillProfileLists(int index, CListBox& extList, CListBox& nameList, CListBox& excludedExtList,
                      CListBox& excludedDirList) {
  CListBox* lists[4] = {&extList, &nameList, &excludedExtList, &excludedDirList};
  for (CListBox* list : lists) list->ResetContent();
  if (index < 0 || index >= FILETYPE_SLOTS) return;
  const FileTypeProfile& a = g_fileTypeProfiles[index];
  for (int k = 0; k < 4; ++k) {
    BuildSection(a, k, true, [&](const char* text) { lists[k]->AddString(text); });
  }
}

