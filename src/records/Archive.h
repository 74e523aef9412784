// The archive of the document file (.qvx): the byte encoding of the records,
// their object tags and class records, over a file or a memory buffer.
//
// An archive is storing or loading for its whole life. Every failure is
// thrown as CArchiveException (format and usage causes) or CFileException
// (the file itself); the document catches them and shows GetErrorMessage().
#pragma once

#include "platform/win.h"

#include <functional>
#include <vector>

class CArchive;

// Failure of the archive: the bytes do not form a document, or the archive
// was used the wrong way round.
class CArchiveException {
 public:
  enum {
    none,
    genericException,  // anything else (an impossible length, ...)
    readOnly,          // a write into a loading archive
    endOfFile,         // fewer bytes left than a field needs
    writeOnly,         // a read from a storing archive
    badIndex,          // a class or object index that was never given
    badClass,          // an unknown, over-long or unreadable class name
    badSchema,         // a header that is not one of ours
  };

  explicit CArchiveException(int cause = none, LPCSTR lpszFileName = nullptr);

  // End of file, bad class, bad schema and bad index: the bytes are not a
  // document.
  BOOL IsFormatError() const;
  // The text the document shows for this failure, when opening or saving.
  CString GetErrorMessage(BOOL bSaving) const;

  int m_cause;
  CString m_strFileName;
};

// Failure of the file under the archive (open, read, write, close).
class CFileException {
 public:
  enum {
    none,
    genericException,
    fileNotFound,
    accessDenied,
    sharingViolation,
    hardIO,
    diskFull,
  };

  explicit CFileException(int cause = none, LPCSTR lpszFileName = nullptr, long lOsError = -1);

  // Cause of a failed C library file call, from errno (and the layer's
  // last error where errno says nothing).
  static int CauseFromLastError(int nErrno);

  // The file-error text with the path in place of %1, or the general
  // open/save failure text for causes without a text of their own.
  CString GetErrorMessage(BOOL bSaving) const;

  int m_cause;
  long m_lOsError;
  CString m_strFileName;
};

// Texts of the failures, as the document shows them.
inline constexpr char kArchiveTextBadFormat[] = "予期しないファイル形式です。";
inline constexpr char kArchiveTextOpenFailed[] = "ドキュメントを開くことに失敗しました。";
inline constexpr char kArchiveTextSaveFailed[] = "ドキュメントの保存に失敗しました。";
inline constexpr char kFileTextNotFound[] = "%1 が見つかりませんでした。";
inline constexpr char kFileTextAccessDenied[] = "%1 へのアクセスは拒否されました。";
inline constexpr char kFileTextSharingViolation[] = "%1 へのアクセス中に共有違反が発生しました。";
inline constexpr char kFileTextDiskFull[] = "%1 へのアクセス中にディスクがいっぱいになりました。";

// A document file opened in binary mode for an archive.
class CArchiveFile {
 public:
  CArchiveFile() = default;
  ~CArchiveFile();
  CArchiveFile(const CArchiveFile&) = delete;
  CArchiveFile& operator=(const CArchiveFile&) = delete;

  // nMode is CArchive::load (read an existing file) or CArchive::store
  // (create or truncate). On failure returns FALSE and fills *pError.
  BOOL Open(LPCSTR lpszPath, UINT nMode, CFileException* pError = nullptr);
  // For storing into whatever `sink` writes to (the document's safely
  // replaced file): the bytes go to it as the archive's buffer fills. The
  // sink returns false once writing has failed; the archive then stops
  // with a CFileException. `lpszPath` names the file for messages.
  using Sink = std::function<bool(const void* pData, size_t nSize)>;
  void OpenSink(Sink sink, LPCSTR lpszPath);
  // Writes bytes of a storing file; false (with errno) when they were not
  // all written.
  bool WriteBytes(const void* pData, size_t nSize);
  // Closes; a storing file whose last bytes cannot be written throws
  // CFileException.
  void Close();
  // Closes without reporting anything.
  void Abort();

  BOOL IsOpen() const { return m_pStream != nullptr || m_sink != nullptr; }
  // Size of a file opened for loading, taken when it was opened.
  ULONGLONG GetLength() const { return m_nLength; }
  const CString& GetFilePath() const { return m_strPath; }
  FILE* GetStream() const { return m_pStream; }

