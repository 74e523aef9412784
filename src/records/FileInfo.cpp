#include "records/FileInfo.h"

#include "records/Archive.h"
#include "records/Comment.h"

#include <cstring>

IMPLEMENT_SERIAL(CZEKFileInfo, CObject, VERSIONABLE_SCHEMA | 0)
IMPLEMENT_SERIAL(CZEKMergeFileInfo, CObject, VERSIONABLE_SCHEMA | 0)
IMPLEMENT_SERIAL(CZEKSRCInfo, CObject, VERSIONABLE_SCHEMA | 0)
IMPLEMENT_SERIAL(CZEKMergeSRCInfo, CObject, VERSIONABLE_SCHEMA | 0)

// ---------------------------------------------------------------------------

CZEKFileInfo::CZEKFileInfo() { Init(); }

CZEKFileInfo::~CZEKFileInfo() = default;

void CZEKFileInfo::Init() {
  m_nExists = 0;
  m_strName.Empty();
  m_tCreate = m_tAccess = m_tModify = 0;
  m_dwSize = 0;
  m_dwLines = 0;
  for (CString& s : m_strDisp) s.Empty();
  m_strVersion.Empty();
  std::memset(m_reserved, 0, sizeof(m_reserved));
}

void CZEKFileInfo::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<LONG>(m_nExists) << m_strName << m_tCreate << m_tAccess << m_tModify << m_dwSize
       << m_dwLines << m_strVersion;
    ar.Write(m_reserved, sizeof(m_reserved));
  } else {
    LONG exists = 0;
    ar >> exists >> m_strName >> m_tCreate >> m_tAccess >> m_tModify >> m_dwSize >> m_dwLines >> m_strVersion;
    m_nExists = exists;
    ar.Read(m_reserved, sizeof(m_reserved));
  }
}

// ---------------------------------------------------------------------------

CZEKMergeFileInfo::CZEKMergeFileInfo() : m_tDiffFile(0), m_nCommentIndex(-1) { Init(); }

CZEKMergeFileInfo::CZEKMergeFileInfo(int nKeep, LPCSTR lpszKey) : m_tDiffFile(0), m_nCommentIndex(-1) {
  CComment_Obj* pTable = GetCurrentCommentTable();
  if (pTable) {
    if (nKeep) {
      m_nCommentIndex = pTable->FindOrAdd(lpszKey);
      pTable->GetAt(m_nCommentIndex)->SetKey(lpszKey);
    } else {
      m_nCommentIndex = pTable->GetCount();
      pTable->AddNew();
    }
  }
  Init();
}

CZEKMergeFileInfo::~CZEKMergeFileInfo() = default;

void CZEKMergeFileInfo::Init() {
  m_nType = 0;
  m_nExist = 0;
  m_nDelLines = m_nAddLines = m_nChgLines = 0;
  m_nRangeAdd = m_nRangeDel = m_nRangeChgRight = m_nRangeChgLeft = 0;
  m_strNote.Empty();
  std::memset(m_reserved, 0, sizeof(m_reserved));
}

void CZEKMergeFileInfo::Serialize(CArchive& ar) {
  m_New.Serialize(ar);
  m_Old.Serialize(ar);
  if (ar.IsStoring()) {
    ar << static_cast<LONG>(m_nType) << static_cast<LONG>(m_nExist) << static_cast<LONG>(m_nDelLines)
       << static_cast<LONG>(m_nAddLines) << static_cast<LONG>(m_nChgLines) << static_cast<LONG>(m_nRangeAdd)
       << static_cast<LONG>(m_nRangeDel) << static_cast<LONG>(m_nRangeChgRight)
       << static_cast<LONG>(m_nRangeChgLeft) << m_strNote;
    ar.Write(m_reserved, sizeof(m_reserved));
    ar << static_cast<LONG>(m_nCommentIndex);
  } else {
    LONG v[9];
    for (LONG& x : v) ar >> x;
    m_nType = v[0];
    m_nExist = v[1];
    m_nDelLines = v[2];
    m_nAddLines = v[3];
    m_nChgLines = v[4];
    m_nRangeAdd = v[5];
    m_nRangeDel = v[6];
    m_nRangeChgRight = v[7];
    m_nRangeChgLeft = v[8];
    ar >> m_strNote;
    ar.Read(m_reserved, sizeof(m_reserved));
    LONG index = 0;
    ar >> index;
    // Checked against the comment table once that has been read.
    ar.NoteCommentIndex(index);
    m_nCommentIndex = index;
  }
}

// ---------------------------------------------------------------------------

CZEKSRCInfo::CZEKSRCInfo() { Init(); }

CZEKSRCInfo::~CZEKSRCInfo() = default;

void CZEKSRCInfo::Init() {
  for (DWORD& c : m_dwCount) c = 0;
  m_strText.Empty();
  std::memset(m_reserved, 0, sizeof(m_reserved));
}

void CZEKSRCInfo::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    for (DWORD c : m_dwCount) ar << c;
    ar << m_strText;
    ar.Write(m_reserved, sizeof(m_reserved));
  } else {
    for (DWORD& c : m_dwCount) ar >> c;
    ar >> m_strText;
    ar.Read(m_reserved, sizeof(m_reserved));
  }
}

// ---------------------------------------------------------------------------

CZEKMergeSRCInfo::CZEKMergeSRCInfo() { Init(); }

CZEKMergeSRCInfo::~CZEKMergeSRCInfo() = default;

void CZEKMergeSRCInfo::Init() {
  for (CZEKSRCInfo& r : m_Row) r.Init();
  m_strText.Empty();
  std::memset(m_reserved, 0, sizeof(m_reserved));
}

void CZEKMergeSRCInfo::Serialize(CArchive& ar) {
  for (CZEKSRCInfo& r : m_Row) r.Serialize(ar);
}
