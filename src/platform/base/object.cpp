#include "platform/base/object.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Head of the registry. Constant-initialised, so it is valid before the
// first registrar of any object file runs.
constinit CRuntimeClass* g_firstClass = nullptr;
}  // namespace

constinit CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)),
                                                 QV_NO_SCHEMA, nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const {
  return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != QV_NO_SCHEMA; }

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  if (pBaseClass == nullptr) return FALSE;
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
    if (c == pBaseClass) return TRUE;
  return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
  if (lpszClassName == nullptr) return nullptr;
  for (CRuntimeClass* c = g_firstClass; c != nullptr; c = c->m_pNextClass)
    if (std::strcmp(c->m_lpszClassName, lpszClassName) == 0) return c;
  return nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCSTR lpszClassName) {
  const CRuntimeClass* c = FromName(lpszClassName);
  return c ? c->CreateObject() : nullptr;
}

namespace qv::detail {

ClassRegistrar::ClassRegistrar(CRuntimeClass* pClass) {
  // Appended at the end, so the first registration of a name wins a look-up.
  CRuntimeClass** link = &g_firstClass;
  while (*link != nullptr) {
    if (*link == pClass) return;
    link = &(*link)->m_pNextClass;
  }
  pClass->m_pNextClass = nullptr;
  *link = pClass;
}

void AssertFailed(const char* expr, const char* file, int line) {
  std::fprintf(stderr, "ASSERT failed: %s (%s:%d)\n", expr, file, line);
  std::fflush(stderr);
  std::abort();
}

}  // namespace qv::detail
