#include "ui/AppWindows.h"

#include "records/Settings.h"

CZEKAppWindows::CZEKAppWindows() = default;

CZEKAppWindows::~CZEKAppWindows() = default;

BOOL CZEKAppWindows::NewDocument() { return FALSE; }

void CZEKAppWindows::OpenManual(CWnd* pOwner, const char* path) {
  char buffer[2048];
  strcpy_s(buffer, sizeof buffer, path ? path : "");
  char drive[2048];
  char dir[2048];
  char name[2048];
  char ext[2048];
  _splitpath_s(buffer, drive, sizeof drive, dir, sizeof dir, name, sizeof name, ext, sizeof ext);
  const char* endings[] = {".pdf", ".doc", ".docx"};
  for (const char* e : endings) {
    char candidate[2048];
    sprintf_s(candidate, sizeof candidate, "%s\\%s%s%s", drive, dir, name, e);
    if (CZEKSettings::FileExists(candidate)) {
      ShellExecuteA(pOwner ? pOwner->GetSafeHwnd() : nullptr, "open", candidate, nullptr, nullptr, SW_SHOWNORMAL);
      return;
    }
  }
}

CZEKAppWindows& ZEKAppWindows() {
  if (auto* app = dynamic_cast<CZEKAppWindows*>(AfxGetApp())) return *app;
  static CZEKAppWindows unattached;
  return unattached;
}
