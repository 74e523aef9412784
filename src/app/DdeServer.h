// The DDE command server: other programs fill the folder fields of the
// operation form and start a run through execute transactions on the
// service "ZEK", topic "frmZEK". Each transaction's data goes to the main
// frame, which interprets it (a 16-byte blank-padded keyword, then a path);
// the answer tells the sender whether the frame carried it out, is busy, or
// why it did not (ui/DdeAnswers.h).
#pragma once

#include "platform/ui/afxwin.h"

// Size of the buffer that receives each execute transaction's data.
constexpr DWORD kDdeCommandBufferSize = 4097;
// The data of the transaction being handled; handed to the main frame.
extern char DdeCommandBuffer[kDdeCommandBufferSize];

class CDdeCommandServer {
 public:
  // Registers the service (during static initialisation).
  CDdeCommandServer(const char* service, const char* topic);
  // Releases the two names only; the service stays registered until the
  // process ends.
  ~CDdeCommandServer();

  static HDDEDATA CALLBACK DdeCallback(UINT uType, UINT uFmt, HCONV hconv, HSZ hsz1, HSZ hsz2, HDDEDATA hdata,
                                       ULONG_PTR dwData1, ULONG_PTR dwData2);

  DWORD m_idInst = 0;
  CString m_strService;
  CString m_strTopic;
};

extern CDdeCommandServer theDdeServer;
