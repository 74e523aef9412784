// File-type profiles: which files of a tree are targets of a run (by
// extension or by exact file name), which extensions are excluded and which
// folder names are skipped. The settings file defines up to 128 named
// profiles (a composite profile names others and takes over their lists);
// slot 128 belongs to the open document, filled from the profile text it
// stores. Exactly one profile is active.
//
// The tables are fixed-size static arrays, filled once at start-up; every
// look-up is a linear scan that stops at the first free entry.
#pragma once

#include "platform/win.h"

// Table sizes.
enum {
  FILETYPE_SETTINGS_SLOTS = 128,  // profiles of the settings file
  FILETYPE_DOCUMENT_SLOT = 128,   // the open document's own profile
  FILETYPE_SLOTS = 129,
  FILETYPE_ROWS = 128,            // entries of each list
  FILETYPE_MAX_INCLUDES = 15,     // profiles a composite profile may name
  FILETYPE_NAME_MAX = 255,        // bytes of a profile name
  FILETYPE_EXT_MAX = 31,          // bytes of an extension or folder name entry
  FILETYPE_FILENAME_MAX = 255,    // bytes of a target file name entry
};

// The four lists of a profile, as indexes of totalCount / ownCount.
enum {
  FILETYPE_LIST_TARGET_EXT = 0,
  FILETYPE_LIST_TARGET_NAME = 1,
  FILETYPE_LIST_EXCLUDED_EXT = 2,
  FILETYPE_LIST_EXCLUDED_DIR = 3,
};

// FileTypeCode: the type code of a merge record.
enum {
  FILETYPE_CODE_EXCLUDED = -11,   // excluded extension
  FILETYPE_CODE_HIDDEN = 0,       // deselected in the display filter
  FILETYPE_CODE_OTHER = 1,        // "*" wildcard match or no match
  FILETYPE_CODE_TARGET_EXT = 2,   // target extension
  FILETYPE_CODE_TARGET_NAME = 3,  // target file name
};

struct FileTypeExtEntry {
  DWORD used;       // 1 in use, 0 end of list
  DWORD length;     // bytes in text, at most 31
  char text[32];
  DWORD attribute;  // check state of the selection dialogs, 0 or 1
};

struct FileTypeNameEntry {
  DWORD used;
  DWORD length;     // at most 255 (excluded folder names: at most 31)
  char text[256];
  DWORD attribute;
};

struct FileTypeProfile {
  char name[256];         // as written in the settings file; empty = free slot
  int16_t includes[16];   // [0] number n of included profiles, [1..n] their slots
  int16_t totalCount[4];  // rows of each list after merging
  int16_t ownCount[4];    // rows read from the profile's own section
  FileTypeExtEntry targetExt[FILETYPE_ROWS];
  FileTypeNameEntry targetName[FILETYPE_ROWS];
  FileTypeExtEntry excludedExt[FILETYPE_ROWS];
  FileTypeNameEntry excludedDir[FILETYPE_ROWS];
};

// The target lists of one profile whose attribute words carry the check
// states of the display-filter dialog.
struct FileTypeWorkingCopy {
  FileTypeExtEntry targetExt[FILETYPE_ROWS];
  FileTypeNameEntry targetName[FILETYPE_ROWS];
};

extern FileTypeProfile g_fileTypeProfiles[FILETYPE_SLOTS];
extern int g_nActiveProfile;
extern FileTypeWorkingCopy ProfileWorkingCopy;

// Texts seen by the last run, each list distinct in insertion order:
// extensions and extension-less names that matched a "*" target entry, and
// those that matched nothing.
extern CStringList g_listWildcardExt;
extern CStringList g_listWildcardName;
extern CStringList g_listOtherExt;
extern CStringList g_listOtherName;

// Empties all 129 slots and makes slot 0 active.
void ClearFileTypeProfiles();

// Reads the profiles of the settings file into slots 0..127, resolves and
// merges the composite ones and activates the one named `name`. FALSE after
// a message when a composite profile names a profile that does not exist.
BOOL LoadFileTypeProfiles(const char* name, const char* iniPath);

// Activates the first slot (0..128) named `name`, else slot 0.
void FindProfileByName(const char* name);
int GetCurrentProfile();

// Copies the target lists of slot `index` into ProfileWorkingCopy with every
// used entry checked, and empties the four caches.
void SelectProfile(int index);

// Fills `list` with the names of the used slots; returns the active name.
const char* ListProfileNames(CStringList& list);

// FileTypeCode of a file name or relative path under the active profile;
// `ext` (256 bytes) receives the lower-cased text after the last '.'.
int ClassifyFileName(const char* name, char* ext);

// ClassifyFileName in two steps, for a run that classifies many names on
// several threads: MatchFileType gives the type code and which cache the
// name goes to (`cache`: 0 wildcard extensions, 1 wildcard names, 2 other
// extensions, 3 other names, -1 none) and touches nothing; NoteFileType adds
// the name's text to that cache, and is called on one thread in the order
// ClassifyFileName would have been.
int MatchFileType(const char* name, int& cache);
void NoteFileType(const char* name, int cache);
// NoteFileType for each name in turn (the texts hashed on several threads).
void NoteFileTypes(const std::vector<const char*>& names, const std::vector<signed char>& caches);

// TRUE when the path is a target of the active profile (no caches touched).
BOOL GetFileCategory(const char* path);

// TRUE when the folder name is an excluded folder of the active profile.
BOOL IsExcludedFolderName(const char* name);

// printf into a 256-byte buffer; a text that does not fit is cut at a
// character boundary.
void FormatShort(char* buffer, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Largest length <= maxLength at which `text` (of `length` bytes) can be cut
// without splitting a double-byte character. Only the first maxLength bytes
// are read when `length` is larger.
int CharBoundaryLength(const char* text, int length, int maxLength);
