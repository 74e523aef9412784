// The archive encoding: primitives, strings, counts, object records, lists,
// failures, files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "records/Archive.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "support/testutil.h"
#include "record_bytes.h"

using rectest::Bytes;
using rectest::CauseOf;
using rectest::Hex;
using rectest::Stored;

namespace {

std::string StoreString(const CString& s) {
  CArchive ar;
  ar << s;
  return Stored(ar);
}

CString LoadString(const std::string& bytes) {
  CArchive ar(bytes.data(), bytes.size());
  CString s;
  ar >> s;
  return s;
}

void FreeList(CObList& list) {
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) delete list.GetNext(pos);
  list.RemoveAll();
}

}  // namespace

TEST(ArchivePrimitives, LittleEndianWithoutPadding) {
  CArchive ar;
  ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<DWORD>(0x89ABCDEF)
     << static_cast<LONG>(-2);
  const char raw[3] = {'x', '\0', 'y'};
  ar.Write(raw, 3);
  EXPECT_EQ(Hex(Stored(ar)), "AB 34 12 EF CD AB 89 FE FF FF FF 78 00 79");

  std::string b = Stored(ar);
  CArchive in(b.data(), b.size());
  BYTE by;
  WORD w;
  DWORD dw;
  LONG l;
  char back[3];
  in >> by >> w >> dw >> l;
  in.Read(back, 3);
  EXPECT_EQ(by, 0xAB);
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(dw, 0x89ABCDEFu);
  EXPECT_EQ(l, -2);
  EXPECT_EQ(std::string(back, 3), std::string(raw, 3));
}

TEST(ArchiveStrings, PrefixByLength) {
  EXPECT_EQ(Hex(StoreString("")), "00");
  EXPECT_EQ(Hex(StoreString("ab")), "02 61 62");

  struct Case {
    size_t n;
    std::string prefix;
  } cases[] = {
      {254, "FE"},
      {255, "FF FF 00"},
      {0xFFFD, "FF FD FF"},
      // Never FF FE FF: a reader takes WORD 0xFFFE for the wide-string tag.
      {0xFFFE, "FF FF FF FE FF 00 00"},
      {0x10000, "FF FF FF 00 00 01 00"},
  };
  for (const Case& c : cases) {
    std::string text(c.n, 'q');
    text[0] = '\x81';  // a lead byte and a NUL travel as they are
    text[c.n - 1] = '\0';
    std::string b = StoreString(CString(text.data(), static_cast<int>(text.size())));
    size_t prefixLen = (c.prefix.size() + 1) / 3;
    ASSERT_EQ(b.size(), prefixLen + c.n) << c.n;
    EXPECT_EQ(Hex(b.substr(0, prefixLen)), c.prefix) << c.n;
    CString back = LoadString(b);
    ASSERT_EQ(back.GetLength(), static_cast<int>(c.n));
    EXPECT_EQ(std::string(static_cast<LPCSTR>(back), c.n), text) << c.n;
  }
}

TEST(ArchiveStrings, ReaderAcceptsEveryLengthForm) {
  // The same text with the short, the WORD, the DWORD and the 8-byte length.
  Bytes b;
  b.u8(3).raw("abc");
  b.u8(0xFF).u16(3).raw("abc");
  b.u8(0xFF).u16(0xFFFF).u32(3).raw("abc");
  b.u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u32(3).u32(0).raw("abc");
  CArchive ar(b.s.data(), b.s.size());
  for (int i = 0; i < 4; ++i) {
    CString s;
    ar >> s;
    EXPECT_STREQ(s, "abc") << i;
  }
}

TEST(ArchiveStrings, WideStringsAreConvertedToCodePage932) {
  // FF FE FF tag, then the length in 16-bit characters.
  Bytes b;
  b.u8(0xFF).u16(0xFFFE).u8(4).u16('A').u16(0x3042).u16(0x65E5).u16(0x00E9);
  // The long length form after the tag, with a character outside the
  // basic plane and an unpaired surrogate.
  b.u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(3).u16(0xD83D).u16(0xDE00).u16(0xDC00);
  b.u8(0xFF).u16(0xFFFE).u8(0);
  CArchive ar(b.s.data(), b.s.size());
  CString s1, s2, s3;
  ar >> s1 >> s2 >> s3;
  // "é" has no code page 932 form and becomes '?', as the platform's
  // conversion does.
  EXPECT_EQ(rectest::Hex(std::string(s1, s1.GetLength())), Hex("Aあ日?")) << qvtest::U8(std::string(s1));
  EXPECT_STREQ(s2, "??");
  EXPECT_STREQ(s3, "");
}

