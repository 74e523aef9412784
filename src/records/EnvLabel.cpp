#include "records/EnvLabel.h"

#include "records/Archive.h"
#include "records/DateText.h"
#include "records/FileInfo.h"
#include "records/ProfileText.h"
#include "records/Settings.h"

#include <cstring>
#include <ctime>

namespace {

// The notice every document carries: the rights holder and the version of
// the program that made it.
constexpr char kBanner[] = "Quarvex DVD catalogue document. Copyright (C) Quarvex developers. (Version 1.04)";
static_assert(sizeof(kBanner) <= 128, "the banner is kept in 127 bytes");

constexpr char kNotRunYet[] = "－－未作成－－";

CString NowText() {
  char buf[64] = "";
  FormatTimeText(static_cast<LONG>(time(nullptr)), buf);
  return CString(buf);
}

}  // namespace

IMPLEMENT_SERIAL(CZEKHeader, CObject, VERSIONABLE_SCHEMA | 0)
IMPLEMENT_SERIAL(CZEKEnv_Label, CObject, VERSIONABLE_SCHEMA | 0)

// ---------------------------------------------------------------------------
// Header

CZEKHeader::CZEKHeader() { Init(); }

CZEKHeader::~CZEKHeader() = default;

void CZEKHeader::Init() {
  m_wMajor = 1;
  m_wMinor = 0;
  m_wBuild = 0;
  m_dwMagic = kMagic;
  m_strBanner = kBanner;
  // A name that does not fit 16 bytes is not kept.
  char user[16] = "";
  DWORD size = sizeof(user);
  if (GetUserNameA(user, &size)) {
    user[sizeof(user) - 1] = '\0';
    m_strUser = user;
  } else {
    m_strUser.Empty();
  }
  m_strCreateTime = NowText();
  m_strText1.Empty();
  std::memset(m_reserved, 0, sizeof(m_reserved));
  m_strText2.Empty();
  m_strText3.Empty();
  m_strSaveTime.Empty();
  for (CString& s : m_strText4to8) s.Empty();
  m_nMode = 0;
}

void CZEKHeader::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    m_wMajor = 1;
    m_wMinor = 0;
    m_wBuild = 0;
    m_strSaveTime = NowText();
    ar << m_wMajor << m_wMinor << m_wBuild << m_dwMagic;
    ar << m_strBanner << m_strUser << m_strCreateTime << m_strText1;
    ar.Write(m_reserved, sizeof(m_reserved));
    ar << m_strText2 << m_strText3 << m_strSaveTime;
    for (const CString& s : m_strText4to8) ar << s;
    ar << static_cast<LONG>(m_nMode);
  } else {
    WORD major = 0, minor = 0, build = 0;
    DWORD magic = 0;
    ar >> major >> minor >> build >> magic;
    // Anything else is not a document of this program; reading on would
    // take its bytes for entries.
    if (magic != kMagic) ar.ThrowArchive(CArchiveException::badSchema);
    m_wMajor = major;
    m_wMinor = minor;
    m_wBuild = build;
    m_dwMagic = magic;
    ar >> m_strBanner >> m_strUser >> m_strCreateTime >> m_strText1;
    ar.Read(m_reserved, sizeof(m_reserved));
    ar >> m_strText2 >> m_strText3 >> m_strSaveTime;
    for (CString& s : m_strText4to8) ar >> s;
    LONG mode = 0;
    ar >> mode;
    m_nMode = mode;
  }
}

// ---------------------------------------------------------------------------
// Comparison entry

CZEKEnv_Label::CZEKEnv_Label() : m_pRecordList(nullptr), m_pTotals(nullptr) { Init(); }

CZEKEnv_Label::~CZEKEnv_Label() { FreeRecords(); }

void CZEKEnv_Label::FreeRecords() {
  if (m_pRecordList) {
    // A catalogue holds up to a million records: they go on several threads.
    std::vector<CObject*> records;
    records.reserve(static_cast<size_t>(m_pRecordList->GetCount()));
    for (POSITION pos = m_pRecordList->GetHeadPosition(); pos != nullptr;) records.push_back(m_pRecordList->GetNext(pos));
    qv::ForEachInParallel(records.size(), [&](size_t i) { delete records[i]; }, 256);
    m_pRecordList->RemoveAll();
    delete m_pRecordList;
    m_pRecordList = nullptr;
  }
  delete m_pTotals;
  m_pTotals = nullptr;
  m_nState = 0;
}

