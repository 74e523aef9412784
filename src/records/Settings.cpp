// The settings record: its construction defaults, the records made and
// gone, and the text form of the keys in [Quarvex] of "Quarvex.ini".
#include "records/Settings.h"

#include <cstring>
#include <vector>

#include "records/FileTypeProfile.h"

namespace {

// The live record made last; constant-initialised, so a record made during
// static initialisation finds the chain ready.
constinit CZEKSettings* g_pLastMade = nullptr;

const char kSection[] = "Quarvex";
const char kDefaultProfile[] = "Quarvex";
const char kDefaultComment[] = "コメントを入力できます。";

struct ColumnKey {
  const char* key;
  int defaultWidth;
};

// The eleven stored column widths, in the order of m_nColWidth.
const ColumnKey kColumnKeys[11] = {
    {"DefaultColWidth00_0", 210}, {"DefaultColWidth00_1", 200}, {"DefaultColWidth00_2", 200},
    {"DefaultColWidth00_3", 250}, {"DefaultColWidth00_4", 1000}, {"DefaultColWidth11_0", 300},
    {"DefaultColWidth11_1", 1000}, {"DefaultColWidth22_0", 300}, {"DefaultColWidth22_1", 200},
    {"DefaultColWidth22_2", 560}, {"DefaultColWidth22_3", 1000},
};
// Widths of the compare-mode state view (elements 0-4) last only until exit.
const int kFirstSavedColumn = 5;

// An environment variable of at most 255 characters; empty when it is not
// set or longer.
CString ReadEnvironment(const char* name) {
  char buffer[256];
  buffer[0] = 0;
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return CString();
  return CString(buffer);
}

// "Default_Comment" comes from a multi-line field, but a settings line holds
// one line, and the reader drops blanks and a pair of quotes at the ends of
// a value. A comment the plain form cannot carry is stored in an escaped
// form that LoadSettings undoes: inside one more pair of quotes than the
// reader removes, with \\ \r \n \t and \xHH for a backslash and the control
// bytes. Every other comment is stored as it is, byte for byte.
const size_t kStoredCommentMax = 64 * 1024;

bool IsBlankByte(char c) { return c == ' ' || c == '\t'; }

bool NeedsEscapedComment(const CString& comment) {
  const char* p = comment;
  const size_t n = std::strlen(p);
  if (n == 0) return false;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
  }
  const bool quoted = n >= 2 && (p[0] == '"' || p[0] == '\'') && p[n - 1] == p[0];
  return quoted || IsBlankByte(p[0]) || IsBlankByte(p[n - 1]);
}

