// The window layer on its own: dialogs from templates with data exchange,
// controls, the list view, menus, drawing, drops and property sheets,
// driven through the real widgets.
#include <gtest/gtest.h>

#include "support/ui_driver.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeView>

#include "compare/PathRoutines.h"
#include "platform/ui/qt/controls_impl.h"
#include "platform/ui/resources.h"
#include "platform/ui/shell.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"

namespace {

using qvtest::ui::Text;
using qvtest::U8;
using qvtest::ui::Click;
using qvtest::ui::Control;
using qvtest::ui::Pump;
using qvtest::ui::Type;
using qvtest::ui::WidgetOf;
using qv::res::Ctl;
using qv::res::kHidden;

enum { IDD_TEST = 900, IDD_PAGE1 = 901, IDD_PAGE2 = 902, IDD_LISTS = 903, IDC_NAME = 1000, IDC_COUNT = 1001, IDC_FLAG = 1002,
       IDC_R0 = 1003, IDC_R1 = 1004, IDC_R2 = 1005, IDC_LIST = 1006, IDC_HIDDEN = 1007, IDC_MULTI = 1008,
       IDC_DROP = 1009 };

const qv::res::DialogItem kTestItems[] = {
    {IDC_NAME, Ctl::Edit, "", 10, 10, 100, 12, WS_TABSTOP},
    {IDC_COUNT, Ctl::Edit, "", 10, 26, 40, 12, WS_TABSTOP},
    {IDC_FLAG, Ctl::CheckBox, "flag", 10, 42, 60, 10, WS_TABSTOP},
    {IDC_R0, Ctl::RadioButton, "zero", 10, 56, 40, 10, WS_GROUP | WS_TABSTOP},
    {IDC_R1, Ctl::RadioButton, "one", 52, 56, 40, 10},
    {IDC_R2, Ctl::RadioButton, "two", 94, 56, 40, 10},
    {IDC_LIST, Ctl::CheckListBox, "", 10, 70, 100, 40, LBS_SORT | WS_TABSTOP | WS_GROUP},
    {IDC_HIDDEN, Ctl::LText, "hidden", 120, 10, 40, 10, 0, kHidden},
    {IDC_MULTI, Ctl::Edit, "", 120, 26, 80, 40, ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL},
    {IDC_DROP, Ctl::Edit, "", 120, 70, 80, 12, 0, 0, WS_EX_ACCEPTFILES},
    {IDOK, Ctl::DefPushButton, "OK", 120, 90, 40, 14, WS_TABSTOP},
    {IDCANCEL, Ctl::PushButton, "Cancel", 164, 90, 40, 14, WS_TABSTOP},
};
// A sorted check list with several selected rows, as the display filter's.
const qv::res::DialogItem kListsItems[] = {
    {IDC_LIST, Ctl::CheckListBox, "", 10, 10, 100, 100, LBS_SORT | LBS_EXTENDEDSEL | WS_VSCROLL | WS_TABSTOP},
};
const qv::res::DialogItem kPage1Items[] = {{IDC_NAME, Ctl::Edit, "", 10, 10, 100, 12, WS_TABSTOP}};
const qv::res::DialogItem kPage2Items[] = {{IDC_COUNT, Ctl::Edit, "", 10, 10, 40, 12, WS_TABSTOP}};
// Texts of these resources are ASCII: this file's literals are UTF-8, the
// program's resources code page 932.
const qv::res::DialogTemplate kTestDialog = {IDD_TEST, "Test", 220, 120, "IPAPGothic", 10,
                                             WS_POPUP | WS_CAPTION | WS_SYSMENU, kTestItems, std::size(kTestItems)};
const qv::res::DialogTemplate kPage1 = {IDD_PAGE1, "One", 150, 40, "IPAPGothic", 10, WS_CHILD, kPage1Items, 1};
const qv::res::DialogTemplate kPage2 = {IDD_PAGE2, "Two", 150, 40, "IPAPGothic", 10, WS_CHILD, kPage2Items, 1};
const qv::res::DialogTemplate kLists = {IDD_LISTS, "Lists", 120, 120, "IPAPGothic", 10,
                                        WS_POPUP | WS_CAPTION | WS_SYSMENU, kListsItems, std::size(kListsItems)};
const qv::res::DialogTemplate* const kDialogs[] = {&kTestDialog, &kPage1, &kPage2, &kLists};
const qv::res::MenuItem kMenuItems[] = {
    {qv::res::MenuRow::Popup, 0, "p"},
    {qv::res::MenuRow::Item, 40001, "&First"},
    {qv::res::MenuRow::Item, 40002, "Second"},
    {qv::res::MenuRow::End, 0, ""},
};
const qv::res::MenuTemplate kMenus[] = {{500, kMenuItems, std::size(kMenuItems)}};
const qv::res::ResourceSet kSet = {kDialogs, std::size(kDialogs), kMenus, 1, nullptr, 0, nullptr, 0,
                                    nullptr, 0,       nullptr,           0, nullptr, 0};

class TestDialog : public CDialog {
  DECLARE_DYNAMIC(TestDialog)

