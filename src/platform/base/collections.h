// The framework's collections as the program's code uses them: object and
// string lists walked with POSITION values, and the object pointer array.
//
// Lists and arrays of objects hold pointers and own nothing: whoever fills
// them deletes the objects by walking the list, as the framework's code does.
//
// Safety: a null, stale (element removed) or foreign (other list) POSITION, an
// index outside the array, or GetHead/RemoveHead on an empty list throws
// CLayerError; nothing runs into undefined behaviour. FindIndex keeps the
// framework's documented answer: null for an index outside the list.
//
// Speed: AddHead, AddTail, InsertBefore/After, RemoveAt and the walk are O(1)
// per element. Elements live in blocks that never move, so a reference
// returned by GetAt/GetNext stays valid until that element is removed.
// A POSITION packs the element's slot and a tag unique to that element's
// life, which is how stale positions are recognised without touching freed
// memory.
//
// The lists and arrays are not CObjects: they are written to the document
// archive by the archive's own list functions, and have no Serialize.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/object.h"
#include "platform/base/wintypes.h"

struct QvPositionOpaque;  // never defined: a POSITION is only compared and passed
typedef QvPositionOpaque* POSITION;

namespace qv::detail {

[[noreturn]] void ThrowCollectionError(const char* owner, const char* op, const char* why);
[[noreturn]] void ThrowIndexError(const char* owner, const char* op, INT_PTR index, INT_PTR size);
// A tag never handed out before (until 2^32 elements were made); never 0.
uint32_t NextElementTag();

// Doubly linked list of T in stable slot blocks; the engine of the lists.
template <class T>
class SlotList {
 public:
  explicit SlotList(const char* owner) : m_owner(owner) {}
  SlotList(const SlotList&) = delete;
  SlotList& operator=(const SlotList&) = delete;

  INT_PTR Count() const { return m_count; }
  POSITION Head() const { return Encode(m_head); }
  POSITION Tail() const { return Encode(m_tail); }

  T& At(POSITION pos, const char* op) { return Resolve(pos, op).value; }
  const T& At(POSITION pos, const char* op) const { return Resolve(pos, op).value; }

  T& Next(POSITION& pos, const char* op) {
    Node& n = Resolve(pos, op);
    pos = Encode(n.next);
    return n.value;
  }
  const T& Next(POSITION& pos, const char* op) const {
    const Node& n = Resolve(pos, op);
    pos = Encode(n.next);
    return n.value;
  }
  T& Prev(POSITION& pos, const char* op) {
    Node& n = Resolve(pos, op);
    pos = Encode(n.prev);
    return n.value;
  }
  const T& Prev(POSITION& pos, const char* op) const {
    const Node& n = Resolve(pos, op);
    pos = Encode(n.prev);
    return n.value;
  }

  T& HeadValue(const char* op) { return Slot(NonEmpty(m_head, op)).value; }
  const T& HeadValue(const char* op) const { return Slot(NonEmpty(m_head, op)).value; }
  T& TailValue(const char* op) { return Slot(NonEmpty(m_tail, op)).value; }
  const T& TailValue(const char* op) const { return Slot(NonEmpty(m_tail, op)).value; }

  template <class U>
  POSITION AddHead(U&& value) {
    return Link(kNil, m_head, std::forward<U>(value));
  }
  template <class U>
  POSITION AddTail(U&& value) {
    return Link(m_tail, kNil, std::forward<U>(value));
  }
  // A null position inserts at the head (before) or the tail (after), as the
  // framework does.
  template <class U>
  POSITION InsertBefore(POSITION pos, U&& value, const char* op) {
    if (pos == nullptr) return AddHead(std::forward<U>(value));
    const uint32_t at = IndexOf(pos, op);
    return Link(Slot(at).prev, at, std::forward<U>(value));
  }
  template <class U>
  POSITION InsertAfter(POSITION pos, U&& value, const char* op) {
    if (pos == nullptr) return AddTail(std::forward<U>(value));
    const uint32_t at = IndexOf(pos, op);
    return Link(at, Slot(at).next, std::forward<U>(value));
  }

  // Appends (or prepends, keeping their order) the elements `other` holds
  // now; `other` may be this list.
  void AppendCopies(const SlotList& other) {
    const INT_PTR n = other.m_count;
    uint32_t i = other.m_head;
    for (INT_PTR k = 0; k < n; ++k) {
      const uint32_t next = other.Slot(i).next;
      AddTail(other.Slot(i).value);
      i = next;
    }
  }
  void PrependCopies(const SlotList& other) {
    const INT_PTR n = other.m_count;
    uint32_t i = other.m_tail;
    for (INT_PTR k = 0; k < n; ++k) {
      const uint32_t prev = other.Slot(i).prev;
      AddHead(other.Slot(i).value);
      i = prev;
    }
  }

