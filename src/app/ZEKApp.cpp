// The application object's construction and the load of the settings at
// start-up: the program folder, the installation check, the SendTo list,
// then the settings file itself.
#include "app/ZEKApp.h"

#include "app/DdeServer.h"
#include "compare/PathRoutines.h"
#include "compare/SendTo.h"

CZEKApp theApp;
// Built right after the application object (and destroyed before it): the
// service is registered before the start-up runs.
CDdeCommandServer theDdeServer("ZEK", "frmZEK");

CZEKApp::CZEKApp() = default;

CZEKApp::~CZEKApp() = default;

BOOL CZEKApp::LoadSettings() {
  // The program folder: drive and directory of the running module; the
  // directory keeps its trailing backslash.
  char modulePath[MAX_PATH];
  modulePath[0] = 0;
  DWORD got = GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
  char home[1024];
  if (got == 0 || got >= sizeof modulePath) {
    // No module path: the current folder.
    if (_getcwd(home, sizeof home) == nullptr) home[0] = 0;
  } else {
    char drive[MAX_PATH];
    char dir[MAX_PATH];
    char fname[MAX_PATH];
    char ext[MAX_PATH];
    _splitpath_s(modulePath, drive, sizeof drive, dir, sizeof dir, fname, sizeof fname, ext, sizeof ext);
    sprintf_s(home, sizeof home, "%s\\%s", drive, dir);
  }
  m_strHomeDir = home;

  m_strZekFileExe.Format("%s\\ZEKFile.exe", m_strHomeDir);
  m_strSelfExe.Format("%s\\Quarvex.exe", m_strHomeDir);
  m_strExplorerExe.Format("%s\\Explorer.exe", m_strSystemRoot);

  // The program itself must be where the folder says.
  if (CheckPathType(0, m_strSelfExe) != 0) {
    AfxMessageBox("ZEKが正しくインストールされていません。", MB_OK);
    return FALSE;
  }

  m_strIniPath.Format("%s\\Quarvex.ini", m_strHomeDir);
  m_strBaseDir = m_strHomeDir;
  m_strSendToDir = m_strHomeDir + "\\SendTo";

  // The SendTo programs are listed even when the settings file is missing.
  ScanSendToFolder(m_strSendToDir, m_listSendToName, m_listSendToPath);

  if (CheckPathType(0, m_strIniPath) != 0) {
    AfxMessageBox(
        "Quarvexが正しくインストールされていません。\n"
        "Quarvexプログラムと同じフォルダにQuarvex.iniファイルがありません。",
        MB_OK);
    return FALSE;
  }

  const BOOL read = ReadSettingsFile();
  // The CSV viewer is offered only when its program is there.
  if (!m_strCmdExcel.IsEmpty() && CheckPathType(0, m_strCmdExcel) == 0) m_bCmdAvailable[0] = TRUE;
  return read;
}
