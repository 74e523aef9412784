#include "platform/ui/doctemplate.h"

#include <cstring>

#include "platform/ui/dialog.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/winapp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass), m_nIDResource(nIDResource) {}

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
  rString.Empty();
  CString all;
  if (!all.LoadString(m_nIDResource)) return FALSE;
  int start = 0;
  for (int i = 0; i < index; ++i) {
    const int nl = all.Find('\n', start);
    if (nl < 0) return FALSE;
    start = nl + 1;
  }
  const int end = all.Find('\n', start);
  rString = end < 0 ? all.Mid(start) : all.Mid(start, end - start);
  return TRUE;
}

void CDocTemplate::AddDocument(CDocument* pDoc) {
  if (pDoc) pDoc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* pDoc) {
  if (pDoc && pDoc->m_pDocTemplate == this) pDoc->m_pDocTemplate = nullptr;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  if (CDocument* d = GetOnlyDocument()) d->OnCloseDocument();
}

BOOL CDocTemplate::SaveAllModified() {
  CDocument* d = GetOnlyDocument();
  return d ? d->SaveModified() : TRUE;
}

void CDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  if (pDocument == nullptr) return;
  CString title;
  if (!GetDocString(title, docName) || title.IsEmpty()) title = qv::FrameworkString(AFX_IDS_UNTITLED);
  pDocument->SetTitle(title);
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (m_pDocClass == nullptr) return nullptr;
  CObject* o = m_pDocClass->CreateObject();
  auto* doc = dynamic_cast<CDocument*>(o);
  if (doc == nullptr) {
    delete o;
    return nullptr;
  }
  AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd*) {
  if (m_pFrameClass == nullptr) return nullptr;
  CCreateContext context;
  context.m_pCurrentDoc = pDoc;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  CObject* o = m_pFrameClass->CreateObject();
  auto* frame = dynamic_cast<CFrameWnd*>(o);
  if (frame == nullptr) {
    delete o;
    return nullptr;
  }
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
    // A frame whose window went deleted itself; one never made is ours.
    if (frame->m_hWnd == nullptr && !IsWindow(frame->m_hWnd)) {
      // Only a frame that never had a window is still ours to delete.
    }
    return nullptr;
  }
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
  if (pFrame) pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  if (m_pOnlyDoc) m_pOnlyDoc->m_pDocTemplate = nullptr;
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
  CDocTemplate::AddDocument(pDoc);
  m_pOnlyDoc = pDoc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
  CDocTemplate::RemoveDocument(pDoc);
  if (m_pOnlyDoc == pDoc) m_pOnlyDoc = nullptr;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
  CWinApp* app = AfxGetApp();
  CDocument* pDocument = m_pOnlyDoc;
  bool docCreated = false;
  if (pDocument != nullptr) {
    // The open document's changes are asked about before anything happens.
    if (!pDocument->SaveModified()) return nullptr;
  } else {
    pDocument = CreateNewDocument();
    if (pDocument == nullptr) return nullptr;
    docCreated = true;
  }

  auto* pFrame = app ? dynamic_cast<CFrameWnd*>(app->m_pMainWnd) : nullptr;
  bool frameCreated = false;
  if (pFrame == nullptr || !IsWindow(pFrame->m_hWnd)) {
    pFrame = CreateNewFrame(pDocument, nullptr);
    if (pFrame == nullptr) {
      if (docCreated) {
        RemoveDocument(pDocument);
        delete pDocument;
      }
      return nullptr;
    }
    frameCreated = true;
  }

  auto dropNew = [&]() {
    if (frameCreated && IsWindow(pFrame->m_hWnd)) pFrame->DestroyWindow();
    if (docCreated) {
      RemoveDocument(pDocument);
      delete pDocument;
    }
  };

  if (lpszPathName == nullptr) {
    SetDefaultTitle(pDocument);
    if (!pDocument->OnNewDocument()) {
      dropNew();
      return nullptr;
    }
  } else {
    const CString path(lpszPathName);
    const BOOL wasModified = pDocument->IsModified();
    pDocument->SetModifiedFlag(FALSE);
    if (!pDocument->OnOpenDocument(path)) {
      if (docCreated) {
        dropNew();
      } else if (!pDocument->IsModified()) {
        // The file could not be read: the document is as it was.
        pDocument->SetModifiedFlag(wasModified);
      } else {
        // The read emptied the document part way: it becomes a new one.
        SetDefaultTitle(pDocument);
        pDocument->OnNewDocument();
      }
      return nullptr;
    }
    pDocument->SetPathName(path, TRUE);
  }

  if (frameCreated && app && app->m_pMainWnd == nullptr) app->m_pMainWnd = pFrame;
  InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
  return pDocument;
}

// ---------------------------------------------------------------------------

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
  if (bFlag) {
    ParseParamFlag(pszParam);
  } else {
    ParseParamNotFlag(pszParam);
  }
  ParseLast(bLast);
}

void CCommandLineInfo::ParseParamFlag(const char* p) {
  auto is = [p](const char* word) { return strcasecmp(p, word) == 0; };
  if (is("pt")) {
    m_nShellCommand = FilePrintTo;
  } else if (is("p")) {
    m_nShellCommand = FilePrint;
  } else if (is("Register") || is("Regserver")) {
    m_nShellCommand = AppRegister;
  } else if (is("Unregister") || is("Unregserver")) {
    m_nShellCommand = AppUnregister;
  } else if (is("dde") || is("ddenoshow")) {
    m_nShellCommand = FileDDE;
  } else if (is("Embedding")) {
    m_bRunEmbedded = TRUE;
    m_bShowSplash = FALSE;
  } else if (is("Automation")) {
    m_bRunAutomated = TRUE;
    m_bShowSplash = FALSE;
  }
}

void CCommandLineInfo::ParseParamNotFlag(const char* p) {
  if (m_strFileName.IsEmpty()) {
    m_strFileName = p;
  } else if (m_nShellCommand == FilePrintTo && m_strPrinterName.IsEmpty()) {
    m_strPrinterName = p;
  } else if (m_nShellCommand == FilePrintTo && m_strDriverName.IsEmpty()) {
    m_strDriverName = p;
  } else if (m_nShellCommand == FilePrintTo && m_strPortName.IsEmpty()) {
    m_strPortName = p;
  }
}

void CCommandLineInfo::ParseLast(BOOL bLast) {
  if (!bLast) return;
  if (m_nShellCommand == FileNew && !m_strFileName.IsEmpty()) m_nShellCommand = FileOpen;
  m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
}

BOOL COleTemplateServer::ConnectTemplate(const void*, CDocTemplate*, BOOL) {
  m_bConnected = TRUE;
  return TRUE;
}

BOOL COleTemplateServer::RegisterAll() { return TRUE; }