CString StoredComment(const CString& comment) {
  if (!NeedsEscapedComment(comment)) return comment;
  CString out("\"\"");
  for (const char* p = comment; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (_ismbblead(c) && p[1] != '\0') {  // a trail byte 0x5C is no backslash
      out += *p++;
      out += *p;
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      out.AppendFormat("\\x%02X", static_cast<unsigned>(c));
    } else {
      out += *p;
    }
  }
  out += "\"\"";
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The comment of a stored value: escaped ("..." as the reader gives it
// back) or as it stands.
CString CommentFromStored(const char* value) {
  const size_t n = std::strlen(value);
  if (n < 2 || value[0] != '"' || value[n - 1] != '"') return CString(value);
  CString out;
  for (size_t i = 1; i + 1 < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (_ismbblead(c) && i + 2 < n) {
      out += value[i++];
      out += value[i];
      continue;
    }
    const char e = i + 2 < n ? value[i + 1] : '\0';
    if (c != '\\' || e == '\0') {
      out += value[i];
    } else if (e == '\\' || e == 'r' || e == 'n' || e == 't') {
      out += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : '\\';
      ++i;
    } else if (e == 'x' && i + 4 < n && HexDigit(value[i + 2]) >= 0 && HexDigit(value[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(value[i + 2]) * 16 + HexDigit(value[i + 3]));
      i += 3;
    } else {
      out += value[i];  // not an escape: kept as written
    }
  }
  return out;
}

}  // namespace

CZEKSettings::CZEKSettings() {
  m_strCmdEditor = "notepad";
  m_strCmdDF = "./DF.exe";
  m_strCmdWindiff = "./windiff";
  m_nExtractCounter = 1;
  m_bSubdirSearch = TRUE;
  m_bDirExistDiff = TRUE;
  m_nDiffExec = 1;
  m_bKeepComment = TRUE;
  m_strTempDir = ReadEnvironment("TEMP");
  m_strSystemRoot = ReadEnvironment("SystemRoot");
  ClearFileTypeProfiles();
  m_pMadeBefore = g_pLastMade;
  g_pLastMade = this;
}

CZEKSettings::~CZEKSettings() {
  // Records may go in any order (the test fixture makes the application
  // afresh in place): this one leaves the chain wherever it is.
  for (CZEKSettings** link = &g_pLastMade; *link != nullptr; link = &(*link)->m_pMadeBefore) {
    if (*link == this) {
      *link = m_pMadeBefore;
      break;
    }
  }
}

CZEKSettings& CZEKSettings::Current() {
  if (g_pLastMade != nullptr) return *g_pLastMade;
  static CZEKSettings unattached;
  return unattached;
}

BOOL CZEKSettings::FileExists(const char* path) {
  struct _stat st;
  return (path != nullptr && _stat(path, &st) == 0) ? TRUE : FALSE;
}

char* CZEKSettings::LowerInPlace(char* text) {
  if (text == nullptr) return text;
  for (char* p = text; *p; ++p) {
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
  }
  return text;
}

BOOL CZEKSettings::ReadSettingsFile() {
  const char* ini = m_strIniPath;
  char value[1024];

  GetPrivateProfileStringA(kSection, "Command_Excel", "", value, sizeof value, ini);
  m_strCmdExcel = value;

  GetPrivateProfileStringA(kSection, "Extension_Kind", kDefaultProfile, value, sizeof value, ini);
  m_strFilterName = value[0] != 0 ? value : kDefaultProfile;

  for (int i = 0; i < 11; ++i) {
    m_nColWidth[i] = static_cast<int>(
        GetPrivateProfileIntA(kSection, kColumnKeys[i].key, kColumnKeys[i].defaultWidth, ini));
  }

  // A folder stored in Linux form (written by hand) is kept in drive form,
  // as the drive information needs it.
  GetPrivateProfileStringA(kSection, "Default_OldPath", "", value, sizeof value, ini);
  m_strOldPath = qv::ToProgramPath(value).c_str();

  // An escaped comment may be longer than the usual buffer; a plain one is
  // read as every text value is.
  std::vector<char> stored(kStoredCommentMax);
  GetPrivateProfileStringA(kSection, "Default_Comment", kDefaultComment, stored.data(),
                           static_cast<DWORD>(stored.size()), ini);
  const size_t storedLength = std::strlen(stored.data());
  if (storedLength >= 2 && stored[0] == '"' && stored[storedLength - 1] == '"') {
    m_strDefaultComment = CommentFromStored(stored.data());
  } else {
    GetPrivateProfileStringA(kSection, "Default_Comment", kDefaultComment, value, sizeof value, ini);
    m_strDefaultComment = value;
  }
  if (m_strDefaultComment.IsEmpty()) m_strDefaultComment = kDefaultComment;

  m_nOpeMode1 = static_cast<int>(GetPrivateProfileIntA(kSection, "Radio_Default_ope_mode1", 0, ini));
  // The program always starts in list mode.
  m_nAppMode = 1;
  m_nOpeMode2 = 4;

  m_bSubdirSearch = static_cast<BOOL>(GetPrivateProfileIntA(kSection, "Subdir_Search", 1, ini));
  m_nDispMode = static_cast<int>(GetPrivateProfileIntA(kSection, "Disp_Mode", 14, ini));
  m_bDirExistDiff = static_cast<BOOL>(GetPrivateProfileIntA(kSection, "Dir_Exist_Diff", 0, ini));
  m_nDiffExec = static_cast<int>(GetPrivateProfileIntA(kSection, "Dir_Diff_Exec", 2, ini));

  // Folders of a new comparison entry default to the TEMP folder.
  if (m_strNewPath.IsEmpty()) m_strNewPath = m_strTempDir;
  if (m_strOldPath.IsEmpty()) m_strOldPath = m_strTempDir;
  if (m_strDiffPath.IsEmpty()) m_strDiffPath = m_strTempDir;

  // The loader tells the user what is wrong with the profiles.
  if (!LoadFileTypeProfiles(m_strFilterName, ini)) return FALSE;

  // Values every start begins with.
  m_strFilterNameLoaded = m_strFilterName;
  m_nDaysFrom = 0;
  m_nDaysTo = 0;
  m_bKeepComment = TRUE;
  m_nNewEntryMode = 0;
  m_bDiffOverDate = FALSE;
  m_nListMode = 0;
  m_nListSide = 0;
  return TRUE;
}

void CZEKSettings::SaveSettings() {
  const char* ini = m_strIniPath;
  WritePrivateProfileStringA(kSection, "Command_Excel", m_strCmdExcel, ini);
  WritePrivateProfileStringA(kSection, "Default_OldPath", m_strOldPath, ini);
  WritePrivateProfileStringA(kSection, "Default_Comment", StoredComment(m_strDefaultComment), ini);
  char number[16];
  for (int i = kFirstSavedColumn; i < 11; ++i) {
    sprintf_s(number, sizeof number, "%d", m_nColWidth[i]);
    WritePrivateProfileStringA(kSection, kColumnKeys[i].key, number, ini);
  }
}

BOOL CZEKSettings::WriteFolderDefaults(const char* iniPath) {
  WritePrivateProfileStringA(kSection, "Default_OldPath", m_strOldPath, iniPath);
  return WritePrivateProfileStringA(kSection, "Default_Comment", StoredComment(m_strDefaultComment), iniPath);
}
