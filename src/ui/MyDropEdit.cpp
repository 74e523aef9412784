#include "ui/MyDropEdit.h"

#include <vector>

IMPLEMENT_DYNAMIC(CMyDropEdit, CEdit)

BEGIN_MESSAGE_MAP(CMyDropEdit, CEdit)
  ON_WM_DROPFILES()
END_MESSAGE_MAP()

// A member object has no window yet: the template's WS_EX_ACCEPTFILES is
// what lets its control take drops.
CMyDropEdit::CMyDropEdit() {
  if (m_hWnd != nullptr) DragAcceptFiles(TRUE);
}

void CMyDropEdit::OnDropFiles(HDROP hDropInfo) {
  const UINT count = DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(hDropInfo, i, nullptr, 0);
    std::vector<char> name(static_cast<size_t>(length) + 1, 0);
    DragQueryFileA(hDropInfo, i, name.data(), length + 1);
    SetWindowText(name.data());
  }
  DragFinish(hDropInfo);
}
