// Dialog templates of the small dialogs: the overwrite and delete
// questions, the comment editor, the two information dialogs and the about
// box. Sizes in dialog units.
#include <iterator>

#include "platform/ui/messages.h"
#include "platform/ui/prompt.h"
#include "res/resource.h"
#include "res/tables.h"

namespace qv::res {
namespace {

constexpr const char* kFace = "ＭＳ Ｐゴシック";
constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
using C = Ctl;

// A read-only field of the information dialogs.
constexpr DWORD kField = ES_AUTOHSCROLL;

// The overwrite question: its answers are the four buttons, none of them
// IDOK or IDCANCEL.
const DialogItem kOverwrite[] = {
    {IDC_QUESTION_ICON, C::Icon, "", 12, 10, 21, 20, 0, 0, 0, IDI_QUESTION_DLG},
    {IDC_STATIC, C::LText, "コピー先にファイルが既に存在します。上書きしてもいいですか？", 44, 12, 352, 10},
    {IDC_QUESTION_FILE, C::LText, "", 44, 28, 352, 30},
    {IDYES, C::DefPushButton, "はい(&Y)", 64, 68, 60, 15, WS_GROUP | WS_TABSTOP},
    {IDC_OVERWRITE_ALL, C::PushButton, "すべてを上書き(&A)", 130, 68, 80, 15, WS_TABSTOP},
    {IDNO, C::PushButton, "いいえ(&N)", 216, 68, 60, 15, WS_TABSTOP},
    {IDC_QUESTION_CANCEL, C::PushButton, "キャンセル", 282, 68, 60, 15, WS_TABSTOP},
};

// The delete (or revert) question; the question line is set when it opens.
const DialogItem kDelete[] = {
    {IDC_QUESTION_ICON, C::Icon, "", 12, 10, 21, 20, 0, 0, 0, IDI_QUESTION_DLG},
    {IDC_DELETE_QUESTION, C::LText, "", 44, 12, 352, 10},
    {IDC_QUESTION_FILE, C::LText, "", 44, 28, 352, 30},
    {IDYES, C::DefPushButton, "はい(&Y)", 64, 68, 60, 15, WS_GROUP | WS_TABSTOP},
    {IDC_DELETE_ALL, C::PushButton, "すべてはい(&A)", 130, 68, 80, 15, WS_TABSTOP},
    {IDNO, C::PushButton, "いいえ(&N)", 216, 68, 60, 15, WS_TABSTOP},
    {IDC_QUESTION_CANCEL, C::PushButton, "キャンセル", 282, 68, 60, 15, WS_TABSTOP},
};

const DialogItem kComment[] = {
    {IDC_STATIC, C::LText, "DVDコメント", 8, 7, 120, 9},
    {IDC_EDIT_COMMENT, C::Edit, "", 8, 18, 284, 92,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP},
    {IDOK, C::DefPushButton, "ＯＫ", 176, 117, 55, 15, WS_GROUP | WS_TABSTOP},
    {IDCANCEL, C::PushButton, "キャンセル", 237, 117, 55, 15, WS_TABSTOP},
};

// The document header: one labelled read-only line per value.
const DialogItem kFileInfo[] = {
    {IDC_STATIC, C::LText, "ファイル作成日", 12, 10, 194, 9},
    {IDC_INFO_CREATED, C::RichEdit, "", 12, 20, 194, 13, kField, kDisabled},
    {IDC_STATIC, C::LText, "ファイル修正日", 12, 44, 194, 9},
    {IDC_INFO_SAVED, C::RichEdit, "", 12, 54, 194, 13, kField, kDisabled},
    {IDC_STATIC, C::LText, "ファイルバージョン", 12, 78, 194, 9},
    {IDC_INFO_VERSION, C::RichEdit, "", 12, 88, 194, 13, kField, kDisabled},
    {IDC_STATIC, C::LText, "作成ユーザ名", 12, 112, 194, 9},
    {IDC_INFO_USER, C::RichEdit, "", 12, 122, 194, 13, kField, kDisabled},
    {IDC_STATIC, C::LText, "作成プログラム（バナー・バージョン）", 12, 146, 194, 9},
    {IDC_INFO_BANNER, C::RichEdit, "", 12, 156, 194, 13, kField, kDisabled},
    {IDOK, C::DefPushButton, "閉じる", 84, 188, 50, 15, WS_GROUP | WS_TABSTOP},
};

// One merge record: the OLD side left, the NEW side right, the diff
// evaluation below.
const DialogItem kDiffInfo[] = {
    {IDC_STATIC, C::LText, "ファイル名称", 8, 10, 48, 9},
    {IDC_DIFF_FILE_NAME, C::RichEdit, "", 58, 8, 233, 13, kField, kDisabled},

    {IDC_STATIC, C::GroupBox, "ファイル(OLD)", 6, 26, 141, 120},
    {IDC_STATIC, C::LText, "生成日時", 14, 38, 126, 9},
    {IDC_DIFF_OLD_CREATED, C::RichEdit, "", 14, 48, 126, 12, kField, kDisabled},
    {IDC_STATIC, C::LText, "修正日時", 14, 64, 126, 9},
    {IDC_DIFF_OLD_MODIFIED, C::RichEdit, "", 14, 74, 126, 12, kField, kDisabled},
    {IDC_STATIC, C::LText, "アクセス日時", 14, 90, 126, 9},
    {IDC_DIFF_OLD_ACCESSED, C::RichEdit, "", 14, 100, 126, 12, kField, kDisabled},
    {IDC_STATIC, C::LText, "行数", 14, 116, 44, 9},
    {IDC_DIFF_OLD_LINES, C::RichEdit, "", 14, 126, 44, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "ファイルサイズ", 64, 116, 76, 9},
    {IDC_DIFF_OLD_SIZE, C::RichEdit, "", 64, 126, 50, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "バイト", 116, 128, 26, 9},

    {IDC_STATIC, C::GroupBox, "ファイル(NEW)", 152, 26, 141, 120},
    {IDC_STATIC, C::LText, "生成日時", 160, 38, 126, 9},
    {IDC_DIFF_NEW_CREATED, C::RichEdit, "", 160, 48, 126, 12, kField, kDisabled},
    {IDC_STATIC, C::LText, "修正日時", 160, 64, 126, 9},
    {IDC_DIFF_NEW_MODIFIED, C::RichEdit, "", 160, 74, 126, 12, kField, kDisabled},
    {IDC_STATIC, C::LText, "アクセス日時", 160, 90, 126, 9},
    {IDC_DIFF_NEW_ACCESSED, C::RichEdit, "", 160, 100, 126, 12, kField, kDisabled},
    {IDC_STATIC, C::LText, "行数", 160, 116, 44, 9},
    {IDC_DIFF_NEW_LINES, C::RichEdit, "", 160, 126, 44, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "ファイルサイズ", 210, 116, 76, 9},
    {IDC_DIFF_NEW_SIZE, C::RichEdit, "", 210, 126, 50, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "バイト", 262, 128, 26, 9},

    {IDC_STATIC, C::GroupBox, "diffファイル改造評価", 6, 156, 287, 124},
    {IDC_STATIC, C::LText, "追加行数（diff）", 14, 172, 62, 9},
    {IDC_DIFF_ADDED, C::RichEdit, "", 78, 170, 50, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "削除行数（diff）", 14, 190, 62, 9},
    {IDC_DIFF_DELETED, C::RichEdit, "", 78, 188, 50, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "改造行数", 14, 208, 62, 9},
    {IDC_DIFF_CHANGED, C::RichEdit, "", 78, 206, 50, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "ステップ数の差", 14, 226, 62, 9},
    {IDC_DIFF_STEPS, C::RichEdit, "", 78, 224, 50, 12, kField | ES_RIGHT, kDisabled},

    {IDC_STATIC, C::GroupBox, " diff ", 138, 164, 148, 74},
    {IDC_STATIC, C::LText, "追加 (a)", 146, 182, 38, 9},
    {IDC_DIFF_A, C::RichEdit, "", 204, 180, 30, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, " 修 正(c)", 146, 202, 38, 9},
    {IDC_STATIC, C::LText, "追加", 186, 202, 17, 9},
    {IDC_DIFF_C_ADDED, C::RichEdit, "", 204, 200, 30, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "削除", 238, 202, 17, 9},
    {IDC_DIFF_C_DELETED, C::RichEdit, "", 256, 200, 26, 12, kField | ES_RIGHT, kDisabled},
    {IDC_STATIC, C::LText, "削除 (d)", 146, 222, 38, 9},
    {IDC_DIFF_D, C::RichEdit, "", 204, 220, 30, 12, kField | ES_RIGHT, kDisabled},

    {IDC_STATIC, C::LText, "作成日時", 14, 256, 62, 9},
    {IDC_DIFF_EVALUATED, C::RichEdit, "", 78, 254, 130, 12, kField, kDisabled},

    {IDCANCEL, C::DefPushButton, "閉じる", 124, 292, 50, 15, WS_GROUP | WS_TABSTOP},
};

// The about box: title, rights holder, the scrolling picture between the
// two lines (painted by the dialog) and the legal lines.
const DialogItem kAbout[] = {
    {IDC_STATIC, C::Icon, "", 14, 4, 21, 20, 0, 0, 0, IDR_MAINFRAME},
    {IDC_STATIC, C::LText, "Quarvex　Version 1.04", 44, 6, 200, 9, SS_LEFTNOWORDWRAP},
    {IDC_STATIC, C::LText, "Copyright (C) 2024 Quarvex 開発チーム", 44, 16, 200, 9, SS_LEFTNOWORDWRAP},
    {IDC_STATIC, C::HLine, "", 7, 28, 283, 1},
    {IDC_STATIC, C::HLine, "", 7, 96, 283, 1},
    {IDC_STATIC, C::LText, "警告：本プログラムは著作権法により保護されています。", 14, 102, 214, 9,
     SS_LEFTNOWORDWRAP},
    {IDC_STATIC, C::LText, "無断で複製・配布・改変することを禁じます。", 14, 114, 214, 9, SS_LEFTNOWORDWRAP},
    {IDC_STATIC, C::LText, "違反した場合は法律により処罰されることがあります。", 14, 126, 214, 9,
     SS_LEFTNOWORDWRAP},
    {IDOK, C::DefPushButton, "ＯＫ", 232, 123, 50, 14, WS_GROUP | WS_TABSTOP},
};

}  // namespace

const DialogTemplate kDlgMessageBoxOW = {IDD_MESSAGEBOX_OW, "ZEK", 406, 91, kFace, 10, kModal, kOverwrite,
                                         std::size(kOverwrite)};
const DialogTemplate kDlgMessageBoxDEL = {IDD_MESSAGEBOX_DEL, "ZEK", 406, 91, kFace, 10, kModal, kDelete,
                                          std::size(kDelete)};
const DialogTemplate kDlgRevComment = {IDD_REV_COMMENT, "DVDコメント", 300, 139, kFace, 10, kModal, kComment,
                                       std::size(kComment)};
const DialogTemplate kDlgFileInfo = {IDD_FILE_INFO, "ファイル情報", 218, 213, kFace, 10, kModal, kFileInfo,
                                     std::size(kFileInfo)};
const DialogTemplate kDlgDiffFileInfo = {IDD_DIFF_FILE_INFO, "ファイル情報表示", 299, 319, kFace, 10, kModal,
                                         kDiffInfo, std::size(kDiffInfo)};
const DialogTemplate kDlgAbout = {IDD_ABOUTBOX, "Quarvexのバージョン情報", 297, 147, kFace, 10, kModal, kAbout,
                                  std::size(kAbout)};

}  // namespace qv::res
