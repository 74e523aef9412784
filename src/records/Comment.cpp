#include "records/Comment.h"

#include <atomic>
#include <string_view>
#include <unordered_map>

#include "records/Archive.h"

namespace {
CComment_Obj* g_pCurrentCommentTable = nullptr;
// Key changes of indexed elements so far, in any table.
unsigned g_nIndexedKeyChanges = 0;
}  // namespace

void SetCurrentCommentTable(CComment_Obj* pTable) { g_pCurrentCommentTable = pTable; }
CComment_Obj* GetCurrentCommentTable() { return g_pCurrentCommentTable; }

DWORD HashCommentKey(LPCSTR lpszText) {
  DWORD sum = 0;
  if (!lpszText) return 0;
  for (const char* p = lpszText; *p; ++p) {
    sum += static_cast<DWORD>(static_cast<LONG>(static_cast<signed char>(*p)));
  }
  return sum;
}

// ---------------------------------------------------------------------------

IMPLEMENT_SERIAL(CComment_Data_Obj, CObject, VERSIONABLE_SCHEMA | 0)

CComment_Data_Obj::CComment_Data_Obj() : m_dwHash(0) { Init(); }

CComment_Data_Obj::~CComment_Data_Obj() = default;

void CComment_Data_Obj::Init() {
  m_strComment.Empty();
  m_strKey.Empty();
  m_dwHash = 0;
}

void CComment_Data_Obj::SetKey(LPCSTR lpszKey) {
  if (!lpszKey) lpszKey = "";
  const DWORD dwHash = HashCommentKey(lpszKey);
  // Setting the key an element has already changes nothing an index holds
  // (a run does that for every record that finds its element).
  if (m_bIndexed && !(dwHash == m_dwHash && m_strKey == lpszKey)) ++g_nIndexedKeyChanges;
  m_dwHash = dwHash;
  m_strKey = lpszKey;
}

void CComment_Data_Obj::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_strComment << m_dwHash << m_strKey;
  } else {
    ar >> m_strComment >> m_dwHash >> m_strKey;
  }
}

// ---------------------------------------------------------------------------

IMPLEMENT_SERIAL(CComment_Obj, CObject, VERSIONABLE_SCHEMA | 0)

CComment_Obj::CComment_Obj() { Init(); }

CComment_Obj::~CComment_Obj() {
  for (INT_PTR i = 0; i < m_arrData.GetSize(); ++i) delete m_arrData.GetAt(i);
  m_arrData.RemoveAll();
}

void CComment_Obj::Init() { Resize(0); }

void CComment_Obj::AddNew() { m_arrData.Add(new CComment_Data_Obj); }

void CComment_Obj::Resize(int n) {
  if (n < 0) return;
  m_keyIndex.clear();
  m_nIndexed = 0;
  const int c = GetCount();
  if (n < c) {
    for (int i = n; i < c; ++i) delete m_arrData.GetAt(i);
    m_arrData.SetSize(n);
  } else if (n > c) {
    m_arrData.SetSize(n);
    for (int i = c; i < n; ++i) m_arrData.SetAt(i, new CComment_Data_Obj);
  }
}

void CComment_Obj::UpdateIndex() {
  const int c = GetCount();
  // Take in the elements added since the last look-up (their keys are set by
  // the caller after FindOrAdd returns). An element only matches when its
  // stored hash is the hash of its key, as the byte-sum comparison requires.
  if (m_nIndexed > c || m_nKeyChangesSeen != g_nIndexedKeyChanges) {
    m_keyIndex.clear();
    m_nIndexed = 0;
    m_nKeyChangesSeen = g_nIndexedKeyChanges;
  }
  for (int i = m_nIndexed; i < c; ++i) {
    CComment_Data_Obj* p = m_arrData.GetAt(i);
    p->m_bIndexed = true;
    if (p->m_dwHash == HashCommentKey(p->m_strKey)) m_keyIndex.emplace(p->m_strKey.GetString(), i);
  }
  m_nIndexed = c;
}

