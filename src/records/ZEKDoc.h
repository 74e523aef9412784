// The document: the contents of one .qvx file — header, comparison entries
// with the current one, the layout word and the comment table.
#pragma once

#include "platform/win.h"
#include "platform/ui/document.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"

class CArchive;
class CZEKDoc;
class CZEKMergeSRCInfo;

// Messages that choose the main frame's lower view (the same values are
// the layout word).
#ifndef WM_SHOW_OPERATION_VIEW
#define WM_SHOW_OPERATION_VIEW 0x0C02
#endif
#ifndef WM_SHOW_FILE_VIEW
#define WM_SHOW_FILE_VIEW 0x0C03
#endif


class CZEKDoc : public CDocument {
  DECLARE_DYNCREATE(CZEKDoc)

 public:
  enum { kViewCodeOperation = WM_SHOW_OPERATION_VIEW };

  // Becomes the current document with the contents of a new one.
  CZEKDoc();
  ~CZEKDoc() override;

  // Header, version words, entry list, current id, view code, comment table.
  void Serialize(CArchive& ar) override;

  void SetModifiedFlag(BOOL bModified = TRUE) override;
  // Deletes every entry and empties the comment table; no entry is current
  // until a read or InitNewDocument sets one.
  void DeleteContents() override;
  // Has every holder of pointers into the entries let go of them (the main
  // frame's shown records, the list's selection).
  void ForgetEntries();
  BOOL OnNewDocument() override;
  // A failed read is reported and leaves the contents of a new document
  // (still marked modified, so the framework starts a new document).
  BOOL OnOpenDocument(LPCSTR lpszPathName) override;
  // Closes only while the main frame is closing.
  void OnCloseDocument() override;

  // The contents of a new document: one entry "名称未設定" with id 1.
  void InitNewDocument();

  // The first entry with the id, else the last entry with nId set to its id;
  // null (nId untouched) for an empty list.
  static CZEKEnv_Label* FindEntryById(CObList& entries, int& nId);

  // Hands the current entry to the main frame and posts the message that
  // picks its lower view; with bKeepMode FALSE the frame and the
  // application take the entry's mode.
  void ShowCurrentEntry(BOOL bKeepMode);

  // The entry takes the frame's mode word, then the save-as step asks for a
  // file name and writes the document.
  BOOL SaveAsWithMode();

  // Version words of the file being read or written (0, major, minor,
  // build), for the records to ask.
  static void SetDocVersion(WORD wMajor, WORD wMinor, WORD wBuild);
  static void GetDocVersion(WORD wVersion[4]);

  // The help topics have no help file to show: the command stays disabled.
  void OnUpdateHelpFinder(CCmdUI* pCmdUI);

  CZEKHeader m_Header;
  CObList m_listEntries{10};         // CZEKEnv_Label, owned
  int m_nCurrentId = 1;
  int m_nViewCode = kViewCodeOperation;
  CZEKEnv_Label* m_pCurrentEntry = nullptr;  // an entry of m_listEntries
  CZEKEnv_Label m_SpareEntry;        // not used
  CComment_Obj m_Comment;

 protected:
  DECLARE_MESSAGE_MAP()
  BOOL LoadContents(const BYTE* pData, size_t nSize, CString& strError) override;
  BOOL StoreContents(const ContentWriter& write, CString& strError) override;
  CString GetFileFailureText(const qv::FileResult& failure, LPCSTR lpszPathName, BOOL bSaving) override;
};