TEST(ArchiveStrings, DamagedLengthsFailWithoutReadingOn) {
  // A length beyond the data left: end of file, nothing allocated for it.
  Bytes cut;
  cut.u8(0xFF).u16(0xFFFF).u32(0xFFFFFFF0).raw("abc");
  EXPECT_EQ(CauseOf([&] { LoadString(cut.s); }), CArchiveException::endOfFile);
  // An 8-byte length above 0x7FFFFFFF.
  Bytes big;
  big.u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u32(0x80000000).u32(0);
  EXPECT_EQ(CauseOf([&] { LoadString(big.s); }), CArchiveException::genericException);
  // A wide length of 0x80000000 or more is refused before reading.
  Bytes wide;
  wide.u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(0x80000000);
  EXPECT_EQ(CauseOf([&] { LoadString(wide.s); }), CArchiveException::genericException);
  // A cut inside the prefix or the text.
  for (std::string s : {std::string("\xFF", 1), std::string("\xFF\xFF\xFF\x02", 4), std::string("\x05" "ab", 3)}) {
    EXPECT_EQ(CauseOf([&] { LoadString(s); }), CArchiveException::endOfFile) << Hex(s);
  }
}

TEST(ArchiveCounts, WordBelowFFFFElseDword) {
  CArchive ar;
  ar.WriteCount(0);
  ar.WriteCount(0xFFFE);
  ar.WriteCount(0xFFFF);
  ar.WriteCount(0x12345);
  EXPECT_EQ(Hex(Stored(ar)), "00 00 FE FF FF FF FF FF 00 00 FF FF 45 23 01 00");
  std::string b = Stored(ar);
  CArchive in(b.data(), b.size());
  EXPECT_EQ(in.ReadCount(), 0u);
  EXPECT_EQ(in.ReadCount(), 0xFFFEu);
  EXPECT_EQ(in.ReadCount(), 0xFFFFu);
  EXPECT_EQ(in.ReadCount(), 0x12345u);
}

TEST(ArchiveCounts, StringListOf65535Elements) {
  CStringList list;
  for (int i = 0; i < 65535; ++i) list.AddTail(i % 2 ? "x" : "");
  CArchive ar;
  ar.WriteStringList(list);
  std::string b = Stored(ar);
  EXPECT_EQ(Hex(b.substr(0, 6)), "FF FF FF FF 00 00");
  EXPECT_EQ(b.size(), 6u + 65535u + 32767u);

  CStringList back;
  back.AddTail("kept");
  CArchive in(b.data(), b.size());
  in.ReadStringList(back);
  ASSERT_EQ(back.GetCount(), 65536);
  POSITION pos = back.GetHeadPosition();
  EXPECT_STREQ(back.GetNext(pos), "kept");
  EXPECT_STREQ(back.GetNext(pos), "");
  EXPECT_STREQ(back.GetNext(pos), "x");
}

TEST(ArchiveUse, DirectionIsFixed) {
  CArchive out;
  BYTE b;
  CString s;
  EXPECT_EQ(CauseOf([&] { out >> b; }), CArchiveException::writeOnly);
  EXPECT_EQ(CauseOf([&] { out >> s; }), CArchiveException::writeOnly);
  EXPECT_EQ(CauseOf([&] { out.ReadObject(nullptr); }), CArchiveException::writeOnly);
  CArchive in("", 0);
  EXPECT_EQ(CauseOf([&] { in << static_cast<DWORD>(1); }), CArchiveException::readOnly);
  EXPECT_EQ(CauseOf([&] { in << CString("a"); }), CArchiveException::readOnly);
  EXPECT_EQ(CauseOf([&] { in.Write("a", 1); }), CArchiveException::readOnly);
  EXPECT_EQ(CauseOf([&] { in >> b; }), CArchiveException::endOfFile);
}

