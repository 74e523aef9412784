// The framework's document: path name, title, modified flag and the steps
// of new, open, save, save as and close.
//
// The bytes of a document file are the program's own business: the
// framework reads a file whole and hands its bytes to LoadContents, and
// asks StoreContents for the bytes it writes. Everything around them is
// kept here, in the framework's order:
//   open:  read the file (a failure is reported and leaves the document as
//          it was), DeleteContents, mark modified, LoadContents (a failure is
//          reported and empties the document), clear the mark;
//   save:  StoreContents, whose bytes go straight into a temporary file in
//          the same folder as they come; that file is then flushed and
//          renamed over the old one (the file is replaced safely); any
//          failure is reported and leaves the old file byte for byte;
//   close: DeleteContents, then delete the document when it is auto-deleted.
// Failures are reported with a message box with the exclamation icon; the
// texts come from the document (GetFileFailureText, or what the content
// hooks return).
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/object.h"
#include "platform/ui/cmdtarget.h"
#include "platform/base/wintypes.h"
#include "platform/os/safefile.h"

class CView;
class CDocTemplate;

// Flags of the file dialog.
#ifndef OFN_OVERWRITEPROMPT
#define OFN_OVERWRITEPROMPT 0x00000002u
#endif
#ifndef OFN_HIDEREADONLY
#define OFN_HIDEREADONLY 0x00000004u
#endif
#ifndef OFN_PATHMUSTEXIST
#define OFN_PATHMUSTEXIST 0x00000800u
#endif

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument();
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCSTR lpszTitle);
  const CString& GetPathName() const { return m_strPathName; }
  // Keeps the path and makes its file name the title. The recent-file list
  // belongs to the application; bAddToMRU is kept for it.
  virtual void SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU = TRUE);

  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

  // DeleteContents, no path, not modified.
  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(LPCSTR lpszPathName);
  virtual BOOL OnSaveDocument(LPCSTR lpszPathName);
  virtual void OnCloseDocument();
  // Frees what the document holds; the base holds nothing.
  virtual void DeleteContents() {}

  // Saves under lpszPathName, or, when that is null or empty, under a name
  // the user picks in the save dialog (proposed: the path name, else the
  // title with the default extension). With bReplace the document takes the
  // new name. A failed save never removes or damages an existing file.
  virtual BOOL DoSave(LPCSTR lpszPathName, BOOL bReplace = TRUE);

  // Tells every view attached to the document (but pSender) to update.
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0L, CObject* pHint = nullptr);
  void AddView(CView* pView);
  void RemoveView(CView* pView);
  size_t GetViewCount() const { return m_views.size(); }

  // The framework's question before the document's contents go: a modified
  // document asks whether to save its changes (yes saves, no drops them,
  // cancel keeps everything). TRUE when the contents may go.
  virtual BOOL SaveModified();
  // Saves under the path name, or asks for one when there is none.
  virtual BOOL DoFileSave();
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  CDocTemplate* m_pDocTemplate = nullptr;

  // The file type the save dialog offers: its filter name ("Quarvex Files
  // (*.qvx)") and the extension with its dot (".qvx").
  void SetFileType(LPCSTR lpszFilterName, LPCSTR lpszDefaultExt);
  const CString& GetFilterName() const { return m_strFilterName; }
  const CString& GetDefaultExt() const { return m_strDefaultExt; }

  // Delete the document when it is closed (documents made by a template).
  BOOL m_bAutoDelete = TRUE;

 protected:
  // The document's contents from the bytes of a file (nSize may be 0: what
  // an empty file means is the document's call). FALSE with the text of the
  // failure in strError; the framework then empties the document.
  virtual BOOL LoadContents(const BYTE* pData, size_t nSize, CString& strError) = 0;

  // Hands the bytes of the contents to `write`, in order, in as many pieces
  // as it likes (a document never holds its whole file); `write` returns
  // false once writing has failed, and the contents may stop there (the
  // framework reports the file's failure). FALSE with the text of the
  // failure in strError when the contents cannot be made.
  using ContentWriter = std::function<bool(const void* pData, size_t nSize)>;
  virtual BOOL StoreContents(const ContentWriter& write, CString& strError) = 0;

  // The text of a failure of the file itself.
  virtual CString GetFileFailureText(const qv::FileResult& failure, LPCSTR lpszPathName, BOOL bSaving) = 0;

  // Shows a failure: a message box with the exclamation icon.
  virtual void ReportFailure(LPCSTR lpszText);

  CString m_strTitle;
  CString m_strPathName;
  BOOL m_bModified = FALSE;
  CString m_strFilterName;
  CString m_strDefaultExt;
  std::vector<CView*> m_views;
};
