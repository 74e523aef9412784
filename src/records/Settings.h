// The settings record: what the settings file "Quarvex.ini" gives, the
// program's paths and folders, the modes, the column widths, the current
// document and the selection the file list hands to the per-item commands.
// The records, the run and the windows read and write it through
// ZEKSettings(); the application object is the record the program uses
// (CZEKApp derives from it), so the application's own code reads the same
// members as `theApp.m_...`.
#pragma once

#include "platform/win.h"

class CZEKDoc;
class CZEKEnv_Label;

class CZEKSettings {
 public:
  // The defaults of a program that has read no settings file yet. The
  // record made last is the one ZEKSettings() gives while it lives.
  CZEKSettings();
  ~CZEKSettings();
  CZEKSettings(const CZEKSettings&) = delete;
  CZEKSettings& operator=(const CZEKSettings&) = delete;

  // The live record made last; while none lives, a record of its own with
  // the defaults (tools and tests without an application never crash).
  static CZEKSettings& Current();

  // Reads the keys of [Quarvex] from m_strIniPath and the file-type
  // profiles, and sets the values every start begins with. FALSE after the
  // profile loader's message (a composite profile names a missing one).
  BOOL ReadSettingsFile();
  // Writes the keys kept across runs back into [Quarvex] of m_strIniPath.
  void SaveSettings();
  // Writes "Default_OldPath" and "Default_Comment" into [Quarvex] of the
  // given settings file; the result of the second write.
  BOOL WriteFolderDefaults(const char* iniPath);

  // TRUE when the path names an existing file or folder.
  static BOOL FileExists(const char* path);
  // ASCII letters to lower case, byte by byte, in place; returns `text`.
  static char* LowerInPlace(char* text);

  // State.
  CZEKDoc* m_pCurrentDoc = nullptr;
  BOOL m_bInitialized = FALSE;

  // Paths.
  CString m_strIniPath;
  CString m_strHomeDir;

  // Program commands: the CSV viewer, the editor and the comparison
  // programs (the GUI one, windiff and a UNIX-style diff).
  CString m_strCmdExcel;
  CString m_strCmdEditor;
  CString m_strCmdDF;
  CString m_strCmdWindiff;
  CString m_strCmdDiff;
  BOOL m_bCmdAvailable[5] = {};
  CString m_strCmdMenu[3];
  int m_nExtractCounter = 0;

  // Name of the current file-type profile, and its value after the load.
  CString m_strFilterName;
  CString m_strFilterNameLoaded;

  // File-list column widths in units of 96 dots per inch: 0-4 state view,
  // 5-6 comment view, 7-10 DVD list view.
  int m_nColWidth[11] = {};

  // Display mode and days.
  int m_nDispMode = 0;
  int m_nDaysFrom = 0;
  int m_nDaysTo = 0;
  int m_nNewEntryMode = 0;
  int m_nListMode = 0;
  int m_nListSide = 0;

  // Folders.
  CString m_strTempDir;
  CString m_strNewPath;
  CString m_strOldPath;
  CString m_strDiffPath;
  CString m_strDefaultComment;
  CString m_strExtractPath;
  CString m_strMasterPath;

  // Version words of the document being read or written.
  WORD m_wFileVersion[4] = {};

  // Operation modes.
  int m_nOpeMode1 = 0;
  int m_nOpeMode2 = 0;
  int m_nAppMode = 0;
  BOOL m_bDiffOverDate = FALSE;
  BOOL m_bSubdirSearch = FALSE;
  BOOL m_bDirExistDiff = FALSE;
  int m_nDiffExec = 0;
  BOOL m_bKeepComment = FALSE;
  BOOL m_bFileInfoCreated = FALSE;

  // Derived program paths.
  CString m_strBaseDir;
  CString m_strZekFileExe;
  CString m_strSelfExe;
  CString m_strExplorerExe;
  CString m_strSendToDir;
  CString m_strSystemRoot;

  // Selection handed from the file list to the per-item commands, and the
  // SendTo program list.
  CStringList m_listSelectedNames;
  CStringList m_listSendToName;
  CStringList m_listSendToPath;
  char m_szSelectedName[1024] = {};
  CZEKEnv_Label* m_pSelectedEntry = nullptr;

 private:
  // The record made before this one that still lives.
  CZEKSettings* m_pMadeBefore = nullptr;
};

// The settings record the program reads (see CZEKSettings::Current).
inline CZEKSettings& ZEKSettings() { return CZEKSettings::Current(); }
