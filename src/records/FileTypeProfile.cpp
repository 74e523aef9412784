// File-type profile tables, their loader, the look-ups by name and the
// classification of files and folders under the active profile.
#include "records/FileTypeProfile.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "records/Settings.h"

FileTypeProfile g_fileTypeProfiles[FILETYPE_SLOTS];
int g_nActiveProfile = 0;
FileTypeWorkingCopy ProfileWorkingCopy;

CStringList g_listWildcardExt;
CStringList g_listWildcardName;
CStringList g_listOtherExt;
CStringList g_listOtherName;

namespace {

const char kSection[] = "Quarvex";

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

inline FileTypeProfile& ActiveProfile() {
  int n = g_nActiveProfile;
  if (n < 0 || n >= FILETYPE_SLOTS) n = 0;
  return g_fileTypeProfiles[n];
}

template <typename Entry>
void SetEntry(Entry& entry, const char* text, int length, int maxLength) {
  int n = CharBoundaryLength(text, length, maxLength);
  entry.used = 1;
  entry.length = static_cast<DWORD>(n);
  memcpy(entry.text, text, static_cast<size_t>(n));
  entry.text[n] = 0;
}

// Reads one list of a profile section: keys "<prefix>001" upward until the
// first empty value, at most 128 rows. Returns the number of rows.
template <typename Entry>
int ReadProfileList(Entry* list, const char* section, const char* keyFormat, int maxLength,
                    const char* iniPath) {
  char key[64];
  char value[1024];
  int count = 0;
  for (int j = 1; j <= FILETYPE_ROWS; ++j) {
    sprintf_s(key, sizeof key, keyFormat, j);
    GetPrivateProfileStringA(section, key, "", value, sizeof value, iniPath);
    if (value[0] == 0) break;
    CZEKSettings::LowerInPlace(value);
    SetEntry(list[j - 1], value, static_cast<int>(strlen(value)), maxLength);
    count = j;
  }
  return count;
}

// Appends the rows of `from` behind the rows of `to`, as many as fit.
template <typename Entry>
void MergeList(Entry* to, int16_t& toCount, const Entry* from, int fromCount) {
  int room = FILETYPE_ROWS - toCount;
  int n = fromCount < room ? fromCount : room;
  if (n <= 0) return;
  memcpy(&to[toCount], from, sizeof(Entry) * static_cast<size_t>(n));
  toCount = static_cast<int16_t>(toCount + n);
}

// An entry of length L matches a name of length N when L < N, the last L
// bytes of the lower-cased name equal the entry and a '.' precedes them.
template <typename Entry>
bool SuffixMatch(const char* name, size_t n, const Entry& entry) {
  size_t l = entry.length;
  if (l >= sizeof entry.text) l = sizeof entry.text - 1;
  if (l >= n || name[n - l - 1] != '.') return false;
  const char* tail = name + (n - l);
  for (size_t i = 0; i < l; ++i) {
    if (LowerAscii(tail[i]) != entry.text[i]) return false;
  }
  return true;
}

// Last path component: the text after the last backslash that is not the
// trail byte of a double-byte character.
const char* LastComponent(const char* path) {
  const char* last = path;
  for (const char* p = path; *p;) {
    if (_ismbblead(static_cast<unsigned char>(*p)) && p[1]) {
      p += 2;
      continue;
    }
    if (*p == '\\') last = p + 1;
    ++p;
  }
  return last;
}

// The lower-cased `component` equals the entry exactly.
bool LowerEquals(const char* component, const FileTypeNameEntry& entry) {
  size_t l = entry.length;
  if (l >= sizeof entry.text) l = sizeof entry.text - 1;
  for (size_t i = 0; i < l; ++i) {
    if (component[i] == 0 || LowerAscii(component[i]) != entry.text[i]) return false;
  }
  return component[l] == 0;
}

// A run classifies every item, and DVD folder names have no extension, so
// these lists grow to the size of the catalogue: a scan of the list per name
// would make a run quadratic. Each list gets a hashed index beside it, built
// again whenever the list was changed behind its back (emptied on a profile
// change, for instance).
//
// The index is looked up by text views, and by views with their hash made
// beforehand (a run hashes its names on several threads).
struct PrehashedText {
  std::string_view text;
  size_t hash;
};
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  size_t operator()(const std::string& s) const { return std::hash<std::string_view>{}(s); }
  size_t operator()(const PrehashedText& p) const { return p.hash; }
};
struct TextEqual {
  using is_transparent = void;
  static std::string_view View(std::string_view s) { return s; }
  static std::string_view View(const std::string& s) { return s; }
  static std::string_view View(const PrehashedText& p) { return p.text; }
  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    return View(a) == View(b);
  }
};
using TextSet = std::unordered_set<std::string, TextHash, TextEqual>;