 public:
  TestDialog() : CDialog(IDD_TEST) {}
  CString m_strName;
  int m_nCount = 0;
  int m_nFlag = 0;
  int m_nRadio = 1;
  CString m_strMulti;
  CCheckListBox m_list;
  int m_nChanges = 0;
  CString m_strDropped;

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_list.AddString("b");
    m_list.AddString("a");
    return TRUE;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDV_MinMaxInt(pDX, m_nCount, 0, 99);
    DDX_Check(pDX, IDC_FLAG, m_nFlag);
    DDX_Radio(pDX, IDC_R0, m_nRadio);
    DDX_Control(pDX, IDC_LIST, m_list);
    DDX_Text(pDX, IDC_MULTI, m_strMulti);
  }

 protected:
  DECLARE_MESSAGE_MAP()
  void OnNameChange() { ++m_nChanges; }
};
IMPLEMENT_DYNAMIC(TestDialog, CDialog)
BEGIN_MESSAGE_MAP(TestDialog, CDialog)
  ON_EN_CHANGE(IDC_NAME, &TestDialog::OnNameChange)
END_MESSAGE_MAP()

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = qv::res::Installed();
    qv::res::Install(&kSet);
  }
  void TearDown() override { qv::res::Install(saved_); }
  const qv::res::ResourceSet* saved_ = nullptr;
  qvtest::ScriptedPeople people_;
};

