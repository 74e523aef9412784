// An edit whose text becomes the path of a file or folder dragged onto it
// from the file manager: the folder fields of the operation form and the
// path fields of the settings pages.
#pragma once

#include "platform/ui/afxwin.h"

class CMyDropEdit : public CEdit {
  DECLARE_DYNAMIC(CMyDropEdit)

 public:
  CMyDropEdit();

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  // With several dropped names the last one stays.
  void OnDropFiles(HDROP hDropInfo);
};