// The index of a cache list, brought up to date with it.
TextSet& IndexOf(CStringList& list) {
  static std::unordered_map<const CStringList*, TextSet> index;
  TextSet& seen = index[&list];
  if (seen.size() != static_cast<size_t>(list.GetCount())) {
    seen.clear();
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) seen.emplace(list.GetNext(pos).GetString());
  }
  return seen;
}

void AddDistinct(CStringList& list, const char* text) {
  TextSet& seen = IndexOf(list);
  if (seen.find(std::string_view(text)) == seen.end()) {
    seen.emplace(text);
    list.AddTail(text);
  }
}

enum Match { kNone, kExcluded, kWildcard, kTargetExt, kTargetName };

// The classification steps shared by ClassifyFileName and GetFileCategory.
Match MatchName(const FileTypeProfile& a, const char* name) {
  size_t n = strlen(name);
  for (int i = 0; i < FILETYPE_ROWS && a.excludedExt[i].used == 1; ++i) {
    if (SuffixMatch(name, n, a.excludedExt[i])) return kExcluded;
  }
  for (int i = 0; i < FILETYPE_ROWS && a.targetExt[i].used == 1; ++i) {
    if (a.targetExt[i].text[0] == '*') return kWildcard;
    if (SuffixMatch(name, n, a.targetExt[i])) return kTargetExt;
  }
  const char* component = LastComponent(name);
  for (int i = 0; i < FILETYPE_ROWS && a.targetName[i].used == 1; ++i) {
    if (LowerEquals(component, a.targetName[i])) return kTargetName;
  }
  return kNone;
}

// Names are held to 255 bytes in the table; a longer name given by the
// user is compared by the part that the table can hold.
bool NameMatches(const char* slotName, const char* name) {
  int length = static_cast<int>(strlen(name));
  int cut = CharBoundaryLength(name, length, FILETYPE_NAME_MAX);
  return strlen(slotName) == static_cast<size_t>(cut) && memcmp(slotName, name, static_cast<size_t>(cut)) == 0;
}

}  // namespace

int CharBoundaryLength(const char* text, int length, int maxLength) {
  if (length <= maxLength) return length < 0 ? 0 : length;
  int i = 0;
  while (i < length) {
    int step = (_ismbblead(static_cast<unsigned char>(text[i])) && i + 1 < length) ? 2 : 1;
    if (i + step > maxLength) break;
    i += step;
  }
  return i;
}

void FormatShort(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, 256, format, args);
  va_end(args);
  if (n < 0) {
    buffer[0] = 0;
  } else if (n > 255) {
    // The buffer holds the first 255 bytes of an n-byte text.
    buffer[CharBoundaryLength(buffer, n, 255)] = 0;
  }
}

void ClearFileTypeProfiles() {
  memset(g_fileTypeProfiles, 0, sizeof g_fileTypeProfiles);
  g_nActiveProfile = 0;
}