TEST_F(LayerTest, DialogDataExchangeAndValidation) {
  TestDialog dlg;
  dlg.m_strName = Text("表の名前");  // 表 ends in 0x5C: kept whole
  dlg.m_nCount = 5;
  people_.QueueDrive([&](CWnd* w) {
    ASSERT_EQ(w, &dlg);
    // The controls show the members.
    EXPECT_EQ(qobject_cast<QLineEdit*>(Control(w, IDC_NAME))->text(), QString::fromUtf8("表の名前"));
    EXPECT_TRUE(qobject_cast<QRadioButton*>(Control(w, IDC_R1))->isChecked());
    EXPECT_FALSE(Control(w, IDC_HIDDEN)->isVisible());
    // The sorted check list got its items in order.
    EXPECT_EQ(dlg.m_list.GetCount(), 2);
    CString first;
    dlg.m_list.GetText(0, first);
    EXPECT_EQ(first, "a");
    // Typing notifies the parent; a count out of range does not pass.
    Type(w, IDC_NAME, "新しい");
    EXPECT_GT(dlg.m_nChanges, 0);
    Type(w, IDC_COUNT, "150");
    Click(Control(w, IDC_R2));
    Click(Control(w, IDC_FLAG));
    Type(w, IDC_MULTI, "一行目\n二行目");
    people_.QueueAnswer(IDOK);  // the range message
    Click(w, IDOK);
    ASSERT_EQ(dlg.GetResult(), -1);  // still open
    EXPECT_NE(U8(people_.Calls().back().text).find("99"), std::string::npos);
    Type(w, IDC_COUNT, "42");
    Click(w, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_strName, Text("新しい"));
  EXPECT_EQ(dlg.m_nCount, 42);
  EXPECT_EQ(dlg.m_nFlag, 1);
  EXPECT_EQ(dlg.m_nRadio, 2);
  // Multi-line text reads back with CR LF line ends.
  EXPECT_EQ(dlg.m_strMulti, Text("一行目\r\n二行目"));
}

TEST_F(LayerTest, EscapeAndTheCloseBoxCancel) {
  TestDialog dlg;
  people_.QueueDrive([](CWnd* w) { qvtest::ui::Key(WidgetOf(w), Qt::Key_Escape); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  people_.QueueDrive([](CWnd* w) { WidgetOf(w)->close(); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  // Scripted people answer without showing it.
  people_.QueueDialog(IDOK);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(people_.Calls().back().dialogName, "TestDialog");
}

// A modal dialog or sheet whose window goes with the window it belongs to
// (something that ran in its loop destroyed that one) ends as cancelled.
TEST_F(LayerTest, AModalDialogEndsWhenItsWindowGoesWithItsParent) {
  for (bool sheet : {false, true}) {
    CWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, "p", WS_VISIBLE, CRect(0, 0, 200, 200), nullptr, 0));
    TestDialog dlg;
    dlg.m_pParentWnd = &parent;
    CPropertySheet sheets("Settings", &parent);
    bool stuck = false;
    QObject watch;  // the rescue below goes with it
    people_.QueueDrive([&](CWnd*) {
      parent.DestroyWindow();
      // Were the loop to go on waiting, this ends it.
      QTimer::singleShot(2000, &watch, [&]() {
        stuck = true;
        sheet ? sheets.EndDialog(IDABORT) : dlg.EndDialog(IDABORT);
      });
    });
    EXPECT_EQ(sheet ? sheets.DoModal() : dlg.DoModal(), IDCANCEL) << sheet;
    EXPECT_FALSE(stuck) << sheet;
  }
}

TEST_F(LayerTest, CheckListBoxesReportTheUsersTicks) {
  TestDialog dlg;
  ASSERT_TRUE(dlg.Create(IDD_TEST, nullptr));
  auto* lw = qobject_cast<QListWidget*>(WidgetOf(&dlg.m_list));
  ASSERT_NE(lw, nullptr);
  ASSERT_EQ(lw->count(), 2);
  lw->item(1)->setCheckState(Qt::Checked);  // as a click on the box does
  EXPECT_EQ(dlg.m_list.GetCheck(1), BST_CHECKED);
  dlg.m_list.SetCheck(0, BST_CHECKED);
  EXPECT_EQ(lw->item(0)->checkState(), Qt::Checked);
  dlg.DestroyWindow();
}

// Thousands of strings added to a sorted check list, each ticked or
// selected as it comes: the object answers at once, the widget shows the
// same, and the fill goes over the widget's rows a few times at most, not
// once for every string.
TEST_F(LayerTest, AFillOfThousandsOfStringsIsShownWholeAndGoesOverTheRowsOnlyAFewTimes) {
  CDialog dlg(IDD_LISTS);
  ASSERT_TRUE(dlg.Create(IDD_LISTS, nullptr));
  CCheckListBox list;
  ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, &dlg));
  dlg.ShowWindow(SW_SHOW);
  auto* lw = qobject_cast<QListWidget*>(WidgetOf(&list));
  ASSERT_NE(lw, nullptr);
  constexpr int kNames = 3000;
  const long long before = qv::ui::ListBoxRowsGoneOver();
  for (int i = 0; i < kNames; ++i) {
    char name[16];
    snprintf(name, sizeof name, "N%05d", (i * 7919) % kNames);
    const int at = list.AddString(name);
    ASSERT_GE(at, 0);
    CString back;
    list.GetText(at, back);
    ASSERT_EQ(back, CString(name));
    ASSERT_EQ(list.GetCount(), i + 1);
    list.SetCheck(at, i % 3 == 0 ? BST_CHECKED : BST_UNCHECKED);
    if (i % 5 == 0) list.SetSel(at, TRUE);
  }
  EXPECT_LT(qv::ui::ListBoxRowsGoneOver() - before, 3 * kNames);

  auto same = [&]() {
    ASSERT_EQ(lw->count(), list.GetCount());
    int wrong = 0;
    for (int i = 0; i < list.GetCount(); ++i) {
      CString text;
      list.GetText(i, text);
      QListWidgetItem* it = lw->item(i);
      wrong += it->text() != QString::fromLatin1(text.GetString()) ||
               (it->checkState() == Qt::Checked) != (list.GetCheck(i) == BST_CHECKED) ||
               it->isSelected() != (list.GetSel(i) == 1);
    }
    EXPECT_EQ(wrong, 0);
    if (list.GetCurSel() >= 0) {
      EXPECT_EQ(lw->currentRow(), list.GetCurSel());
    }
  };
  same();
  CString first;
  list.GetText(0, first);
  EXPECT_EQ(first, CString("N00000"));
  EXPECT_EQ(list.GetSelCount(), kNames / 5);
  // Taking out the current row and putting one back in the selected run.
  ASSERT_EQ(list.DeleteString(static_cast<UINT>(list.GetCurSel())), kNames - 1);
  list.InsertString(1, "N00000a");
  same();
  // A click selects that row alone, and the object reads it back.
  lw->scrollToTop();
  qvtest::ui::ClickListItem(&list, 2);
  EXPECT_EQ(list.GetSelCount(), 1);
  EXPECT_EQ(list.GetCurSel(), 2);
  list.ResetContent();
  EXPECT_EQ(lw->count(), 0);
  dlg.DestroyWindow();

  // A single-selection list whose selected row goes has none left.
  TestDialog single;
  ASSERT_TRUE(single.Create(IDD_TEST, nullptr));
  lw = qobject_cast<QListWidget*>(WidgetOf(&single.m_list));
  single.m_list.SetCurSel(0);
  ASSERT_EQ(single.m_list.DeleteString(0), 1);
  EXPECT_EQ(single.m_list.GetCurSel(), LB_ERR);
  EXPECT_TRUE(lw->selectedItems().isEmpty());
  single.DestroyWindow();
}

// FindStringExact from the top answers from an index of the texts: it must
// give the first item a search from the top gives, through every change of
// the texts, for names that differ only in case (full-width letters too).
TEST_F(LayerTest, ExactLookUpsFindTheFirstEqualTextThroughEveryChange) {
  CCheckListBox list;
  const char* const names[] = {"abc", "ABC", "Ｆｕｌｌ", "ｆｕｌｌ", "txt", "TXT.bak", "表", "b"};
  auto first = [&](const char* text) {
    for (int i = 0; i < list.GetCount(); ++i) {
      CString t;
      list.GetText(i, t);
      if (_mbsicmp(t, text) == 0) return i;
    }
    return static_cast<int>(LB_ERR);
  };
  auto agree = [&](const char* step) {
    for (const char* q : {"abc", "Abc", "ｆｕｌｌ", "FULL", "txt", "TXT.BAK", "表", "B", "none"}) {
      EXPECT_EQ(list.FindStringExact(-1, q), first(q)) << step << " " << q;
    }
  };
  for (const char* n : names) list.InsertString(-1, n);
  agree("filled");
  list.DeleteString(0);
  agree("first removed");
  list.InsertString(0, "ABC");
  list.InsertString(2, "b");
  agree("inserted");
  CCheckListBox other;
  other.AddString("FULL");
  list.ResetContent();
  agree("emptied");
  list.TakeItemsFrom(other);
  agree("taken over");
  EXPECT_EQ(other.FindStringExact(-1, "full"), LB_ERR);
}

TEST_F(LayerTest, DroppedNamesBecomeMessagesAndUnrepresentableOnesAreRefused) {
  qvtest::TempDir tmp;
  qvtest::DriveT drive(tmp);
  struct DropDialog : TestDialog {
    void OnDropFiles(HDROP h) {
      char name[1024];
      const UINT n = DragQueryFileA(h, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < n; ++i) {
        DragQueryFileA(h, i, name, sizeof name);
        m_strDropped = name;
      }
      DragFinish(h);
    }
    const AFX_MSGMAP* GetMessageMap() const override {
      static const AFX_MSGMAP_ENTRY entries[] = {
          {WM_DROPFILES, 0, 0, 0,
           [](CCmdTarget* t, qv::MsgCall& c) -> LRESULT {
             static_cast<DropDialog*>(t)->OnDropFiles(reinterpret_cast<HDROP>(c.wParam));
             return 0;
           }},
          {0, 0, 0, 0, nullptr}};
      static const AFX_MSGMAP map = {&TestDialog::GetThisMessageMap, entries};
      return &map;
    }
  } dlg;
  ASSERT_TRUE(dlg.Create(IDD_TEST, nullptr));
  dlg.DragAcceptFiles(TRUE);
  std::filesystem::create_directories(tmp / "動画");
  qvtest::ui::DropFiles(WidgetOf(&dlg), {(tmp / "動画").string()});
  EXPECT_EQ(dlg.m_strDropped, Text("T:\\動画"));
  // A name code page 932 cannot hold is refused with a message.
  people_.QueueAnswer(IDOK);
  qvtest::ui::DropFiles(WidgetOf(&dlg), {(tmp / "😀").string()});
  EXPECT_EQ(dlg.m_strDropped, Text("T:\\動画"));
  ASSERT_FALSE(people_.Calls().empty());
  EXPECT_NE(U8(people_.Calls().back().text).find("932"), std::string::npos);
  dlg.DestroyWindow();
}

// A list view in report style: columns, item data, states and sorting.
int CALLBACK_ByData(LPARAM a, LPARAM b, LPARAM descending) {
  const int r = a < b ? -1 : a > b ? 1 : 0;
  return descending ? -r : r;
}

TEST_F(LayerTest, ListViewRowsSortAndNotify) {
  struct Parent : CWnd {
    int changed = 0;
    int lastItem = -2;
    BOOL OnNotify(WPARAM w, LPARAM l, LRESULT* r) override {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
      if (nm->hdr.code == LVN_ITEMCHANGED) {
        ++changed;
        lastItem = nm->iItem;
      }
      return CWnd::OnNotify(w, l, r);
    }
  } parent;
  ASSERT_TRUE(parent.Create(nullptr, "p", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, CRect(0, 0, 400, 300), &parent, 1));
  LVCOLUMN col{};
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  EXPECT_EQ(InsertListColumn(&list, &col, 0, LVCFMT_CENTER, "名前", 120), 0);
  EXPECT_EQ(InsertListColumn(&list, &col, 1, LVCFMT_LEFT, "値", 80), 1);
  EXPECT_EQ(list.GetColumnCount(), 2);
  EXPECT_EQ(list.GetColumnWidth(0), 120);

  list.SetRedraw(FALSE);
  for (int i = 0; i < 5; ++i) {
    CString t;
    t.Format("row %d", i);
    const int row = list.InsertItem(i, t);
    list.SetItemText(row, 1, "x");
    list.SetItemData(row, static_cast<DWORD_PTR>(10 - i));
  }
  list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetRedraw(TRUE);
  EXPECT_EQ(parent.lastItem, -1);
  EXPECT_EQ(list.GetSelectedCount(), 5u);
  // Sorting moves rows with their texts and states.
  list.SetItemState(-1, 0, LVIS_SELECTED);
  list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);  // "row 4", data 6
  list.SortItems(CALLBACK_ByData, 0);
  EXPECT_EQ(list.GetItemText(0, 0), "row 4");
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
  list.SortItems(CALLBACK_ByData, 1);
  EXPECT_EQ(list.GetItemText(0, 0), "row 0");
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 4);
  // A click of the user selects one row and notifies.
  const int before = parent.changed;
  qvtest::ui::ClickRow(&list, 2);
  EXPECT_GT(parent.changed, before);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
  EXPECT_EQ(list.GetSelectedCount(), 1u);
  parent.DestroyWindow();
}

