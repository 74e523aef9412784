// File-type profile loader, look-ups and classification against settings
// files in a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/FileTypeProfile.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

using qvtest::CrlfLines;

std::string Key(const char* prefix, int n) {
  char buf[64];
  snprintf(buf, sizeof buf, "%s_%03d=", prefix, n);
  return buf;
}

std::vector<std::string> ListTexts(const CStringList& list) {
  std::vector<std::string> out;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.emplace_back(list.GetNext(pos).GetString());
  return out;
}

template <typename Entry>
std::vector<std::string> Rows(const Entry* entries) {
  std::vector<std::string> out;
  for (int i = 0; i < FILETYPE_ROWS && entries[i].used == 1; ++i) {
    EXPECT_EQ(entries[i].length, strlen(entries[i].text));
    out.emplace_back(entries[i].text);
  }
  return out;
}

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() { ClearFileTypeProfiles(); }
  ~ProfileTest() override { ClearFileTypeProfiles(); }

  BOOL Load(const std::string& ini, const char* name) {
    qvtest::WriteFile(tmp_ / "Quarvex.ini", ini);
    path_ = (tmp_ / "Quarvex.ini").string();
    return LoadFileTypeProfiles(name, path_.c_str());
  }
  const FileTypeProfile& Slot(int i) { return g_fileTypeProfiles[i]; }

  qvtest::TempDir tmp_;
  std::string path_;
  qvtest::ScriptedPeople people_;
};

TEST_F(ProfileTest, ListsEndAtFirstEmptyKeyAndAreLowerCased) {
  ASSERT_TRUE(Load(
      CrlfLines({"[Quarvex]", "Extension_Kind_001=Quarvex", "Extension_Kind_002=Text", "Extension_Kind_004=Src",
                 "Extension_Type_001=VOB", "Extension_Type_002=Iso", "Extension_Type_003=", "Extension_Type_004=mkv",
                 "[Text]", "Fixed_Name_001=Read Me.TXT", "Exclusive_Type_001=BAK", "Exclusive_Dir_001=Work",
                 "Exclusive_Dir_003=skipped", "[Src]", "Extension_Type_001=cpp"}),
      "Src"));
  EXPECT_EQ(Rows(Slot(0).targetExt), (std::vector<std::string>{"vob", "iso"}));
  EXPECT_EQ(Slot(0).ownCount[0], 2);
  EXPECT_EQ(Slot(0).totalCount[0], 2);
  EXPECT_EQ(Rows(Slot(1).targetName), (std::vector<std::string>{"read me.txt"}));
  EXPECT_EQ(Rows(Slot(1).excludedExt), (std::vector<std::string>{"bak"}));
  EXPECT_EQ(Rows(Slot(1).excludedDir), (std::vector<std::string>{"work"}));
  // A missing third name leaves slot 2 free; later slots keep their numbers.
  EXPECT_STREQ(Slot(2).name, "");
  EXPECT_STREQ(Slot(3).name, "Src");
  EXPECT_EQ(GetCurrentProfile(), 3);

  CStringList names;
  EXPECT_STREQ(ListProfileNames(names), "Src");
  EXPECT_EQ(ListTexts(names), (std::vector<std::string>{"Quarvex", "Text", "Src"}));
}

TEST_F(ProfileTest, ActivationByName) {
  const std::string ini = CrlfLines({"[Quarvex]", "Extension_Kind_001=A", "Extension_Kind_002=Dup",
                                     "Extension_Kind_003=B", "Extension_Kind_004=Dup"});
  ASSERT_TRUE(Load(ini, "dup"));  // letter case counts: nothing matches
  EXPECT_EQ(GetCurrentProfile(), 0);
  ASSERT_TRUE(Load(ini, "Dup"));  // the loader keeps the last match
  EXPECT_EQ(GetCurrentProfile(), 3);
  FindProfileByName("Dup");  // the look-up takes the first
  EXPECT_EQ(GetCurrentProfile(), 1);
  FindProfileByName("B");
  EXPECT_EQ(GetCurrentProfile(), 2);
  FindProfileByName("none");
  EXPECT_EQ(GetCurrentProfile(), 0);
}

