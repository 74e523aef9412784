// The list control of the file and DVD list form (control 1002). Beyond the
// platform's list it records which rows the user selected (into the
// application object, where the per-item commands read them), opens the
// context menu on the right button and the right-arrow key, and turns each
// list command id into its per-item command or the start of a SendTo
// program.
//
// The selection record: CZEKSettings::m_listSelectedNames (the relative names of
// the selected rows, in row order), CZEKSettings::m_szSelectedName (the last of
// them) and CZEKSettings::m_pSelectedEntry (the comparison entry they belong
// to). The commands act on it as it was last taken; a document that goes
// clears it, and then they do nothing.
#pragma once

#include "platform/ui/afxwin.h"

class CZEKEnv_Label;

class CRBTN_ListView : public CListCtrl {
  DECLARE_DYNAMIC(CRBTN_ListView)

 public:
  CRBTN_ListView() = default;
  ~CRBTN_ListView() override;

  // Replaces CZEKSettings::m_listSelectedNames with the relative names of the
  // selected rows (row order); the number of names.
  int TakeSelectedNames();

  // Right button: the selection is taken and the context menu opens (only
  // when a row is selected). The chosen command runs after this returns.
  void OnRButtonDown(UINT nFlags, CPoint point);
  // The right-arrow key opens the context menu at the first selected row.
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

  // The list commands.
  void OnShowDiff();
  void OnRunWindiff();
  void OnViewNew();
  void OnViewOld();
  void OnListNewSource();
  void OnListOldSource();
  void OnDiffInfo();
  void OnDvdComment();
  void OnDeleteNew();
  void OnDeleteOld();
  void OnDeleteBoth();
  void OnRevertToOld();
  void OnRunDF();
  void OnDumpOldBinary();
  void OnDumpNewBinary();
  void OnDiff();
  void OnCopyOut();
  void OnOpenNew();
  void OnOpenOld();
  void OnRunProgramNew(UINT nID);
  void OnRunProgramOld(UINT nID);

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  using ItemCommand = void (*)(LPCSTR name, CObList* records, const CString& newDir, const CString& oldDir,
                               const CString& diffDir);
  // Runs a command on the recorded selection.
  void Dispatch(ItemCommand command);
  // A SendTo program (number nID - first) on the NEW or the OLD copy.
  void RunProgram(UINT nID, UINT first, bool onNew);
};
