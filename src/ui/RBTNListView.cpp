#include "ui/RBTNListView.h"

#include "compare/ExternalPrograms.h"
#include "records/FileInfo.h"
#include "records/Settings.h"
#include "records/ZEKDoc.h"
#include "res/resource.h"
#include "ui/AppWindows.h"
#include "ui/ItemChanges.h"
#include "ui/ItemCommands.h"
#include "ui/MainFrm.h"
#include "ui/SourceForm.h"

IMPLEMENT_DYNAMIC(CRBTN_ListView, CListCtrl)

namespace {

const char kNoProgramText[] = "プログラム(%s)が存在しません。";

// Where the right-arrow key opens the menu: this far into the list, at the
// top of the first selected row.
constexpr int kKeyMenuX = 128;

// The recorded selection, when a command may act on it: the entry is still
// there (a document that goes clears it), and the last name is the whole
// name (one too long for the record was cut and might name another item).
struct Selection {
  CZEKEnv_Label* entry = nullptr;
  CString name;
  // The entry's folders, copied: a question a command asks must not leave
  // it holding references into an entry that went meanwhile.
  CString newDir, oldDir, diffDir;
};

bool TakeRecordedSelection(Selection& s) {
  const CZEKSettings& settings = ZEKSettings();
  s.entry = settings.m_pSelectedEntry;
  if (s.entry == nullptr) return false;
  s.name = settings.m_szSelectedName;
  if (!settings.m_listSelectedNames.IsEmpty() && settings.m_listSelectedNames.GetTail() != s.name) return false;
  s.newDir = s.entry->m_strNewPath;
  s.oldDir = s.entry->m_strOldPath;
  s.diffDir = s.entry->m_strDiffPath;
  return true;
}

int ModeWord() {
  CMainFrame* frame = GetMainFrame();
  return frame ? frame->m_nMode : ZEKSettings().m_nAppMode;
}

}  // namespace

BEGIN_MESSAGE_MAP(CRBTN_ListView, CListCtrl)
  ON_WM_RBUTTONDOWN()
  ON_WM_KEYDOWN()
  ON_COMMAND(ID_LIST_SHOW_DIFF, &CRBTN_ListView::OnShowDiff)
  ON_COMMAND(ID_LIST_RUN_WINDIFF, &CRBTN_ListView::OnRunWindiff)
  ON_COMMAND(ID_LIST_VIEW_NEW, &CRBTN_ListView::OnViewNew)
  ON_COMMAND(ID_LIST_VIEW_OLD, &CRBTN_ListView::OnViewOld)
  ON_COMMAND(ID_LIST_NEW_SOURCE, &CRBTN_ListView::OnListNewSource)
  ON_COMMAND(ID_LIST_OLD_SOURCE, &CRBTN_ListView::OnListOldSource)
  ON_COMMAND(ID_LIST_DIFF_INFO, &CRBTN_ListView::OnDiffInfo)
  ON_COMMAND(ID_LIST_DVD_COMMENT, &CRBTN_ListView::OnDvdComment)
  ON_COMMAND(ID_LIST_DELETE_NEW, &CRBTN_ListView::OnDeleteNew)
  ON_COMMAND(ID_LIST_DELETE_OLD, &CRBTN_ListView::OnDeleteOld)
  ON_COMMAND(ID_LIST_DELETE_BOTH, &CRBTN_ListView::OnDeleteBoth)
  ON_COMMAND(ID_LIST_REVERT_TO_OLD, &CRBTN_ListView::OnRevertToOld)
  ON_COMMAND(ID_LIST_RUN_DF, &CRBTN_ListView::OnRunDF)
  ON_COMMAND(ID_LIST_DUMP_OLD_BINARY, &CRBTN_ListView::OnDumpOldBinary)
  ON_COMMAND(ID_LIST_DUMP_NEW_BINARY, &CRBTN_ListView::OnDumpNewBinary)
  ON_COMMAND(ID_LIST_BINARY_DIFF, &CRBTN_ListView::OnDiff)
  ON_COMMAND(ID_LIST_COPY_OUT, &CRBTN_ListView::OnCopyOut)
  ON_COMMAND(ID_LIST_OPEN_NEW, &CRBTN_ListView::OnOpenNew)
  ON_COMMAND(ID_LIST_OPEN_OLD, &CRBTN_ListView::OnOpenOld)
  ON_COMMAND(ID_LIST_OPEN_OLD2, &CRBTN_ListView::OnOpenOld)
  ON_COMMAND_RANGE(ID_LIST_SENDTO_NEW_FIRST, ID_LIST_SENDTO_NEW_LAST, &CRBTN_ListView::OnRunProgramNew)
  ON_COMMAND_RANGE(ID_LIST_SENDTO_OLD_FIRST, ID_LIST_SENDTO_OLD_LAST, &CRBTN_ListView::OnRunProgramOld)