 private:
  FILE* m_pStream = nullptr;
  Sink m_sink;
  ULONGLONG m_nLength = 0;
  BOOL m_bStoring = FALSE;
  CString m_strPath;
};

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  // Over an open file (not owned; it must stay open until Close).
  CArchive(CArchiveFile* pFile, UINT nMode);
  // Storing into memory; the bytes are in GetStoredData().
  CArchive();
  // Loading from memory; the bytes are not copied and must outlive the
  // archive.
  CArchive(const void* pData, size_t nSize);
  // Writes what is still buffered; failures are lost here, so storing
  // callers end with Close().
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return m_bLoading; }
  BOOL IsStoring() const { return !m_bLoading; }

  // Writes the buffered bytes to the file (storing); throws CFileException.
  void Flush();
  // Flush, then detach from the file.
  void Close();
  // Detach without writing anything more.
  void Abort();

  // Bytes written so far by a memory archive.
  const std::vector<BYTE>& GetStoredData() const { return m_mem; }
  // Name of the file, for messages ("" in memory).
  const CString& GetFileName() const { return m_strFileName; }

  // Raw bytes: exactly nCount of them; a shorter rest is end of file.
  UINT Read(void* lpBuf, UINT nCount);
  void Write(const void* lpBuf, UINT nCount);

  CArchive& operator<<(BYTE by);
  CArchive& operator<<(WORD w);
  CArchive& operator<<(DWORD dw);
  CArchive& operator<<(LONG l);  // also int
  CArchive& operator<<(const CString& str);
  CArchive& operator>>(BYTE& by);
  CArchive& operator>>(WORD& w);
  CArchive& operator>>(DWORD& dw);
  CArchive& operator>>(LONG& l);
  CArchive& operator>>(CString& str);

  // Element counts of lists: WORD below 0xFFFF, else 0xFFFF and a DWORD.
  DWORD ReadCount();
  void WriteCount(DWORD dwCount);

  // Object records with class records and the shared index counter. A read
  // object is created through its run-time class; it must be of
  // pClassRefRequested when that is given. Null objects and references to
  // objects read before are refused (the document never holds either).
  CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
  void WriteObject(const CObject* pOb);
  // Schema word of the class record of the object being read.
  UINT GetObjectSchema() const { return m_nObjectSchema; }

  // Lists in their stored forms: count, then the elements head first. A
  // read list is appended to; on failure the elements read so far stay in
  // it for the caller to free.
  void WriteObList(CObList& list);
  void ReadObList(CObList& list, const CRuntimeClass* pElementClass);
  void WriteStringList(CStringList& list);
  void ReadStringList(CStringList& list);

  // The comment indexes of the merge records read so far must all name an
  // element of the comment table that follows them in the file.
  void NoteCommentIndex(LONG nIndex);
  LONG GetMaxCommentIndex() const { return m_nMaxCommentIndex; }

  // Throws CArchiveException with this archive's file name.
  [[noreturn]] void ThrowArchive(int cause) const;

 private:
  void CheckStoring();
  void CheckLoading();
  void PutBytes(const void* p, size_t n);
  void GetBytes(void* p, size_t n);
  void FillBuffer();
  void FlushBuffer();
  size_t BytesLeft() const;
  size_t ReadStringLength(BOOL& bWide);
  const CRuntimeClass* ReadClassRecord(UINT& nSchema);
  void NextIndex();

  template <class T>
  void PutInt(T v);
  template <class T>
  T GetInt();

  BOOL m_bLoading;
  CArchiveFile* m_pFile = nullptr;
  CString m_strFileName;

  // Storing: the file buffer, or the memory bytes.
  std::vector<BYTE> m_buf;
  size_t m_nBufUsed = 0;
  std::vector<BYTE> m_mem;
  BOOL m_bMemory = FALSE;

  // Loading: the bytes between m_pCur and m_pEnd are read but not yet used;
  // m_nFileLeft more wait in the file.
  const BYTE* m_pCur = nullptr;
  const BYTE* m_pEnd = nullptr;
  ULONGLONG m_nFileLeft = 0;

  // Index counter shared by classes and objects (0 is the null object).
  DWORD m_nMapCount = 1;
  // Storing: the classes written so far with their indexes.
  std::vector<std::pair<const CRuntimeClass*, DWORD>> m_storedClasses;
  // Loading: what each index names (a class with its schema, or an object).
  struct LoadEntry {
    const CRuntimeClass* pClass;
    UINT nSchema;
  };
  std::vector<LoadEntry> m_loaded;
  UINT m_nObjectSchema = 0;
  LONG m_nMaxCommentIndex = -1;
  std::string m_scratch;
};
