#include "records/Archive.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kFileBufferSize = 64 * 1024;

constexpr WORD kNullTag = 0x0000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kBigClassTag = 0x80000000;
// Indexes stay below this so a class tag can always carry them.
constexpr DWORD kMaxMapCount = 0x3FFFFFFE;
// Class names are at most 63 bytes.
constexpr WORD kMaxClassName = 64;
// The classes whose objects a document holds; nothing else is created from
// a file.
constexpr const char* kRecordClasses[] = {
    "CZEKHeader",        "CZEKEnv_Label", "CZEKFileInfo", "CZEKMergeFileInfo",
    "CZEKMergeSRCInfo",  "CZEKSRCInfo",   "CComment_Obj", "CComment_Data_Obj",
};
// Schema word of a class that cannot be stored.
constexpr UINT kNoSchema = 0xFFFF;

// Appends the UTF-8 form of UTF-16LE text; unpaired surrogates become U+FFFD.
void Utf16LeToUtf8(const BYTE* p, size_t nChars, std::string& out) {
  out.clear();
  out.reserve(nChars * 3);
  auto unit = [p](size_t i) { return static_cast<uint32_t>(p[2 * i] | (p[2 * i + 1] << 8)); };
  for (size_t i = 0; i < nChars; ++i) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < nChars && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

CString WithPath(LPCSTR lpszText, const CString& strPath) {
  CString text(lpszText);
  text.Replace("%1", strPath);
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Exceptions

CArchiveException::CArchiveException(int cause, LPCSTR lpszFileName)
    : m_cause(cause), m_strFileName(lpszFileName ? lpszFileName : "") {}

BOOL CArchiveException::IsFormatError() const {
  return m_cause == endOfFile || m_cause == badClass || m_cause == badSchema || m_cause == badIndex;
}

CString CArchiveException::GetErrorMessage(BOOL bSaving) const {
  if (IsFormatError()) return CString(kArchiveTextBadFormat);
  return CString(bSaving ? kArchiveTextSaveFailed : kArchiveTextOpenFailed);
}

CFileException::CFileException(int cause, LPCSTR lpszFileName, long lOsError)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName ? lpszFileName : "") {}

int CFileException::CauseFromLastError(int nErrno) {
  switch (nErrno) {
    case ENOENT:
    case ENOTDIR:
      return fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return accessDenied;
    case EBUSY:
    case ETXTBSY:
      return sharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    case EIO:
      return hardIO;
    default:
      break;
  }
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return fileNotFound;
    case ERROR_ACCESS_DENIED:
      return accessDenied;
    case 32:  // sharing violation
      return sharingViolation;
    case ERROR_DISK_FULL:
    case 39:  // handle disk full
      return diskFull;
    default:
      return genericException;
  }
}

CString CFileException::GetErrorMessage(BOOL bSaving) const {
  switch (m_cause) {
    case fileNotFound:
      return WithPath(kFileTextNotFound, m_strFileName);
    case accessDenied:
      return WithPath(kFileTextAccessDenied, m_strFileName);
    case sharingViolation:
      return WithPath(kFileTextSharingViolation, m_strFileName);
    case diskFull:
      return WithPath(kFileTextDiskFull, m_strFileName);
    default:
      return CString(bSaving ? kArchiveTextSaveFailed : kArchiveTextOpenFailed);
  }
}

// ---------------------------------------------------------------------------
// File

CArchiveFile::~CArchiveFile() { Abort(); }

BOOL CArchiveFile::Open(LPCSTR lpszPath, UINT nMode, CFileException* pError) {
  Abort();
  m_strPath = lpszPath;
  m_bStoring = (nMode == CArchive::store);
  errno = 0;
  SetLastError(0);
  m_pStream = fopen(lpszPath, m_bStoring ? "wb" : "rb");
  if (!m_pStream) {
    int err = errno;
    if (pError) *pError = CFileException(CFileException::CauseFromLastError(err), lpszPath, err);
    return FALSE;
  }
  m_nLength = 0;
  if (!m_bStoring) {
    // The size bounds every length read from the file, so a damaged length
    // never makes the reader allocate more than the file holds.
    if (fseek(m_pStream, 0, SEEK_END) == 0) {
      long size = ftell(m_pStream);
      if (size > 0) m_nLength = static_cast<ULONGLONG>(size);
    }
    if (fseek(m_pStream, 0, SEEK_SET) != 0) {
      fclose(m_pStream);
      m_pStream = nullptr;
      if (pError) *pError = CFileException(CFileException::hardIO, lpszPath, errno);
      return FALSE;
    }
  }
  return TRUE;
}