TEST(ArchiveErrors, MessagesAsTheDocumentShowsThem) {
  for (int cause : {CArchiveException::endOfFile, CArchiveException::badClass, CArchiveException::badSchema,
                    CArchiveException::badIndex}) {
    CArchiveException e(cause, "a.qvx");
    EXPECT_TRUE(e.IsFormatError());
    EXPECT_STREQ(e.GetErrorMessage(FALSE), "予期しないファイル形式です。");
  }
  CArchiveException generic(CArchiveException::genericException);
  EXPECT_FALSE(generic.IsFormatError());
  EXPECT_STREQ(generic.GetErrorMessage(FALSE), "ドキュメントを開くことに失敗しました。");
  EXPECT_STREQ(generic.GetErrorMessage(TRUE), "ドキュメントの保存に失敗しました。");

  const char* path = "D:\\表\\a.qvx";
  EXPECT_STREQ(CFileException(CFileException::fileNotFound, path).GetErrorMessage(FALSE),
               "D:\\表\\a.qvx が見つかりませんでした。");
  EXPECT_STREQ(CFileException(CFileException::accessDenied, path).GetErrorMessage(TRUE),
               "D:\\表\\a.qvx へのアクセスは拒否されました。");
  EXPECT_STREQ(CFileException(CFileException::sharingViolation, path).GetErrorMessage(FALSE),
               "D:\\表\\a.qvx へのアクセス中に共有違反が発生しました。");
  EXPECT_STREQ(CFileException(CFileException::diskFull, path).GetErrorMessage(TRUE),
               "D:\\表\\a.qvx へのアクセス中にディスクがいっぱいになりました。");
  EXPECT_STREQ(CFileException(CFileException::hardIO, path).GetErrorMessage(TRUE),
               "ドキュメントの保存に失敗しました。");
}

// ---------------------------------------------------------------------------
// Object records

namespace {

// Fields of an empty merge record: 141 bytes (see the record tests).
std::string EmptyMergeFields() {
  CZEKMergeFileInfo r;
  r.m_nCommentIndex = 0;
  CArchive ar;
  r.Serialize(ar);
  return Stored(ar);
}

Bytes NewClass(std::string_view name) {
  Bytes b;
  b.u16(0xFFFF).u16(0).u16(static_cast<unsigned>(name.size())).raw(name);
  return b;
}

int ReadMergeList(const std::string& bytes, int* count = nullptr) {
  CObList list;
  int cause = CauseOf([&] {
    CArchive ar(bytes.data(), bytes.size());
    ar.ReadObList(list, RUNTIME_CLASS(CZEKMergeFileInfo));
  });
  if (count) *count = static_cast<int>(list.GetCount());
  FreeList(list);
  return cause;
}

}  // namespace

TEST(ArchiveObjects, ClassRecordThenClassIndexTags) {
  CObList list;
  for (int i = 0; i < 3; ++i) list.AddTail(new CZEKMergeFileInfo);
  for (POSITION pos = list.GetHeadPosition(); pos;) static_cast<CZEKMergeFileInfo*>(list.GetNext(pos))->m_nCommentIndex = 0;
  CArchive ar;
  ar.WriteObList(list);
  const std::string fields = EmptyMergeFields();
  ASSERT_EQ(fields.size(), 141u);
  Bytes expect;
  expect.u16(3).raw(NewClass("CZEKMergeFileInfo").s).raw(fields).u16(0x8001).raw(fields).u16(0x8001).raw(fields);
  EXPECT_EQ(Stored(ar), expect.s);

  int n = 0;
  EXPECT_EQ(ReadMergeList(expect.s, &n), -1);
  EXPECT_EQ(n, 3);
  FreeList(list);
}

