// Dropped files and the folder browser.
#include <QString>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/cstring.h"
#include "platform/os/paths.h"
#include "platform/ui/prompt.h"
#include "platform/ui/qt/hwnd.h"
#include "platform/ui/qt/shell_impl.h"
#include "platform/ui/shell.h"

struct HDROP__ {
  std::vector<std::string> names;  // Windows-shaped, code page 932
};

namespace {

std::unordered_set<HDROP>& LiveDrops() {
  static std::unordered_set<HDROP> drops;
  return drops;
}

// The stand-in window the folder browser's callback talks to.
class BrowserStandIn : public CWnd {
 public:
  std::string selection;

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == BFFM_SETSELECTIONA) {
      // wParam TRUE: lParam is a path (an item list otherwise, not used).
      if (wParam && lParam) selection = reinterpret_cast<const char*>(lParam);
      return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
  }
};

void PutLe16(std::vector<BYTE>& b, size_t at, WORD v) {
  b[at] = static_cast<BYTE>(v & 0xFF);
  b[at + 1] = static_cast<BYTE>(v >> 8);
}

// An item list for a drive path: a drive item, then one file-system item
// per folder name (names in UTF-16). Empty when the path is not of that
// form or a name cannot be converted.
std::vector<BYTE> IdListOf(const std::string& winPath) {
  std::vector<BYTE> out;
  if (winPath.size() < 2 || winPath[1] != ':') return out;
  const char letter = winPath[0];
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) return out;
  // Drive item: size word, type 0x2F, "X:\" and padding to 25 bytes.
  std::vector<BYTE> drive(2 + 23, 0);
  PutLe16(drive, 0, static_cast<WORD>(drive.size()));
  drive[2] = 0x2F;
  drive[3] = static_cast<BYTE>(letter);
  drive[4] = ':';
  drive[5] = '\\';
  out.insert(out.end(), drive.begin(), drive.end());
  // Split the rest at backslashes that are not trail bytes.
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 2; i < winPath.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(winPath[i]);
    if (qv::IsCp932Lead(c) && i + 1 < winPath.size()) {
      cur += winPath[i];
      cur += winPath[++i];
      continue;
    }
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += static_cast<char>(c);
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  for (const std::string& name : parts) {
    std::string utf8;
    if (!qv::Cp932ToUtf8(name, utf8)) return {};
    const QString q = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // type, unknown, size 4, date/time 4, attributes 2, name, NUL.
    std::vector<BYTE> item(2 + 12 + (static_cast<size_t>(q.size()) + 1) * 2, 0);
    if (item.size() > 0xFFFF) return {};
    PutLe16(item, 0, static_cast<WORD>(item.size()));
    item[2] = 0x35;  // file-system folder, UTF-16 name
    PutLe16(item, 12, 0x10);
    for (qsizetype k = 0; k < q.size(); ++k) PutLe16(item, 14 + static_cast<size_t>(k) * 2, q.at(k).unicode());
    out.insert(out.end(), item.begin(), item.end());
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

// The last name of a path (after its last backslash that is no trail byte).
std::string LastName(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (qv::IsCp932Lead(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < path.size()) start = i + 1;
  }
  std::string name = path.substr(start);
  if (!name.empty() && name.back() == '\\' && name.size() > 1) name.pop_back();
  return name;
}

}  // namespace

namespace qv::ui {

void DeliverDroppedFiles(HWND h, const std::vector<std::string>& linuxPaths) {
  auto* drop = new HDROP__;
  std::string refused;
  for (const std::string& p : linuxPaths) {
    std::string win;
    if (qv::FromOsPath(p, win)) {
      drop->names.push_back(win);
    } else {
      refused += "\n" + qv::Utf8ToCp932Lossy(p);
    }
  }
  if (!refused.empty()) {
    const std::string text = Cp932Of("次の名前は文字コード932で表せないため、扱えません。\n") + refused;
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  if (drop->names.empty() || !IsLive(h) || h->wnd == nullptr) {
    delete drop;
    return;
  }
  // The receiver may free the drop with DragFinish; what it leaves is freed
  // here.
  LiveDrops().insert(drop);
  h->wnd->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  if (LiveDrops().erase(drop)) delete drop;
}

}  // namespace qv::ui

UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch) {
  if (hDrop == nullptr) return 0;
  if (iFile == 0xFFFFFFFFu) return static_cast<UINT>(hDrop->names.size());
  if (iFile >= hDrop->names.size()) return 0;
  const std::string& name = hDrop->names[iFile];
  if (lpszFile == nullptr || cch == 0) return static_cast<UINT>(name.size());
  size_t n = 0;
  while (n < name.size()) {
    const size_t step = qv::IsCp932Lead(static_cast<unsigned char>(name[n])) && n + 1 < name.size() ? 2 : 1;
    if (n + step > cch - 1) break;
    n += step;
  }
  std::memcpy(lpszFile, name.data(), n);
  lpszFile[n] = 0;
  return static_cast<UINT>(n);
}

void DragFinish(HDROP hDrop) {
  if (LiveDrops().erase(hDrop)) delete hDrop;
}

void* IMalloc::Alloc(size_t cb) { return std::malloc(cb); }
void IMalloc::Free(void* pv) { std::free(pv); }
ULONG IMalloc::Release() { return 1; }

HRESULT SHGetMalloc(LPMALLOC* ppMalloc) {
  if (ppMalloc == nullptr) return E_FAIL;
  static IMalloc allocator;
  *ppMalloc = &allocator;
  return S_OK;
}

LPITEMIDLIST SHBrowseForFolderA(LPBROWSEINFOA lpbi) {
  if (lpbi == nullptr) return nullptr;
  qv::ui::EnsureApp();
  // The callback may choose where the browser opens.
  std::string initial;
  if (lpbi->lpfn) {
    BrowserStandIn standIn;
    auto* w = new QWidget;
    qv::ui::Register(&standIn, w, qv::ui::Kind::Browser, nullptr, 0, 0, 0);
    lpbi->lpfn(standIn.m_hWnd, BFFM_INITIALIZED, 0, lpbi->lParam);
    initial = standIn.selection;
    standIn.DestroyWindow();
  }
  std::string chosen;
  const qv::FolderRequest request{lpbi->lpszTitle ? lpbi->lpszTitle : "", initial.c_str()};
  const qv::OpenQuestion open;
  if (!qv::GetPeople().PickFolder(request, chosen)) return nullptr;
  std::vector<BYTE> list = IdListOf(chosen);
  if (list.empty()) {
    AfxMessageBox((chosen + qv::ui::Cp932Of("\n\nこのフォルダは選択できません。")).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return nullptr;
  }
  if (lpbi->pszDisplayName) {
    const std::string name = LastName(chosen);
    const CString shown{std::string_view(name)};
    const int n = std::min(shown.GetLength(), MAX_PATH - 1);
    std::memcpy(lpbi->pszDisplayName, shown.GetString(), static_cast<size_t>(n));
    lpbi->pszDisplayName[n] = 0;
  }
  void* mem = std::malloc(list.size());
  if (mem == nullptr) return nullptr;
  std::memcpy(mem, list.data(), list.size());
  return static_cast<LPITEMIDLIST>(mem);
}