void CArchiveFile::OpenSink(Sink sink, LPCSTR lpszPath) {
  Abort();
  m_strPath = lpszPath ? lpszPath : "";
  m_bStoring = TRUE;
  m_nLength = 0;
  m_sink = std::move(sink);
}

bool CArchiveFile::WriteBytes(const void* pData, size_t nSize) {
  errno = 0;
  if (m_sink) {
    if (m_sink(pData, nSize)) return true;
    if (errno == 0) errno = EIO;
    return false;
  }
  return m_pStream != nullptr && fwrite(pData, 1, nSize, m_pStream) == nSize;
}

void CArchiveFile::Close() {
  m_sink = nullptr;
  if (!m_pStream) return;
  errno = 0;
  int rc = fclose(m_pStream);
  m_pStream = nullptr;
  if (rc != 0 && m_bStoring) {
    int err = errno;
    throw CFileException(CFileException::CauseFromLastError(err), m_strPath, err);
  }
}

void CArchiveFile::Abort() {
  m_sink = nullptr;
  if (m_pStream) fclose(m_pStream);
  m_pStream = nullptr;
}

// ---------------------------------------------------------------------------
// Archive: construction and buffers

CArchive::CArchive(CArchiveFile* pFile, UINT nMode)
    : m_bLoading(nMode == load), m_pFile(pFile), m_strFileName(pFile ? pFile->GetFilePath() : CString()) {
  m_buf.resize(kFileBufferSize);
  if (m_bLoading) {
    m_nFileLeft = pFile ? pFile->GetLength() : 0;
    m_pCur = m_pEnd = m_buf.data();
    m_loaded.push_back({nullptr, 0});  // index 0: the null object
  }
}

CArchive::CArchive() : m_bLoading(FALSE), m_bMemory(TRUE) {}

CArchive::CArchive(const void* pData, size_t nSize) : m_bLoading(TRUE), m_bMemory(TRUE) {
  m_pCur = static_cast<const BYTE*>(pData);
  m_pEnd = m_pCur + (pData ? nSize : 0);
  m_loaded.push_back({nullptr, 0});
}

CArchive::~CArchive() {
  if (!m_bLoading && m_pFile) {
    try {
      FlushBuffer();
    } catch (...) {
    }
  }
}

void CArchive::Flush() {
  if (!m_bLoading) FlushBuffer();
}

void CArchive::Close() {
  Flush();
  m_pFile = nullptr;
}

void CArchive::Abort() {
  m_nBufUsed = 0;
  m_pFile = nullptr;
}

void CArchive::ThrowArchive(int cause) const { throw CArchiveException(cause, m_strFileName); }

void CArchive::CheckStoring() {
  if (m_bLoading) ThrowArchive(CArchiveException::readOnly);
}

void CArchive::CheckLoading() {
  if (!m_bLoading) ThrowArchive(CArchiveException::writeOnly);
}

void CArchive::FlushBuffer() {
  if (m_bMemory || m_nBufUsed == 0) return;
  if (!m_pFile || !m_pFile->IsOpen()) ThrowArchive(CArchiveException::genericException);
  if (!m_pFile->WriteBytes(m_buf.data(), m_nBufUsed)) {
    int err = errno;
    m_nBufUsed = 0;
    throw CFileException(CFileException::CauseFromLastError(err), m_strFileName, err);
  }
  m_nBufUsed = 0;
}

void CArchive::PutBytes(const void* p, size_t n) {
  if (n == 0) return;
  if (m_bMemory) {
    const BYTE* b = static_cast<const BYTE*>(p);
    m_mem.insert(m_mem.end(), b, b + n);
    return;
  }
  if (n > m_buf.size() - m_nBufUsed) {
    FlushBuffer();
    if (n >= m_buf.size()) {
      if (!m_pFile || !m_pFile->IsOpen()) ThrowArchive(CArchiveException::genericException);
      if (!m_pFile->WriteBytes(p, n)) {
        int err = errno;
        throw CFileException(CFileException::CauseFromLastError(err), m_strFileName, err);
      }
      return;
    }
  }
  std::memcpy(m_buf.data() + m_nBufUsed, p, n);
  m_nBufUsed += n;
}

