// Profile text form: writing the active profile, reading a document's text
// into the document slot, and the entry-mode selection look-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/FileTypeProfile.h"
#include "records/ProfileText.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

const std::string H1 = kProfileHeaderTargetExt;
const std::string H2 = kProfileHeaderTargetName;
const std::string H3 = kProfileHeaderExcludedExt;
const std::string H4 = kProfileHeaderExcludedDir;
const std::string NONE = kProfileNoneLine;

std::vector<std::string> Texts(const CStringList& list) {
  std::vector<std::string> out;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.emplace_back(list.GetNext(pos).GetString());
  return out;
}

void Fill(CStringList& list, const std::vector<std::string>& lines) {
  list.RemoveAll();
  for (const std::string& l : lines) list.AddTail(l.c_str());
}

class ProfileTextTest : public ::testing::Test {
 protected:
  ProfileTextTest() {
    ClearFileTypeProfiles();
    const std::string ini = qvtest::CrlfLines(
        {"[Quarvex]", "Extension_Kind_001=Q", "Extension_Kind_002=Text", "Extension_Kind_003=Src",
         "Extension_Kind_004=Text,Src", "Extension_Kind_005=Wild", "[Text]", "Extension_Type_001=TXT",
         "Extension_Type_002=log", "Fixed_Name_001=ReadMe", "Exclusive_Type_001=bak", "[Src]", "Extension_Type_001=c",
         "Extension_Type_002=h", "[Text,Src]", "Extension_Type_001=md", "[Wild]", "Extension_Type_001=*"});
    qvtest::WriteFile(tmp_ / "Quarvex.ini", ini);
    EXPECT_TRUE(LoadFileTypeProfiles("Text", (tmp_ / "Quarvex.ini").c_str()));
  }
  ~ProfileTextTest() override { ClearFileTypeProfiles(); }

  qvtest::TempDir tmp_;
  qvtest::ScriptedPeople people_;
};

TEST_F(ProfileTextTest, HeadersAreCodePage932Bytes) {
  EXPECT_EQ(H1, "\x81\x7c\x81\x7c\x81\x7c\x81\x7c\x81\x7c\x81\x40" "対象拡張子");
  EXPECT_EQ(NONE, "\x81\x40\x81\x40" "無し" "\x81\x40\x81\x40");
}

TEST_F(ProfileTextTest, PlainProfileText) {
  CStringList lines;
  lines.AddTail("old");
  ProfileToText("Text", lines);
  EXPECT_EQ(Texts(lines), (std::vector<std::string>{"Text", H1, "txt", "log", H2, "readme", H3, "bak", H4, NONE}));
}

TEST_F(ProfileTextTest, CompositeProfileText) {
  FindProfileByName("Text,Src");
  CStringList lines;
  ProfileToText("Text,Src", lines);
  EXPECT_EQ(Texts(lines), (std::vector<std::string>{"Text,Src", H1, "md", "        [Text]", "txt", "log",
                                                    "        [Src]", "c", "h", H2, "        [Text]", "readme",
                                                    "        [Src]", H3, "        [Text]", "bak", "        [Src]",
                                                    H4, "        [Text]", "        [Src]"}));
}