TEST_F(ProfileTest, CompositeProfilesMergeInOrder) {
  ASSERT_TRUE(
      Load(CrlfLines({"[Quarvex]", "Extension_Kind_001=Base", "Extension_Kind_002=Text", "Extension_Kind_003=Src",
                      "Extension_Kind_004=Text,Src", "Extension_Kind_005=Base,Text", "Extension_Kind_006=Src,Text",
                      "[Base]", "Extension_Type_001=dat", "[Text]", "Extension_Type_001=txt", "Extension_Type_002=log",
                      "Fixed_Name_001=readme", "[Src]", "Extension_Type_001=c", "Extension_Type_002=h",
                      "Exclusive_Dir_001=obj", "[Text,Src]", "Extension_Type_001=md"}),
           "Text,Src"));
  const FileTypeProfile& p = Slot(3);
  EXPECT_EQ(GetCurrentProfile(), 3);
  EXPECT_EQ(p.includes[0], 2);
  EXPECT_EQ(p.includes[1], 1);
  EXPECT_EQ(p.includes[2], 2);
  EXPECT_EQ(Rows(p.targetExt), (std::vector<std::string>{"md", "txt", "log", "c", "h"}));
  EXPECT_EQ(p.ownCount[0], 1);
  EXPECT_EQ(p.totalCount[0], 5);
  EXPECT_EQ(Rows(p.targetName), (std::vector<std::string>{"readme"}));
  EXPECT_EQ(Rows(p.excludedDir), (std::vector<std::string>{"obj"}));
  // Slot 0 ends an include list: the first profile and those after it add nothing.
  EXPECT_EQ(Slot(4).includes[0], 2);
  EXPECT_EQ(Rows(Slot(4).targetExt), std::vector<std::string>{});
  EXPECT_EQ(Rows(Slot(5).targetExt), (std::vector<std::string>{"c", "h", "txt", "log"}));
}

TEST_F(ProfileTest, CompositeNamingUnknownProfileFails) {
  const std::string ini =
      CrlfLines({"[Quarvex]", "Extension_Kind_001=Text", "Extension_Kind_002=Src", "Extension_Kind_003=Text, Src"});
  people_.QueueAnswer(IDOK);
  EXPECT_FALSE(Load(ini, "Text"));
  ASSERT_EQ(people_.Calls().size(), 1u);
  EXPECT_EQ(people_.Calls()[0].text, "フィルタ名称に誤りがあります。 \n (複数指定=Text, Src , 誤記= Src)");
  EXPECT_EQ(people_.Calls()[0].Buttons(), MB_OK);
}

TEST_F(ProfileTest, EmptyPieceIncludesTheFirstFreeSlot) {
  ASSERT_TRUE(Load(CrlfLines({"[Quarvex]", "Extension_Kind_001=Q", "Extension_Kind_002=Text",
                              "Extension_Kind_004=Text,", "[Text]", "Extension_Type_001=txt"}),
                   "Q"));
  EXPECT_EQ(Slot(3).includes[0], 2);
  EXPECT_EQ(Slot(3).includes[2], 2);  // slot 2 is the first free one
  EXPECT_EQ(Rows(Slot(3).targetExt), (std::vector<std::string>{"txt"}));
}