size_t CArchive::BytesLeft() const {
  ULONGLONG left = static_cast<ULONGLONG>(m_pEnd - m_pCur) + m_nFileLeft;
  return left > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(left);
}

void CArchive::FillBuffer() {
  // Called only when the buffer is used up.
  if (m_bMemory || !m_pFile || !m_pFile->GetStream() || m_nFileLeft == 0) {
    ThrowArchive(CArchiveException::endOfFile);
  }
  size_t want = m_buf.size();
  if (m_nFileLeft < want) want = static_cast<size_t>(m_nFileLeft);
  size_t got = fread(m_buf.data(), 1, want, m_pFile->GetStream());
  if (got == 0) {
    if (ferror(m_pFile->GetStream())) {
      throw CFileException(CFileException::hardIO, m_strFileName, errno);
    }
    m_nFileLeft = 0;
    ThrowArchive(CArchiveException::endOfFile);
  }
  m_nFileLeft -= got;
  m_pCur = m_buf.data();
  m_pEnd = m_pCur + got;
}

void CArchive::GetBytes(void* p, size_t n) {
  BYTE* out = static_cast<BYTE*>(p);
  while (n > 0) {
    if (m_pCur == m_pEnd) FillBuffer();
    size_t take = static_cast<size_t>(m_pEnd - m_pCur);
    if (take > n) take = n;
    std::memcpy(out, m_pCur, take);
    m_pCur += take;
    out += take;
    n -= take;
  }
}