END_MESSAGE_MAP()

CRBTN_ListView::~CRBTN_ListView() = default;

int CRBTN_ListView::TakeSelectedNames() {
  ZEKSettings().m_listSelectedNames.RemoveAll();
  for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0; row = GetNextItem(row, LVNI_SELECTED)) {
    if (const auto* record = reinterpret_cast<const CZEKMergeFileInfo*>(GetItemData(row)))
      ZEKSettings().m_listSelectedNames.AddTail(record->m_New.m_strName);
  }
  return static_cast<int>(ZEKSettings().m_listSelectedNames.GetCount());
}

void CRBTN_ListView::OnRButtonDown(UINT, CPoint point) {
  CMenu menu;
  if (!menu.LoadMenu(IDR_LIST_POPUP)) return;
  const int mode = ModeWord();
  CMenu* popup = menu.GetSubMenu(mode == MODE_COMPARE ? 0 : 1);
  if (popup == nullptr) return;
  ClientToScreen(&point);
  CZEKSettings& settings = ZEKSettings();

  // Comparison programs that are not there are greyed; in compare mode
  // their items carry the texts of the settings. (This build's popups hold
  // none of these items.)
  const struct {
    UINT id;
    int program;
  } programs[] = {{ID_LIST_RUN_WINDIFF, 3}, {ID_LIST_RUN_DF, 2}, {ID_LIST_SHOW_DIFF, 4}};
  for (const auto& p : programs) {
    if (!settings.m_bCmdAvailable[p.program]) popup->EnableMenuItem(p.id, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
  }
  if (mode == MODE_COMPARE) {
    for (int k = 0; k < 3; ++k) {
      const int position = 12 + k;
      if (static_cast<int>(popup->GetMenuItemCount()) > position) {
        popup->ModifyMenu(position, MF_BYPOSITION | MF_STRING, popup->GetMenuItemID(position),
                          settings.m_strCmdMenu[k]);
      }
    }
  }

  if (TakeSelectedNames() == 0) return;
  const CString& last = settings.m_listSelectedNames.GetTail();
  // A name the record cannot hold whole is not recorded cut.
  if (strcpy_s(settings.m_szSelectedName, sizeof settings.m_szSelectedName, last) != 0) {
    settings.m_szSelectedName[0] = 0;
  }
  popup->TrackPopupMenu(0, point.x, point.y, this);
  settings.m_pSelectedEntry = settings.m_pCurrentDoc ? settings.m_pCurrentDoc->m_pCurrentEntry : nullptr;
}

void CRBTN_ListView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == VK_RIGHT) {
    const int row = GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0) {
      CRect label;
      GetItemRect(row, &label, LVIR_LABEL);
      const HWND self = m_hWnd;
      OnRButtonDown(MK_RBUTTON, CPoint(kKeyMenuX, label.top));
      // While the menu waited for its pick the program may have been closed,
      // and this list with it.
      if (!::IsWindow(self)) return;
    }
  }
  CListCtrl::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CRBTN_ListView::Dispatch(ItemCommand command) {
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  command(s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir);
}

void CRBTN_ListView::OnShowDiff() {
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  ShowDiffSelected(s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir, s.entry->m_nDiffOption);
}

void CRBTN_ListView::OnDiffInfo() {
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  ShowDiffInfoSelected(s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir, s.entry->m_nDiffOption);
}

void CRBTN_ListView::OnRunWindiff() { Dispatch(&RunWindiffSelected); }
void CRBTN_ListView::OnViewNew() { Dispatch(&ViewNewFile); }
void CRBTN_ListView::OnViewOld() { Dispatch(&ViewOldFile); }
void CRBTN_ListView::OnListNewSource() { Dispatch(&ListNewSource); }
void CRBTN_ListView::OnListOldSource() { Dispatch(&ListOldSource); }
void CRBTN_ListView::OnDeleteNew() { Dispatch(&DeleteNewSelected); }
void CRBTN_ListView::OnDeleteOld() { Dispatch(&DeleteOldSelected); }
void CRBTN_ListView::OnDeleteBoth() { Dispatch(&DeleteBothSelected); }
void CRBTN_ListView::OnRevertToOld() { Dispatch(&RevertToOld); }
void CRBTN_ListView::OnRunDF() { Dispatch(&RunDFSelected); }
void CRBTN_ListView::OnDiff() { Dispatch(&BinaryDiffSelected); }
void CRBTN_ListView::OnOpenNew() { Dispatch(&OpenNewFile); }
void CRBTN_ListView::OnOpenOld() { Dispatch(&OpenOldFile); }

