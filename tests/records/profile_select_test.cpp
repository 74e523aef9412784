// Check-state selection of the display filter: filling the check lists,
// storing the user's marks and rewriting the records' type codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/listbox.h"
#include "records/FileInfo.h"
#include "records/FileTypeProfile.h"
#include "records/ProfileText.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

const std::string NONE = kProfileNoneLine;

std::vector<std::string> Items(const CListBox& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.GetCount(); ++i) {
    CString text;
    list.GetText(i, text);
    out.emplace_back(text.GetString());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class SelectTest : public ::testing::Test {
 protected:
  SelectTest() {
    ClearFileTypeProfiles();
    const std::string ini =
        qvtest::CrlfLines({"[Quarvex]", "Extension_Kind_001=Q", "Extension_Kind_002=Text", "Extension_Kind_003=Src",
                           "Extension_Kind_004=Text,Src", "Extension_Kind_005=Wild", "[Text]", "Extension_Type_001=txt",
                           "Extension_Type_002=log", "Fixed_Name_001=readme", "Exclusive_Type_001=bak", "[Src]",
                           "Extension_Type_001=c", "[Wild]", "Extension_Type_001=*", "Exclusive_Dir_001=tmp"});
    qvtest::WriteFile(tmp_ / "Quarvex.ini", ini);
    EXPECT_TRUE(LoadFileTypeProfiles("Text", (tmp_ / "Quarvex.ini").c_str()));
  }
  ~SelectTest() override {
    for (POSITION pos = records_.GetHeadPosition(); pos != nullptr;) delete records_.GetNext(pos);
    ClearFileTypeProfiles();
  }

  CZEKMergeFileInfo* Record(const char* name, bool onNew, bool onOld, int type, int bits) {
    auto* r = new CZEKMergeFileInfo();
    r->m_New.m_strName = name;
    r->m_Old.m_strName = name;
    r->m_New.m_nExists = onNew ? 1 : 0;
    r->m_Old.m_nExists = onOld ? 1 : 0;
    r->m_nType = type;
    r->m_nExist = bits;
    records_.AddTail(r);
    return r;
  }
  static void Check(CCheckListBox& list, const char* text, int state) {
    int i = list.FindStringExact(-1, text);
    ASSERT_GE(i, 0) << text;
    list.SetCheck(i, state);
  }

  qvtest::TempDir tmp_;
  qvtest::ScriptedPeople people_;
  CObList records_;
  CCheckListBox ext_, names_;
  CListBox excludedExt_, excludedDir_;
};

TEST_F(SelectTest, EntryMode) {
  SelectProfile(GetCurrentProfile());
  EXPECT_EQ(FillCheckListPair(ext_, names_, excludedExt_, excludedDir_), PROFILE_SELECT_ENTRY);
  EXPECT_EQ(Items(ext_), (std::vector<std::string>{"log", "txt"}));
  EXPECT_EQ(Items(names_), (std::vector<std::string>{"readme"}));
  EXPECT_EQ(Items(excludedExt_), (std::vector<std::string>{"bak"}));
  EXPECT_EQ(Items(excludedDir_), (std::vector<std::string>{NONE}));
  for (int i = 0; i < ext_.GetCount(); ++i) {
    EXPECT_EQ(ext_.GetCheck(i), 1);
    EXPECT_EQ(ext_.GetItemData(i), 1u);
  }

  Check(ext_, "LOG", 0);
  EXPECT_EQ(StoreCheckStates(ext_, names_), PROFILE_SELECT_ENTRY);
  EXPECT_EQ(ProfileWorkingCopy.targetExt[0].attribute, 1u);
  EXPECT_EQ(ProfileWorkingCopy.targetExt[1].attribute, 0u);

  CZEKMergeFileInfo* excluded = Record("a\\x.TXT", true, true, FILETYPE_CODE_EXCLUDED, 0);
  CZEKMergeFileInfo* unchecked = Record("run.log", true, true, FILETYPE_CODE_TARGET_EXT, 3);
  CZEKMergeFileInfo* oldOnly = Record("doc\\ReadMe", false, true, FILETYPE_CODE_TARGET_NAME, 2);
  CZEKMergeFileInfo* other = Record("x.zzz", true, false, FILETYPE_CODE_OTHER, 1);
  ApplySelectionToRecords(PROFILE_SELECT_ENTRY, &records_, ext_, names_);
  EXPECT_EQ(excluded->m_nType, 1);  // a ticked target shows again
  EXPECT_EQ(excluded->m_nExist, 3);
  EXPECT_EQ(unchecked->m_nType, 0);
  EXPECT_EQ(unchecked->m_nExist, 3);  // presence bits are never cleared
  EXPECT_EQ(oldOnly->m_nType, 0);     // the whole relative name is no file name entry
  EXPECT_EQ(other->m_nType, 0);

  // Filling the lists again checks every entry again.
  FillCheckListPair(ext_, names_, excludedExt_, excludedDir_);
  EXPECT_EQ(ProfileWorkingCopy.targetExt[1].attribute, 1u);
  ApplySelectionToRecords(PROFILE_SELECT_ENTRY, nullptr, ext_, names_);  // no records: nothing happens
}

TEST_F(SelectTest, WildcardMode) {
  FindProfileByName("Wild");
  SelectProfile(GetCurrentProfile());
  EXPECT_EQ(FillCheckListPair(ext_, names_, excludedExt_, excludedDir_), PROFILE_SELECT_WILDCARD);
  EXPECT_EQ(Items(ext_), (std::vector<std::string>{NONE}));  // no run yet
  EXPECT_EQ(Items(names_), (std::vector<std::string>{NONE}));
  EXPECT_EQ(Items(excludedDir_), (std::vector<std::string>{"tmp"}));

  char ext[256];
  for (const char* name : {"a.dat", "b.TXT", "Movies\\Title"}) ClassifyFileName(name, ext);
  EXPECT_EQ(FillCheckListPair(ext_, names_, excludedExt_, excludedDir_), PROFILE_SELECT_WILDCARD);
  EXPECT_EQ(Items(ext_), (std::vector<std::string>{"dat", "txt"}));
  EXPECT_EQ(Items(names_), (std::vector<std::string>{"Movies\\Title"}));

  Check(ext_, "dat", 0);
  EXPECT_EQ(StoreCheckStates(ext_, names_), PROFILE_SELECT_WILDCARD);
  EXPECT_FALSE(IsExtensionChecked("x.DAT", ext_, names_));
  EXPECT_TRUE(IsExtensionChecked("y.txt", ext_, names_));
  EXPECT_TRUE(IsExtensionChecked("movies\\title", ext_, names_));
  EXPECT_FALSE(IsExtensionChecked("Other", ext_, names_));

  CZEKMergeFileInfo* title = Record("Movies\\Title", false, true, FILETYPE_CODE_OTHER, 0);
  CZEKMergeFileInfo* dat = Record("a.dat", false, true, FILETYPE_CODE_OTHER, 2);
  ApplySelectionToRecords(PROFILE_SELECT_WILDCARD, &records_, ext_, names_);
  EXPECT_EQ(title->m_nType, 1);
  EXPECT_EQ(title->m_nExist, 2);
  EXPECT_EQ(dat->m_nType, 0);

  SetAllChecks(0, names_);
  EXPECT_EQ(names_.GetCheck(0), 0);
  EXPECT_EQ(names_.GetItemData(0), 0u);
}

// The display filter's check lists are sorted controls: items come in text
// order (letter case ignored) and each keeps its own check mark and data.
TEST_F(SelectTest, SortedCheckListsKeepEachItemsState) {
  ext_.ModifyStyle(0, LBS_SORT);
  names_.ModifyStyle(0, LBS_SORT);
  FindProfileByName("Wild");
  SelectProfile(GetCurrentProfile());
  char ext[256];
  for (const char* name : {"b.TXT", "a.dat", "c.Avi", "Zeta", "alpha"}) ClassifyFileName(name, ext);
  ASSERT_EQ(FillCheckListPair(ext_, names_, excludedExt_, excludedDir_), PROFILE_SELECT_WILDCARD);
  std::vector<std::string> shown;
  for (int i = 0; i < ext_.GetCount(); ++i) {
    CString text;
    ext_.GetText(i, text);
    shown.emplace_back(text.GetString());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"avi", "dat", "txt"}));
  CString first;
  names_.GetText(0, first);
  EXPECT_EQ(first, "alpha");

  Check(ext_, "txt", 0);
  StoreCheckStates(ext_, names_);
  EXPECT_TRUE(IsExtensionChecked("x.AVI", ext_, names_));
  EXPECT_TRUE(IsExtensionChecked("x.dat", ext_, names_));
  EXPECT_FALSE(IsExtensionChecked("x.txt", ext_, names_));

  // Entry mode: the same for the working copy's entries.
  FindProfileByName("Text");
  SelectProfile(GetCurrentProfile());
  FillCheckListPair(ext_, names_, excludedExt_, excludedDir_);
  CString top;
  ext_.GetText(0, top);
  EXPECT_EQ(top, "log");
  Check(ext_, "log", 0);
  StoreCheckStates(ext_, names_);
  EXPECT_EQ(ProfileWorkingCopy.targetExt[0].attribute, 1u);  // txt
  EXPECT_EQ(ProfileWorkingCopy.targetExt[1].attribute, 0u);  // log
}

