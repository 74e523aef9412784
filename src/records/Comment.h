// The comment table: comments of listed items, each kept with the item's
// relative path as its key, so that a re-run finds them again. Merge records
// hold only the index of their element.
#pragma once

#include "platform/win.h"

class CArchive;

// 32-bit sum of the bytes of a zero-terminated text, each byte taken as a
// signed 8-bit value; "" gives 0.
DWORD HashCommentKey(LPCSTR lpszText);

class CComment_Data_Obj : public CObject {
  DECLARE_SERIAL(CComment_Data_Obj)

 public:
  CComment_Data_Obj();
  ~CComment_Data_Obj() override;

  void Serialize(CArchive& ar) override;
  virtual void Init();

  // Key and its hash; the comment stays.
  void SetKey(LPCSTR lpszKey);
  CString GetComment() const { return m_strComment; }

  CString m_strComment;
  DWORD m_dwHash;
  CString m_strKey;

 private:
  friend class CComment_Obj;
  // Taken into a table's look-up index: a later key change must reach it.
  bool m_bIndexed = false;
};

// Array of element pointers of one type, in index order. It does not own the
// elements: whoever holds the array deletes them.
template <class T>
class CTemplate_Obj_Array : public CObArray {
 public:
  T* GetAt(INT_PTR nIndex) const { return static_cast<T*>(CObArray::GetAt(nIndex)); }
  T* operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
};

class CComment_Obj : public CObject {
  DECLARE_SERIAL(CComment_Obj)

 public:
  CComment_Obj();
  ~CComment_Obj() override;

  void Serialize(CArchive& ar) override;
  virtual void Init();

  int GetCount() const { return static_cast<int>(m_arrData.GetSize()); }
  // Appends one empty element at index GetCount().
  void AddNew();
  // Shrinks (deleting the elements past n) or grows with empty elements;
  // a negative n does nothing.
  void Resize(int n);
  // Index of the element for the key, or of a new empty element appended
  // when there is none (its key is left for the caller to set).
  int FindOrAdd(LPCSTR lpszKey);
  // The elements a run's new merge records take, one per key, in the order
  // of the keys, into `indexes`: what CZEKMergeFileInfo::TakeCommentElement
  // gives for each key in turn (with nKeep the element of the key, made
  // when missing; without it a new empty element), with the look-ups and
  // the new elements made on several threads.
  void TakeElements(int nKeep, const std::vector<LPCSTR>& keys, std::vector<int>& indexes);
  // Element at an index of 0 .. GetCount()-1; the array refuses others.
  CComment_Data_Obj* GetAt(int nIndex) const { return m_arrData.GetAt(nIndex); }

  CTemplate_Obj_Array<CComment_Data_Obj> m_arrData;

 private:
  // Look-up by key for FindOrAdd: a run asks once per item, so a scan of the
  // table would make it quadratic. The index takes in elements lazily and is
  // dropped whenever the table is resized or read, and whenever SetKey
  // changes the key of an element that some index holds (the comment command
  // and the application's template do that).
  // Takes in the elements added since the last look-up (or all of them,
  // after a key change of an indexed element).
  void UpdateIndex();

  std::unordered_map<std::string, int> m_keyIndex;
  int m_nIndexed = 0;
  unsigned m_nKeyChangesSeen = 0;
};

// The comment table of the current document, where the run's new merge
// records take their elements. The document sets it to its own table
// whenever it becomes the current document and clears it when it goes.
void SetCurrentCommentTable(CComment_Obj* pTable);
CComment_Obj* GetCurrentCommentTable();
