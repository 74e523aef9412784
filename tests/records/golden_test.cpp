// The bytes of a saved document, laid out by hand field by field, and what a
// second save of a loaded document changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>

#include "app/ZEKApp.h"
#include "records/Comment.h"
#include "records/EnvLabel.h"
#include "records/FileInfo.h"
#include "records/ProfileText.h"
#include "records/ZEKDoc.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

// Little-endian fields, appended one after the other.
struct Out {
  std::string b;
  Out& byte(unsigned v) {
    b += static_cast<char>(v & 0xFF);
    return *this;
  }
  Out& word(unsigned v) { return byte(v).byte(v >> 8); }
  Out& dword(uint32_t v) { return word(v & 0xFFFF).word(v >> 16); }
  Out& zeros(size_t n) {
    b.append(n, '\0');
    return *this;
  }
  // Strings shorter than 255 bytes: one length byte.
  Out& str(std::string_view s) {
    EXPECT_LT(s.size(), 255u);
    byte(static_cast<unsigned>(s.size()));
    b += s;
    return *this;
  }
};

const char kUser[] = "tester";
const char kCreated[] = "2024/02/15 (Thu)  09:05:03";
const char kRunTime[] = "2024/02/15 (Thu)  10:00:00";
const char* const kProfileLines[] = {
    "Quarvex",
    "－－－－－　対象拡張子", ".vob", ".ifo",
    "－－－－－　対象ファイル名称", "video_ts.ifo",
    "－－－－－　対象外拡張子", "　　無し　　",
    "－－－－－　対象外フォルダ名称", "　　無し　　",
};

// Makes the profile of kProfileLines the active one, as opening a document
// that carries it does.
void ActivateProfile(const char* const* lines, size_t n) {
  CStringList list;
  for (size_t i = 0; i < n; ++i) list.AddTail(lines[i]);
  ParseProfileText(theApp.m_strFilterName, list);
}

class GoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The profile confirmed at start-up, which a new document takes.
    theApp.m_strFilterNameLoaded = "Quarvex";
    ActivateProfile(kProfileLines, std::size(kProfileLines));
  }
  void TearDown() override {
    theApp.m_strFilterName.Empty();
    theApp.m_strFilterNameLoaded.Empty();
  }

  // One entry with two merge records and one comment.
  static void Fill(CZEKDoc& doc) {
    CZEKHeader& h = doc.m_Header;
    h.m_strUser = kUser;
    h.m_strCreateTime = kCreated;

    CZEKEnv_Label& e = *doc.m_pCurrentEntry;
    e.m_strName = "DVD棚";
    e.m_strOldPath = "D:\\Video";
    e.m_strNewPath.Empty();
    e.m_strDiffPath.Empty();
    e.m_nMode = 1;
    e.m_nModeCopy = 1;
    e.m_strRunTime = kRunTime;
    e.m_strComment = "棚の中身";
    e.m_dwTotalGB = 465;
    e.m_dwUsedGB = 400;
    e.m_dwFreeGB = 65;
    e.m_dwVolumeSerial = 0xABCD1234;
    e.m_nRecordCount = 2;
    e.m_strRoot = "D:\\";
    e.m_strVolumeName = "VIDEO";
    e.m_strFileSystem = "NTFS";
    e.m_nState = 1;
    e.m_pRecordList = new CObList;
    e.m_pTotals = new CZEKMergeSRCInfo;
    e.m_pTotals->m_Row[1].m_dwCount[1] = 2;
    e.m_pTotals->m_Row[1].m_dwCount[2] = 300;

    auto* r1 = new CZEKMergeFileInfo;
    r1->m_New.m_strName = "Movie1";
    r1->m_Old.m_nExists = 1;
    r1->m_Old.m_strName = "Movie1";
    r1->m_Old.m_tCreate = 1700000000;
    r1->m_Old.m_tAccess = 1700000100;
    r1->m_Old.m_tModify = 1700000200;
    r1->m_Old.m_dwSize = 4096;
    r1->m_nType = 1;
    r1->m_nExist = 2;
    r1->m_nCommentIndex = 0;
    e.m_pRecordList->AddTail(r1);

    auto* r2 = new CZEKMergeFileInfo;
    for (CZEKFileInfo* side : {&r2->m_New, &r2->m_Old}) {
      side->m_nExists = 1;
      side->m_strName = "表\\VIDEO_TS";
      side->m_dwLines = 100;
      side->m_strVersion = "1.0";
    }
    r2->m_New.m_dwLines = 103;
    r2->m_nType = 3;
    r2->m_nExist = 3;
    r2->m_nDelLines = 1;
    r2->m_nAddLines = 4;
    r2->m_nChgLines = 5;
    r2->m_nRangeAdd = 2;
    r2->m_nRangeDel = 1;
    r2->m_nRangeChgRight = 2;
    r2->m_nRangeChgLeft = -1;
    r2->m_nCommentIndex = 0;
    e.m_pRecordList->AddTail(r2);

    doc.m_Comment.AddNew();
    doc.m_Comment.GetAt(0)->SetKey("Movie1");
    doc.m_Comment.GetAt(0)->m_strComment = "名作";
  }

  static void Side(Out& o, uint32_t exists, const char* name, uint32_t c, uint32_t a, uint32_t m, uint32_t size,
                   uint32_t lines, const char* version) {
    o.dword(exists).str(name).dword(c).dword(a).dword(m).dword(size).dword(lines).str(version).zeros(16);
  }

  // The file, in three pieces: up to the filter name, the filter name and
  // lines, and the rest.
  struct Expected {
    std::string head, filter, tail;
    std::string all() const { return head + filter + tail; }
  };

  static std::string FilterBytes(const char* name, const char* const* lines, size_t n) {
    Out o;
    o.str(name).word(static_cast<unsigned>(n));
    for (size_t i = 0; i < n; ++i) o.str(lines[i]);
    return o.b;
  }

  static Expected Build(const CString& banner, const CString& saveTime) {
    Expected x;
    Out o;
    // Header.
    o.word(1).word(0).word(0).dword(0x19571212);
    o.str(banner.View()).str(kUser).str(kCreated).str("").zeros(16).str("").str("");
    o.str(saveTime.View());
    for (int i = 0; i < 5; ++i) o.str("");
    o.dword(1);  // mode
    // Entry list: one entry, a new class record.
    o.word(1).word(0xFFFF).word(0).word(13);
    o.b += "CZEKEnv_Label";
    o.dword(1).str("DVD棚").str("").str("D:\\Video").str("").dword(1).str("").zeros(12);
    o.dword(1).str(kRunTime).str("").str("").str("").str("棚の中身");
    o.dword(465).dword(400).dword(65).dword(0xABCD1234).dword(2);
    o.str("D:\\").str("VIDEO").str("NTFS").dword(1);
    // Record list: the class record (index 3) with the first record (4),
    // then the second tagged with the class index.
    o.word(2).word(0xFFFF).word(0).word(17);
    o.b += "CZEKMergeFileInfo";
    Side(o, 0, "Movie1", 0, 0, 0, 0, 0, "");
    Side(o, 1, "Movie1", 1700000000, 1700000100, 1700000200, 4096, 0, "");
    o.dword(1).dword(2);
    for (int i = 0; i < 7; ++i) o.dword(0);
    o.str("").zeros(16).dword(0);
    o.word(0x8003);
    Side(o, 1, "表\\VIDEO_TS", 0, 0, 0, 0, 103, "1.0");
    Side(o, 1, "表\\VIDEO_TS", 0, 0, 0, 0, 100, "1.0");
    o.dword(3).dword(3).dword(1).dword(4).dword(5).dword(2).dword(1).dword(2).dword(0xFFFFFFFF);
    o.str("").zeros(16).dword(0);
    // Totals: nine rows of eleven counters, an empty string, 16 zeros.
    for (int row = 0; row < 9; ++row) {
      for (int c = 0; c < 11; ++c) o.dword(row == 1 && c == 1 ? 2 : row == 1 && c == 2 ? 300 : 0);
      o.str("").zeros(16);
    }
    o.dword(0);  // diff option
    x.head = o.b;
    x.filter = FilterBytes("Quarvex", kProfileLines, std::size(kProfileLines));
    // Current id, view code, comment table of one element.
    Out t;
    t.dword(1).dword(0x0C02).dword(1).str("名作").dword(0x231).str("Movie1");
    x.tail = t.b;
    return x;
  }

  qvtest::TempDir tmp_;
  qvtest::DriveT drive_{tmp_};
  qvtest::ScriptedPeople people_;
};