// A text with line breaks, such as a DVD comment of two lines, is shown on
// its row's one line: every row keeps the height of a list of one-line
// texts, and the program reads back the text it set.
TEST_F(LayerTest, ListViewRowsKeepOneLinesHeightWhateverTheirTexts) {
  CWnd parent;
  ASSERT_TRUE(parent.Create(nullptr, "p", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
  CListCtrl plain, broken;
  ASSERT_TRUE(plain.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 400, 140), &parent, 1));
  ASSERT_TRUE(broken.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 150, 400, 290), &parent, 2));
  const char* const brokenTexts[][2] = {{"a", "一行目\r\n二行目"}, {"b", "y"}, {"c\n\nd", "z\re"}};
  for (CListCtrl* list : {&plain, &broken}) {
    LVCOLUMN col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    InsertListColumn(list, &col, 0, LVCFMT_LEFT, "name", 120);
    InsertListColumn(list, &col, 1, LVCFMT_LEFT, "comment", 200);
    for (int i = 0; i < 3; ++i) {
      const int row = list->InsertItem(i, list == &plain ? "a" : Text(brokenTexts[i][0]));
      list->SetItemText(row, 1, list == &plain ? "x" : Text(brokenTexts[i][1]));
    }
  }
  Pump();
  QTreeView* plainView = qvtest::ui::ListView(&plain);
  QTreeView* brokenView = qvtest::ui::ListView(&broken);
  ASSERT_NE(plainView, nullptr);
  ASSERT_NE(brokenView, nullptr);
  const int oneLine = plainView->visualRect(plainView->model()->index(0, 0)).height();
  ASSERT_GT(oneLine, 0);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 2; ++c) {
      const QModelIndex cell = brokenView->model()->index(r, c);
      EXPECT_EQ(brokenView->visualRect(cell).height(), oneLine) << r;
      EXPECT_EQ(brokenView->sizeHintForIndex(cell).height(),
                plainView->sizeHintForIndex(plainView->model()->index(r, c)).height())
          << r << c;
    }
  }
  EXPECT_EQ(brokenView->model()->index(0, 1).data().toString(), QString::fromUtf8("一行目 二行目"));
  EXPECT_EQ(broken.GetItemText(0, 1), Text("一行目\r\n二行目"));
  parent.DestroyWindow();
}

