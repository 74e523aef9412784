// Document templates and the command line.
//
// A single-document template ties one document class, one frame class and
// one view class to a resource id. Opening or making a document asks first
// whether to save the changes of the open one; only an answer that lets
// the document go replaces its contents.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/object.h"
#include "platform/ui/cmdtarget.h"

class CDocument;
class CFrameWnd;
class CWinApp;

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)

 public:
  enum DocStringIndex {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName
  };

  CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);

  // A field of the resource's document string (fields separated by '\n').
  BOOL GetDocString(CString& rString, DocStringIndex index) const;
  UINT GetResourceId() const { return m_nIDResource; }

  virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
  virtual CDocument* GetOnlyDocument() const = 0;
  virtual void AddDocument(CDocument* pDoc);
  virtual void RemoveDocument(CDocument* pDoc);
  virtual void CloseAllDocuments(BOOL bEndSession);
  BOOL SaveAllModified();
  virtual void SetDefaultTitle(CDocument* pDocument);

  CDocument* CreateNewDocument();
  CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
  void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);

  CRuntimeClass* m_pDocClass;
  CRuntimeClass* m_pFrameClass;
  CRuntimeClass* m_pViewClass;

 protected:
  UINT m_nIDResource;
};

class CSingleDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CSingleDocTemplate)

 public:
  CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
  ~CSingleDocTemplate() override;

  // With no path: a new document. With a path: that file. The open
  // document's changes are asked about first; a refusal, a cancel or a file
  // that cannot be read gives null.
  CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
  CDocument* GetOnlyDocument() const override { return m_pOnlyDoc; }
  void AddDocument(CDocument* pDoc) override;
  void RemoveDocument(CDocument* pDoc) override;

 protected:
  CDocument* m_pOnlyDoc = nullptr;
};

// The command line, parsed by the framework's rules: the first word that is
// not a switch names a file; the switches /p, /pt, /dde, /Automation and
// /Embedding (with "-" or "/") choose the shell command; every word reaches
// ParseParam.
class CCommandLineInfo : public CObject {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

  CCommandLineInfo() = default;
  ~CCommandLineInfo() override = default;

  // One word: pszParam without its leading '-' or '/' when bFlag.
  virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  int m_nShellCommand = FileNew;
  CString m_strFileName;
  CString m_strPrinterName;
  CString m_strDriverName;
  CString m_strPortName;

 protected:
  void ParseParamFlag(const char* pszParam);
  void ParseParamNotFlag(const char* pszParam);
  void ParseLast(BOOL bLast);
};

// Automation has no counterpart here; the server connects to nothing.
class COleTemplateServer : public CObject {
 public:
  BOOL ConnectTemplate(const void* clsid, CDocTemplate* pDocTemplate, BOOL bMultiInstance);
  static BOOL RegisterAll();
  BOOL m_bConnected = FALSE;
};
