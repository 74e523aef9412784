// Dialog templates of the extraction dialogs: the extraction-folder dialog
// (136) and the extraction copy of the list (133). Both have one layout:
// the structure with its preview above, the root and the folder names
// below, the buttons at the bottom. Sizes in dialog units.
#include <iterator>

#include "platform/ui/messages.h"
#include "platform/ui/prompt.h"
#include "platform/ui/treectrl.h"
#include "res/resource.h"
#include "res/tables.h"

namespace qv::res {
namespace {

constexpr const char* kFace = "ＭＳ Ｐゴシック";
constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
using C = Ctl;

// The rows both templates share, up to the buttons. The five thin statics
// draw the tree lines from one level's name to the next.
#define QV_EXTRACT_COMMON_ROWS                                                                                  \
  {IDC_STATIC, C::GroupBox, "抽出先フォルダ構成", 7, 6, 112, 62},                                               \
      {IDC_EXTRACT_DIRECT, C::RadioButton, "直下出力", 16, 20, 96, 10, WS_GROUP | WS_TABSTOP},                \
      {IDC_EXTRACT_FIRST_LEVEL, C::RadioButton, "第一階層下出力", 16, 34, 96, 10},                            \
      {IDC_EXTRACT_SECOND_LEVEL, C::RadioButton, "第二階層下出力", 16, 48, 96, 10},                           \
      {IDC_STATIC, C::LText, "構成プレビュー", 128, 6, 100, 9},                                                \
      {IDC_EXTRACT_PREVIEW, C::TreeView, "", 128, 16, 222, 100,                                                \
       TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | WS_TABSTOP, 0, WS_EX_CLIENTEDGE},                     \
      {IDC_STATIC, C::LText, "【抽出先フォルダパス】", 7, 124, 150, 9},                                      \
      {IDC_EXTRACT_ROOT, C::Edit, "", 7, 135, 276, 13, ES_AUTOHSCROLL | WS_TABSTOP},                          \
      {IDC_EXTRACT_SELECT_FOLDER, C::PushButton, "フォルダ選択...", 288, 134, 62, 15, WS_TABSTOP},            \
      {IDC_STATIC, C::GroupBox, "フォルダ構成内容", 7, 155, 343, 66},                                          \
      {IDC_EXTRACT_FIRST_LABEL, C::LText, "第一階層", 16, 169, 40, 9},                                         \
      {IDC_EXTRACT_FIRST_NAME, C::Edit, "", 60, 167, 100, 13, ES_AUTOHSCROLL | WS_TABSTOP},                   \
      {IDC_EXTRACT_COUNTER, C::UpDown, "", 160, 167, 10, 13, UDS_ARROWKEYS},                                   \
      {IDC_EXTRACT_SECOND_LABEL, C::LText, "第二階層", 36, 187, 40, 9},                                        \
      {IDC_EXTRACT_SECOND_NAME, C::Edit, "", 80, 185, 100, 13, ES_AUTOHSCROLL | WS_TABSTOP},                  \
      {IDC_STATIC, C::LText, "修正前 (OLD)", 56, 205, 54, 9, SS_LEFTNOWORDWRAP},                                                   \
      {IDC_EXTRACT_OLD_NAME, C::Edit, "", 112, 203, 82, 13, ES_AUTOHSCROLL | WS_TABSTOP},                     \
      {IDC_STATIC, C::LText, "修正後 (NEW)", 206, 205, 54, 9, SS_LEFTNOWORDWRAP},                                                  \
      {IDC_EXTRACT_NEW_NAME, C::Edit, "", 262, 203, 80, 13, ES_AUTOHSCROLL | WS_TABSTOP},                     \
      {IDC_STATIC, C::Frame, "", 22, 179, 1, 13},                                                              \
      {IDC_STATIC, C::Frame, "", 22, 191, 12, 1},                                                              \
      {IDC_STATIC, C::Frame, "", 42, 197, 1, 13},                                                              \
      {IDC_STATIC, C::Frame, "", 42, 209, 12, 1},                                                              \
      {IDC_STATIC, C::Frame, "", 197, 209, 6, 1}

const DialogItem kExtractSel[] = {
    QV_EXTRACT_COMMON_ROWS,
    {IDC_EXTRACT_CHANGE_SOURCE, C::PushButton, "抽出元フォルダを変更", 7, 227, 96, 15, WS_TABSTOP},
    {IDC_EXTRACT_RUN, C::DefPushButton, "設定", 232, 227, 56, 15, WS_TABSTOP},
    {IDCANCEL, C::PushButton, "キャンセル", 294, 227, 56, 15, WS_TABSTOP},
};

const DialogItem kExtractCopy[] = {
    QV_EXTRACT_COMMON_ROWS,
    {IDOK, C::DefPushButton, "ファイルコピー実行", 7, 227, 80, 15, WS_TABSTOP, kHidden},
    {IDC_EXTRACT_RUN, C::DefPushButton, "ファイルリスト抽出コピー実行", 168, 227, 120, 15, WS_TABSTOP},
    {IDCANCEL, C::PushButton, "キャンセル", 294, 227, 56, 15, WS_TABSTOP},
};

#undef QV_EXTRACT_COMMON_ROWS

}  // namespace

const DialogTemplate kDlgFormDlgSel = {IDD_FORMDLG_SEL, "選択ファイル抽出先フォルダ設定", 357, 247, kFace, 10, kModal,
                                       kExtractSel, std::size(kExtractSel)};
const DialogTemplate kDlgFormDlg = {IDD_FORMDLG, "ファイルリスト抽出コピー", 357, 247, kFace, 10, kModal,
                                    kExtractCopy, std::size(kExtractCopy)};

}  // namespace qv::res