// Qt's style keeps what it drew (button faces, list headers) in a cache
// whose keys include the palette drawn with. Windows built again, as the
// frame builds its forms again at every view switch, must draw with the
// palettes of the ones before: otherwise every form built adds its drawings
// to the cache anew, and the program grows run after run until the cache is
// full.
TEST_F(LayerTest, WindowsBuiltAgainDrawWithThePalettesOfTheOnesBefore) {
  std::vector<qint64> keys[2];
  for (std::vector<qint64>& k : keys) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST, nullptr));
    dlg.ShowWindow(SW_SHOW);
    CWnd parent;
    ASSERT_TRUE(parent.Create(nullptr, "p", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 400, 300), &parent, 1));
    LVCOLUMN col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    InsertListColumn(&list, &col, 0, LVCFMT_LEFT, "name", 120);
    Pump();
    QTreeView* view = qvtest::ui::ListView(&list);
    ASSERT_NE(view, nullptr);
    for (QWidget* w : {WidgetOf(&dlg), Control(&dlg, IDOK), Control(&dlg, IDC_FLAG), Control(&dlg, IDC_NAME),
                       WidgetOf(&parent), static_cast<QWidget*>(view->header()), view->viewport()}) {
      ASSERT_NE(w, nullptr);
      k.push_back(w->palette().cacheKey());
    }
    parent.DestroyWindow();
    dlg.DestroyWindow();
  }
  EXPECT_EQ(keys[0], keys[1]);
}