  T RemoveHead(const char* op) {
    const uint32_t at = NonEmpty(m_head, op);
    T value = std::move(Slot(at).value);
    Unlink(at);
    return value;
  }
  T RemoveTail(const char* op) {
    const uint32_t at = NonEmpty(m_tail, op);
    T value = std::move(Slot(at).value);
    Unlink(at);
    return value;
  }
  void RemoveAt(POSITION pos, const char* op) { Unlink(IndexOf(pos, op)); }

  void RemoveAll() {
    m_blocks.clear();
    m_used = 0;
    m_free = m_head = m_tail = kNil;
    m_count = 0;
  }

  POSITION FindIndex(INT_PTR index) const {
    if (index < 0 || index >= m_count) return nullptr;
    uint32_t i;
    if (index <= m_count / 2) {
      i = m_head;
      for (INT_PTR k = 0; k < index; ++k) i = Slot(i).next;
    } else {
      i = m_tail;
      for (INT_PTR k = m_count - 1; k > index; --k) i = Slot(i).prev;
    }
    return Encode(i);
  }

  // First element after startAfter (null: from the head) that `match` accepts.
  template <class Match>
  POSITION FindFrom(POSITION startAfter, const char* op, Match&& match) const {
    uint32_t i = startAfter ? Slot(IndexOf(startAfter, op)).next : m_head;
    for (; i != kNil; i = Slot(i).next)
      if (match(Slot(i).value)) return Encode(i);
    return nullptr;
  }

 private:
  static constexpr uint32_t kNil = 0xFFFFFFFFu;
  static constexpr uint32_t kFirstBlock = 16;

  struct Node {
    T value{};
    uint32_t prev = kNil;
    uint32_t next = kNil;
    uint32_t tag = 0;  // 0: slot is free
  };

  // Block 0 holds slots 0..15, block k >= 1 holds 16*2^(k-1) .. 16*2^k - 1.
  static uint32_t BlockOf(uint32_t i) {
    return i < kFirstBlock ? 0u : static_cast<uint32_t>(std::bit_width(i / kFirstBlock));
  }
  static uint32_t BlockStart(uint32_t b) { return b == 0 ? 0u : kFirstBlock << (b - 1); }
  static uint32_t BlockSize(uint32_t b) { return b == 0 ? kFirstBlock : kFirstBlock << (b - 1); }

  Node& Slot(uint32_t i) {
    const uint32_t b = BlockOf(i);
    return m_blocks[b][i - BlockStart(b)];
  }
  const Node& Slot(uint32_t i) const {
    const uint32_t b = BlockOf(i);
    return m_blocks[b][i - BlockStart(b)];
  }

  POSITION Encode(uint32_t i) const {
    if (i == kNil) return nullptr;
    const uintptr_t v = (static_cast<uintptr_t>(Slot(i).tag) << 32) | i;
    return reinterpret_cast<POSITION>(v);
  }

  uint32_t IndexOf(POSITION pos, const char* op) const {
    if (pos == nullptr) ThrowCollectionError(m_owner, op, "null POSITION");
    const uintptr_t v = reinterpret_cast<uintptr_t>(pos);
    const uint32_t i = static_cast<uint32_t>(v);
    const uint32_t tag = static_cast<uint32_t>(v >> 32);
    if (tag == 0 || i >= m_used || Slot(i).tag != tag)
      ThrowCollectionError(m_owner, op,
                           "the POSITION names no element of this list (removed, or of another list)");
    return i;
  }
  Node& Resolve(POSITION pos, const char* op) { return Slot(IndexOf(pos, op)); }
  const Node& Resolve(POSITION pos, const char* op) const { return Slot(IndexOf(pos, op)); }

  uint32_t NonEmpty(uint32_t end, const char* op) const {
    if (m_count == 0) ThrowCollectionError(m_owner, op, "the list is empty");
    return end;
  }

  uint32_t Allocate() {
    if (m_free != kNil) {
      const uint32_t i = m_free;
      m_free = Slot(i).next;
      return i;
    }
    if (m_used == kNil) ThrowCollectionError(m_owner, "Add", "too many elements");
    const uint32_t b = BlockOf(m_used);
    if (b >= m_blocks.size()) m_blocks.emplace_back(new Node[BlockSize(b)]);
    return m_used++;
  }

  template <class U>
  POSITION Link(uint32_t prev, uint32_t next, U&& value) {
    // The value may be an element of this list: assign it before anything
    // can change, which is safe because slots never move.
    const uint32_t i = Allocate();
    Node& n = Slot(i);
    n.value = std::forward<U>(value);
    n.prev = prev;
    n.next = next;
    n.tag = NextElementTag();
    if (prev != kNil) Slot(prev).next = i; else m_head = i;
    if (next != kNil) Slot(next).prev = i; else m_tail = i;
    ++m_count;
    return Encode(i);
  }

