// The program's command line: the framework's parser plus the option "-i:"
// that names a settings file (the form the program's shortcuts pass). The
// option is kept and changes nothing: the program always uses the settings
// file beside itself.
#pragma once

#include "platform/ui/afxwin.h"

class CMyCommandLineInfo : public CCommandLineInfo {
 public:
  ~CMyCommandLineInfo() override = default;
  void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override;

  BOOL m_bIniOption = FALSE;
  CString m_strIniOption;
};