TEST_F(ProfileTest, RowsStopAt128) {
  std::vector<std::string> lines = {"[Quarvex]", "Extension_Kind_001=Q", "Extension_Kind_002=Big",
                                    "Extension_Kind_003=Other", "Extension_Kind_004=Big,Other", "[Big]"};
  for (int j = 1; j <= 200; ++j) lines.push_back(Key("Extension_Type", j) + "e" + std::to_string(j));
  for (int j = 1; j <= 200; ++j) lines.push_back(Key("Exclusive_Dir", j) + "d" + std::to_string(j));
  lines.push_back("[Other]");
  for (int j = 1; j <= 100; ++j) lines.push_back(Key("Extension_Type", j) + "o" + std::to_string(j));
  lines.push_back("Fixed_Name_001=after");
  ASSERT_TRUE(Load(CrlfLines(lines), "Big,Other"));

  const FileTypeProfile& big = Slot(1);
  EXPECT_EQ(big.ownCount[0], 128);
  EXPECT_STREQ(big.targetExt[127].text, "e128");
  EXPECT_EQ(big.ownCount[3], 128);
  EXPECT_STREQ(big.excludedDir[127].text, "d128");

  // The composite holds 128 rows of its merged list and no more.
  const FileTypeProfile& both = Slot(3);
  EXPECT_EQ(both.totalCount[0], 128);
  EXPECT_STREQ(both.targetExt[127].text, "e128");
  EXPECT_EQ(both.totalCount[1], 1);
  EXPECT_STREQ(both.targetName[0].text, "after");
  EXPECT_EQ(both.totalCount[3], 128);
}

TEST_F(ProfileTest, MoreThanFifteenIncludesStopAtFifteen) {
  std::vector<std::string> lines = {"[Quarvex]", "Extension_Kind_001=Q"};
  std::string composite;
  for (int i = 1; i <= 20; ++i) {
    lines.push_back(Key("Extension_Kind", i + 1) + "p" + std::to_string(i));
    composite += (i > 1 ? "," : "") + std::string("p") + std::to_string(i);
  }
  lines.push_back(Key("Extension_Kind", 22) + composite);
  for (int i = 1; i <= 20; ++i) {
    lines.push_back("[p" + std::to_string(i) + "]");
    lines.push_back("Extension_Type_001=x" + std::to_string(i));
  }
  ASSERT_TRUE(Load(CrlfLines(lines), composite.c_str()));
  const FileTypeProfile& c = Slot(21);
  EXPECT_EQ(GetCurrentProfile(), 21);
  EXPECT_EQ(c.includes[0], 15);
  EXPECT_EQ(c.includes[15], 15);
  EXPECT_EQ(c.totalCount[0], 15);
  EXPECT_STREQ(c.targetExt[14].text, "x15");
  EXPECT_EQ(c.targetExt[15].used, 0u);
}

// Names and values of 1000 bytes are held to the table's widths without
// splitting a double-byte character; the profile stays usable.
TEST_F(ProfileTest, OverlongNamesAndValues) {
  std::string name;
  for (int i = 0; i < 500; ++i) name += "表";  // 95 5C each
  std::string longExt = "a" + name.substr(0, 998);
  std::string longFile = "b" + name.substr(0, 998) + "z";
  ASSERT_TRUE(Load(CrlfLines({"[Quarvex]", "Extension_Kind_001=Q", "Extension_Kind_002=" + name,
                              "Extension_Kind_003=" + name + ",Q", "[" + name + "]", "Extension_Type_001=" + longExt,
                              "Fixed_Name_001=" + longFile, "Exclusive_Dir_001=" + name}),
                   name.c_str()));
  EXPECT_EQ(GetCurrentProfile(), 1);
  const FileTypeProfile& p = Slot(1);
  EXPECT_EQ(strlen(p.name), 254u);
  EXPECT_EQ(std::string(p.name), name.substr(0, 254));
  EXPECT_EQ(p.targetExt[0].length, 31u);  // "a" and 15 whole characters
  EXPECT_EQ(std::string(p.targetExt[0].text), longExt.substr(0, 31));
  EXPECT_EQ(p.targetName[0].length, 255u);
  EXPECT_EQ(p.excludedDir[0].length, 30u);
  // The composite naming it found it and took its rows.
  EXPECT_EQ(Slot(2).includes[0], 2);
  EXPECT_EQ(Slot(2).includes[1], 1);
  EXPECT_EQ(Slot(2).totalCount[0], 1);
  EXPECT_EQ(strlen(Slot(2).name), 254u);
  // The full name finds the profile again later.
  FindProfileByName("Q");
  FindProfileByName(name.c_str());
  EXPECT_EQ(GetCurrentProfile(), 1);
}