TEST_F(ProfileTextTest, ParseFillsTheDocumentSlot) {
  CString name = "before";
  CStringList lines;
  Fill(lines, {"Doc", H1, "a1", "a2", "a3", "a4", "a5", H2, "Name One", H3, "tmp", H4, "Work"});
  ParseProfileText(name, lines);
  EXPECT_EQ(name, "Doc");
  EXPECT_EQ(GetCurrentProfile(), FILETYPE_DOCUMENT_SLOT);
  const FileTypeProfile& doc = g_fileTypeProfiles[FILETYPE_DOCUMENT_SLOT];
  EXPECT_STREQ(doc.name, "");
  EXPECT_STREQ(doc.targetExt[4].text, "a5");
  EXPECT_STREQ(doc.targetName[0].text, "Name One");  // as stored, no case change
  // The excluded sections come back as excluded lists, never as targets.
  EXPECT_EQ(doc.targetName[1].used, 0u);
  EXPECT_STREQ(doc.excludedExt[0].text, "tmp");
  EXPECT_STREQ(doc.excludedDir[0].text, "Work");

  // A shorter text read afterwards leaves exactly its own rows.
  Fill(lines, {"Doc2", H1, "b1", "b2", "b3", H2, NONE, H3, NONE, H4, NONE});
  ParseProfileText(name, lines);
  EXPECT_EQ(name, "Doc2");
  EXPECT_STREQ(doc.targetExt[2].text, "b3");
  EXPECT_EQ(doc.targetExt[3].used, 0u);
  EXPECT_EQ(doc.targetName[0].used, 0u);
  EXPECT_EQ(doc.excludedExt[0].used, 0u);
  EXPECT_EQ(doc.excludedDir[0].used, 0u);

  // The document's profile classifies the next run.
  char ext[256];
  EXPECT_EQ(ClassifyFileName("x.B2", ext), FILETYPE_CODE_TARGET_EXT);

  // An empty text keeps the name and leaves the target lists empty.
  lines.RemoveAll();
  ParseProfileText(name, lines);
  EXPECT_EQ(name, "Doc2");
  EXPECT_EQ(doc.targetExt[0].used, 0u);
  EXPECT_EQ(GetCurrentProfile(), FILETYPE_DOCUMENT_SLOT);
}

TEST_F(ProfileTextTest, TextRoundTripsThroughTheDocumentSlot) {
  for (const char* profile : {"Text", "Text,Src"}) {
    FindProfileByName(profile);
    CStringList written;
    ProfileToText(profile, written);
    CString name;
    ParseProfileText(name, written);
    EXPECT_EQ(name, profile);
    CStringList again;
    ProfileToText(name, again);
    EXPECT_EQ(Texts(again), Texts(written)) << profile;
  }
}

TEST_F(ProfileTextTest, OverlongAndSurplusLinesStopAtTheLimits) {
  std::string kanji;
  for (int i = 0; i < 300; ++i) kanji += "表";
  std::vector<std::string> text = {"Doc", H1, "x" + kanji, H2, "y" + kanji, H3, H4};
  for (int i = 0; i < 200; ++i) text.push_back("dir" + std::to_string(i));
  CStringList lines;
  Fill(lines, text);
  CString name;
  ParseProfileText(name, lines);
  const FileTypeProfile& doc = g_fileTypeProfiles[FILETYPE_DOCUMENT_SLOT];
  EXPECT_EQ(doc.targetExt[0].length, 31u);  // "x" and 15 whole characters
  EXPECT_EQ(std::string(doc.targetExt[0].text), ("x" + kanji).substr(0, 31));
  EXPECT_EQ(doc.targetName[0].length, 255u);
  EXPECT_EQ(doc.excludedDir[127].used, 1u);
  EXPECT_STREQ(doc.excludedDir[127].text, "dir127");
  EXPECT_EQ(doc.totalCount[FILETYPE_LIST_EXCLUDED_DIR], 128);

  // Writing it back gives 128 folder lines, no more.
  CStringList again;
  ProfileToText(name, again);
  EXPECT_EQ(again.GetCount(), 1 + 4 + 1 + 1 + 1 + 128);
}

TEST_F(ProfileTextTest, EntryAttributeOfAFileName) {
  FindProfileByName("Text");
  SelectProfile(GetCurrentProfile());
  EXPECT_EQ(GetEntryAttribute("dir\\notes.txt"), 1u);
  EXPECT_EQ(GetEntryAttribute("NOTES.TXT"), 1u);  // names keep the case found on disk
  EXPECT_EQ(GetEntryAttribute("a.tar"), 0u);
  EXPECT_EQ(GetEntryAttribute("ReadMe"), 1u);
  EXPECT_EQ(GetEntryAttribute("ReadMe."), 0u);  // an empty extension compares the whole name
  EXPECT_EQ(GetEntryAttribute("Other"), 0u);
  ProfileWorkingCopy.targetExt[1].attribute = 0;  // "log" unchecked
  EXPECT_EQ(GetEntryAttribute("run.log"), 0u);
}

}  // namespace
