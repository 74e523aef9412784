#include "app/CommandLine.h"

#include <cstring>

void CMyCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
  CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
  // Paths given in Linux form are kept in the program's drive form, so the
  // title, the recent files and the document show one form.
  m_strFileName = qv::ToProgramPath(m_strFileName.GetString()).c_str();
  if (bFlag && pszParam && std::strncmp(pszParam, "i:", 2) == 0) {
    m_bIniOption = TRUE;
    m_strIniOption = qv::ToProgramPath(pszParam + 2).c_str();
  }
}
