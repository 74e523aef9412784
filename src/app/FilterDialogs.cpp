#include "app/FilterDialogs.h"

#include "app/ZEKApp.h"
#include "compare/ExternalPrograms.h"

IMPLEMENT_DYNAMIC(CFileType_Select_Chk_dlg, CDialog)

CFileType_Select_Chk_dlg::CFileType_Select_Chk_dlg(CWnd* pParent) : CDialog(312, pParent) {}

CFileType_Select_Chk_dlg::~CFileType_Select_Chk_dlg() {
  if (theApp.m_pFilterDlg == this) theApp.m_pFilterDlg = nullptr;
}

void CFileType_Select_Chk_dlg::PostNcDestroy() { delete this; }

void CFileType_Select_Chk_dlg::UpdateStateButtons() {}

void CFileType_Select_Chk_dlg::ApplySelection() {}

void CFileType_Select_Chk_dlg::OnBnClickedOpenIni() {
  if (!CZEKApp::FileExists(theApp.m_strIniPath)) return;
  char command[2048];
  if (sprintf_s(command, sizeof command, "%s \"%s\"", theApp.m_strCmdEditor.GetString(),
                theApp.m_strIniPath.GetString()) < 0) {
    return;
  }
  ExecCommand(command);
}
