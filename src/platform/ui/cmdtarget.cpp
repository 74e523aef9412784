#include "platform/ui/cmdtarget.h"

#include "platform/ui/qt/bridge.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace qv {
namespace {
char g_queryTag;
}
void* const kQueryHandler = &g_queryTag;
}  // namespace qv

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(const AFX_MSGMAP* map, UINT nMessage, int nCode, UINT nID) {
  for (; map != nullptr; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
      if (e->nMessage != nMessage) continue;
      if (nMessage == WM_COMMAND || nMessage == WM_NOTIFY) {
        if (e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
      } else {
        return e;
      }
    }
  }
  return nullptr;
}

BOOL CCmdTarget::DispatchEntry(const AFX_MSGMAP_ENTRY* entry, qv::MsgCall& call) {
  const LRESULT r = entry->pfn(this, call);
  // ON_COMMAND_EX handlers answer -1 when they leave the command to others.
  if (entry->nMessage == WM_COMMAND && call.nCode == CN_COMMAND && r == -1) return FALSE;
  return TRUE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
  UINT message = WM_COMMAND;
  int code = nCode;
  if (nCode != CN_UPDATE_COMMAND_UI && HIWORD(static_cast<DWORD>(nCode)) == WM_NOTIFY) {
    message = WM_NOTIFY;
    code = static_cast<short>(LOWORD(static_cast<DWORD>(nCode)));
  } else if (nCode != CN_UPDATE_COMMAND_UI) {
    code = static_cast<short>(LOWORD(static_cast<DWORD>(nCode)));
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), message, code, nID);
  if (e == nullptr) return FALSE;
  if (pHandlerInfo == qv::kQueryHandler) return TRUE;
  qv::MsgCall call;
  call.message = message;
  call.nID = nID;
  call.nCode = code;
  if (message == WM_NOTIFY) {
    auto* notify = static_cast<qv::NotifyCall*>(pExtra);
    call.pExtra = notify ? notify->hdr : nullptr;
    call.pResult = notify ? notify->result : nullptr;
  } else {
    call.pExtra = pExtra;
  }
  if (code == CN_UPDATE_COMMAND_UI) {
    auto* ui = static_cast<CCmdUI*>(pExtra);
    if (ui) ui->m_bContinueRouting = FALSE;
    DispatchEntry(e, call);
    return ui ? !ui->m_bContinueRouting : TRUE;
  }
  return DispatchEntry(e, call);
}

BOOL CCmdTarget::HasHandler(UINT message) const {
  return FindEntry(GetMessageMap(), message, 0, 0) != nullptr ? TRUE : FALSE;
}

void CCmdTarget::BeginWaitCursor() { qv::ui::WaitCursor(+1); }
void CCmdTarget::EndWaitCursor() { qv::ui::WaitCursor(-1); }
void CCmdTarget::RestoreWaitCursor() { qv::ui::WaitCursor(0); }

// ---------------------------------------------------------------------------

void CCmdUI::Enable(BOOL bOn) {
  m_bEnabled = bOn ? TRUE : FALSE;
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
  m_nCheck = nCheck;
  m_bRadio = FALSE;
}

void CCmdUI::SetRadio(BOOL bOn) {
  m_nCheck = bOn ? 1 : 0;
  m_bRadio = TRUE;
}

void CCmdUI::SetText(LPCSTR lpszText) {
  m_strText = lpszText ? lpszText : "";
  m_bTextSet = TRUE;
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL bDisableIfNoHndler) {
  if (target == nullptr) return FALSE;
  m_bEnableChanged = FALSE;
  BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (!handled && bDisableIfNoHndler && !m_bEnableChanged) {
    // A command nobody handles cannot run: show it disabled.
    if (!target->OnCmdMsg(m_nID, CN_COMMAND, this, qv::kQueryHandler)) Enable(FALSE);
  }
  return handled;
}
