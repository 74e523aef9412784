// Merge records (one per relative path of a run, with its NEW and OLD sides)
// and the run totals.
#pragma once

#include "platform/win.h"

class CArchive;

// One side of a merge record.
class CZEKFileInfo : public CObject {
  DECLARE_SERIAL(CZEKFileInfo)

 public:
  CZEKFileInfo();
  ~CZEKFileInfo() override;

  void Serialize(CArchive& ar) override;
  virtual void Init();

  enum { kDispTexts = 6 };

  int m_nExists;          // 1 when the path was found on this side
  CString m_strName;      // relative path of the item
  LONG m_tCreate;         // seconds since 1970 (UTC)
  LONG m_tAccess;
  LONG m_tModify;
  DWORD m_dwSize;
  DWORD m_dwLines;        // line feeds counted by the run, 0 when not counted
  CString m_strDisp[kDispTexts];  // texts of the list row; not stored
  CString m_strVersion;   // version column text
  BYTE m_reserved[16];
};

// One merge record: the two sides of one relative path with its type code,
// presence bits (bit 0 NEW, bit 1 OLD), diff counts and comment index.
class CZEKMergeFileInfo : public CObject {
  DECLARE_SERIAL(CZEKMergeFileInfo)

 public:
  // Made empty for reading a file: no comment element is taken; the stored
  // index replaces it.
  CZEKMergeFileInfo();
  // Made by the run for the relative path lpszKey: with nKeep the element of
  // that key in the current document's comment table (made when missing),
  // without it a new empty element.
  CZEKMergeFileInfo(int nKeep, LPCSTR lpszKey);
  ~CZEKMergeFileInfo() override;

  void Serialize(CArchive& ar) override;
  virtual void Init();

  int m_nType;            // FileTypeCode
  int m_nExist;           // presence bits
  CZEKFileInfo m_New;
  CZEKFileInfo m_Old;
  int m_nDelLines;        // diff lines beginning with "<"
  int m_nAddLines;        // diff lines beginning with ">"
  int m_nChgLines;        // the record's change count
  int m_nRangeAdd;        // lines added by "a" commands
  int m_nRangeDel;        // lines deleted by "d" commands
  int m_nRangeChgRight;   // right-hand lines of "c" commands
  int m_nRangeChgLeft;    // left-hand lines of "c" commands
  CString m_strNote;
  BYTE m_reserved[16];
  LONG m_tDiffFile;       // time of the item's .diff file; not stored
  int m_nCommentIndex;    // element in the document's comment table; -1 none
};

// One row of the run totals.
class CZEKSRCInfo : public CObject {
  DECLARE_SERIAL(CZEKSRCInfo)

 public:
  CZEKSRCInfo();
  ~CZEKSRCInfo() override;

  void Serialize(CArchive& ar) override;
  virtual void Init();

  enum { kCounters = 11 };

  DWORD m_dwCount[kCounters];
  CString m_strText;
  BYTE m_reserved[16];
};

// The totals of a run: nine rows (0 NEW line counts, 1 OLD line counts,
// 2-6 records on both sides, 7 only in NEW, 8 the others).
class CZEKMergeSRCInfo : public CObject {
  DECLARE_SERIAL(CZEKMergeSRCInfo)

 public:
  CZEKMergeSRCInfo();
  ~CZEKMergeSRCInfo() override;

  void Serialize(CArchive& ar) override;
  virtual void Init();

  enum { kRows = 9 };

  CZEKSRCInfo m_Row[kRows];
  CString m_strText;      // not stored
  BYTE m_reserved[16];    // not stored
};
