// The extraction copy dialogs: the extraction-folder dialog kept by the
// application (CFORMDLG_SEL) and the extraction copy of the shown list
// (CFORMDLG).
#pragma once

#include "platform/ui/afxwin.h"

class CZEKDoc;

class CFORMDLG_SEL : public CDialog {
  DECLARE_DYNAMIC(CFORMDLG_SEL)

 public:
  CFORMDLG_SEL();

  CString m_strRoot;
  CString m_strOutNew;
  CString m_strOutOld;
  int m_nState = 0;
  // What the opener gives: the records to copy (not owned), the NEW and
  // OLD source folders, the document and which output folders are made.
  CObList* m_pRecords = nullptr;
  CString* m_pNewSrcDir = nullptr;
  CString* m_pOldSrcDir = nullptr;
  CZEKDoc* m_pDoc = nullptr;
  int m_nMakeFlags = 0;
};

class CFORMDLG : public CDialog {
  DECLARE_DYNAMIC(CFORMDLG)

 public:
  CFORMDLG();

  CString m_strRoot;
  // What the opener gives: the records to copy (not owned), the NEW and
  // OLD source folders, the document and which output folders are made.
  CObList* m_pRecords = nullptr;
  CString* m_pNewSrcDir = nullptr;
  CString* m_pOldSrcDir = nullptr;
  CZEKDoc* m_pDoc = nullptr;
  int m_nMakeFlags = 0;
};