TEST_F(LayerTest, PopupMenusPostTheChosenCommand) {
  struct Owner : CWnd {
    UINT got = 0;
    BOOL OnCommand(WPARAM w, LPARAM) override {
      got = LOWORD(w);
      return TRUE;
    }
  } owner;
  ASSERT_TRUE(owner.Create(nullptr, "o", WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(500));
  CMenu* popup = menu.GetSubMenu(0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetMenuItemCount(), 2u);
  popup->EnableMenuItem(40001, MF_BYCOMMAND | MF_GRAYED);
  qvtest::ui::WhenPopupShows([](QWidget* p) { qvtest::ui::ChooseMenuItem(p, "Second"); });
  EXPECT_TRUE(popup->TrackPopupMenu(TPM_LEFTALIGN, 10, 10, &owner));
  EXPECT_EQ(owner.got, 0u);  // posted: it runs after the caller returns
  Pump();
  EXPECT_EQ(owner.got, 40002u);
  owner.DestroyWindow();
}

// What runs while a popup menu waits for its pick (a posted message, the
// window manager closing the window) may destroy the window that opened it
// (a list in a window that stays, or a window of its own, with the menu's
// parent): the menu goes quietly and the pick reaches nothing.
TEST_F(LayerTest, APopupMenuOutlivesTheWindowThatOpenedIt) {
  struct Owner : CWnd {
    int* commands = nullptr;
    BOOL OnCommand(WPARAM, LPARAM) override {
      ++*commands;
      return TRUE;
    }
    void PostNcDestroy() override { delete this; }
  };
  for (bool child : {true, false}) {
    for (bool pick : {true, false}) {
      CWnd frame;
      ASSERT_TRUE(frame.Create(nullptr, "f", WS_VISIBLE, CRect(0, 0, 200, 200), nullptr, 0));
      int commands = 0;
      auto* owner = new Owner;
      owner->commands = &commands;
      ASSERT_TRUE(owner->Create(nullptr, "o", WS_VISIBLE | (child ? WS_CHILD : 0), CRect(0, 0, 100, 100),
                                child ? &frame : nullptr, 1));
      CMenu menu;
      ASSERT_TRUE(menu.LoadMenu(500));
      bool shown = false;
      qvtest::ui::WhenPopupShows([&](QWidget* p) {
        shown = true;
        QPointer<QWidget> popup(p);
        ::PostMessageA(owner->m_hWnd, WM_CLOSE, 0, 0);
        Pump();
        if (popup && pick) qvtest::ui::ChooseMenuItem(popup, "Second");
        if (popup && !pick) popup->close();
      });
      EXPECT_FALSE(menu.GetSubMenu(0)->TrackPopupMenu(TPM_LEFTALIGN, 10, 10, owner)) << child << pick;
      EXPECT_TRUE(shown);
      Pump();
      EXPECT_EQ(commands, 0);
      frame.DestroyWindow();
    }
  }
}

TEST_F(LayerTest, CopiesReadOnlyTheSourceBitmapAndMasksKeepTheDestination) {
  // A 4 x 2 bitmap: white left half, red right half.
  CBitmap source;
  ASSERT_TRUE(source.CreateCompatibleBitmap(nullptr, 4, 2));
  CDC src;
  src.CreateCompatibleDC(nullptr);
  src.SelectObject(&source);
  src.FillSolidRect(0, 0, 2, 2, RGB(255, 255, 255));
  src.FillSolidRect(2, 0, 2, 2, RGB(255, 0, 0));
  // Destination 8 x 4, blue.
  CBitmap target;
  ASSERT_TRUE(target.CreateCompatibleBitmap(nullptr, 8, 4));
  CDC dst;
  dst.CreateCompatibleDC(nullptr);
  dst.SelectObject(&target);
  dst.FillSolidRect(0, 0, 8, 4, RGB(0, 0, 255));
  // Mask: 1 where the source is white (its background colour).
  CBitmap mask;
  ASSERT_TRUE(mask.CreateBitmap(8, 4, 1, 1, nullptr));
  CDC msk;
  msk.CreateCompatibleDC(nullptr);
  msk.SelectObject(&mask);
  src.SetBkColor(RGB(255, 255, 255));
  msk.BitBlt(0, 0, 8, 4, &src, 0, 0, SRCCOPY);
  // Keep the destination where the mask is 1, copy the source elsewhere;
  // beyond the 4 x 2 source nothing changes.
  dst.MaskBlt(0, 0, 8, 4, &src, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029u, SRCCOPY));
  EXPECT_EQ(target.GetPixel(0, 0), RGB(0, 0, 255));   // white: transparent
  EXPECT_EQ(target.GetPixel(3, 1), RGB(255, 0, 0));   // red copied
  EXPECT_EQ(target.GetPixel(6, 3), RGB(0, 0, 255));   // beyond the source
  EXPECT_EQ(target.GetPixel(5, 0), RGB(0, 0, 255));
}