BOOL LoadFileTypeProfiles(const char* name, const char* iniPath) {
  if (name == nullptr) name = "";
  // Slots 0..127 start empty; the names as written (up to 1023 bytes) are
  // kept for the load, so a name longer than the table holds still finds its
  // section, its requested activation and its composite pieces.
  memset(g_fileTypeProfiles, 0, sizeof(FileTypeProfile) * FILETYPE_SETTINGS_SLOTS);
  std::vector<CString> fullNames(FILETYPE_SETTINGS_SLOTS);

  char key[64];
  char value[1024];
  for (int i = 0; i < FILETYPE_SETTINGS_SLOTS; ++i) {
    FileTypeProfile& slot = g_fileTypeProfiles[i];
    sprintf_s(key, sizeof key, "Extension_Kind_%03d", i + 1);
    GetPrivateProfileStringA(kSection, key, "", value, sizeof value, iniPath);
    fullNames[i] = value;
    int length = static_cast<int>(strlen(value));
    int cut = CharBoundaryLength(value, length, FILETYPE_NAME_MAX);
    memcpy(slot.name, value, static_cast<size_t>(cut));
    slot.name[cut] = 0;

    const char* section = fullNames[i];
    int c0 = ReadProfileList(slot.targetExt, section, "Extension_Type_%03d", FILETYPE_EXT_MAX, iniPath);
    int c1 = ReadProfileList(slot.targetName, section, "Fixed_Name_%03d", FILETYPE_FILENAME_MAX, iniPath);
    int c2 = ReadProfileList(slot.excludedExt, section, "Exclusive_Type_%03d", FILETYPE_EXT_MAX, iniPath);
    int c3 = ReadProfileList(slot.excludedDir, section, "Exclusive_Dir_%03d", FILETYPE_EXT_MAX, iniPath);
    const int counts[4] = {c0, c1, c2, c3};
    for (int k = 0; k < 4; ++k) {
      slot.totalCount[k] = static_cast<int16_t>(counts[k]);
      slot.ownCount[k] = static_cast<int16_t>(counts[k]);
    }
    if (fullNames[i] == name) g_nActiveProfile = i;
  }

  // Composite profiles: a name holding ',' lists the profiles it includes.
  for (int p = 0; p < FILETYPE_SETTINGS_SLOTS; ++p) {
    const CString& whole = fullNames[p];
    if (whole.Find(',') < 0) continue;
    int16_t* includes = g_fileTypeProfiles[p].includes;
    int start = 0;
    for (;;) {
      int comma = whole.Find(',', start);
      CString piece = comma < 0 ? whole.Mid(start) : whole.Mid(start, comma - start);
      int found = -1;
      for (int q = 0; q < FILETYPE_SETTINGS_SLOTS; ++q) {
        if (fullNames[q] == piece) {
          found = q;
          break;
        }
      }
      if (found < 0) {
        CString message;
        message.Format("フィルタ名称に誤りがあります。 \n (複数指定=%s , 誤記=%s)", whole, piece);
        AfxMessageBox(message, MB_OK);
        return FALSE;
      }
      // Names beyond the fifteenth are checked but not taken.
      if (includes[0] < FILETYPE_MAX_INCLUDES) {
        includes[0] = static_cast<int16_t>(includes[0] + 1);
        includes[includes[0]] = static_cast<int16_t>(found);
      }
      if (comma < 0) break;
      start = comma + 1;
    }
  }

  // Merge in slot order: own rows first, then each included profile's rows
  // in the order named, as many as the lists hold. Slot 0 ends an include
  // list.
  for (int p = 0; p < FILETYPE_SETTINGS_SLOTS; ++p) {
    FileTypeProfile& to = g_fileTypeProfiles[p];
    int n = to.includes[0];
    for (int k = 1; k <= n && k <= FILETYPE_MAX_INCLUDES; ++k) {
      int q = to.includes[k];
      if (q <= 0 || q >= FILETYPE_SETTINGS_SLOTS) break;
      const FileTypeProfile& from = g_fileTypeProfiles[q];
      MergeList(to.targetExt, to.totalCount[0], from.targetExt, from.totalCount[0]);
      MergeList(to.targetName, to.totalCount[1], from.targetName, from.totalCount[1]);
      MergeList(to.excludedExt, to.totalCount[2], from.excludedExt, from.totalCount[2]);
      MergeList(to.excludedDir, to.totalCount[3], from.excludedDir, from.totalCount[3]);
    }
  }
  return TRUE;
}

void FindProfileByName(const char* name) {
  if (name == nullptr) name = "";
  for (int i = 0; i < FILETYPE_SLOTS; ++i) {
    if (NameMatches(g_fileTypeProfiles[i].name, name)) {
      g_nActiveProfile = i;
      return;
    }
  }
  g_nActiveProfile = 0;
}

int GetCurrentProfile() { return g_nActiveProfile; }

void SelectProfile(int index) {
  if (index >= 0 && index < FILETYPE_SLOTS) {
    const FileTypeProfile& from = g_fileTypeProfiles[index];
    memcpy(ProfileWorkingCopy.targetExt, from.targetExt, sizeof ProfileWorkingCopy.targetExt);
    memcpy(ProfileWorkingCopy.targetName, from.targetName, sizeof ProfileWorkingCopy.targetName);
  } else {
    memset(&ProfileWorkingCopy, 0, sizeof ProfileWorkingCopy);
  }
  for (FileTypeExtEntry& e : ProfileWorkingCopy.targetExt) e.attribute = e.used == 1 ? 1 : 0;
  for (FileTypeNameEntry& e : ProfileWorkingCopy.targetName) e.attribute = e.used == 1 ? 1 : 0;
  g_listWildcardExt.RemoveAll();
  g_listWildcardName.RemoveAll();
  g_listOtherExt.RemoveAll();
  g_listOtherName.RemoveAll();
}

const char* ListProfileNames(CStringList& list) {
  list.RemoveAll();
  for (const FileTypeProfile& slot : g_fileTypeProfiles) {
    if (slot.name[0] != 0) list.AddTail(slot.name);
  }
  return ActiveProfile().name;
}