class ClassifyTest : public ProfileTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        Load(CrlfLines({"[Quarvex]", "Extension_Kind_001=Q", "Extension_Kind_002=Plain", "Extension_Kind_003=Wild",
                        "[Plain]", "Extension_Type_001=txt", "Extension_Type_002=gz", "Extension_Type_003=log",
                        "Fixed_Name_001=Makefile", "Fixed_Name_002=ab表", "Exclusive_Type_001=LOG",
                        "Exclusive_Dir_001=Backup", "Exclusive_Dir_002=ＡＢＣ", "[Wild]", "Extension_Type_001=txt",
                        "Extension_Type_002=*", "Extension_Type_003=dat", "Fixed_Name_001=makefile"}),
             "Plain"));
    SelectProfile(GetCurrentProfile());
  }
  int Classify(const char* name) { return ClassifyFileName(name, ext_); }
  char ext_[256];
};

TEST_F(ClassifyTest, TargetsAndExclusions) {
  EXPECT_EQ(Classify("a.TAR.GZ"), FILETYPE_CODE_TARGET_EXT);
  EXPECT_STREQ(ext_, "gz");
  EXPECT_EQ(Classify("dir\\notes.Txt"), FILETYPE_CODE_TARGET_EXT);
  EXPECT_EQ(Classify("atxt"), FILETYPE_CODE_OTHER);
  EXPECT_STREQ(ext_, "");
  EXPECT_EQ(Classify("txt"), FILETYPE_CODE_OTHER);
  // Excluded wins over a target extension; a whole name is no extension.
  EXPECT_EQ(Classify("run.LOG"), FILETYPE_CODE_EXCLUDED);
  EXPECT_EQ(Classify("log"), FILETYPE_CODE_OTHER);
  // File names: the last component, any letter case.
  EXPECT_EQ(Classify("src\\sub\\MAKEFILE"), FILETYPE_CODE_TARGET_NAME);
  EXPECT_EQ(Classify("Makefile.bak"), FILETYPE_CODE_OTHER);
  // 表 ends in 0x5C: not a separator.
  EXPECT_EQ(Classify("ab表"), FILETYPE_CODE_TARGET_NAME);
  EXPECT_EQ(Classify("x\\ab表"), FILETYPE_CODE_TARGET_NAME);

  EXPECT_EQ(ListTexts(g_listOtherName), (std::vector<std::string>{"atxt", "txt", "log"}));
  EXPECT_EQ(ListTexts(g_listOtherExt), (std::vector<std::string>{"bak"}));
  EXPECT_TRUE(g_listWildcardExt.GetCount() == 0 && g_listWildcardName.GetCount() == 0);

  EXPECT_TRUE(GetFileCategory("a.txt"));
  EXPECT_TRUE(GetFileCategory("d\\makefile"));
  EXPECT_FALSE(GetFileCategory("a.log"));
  EXPECT_FALSE(GetFileCategory("a.doc"));
  EXPECT_EQ(g_listOtherExt.GetCount(), 1);
}

TEST_F(ClassifyTest, WildcardEntryEndsTheSearch) {
  FindProfileByName("Wild");
  SelectProfile(GetCurrentProfile());
  EXPECT_EQ(Classify("a.txt"), FILETYPE_CODE_TARGET_EXT);
  EXPECT_EQ(Classify("b.DAT"), FILETYPE_CODE_OTHER);  // "*" comes before dat
  EXPECT_EQ(Classify("c.dat"), FILETYPE_CODE_OTHER);
  EXPECT_EQ(Classify("Movies\\Title One"), FILETYPE_CODE_OTHER);
  EXPECT_EQ(Classify("Movies\\Title One"), FILETYPE_CODE_OTHER);
  EXPECT_EQ(Classify("makefile"), FILETYPE_CODE_OTHER);
  EXPECT_EQ(ListTexts(g_listWildcardExt), (std::vector<std::string>{"dat"}));
  EXPECT_EQ(ListTexts(g_listWildcardName), (std::vector<std::string>{"Movies\\Title One", "makefile"}));
  EXPECT_TRUE(GetFileCategory("anything"));

  // Selecting a profile empties the caches and checks every used entry.
  SelectProfile(GetCurrentProfile());
  EXPECT_EQ(g_listWildcardExt.GetCount(), 0);
  EXPECT_EQ(g_listWildcardName.GetCount(), 0);
  EXPECT_EQ(ProfileWorkingCopy.targetExt[2].attribute, 1u);
  EXPECT_EQ(ProfileWorkingCopy.targetExt[3].attribute, 0u);
  EXPECT_EQ(ProfileWorkingCopy.targetName[0].attribute, 1u);
}

