// Message maps and command routing.
//
// A class that handles messages declares DECLARE_MESSAGE_MAP() and writes
// its table beside it:
//
//   BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
//     ON_WM_CREATE()
//     ON_COMMAND(ID_VIEW_FILE, &CMainFrame::OnViewFile)
//     ON_UPDATE_COMMAND_UI(ID_VIEW_FILE, &CMainFrame::OnUpdateViewFile)
//     ON_MESSAGE(WM_SHOW_FILE_VIEW, &CMainFrame::OnShowFileView)
//   END_MESSAGE_MAP()
//
// Each entry names the message (and for commands and notifications the
// control id range and the notification code) and a small thunk that calls
// the handler with the arguments the message carries. A table links to the
// table of its base class; look-ups walk from the most derived table up.
// Standard window messages use the handler names of the framework
// (ON_WM_TIMER calls OnTimer(UINT_PTR), ON_WM_SIZE calls OnSize(UINT, int,
// int), ...); the name is looked up in the class that writes the table, so a
// class may rely on the handler its base class provides.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/object.h"
#include "platform/ui/messages.h"

class CCmdTarget;
class CCmdUI;
class CWnd;
class CDC;

namespace qv {
// What a handler thunk gets: the message's two parameters and, for
// commands, notifications and update requests, what they carry.
struct MsgCall {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  UINT nID = 0;
  int nCode = 0;
  void* pExtra = nullptr;       // CCmdUI* for update requests, NMHDR* for notifications
  LRESULT* pResult = nullptr;   // notifications: the result the handler sets
};
using MsgThunk = LRESULT (*)(CCmdTarget* target, MsgCall& call);
}  // namespace qv

// Kinds of entries besides plain window messages (nMessage is the window
// message; for these the id range and the code select the entry).
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI (-1)

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND, WM_NOTIFY, or the window message
  int nCode;      // notification code (CN_COMMAND, CN_UPDATE_COMMAND_UI, BN_CLICKED, NM_CLICK, ...)
  UINT nID;       // first control or command id (0 for window messages)
  UINT nLastID;   // last id of the range
  qv::MsgThunk pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                           \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                      \
    using ThisClass [[maybe_unused]] = theClass;                                        \
    using TheBaseClass [[maybe_unused]] = baseClass;                                    \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                         \
  {0, 0, 0, 0, nullptr}                                                           \
  }                                                                               \
  ;                                                                               \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                             \
  }

#define QV_THUNK(body) [](CCmdTarget* qvTarget, qv::MsgCall& qvCall) -> LRESULT { \
  auto* self = static_cast<ThisClass*>(qvTarget);                                   \
  (void)self;                                                                       \
  (void)qvCall;                                                                     \
  body                                                                              \
}

// Commands, update requests and control notifications.
#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), QV_THUNK((self->*(memberFxn))(); return 0;)},
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                        \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), \
   QV_THUNK((self->*(memberFxn))(qvCall.nID); return 0;)},
// A command handler that says whether it handled the command (FALSE lets
// the routing go on).
#define ON_COMMAND_EX(id, memberFxn) \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), \
   QV_THUNK(return (self->*(memberFxn))(qvCall.nID) ? 1 : -1;)},
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn)                         \
  {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), \
   QV_THUNK(return (self->*(memberFxn))(qvCall.nID) ? 1 : -1;)},
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                      \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(id), \
   QV_THUNK((self->*(memberFxn))(static_cast<CCmdUI*>(qvCall.pExtra)); return 0;)},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                            \
  {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id), static_cast<UINT>(idLast), \
   QV_THUNK((self->*(memberFxn))(static_cast<CCmdUI*>(qvCall.pExtra)); return 0;)},
#define ON_CONTROL(code, id, memberFxn) \
  {WM_COMMAND, static_cast<int>(code), static_cast<UINT>(id), static_cast<UINT>(id), QV_THUNK((self->*(memberFxn))(); return 0;)},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_CLBN_CHKCHANGE(id, memberFxn) ON_CONTROL(CLBN_CHKCHANGE, id, memberFxn)
#define ON_NOTIFY(code, id, memberFxn)                                                 \
  {WM_NOTIFY, static_cast<int>(code), static_cast<UINT>(id), static_cast<UINT>(id),     \
   QV_THUNK((self->*(memberFxn))(static_cast<NMHDR*>(qvCall.pExtra), qvCall.pResult); return 0;)},

// Any message by number: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message), 0, 0, 0, QV_THUNK(return (self->*(memberFxn))(qvCall.wParam, qvCall.lParam);)},

// Window messages with the framework's handler names.
#define ON_WM_CREATE() \
  {WM_CREATE, 0, 0, 0, QV_THUNK(return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(qvCall.lParam));)},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, QV_THUNK(self->OnDestroy(); return 0;)},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, QV_THUNK(self->OnClose(); return 0;)},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, QV_THUNK(self->OnPaint(); return 0;)},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, QV_THUNK(self->OnTimer(static_cast<UINT_PTR>(qvCall.wParam)); return 0;)},
#define ON_WM_SIZE()                                                                              \
  {WM_SIZE, 0, 0, 0,                                                                             \
   QV_THUNK(self->OnSize(static_cast<UINT>(qvCall.wParam), static_cast<short>(LOWORD(qvCall.lParam)), \
                         static_cast<short>(HIWORD(qvCall.lParam)));                              \
            return 0;)},
#define ON_WM_GETMINMAXINFO() \
  {WM_GETMINMAXINFO, 0, 0, 0, QV_THUNK(self->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(qvCall.lParam)); return 0;)},
