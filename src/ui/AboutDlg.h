// The about box: the program's title and version.
#pragma once

#include "platform/ui/afxwin.h"

class CAboutDlg : public CDialog {
  DECLARE_DYNAMIC(CAboutDlg)

 public:
  CAboutDlg();
};