// A run matches its names on several threads and fills the caches after:
// codes and caches must be those of ClassifyFileName one name after the
// other, also for texts the caches held before and names met twice.
TEST_F(ClassifyTest, MatchingThenNotingGivesWhatClassifyingGives) {
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) texts.push_back("Movies\\Title " + std::to_string(i % 2000));
  for (const char* n : {"a.TXT", "b.DAT", "c.dat", "x\\y.Bak", "makefile", "run.LOG", "Vol.2", "ab表", "z.", "."})
    texts.push_back(n);
  for (const char* profile : {"Plain", "Wild"}) {
    FindProfileByName(profile);
    auto classifyAll = [&](bool inSteps) {
      SelectProfile(GetCurrentProfile());
      Classify("Movies\\Title 7");  // held before the run
      Classify("p.bak");
      std::vector<int> codes;
      std::vector<const char*> names;
      std::vector<signed char> caches;
      for (const std::string& t : texts) {
        names.push_back(t.c_str());
        if (inSteps) {
          int cache = -1;
          codes.push_back(MatchFileType(t.c_str(), cache));
          caches.push_back(static_cast<signed char>(cache));
        } else {
          codes.push_back(Classify(t.c_str()));
        }
      }
      if (inSteps) {
        qvtest::EnvVar threads("QUARVEX_WALK_THREADS", "8");
        NoteFileTypes(names, caches);
      }
      std::vector<std::vector<std::string>> lists;
      for (CStringList* l : {&g_listWildcardExt, &g_listWildcardName, &g_listOtherExt, &g_listOtherName})
        lists.push_back(ListTexts(*l));
      return std::make_pair(codes, lists);
    };
    const auto one = classifyAll(false);
    const auto steps = classifyAll(true);
    EXPECT_EQ(steps.first, one.first) << profile;
    EXPECT_EQ(steps.second, one.second) << profile;
    // Single names noted afterwards still find what the batch added.
    Classify("Movies\\Title 1999");
    Classify("new name");
    EXPECT_EQ(g_listOtherName.GetCount() + g_listWildcardName.GetCount(),
              static_cast<INT_PTR>(one.second[1].size() + one.second[3].size() + 1))
        << profile;
  }
}

TEST_F(ClassifyTest, ExcludedFolders) {
  EXPECT_TRUE(IsExcludedFolderName("BACKUP"));
  EXPECT_TRUE(IsExcludedFolderName("backup"));
  EXPECT_FALSE(IsExcludedFolderName("Backups"));
  // Entries are lower-cased in ASCII only: a full-width upper-case entry never matches.
  EXPECT_FALSE(IsExcludedFolderName("ＡＢＣ"));
  FindProfileByName("Wild");
  EXPECT_FALSE(IsExcludedFolderName("backup"));
}

TEST(FileTypeHelpers, FormatShortCutsAtCharacterBoundary) {
  char buf[256];
  std::string name;
  for (int i = 0; i < 200; ++i) name += "表";
  FormatShort(buf, "        [%s]", name.c_str());
  EXPECT_EQ(std::string(buf), "        [" + name.substr(0, 246));  // 123 whole characters
  FormatShort(buf, "        [a%s]", name.c_str());
  EXPECT_EQ(std::string(buf), "        [a" + name.substr(0, 244));  // the 123rd would not fit
  FormatShort(buf, "%d-%s", 7, "x");
  EXPECT_STREQ(buf, "7-x");
}

}  // namespace
