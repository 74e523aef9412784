// The records of the document: comment table, merge records, totals,
// header and comparison entry.
#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cstdlib>
#include <regex>

#include "app/ZEKApp.h"
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

template <class T>
std::string Store(T& obj) {
  CArchive ar;
  obj.Serialize(ar);
  return Stored(ar);
}

template <class T>
void Load(T& obj, const std::string& b) {
  CArchive ar(b.data(), b.size());
  obj.Serialize(ar);
}

// The current document's comment table for the duration of a test.
struct CurrentTable {
  CComment_Obj table;
  CurrentTable() { SetCurrentCommentTable(&table); }
  ~CurrentTable() { SetCurrentCommentTable(nullptr); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Comment table

TEST(CommentTable, HashIsTheSignedByteSum) {
  EXPECT_EQ(HashCommentKey(""), 0u);
  EXPECT_EQ(HashCommentKey("x"), 0x78u);
  EXPECT_EQ(HashCommentKey("ab"), HashCommentKey("ba"));
  // 0x81 counts as -127, 0x40 as 64.
  EXPECT_EQ(HashCommentKey("\x81\x40"), static_cast<DWORD>(-63));
}

TEST(CommentTable, FindOrAdd) {
  CComment_Obj t;
  EXPECT_EQ(t.FindOrAdd("anything"), 0);
  ASSERT_EQ(t.GetCount(), 1);
  EXPECT_STREQ(t.GetAt(0)->m_strKey, "");
  EXPECT_EQ(t.GetAt(0)->m_dwHash, 0u);
  t.GetAt(0)->SetKey("ab");

  // Same byte sum, other text; same text in another case: new elements.
  EXPECT_EQ(t.FindOrAdd("ba"), 1);
  t.GetAt(1)->SetKey("ba");
  EXPECT_EQ(t.FindOrAdd("AB"), 2);
  t.GetAt(2)->SetKey("AB");
  EXPECT_EQ(t.FindOrAdd("ba"), 1);
  EXPECT_EQ(t.FindOrAdd("ab"), 0);
  EXPECT_EQ(t.GetCount(), 3);

  // The key of a double-byte name compares whole characters.
  EXPECT_EQ(t.FindOrAdd("表\\a"), 3);
  t.GetAt(3)->SetKey("表\\a");
  EXPECT_EQ(t.FindOrAdd("表\\a"), 3);
}

TEST(CommentTable, TheIndexFollowsKeysChangedAfterIndexing) {
  // The application's template and the comment command re-key elements the
  // look-up index already holds.
  CComment_Obj t;
  t.Resize(2);
  t.GetAt(0)->SetKey("[01]");
  t.GetAt(1)->SetKey("[02]");
  EXPECT_EQ(t.FindOrAdd("[02]"), 1);  // both indexed now
  t.GetAt(0)->SetKey("Title");
  EXPECT_EQ(t.FindOrAdd("Title"), 0);
  EXPECT_EQ(t.FindOrAdd("[01]"), 2);  // the old key names nothing any more
  EXPECT_EQ(t.GetCount(), 3);
  t.GetAt(1)->m_strKey = "Direct";  // a key set past SetKey never matches a stale entry
  EXPECT_EQ(t.FindOrAdd("[02]"), 3);
}

TEST(CommentTable, FindOrAddAfterReadAndResize) {
  // Keys that came from a file are found; an element whose stored hash is not
  // the hash of its key never matches; the first of two equal keys wins.
  CComment_Obj src;
  src.Resize(4);
  src.GetAt(0)->SetKey("a\\b");
  src.GetAt(1)->SetKey("dup");
  src.GetAt(2)->SetKey("dup");
  src.GetAt(3)->SetKey("odd");
  src.GetAt(3)->m_dwHash = 1;
  const std::string b = Store(src);

  CComment_Obj t;
  EXPECT_EQ(t.FindOrAdd("x"), 0);
  t.GetAt(0)->SetKey("x");
  EXPECT_EQ(t.FindOrAdd("x"), 0);
  Load(t, b);
  EXPECT_EQ(t.FindOrAdd("a\\b"), 0);
  EXPECT_EQ(t.FindOrAdd("dup"), 1);
  EXPECT_EQ(t.FindOrAdd("odd"), 4);
  EXPECT_EQ(t.FindOrAdd("x"), 5);  // the earlier table's key is gone

  t.Resize(1);
  EXPECT_EQ(t.FindOrAdd("dup"), 1);
}

TEST(CommentTable, TakeElementsGivesWhatOneKeyAfterTheOtherGives) {
  // A run takes the elements of all its records at once, on several
  // threads: the indexes and the table must be those of FindOrAdd and
  // SetKey (or a new empty element each) for one key after the other.
  std::vector<std::string> texts;
  for (int i = 0; i < 2000; ++i) texts.push_back("映画\\" + std::to_string(i % 1500));  // 500 met twice
  for (const char* k : {"a\\b", "dup", "odd", "x", "Direct", "[02]"}) texts.push_back(k);
  std::vector<LPCSTR> keys;
  for (const std::string& t : texts) keys.push_back(t.c_str());

  CComment_Obj src;
  src.Resize(5);
  src.GetAt(0)->SetKey("a\\b");
  src.GetAt(1)->SetKey("dup");
  src.GetAt(2)->SetKey("dup");
  src.GetAt(3)->SetKey("odd");
  src.GetAt(3)->m_dwHash = 1;
  src.GetAt(4)->SetKey("映画\\7");
  src.GetAt(4)->m_strComment = "kept";
  const std::string stored = Store(src);

  for (int keep : {1, 0}) {
    for (bool empty : {false, true}) {
      CComment_Obj one, all;
      if (!empty) {
        Load(one, stored);
        Load(all, stored);
      }
      std::vector<int> expected;
      for (LPCSTR k : keys) {
        if (keep) {
          expected.push_back(one.FindOrAdd(k));
          one.GetAt(expected.back())->SetKey(k);
        } else {
          expected.push_back(one.GetCount());
          one.AddNew();
        }
      }
      std::vector<int> got;
      {
        qvtest::EnvVar threads("QUARVEX_WALK_THREADS", "8");
        all.TakeElements(keep, keys, got);
      }
      EXPECT_EQ(got, expected) << "keep " << keep << ", empty " << empty;
      EXPECT_EQ(Store(all), Store(one)) << "keep " << keep << ", empty " << empty;
      // Look-ups after it find the same elements.
      EXPECT_EQ(all.FindOrAdd("映画\\1999"), one.FindOrAdd("映画\\1999"));
    }
  }

  // A key changed past SetKey after indexing: the table sorts it out as
  // FindOrAdd does.
  CComment_Obj one, all;
  for (CComment_Obj* t : {&one, &all}) {
    Load(*t, stored);
    EXPECT_EQ(t->FindOrAdd("dup"), 1);
    t->GetAt(0)->m_strKey = "Direct";
  }
  std::vector<int> expected, got;
  for (LPCSTR k : keys) {
    expected.push_back(one.FindOrAdd(k));
    one.GetAt(expected.back())->SetKey(k);
  }
  all.TakeElements(1, keys, got);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(Store(all), Store(one));
}

TEST(CommentTable, Resize) {
  CComment_Obj t;
  t.Resize(3);
  ASSERT_EQ(t.GetCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(t.GetAt(i)->GetComment(), "");
  t.GetAt(1)->m_strComment = "kept";
  t.Resize(5);
  EXPECT_STREQ(t.GetAt(1)->GetComment(), "kept");
  t.Resize(-1);
  EXPECT_EQ(t.GetCount(), 5);
  t.Resize(0);
  EXPECT_EQ(t.GetCount(), 0);
  EXPECT_THROW(t.GetAt(0), CLayerError);
}

TEST(CommentTable, StoredBytes) {
  CComment_Obj t;
  EXPECT_EQ(Hex(Store(t)), "00 00 00 00");

  CComment_Data_Obj e;
  e.m_strComment = "x";
  e.SetKey("x");
  EXPECT_EQ(Hex(Store(e)), "01 78 78 00 00 00 01 78");

  // The template of the application: ten elements keyed "[01]".."[10]".
  for (int i = 1; i <= 10; ++i) {
    t.AddNew();
    CString key;
    key.Format("[%02d]", i);
    t.GetAt(t.GetCount() - 1)->SetKey(key);
  }
  t.GetAt(9)->m_strComment = "メモ";
  Bytes expect;
  expect.u32(10);
  for (int i = 1; i <= 10; ++i) {
    char key[8];
    snprintf(key, sizeof(key), "[%02d]", i);
    expect.str(i == 10 ? "メモ" : "").u32(HashCommentKey(key)).str(key);
  }
  EXPECT_EQ(Store(t), expect.s);

  CComment_Obj back;
  Load(back, expect.s);
  ASSERT_EQ(back.GetCount(), 10);
  EXPECT_STREQ(back.GetAt(9)->GetComment(), "メモ");
  EXPECT_STREQ(back.GetAt(9)->m_strKey, "[10]");
  EXPECT_EQ(back.GetAt(4)->m_dwHash, HashCommentKey("[05]"));
}

TEST(CommentTable, ReadingReplacesTheTable) {
  // Reading the same table again must not grow it, and comments that were
  // in the table before do not stay in it.
  CComment_Obj src;
  src.Resize(2);
  src.GetAt(0)->m_strComment = "a";
  src.GetAt(1)->m_strComment = "b";
  const std::string b = Store(src);

  CComment_Obj t;
  t.Resize(4);
  t.GetAt(3)->m_strComment = "other document";
  Load(t, b);
  EXPECT_EQ(t.GetCount(), 2);
  Load(t, b);
  ASSERT_EQ(t.GetCount(), 2);
  EXPECT_STREQ(t.GetAt(1)->GetComment(), "b");
  EXPECT_EQ(Store(t), b);
}

// ---------------------------------------------------------------------------
// Merge records

namespace {

// The stored fields of one side, built from its field table.
Bytes SideBytes(int exists, std::string_view name, int32_t c, int32_t a, int32_t m, uint32_t size, uint32_t lines,
                std::string_view version) {
  Bytes b;
  b.u32(exists).str(name).u32(c).u32(a).u32(m).u32(size).u32(lines).str(version).zeros(16);
  return b;
}

}  // namespace

TEST(MergeRecord, EmptyRecordIs141Bytes) {
  // 2 x (24 bytes of numbers + name + version + 16) + 36 + note + 16 + 4.
  CZEKMergeFileInfo r;
  r.m_nCommentIndex = 0;
  const std::string b = Store(r);
  EXPECT_EQ(b.size(), 2u * (24 + 1 + 1 + 16) + 36 + 1 + 16 + 4);
  EXPECT_EQ(b.size(), 141u);
}

TEST(MergeRecord, StoredFieldsInFileOrder) {
  CZEKMergeFileInfo r;
  r.m_nType = -11;
  r.m_nExist = 3;
  r.m_New.m_nExists = 1;
  r.m_New.m_strName = "映画\\VIDEO_TS";
  r.m_New.m_tCreate = 1000;
  r.m_New.m_tAccess = 2000;
  r.m_New.m_tModify = -1;
  r.m_New.m_dwSize = 0xFFFFFFFF;
  r.m_New.m_dwLines = 42;
  r.m_New.m_strVersion = "1.2";
  r.m_New.m_strDisp[0] = "not stored";
  r.m_Old.m_nExists = 0;
  r.m_Old.m_strName = "映画\\VIDEO_TS";
  r.m_nDelLines = 1;
  r.m_nAddLines = 2;
  r.m_nChgLines = 3;
  r.m_nRangeAdd = 4;
  r.m_nRangeDel = 5;
  r.m_nRangeChgRight = 6;
  r.m_nRangeChgLeft = 7;
  r.m_strNote = "n";
  r.m_tDiffFile = 123;  // not stored
  r.m_nCommentIndex = 5;

  Bytes expect;
  expect.raw(SideBytes(1, "映画\\VIDEO_TS", 1000, 2000, -1, 0xFFFFFFFF, 42, "1.2").s);
  expect.raw(SideBytes(0, "映画\\VIDEO_TS", 0, 0, 0, 0, 0, "").s);
  expect.u32(static_cast<uint32_t>(-11)).u32(3).u32(1).u32(2).u32(3).u32(4).u32(5).u32(6).u32(7);
  expect.str("n").zeros(16).u32(5);
  EXPECT_EQ(Hex(Store(r)), Hex(expect.s));

  // Read back into a record the run made: the stored index wins.
  CurrentTable cur;
  cur.table.Resize(6);
  CZEKMergeFileInfo back(0, "other");
  EXPECT_EQ(back.m_nCommentIndex, 6);
  back.m_New.m_strDisp[0] = "row text";
  Load(back, expect.s);
  EXPECT_EQ(back.m_nCommentIndex, 5);
  EXPECT_EQ(back.m_nType, -11);
  EXPECT_EQ(back.m_New.m_tModify, -1);
  EXPECT_EQ(back.m_New.m_dwSize, 0xFFFFFFFFu);
  EXPECT_STREQ(back.m_New.m_strVersion, "1.2");
  EXPECT_STREQ(back.m_strNote, "n");
  EXPECT_EQ(back.m_tDiffFile, 0);
  EXPECT_EQ(Store(back), expect.s);
}

TEST(MergeRecord, ConstructorsAndTheCommentTable) {
  CurrentTable cur;
  CComment_Obj& t = cur.table;

  // Keep: the element of the key, made once and found again.
  CZEKMergeFileInfo a(1, "DVD\\映画A");
  EXPECT_EQ(a.m_nCommentIndex, 0);
  EXPECT_STREQ(t.GetAt(0)->m_strKey, "DVD\\映画A");
  EXPECT_EQ(t.GetAt(0)->m_dwHash, HashCommentKey("DVD\\映画A"));
  t.GetAt(0)->m_strComment = "見た";
  CZEKMergeFileInfo b(1, "DVD\\映画B");
  EXPECT_EQ(b.m_nCommentIndex, 1);
  CZEKMergeFileInfo again(1, "DVD\\映画A");
  EXPECT_EQ(again.m_nCommentIndex, 0);
  EXPECT_STREQ(t.GetAt(again.m_nCommentIndex)->GetComment(), "見た");
  CZEKMergeFileInfo upper(1, "DVD\\映画a");
  EXPECT_EQ(upper.m_nCommentIndex, 2);
  EXPECT_EQ(t.GetCount(), 3);

  // Without keep: always a new empty element, its key left empty.
  CZEKMergeFileInfo fresh(0, "DVD\\映画A");
  EXPECT_EQ(fresh.m_nCommentIndex, 3);
  EXPECT_EQ(t.GetCount(), 4);
  EXPECT_STREQ(t.GetAt(3)->m_strKey, "");

  // Made for reading: the table is left alone.
  CZEKMergeFileInfo read;
  EXPECT_EQ(t.GetCount(), 4);
  EXPECT_EQ(read.m_nCommentIndex, -1);

  // Init keeps the sides, the comment index and the diff file time.
  a.m_nType = 2;
  a.m_New.m_strName = "x";
  a.m_tDiffFile = 7;
  a.Init();
  EXPECT_EQ(a.m_nType, 0);
  EXPECT_STREQ(a.m_New.m_strName, "x");
  EXPECT_EQ(a.m_nCommentIndex, 0);
  EXPECT_EQ(a.m_tDiffFile, 7);
}

TEST(MergeRecord, StoredCommentIndexMustNameAnElement) {
  auto stream = [](LONG index, int tableSize) {
    CArchive ar;
    CZEKMergeFileInfo r;
    r.m_nCommentIndex = index;
    r.Serialize(ar);
    CComment_Obj t;
    t.Resize(tableSize);
    t.Serialize(ar);
    return Stored(ar);
  };
  auto read = [](const std::string& b) {
    return CauseOf([&] {
      CArchive ar(b.data(), b.size());
      CZEKMergeFileInfo r;
      r.Serialize(ar);
      CComment_Obj t;
      t.Serialize(ar);
    });
  };
  EXPECT_EQ(read(stream(5, 6)), -1);
  EXPECT_EQ(read(stream(6, 6)), CArchiveException::badIndex);
  EXPECT_EQ(read(stream(0, 0)), CArchiveException::badIndex);
  EXPECT_EQ(read(stream(-1, 6)), CArchiveException::badIndex);
}

// ---------------------------------------------------------------------------
// Totals

TEST(Totals, NineRowsOf61Bytes) {
  CZEKMergeSRCInfo t;
  t.m_strText = "not stored";
  EXPECT_EQ(Store(t).size(), 9u * (44 + 1 + 16));
  EXPECT_EQ(Store(t).size(), 549u);

  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 11; ++c) t.m_Row[r].m_dwCount[c] = static_cast<DWORD>(r * 100 + c);
  t.m_Row[8].m_dwCount[10] = 0xFFFFFFFF;
  Bytes expect;
  for (int r = 0; r < 9; ++r) {
    for (int c = 0; c < 11; ++c) expect.u32(r == 8 && c == 10 ? 0xFFFFFFFF : r * 100 + c);
    expect.str("").zeros(16);
  }
  EXPECT_EQ(Store(t), expect.s);

  CZEKMergeSRCInfo back;
  Load(back, expect.s);
  EXPECT_EQ(back.m_Row[3].m_dwCount[4], 304u);
  EXPECT_EQ(back.m_Row[8].m_dwCount[10], 0xFFFFFFFFu);
  back.Init();
  EXPECT_EQ(back.m_Row[3].m_dwCount[4], 0u);
}

// ---------------------------------------------------------------------------
// Header

TEST(Header, InitAndRoundTrip) {
  CZEKHeader h;
  EXPECT_EQ(h.m_wMajor, 1);
  EXPECT_EQ(h.m_dwMagic, 0x19571212u);
  EXPECT_EQ(h.m_nMode, 0);
  EXPECT_LT(h.m_strBanner.GetLength(), 128);
  EXPECT_LT(h.m_strUser.GetLength(), 16);
  EXPECT_STREQ(h.m_strSaveTime, "");
  const std::regex timeText(R"(\d{4}/\d\d/\d\d \((Sun|Mon|Tue|Wed|Thu|Fri|Sat)\)  \d\d:\d\d:\d\d)");
  EXPECT_TRUE(std::regex_match(std::string(h.m_strCreateTime), timeText)) << h.m_strCreateTime;

  h.m_wMinor = 2;
  h.m_wBuild = 13;
  h.m_nMode = 1;
  h.m_strText4to8[4] = "t8";
  const std::string b = Store(h);
  // Storing stamps version 1.0.0 and the save time.
  EXPECT_EQ(h.m_wMinor, 0);
  EXPECT_TRUE(std::regex_match(std::string(h.m_strSaveTime), timeText));

  using rectest::StrSize;
  auto len = [](const CString& s) { return static_cast<size_t>(s.GetLength()); };
  EXPECT_EQ(b.size(), 6 + 4 + StrSize(len(h.m_strBanner)) + StrSize(len(h.m_strUser)) +
                          StrSize(len(h.m_strCreateTime)) + 1 + 16 + 2 + StrSize(len(h.m_strSaveTime)) + 4 + 3 + 4);
  EXPECT_EQ(Hex(b.substr(0, 10)), "01 00 00 00 00 00 12 12 57 19");

  CZEKHeader back;
  back.m_strBanner = "x";
  Load(back, b);
  EXPECT_EQ(back.m_wMajor, 1);
  EXPECT_EQ(back.m_nMode, 1);
  EXPECT_STREQ(back.m_strBanner, h.m_strBanner);
  EXPECT_STREQ(back.m_strUser, h.m_strUser);
  EXPECT_STREQ(back.m_strCreateTime, h.m_strCreateTime);
  EXPECT_STREQ(back.m_strSaveTime, h.m_strSaveTime);
  EXPECT_STREQ(back.m_strText4to8[4], "t8");
}

TEST(Header, ForeignMagicFailsAtOnce) {
  CZEKHeader h;
  std::string b = Store(h);
  b[6] = 0x13;
  CZEKHeader back;
  int cause = CauseOf([&] {
    CArchive ar(b.data(), b.size());
    back.Serialize(ar);
  });
  EXPECT_EQ(cause, CArchiveException::badSchema);
  EXPECT_TRUE(CArchiveException(cause).IsFormatError());
}

// ---------------------------------------------------------------------------
// Comparison entry

namespace {

struct AppDefaults {
  AppDefaults() {
    theApp.m_strNewPath = "C:\\new";
    theApp.m_strOldPath = "D:\\ＤＶＤ";
    theApp.m_strDiffPath = "C:\\diff";
    theApp.m_nNewEntryMode = 1;
    theApp.m_strDefaultComment = "コメントを入力できます。";
    theApp.m_strFilterName = "Quarvex";
  }
};

}  // namespace

TEST(Entry, NewEntryAndItsStoredForm) {
  AppDefaults app;
  CZEKEnv_Label e;
  EXPECT_EQ(e.m_nId, 1);
  EXPECT_STREQ(e.m_strName, "");
  EXPECT_STREQ(e.m_strNewPath, "C:\\new");
  EXPECT_STREQ(e.m_strOldPath, "D:\\ＤＶＤ");
  EXPECT_STREQ(e.m_strDiffPath, "C:\\diff");
  EXPECT_EQ(e.m_nMode, 1);
  EXPECT_STREQ(e.m_strRunTime, "－－未作成－－");
  EXPECT_STREQ(e.m_strComment, "コメントを入力できます。");
  EXPECT_EQ(e.m_nState, 0);
  EXPECT_EQ(e.m_pRecordList, nullptr);
  EXPECT_EQ(e.m_pTotals, nullptr);

  e.m_strName = "名称未設定";
  const std::string b = Store(e);
  EXPECT_STREQ(e.m_strFilterName, "Quarvex");
  // No list and no totals: state is followed by the diff option.
  Bytes expect;
  expect.u32(1).str("名称未設定").str("C:\\new").str("D:\\ＤＶＤ").str("C:\\diff").u32(1).str("").zeros(12);
  expect.u32(0).str("－－未作成－－").str("").str("").str("").str("コメントを入力できます。");
  expect.u32(0).u32(0).u32(0).u32(0).u32(0).str("").str("").str("").u32(0);
  expect.u32(0).str("Quarvex").u16(static_cast<unsigned>(e.m_listFilterLines.GetCount()));
  for (POSITION pos = e.m_listFilterLines.GetHeadPosition(); pos;) expect.str(std::string(e.m_listFilterLines.GetNext(pos)));
  EXPECT_EQ(Hex(b), Hex(expect.s));
  ASSERT_GE(e.m_listFilterLines.GetCount(), 1);
  EXPECT_STREQ(e.m_listFilterLines.GetHead(), "Quarvex");
}

TEST(Entry, RoundTripWithRecordsAndTotals) {
  AppDefaults app;
  CurrentTable cur;
  CZEKEnv_Label e;
  e.m_nId = 7;
  e.m_strName = "保管庫";
  e.m_nModeCopy = 1;
  e.m_strRunTime = "2024/02/15 (Thu)  09:05:03";
  e.m_dwTotalGB = 465;
  e.m_dwUsedGB = 400;
  e.m_dwFreeGB = 65;
  e.m_dwVolumeSerial = 0xABCD1234;
  e.m_strRoot = "D:\\";
  e.m_strVolumeName = "ＤＶＤ倉庫";
  e.m_strFileSystem = "NTFS";
  e.m_nDiffOption = 3;
  e.m_nState = 2;
  e.m_pRecordList = new CObList;
  e.m_pTotals = new CZEKMergeSRCInfo;
  e.m_pTotals->m_Row[1].m_dwCount[2] = 12;
  for (int i = 0; i < 3; ++i) {
    auto* r = new CZEKMergeFileInfo(1, i == 1 ? "b" : "a");
    r->m_Old.m_strName = i == 1 ? "b" : "a";
    r->m_nExist = 2;
    e.m_pRecordList->AddTail(r);
  }
  e.m_nRecordCount = 3;
  e.m_listSpare.AddTail("not stored");

  CArchive ar;
  ar.WriteObject(&e);
  cur.table.Serialize(ar);
  const std::string b = Stored(ar);

  theApp.m_strFilterName = "something else";
  CArchive in(b.data(), b.size());
  CObject* ob = in.ReadObject(RUNTIME_CLASS(CZEKEnv_Label));
  CComment_Obj table;
  table.Serialize(in);
  auto* back = static_cast<CZEKEnv_Label*>(ob);
  EXPECT_EQ(back->m_nId, 7);
  EXPECT_STREQ(back->m_strName, "保管庫");
  EXPECT_EQ(back->m_nModeCopy, 1);
  EXPECT_STREQ(back->m_strRunTime, "2024/02/15 (Thu)  09:05:03");
  EXPECT_EQ(back->m_dwTotalGB, 465u);
  EXPECT_EQ(back->m_dwVolumeSerial, 0xABCD1234u);
  EXPECT_STREQ(back->m_strVolumeName, "ＤＶＤ倉庫");
  EXPECT_EQ(back->m_nDiffOption, 3);
  EXPECT_EQ(back->m_nState, 2);
  EXPECT_EQ(back->m_nRecordCount, 3);
  ASSERT_NE(back->m_pRecordList, nullptr);
  ASSERT_EQ(back->m_pRecordList->GetCount(), 3);
  EXPECT_EQ(back->m_pTotals->m_Row[1].m_dwCount[2], 12u);
  EXPECT_EQ(back->m_listSpare.GetCount(), 0);
  POSITION pos = back->m_pRecordList->GetHeadPosition();
  int indexes[3];
  for (int& i : indexes) i = static_cast<CZEKMergeFileInfo*>(back->m_pRecordList->GetNext(pos))->m_nCommentIndex;
  EXPECT_EQ(indexes[0], 0);
  EXPECT_EQ(indexes[1], 1);
  EXPECT_EQ(indexes[2], 0);
  EXPECT_EQ(table.GetCount(), 2);
  // The stored profile came back, with its name.
  EXPECT_STREQ(back->m_strFilterName, "Quarvex");
  EXPECT_STREQ(theApp.m_strFilterName, "Quarvex");
  EXPECT_EQ(back->m_listFilterLines.GetCount(), e.m_listFilterLines.GetCount());
  delete back;
}

TEST(Entry, StateWithoutRecordsStaysReadable) {
  AppDefaults app;
  CZEKEnv_Label e;
  e.m_nState = 1;  // results claimed, none held
  const std::string b = Store(e);
  CZEKEnv_Label back;
  Load(back, b);
  EXPECT_EQ(back.m_nState, 1);
  ASSERT_NE(back.m_pRecordList, nullptr);
  EXPECT_EQ(back.m_pRecordList->GetCount(), 0);
  ASSERT_NE(back.m_pTotals, nullptr);

  // Init on an entry with results frees them.
  back.Init();
  EXPECT_EQ(back.m_nState, 0);
  EXPECT_EQ(back.m_pRecordList, nullptr);
  EXPECT_EQ(back.m_pTotals, nullptr);
}

TEST(Entry, ReadDriveInfo) {
  qvtest::TempDir dir;
  std::filesystem::create_directories(dir / "Video/2024");
  const std::string drives = "C=/;T=" + dir.str();
  const char* old = getenv("QUARVEX_DRIVES");
  std::string saved = old ? old : "";
  setenv("QUARVEX_DRIVES", drives.c_str(), 1);

  struct statvfs s;
  ASSERT_EQ(statvfs(dir.str().c_str(), &s), 0);
  const unsigned long long total = static_cast<unsigned long long>(s.f_blocks) * s.f_frsize;

  CZEKEnv_Label e;
  e.ReadDriveInfo("T:\\Video\\2024");
  EXPECT_STREQ(e.m_strRoot, "T:\\");
  EXPECT_EQ(e.m_dwTotalGB, static_cast<DWORD>(total >> 30));
  EXPECT_LE(e.m_dwUsedGB, e.m_dwTotalGB);
  EXPECT_LE(e.m_dwFreeGB, e.m_dwTotalGB);
  EXPECT_NEAR(static_cast<double>(e.m_dwUsedGB) + e.m_dwFreeGB, static_cast<double>(e.m_dwTotalGB), 1.0);

  // A drive that does not exist: nothing of the earlier values stays.
  e.m_strVolumeName = "old";
  e.m_strFileSystem = "old";
  e.m_dwVolumeSerial = 99;
  e.ReadDriveInfo("Q:\\nothing\\here");
  EXPECT_STREQ(e.m_strRoot, "Q:\\");
  EXPECT_EQ(e.m_dwTotalGB, 0u);
  EXPECT_EQ(e.m_dwUsedGB, 0u);
  EXPECT_EQ(e.m_dwFreeGB, 0u);
  EXPECT_EQ(e.m_dwVolumeSerial, 0u);
  EXPECT_STREQ(e.m_strVolumeName, "");
  EXPECT_STREQ(e.m_strFileSystem, "");

  e.ReadDriveInfo("");
  EXPECT_STREQ(e.m_strRoot, "");

  if (old)
    setenv("QUARVEX_DRIVES", saved.c_str(), 1);
  else
    unsetenv("QUARVEX_DRIVES");
}
