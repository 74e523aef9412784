// Dialog templates of the main window's forms: the title pane, the
// operation form and the file and DVD list form (and the document view's
// empty template). Sizes in dialog units.
#include <iterator>

#include "platform/ui/listctrl.h"
#include "platform/ui/messages.h"
#include "res/resource.h"
#include "res/tables.h"

namespace qv::res {
namespace {

constexpr const char* kFace = "ＭＳ Ｐゴシック";
constexpr DWORD kForm = WS_CHILD;
using C = Ctl;

const DialogItem kZekView[] = {
    {IDC_STATIC, C::LText, "", 0, 0, 1, 1, 0, kHidden},
};

// The operation form: the folders, the HDD comment and the run.
const DialogItem kOperation[] = {
    {IDC_LABEL_OLD, C::LText, "【比較フォルダ１（修正前：OLD）】", 20, 14, 300, 10},
    {IDC_EDIT_OLD, C::Edit, "", 20, 26, 478, 13, ES_AUTOHSCROLL | WS_TABSTOP, 0, WS_EX_ACCEPTFILES},
    {IDC_BROWSE_OLD, C::PushButton, "フォルダ選択...", 504, 25, 62, 15, WS_TABSTOP},
    {IDC_LABEL_NEW, C::LText, "【比較フォルダ２（修正後：NEW）】", 20, 50, 300, 10},
    {IDC_EDIT_NEW, C::Edit, "", 20, 62, 478, 13, ES_AUTOHSCROLL | WS_TABSTOP, 0, WS_EX_ACCEPTFILES},
    {IDC_BROWSE_NEW, C::PushButton, "フォルダ選択...", 504, 61, 62, 15, WS_TABSTOP},
    {IDC_LABEL_DIFF, C::LText, "【作業フォルダパス（DIFF）】", 20, 86, 300, 10},
    {IDC_EDIT_DIFF, C::Edit, "", 20, 98, 478, 13, ES_AUTOHSCROLL | WS_TABSTOP, 0, WS_EX_ACCEPTFILES},
    {IDC_BROWSE_DIFF, C::PushButton, "フォルダ選択...", 504, 97, 62, 15, WS_TABSTOP},
    {IDC_STATIC, C::LText, "【HDDコメント】", 20, 124, 200, 10},
    {IDC_EDIT_COMMENT, C::Edit, "", 20, 136, 546, 120,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP},
    {IDC_RUN, C::DefPushButton, "DVD情報作成実行", 20, 266, 110, 22, WS_TABSTOP},
    {IDC_STATIC, C::LText, "作成日：", 20, 304, 44, 10},
    {IDC_STATIC_DATE, C::CText, "", 66, 302, 160, 13, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_STATIC, C::LText, "ファイル名：", 20, 324, 44, 10},
    {IDC_STATIC_DOCPATH, C::LText, "", 66, 322, 500, 13, SS_SUNKEN | SS_CENTERIMAGE | SS_LEFTNOWORDWRAP},
    {IDC_STATIC, C::LText, "ファイル比較名称", 240, 304, 70, 10, 0, kHidden},
    {IDC_EDIT_NAME, C::Edit, "", 312, 302, 120, 13, ES_AUTOHSCROLL, kHidden},
    {IDC_OPEN_INI, C::PushButton, "Quarvex.ini を開く", 446, 266, 120, 22, WS_TABSTOP},
    {IDC_OPEN_EXCEL, C::PushButton, "DVD管理EXCELファイルを開く", 300, 266, 140, 22, WS_TABSTOP},
};

// The file and DVD list form. The form lays its controls out again on every
// resize (list across the top, comments, run time, path and the drive
// information below it); the sizes here fit that layout.
const DialogItem kSource[] = {
    {IDC_FILE_LIST, C::ListView, "", 12, 12, 563, 254, LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, 0,
     WS_EX_CLIENTEDGE},
    {IDC_STATIC, C::LText, "【DVDリスト】", 12, 2, 100, 9},
    {IDC_LABEL_DVD_COMMENT, C::LText, "【DVDコメント】", 309, 271, 120, 9},
    {IDC_DVD_COMMENT, C::RichEdit, "", 309, 281, 296, 36, ES_MULTILINE | ES_READONLY | WS_VSCROLL},
    {IDC_LABEL_HDD_COMMENT, C::LText, "【HDDコメント】", 12, 271, 120, 9},
    {IDC_HDD_COMMENT, C::RichEdit, "", 12, 281, 290, 36, ES_MULTILINE | ES_READONLY | WS_VSCROLL},
    {IDC_LABEL_DATE, C::LText, "作成日：", 12, 346, 40, 9},
    {IDC_STATIC_DATE, C::CText, "", 54, 344, 112, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_DOCPATH, C::LText, "ファイル名：", 12, 361, 40, 9},
    {IDC_STATIC_DOCPATH, C::LText, "", 54, 359, 520, 12, SS_SUNKEN | SS_CENTERIMAGE | SS_LEFTNOWORDWRAP},
    {IDC_GROUP_HDD, C::GroupBox, "HDD情報", 171, 322, 400, 34},
    {IDC_LABEL_DRIVE, C::CText, "ﾄﾞﾗｲﾌﾞ", 181, 330, 28, 9},
    {IDC_DRIVE, C::CText, "", 181, 340, 28, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_VOLUME, C::CText, "ボリューム名", 209, 330, 86, 9},
    {IDC_VOLUME, C::CText, "", 209, 340, 86, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_FILESYSTEM, C::CText, "ﾌｧｲﾙｼｽﾃﾑ", 301, 330, 82, 9},
    {IDC_FILESYSTEM, C::CText, "", 301, 340, 82, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_TOTAL, C::CText, "総容量", 386, 330, 37, 9},
    {IDC_TOTAL, C::CText, "", 386, 340, 37, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_USED, C::CText, "使用量", 424, 330, 37, 9},
    {IDC_USED, C::CText, "", 424, 340, 37, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_FREE, C::CText, "空き容量", 462, 330, 42, 9},
    {IDC_FREE, C::CText, "", 462, 340, 42, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_LABEL_DVD_COUNT, C::CText, "DVD枚数", 506, 330, 42, 9},
    {IDC_DVD_COUNT, C::CText, "", 506, 340, 42, 12, SS_SUNKEN | SS_CENTERIMAGE},
    {IDC_DISPLAY_FILTER, C::CheckBox, "表示フィルタ選択...", 400, 2, 80, 10, BS_PUSHLIKE | WS_TABSTOP, kHidden},
    {IDC_DISPLAY_FILTER_HINT, C::LText,
     "「表示フィルタ選択」釦はファイル情報作成実行後に使用可能となります。　　→", 120, 2, 276, 9, 0, kHidden},
};

// The title pane: the logo is painted at its left; clock and profile list.
const DialogItem kTitle[] = {
    {IDC_CLOCK, C::RText, "", 380, 18, 190, 12, SS_CENTERIMAGE},
    {IDC_LABEL_FILTER, C::LText, "フィルタ選択", 96, 6, 60, 9},
    {IDC_COMBO_FILTER, C::ComboBox, "", 96, 16, 196, 160, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {IDC_FILTER_SELECT, C::PushButton, "フィルタ選択...", 298, 15, 62, 14, WS_TABSTOP},
    {IDC_LABEL_OPERATION, C::LText, "操作選択", 96, 6, 60, 9, 0, kHidden},
    {IDC_COMBO_OPERATION, C::ComboBox, "", 96, 16, 196, 160, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kHidden},
    {IDC_GROUP_MODE, C::GroupBox, "機能選択", 300, 2, 76, 34, 0, kHidden},
    {IDC_RADIO_COMPARE, C::RadioButton, "比較モード", 306, 12, 66, 10, WS_GROUP | WS_TABSTOP, kHidden},
    {IDC_RADIO_LIST, C::RadioButton, "リストモード", 306, 23, 66, 10, 0, kHidden},
};

}  // namespace

const DialogTemplate kDlgZekView = {IDD_ZEKVIEW, "", 100, 60, kFace, 10, kForm, kZekView, std::size(kZekView)};
const DialogTemplate kDlgOperationForm = {IDD_OPERATION_FORM, "", 586, 366, kFace, 10, kForm, kOperation,
                                          std::size(kOperation)};
const DialogTemplate kDlgSourceForm = {IDD_SOURCE_FORM, "", 586, 371, kFace, 10, kForm, kSource, std::size(kSource)};
const DialogTemplate kDlgTitleForm = {IDD_TITLE_FORM, "", 578, 40, kFace, 10, kForm, kTitle, std::size(kTitle)};

}  // namespace qv::res