TEST(ArchiveObjects, IndexesAreSharedByClassesAndObjects) {
  // Two entries, each with two merge records: entry class 1, entry 2, merge
  // record class 3, records 4 and 5 (tag 0x8003); the second entry is tagged
  // 0x8001, its records 0x8003 again.
  CObList entries;
  for (int e = 0; e < 2; ++e) {
    auto* entry = new CZEKEnv_Label;
    entry->m_nState = 1;
    entry->m_pRecordList = new CObList;
    entry->m_pTotals = new CZEKMergeSRCInfo;
    for (int i = 0; i < 2; ++i) {
      auto* r = new CZEKMergeFileInfo;
      r->m_nCommentIndex = 0;
      entry->m_pRecordList->AddTail(r);
    }
    entries.AddTail(entry);
  }
  CArchive ar;
  ar.WriteObList(entries);
  const std::string b = Stored(ar);

  // Walk the bytes by the sizes of the fields, counted by hand.
  auto* first = static_cast<CZEKEnv_Label*>(entries.GetHead());
  using rectest::StrSize;
  auto len = [](const CString& t) { return static_cast<size_t>(t.GetLength()); };
  const size_t fieldsBeforeList = 4 + StrSize(len(first->m_strName)) + StrSize(len(first->m_strNewPath)) +
                                  StrSize(len(first->m_strOldPath)) + StrSize(len(first->m_strDiffPath)) + 4 + 1 +
                                  12 + 4 + StrSize(len(first->m_strRunTime)) + 3 +
                                  StrSize(len(first->m_strComment)) + 16 + 4 + 3 + 4;
  size_t tail = 4 + StrSize(len(first->m_strFilterName)) + 2;
  for (POSITION pos = first->m_listFilterLines.GetHeadPosition(); pos;)
    tail += StrSize(len(first->m_listFilterLines.GetNext(pos)));

  size_t at = 2;
  EXPECT_EQ(b.substr(at, 6 + 13), NewClass("CZEKEnv_Label").s);
  at += 6 + 13 + fieldsBeforeList;
  EXPECT_EQ(Hex(b.substr(at, 2)), "02 00");  // record count of the list
  at += 2;
  EXPECT_EQ(b.substr(at, 6 + 17), NewClass("CZEKMergeFileInfo").s);
  at += 6 + 17 + 141;
  EXPECT_EQ(Hex(b.substr(at, 2)), "03 80");
  at += 2 + 141 + 549 + tail;
  EXPECT_EQ(Hex(b.substr(at, 2)), "01 80");  // second entry
  at += 2 + fieldsBeforeList + 2;
  EXPECT_EQ(Hex(b.substr(at, 2)), "03 80");
  at += 2 + 141;
  EXPECT_EQ(Hex(b.substr(at, 2)), "03 80");
  at += 2 + 141 + 549 + tail;
  EXPECT_EQ(at, b.size());

  CObList back;
  {
    CArchive in(b.data(), b.size());
    in.ReadObList(back, RUNTIME_CLASS(CZEKEnv_Label));
  }
  ASSERT_EQ(back.GetCount(), 2);
  for (POSITION pos = back.GetHeadPosition(); pos;) {
    auto* e = static_cast<CZEKEnv_Label*>(back.GetNext(pos));
    ASSERT_NE(e->m_pRecordList, nullptr);
    EXPECT_EQ(e->m_pRecordList->GetCount(), 2);
  }
  FreeList(back);
  FreeList(entries);
}

TEST(ArchiveObjects, BigClassTagAndBigCountAreRead) {
  const std::string fields = EmptyMergeFields();
  Bytes b;
  b.u16(2).raw(NewClass("CZEKMergeFileInfo").s).raw(fields).u16(0x7FFF).u32(0x80000001).raw(fields);
  int n = 0;
  EXPECT_EQ(ReadMergeList(b.s, &n), -1);
  EXPECT_EQ(n, 2);

  Bytes big;
  big.u16(0xFFFF).u32(1).raw(NewClass("CZEKMergeFileInfo").s).raw(fields);
  EXPECT_EQ(ReadMergeList(big.s, &n), -1);
  EXPECT_EQ(n, 1);
}

TEST(ArchiveObjects, RefusesWhatNoDocumentHolds) {
  const std::string fields = EmptyMergeFields();
  const std::string head = Bytes().u16(2).raw(NewClass("CZEKMergeFileInfo").s).raw(fields).s;
  struct Case {
    const char* what;
    std::string bytes;
    int cause;
  } cases[] = {
      {"class index 0", head + Bytes().u16(0x8000).raw(fields).s, CArchiveException::badIndex},
      {"class index not given yet", head + Bytes().u16(0x8003).raw(fields).s, CArchiveException::badIndex},
      {"class index naming an object", head + Bytes().u16(0x8002).raw(fields).s, CArchiveException::badIndex},
      {"big class index beyond", head + Bytes().u16(0x7FFF).u32(0x80000009).raw(fields).s,
       CArchiveException::badIndex},
      {"reference to an object", head + Bytes().u16(0x0002).s, CArchiveException::badIndex},
      {"big reference", head + Bytes().u16(0x7FFF).u32(2).s, CArchiveException::badIndex},
      {"null object", head + Bytes().u16(0x0000).s, CArchiveException::badIndex},
      {"unknown class", Bytes().u16(1).raw(NewClass("CZEKMergeFileInfoX").s).raw(fields).s,
       CArchiveException::badClass},
      {"name in another case", Bytes().u16(1).raw(NewClass("CZEKMERGEFileInfo").s).raw(fields).s,
       CArchiveException::badClass},
      {"framework class", Bytes().u16(1).raw(NewClass("CObject").s).s, CArchiveException::badClass},
      {"another record class", Bytes().u16(1).raw(NewClass("CZEKFileInfo").s).raw(fields).s,
       CArchiveException::badClass},
      {"name of 64 bytes", Bytes().u16(1).raw(NewClass(std::string(64, 'C')).s).s, CArchiveException::badClass},
      {"name cut", Bytes().u16(1).u16(0xFFFF).u16(0).u16(17).raw("CZEKMerge").s, CArchiveException::badClass},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadMergeList(c.bytes), c.cause) << c.what;
}

