// The whole program with a comparison entry whose records the test builds:
// helpers to add records with comments, show the file view in a mode, and
// read the list's rows as a person sees them.
#pragma once

#include "support/app_fixture.h"

#include <string>
#include <vector>

#include "records/FileInfo.h"
#include "ui/OperationForm.h"
#include "ui/SourceForm.h"
#include "ui/TitleForm.h"

namespace qvtest {

// 2024/03/05 (Tue)  21:14:09 in UTC (the fixture's time zone).
constexpr LONG kListTime = 1709673249;

// One side of a record the test builds.
struct Side {
  LONG time = 0;
  DWORD size = 0;
  DWORD lines = 0;
  const char* version = "";
};

class ListTest : public AppTest {
 protected:

  void SetUp() override {
    AppTest::SetUp();
    // The sort key lasts for the whole process: each test starts by name.
    g_nSortKey = SORT_NAME;
  }

  // Starts the program (once) and adds a record; names and comments are
  // UTF-8. Both sides carry the name, as a run makes them.
  CZEKMergeFileInfo* Add(const std::string& name, int exist, const std::string& comment = "", Side newSide = Side(),
                         Side oldSide = Side(), int type = 1) {
    if (Frame() == nullptr) {
      EXPECT_TRUE(Start());
    }
    CZEKDoc* doc = theApp.m_pCurrentDoc;
    auto* r = new CZEKMergeFileInfo;
    r->m_nType = type;
    r->m_nExist = exist;
    r->m_New.m_strName = Cp(name).c_str();
    r->m_Old.m_strName = r->m_New.m_strName;
    auto fill = [](CZEKFileInfo& f, const Side& s) {
      f.m_nExists = 1;
      f.m_tModify = s.time;
      f.m_dwSize = s.size;
      f.m_dwLines = s.lines;
      f.m_strVersion = s.version;
    };
    if (exist & 1) fill(r->m_New, newSide);
    if (exist & 2) fill(r->m_Old, oldSide);
    r->m_nCommentIndex = doc->m_Comment.FindOrAdd(r->m_New.m_strName);
    CComment_Data_Obj* c = doc->m_Comment.GetAt(r->m_nCommentIndex);
    c->SetKey(r->m_New.m_strName);
    c->m_strComment = Cp(comment).c_str();
    CZEKEnv_Label* entry = doc->m_pCurrentEntry;
    if (entry->m_pRecordList == nullptr) {
      entry->m_pRecordList = new CObList;
      entry->m_pTotals = new CZEKMergeSRCInfo;
      entry->m_nState = 1;
    }
    entry->m_pRecordList->AddTail(r);
    entry->m_nRecordCount = static_cast<int>(entry->m_pRecordList->GetCount());
    return r;
  }

  // The current entry in `mode`, shown in the file view.
  void Show(int mode, int dispMode = 15) {
    if (Frame() == nullptr) {
      ASSERT_TRUE(Start());
    }
    CMainFrame* frame = Frame();
    CZEKDoc* doc = theApp.m_pCurrentDoc;
    doc->m_pCurrentEntry->m_nMode = mode;
    theApp.m_nAppMode = mode;
    theApp.m_nDispMode = dispMode;
    frame->m_nMode = mode;
    if (frame->m_pTitleForm) frame->m_pTitleForm->m_nMode = mode;
    // The operation form shows this entry, so leaving it stores nothing.
    if (frame->m_pOperationForm) frame->m_pOperationForm->UpdateFromDocument(FALSE);
    doc->ShowCurrentEntry(TRUE);
    ui::Pump();
    ASSERT_NE(Form(), nullptr);
  }

  CSource_Form* Form() const { return Frame() ? Frame()->m_pSourceForm : nullptr; }
  CListCtrl& List() const { return Form()->m_list; }
  void Command(UINT id) const { Frame()->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  std::string Cell(int row, int column) const { return U8(List().GetItemText(row, column).View()); }
  std::vector<std::string> RowTexts(int row) const {
    std::vector<std::string> texts;
    for (int c = 0; c < List().GetColumnCount(); ++c) texts.push_back(Cell(row, c));
    return texts;
  }
  std::vector<std::string> ColumnTexts(int column) const {
    std::vector<std::string> texts;
    for (int r = 0; r < List().GetItemCount(); ++r) texts.push_back(Cell(r, column));
    return texts;
  }
  std::vector<std::string> Headers() const {
    std::vector<std::string> texts;
    for (int c = 0; c < List().GetColumnCount(); ++c) texts.push_back(U8(List().GetColumnText(c).View()));
    return texts;
  }
  std::vector<int> SelectedRows() const {
    std::vector<int> rows;
    for (int r = List().GetNextItem(-1, LVNI_SELECTED); r >= 0; r = List().GetNextItem(r, LVNI_SELECTED)) {
      rows.push_back(r);
    }
    return rows;
  }

  EnvVar tz_{"TZ", "UTC0"};
};

}  // namespace qvtest
