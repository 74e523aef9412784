// Dialog templates of the settings sheet's pages and of the two filter
// dialogs. Sizes in dialog units. Controls the program keeps but does not
// show carry kHidden; they are exchanged and stored like the others.
#include <iterator>

#include "platform/ui/messages.h"
#include "res/resource.h"
#include "res/tables.h"

namespace qv::res {
namespace {

constexpr const char* kFace = "ＭＳ Ｐゴシック";
constexpr DWORD kPage = WS_CHILD;
constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPathEdit = ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kDrop = WS_EX_ACCEPTFILES;
constexpr DWORD kCheckList =
    LBS_SORT | LBS_EXTENDEDSEL | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kPlainList = LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
using C = Ctl;

// "プログラム設定": the CSV viewer is shown; the editor and the three
// comparison programs with their menu texts are kept hidden.
const DialogItem kEnvCommand[] = {
    {IDC_STATIC, C::GroupBox, "DVDファイル情報表示プロラグム", 7, 7, 306, 34},
    {IDC_STATIC, C::LText, "プログラム", 15, 23, 38, 8},
    {IDC_ENV_CMD_EXCEL, C::Edit, "", 55, 21, 203, 13, kPathEdit, 0, kDrop},
    {IDC_ENV_BROWSE_EXCEL, C::PushButton, "参照...", 262, 20, 44, 15, WS_TABSTOP},

    {IDC_STATIC, C::GroupBox, "テキストエディタプログラム", 7, 47, 306, 30, 0, kHidden},
    {IDC_ENV_CMD_EDITOR, C::Edit, "", 15, 59, 243, 13, kPathEdit, kHidden, kDrop},
    {IDC_ENV_BROWSE_EDITOR, C::PushButton, "参照...", 262, 58, 44, 15, WS_TABSTOP, kHidden},

    {IDC_STATIC, C::GroupBox, "ファイル比較プログラム （１）－DF file-1 file-2  ｜　dir-1 dir-2  （ＧＵＩ）", 7, 81, 306,
     30, 0, kHidden},
    {IDC_ENV_CMD_DF, C::Edit, "", 15, 93, 143, 13, kPathEdit, kHidden, kDrop},
    {IDC_STATIC, C::LText, "メニュー文字列", 162, 95, 50, 8, 0, kHidden},
    {IDC_ENV_MENU_DF, C::Edit, "", 212, 93, 46, 13, ES_AUTOHSCROLL | WS_TABSTOP, kHidden},
    {IDC_ENV_BROWSE_DF, C::PushButton, "参照...", 262, 92, 44, 15, WS_TABSTOP, kHidden},

    {IDC_STATIC, C::GroupBox, "ファイル比較プログラム（２）－windiff file-1 file-2  ｜　dir-1 dir-2  （ＧＵＩ）", 7, 115,
     306, 30, 0, kHidden},
    {IDC_ENV_CMD_WINDIFF, C::Edit, "", 15, 127, 143, 13, kPathEdit, kHidden, kDrop},
    {IDC_STATIC, C::LText, "メニュー文字列", 162, 129, 50, 8, 0, kHidden},
    {IDC_ENV_MENU_WINDIFF, C::Edit, "", 212, 127, 46, 13, ES_AUTOHSCROLL | WS_TABSTOP, kHidden},
    {IDC_ENV_BROWSE_WINDIFF, C::PushButton, "参照...", 262, 126, 44, 15, WS_TABSTOP, kHidden},

    {IDC_STATIC, C::GroupBox, "ファイル比較プログラム（３）－diff file-1 file-2 > file-diff  （標準出力）", 7, 149, 306,
     30, 0, kHidden},
    {IDC_ENV_CMD_DIFF, C::Edit, "", 15, 161, 143, 13, kPathEdit, kHidden, kDrop},
    {IDC_STATIC, C::LText, "メニュー文字列", 162, 163, 50, 8, 0, kHidden},
    {IDC_ENV_MENU_DIFF, C::Edit, "", 212, 161, 46, 13, ES_AUTOHSCROLL | WS_TABSTOP, kHidden},
    {IDC_ENV_BROWSE_DIFF, C::PushButton, "参照...", 262, 160, 44, 15, WS_TABSTOP, kHidden},
};

// "初期設定": the DVD storage folder and the default comment are shown; the
// other folders and the shortcut controls are kept hidden (they lie under
// the comment).
const DialogItem kEnvFolder[] = {
    {IDC_STATIC, C::LText, "【ＤＶＤ格納ＨＤＤドライブ】", 7, 8, 200, 8},
    {IDC_ENV_OLD_PATH, C::Edit, "", 7, 19, 247, 13, kPathEdit, 0, kDrop},
    {IDC_ENV_BROWSE_OLD, C::PushButton, "フォルダ選択...", 258, 18, 55, 15, WS_TABSTOP},
    {IDC_STATIC, C::LText, "【コメント】", 7, 42, 100, 8},
    {IDC_ENV_COMMENT, C::Edit, "", 7, 53, 306, 126,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP},

    {IDC_STATIC, C::LText, "【比較フォルダ２（修正後：NEW）】", 14, 60, 200, 8, 0, kHidden},
    {IDC_ENV_NEW_PATH, C::Edit, "", 14, 71, 236, 13, kPathEdit, kHidden, kDrop},
    {IDC_ENV_BROWSE_NEW, C::PushButton, "フォルダ選択...", 252, 70, 55, 15, WS_TABSTOP, kHidden},
    {IDC_STATIC, C::LText, "【作業フォルダパス（DIFF）】", 14, 88, 200, 8, 0, kHidden},
    {IDC_ENV_DIFF_PATH, C::Edit, "", 14, 99, 236, 13, kPathEdit, kHidden, kDrop},
    {IDC_ENV_BROWSE_DIFF_PATH, C::PushButton, "フォルダ選択...", 252, 98, 55, 15, WS_TABSTOP, kHidden},
    {IDC_STATIC, C::LText, "【抽出先フォルダパス】", 14, 116, 200, 8, 0, kHidden},
    {IDC_ENV_EXTRACT_PATH, C::Edit, "", 14, 127, 236, 13, kPathEdit, kHidden, kDrop},
    {IDC_ENV_BROWSE_EXTRACT, C::PushButton, "フォルダ選択...", 252, 126, 55, 15, WS_TABSTOP, kHidden},
    {IDC_STATIC, C::LText, "【マスター反映先フォルダパス】", 14, 144, 200, 8, 0, kHidden},
    {IDC_ENV_MASTER_PATH, C::Edit, "", 14, 155, 236, 13, kPathEdit, kHidden, kDrop},
    {IDC_ENV_BROWSE_MASTER, C::PushButton, "フォルダ選択...", 252, 154, 55, 15, WS_TABSTOP, kHidden},

    {IDC_STATIC, C::GroupBox, "ショートカット名称", 10, 56, 300, 34, 0, kHidden},
    {IDC_ENV_SHORTCUT_NAME, C::Edit, "", 16, 70, 170, 13, ES_AUTOHSCROLL | WS_TABSTOP, kHidden},
    {IDC_ENV_CREATE_SHORTCUT, C::PushButton, "ｼｮｰﾄｶｯﾄ作成", 190, 69, 54, 15, WS_TABSTOP, kHidden},
    {IDC_ENV_SHOW_SHORTCUTS, C::PushButton, "ｼｮｰﾄｶｯﾄﾌｫﾙﾀﾞ表示", 248, 69, 58, 15, WS_TABSTOP, kHidden},
};

// "表示設定": built with the sheet, never added to it.
const DialogItem kEnvListMode[] = {
    {IDC_STATIC, C::GroupBox, "表示するファイル", 7, 7, 306, 62},
    {IDC_ENV_SHOW_SAME, C::CheckBox, "同じファイルを表示", 15, 19, 140, 10, WS_TABSTOP},
    {IDC_ENV_SHOW_NEW, C::CheckBox, "新規ファイルを表示", 15, 31, 140, 10, WS_TABSTOP},
    {IDC_ENV_SHOW_DELETED, C::CheckBox, "削除ファイルを表示", 15, 43, 140, 10, WS_TABSTOP},
    {IDC_ENV_SHOW_DIFF, C::CheckBox, "異なるファイルを表示", 15, 55, 140, 10, WS_TABSTOP},
    {IDC_STATIC, C::GroupBox, "修正日", 7, 74, 306, 62},
    {IDC_ENV_DATE_WINDOW, C::CheckBox, "修正日を制限してリスト表示", 15, 86, 160, 10, WS_TABSTOP},
    {IDC_STATIC, C::LText, "開始", 23, 103, 18, 8},
    {IDC_ENV_DAYS_FROM, C::Edit, "", 43, 101, 32, 13, ES_NUMBER | ES_RIGHT | WS_TABSTOP},
    {IDC_ENV_SPIN_FROM, C::UpDown, "", 75, 101, 10, 13, UDS_ARROWKEYS},
    {IDC_STATIC, C::LText, "日前", 88, 103, 18, 8},
    {IDC_ENV_DATE_FROM, C::LText, "", 108, 101, 150, 13, SS_SUNKEN | SS_CENTERIMAGE | SS_LEFTNOWORDWRAP},
    {IDC_ENV_CALC_FROM, C::PushButton, "計算", 264, 100, 40, 15, WS_TABSTOP},
    {IDC_STATIC, C::LText, "終了", 23, 120, 18, 8},
    {IDC_ENV_DAYS_TO, C::Edit, "", 43, 118, 32, 13, ES_NUMBER | ES_RIGHT | WS_TABSTOP},
    {IDC_ENV_SPIN_TO, C::UpDown, "", 75, 118, 10, 13, UDS_ARROWKEYS},
    {IDC_STATIC, C::LText, "日前", 88, 120, 18, 8},
    {IDC_ENV_DATE_TO, C::LText, "", 108, 118, 150, 13, SS_SUNKEN | SS_CENTERIMAGE | SS_LEFTNOWORDWRAP},
    {IDC_ENV_CALC_TO, C::PushButton, "計算", 264, 117, 40, 15, WS_TABSTOP},
    {IDC_ENV_DIFF_OVER_DATE, C::CheckBox,
     "diffファイルの内容を優先する\n　（ファイルの日付が違ってもdiffファイルが同じなら同じファイルとみなす）", 15, 143, 298,
     22, WS_TABSTOP},
};

// "操作設定": built with the sheet, never added to it.
const DialogItem kEnvOpeMode[] = {
    {IDC_ENV_SUBDIR_SEARCH, C::CheckBox, "サブフォルダまで検索する", 15, 7, 200, 10, WS_TABSTOP},
    {IDC_ENV_DIR_EXIST_DIFF, C::CheckBox, "両方のフォルダが存在する場合のみ比較する", 15, 19, 200, 10, WS_TABSTOP},
    {IDC_ENV_KEEP_COMMENT, C::CheckBox, "修正コメントを保持する", 15, 31, 200, 10, WS_TABSTOP},
    {IDC_STATIC, C::GroupBox, "操作選択", 7, 45, 306, 80},
    {IDC_ENV_OPE_FIRST, C::RadioButton, "DF 表示", 15, 57, 140, 10, WS_GROUP | WS_TABSTOP},
    {IDC_ENV_OPE_FIRST + 1, C::RadioButton, "windiff 表示", 15, 68, 140, 10},
    {IDC_ENV_OPE_FIRST + 2, C::RadioButton, "diff 表示", 15, 79, 140, 10},
    {IDC_ENV_OPE_FIRST + 3, C::RadioButton, "バイナリダンプdiff表示", 15, 90, 140, 10},
    {IDC_ENV_OPE_FIRST + 4, C::RadioButton, "テキストファイル(NEW)表示", 15, 101, 140, 10},
    {IDC_ENV_OPE_FIRST + 5, C::RadioButton, "テキストファイル(OLD)表示", 15, 112, 140, 10},
    {IDC_ENV_OPE_FIRST + 6, C::RadioButton, "行番号付テキスト(NEW)表示", 160, 57, 140, 10},
    {IDC_ENV_OPE_FIRST + 7, C::RadioButton, "行番号付テキスト(OLD)表示", 160, 68, 140, 10},
    {IDC_ENV_OPE_FIRST + 8, C::RadioButton, "バイナリダンプ(NEW)表示", 160, 79, 140, 10},
    {IDC_ENV_OPE_FIRST + 9, C::RadioButton, "バイナリダンプ(OLD)表示", 160, 90, 140, 10},
    {IDC_ENV_OPE_LAST, C::RadioButton, "ファイル情報表示", 160, 101, 140, 10},
    {IDC_STATIC, C::GroupBox, "diffファイル作成", 7, 129, 306, 48},
    {IDC_ENV_DIFF_ALWAYS, C::RadioButton, "diffファイルを無条件に作成", 15, 140, 260, 10, WS_GROUP | WS_TABSTOP},
    {IDC_ENV_DIFF_IF_NEWER, C::RadioButton, "ファイルの日付が異なる場合のみdiffファイルを作成", 15, 151, 260, 10},
    {IDC_ENV_DIFF_BY_DATE, C::RadioButton, "ファイルの日付から作成", 15, 162, 260, 10},
};

// "フィルタ選択": the profile names and the four lists of the highlighted one.
const DialogItem kFileTypeSelect[] = {
    {IDC_STATIC, C::LText, "フィルタ名称", 7, 7, 100, 8},
    {IDC_FT_PROFILES, C::ListBox, "", 7, 17, 104, 156, LBS_NOTIFY | LBS_HASSTRINGS | kPlainList},
    {IDC_STATIC, C::GroupBox, "フィルタ対象", 117, 7, 130, 166},
    {IDC_STATIC, C::LText, "拡張子", 123, 19, 52, 8},
    {IDC_FT_EXT, C::ListBox, "", 123, 29, 52, 138, kPlainList},
    {IDC_STATIC, C::LText, "固定ファイル名称", 179, 19, 62, 8},
    {IDC_FT_NAMES, C::ListBox, "", 179, 29, 62, 138, kPlainList | WS_HSCROLL},
    {IDC_STATIC, C::GroupBox, "フィルタ対象外", 253, 7, 130, 166},
    {IDC_STATIC, C::LText, "拡張子", 259, 19, 52, 8},
    {IDC_FT_EXCLUDED_EXT, C::ListBox, "", 259, 29, 52, 138, kPlainList},
    {IDC_STATIC, C::LText, "フォルダ名称", 315, 19, 62, 8},
    {IDC_FT_EXCLUDED_DIRS, C::ListBox, "", 315, 29, 62, 138, kPlainList | WS_HSCROLL},
    {IDOK, C::DefPushButton, "ＯＫ", 269, 179, 54, 15, WS_TABSTOP},
    {IDCANCEL, C::PushButton, "キャンセル", 329, 179, 54, 15, WS_TABSTOP},
};

// "表示フィルタ選択": the modeless display-filter window.
const DialogItem kFileTypeSelectChk[] = {
    {IDC_STATIC, C::LText, "フィルタ名称", 7, 9, 48, 8},
    {IDC_FT_COMBO, C::ComboBox, "", 57, 7, 266, 120, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {IDC_STATIC, C::GroupBox, "フィルタ対象", 7, 25, 190, 170},
    {IDC_STATIC, C::LText, "拡張子", 13, 37, 80, 8},
    {IDC_FT_EXT, C::CheckListBox, "", 13, 47, 82, 130, kCheckList},
    {IDC_FT_ALL_EXT, C::CheckBox, "すべて選択／解除", 13, 180, 82, 10, WS_TABSTOP},
    {IDC_STATIC, C::LText, "固定ファイル名称", 101, 37, 90, 8},
    {IDC_FT_NAMES, C::CheckListBox, "", 101, 47, 90, 130, kCheckList | WS_HSCROLL},
    {IDC_FT_ALL_NAMES, C::CheckBox, "すべて選択／解除", 101, 180, 90, 10, WS_TABSTOP},
    {IDC_STATIC, C::GroupBox, "フィルタ対象外", 203, 25, 120, 170},
    {IDC_STATIC, C::LText, "拡張子", 209, 37, 52, 8},
    {IDC_FT_EXCLUDED_EXT, C::ListBox, "", 209, 47, 52, 143, kPlainList},
    {IDC_STATIC, C::LText, "フォルダ名称", 265, 37, 52, 8},
    {IDC_FT_EXCLUDED_DIRS, C::ListBox, "", 265, 47, 52, 143, kPlainList | WS_HSCROLL},
    {IDC_FT_STATE_GROUP, C::GroupBox, "ファイル状態選択更新", 7, 199, 190, 35},
    {IDC_FT_STATE_DIFF, C::CheckBox, "DIFF", 13, 212, 42, 16, BS_PUSHLIKE | WS_TABSTOP},
    {IDC_FT_STATE_NEW, C::CheckBox, "NEW", 59, 212, 42, 16, BS_PUSHLIKE | WS_TABSTOP},
    {IDC_FT_STATE_OLD, C::CheckBox, "OLD", 105, 212, 42, 16, BS_PUSHLIKE | WS_TABSTOP},
    {IDC_FT_STATE_SAME, C::CheckBox, "SAME", 151, 212, 42, 16, BS_PUSHLIKE | WS_TABSTOP},
    {IDOK, C::DefPushButton, "フィルタ選択更新", 203, 201, 120, 15, WS_TABSTOP},
    {IDC_FT_OPEN_INI, C::PushButton, "Quarvex.ini を開く", 203, 219, 78, 15, WS_TABSTOP},
    {IDCANCEL, C::PushButton, "閉じる", 285, 219, 38, 15, WS_TABSTOP},
};

}  // namespace

const DialogTemplate kDlgEnvCommand = {IDD_ENV_COMMAND, "プログラム設定", 320, 186, kFace, 10, kPage,
                                       kEnvCommand, std::size(kEnvCommand)};
const DialogTemplate kDlgEnvFolder = {IDD_ENV_FOLDER, "初期設定", 320, 186, kFace, 10, kPage, kEnvFolder,
                                      std::size(kEnvFolder)};
const DialogTemplate kDlgEnvListMode = {IDD_ENV_LIST_MODE, "表示設定", 320, 186, kFace, 10, kPage, kEnvListMode,
                                        std::size(kEnvListMode)};
const DialogTemplate kDlgEnvOpeMode = {IDD_ENV_OPE_MODE, "操作設定", 320, 186, kFace, 10, kPage, kEnvOpeMode,
                                       std::size(kEnvOpeMode)};
const DialogTemplate kDlgFileTypeSelect = {IDD_FILETYPE_SELECT, "フィルタ選択", 390, 201, kFace, 10, kPopup,
                                           kFileTypeSelect, std::size(kFileTypeSelect)};
const DialogTemplate kDlgFileTypeSelectChk = {IDD_FILETYPE_SELECT_CHK, "表示フィルタ選択", 330, 241, kFace, 10, kPopup,
                                              kFileTypeSelectChk, std::size(kFileTypeSelectChk)};

}  // namespace qv::res