// A list box tells the widget that shows it about every change, also when
// its selection is cleared.
TEST(ListBox, ClearingTheSelectionIsShown) {
  struct Watched : CListBox {
    int changes = 0;
    void ItemsChanged() override { ++changes; }
  } list;
  list.AddString("a");
  list.AddString("b");
  EXPECT_EQ(list.SetCurSel(1), 1);
  const int before = list.changes;
  EXPECT_EQ(list.SetCurSel(-1), LB_ERR);
  EXPECT_EQ(list.GetCurSel(), LB_ERR);
  EXPECT_EQ(list.changes, before + 1);

  // Sorted: AddString finds the place, InsertString takes the one it is told.
  CListBox sorted;
  sorted.ModifyStyle(0, LBS_SORT);
  EXPECT_EQ(sorted.AddString("b"), 0);
  EXPECT_EQ(sorted.AddString("a"), 0);
  EXPECT_EQ(sorted.AddString("B"), 2);  // after the equal "b"
  EXPECT_EQ(sorted.InsertString(0, "z"), 0);
}

TEST_F(SelectTest, ProfileChoiceLists) {
  CListBox ext, names, excludedExt, excludedDir;
  FillProfileLists(3, ext, names, excludedExt, excludedDir);  // "Text,Src"
  std::vector<std::string> got;
  for (int i = 0; i < names.GetCount(); ++i) {
    CString text;
    names.GetText(i, text);
    got.emplace_back(text.GetString());
  }
  EXPECT_EQ(got, (std::vector<std::string>{"        [Text]", "readme", "        [Src]", NONE}));
  EXPECT_EQ(ext.GetCount(), 5);
  FillProfileLists(1, ext, names, excludedExt, excludedDir);  // "Text"
  EXPECT_EQ(Items(excludedDir), (std::vector<std::string>{NONE}));
  FillProfileLists(500, ext, names, excludedExt, excludedDir);
  EXPECT_EQ(ext.GetCount(), 0);
}

}  // namespace