template <class T>
void CArchive::PutInt(T v) {
  CheckStoring();
  BYTE b[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<BYTE>(static_cast<uint64_t>(v) >> (8 * i));
  if (!m_bMemory && m_buf.size() - m_nBufUsed >= sizeof(T)) {
    std::memcpy(m_buf.data() + m_nBufUsed, b, sizeof(T));
    m_nBufUsed += sizeof(T);
  } else {
    PutBytes(b, sizeof(T));
  }
}

template <class T>
T CArchive::GetInt() {
  CheckLoading();
  BYTE b[sizeof(T)];
  if (static_cast<size_t>(m_pEnd - m_pCur) >= sizeof(T)) {
    std::memcpy(b, m_pCur, sizeof(T));
    m_pCur += sizeof(T);
  } else {
    GetBytes(b, sizeof(T));
  }
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(b[i]) << (8 * i);
  return static_cast<T>(v);
}

// ---------------------------------------------------------------------------
// Primitives

UINT CArchive::Read(void* lpBuf, UINT nCount) {
  CheckLoading();
  GetBytes(lpBuf, nCount);
  return nCount;
}

void CArchive::Write(const void* lpBuf, UINT nCount) {
  CheckStoring();
  PutBytes(lpBuf, nCount);
}

CArchive& CArchive::operator<<(BYTE by) { PutInt<BYTE>(by); return *this; }
CArchive& CArchive::operator<<(WORD w) { PutInt<WORD>(w); return *this; }
CArchive& CArchive::operator<<(DWORD dw) { PutInt<DWORD>(dw); return *this; }
CArchive& CArchive::operator<<(LONG l) { PutInt<DWORD>(static_cast<DWORD>(l)); return *this; }
CArchive& CArchive::operator>>(BYTE& by) { by = GetInt<BYTE>(); return *this; }
CArchive& CArchive::operator>>(WORD& w) { w = GetInt<WORD>(); return *this; }
CArchive& CArchive::operator>>(DWORD& dw) { dw = GetInt<DWORD>(); return *this; }
CArchive& CArchive::operator>>(LONG& l) { l = static_cast<LONG>(GetInt<DWORD>()); return *this; }

CArchive& CArchive::operator<<(const CString& str) {
  CheckStoring();
  const size_t n = static_cast<size_t>(str.GetLength());
  if (n < 0xFF) {
    PutInt<BYTE>(static_cast<BYTE>(n));
  } else if (n < 0xFFFE) {
    // 0xFFFE itself would read back as the wide-string tag.
    PutInt<BYTE>(0xFF);
    PutInt<WORD>(static_cast<WORD>(n));
  } else {
    PutInt<BYTE>(0xFF);
    PutInt<WORD>(0xFFFF);
    PutInt<DWORD>(static_cast<DWORD>(n));
  }
  PutBytes(static_cast<LPCSTR>(str), n);
  return *this;
}

size_t CArchive::ReadStringLength(BOOL& bWide) {
  bWide = FALSE;
  for (;;) {
    BYTE b = GetInt<BYTE>();
    if (b < 0xFF) return b;
    WORD w = GetInt<WORD>();
    if (w == 0xFFFE) {
      bWide = TRUE;
      continue;
    }
    if (w < 0xFFFF) return w;
    DWORD d = GetInt<DWORD>();
    ULONGLONG len = d;
    if (d == 0xFFFFFFFF) {
      DWORD lo = GetInt<DWORD>();
      DWORD hi = GetInt<DWORD>();
      len = (static_cast<ULONGLONG>(hi) << 32) | lo;
      if (len > 0x7FFFFFFF) ThrowArchive(CArchiveException::genericException);
    }
    if (bWide && len >= 0x80000000ULL) ThrowArchive(CArchiveException::genericException);
    return static_cast<size_t>(len);
  }
}

CArchive& CArchive::operator>>(CString& str) {
  CheckLoading();
  BOOL bWide = FALSE;
  size_t nChars = ReadStringLength(bWide);
  size_t nBytes = bWide ? nChars * 2 : nChars;
  // A length beyond what the file still holds is a cut or damaged file;
  // nothing is allocated for it.
  if (nBytes > BytesLeft()) ThrowArchive(CArchiveException::endOfFile);
  if (nBytes > 0x7FFFFFFF) ThrowArchive(CArchiveException::genericException);
  const BYTE* p;
  if (static_cast<size_t>(m_pEnd - m_pCur) >= nBytes) {
    p = m_pCur;
    m_pCur += nBytes;
  } else {
    m_scratch.resize(nBytes);
    GetBytes(m_scratch.data(), nBytes);
    p = reinterpret_cast<const BYTE*>(m_scratch.data());
  }
  if (!bWide) {
    str = CString(reinterpret_cast<LPCSTR>(p), static_cast<int>(nBytes));
  } else {
    std::string utf8;
    Utf16LeToUtf8(p, nChars, utf8);
    std::string cp = qv::Utf8ToCp932Lossy(utf8);
    str = CString(cp.data(), static_cast<int>(cp.size()));
  }
  return *this;
}

DWORD CArchive::ReadCount() {
  WORD w = GetInt<WORD>();
  if (w != 0xFFFF) return w;
  return GetInt<DWORD>();
}

void CArchive::WriteCount(DWORD dwCount) {
  if (dwCount < 0xFFFF) {
    PutInt<WORD>(static_cast<WORD>(dwCount));
  } else {
    PutInt<WORD>(0xFFFF);
    PutInt<DWORD>(dwCount);
  }
}

// ---------------------------------------------------------------------------
// Object records

void CArchive::NextIndex() {
  if (m_nMapCount >= kMaxMapCount) ThrowArchive(CArchiveException::badIndex);
  ++m_nMapCount;
}

void CArchive::WriteObject(const CObject* pOb) {
  CheckStoring();
  if (!pOb) {
    PutInt<WORD>(kNullTag);
    return;
  }
  const CRuntimeClass* pClass = pOb->GetRuntimeClass();
  DWORD nClassIndex = 0;
  for (const auto& c : m_storedClasses) {
    if (c.first == pClass) {
      nClassIndex = c.second;
      break;
    }
  }
  if (nClassIndex != 0) {
    if (nClassIndex < kBigObjectTag) {
      PutInt<WORD>(static_cast<WORD>(kClassTag | nClassIndex));
    } else {
      PutInt<WORD>(kBigObjectTag);
      PutInt<DWORD>(kBigClassTag | nClassIndex);
    }
  } else {
    const char* name = pClass->m_lpszClassName;
    size_t len = std::strlen(name);
    if (len >= kMaxClassName || pClass->m_wSchema == kNoSchema) ThrowArchive(CArchiveException::badClass);
    PutInt<WORD>(kNewClassTag);
    // The versionable flag lies above the stored word.
    PutInt<WORD>(static_cast<WORD>(pClass->m_wSchema & 0xFFFF));
    PutInt<WORD>(static_cast<WORD>(len));
    PutBytes(name, len);
    m_storedClasses.emplace_back(pClass, m_nMapCount);
    NextIndex();
  }
  NextIndex();
  const_cast<CObject*>(pOb)->Serialize(*this);
}

const CRuntimeClass* CArchive::ReadClassRecord(UINT& nSchema) {
  WORD wSchema = GetInt<WORD>();
  nSchema = wSchema;
  // A name that cannot be read is a bad class, not an end of file.
  if (BytesLeft() < 2) ThrowArchive(CArchiveException::badClass);
  WORD nLen = GetInt<WORD>();
  if (nLen >= kMaxClassName || nLen > BytesLeft()) ThrowArchive(CArchiveException::badClass);
  char name[kMaxClassName];
  GetBytes(name, nLen);
  name[nLen] = '\0';
  bool known = false;
  for (const char* rc : kRecordClasses) {
    if (std::strlen(rc) == nLen && std::memcmp(rc, name, nLen) == 0) {
      known = true;
      break;
    }
  }
  if (!known) ThrowArchive(CArchiveException::badClass);
  const CRuntimeClass* pClass = CRuntimeClass::FromName(name);
  if (!pClass) ThrowArchive(CArchiveException::badClass);
  return pClass;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
  CheckLoading();
  WORD tag = GetInt<WORD>();
  DWORD dwTag = tag;
  if (tag == kBigObjectTag) dwTag = GetInt<DWORD>();

  const CRuntimeClass* pClass = nullptr;
  UINT nSchema = 0;
  if (tag == kNewClassTag) {
    pClass = ReadClassRecord(nSchema);
    m_loaded.push_back({pClass, nSchema});
    NextIndex();
  } else {
    bool isClassTag = (tag == kBigObjectTag) ? (dwTag & kBigClassTag) != 0 : (tag & kClassTag) != 0;
    if (!isClassTag) {
      // The null object or a reference to an object read before: neither is
      // ever written, and a list holding either would be unusable.
      ThrowArchive(CArchiveException::badIndex);
    }
    DWORD nIndex = (tag == kBigObjectTag) ? (dwTag & ~kBigClassTag) : (tag & ~kClassTag);
    if (nIndex == 0 || nIndex >= m_loaded.size() || m_loaded[nIndex].pClass == nullptr) {
      ThrowArchive(CArchiveException::badIndex);
    }
    pClass = m_loaded[nIndex].pClass;
    nSchema = m_loaded[nIndex].nSchema;
  }
  if (pClassRefRequested && pClass != pClassRefRequested) ThrowArchive(CArchiveException::badClass);

  CObject* pOb = pClass->CreateObject();
  if (!pOb) ThrowArchive(CArchiveException::badClass);
  try {
    m_loaded.push_back({nullptr, 0});
    NextIndex();
    m_nObjectSchema = nSchema;
    pOb->Serialize(*this);
  } catch (...) {
    delete pOb;
    throw;
  }
  return pOb;
}

// ---------------------------------------------------------------------------
// Lists

void CArchive::WriteObList(CObList& list) {
  CheckStoring();
  WriteCount(static_cast<DWORD>(list.GetCount()));
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) WriteObject(list.GetNext(pos));
}

void CArchive::ReadObList(CObList& list, const CRuntimeClass* pElementClass) {
  CheckLoading();
  DWORD n = ReadCount();
  for (DWORD i = 0; i < n; ++i) list.AddTail(ReadObject(pElementClass));
}

void CArchive::WriteStringList(CStringList& list) {
  CheckStoring();
  WriteCount(static_cast<DWORD>(list.GetCount()));
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) *this << list.GetNext(pos);
}

void CArchive::ReadStringList(CStringList& list) {
  CheckLoading();
  DWORD n = ReadCount();
  CString str;
  for (DWORD i = 0; i < n; ++i) {
    *this >> str;
    list.AddTail(str);
  }
}

void CArchive::NoteCommentIndex(LONG nIndex) {
  if (nIndex < 0) ThrowArchive(CArchiveException::badIndex);
  if (nIndex > m_nMaxCommentIndex) m_nMaxCommentIndex = nIndex;
}
