#include "platform/ui/resources.h"

#include <cstring>

#include "platform/base/codepage.h"
#include "platform/ui/prompt.h"

namespace qv::res {
namespace {

constinit const ResourceSet* g_resources = nullptr;

template <typename T>
const T* FindById(const T* items, size_t count, UINT id) {
  for (size_t i = 0; i < count; ++i) {
    if (items[i].id == id) return &items[i];
  }
  return nullptr;
}

bool ResolveString(UINT id, std::string& text) {
  const char* s = FindString(id);
  if (s == nullptr) return false;
  text = s;
  return true;
}

}  // namespace

void Install(const ResourceSet* resources) {
  g_resources = resources;
  SetStringResolver(resources ? &ResolveString : nullptr);
}

const ResourceSet* Installed() { return g_resources; }

const DialogTemplate* FindDialog(UINT id) {
  if (!g_resources) return nullptr;
  for (size_t i = 0; i < g_resources->dialogCount; ++i) {
    if (g_resources->dialogs[i]->id == id) return g_resources->dialogs[i];
  }
  return nullptr;
}

const MenuTemplate* FindMenu(UINT id) {
  return g_resources ? FindById(g_resources->menus, g_resources->menuCount, id) : nullptr;
}

const AcceleratorTable* FindAccelerators(UINT id) {
  return g_resources ? FindById(g_resources->accelerators, g_resources->acceleratorCount, id) : nullptr;
}

const ToolbarTemplate* FindToolbar(UINT id) {
  return g_resources ? FindById(g_resources->toolbars, g_resources->toolbarCount, id) : nullptr;
}

const char* FindString(UINT id) {
  if (!g_resources) return nullptr;
  const StringEntry* e = FindById(g_resources->strings, g_resources->stringCount, id);
  return e ? e->text : nullptr;
}

const ImageEntry* FindBitmap(UINT id) {
  return g_resources ? FindById(g_resources->bitmaps, g_resources->bitmapCount, id) : nullptr;
}

const ImageEntry* FindIcon(UINT id) {
  return g_resources ? FindById(g_resources->icons, g_resources->iconCount, id) : nullptr;
}

}  // namespace qv::res

int LoadStringA(HINSTANCE__*, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
  const char* s = qv::res::FindString(uID);
  if (s == nullptr) {
    lpBuffer[0] = 0;
    return 0;
  }
  // Cut like the platform: at most cchBufferMax - 1 bytes, never inside a
  // double-byte character.
  const size_t room = static_cast<size_t>(cchBufferMax) - 1;
  size_t n = 0;
  for (size_t len = std::strlen(s); n < len;) {
    const size_t step = (qv::IsCp932Lead(static_cast<unsigned char>(s[n])) && s[n + 1] != 0) ? 2 : 1;
    if (n + step > room) break;
    n += step;
  }
  std::memcpy(lpBuffer, s, n);
  lpBuffer[n] = 0;
  return static_cast<int>(n);
}

BOOL CString::LoadString(UINT nID) {
  const char* s = qv::res::FindString(nID);
  if (s == nullptr) return FALSE;
  *this = s;
  return TRUE;
}
