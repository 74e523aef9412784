// Shell services of the window layer: files dropped on a window and the
// folder browser.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/os/shelllink.h"
#include "platform/ui/messages.h"

// Dropped files (WM_DROPFILES): iFile 0xFFFFFFFF gives the count; with a
// null buffer the length of the name; otherwise the name is copied (cut to
// cch - 1 bytes, never inside a double-byte character) and its length
// returned. Names are Windows-shaped code page 932 paths.
UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
void DragFinish(HDROP hDrop);

// The folder browser.
#define BIF_RETURNONLYFSDIRS 0x00000001
#define BIF_DONTGOBELOWDOMAIN 0x00000002
#define BIF_NEWDIALOGSTYLE 0x00000040
#define BFFM_INITIALIZED 1
#define BFFM_SELCHANGED 2
#define BFFM_SETSELECTIONA (WM_USER + 102)
#define BFFM_SETSELECTION BFFM_SETSELECTIONA

typedef int (*BFFCALLBACK)(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

struct BROWSEINFOA {
  HWND hwndOwner;
  LPCITEMIDLIST pidlRoot;
  LPSTR pszDisplayName;  // MAX_PATH bytes: the chosen folder's display name
  LPCSTR lpszTitle;
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;
};
typedef BROWSEINFOA* LPBROWSEINFOA;
typedef BROWSEINFOA BROWSEINFO;

// Shows the folder picker (through the seam for people). The callback gets
// BFFM_INITIALIZED with the browser's handle, to which it may send
// BFFM_SETSELECTIONA (wParam TRUE, lParam the folder) to choose where the
// picker opens. Returns the chosen folder as an item list the caller frees
// with the shell's allocator, or null when cancelled.
LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA lpbi);

// The shell's allocator.
struct IMalloc {
  virtual void* Alloc(size_t cb);
  virtual void Free(void* pv);
  virtual ULONG Release();
  virtual ~IMalloc() = default;
};
typedef IMalloc* LPMALLOC;
typedef long HRESULT;
#define S_OK 0L
#define E_FAIL (static_cast<HRESULT>(0x80004005L))
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
HRESULT SHGetMalloc(LPMALLOC* ppMalloc);
