// The document file header and the comparison entry.
#pragma once

#include "platform/win.h"

class CArchive;
class CZEKMergeSRCInfo;

class CZEKHeader : public CObject {
  DECLARE_SERIAL(CZEKHeader)

 public:
  enum : DWORD { kMagic = 0x19571212 };

  CZEKHeader();
  ~CZEKHeader() override;

  // Storing stamps version 1.0.0 and the save time first. Loading a header
  // whose magic is not ours fails as a file of another format.
  void Serialize(CArchive& ar) override;
  virtual void Init();

  WORD m_wMajor;
  WORD m_wMinor;
  WORD m_wBuild;
  DWORD m_dwMagic;
  CString m_strBanner;
  CString m_strUser;        // creator's user name; "" when unknown
  CString m_strCreateTime;  // "%Y/%m/%d (%a)  %H:%M:%S"
  CString m_strText1;
  BYTE m_reserved[16];
  CString m_strText2;
  CString m_strText3;
  CString m_strSaveTime;    // "" until the first save
  CString m_strText4to8[5];
  int m_nMode;
};

// One comparison entry of a document.
class CZEKEnv_Label : public CObject {
  DECLARE_SERIAL(CZEKEnv_Label)

 public:
  CZEKEnv_Label();
  // Deletes the records and the totals.
  ~CZEKEnv_Label() override;

  void Serialize(CArchive& ar) override;
  // Defaults of a new entry from the settings; any records and totals the
  // entry still owns are freed. The filter name and lines stay.
  virtual void Init();

  // Size, use, free space, serial, root, label and file system of the
  // volume that holds the folder. What a failed query does not deliver is
  // stored as 0 or "".
  void ReadDriveInfo(LPCSTR lpszFolder);

  // Deletes the records, the list and the totals; state 0.
  void FreeRecords();

  int m_nId;
  CString m_strName;
  CString m_strNewPath;
  CString m_strOldPath;
  CString m_strDiffPath;
  int m_nMode;              // 0 compare mode, 1 list mode
  CString m_strText1;
  BYTE m_reserved[12];
  int m_nModeCopy;          // second mode word of the title form
  CString m_strRunTime;     // time of the last run, "－－未作成－－" before
  CString m_strText2;
  CString m_strText3;
  CString m_strText4;
  CString m_strComment;
  DWORD m_dwTotalGB;        // of the OLD drive, bytes >> 30
  DWORD m_dwUsedGB;
  DWORD m_dwFreeGB;
  DWORD m_dwVolumeSerial;
  int m_nRecordCount;       // merge records of the last run
  CString m_strRoot;        // first three bytes of the OLD folder
  CString m_strVolumeName;
  CString m_strFileSystem;
  int m_nState;             // 0 no results, 1 records and totals, 2 with .diff files
  CObList* m_pRecordList;   // CZEKMergeFileInfo, owned; present while m_nState != 0
  CZEKMergeSRCInfo* m_pTotals;  // owned; present while m_nState != 0
  int m_nDiffOption;
  CString m_strFilterName;
  CStringList m_listFilterLines;  // the profile in its text form
  CStringList m_listSpare;        // not stored
};