#define ON_WM_LBUTTONDOWN() \
  {WM_LBUTTONDOWN, 0, 0, 0, QV_THUNK(self->OnLButtonDown(static_cast<UINT>(qvCall.wParam), CPoint(qvCall.lParam)); return 0;)},
#define ON_WM_LBUTTONUP() \
  {WM_LBUTTONUP, 0, 0, 0, QV_THUNK(self->OnLButtonUp(static_cast<UINT>(qvCall.wParam), CPoint(qvCall.lParam)); return 0;)},
#define ON_WM_MOUSEMOVE() \
  {WM_MOUSEMOVE, 0, 0, 0, QV_THUNK(self->OnMouseMove(static_cast<UINT>(qvCall.wParam), CPoint(qvCall.lParam)); return 0;)},
#define ON_WM_RBUTTONDOWN() \
  {WM_RBUTTONDOWN, 0, 0, 0, QV_THUNK(self->OnRButtonDown(static_cast<UINT>(qvCall.wParam), CPoint(qvCall.lParam)); return 0;)},
#define ON_WM_KEYDOWN()                                                                                \
  {WM_KEYDOWN, 0, 0, 0,                                                                               \
   QV_THUNK(self->OnKeyDown(static_cast<UINT>(qvCall.wParam), LOWORD(qvCall.lParam), HIWORD(qvCall.lParam)); \
            return 0;)},
#define ON_WM_KILLFOCUS() \
  {WM_KILLFOCUS, 0, 0, 0, QV_THUNK(self->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(qvCall.wParam))); return 0;)},
#define ON_WM_SETFOCUS() \
  {WM_SETFOCUS, 0, 0, 0, QV_THUNK(self->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(qvCall.wParam))); return 0;)},
#define ON_WM_SHOWWINDOW() \
  {WM_SHOWWINDOW, 0, 0, 0, QV_THUNK(self->OnShowWindow(static_cast<BOOL>(qvCall.wParam), static_cast<UINT>(qvCall.lParam)); return 0;)},
#define ON_WM_DROPFILES() \
  {WM_DROPFILES, 0, 0, 0, QV_THUNK(self->OnDropFiles(reinterpret_cast<HDROP>(qvCall.wParam)); return 0;)},
#define ON_WM_NCHITTEST() {WM_NCHITTEST, 0, 0, 0, QV_THUNK(return self->OnNcHitTest(CPoint(qvCall.lParam));)},
#define ON_WM_ERASEBKGND() \
  {WM_ERASEBKGND, 0, 0, 0, QV_THUNK(return self->OnEraseBkgnd(reinterpret_cast<CDC*>(qvCall.wParam));)},
// The colour message a static control gets back from its parent.
#define ON_WM_CTLCOLOR_REFLECT()                                                                        \
  {OCM_CTLCOLORSTATIC, 0, 0, 0,                                                                         \
   QV_THUNK(return reinterpret_cast<LRESULT>(self->CtlColor(reinterpret_cast<CDC*>(qvCall.wParam), CTLCOLOR_STATIC));)},

// The update request of one user-interface element for one command id: a
// menu item, a toolbar button or an accelerator. Handlers enable it, mark it
// and set its text; what they leave alone keeps its state.
class CCmdUI {
 public:
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL bOn = TRUE);
  virtual void SetCheck(int nCheck = 1);
  virtual void SetRadio(BOOL bOn = TRUE);
  virtual void SetText(LPCSTR lpszText);

  UINT m_nID = 0;
  UINT m_nIndex = 0;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;
  CWnd* m_pOther = nullptr;

  // What the handlers asked for.
  BOOL m_bEnabled = TRUE;
  int m_nCheck = -1;       // -1 untouched, 0 / 1 / 2
  BOOL m_bRadio = FALSE;   // the mark is a radio mark
  BOOL m_bTextSet = FALSE;
  CString m_strText;

  // Routes the request through `target`; when nobody handles it and
  // bDisableIfNoHndler, the element is disabled. TRUE when handled.
  BOOL DoUpdate(CCmdTarget* target, BOOL bDisableIfNoHndler);
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;
  ~CCmdTarget() override = default;

  // Looks the command, update request or notification up in this object's
  // message map. nCode: CN_COMMAND (or a control notification code sent
  // with WM_COMMAND), CN_UPDATE_COMMAND_UI, or a WM_NOTIFY code (then
  // pExtra is the NMHDR and the result goes to *pResult, passed in the
  // handler info slot). With pHandlerInfo set to the sentinel
  // qv::kQueryHandler nothing runs: TRUE only says that a handler exists.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

  // TRUE when the message map names a handler of the window message.
  BOOL HasHandler(UINT message) const;

  // The wait cursor for the whole application, counted.
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

  friend class CWnd;
  // The entry of the first map in the chain that matches; null when none.
  static const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, UINT nMessage, int nCode, UINT nID);
  // Runs the entry's handler; for ON_COMMAND_EX a FALSE result gives FALSE.
  BOOL DispatchEntry(const AFX_MSGMAP_ENTRY* entry, qv::MsgCall& call);
};

namespace qv {
// Passed as pHandlerInfo to ask whether a handler exists without running it.
extern void* const kQueryHandler;
// Notifications travel through OnCmdMsg with this code offset so they never
// meet a command entry of the same number.
struct NotifyCall {
  NMHDR* hdr;
  LRESULT* result;
};
}  // namespace qv
