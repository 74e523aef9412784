#include "app/CommandLine.h"

#include <cstring>

void CMyCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
  CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
  if (bFlag && pszParam && std::strncmp(pszParam, "i:", 2) == 0) {
    m_bIniOption = TRUE;
    m_strIniOption = pszParam + 2;
  }
}
