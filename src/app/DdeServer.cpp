#include "app/DdeServer.h"

#include <cstring>

#include "ui/DdeAnswers.h"
#include "ui/MainFrm.h"

char DdeCommandBuffer[kDdeCommandBufferSize];

namespace {

// The server the library's callback works for.
CDdeCommandServer* g_pServer = nullptr;

HDDEDATA Flags(DWORD flags) { return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(flags)); }

// The answer to the sender for what the frame did: acknowledged only when
// the command was carried out (a run: accepted); otherwise busy, or not
// processed with the reason in the low byte.
HDDEDATA AnswerFor(LRESULT answer) {
  switch (answer) {
    case DDE_ANSWER_DONE:
      return Flags(DDE_FACK);
    case DDE_ANSWER_BUSY:
      return Flags(DDE_FBUSY);
    case DDE_ANSWER_OTHER_VIEW:
    case DDE_ANSWER_PATH_TOO_LONG:
    case DDE_ANSWER_UNKNOWN_KEYWORD:
      return Flags(DDE_FNOTPROCESSED | static_cast<DWORD>(answer));
    default:
      return Flags(DDE_FNOTPROCESSED | DDE_ANSWER_NO_WINDOW);
  }
}

// The text of a string handle the library gave the callback.
CString QueryName(DWORD idInst, HSZ hsz) {
  char name[2048];
  name[0] = 0;
  DdeQueryStringA(idInst, hsz, name, sizeof name, CP_WINANSI);
  return CString(name);
}

}  // namespace

CDdeCommandServer::CDdeCommandServer(const char* service, const char* topic) {
  g_pServer = this;
  DdeInitializeA(&m_idInst, DdeCallback,
                 APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_SKIP_REGISTRATIONS |
                     CBF_SKIP_UNREGISTRATIONS,
                 0);
  m_strService = service;
  m_strTopic = topic;
  HSZ name = DdeCreateStringHandleA(m_idInst, m_strService, 0);
  DdeNameService(m_idInst, name, nullptr, DNS_REGISTER);
  DdeFreeStringHandle(m_idInst, name);
}

CDdeCommandServer::~CDdeCommandServer() {
  if (g_pServer == this) g_pServer = nullptr;
}

HDDEDATA CALLBACK CDdeCommandServer::DdeCallback(UINT uType, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA hdata,
                                                 ULONG_PTR, ULONG_PTR) {
  CDdeCommandServer* server = g_pServer;
  if (server == nullptr) return nullptr;
  switch (uType) {
    case XTYP_CONNECT: {
      if (_mbscmp(QueryName(server->m_idInst, hsz2), server->m_strService) != 0) return nullptr;
      const BOOL same = std::strcmp(QueryName(server->m_idInst, hsz1), server->m_strTopic) == 0;
      return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(same));
    }
    case XTYP_EXECUTE: {
      if (std::strcmp(QueryName(server->m_idInst, hsz1), server->m_strTopic) != 0) return nullptr;
      // Before the main window exists (a message box of the start-up) the
      // data has nowhere to go: answered as not processed.
      CWnd* main = AfxGetMainWnd();
      if (main == nullptr || !::IsWindow(main->GetSafeHwnd())) return AnswerFor(DDE_ANSWER_NO_WINDOW);
      // While a run is in progress (its questions let transactions through)
      // or about to start, the frame takes no command (see
      // CMainFrame::IsBusyForCommands). While any other question of the
      // program waits, a handler is in the middle of its work: a run
      // started now would rebuild the forms under it. The client hears busy
      // and may try again.
      auto* frame = dynamic_cast<CMainFrame*>(main);
      if (qv::QuestionsOpen() > 0 || (frame && frame->IsBusyForCommands())) return AnswerFor(DDE_ANSWER_BUSY);
      // Cleared whole, so data without a terminating zero never runs into
      // the bytes of an earlier command; data that fills the buffer stays
      // unterminated and the frame reads only its first part.
      std::memset(DdeCommandBuffer, 0, sizeof DdeCommandBuffer);
      DdeGetData(hdata, reinterpret_cast<LPBYTE>(DdeCommandBuffer), kDdeCommandBufferSize, 0);
      return AnswerFor(
          ::SendMessageA(main->GetSafeHwnd(), WM_DDE_PATH_COMMAND, 0, reinterpret_cast<LPARAM>(DdeCommandBuffer)));
    }
    default:
      return nullptr;
  }
}