TEST_F(GoldenTest, SmallDocumentIsLaidOutByteForByte) {
  CZEKDoc doc;
  Fill(doc);
  ASSERT_TRUE(doc.OnSaveDocument("T:\\golden.qvx"));
  const CString saveTime = doc.m_Header.m_strSaveTime;
  EXPECT_TRUE(std::regex_match(saveTime.GetString(),
                               std::regex(R"(\d{4}/\d\d/\d\d \((Sun|Mon|Tue|Wed|Thu|Fri|Sat)\)  \d\d:\d\d:\d\d)")))
      << saveTime.GetString();

  const Expected x = Build(doc.m_Header.m_strBanner, saveTime);
  const std::string file = qvtest::ReadFile(tmp_ / "golden.qvx");
  ASSERT_EQ(file.size(), x.all().size());
  for (size_t i = 0; i < file.size(); ++i) ASSERT_EQ(file[i], x.all()[i]) << "first difference at byte " << i;

  // And it reads back into the same fields.
  CZEKDoc reader;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\golden.qvx"));
  CZEKEnv_Label& e = *reader.m_pCurrentEntry;
  EXPECT_EQ(e.m_strName, "DVD棚");
  ASSERT_NE(e.m_pRecordList, nullptr);
  auto* r2 = static_cast<CZEKMergeFileInfo*>(e.m_pRecordList->GetTail());
  EXPECT_EQ(r2->m_Old.m_strName, "表\\VIDEO_TS");
  EXPECT_EQ(r2->m_nRangeChgLeft, -1);
  EXPECT_EQ(reader.m_Comment.GetAt(r2->m_nCommentIndex)->m_strComment, "名作");
  EXPECT_EQ(reader.m_Header.m_strSaveTime, saveTime);
}

TEST_F(GoldenTest, ResavingALoadedDocumentRenewsOnlyTheSaveTimeAndTheFilter) {
  CZEKDoc doc;
  Fill(doc);
  ASSERT_TRUE(doc.OnSaveDocument("T:\\first.qvx"));
  const Expected first = Build(doc.m_Header.m_strBanner, doc.m_Header.m_strSaveTime);
  ASSERT_EQ(qvtest::ReadFile(tmp_ / "first.qvx"), first.all());

  // Another profile is active while the file is opened elsewhere; opening
  // installs the document's own again.
  const char* const other[] = {"Other", "－－－－－　対象拡張子", ".mkv"};
  ActivateProfile(other, std::size(other));
  CZEKDoc reader;
  ASSERT_TRUE(reader.OnOpenDocument("T:\\first.qvx"));
  EXPECT_EQ(theApp.m_strFilterName, "Quarvex");
  ASSERT_TRUE(reader.OnSaveDocument("T:\\second.qvx"));
  const Expected second = Build(doc.m_Header.m_strBanner, reader.m_Header.m_strSaveTime);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "second.qvx"), second.all());

  // With another profile chosen before the save, the stored filter follows
  // it and nothing else changes.
  ActivateProfile(other, std::size(other));
  ASSERT_TRUE(reader.OnSaveDocument("T:\\third.qvx"));
  Expected third = Build(doc.m_Header.m_strBanner, reader.m_Header.m_strSaveTime);
  const char* const otherWritten[] = {
      "Other",
      "－－－－－　対象拡張子", ".mkv",
      "－－－－－　対象ファイル名称", "　　無し　　",
      "－－－－－　対象外拡張子", "　　無し　　",
      "－－－－－　対象外フォルダ名称", "　　無し　　",
  };
  third.filter = FilterBytes("Other", otherWritten, std::size(otherWritten));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "third.qvx"), third.all());
}

}  // namespace