void CZEKEnv_Label::Init() {
  FreeRecords();
  m_nId = 1;
  m_strName.Empty();
  m_strNewPath = ZEKSettings().m_strNewPath;
  m_strOldPath = ZEKSettings().m_strOldPath;
  m_strDiffPath = ZEKSettings().m_strDiffPath;
  m_nMode = ZEKSettings().m_nNewEntryMode;
  m_strText1.Empty();
  std::memset(m_reserved, 0, sizeof(m_reserved));
  m_nModeCopy = 0;
  m_strRunTime = kNotRunYet;
  m_strText2.Empty();
  m_strText3.Empty();
  m_strText4.Empty();
  m_strComment = ZEKSettings().m_strDefaultComment;
  m_dwTotalGB = m_dwUsedGB = m_dwFreeGB = 0;
  m_dwVolumeSerial = 0;
  m_nRecordCount = 0;
  m_strRoot.Empty();
  m_strVolumeName.Empty();
  m_strFileSystem.Empty();
  m_nState = 0;
  m_nDiffOption = 0;
}

void CZEKEnv_Label::ReadDriveInfo(LPCSTR lpszFolder) {
  const CString folder(lpszFolder ? lpszFolder : "");

  m_dwTotalGB = m_dwUsedGB = m_dwFreeGB = 0;
  ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
  if (GetDiskFreeSpaceExA(folder, &freeToCaller, &total, &totalFree)) {
    const ULONGLONG t = total.QuadPart;
    const ULONGLONG f = totalFree.QuadPart;
    m_dwTotalGB = static_cast<DWORD>(t >> 30);
    m_dwUsedGB = static_cast<DWORD>((t > f ? t - f : 0) >> 30);
    m_dwFreeGB = static_cast<DWORD>(f >> 30);
  }

  m_strRoot = folder.Left(3);
  char volume[256] = "";
  char fileSystem[256] = "";
  DWORD serial = 0, maxComponent = 0, flags = 0;
  if (GetVolumeInformationA(m_strRoot, volume, sizeof(volume), &serial, &maxComponent, &flags, fileSystem,
                            sizeof(fileSystem))) {
    volume[sizeof(volume) - 1] = '\0';
    fileSystem[sizeof(fileSystem) - 1] = '\0';
    m_strVolumeName = volume;
    m_strFileSystem = fileSystem;
    m_dwVolumeSerial = serial;
  } else {
    m_strVolumeName.Empty();
    m_strFileSystem.Empty();
    m_dwVolumeSerial = 0;
  }
}

void CZEKEnv_Label::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<LONG>(m_nId) << m_strName << m_strNewPath << m_strOldPath << m_strDiffPath
       << static_cast<LONG>(m_nMode) << m_strText1;
    ar.Write(m_reserved, sizeof(m_reserved));
    ar << static_cast<LONG>(m_nModeCopy) << m_strRunTime << m_strText2 << m_strText3 << m_strText4 << m_strComment
       << m_dwTotalGB << m_dwUsedGB << m_dwFreeGB << m_dwVolumeSerial << static_cast<LONG>(m_nRecordCount)
       << m_strRoot << m_strVolumeName << m_strFileSystem << static_cast<LONG>(m_nState);
    if (m_nState != 0) {
      // A state without records still has to be followed by a list and
      // totals, or the file could not be read back.
      if (m_pRecordList) {
        ar.WriteObList(*m_pRecordList);
      } else {
        ar.WriteCount(0);
      }
      if (m_pTotals) {
        m_pTotals->Serialize(ar);
      } else {
        CZEKMergeSRCInfo empty;
        empty.Serialize(ar);
      }
    }
    m_strFilterName = ZEKSettings().m_strFilterName;
    ar << static_cast<LONG>(m_nDiffOption) << m_strFilterName;
    ProfileToText(m_strFilterName, m_listFilterLines);
    ar.WriteStringList(m_listFilterLines);
  } else {
    LONG id = 0, mode = 0, modeCopy = 0, recordCount = 0, state = 0, diffOption = 0;
    ar >> id >> m_strName >> m_strNewPath >> m_strOldPath >> m_strDiffPath >> mode >> m_strText1;
    ar.Read(m_reserved, sizeof(m_reserved));
    ar >> modeCopy >> m_strRunTime >> m_strText2 >> m_strText3 >> m_strText4 >> m_strComment >> m_dwTotalGB >>
        m_dwUsedGB >> m_dwFreeGB >> m_dwVolumeSerial >> recordCount >> m_strRoot >> m_strVolumeName >>
        m_strFileSystem >> state;
    m_nId = id;
    m_nMode = mode;
    m_nModeCopy = modeCopy;
    m_nRecordCount = recordCount;
    FreeRecords();
    m_nState = state;
    if (state != 0) {
      // Owned before they are filled, so a failure part way frees them with
      // the entry.
      m_pRecordList = new CObList;
      m_pTotals = new CZEKMergeSRCInfo;
      ar.ReadObList(*m_pRecordList, RUNTIME_CLASS(CZEKMergeFileInfo));
      m_pTotals->Serialize(ar);
    }
    ar >> diffOption >> m_strFilterName;
    m_nDiffOption = diffOption;
    m_listFilterLines.RemoveAll();
    ar.ReadStringList(m_listFilterLines);
    ParseProfileText(ZEKSettings().m_strFilterName, m_listFilterLines);
  }
}