  void Unlink(uint32_t i) {
    Node& n = Slot(i);
    if (n.prev != kNil) Slot(n.prev).next = n.next; else m_head = n.next;
    if (n.next != kNil) Slot(n.next).prev = n.prev; else m_tail = n.prev;
    n.value = T();
    n.tag = 0;
    n.prev = kNil;
    n.next = m_free;
    m_free = i;
    --m_count;
  }

  const char* m_owner;
  std::vector<std::unique_ptr<Node[]>> m_blocks;
  uint32_t m_used = 0;  // slots ever handed out since the last RemoveAll
  uint32_t m_free = kNil;
  uint32_t m_head = kNil;
  uint32_t m_tail = kNil;
  INT_PTR m_count = 0;
};

static_assert(sizeof(uintptr_t) >= 8, "a POSITION packs a 32-bit slot and a 32-bit tag");

}  // namespace qv::detail

// List of CObject pointers; owns no object.
class CObList {
 public:
  // The block size is accepted for the framework's signature; the list
  // grows its storage by itself.
  explicit CObList(INT_PTR /*nBlockSize*/ = 10) : m_list("CObList") {}
  CObList(const CObList&) = delete;
  CObList& operator=(const CObList&) = delete;

  INT_PTR GetCount() const { return m_list.Count(); }
  INT_PTR GetSize() const { return m_list.Count(); }
  BOOL IsEmpty() const { return m_list.Count() == 0; }

  CObject*& GetHead() { return m_list.HeadValue("GetHead"); }
  CObject* GetHead() const { return m_list.HeadValue("GetHead"); }
  CObject*& GetTail() { return m_list.TailValue("GetTail"); }
  CObject* GetTail() const { return m_list.TailValue("GetTail"); }

  CObject* RemoveHead() { return m_list.RemoveHead("RemoveHead"); }
  CObject* RemoveTail() { return m_list.RemoveTail("RemoveTail"); }

  POSITION AddHead(CObject* newElement) { return m_list.AddHead(newElement); }
  POSITION AddTail(CObject* newElement) { return m_list.AddTail(newElement); }
  void AddHead(CObList* pNewList);
  void AddTail(CObList* pNewList);

  void RemoveAll() { m_list.RemoveAll(); }

  POSITION GetHeadPosition() const { return m_list.Head(); }
  POSITION GetTailPosition() const { return m_list.Tail(); }
  CObject*& GetNext(POSITION& rPosition) { return m_list.Next(rPosition, "GetNext"); }
  CObject* GetNext(POSITION& rPosition) const { return m_list.Next(rPosition, "GetNext"); }
  CObject*& GetPrev(POSITION& rPosition) { return m_list.Prev(rPosition, "GetPrev"); }
  CObject* GetPrev(POSITION& rPosition) const { return m_list.Prev(rPosition, "GetPrev"); }

  CObject*& GetAt(POSITION position) { return m_list.At(position, "GetAt"); }
  CObject* GetAt(POSITION position) const { return m_list.At(position, "GetAt"); }
  void SetAt(POSITION pos, CObject* newElement) { m_list.At(pos, "SetAt") = newElement; }
  void RemoveAt(POSITION position) { m_list.RemoveAt(position, "RemoveAt"); }

  POSITION InsertBefore(POSITION position, CObject* newElement) {
    return m_list.InsertBefore(position, newElement, "InsertBefore");
  }
  POSITION InsertAfter(POSITION position, CObject* newElement) {
    return m_list.InsertAfter(position, newElement, "InsertAfter");
  }

  // The first element after startAfter (null: from the head) that is the
  // same pointer; null when none.
  POSITION Find(CObject* searchValue, POSITION startAfter = nullptr) const {
    return m_list.FindFrom(startAfter, "Find", [searchValue](CObject* p) { return p == searchValue; });
  }
  // Position of the element with this 0-based index; null when there is none.
  POSITION FindIndex(INT_PTR nIndex) const { return m_list.FindIndex(nIndex); }

 private:
  qv::detail::SlotList<CObject*> m_list;
};

// List of strings (copies of the texts).
class CStringList {
 public:
  // The block size is accepted for the framework's signature.
  explicit CStringList(INT_PTR /*nBlockSize*/ = 10) : m_list("CStringList") {}
  CStringList(const CStringList&) = delete;
  CStringList& operator=(const CStringList&) = delete;

  INT_PTR GetCount() const { return m_list.Count(); }
  INT_PTR GetSize() const { return m_list.Count(); }
  BOOL IsEmpty() const { return m_list.Count() == 0; }

  CString& GetHead() { return m_list.HeadValue("GetHead"); }
  const CString& GetHead() const { return m_list.HeadValue("GetHead"); }
  CString& GetTail() { return m_list.TailValue("GetTail"); }
  const CString& GetTail() const { return m_list.TailValue("GetTail"); }