TEST(ArchiveObjects, StoredSchemaIsAccepted) {
  const std::string fields = EmptyMergeFields();
  Bytes b;
  b.u16(1).u16(0xFFFF).u16(7).u16(17).raw("CZEKMergeFileInfo").raw(fields);
  CObList list;
  CArchive ar(b.s.data(), b.s.size());
  ar.ReadObList(list, RUNTIME_CLASS(CZEKMergeFileInfo));
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(ar.GetObjectSchema(), 7u);
  FreeList(list);
}

// ---------------------------------------------------------------------------
// Files

namespace {

// A stream shaped like a document: header, entry list, current id, view
// code, comment table.
std::string WriteDocumentStream(CArchive& ar, int nRecords, int nKeep = 1) {
  CComment_Obj table;
  SetCurrentCommentTable(&table);
  CZEKHeader header;
  CObList entries;
  auto* entry = new CZEKEnv_Label;
  entry->m_strName = "名称未設定";
  entry->m_nState = 1;
  entry->m_pRecordList = new CObList;
  entry->m_pTotals = new CZEKMergeSRCInfo;
  entry->m_pTotals->m_Row[2].m_dwCount[1] = 9;
  for (int i = 0; i < nRecords; ++i) {
    CString key;
    key.Format("DVD\\タイトル%05d", i);
    auto* r = new CZEKMergeFileInfo(nKeep, key);
    r->m_Old.m_nExists = 1;
    r->m_Old.m_strName = key;
    r->m_Old.m_tModify = 1700000000 + i;
    r->m_nType = 1;
    r->m_nExist = 2;
    table.GetAt(r->m_nCommentIndex)->m_strComment = "コメント";
    entry->m_pRecordList->AddTail(r);
  }
  entries.AddTail(entry);
  header.Serialize(ar);
  ar.WriteObList(entries);
  ar << static_cast<DWORD>(1) << static_cast<DWORD>(3074);
  table.Serialize(ar);
  SetCurrentCommentTable(nullptr);
  FreeList(entries);
  return Stored(ar);
}

// Reads a document-shaped stream; returns the number of records read.
int ReadDocumentStream(CArchive& ar, CString* pFirstComment = nullptr) {
  CZEKHeader header;
  CObList entries;
  CComment_Obj table;
  int records = 0;
  try {
    header.Serialize(ar);
    ar.ReadObList(entries, RUNTIME_CLASS(CZEKEnv_Label));
    DWORD id = 0, view = 0;
    ar >> id >> view;
    table.Serialize(ar);
    auto* e = entries.IsEmpty() ? nullptr : static_cast<CZEKEnv_Label*>(entries.GetHead());
    records = e && e->m_pRecordList ? static_cast<int>(e->m_pRecordList->GetCount()) : 0;
    if (pFirstComment && records > 0) {
      auto* r = static_cast<CZEKMergeFileInfo*>(e->m_pRecordList->GetHead());
      *pFirstComment = table.GetAt(r->m_nCommentIndex)->GetComment();
    }
  } catch (...) {
    FreeList(entries);
    throw;
  }
  FreeList(entries);
  return records;
}

}  // namespace

TEST(ArchiveFile, FileAndMemoryHoldTheSameBytes) {
  qvtest::TempDir dir;
  const std::string path = (dir / "doc.qvx").string();
  CArchive mem;
  const std::string bytes = WriteDocumentStream(mem, 5);

  CArchiveFile file;
  CFileException err;
  ASSERT_TRUE(file.Open(path.c_str(), CArchive::store, &err));
  {
    CArchive ar(&file, CArchive::store);
    WriteDocumentStream(ar, 5);
    ar.Close();
  }
  file.Close();
  // The header's save time is to the second; rewrite when a second turned.
  std::string onDisk = qvtest::ReadFile(path);
  ASSERT_EQ(onDisk.size(), bytes.size());

  ASSERT_TRUE(file.Open(path.c_str(), CArchive::load, &err));
  EXPECT_EQ(file.GetLength(), bytes.size());
  CArchive in(&file, CArchive::load);
  CString comment;
  EXPECT_EQ(ReadDocumentStream(in, &comment), 5);
  EXPECT_STREQ(comment, "コメント");
}

