// What the windows ask of the application object: the display-filter window
// and the extraction-folder dialog it keeps for the whole run, a new
// document, and the user manual. The windows are below the application and
// never include it: the application derives from this class, and the
// windows reach it through ZEKAppWindows().
#pragma once

#include "platform/ui/afxwin.h"
#include "ui/ExtractDialogs.h"

class CFileType_Select_Chk_dlg;

class CZEKAppWindows {
 public:
  CZEKAppWindows();
  virtual ~CZEKAppWindows();
  CZEKAppWindows(const CZEKAppWindows&) = delete;
  CZEKAppWindows& operator=(const CZEKAppWindows&) = delete;

  // A new document after the framework's question about the open one's
  // changes; FALSE (nothing changed) when the user kept the open one.
  // Without an application there is no document to make: FALSE.
  virtual BOOL NewDocument();

  // Opens the user manual beside the path's name: .pdf, else .doc, else
  // .docx; nothing when none exists.
  void OpenManual(CWnd* pOwner, const char* path);

  // The display-filter window (made hidden at start-up; it clears this
  // pointer when it goes) and the extraction-folder dialog, which keeps its
  // settings from one opening to the next.
  CFileType_Select_Chk_dlg* m_pFilterDlg = nullptr;
  CFORMDLG_SEL m_dlgExtractSel;
};

// The application object's (the layer's AfxGetApp()); while there is none,
// one of its own that makes no document.
CZEKAppWindows& ZEKAppWindows();