namespace {

// The lower-cased text after the last '.' of `name` into `ext` (256 bytes).
void ExtensionOf(const char* name, char* ext) {
  ext[0] = 0;
  if (const char* dot = strrchr(name, '.')) {
    const char* text = dot + 1;
    int n = CharBoundaryLength(text, static_cast<int>(strlen(text)), 255);
    memcpy(ext, text, static_cast<size_t>(n));
    ext[n] = 0;
    CZEKSettings::LowerInPlace(ext);
  }
}

CStringList* const kCaches[] = {&g_listWildcardExt, &g_listWildcardName, &g_listOtherExt, &g_listOtherName};

}  // namespace

int MatchFileType(const char* name, int& cache) {
  if (name == nullptr) name = "";
  // Whether the name has an extension: the text after its last '.', cut at
  // a character boundary, is not empty.
  const char* dot = strrchr(name, '.');
  const bool hasExt = dot != nullptr && CharBoundaryLength(dot + 1, static_cast<int>(strlen(dot + 1)), 255) > 0;
  cache = -1;
  switch (MatchName(ActiveProfile(), name)) {
    case kExcluded:
      return FILETYPE_CODE_EXCLUDED;
    case kTargetExt:
      return FILETYPE_CODE_TARGET_EXT;
    case kTargetName:
      return FILETYPE_CODE_TARGET_NAME;
    case kWildcard:
      cache = hasExt ? 0 : 1;
      return FILETYPE_CODE_OTHER;
    case kNone:
      break;
  }
  cache = hasExt ? 2 : 3;
  return FILETYPE_CODE_OTHER;
}

void NoteFileType(const char* name, int cache) {
  if (cache < 0 || cache > 3) return;
  if (name == nullptr) name = "";
  if (cache == 1 || cache == 3) {
    AddDistinct(*kCaches[cache], name);
    return;
  }
  char ext[256];
  ExtensionOf(name, ext);
  AddDistinct(*kCaches[cache], ext);
}

void NoteFileTypes(const std::vector<const char*>& names, const std::vector<signed char>& caches) {
  const size_t n = std::min(names.size(), caches.size());
  // Each name's text (the name itself, or its extension) and its hash.
  std::vector<std::string> exts(n);
  std::vector<PrehashedText> texts(n);
  qv::ForEachInParallel(n, [&](size_t i) {
    const int cache = caches[i];
    if (cache < 0 || cache > 3) return;
    const char* name = names[i] ? names[i] : "";
    std::string_view text(name);
    if (cache == 0 || cache == 2) {
      char ext[256];
      ExtensionOf(name, ext);
      exts[i] = ext;
      text = exts[i];
    }
    texts[i] = PrehashedText{text, std::hash<std::string_view>{}(text)};
  });
  // Each cache's index once (it stays in step with its list below), with
  // room for every text this call may add.
  TextSet* index[4] = {};
  size_t adding[4] = {};
  for (size_t i = 0; i < n; ++i) {
    if (caches[i] >= 0 && caches[i] <= 3) ++adding[caches[i]];
  }
  for (int c = 0; c < 4; ++c) {
    if (adding[c] == 0) continue;
    index[c] = &IndexOf(*kCaches[c]);
    index[c]->reserve(index[c]->size() + adding[c]);
  }
  for (size_t i = 0; i < n; ++i) {
    const int cache = caches[i];
    if (cache < 0 || cache > 3) continue;
    TextSet& seen = *index[cache];
    if (seen.find(texts[i]) != seen.end()) continue;
    seen.emplace(texts[i].text);
    kCaches[cache]->AddTail(CString(texts[i].text));
  }
}

int ClassifyFileName(const char* name, char* ext) {
  char local[256];
  if (ext == nullptr) ext = local;
  if (name == nullptr) name = "";
  ExtensionOf(name, ext);
  int cache = -1;
  const int code = MatchFileType(name, cache);
  NoteFileType(name, cache);
  return code;
}

BOOL GetFileCategory(const char* path) {
  if (path == nullptr) return FALSE;
  Match m = MatchName(ActiveProfile(), path);
  return (m == kWildcard || m == kTargetExt || m == kTargetName) ? TRUE : FALSE;
}

BOOL IsExcludedFolderName(const char* name) {
  CString lower(name);
  lower.MakeLower();
  const FileTypeProfile& a = ActiveProfile();
  for (int i = 0; i < FILETYPE_ROWS && a.excludedDir[i].used == 1; ++i) {
    if (lower == a.excludedDir[i].text) return TRUE;
  }
  return FALSE;
}