TEST(ArchiveFile, ACutFileFailsAsAFormatError) {
  CArchive mem;
  const std::string bytes = WriteDocumentStream(mem, 3);
  {
    CArchive whole(bytes.data(), bytes.size());
    EXPECT_EQ(ReadDocumentStream(whole), 3);
  }
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    CArchive ar(bytes.data(), cut);
    bool format = false;
    try {
      ReadDocumentStream(ar);
    } catch (const CArchiveException& e) {
      format = e.IsFormatError();
    }
    ASSERT_TRUE(format) << "cut at " << cut << " of " << bytes.size();
  }

  // The same through files, at a few places.
  qvtest::TempDir dir;
  for (size_t cut : {size_t{0}, size_t{9}, bytes.size() / 2, bytes.size() - 1}) {
    const auto p = dir / ("cut" + std::to_string(cut) + ".qvx");
    qvtest::WriteFile(p, bytes.substr(0, cut));
    CArchiveFile file;
    ASSERT_TRUE(file.Open(p.string().c_str(), CArchive::load));
    CArchive ar(&file, CArchive::load);
    int cause = CauseOf([&] { ReadDocumentStream(ar); });
    EXPECT_TRUE(CArchiveException(cause).IsFormatError()) << cut;
  }
}

TEST(ArchiveFile, ManyRecordsRoundTrip) {
  // More than 65,535 records: the 6-byte count and object indexes past
  // 0x7FFF, while the records keep the short class tag.
  qvtest::TempDir dir;
  const std::string path = (dir / "big.qvx").string();
  CArchiveFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CArchive::store));
  {
    CArchive ar(&file, CArchive::store);
    WriteDocumentStream(ar, 70000, 0);
    ar.Close();
  }
  file.Close();
  ASSERT_TRUE(file.Open(path.c_str(), CArchive::load));
  CArchive in(&file, CArchive::load);
  EXPECT_EQ(ReadDocumentStream(in), 70000);
}

TEST(ArchiveFile, FileFailuresCarryTheirCause) {
  qvtest::TempDir dir;
  const std::string missing = (dir / "none" / "a.qvx").string();
  CArchiveFile file;
  CFileException err;
  EXPECT_FALSE(file.Open(missing.c_str(), CArchive::load, &err));
  EXPECT_EQ(err.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(std::string(err.GetErrorMessage(FALSE)), missing + " が見つかりませんでした。");

  if (geteuid() != 0) {
    const auto locked = dir / "locked.qvx";
    qvtest::WriteFile(locked, "x");
    chmod(locked.c_str(), 0);
    EXPECT_FALSE(file.Open(locked.string().c_str(), CArchive::load, &err));
    EXPECT_EQ(err.m_cause, CFileException::accessDenied);
  }

  // A full disk shows when the bytes are written: a large block at once,
  // a small one when the file is closed.
  if (access("/dev/full", W_OK) == 0) {
    for (size_t size : {size_t{200000}, size_t{10}}) {
      ASSERT_TRUE(file.Open("/dev/full", CArchive::store, &err));
      try {
        CArchive ar(&file, CArchive::store);
        std::string block(size, 'z');
        ar.Write(block.data(), static_cast<UINT>(block.size()));
        ar.Close();
        file.Close();
        ADD_FAILURE() << "no failure on a full disk, " << size;
      } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull) << size;
        EXPECT_EQ(std::string(e.GetErrorMessage(TRUE)), "/dev/full へのアクセス中にディスクがいっぱいになりました。");
      }
      file.Abort();
    }
  }
}

TEST(ArchiveFile, DamagedBytesGiveAFailureNeverACrash) {
  CArchive mem;
  const std::string bytes = WriteDocumentStream(mem, 4);
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  int failures = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string b = bytes;
    const int changes = 1 + static_cast<int>(next() % 3);
    for (int c = 0; c < changes; ++c) {
      const size_t at = next() % b.size();
      // Mostly counts and lengths made large, sometimes any byte.
      b[at] = static_cast<char>(next() % 4 == 0 ? next() : 0xFF);
    }
    CArchive ar(b.data(), b.size());
    try {
      ReadDocumentStream(ar);
    } catch (const CArchiveException&) {
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
}
