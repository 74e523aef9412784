// The text form of a file-type profile (the lines a document stores and the
// profile combo boxes show), and the check states of the display-filter
// dialog with their application to the merge records of an entry.
#pragma once

#include "platform/win.h"

class CListBox;
class CCheckListBox;

// Section headers and the line of an empty section.
extern const char kProfileHeaderTargetExt[];
extern const char kProfileHeaderTargetName[];
extern const char kProfileHeaderExcludedExt[];
extern const char kProfileHeaderExcludedDir[];
extern const char kProfileNoneLine[];

// Selection modes of the display-filter dialog.
enum {
  PROFILE_SELECT_ENTRY = 0,     // check states in the working copy's attribute words
  PROFILE_SELECT_WILDCARD = 1,  // check states in the items of the texts of the last run
};

// Fills `lines` with `name` and the four sections of the active profile.
void ProfileToText(const CString& name, CStringList& lines);

// Installs a profile text as the open document's own profile (slot 128) and
// makes it active; `name` receives the text's first line (unchanged when the
// text is empty).
void ParseProfileText(CString& name, CStringList& lines);

// Fills the two check lists and the two plain lists of the display-filter
// dialog; returns the selection mode.
int FillCheckListPair(CCheckListBox& extList, CCheckListBox& nameList, CListBox& excludedExtList,
                      CListBox& excludedDirList);

// Stores the user's check marks; returns the selection mode.
int StoreCheckStates(CCheckListBox& extList, CCheckListBox& nameList);

// Rewrites the type code (and presence bits) of every merge record of
// `records` from the stored selection.
void ApplySelectionToRecords(int mode, CObList* records, CCheckListBox& extList, CCheckListBox& nameList);

// Wildcard mode: the selected state of a file name's item.
BOOL IsExtensionChecked(const char* fileName, CCheckListBox& extList, CCheckListBox& nameList);

// Entry mode: the selected state of the working-copy entry for a file name.
DWORD GetEntryAttribute(const char* fileName);

// Sets the check mark and the selected state of every item.
void SetAllChecks(int state, CCheckListBox& list);

// Fills the four lists of the profile-choice dialog with the sections of
// profile `index`.
void FillProfileLists(int index, CListBox& extList, CListBox& nameList, CListBox& excludedExtList,
                      CListBox& excludedDirList);
