// The object model of the framework: CObject with run-time class records,
// creation by class name (the document archive creates its records this way)
// and the debugging macros the program's code is written with.
//
// Run-time classes register themselves during static initialisation. Every
// CRuntimeClass is constant-initialised (the IMPLEMENT_ macros define it
// `constinit`) and the registry is an intrusive list whose head is a
// constant-initialised null pointer, so registration and look-up work in any
// order of static initialisation across object files (a look-up made while
// static initialisation is still running sees the classes registered so far).
//
// Note for static libraries: a class is registered by its own object file. A
// class that only the archive reaches by name must have its object file
// linked, which happens as soon as any code uses the class (RUNTIME_CLASS,
// a constructor, a member function).
#pragma once

#include <stdexcept>
#include <type_traits>

#include "platform/base/wintypes.h"

// The document archive is the program's own code; the layer only names it.
class CArchive;
class CObject;

// The one error type of the layer: a programming error such as a list
// position or array index out of range. Thrown instead of running into
// undefined behaviour; what() says which operation refused and why.
class CLayerError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Schema word of classes that are not serialisable.
#define QV_NO_SCHEMA 0xFFFFu
// Flag combined with a schema in IMPLEMENT_SERIAL: the class accepts stored
// objects of other schemas and asks the archive for the stored one.
#define VERSIONABLE_SCHEMA 0x80000000u

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // QV_NO_SCHEMA unless serialisable; may hold VERSIONABLE_SCHEMA
  CObject* (*m_pfnCreateObject)();  // null unless dynamically creatable
  CRuntimeClass* m_pBaseClass;      // null only for CObject
  CRuntimeClass* m_pNextClass = nullptr;  // registry link

  // A new object of this class, or null when the class cannot be created
  // dynamically (DECLARE_DYNAMIC only).
  CObject* CreateObject() const;
  // True when this class is pBaseClass or derives from it.
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

  // The registered class whose name equals lpszClassName exactly (bytes,
  // letter case significant); null when there is none.
  static CRuntimeClass* FromName(LPCSTR lpszClassName);
  // FromName(...)->CreateObject(), null when unknown or not creatable.
  static CObject* CreateObject(LPCSTR lpszClassName);
};

namespace qv::detail {
// Adds a class to the registry; used by the IMPLEMENT_ macros only.
struct ClassRegistrar {
  explicit ClassRegistrar(CRuntimeClass* pClass);
};
[[noreturn]] void AssertFailed(const char* expr, const char* file, int line);
}  // namespace qv::detail

class CObject {
 public:
  static CRuntimeClass classCObject;

  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;
  // Reads or writes the object's fields; the base has none.
  virtual void Serialize(CArchive& ar);

  BOOL IsKindOf(const CRuntimeClass* pClass) const;
  BOOL IsSerializable() const;

  // Objects are identities, owned through pointers in lists: not copied.
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)          \
 public:                                     \
  static CRuntimeClass class##class_name;    \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

// The archive reads and writes serialisable objects through its own
// functions, so this declares no more than dynamic creation.
#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)      \
  constinit CRuntimeClass class_name::class##class_name = {                          \
      #class_name, static_cast<int>(sizeof(class_name)), (wSchema), (pfnNew),        \
      RUNTIME_CLASS(base_class_name)};                                               \
  static const ::qv::detail::ClassRegistrar qv_register_##class_name(                \
      RUNTIME_CLASS(class_name));                                                    \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, QV_NO_SCHEMA, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                       \
  CObject* class_name::CreateObject() { return new class_name; }               \
  QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, QV_NO_SCHEMA,         \
                            &class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                 \
  CObject* class_name::CreateObject() { return new class_name; }               \
  QV_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, (wSchema),            \
                            &class_name::CreateObject)

namespace qv::detail {
// T* or const T*, following the constness of U.
template <class T, class U>
using DownCastResult = std::conditional_t<std::is_const_v<U>, const T*, T*>;

template <class T, class U>
DownCastResult<T, U> DynamicDownCastTo(CRuntimeClass* pClass, U* pObject) {
  if (pObject == nullptr || !pObject->IsKindOf(pClass)) return nullptr;
  return static_cast<DownCastResult<T, U>>(pObject);
}

template <class T, class U>
DownCastResult<T, U> StaticDownCastTo(CRuntimeClass* pClass, U* pObject) {
#ifndef NDEBUG
  if (pObject != nullptr && !pObject->IsKindOf(pClass))
    AssertFailed("STATIC_DOWNCAST to a class the object is not of", __FILE__, __LINE__);
#endif
  return static_cast<DownCastResult<T, U>>(pObject);
}
}  // namespace qv::detail

// Null when the object is null or not of the class.
#define DYNAMIC_DOWNCAST(class_name, object) \
  (::qv::detail::DynamicDownCastTo<class_name>(RUNTIME_CLASS(class_name), (object)))

// The caller knows the class; debug builds check it.
#define STATIC_DOWNCAST(class_name, object) \
  (::qv::detail::StaticDownCastTo<class_name>(RUNTIME_CLASS(class_name), (object)))

// Debug checks: in debug builds a failed ASSERT reports the expression and
// stops the program; release builds drop the check. VERIFY always evaluates
// its expression. TRACE writes nothing.
#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#else
#define ASSERT(f) ((f) ? (void)0 : ::qv::detail::AssertFailed(#f, __FILE__, __LINE__))
#define VERIFY(f) ASSERT(f)
#endif
#define ASSERT_VALID(pOb) ASSERT((pOb) != nullptr)
#define ASSERT_KINDOF(class_name, object) ASSERT((object)->IsKindOf(RUNTIME_CLASS(class_name)))
#define TRACE(...) ((void)0)
#define TRACE0(sz) ((void)0)

// Declaration markers of the framework with no meaning here.
#define AFX_EXT_CLASS
#define afx_msg
