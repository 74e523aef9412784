// Texts of the framework's own strings, used when the program's string
// table does not have them.
#include "platform/ui/dialog.h"
#include "platform/ui/resources.h"

namespace qv {

const char* FrameworkString(UINT id) {
  if (const char* s = qv::res::FindString(id)) return s;
  switch (id) {
    case AFX_IDS_IDLEMESSAGE:
      return "レディ";
    case AFX_IDS_UNTITLED:
      return "無題";
    case AFX_IDP_ASK_TO_SAVE:
      return "%1 への変更を保存しますか?";
    case AFX_IDP_FAILED_TO_OPEN_DOC:
      return "ドキュメントを開けませんでした。";
    case AFX_IDP_PARSE_INT:
      return "整数を入力してください。";
    case AFX_IDP_PARSE_INT_RANGE:
      return "%1 から %2 までの整数を入力してください。";
    case AFX_IDS_ALLFILTER:
      return "すべてのファイル (*.*)";
    case ID_INDICATOR_KANA:
      return "カナ";
    case ID_INDICATOR_CAPS:
      return "CAP";
    case ID_INDICATOR_NUM:
      return "NUM";
    case ID_INDICATOR_SCRL:
      return "SCRL";
    default:
      return nullptr;
  }
}

}  // namespace qv
