#include "compare/ItemDialogs.h"

#include <string>

#include "compare/ItemCommands.h"

namespace {

const char* QuestionText(int kind, int target) {
  if (kind != 1) return "ファイル(NEW)の修正を無効にして、ファイル(OLD)に戻してもいいですか？";
  switch (target) {
    case 1: return "NEWファイルを削除してもいいですか？";
    case 2: return "OLDファイルを削除してもいいですか？";
    case 3: return "NEWファイル，OLDファイルを削除してもいいですか？";
    default: return "メッセージ無し";
  }
}

}  // namespace

int AskItemQuestion(int kind, int target, const CString& fileLine) {
  const CString text = CString(QuestionText(kind, target)) + "\n" + fileLine;
  const qv::DialogRequest request{"CMessageBox_DEL_dlg", text, ITEM_ANSWER_CANCEL};
  return qv::GetPeople().Dialog(request, nullptr);
}

BOOL EditCommentDialog(CString& comment) {
  const qv::DialogRequest request{"CDIALOG_REV_COMMENT", comment, IDCANCEL};
  std::string answer;
  if (qv::GetPeople().Dialog(request, &answer) != IDOK) return FALSE;
  if (!answer.empty()) comment = CString(std::string_view(answer));
  return TRUE;
}

void ShowDiffInfoDialog(const DiffInfoFields& fields) {
  const qv::DialogRequest request{"CDIFF_FILE_INFO", fields.name, IDCANCEL};
  qv::GetPeople().Dialog(request, nullptr);
}