  CString RemoveHead() { return m_list.RemoveHead("RemoveHead"); }
  CString RemoveTail() { return m_list.RemoveTail("RemoveTail"); }

  POSITION AddHead(LPCTSTR newElement) { return m_list.AddHead(CString(newElement)); }
  POSITION AddHead(const CString& newElement) { return m_list.AddHead(newElement); }
  POSITION AddTail(LPCTSTR newElement) { return m_list.AddTail(CString(newElement)); }
  POSITION AddTail(const CString& newElement) { return m_list.AddTail(newElement); }
  void AddHead(CStringList* pNewList);
  void AddTail(CStringList* pNewList);

  void RemoveAll() { m_list.RemoveAll(); }

  POSITION GetHeadPosition() const { return m_list.Head(); }
  POSITION GetTailPosition() const { return m_list.Tail(); }
  CString& GetNext(POSITION& rPosition) { return m_list.Next(rPosition, "GetNext"); }
  const CString& GetNext(POSITION& rPosition) const { return m_list.Next(rPosition, "GetNext"); }
  CString& GetPrev(POSITION& rPosition) { return m_list.Prev(rPosition, "GetPrev"); }
  const CString& GetPrev(POSITION& rPosition) const { return m_list.Prev(rPosition, "GetPrev"); }

  CString& GetAt(POSITION position) { return m_list.At(position, "GetAt"); }
  const CString& GetAt(POSITION position) const { return m_list.At(position, "GetAt"); }
  void SetAt(POSITION pos, LPCTSTR newElement) { m_list.At(pos, "SetAt") = newElement; }
  void SetAt(POSITION pos, const CString& newElement) { m_list.At(pos, "SetAt") = newElement; }
  void RemoveAt(POSITION position) { m_list.RemoveAt(position, "RemoveAt"); }

  POSITION InsertBefore(POSITION position, LPCTSTR newElement) {
    return m_list.InsertBefore(position, CString(newElement), "InsertBefore");
  }
  POSITION InsertBefore(POSITION position, const CString& newElement) {
    return m_list.InsertBefore(position, newElement, "InsertBefore");
  }
  POSITION InsertAfter(POSITION position, LPCTSTR newElement) {
    return m_list.InsertAfter(position, CString(newElement), "InsertAfter");
  }
  POSITION InsertAfter(POSITION position, const CString& newElement) {
    return m_list.InsertAfter(position, newElement, "InsertAfter");
  }

  // The first element after startAfter (null: from the head) whose text
  // equals searchValue byte for byte; null when none.
  POSITION Find(LPCTSTR searchValue, POSITION startAfter = nullptr) const {
    return m_list.FindFrom(startAfter, "Find",
                           [searchValue](const CString& s) { return s == searchValue; });
  }
  POSITION FindIndex(INT_PTR nIndex) const { return m_list.FindIndex(nIndex); }

 private:
  qv::detail::SlotList<CString> m_list;
};

// Growable array of CObject pointers; owns no object.
class CObArray {
 public:
  CObArray() = default;
  CObArray(const CObArray&) = delete;
  CObArray& operator=(const CObArray&) = delete;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return m_data.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  // New elements are null. nGrowBy is accepted for the framework's
  // signature; the array grows its storage by itself.
  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
  void RemoveAll() { m_data.clear(); }

  CObject* GetAt(INT_PTR nIndex) const { return m_data[Checked(nIndex, "GetAt")]; }
  void SetAt(INT_PTR nIndex, CObject* newElement) { m_data[Checked(nIndex, "SetAt")] = newElement; }
  CObject*& ElementAt(INT_PTR nIndex) { return m_data[Checked(nIndex, "ElementAt")]; }
  CObject* operator[](INT_PTR nIndex) const { return m_data[Checked(nIndex, "operator[]")]; }
  CObject*& operator[](INT_PTR nIndex) { return m_data[Checked(nIndex, "operator[]")]; }

  INT_PTR Add(CObject* newElement) {
    m_data.push_back(newElement);
    return GetSize() - 1;
  }
  // Inserts nCount copies at nIndex; an index at or past the end grows the
  // array with nulls up to it, as the framework does.
  void InsertAt(INT_PTR nIndex, CObject* newElement, INT_PTR nCount = 1);
  // Removes nCount elements from nIndex; all of them must exist.
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);
  // Makes this array a copy of src (the pointers, not the objects).
  void Copy(const CObArray& src);

 private:
  size_t Checked(INT_PTR nIndex, const char* op) const {
    if (nIndex < 0 || nIndex >= GetSize()) qv::detail::ThrowIndexError("CObArray", op, nIndex, GetSize());
    return static_cast<size_t>(nIndex);
  }

  std::vector<CObject*> m_data;
};
