// Windows: the C++ object of a window (CWnd) and its handle (HWND).
//
// A window is a Qt widget with a handle record. The record keeps the control
// id, the styles, the timers and the C++ object that gets its messages (its
// "permanent" object): the object that created it, or, for a control made
// from a dialog template, a default object of the control's class until a
// member object of the dialog subclasses it (DDX_Control). Handles stay
// valid until the window is destroyed; a message to a destroyed window is
// dropped and ::IsWindow says FALSE.
//
// Messages: SendMessage calls the window procedure at once; PostMessage
// queues the message in the Qt event loop, in order with every other posted
// message. The window procedure looks the message up in the object's message
// map (cmdtarget.h) and, when nobody handles it, gives it the default
// processing of the window's kind (DefWindowProc). Qt's events reach the
// procedure as the matching messages (paint, size, timer, mouse, key, focus,
// drops, close).
#pragma once

#include "platform/base/cstring.h"
#include "platform/ui/cmdtarget.h"
#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"
#include "platform/ui/prompt.h"

namespace qv { struct ui_detail_access; }

class CDC;
class CFont;
class CMenu;
class CDataExchange;
class CScrollBar;
struct CCreateContext;

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return GetSafeHwnd(); }

  // The permanent object of a handle; null for null or destroyed handles.
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }
  // Makes this object the permanent object of an existing window.
  BOOL Attach(HWND hWnd);
  HWND Detach();
  BOOL SubclassWindow(HWND hWnd) { return Attach(hWnd); }
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

  // A plain child window (views, splitters and windows of the program).
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

  // Messages.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default processing of the message being handled.
  LRESULT Default();

  // Window state.
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  void SetWindowText(LPCTSTR lpszString);
  int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  int GetDlgCtrlID() const;
  int SetDlgCtrlID(int nID);

  // Geometry. Window rectangles are in screen coordinates, client
  // rectangles start at (0, 0).
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void ClientToScreen(LPRECT lpRect) const;
  void ScreenToClient(LPPOINT lpPoint) const;
  void ScreenToClient(LPRECT lpRect) const;
  void MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const;
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  BOOL BringWindowToTop();

  // Painting.
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
  void UpdateWindow();
  BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, void* prgnUpdate = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void SetRedraw(BOOL bRedraw = TRUE);
  CDC* GetDC();
  int ReleaseDC(CDC* pDC);
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);

  // Timers: WM_TIMER with nIDEvent every nElapse milliseconds. The
  // callback form is not used; pass null.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (*lpfnTimer)(HWND, UINT, UINT_PTR, DWORD));
  BOOL KillTimer(UINT_PTR nIDEvent);

  // Family.
  CWnd* GetParent() const;
  CWnd* GetTopLevelParent() const;
  class CFrameWnd* GetParentFrame() const;
  CWnd* GetDlgItem(int nID) const;
  void SetDlgItemText(int nID, LPCTSTR lpszString);
  int GetDlgItemText(int nID, CString& rString) const;
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  static CWnd* GetActiveWindow();
  CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;

  // Files dropped from the file manager arrive as WM_DROPFILES.
  void DragAcceptFiles(BOOL bAccept = TRUE);

  // Dialog data exchange (dialogs and form views).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);

  // A message box owned by this window (through the seam for people).
  int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

  // Menu of a top-level window.
  CMenu* GetMenu() const;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  // Message handlers with the default processing; classes name them in
  // their maps and may call the base version for the default.
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnClose();
  void OnPaint();
  void OnTimer(UINT_PTR nIDEvent);
  void OnSize(UINT nType, int cx, int cy);
  void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKillFocus(CWnd* pNewWnd);
  void OnSetFocus(CWnd* pOldWnd);
  void OnShowWindow(BOOL bShow, UINT nStatus);
  void OnDropFiles(HDROP hDropInfo);
  LRESULT OnNcHitTest(CPoint point);
  BOOL OnEraseBkgnd(CDC* pDC);

 protected:
  // Routing of WM_COMMAND and WM_NOTIFY: the control's or menu's id goes
  // through OnCmdMsg. TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Looks the message up; TRUE with *pResult set when a handler ran.
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // After the window is gone (the last message); frames and views delete
  // themselves here.
  virtual void PostNcDestroy();
  friend struct qv::ui_detail_access;

  CFont* m_pFont = nullptr;  // the font set with SetFont, not owned
};

namespace qv {
struct ui_detail_access {
  static void PostNcDestroy(CWnd* w) { w->PostNcDestroy(); }
  static BOOL OnWndMsg(CWnd* w, UINT m, WPARAM wp, LPARAM lp, LRESULT* r) { return w->OnWndMsg(m, wp, lp, r); }
};
}  // namespace qv

// The handle functions.
BOOL IsWindow(HWND hWnd);
LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL SetWindowTextA(HWND hWnd, LPCSTR text);
int GetWindowTextA(HWND hWnd, LPSTR text, int nMaxCount);
HWND GetDlgItem(HWND hDlg, int nID);
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, void* hrgnUpdate, UINT flags);
HWND GetDesktopWindow();
void PostQuitMessage(int nExitCode);
int GetSystemMetrics(int nIndex);
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50

// The application's main window (the frame); null before it exists.
CWnd* AfxGetMainWnd();

namespace qv {
// Runs the posted messages and Qt events that are waiting, without
// blocking; for tests and for code that waits for a window to settle.
void PumpMessages();
// Counts of the wait cursor: how deep BeginWaitCursor calls are nested.
int WaitCursorDepth();
}  // namespace qv