int CComment_Obj::FindOrAdd(LPCSTR lpszKey) {
  if (GetCount() == 0) {
    AddNew();
    return 0;
  }
  if (!lpszKey) lpszKey = "";
  const int c = GetCount();
  UpdateIndex();
  auto found = m_keyIndex.find(lpszKey);
  // A key assigned to the member directly is not seen by the index: the
  // element found must still hold the key.
  if (found != m_keyIndex.end()) {
    const CComment_Data_Obj* p = m_arrData.GetAt(found->second);
    if (p->m_strKey == lpszKey && p->m_dwHash == HashCommentKey(lpszKey)) return found->second;
    m_nIndexed = 0;
    m_keyIndex.clear();
    return FindOrAdd(lpszKey);
  }
  AddNew();
  return c;
}

void CComment_Obj::TakeElements(int nKeep, const std::vector<LPCSTR>& keys, std::vector<int>& indexes) {
  const size_t n = keys.size();
  indexes.assign(n, -1);
  const int c = GetCount();
  // Found: the element of the key before any of these keys was added.
  std::vector<int> found(n, -1);
  if (nKeep && c > 0) {
    UpdateIndex();
    std::atomic<bool> stale{false};
    qv::ForEachInParallel(n, [&](size_t i) {
      const char* key = keys[i] ? keys[i] : "";
      const auto at = m_keyIndex.find(key);
      if (at == m_keyIndex.end()) return;
      const CComment_Data_Obj* p = m_arrData.GetAt(at->second);
      if (p->m_strKey == key && p->m_dwHash == HashCommentKey(key)) {
        found[i] = at->second;
      } else {
        stale = true;
      }
    });
    if (stale) {
      // A key changed behind the index's back: FindOrAdd sorts that out,
      // one key after the other.
      for (size_t i = 0; i < n; ++i) {
        indexes[i] = FindOrAdd(keys[i]);
        GetAt(indexes[i])->SetKey(keys[i]);
      }
      return;
    }
  }
  // The keys without an element get new ones at the end, in their order; a
  // key met again takes the element its first occurrence made.
  std::unordered_map<std::string_view, int> added;
  std::vector<size_t> firsts;  // keys that make a new element
  int next = c;
  for (size_t i = 0; i < n; ++i) {
    if (found[i] >= 0) {
      indexes[i] = found[i];
      continue;
    }
    if (nKeep) {
      const auto [at, isNew] = added.emplace(std::string_view(keys[i] ? keys[i] : ""), next);
      indexes[i] = at->second;
      if (!isNew) continue;
    } else {
      indexes[i] = next;
    }
    firsts.push_back(i);
    ++next;
  }
  m_arrData.SetSize(next);
  qv::ForEachInParallel(firsts.size(), [&](size_t k) {
    const size_t i = firsts[k];
    auto* p = new CComment_Data_Obj;
    if (nKeep) p->SetKey(keys[i]);
    m_arrData.SetAt(indexes[i], p);
  });
}

void CComment_Obj::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    const DWORD c = static_cast<DWORD>(GetCount());
    ar << c;
    for (DWORD i = 0; i < c; ++i) m_arrData.GetAt(i)->Serialize(ar);
  } else {
    // The table read replaces whatever the table held: comments of another
    // document must not stay in this one, and reading the same file again
    // must not grow the table.
    DWORD c = 0;
    ar >> c;
    Resize(0);
    for (DWORD i = 0; i < c; ++i) {
      AddNew();
      m_arrData.GetAt(static_cast<INT_PTR>(i))->Serialize(ar);
    }
    // Every merge record read before the table must name one of its
    // elements; a file that does not is damaged.
    if (ar.GetMaxCommentIndex() >= static_cast<LONG>(c > 0x7FFFFFFF ? 0x7FFFFFFF : c)) {
      ar.ThrowArchive(CArchiveException::badIndex);
    }
  }
}