void CRBTN_ListView::OnDumpOldBinary() {
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  char path[kItemPathMax + 1] = {};
  DumpOldBinary(1, s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir, path);
}

void CRBTN_ListView::OnDumpNewBinary() {
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  char path[kItemPathMax + 1] = {};
  DumpNewBinary(1, s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir, path);
}

void CRBTN_ListView::OnCopyOut() {
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  CFORMDLG_SEL& dlg = ZEKAppWindows().m_dlgExtractSel;
  // Until the extraction folders are set up (and whenever a set-up left
  // them empty), the dialog comes first. It can make a new document: the
  // selection is taken again after it.
  if (dlg.m_nState == 0 || dlg.m_strOutNew.IsEmpty() || dlg.m_strOutOld.IsEmpty()) {
    if (dlg.DoModal() != IDOK || !TakeRecordedSelection(s)) return;
  }
  CopyOutSelected(s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir, dlg.m_strOutNew, dlg.m_strOutOld);
  dlg.m_nState = 2;
}

void CRBTN_ListView::OnDvdComment() {
  if (GetNextItem(-1, LVNI_SELECTED) < 0) return;
  Selection s;
  if (!TakeRecordedSelection(s)) return;
  CString text;
  // Cancelled: the rows keep what they show.
  if (!EditCommentSelected(s.name, s.entry->m_pRecordList, s.newDir, s.oldDir, s.diffDir, s.entry->m_nDiffOption,
                           text)) {
    return;
  }
  CMainFrame* frame = GetMainFrame();
  CSource_Form* form = frame ? frame->m_pSourceForm : nullptr;
  const int subMode = frame ? frame->m_nListMode : SUBMODE_STATE;
  const int view = ModeWord() == MODE_LIST && subMode != SUBMODE_COMMENT ? SUBMODE_DVD_LIST : subMode;
  const bool hasCell = view == SUBMODE_STATE || view == SUBMODE_COMMENT || view == SUBMODE_DVD_LIST;
  int lastChanged = -1;
  for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0; row = GetNextItem(row, LVNI_SELECTED)) {
    // The text the list sorts the comment column by follows the comment.
    if (auto* record = reinterpret_cast<CZEKMergeFileInfo*>(GetItemData(row))) record->m_Old.m_strDisp[2] = text;
    if (!hasCell || form == nullptr) continue;
    form->SetCommentCell(view, row, text);
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    lastChanged = row;
  }
  if (form) {
    form->m_strDvdComment = text;
    form->UpdateData(FALSE);
  }
  if (lastChanged >= 0) EnsureVisible(lastChanged, FALSE);
}

void CRBTN_ListView::RunProgram(UINT nID, UINT first, bool onNew) {
  const INT_PTR n = static_cast<INT_PTR>(nID) - static_cast<INT_PTR>(first);
  // A number beyond the programs found names none.
  if (n < 0 || n >= ZEKSettings().m_listSendToPath.GetCount()) return;
  Selection s;
  if (!TakeRecordedSelection(s) || !CheckItemName(s.name)) return;
  if (!CheckItemFolders(onNew ? ITEM_COPY_NEW : ITEM_COPY_OLD, s.newDir, s.oldDir, s.diffDir)) return;
  const CString program = ZEKSettings().m_listSendToPath.GetAt(ZEKSettings().m_listSendToPath.FindIndex(n));
  CString command;
  command.Format("\"%s\"  \"%s\\%s\"", program, onNew ? s.newDir : s.oldDir, s.name);
  if (CZEKSettings::FileExists(program)) {
    LaunchDetached(command);
  } else {
    CString text;
    text.Format(kNoProgramText, program);
    AfxMessageBox(text, MB_OK);
  }
}

void CRBTN_ListView::OnRunProgramNew(UINT nID) { RunProgram(nID, ID_LIST_SENDTO_NEW_FIRST, true); }
void CRBTN_ListView::OnRunProgramOld(UINT nID) { RunProgram(nID, ID_LIST_SENDTO_OLD_FIRST, false); }
