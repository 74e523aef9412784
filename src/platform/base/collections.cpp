#include "platform/base/collections.h"

#include <atomic>
#include <string>

namespace qv::detail {

void ThrowCollectionError(const char* owner, const char* op, const char* why) {
  throw CLayerError(std::string(owner) + "::" + op + ": " + why);
}

void ThrowIndexError(const char* owner, const char* op, INT_PTR index, INT_PTR size) {
  std::string why = "index " + std::to_string(index);
  if (size <= 0)
    why += " refused: the array is empty";
  else
    why += " is outside 0.." + std::to_string(size - 1);
  ThrowCollectionError(owner, op, why.c_str());
}

uint32_t NextElementTag() {
  static std::atomic<uint32_t> counter{0};
  uint32_t tag = counter.fetch_add(1, std::memory_order_relaxed) + 1;
  while (tag == 0) tag = counter.fetch_add(1, std::memory_order_relaxed) + 1;
  return tag;
}

}  // namespace qv::detail

void CObList::AddHead(CObList* pNewList) {
  if (pNewList == nullptr) qv::detail::ThrowCollectionError("CObList", "AddHead", "null list");
  m_list.PrependCopies(pNewList->m_list);
}

void CObList::AddTail(CObList* pNewList) {
  if (pNewList == nullptr) qv::detail::ThrowCollectionError("CObList", "AddTail", "null list");
  m_list.AppendCopies(pNewList->m_list);
}

void CStringList::AddHead(CStringList* pNewList) {
  if (pNewList == nullptr) qv::detail::ThrowCollectionError("CStringList", "AddHead", "null list");
  m_list.PrependCopies(pNewList->m_list);
}

void CStringList::AddTail(CStringList* pNewList) {
  if (pNewList == nullptr) qv::detail::ThrowCollectionError("CStringList", "AddTail", "null list");
  m_list.AppendCopies(pNewList->m_list);
}

void CObArray::SetSize(INT_PTR nNewSize, INT_PTR) {
  if (nNewSize < 0) qv::detail::ThrowIndexError("CObArray", "SetSize", nNewSize, GetSize());
  m_data.resize(static_cast<size_t>(nNewSize), nullptr);
}

void CObArray::InsertAt(INT_PTR nIndex, CObject* newElement, INT_PTR nCount) {
  if (nIndex < 0) qv::detail::ThrowIndexError("CObArray", "InsertAt", nIndex, GetSize());
  if (nCount < 0) qv::detail::ThrowCollectionError("CObArray", "InsertAt", "negative count");
  if (nIndex > GetSize()) m_data.resize(static_cast<size_t>(nIndex), nullptr);
  m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), newElement);
}

void CObArray::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
  if (nCount < 0) qv::detail::ThrowCollectionError("CObArray", "RemoveAt", "negative count");
  if (nCount == 1 || nIndex < 0) {
    if (nIndex < 0 || nIndex >= GetSize()) qv::detail::ThrowIndexError("CObArray", "RemoveAt", nIndex, GetSize());
  } else if (nIndex > GetSize() - nCount) {
    const std::string why = std::to_string(nCount) + " elements from index " + std::to_string(nIndex) +
                            " exceed the array's " + std::to_string(GetSize());
    qv::detail::ThrowCollectionError("CObArray", "RemoveAt", why.c_str());
  }
  m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
}

void CObArray::Copy(const CObArray& src) {
  if (&src != this) m_data = src.m_data;
}