class SheetPage : public CPropertyPage {
 public:
  SheetPage(UINT id, int ctl) : CPropertyPage(id), ctl_(ctl) {}
  CString m_strValue;
  int oks = 0;
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, ctl_, m_strValue); }
  void OnOK() override { ++oks; }

 private:
  int ctl_;
};

TEST_F(LayerTest, PropertySheetsStoreOnlyPagesThatWereOpened) {
  CPropertySheet sheet("Settings");
  sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
  SheetPage one(IDD_PAGE1, IDC_NAME);
  SheetPage two(IDD_PAGE2, IDC_COUNT);
  one.m_strValue = "first";
  sheet.AddPage(&one);
  sheet.AddPage(&two);
  people_.QueueDrive([&](CWnd* w) {
    Type(one.m_hWnd->wnd, IDC_NAME, "changed");
    Click(WidgetOf(w)->findChild<QPushButton*>("qv_sheet_button_1"));
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_EQ(one.m_strValue, "changed");
  EXPECT_EQ(one.oks, 1);
  EXPECT_EQ(two.oks, 0);  // its tab was never opened
  // Cancel stores nothing.
  people_.QueueDrive([&](CWnd* w) {
    Type(one.m_hWnd->wnd, IDC_NAME, "dropped");
    qvtest::ui::Key(WidgetOf(w), Qt::Key_Escape);
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_EQ(one.m_strValue, "changed");
}

}  // namespace
