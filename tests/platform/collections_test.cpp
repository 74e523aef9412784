#include "platform/base/collections.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

int g_live = 0;

class CItem : public CObject {
 public:
  explicit CItem(int v) : value(v) { ++g_live; }
  ~CItem() override { --g_live; }
  int value;
};

int ValueAt(CObject* p) { return static_cast<CItem*>(p)->value; }

std::vector<int> Forward(const CObList& list) {
  std::vector<int> out;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.push_back(ValueAt(list.GetNext(pos)));
  return out;
}

std::vector<int> Backward(const CObList& list) {
  std::vector<int> out;
  for (POSITION pos = list.GetTailPosition(); pos != nullptr;) out.push_back(ValueAt(list.GetPrev(pos)));
  return out;
}

// Deletes the objects by walking the list, as the owners of lists do.
void DeleteAll(CObList& list) {
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) delete list.GetNext(pos);
  list.RemoveAll();
}

std::vector<std::string> Strings(const CStringList& list) {
  std::vector<std::string> out;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.emplace_back(list.GetNext(pos));
  return out;
}

template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const CLayerError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ObList, OperationsAtBothEnds) {
  CObList list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  EXPECT_EQ(list.GetTailPosition(), nullptr);

  list.AddTail(new CItem(2));
  list.AddTail(new CItem(3));
  list.AddHead(new CItem(1));
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetSize(), 3);
  EXPECT_EQ(ValueAt(list.GetHead()), 1);
  EXPECT_EQ(ValueAt(list.GetTail()), 3);
  EXPECT_EQ(Forward(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Backward(list), (std::vector<int>{3, 2, 1}));

  CObject* head = list.RemoveHead();
  CObject* tail = list.RemoveTail();
  EXPECT_EQ(ValueAt(head), 1);
  EXPECT_EQ(ValueAt(tail), 3);
  delete head;
  delete tail;
  EXPECT_EQ(Forward(list), (std::vector<int>{2}));
  EXPECT_EQ(list.GetHeadPosition(), list.GetTailPosition());

  DeleteAll(list);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(g_live, 0);
}

TEST(ObList, InsertFindAndReplaceByPosition) {
  CItem a(1), b(2), c(3), d(4);
  CObList list;
  POSITION pa = list.AddTail(&a);
  POSITION pc = list.AddTail(&c);
  POSITION pb = list.InsertAfter(pa, &b);
  EXPECT_EQ(list.Find(&b), pb);
  list.InsertBefore(nullptr, &d);  // null: at the head
  EXPECT_EQ(Forward(list), (std::vector<int>{4, 1, 2, 3}));
  list.InsertAfter(nullptr, &d);   // null: at the tail
  list.InsertBefore(pc, &a);
  EXPECT_EQ(Forward(list), (std::vector<int>{4, 1, 2, 1, 3, 4}));

  // Find continues after a given position.
  POSITION first = list.Find(&a);
  ASSERT_NE(first, nullptr);
  POSITION second = list.Find(&a, first);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(list.Find(&a, second), nullptr);
  EXPECT_EQ(list.Find(nullptr), nullptr);

  for (INT_PTR i = 0; i < list.GetCount(); ++i)
    EXPECT_EQ(ValueAt(list.GetAt(list.FindIndex(i))), Forward(list)[static_cast<size_t>(i)]);
  EXPECT_EQ(list.FindIndex(-1), nullptr);
  EXPECT_EQ(list.FindIndex(6), nullptr);

  list.SetAt(first, &c);
  EXPECT_EQ(list.GetAt(first), &c);
  list.GetAt(second) = &b;
  EXPECT_EQ(Forward(list), (std::vector<int>{4, 3, 2, 2, 3, 4}));
}

TEST(ObList, RemovalWhileWalkingBySavedPosition) {
  CObList list;
  for (int i = 0; i < 10; ++i) list.AddTail(new CItem(i));
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    POSITION here = pos;
    CObject* p = list.GetNext(pos);
    if (ValueAt(p) % 2 == 0) {
      list.RemoveAt(here);
      delete p;
    }
  }
  EXPECT_EQ(Forward(list), (std::vector<int>{1, 3, 5, 7, 9}));
  EXPECT_EQ(Backward(list), (std::vector<int>{9, 7, 5, 3, 1}));
  // Freed places are used again and the order stays right.
  list.AddHead(new CItem(-1));
  list.AddTail(new CItem(11));
  EXPECT_EQ(Forward(list), (std::vector<int>{-1, 1, 3, 5, 7, 9, 11}));
  DeleteAll(list);
  EXPECT_EQ(g_live, 0);
}

TEST(ObList, AppendsOtherListsAndItself) {
  CItem a(1), b(2), c(3);
  CObList list, other;
  list.AddTail(&a);
  other.AddTail(&b);
  other.AddTail(&c);
  list.AddTail(&other);
  list.AddHead(&other);
  EXPECT_EQ(Forward(list), (std::vector<int>{2, 3, 1, 2, 3}));
  list.AddTail(&list);  // doubles once, no endless walk
  EXPECT_EQ(list.GetCount(), 10);
  list.AddHead(&list);
  EXPECT_EQ(list.GetCount(), 20);
  EXPECT_EQ(Forward(list).front(), 2);
  EXPECT_EQ(Forward(other), (std::vector<int>{2, 3}));
}

TEST(ObList, OutOfRangeIsAnErrorNotUndefined) {
  CObList list;
  EXPECT_EQ(ErrorOf([&] { list.GetHead(); }), "CObList::GetHead: the list is empty");
  EXPECT_EQ(ErrorOf([&] { list.GetTail(); }), "CObList::GetTail: the list is empty");
  EXPECT_EQ(ErrorOf([&] { list.RemoveHead(); }), "CObList::RemoveHead: the list is empty");
  EXPECT_EQ(ErrorOf([&] { list.RemoveTail(); }), "CObList::RemoveTail: the list is empty");
  POSITION none = nullptr;
  EXPECT_EQ(ErrorOf([&] { list.GetNext(none); }), "CObList::GetNext: null POSITION");
  EXPECT_THROW(list.GetPrev(none), CLayerError);
  EXPECT_THROW(list.GetAt(nullptr), CLayerError);
  EXPECT_THROW(list.RemoveAt(nullptr), CLayerError);
  EXPECT_THROW(list.SetAt(nullptr, nullptr), CLayerError);
  EXPECT_THROW(list.AddTail(static_cast<CObList*>(nullptr)), CLayerError);

  CItem a(1), b(2);
  POSITION pa = list.AddTail(&a);
  list.AddTail(&b);
  list.RemoveAt(pa);
  // The removed element's position is refused, also once its place is
  // used again.
  EXPECT_THROW(list.GetAt(pa), CLayerError);
  list.AddTail(&a);
  EXPECT_THROW(list.GetAt(pa), CLayerError);
  EXPECT_THROW(list.RemoveAt(pa), CLayerError);
  EXPECT_THROW(list.InsertBefore(pa, &a), CLayerError);
  EXPECT_THROW(list.Find(&a, pa), CLayerError);

  // A position of another list.
  CObList other;
  POSITION foreign = other.AddTail(&a);
  EXPECT_NE(ErrorOf([&] { list.GetAt(foreign); }).find("no element of this list"), std::string::npos);

  // Positions die with RemoveAll.
  POSITION head = list.GetHeadPosition();
  list.RemoveAll();
  list.AddTail(&b);
  EXPECT_THROW(list.GetNext(head), CLayerError);
  EXPECT_EQ(list.GetCount(), 1);
}

TEST(ObList, LargeListsStayConsistent) {
  constexpr int kCount = 200000;
  std::deque<CItem> items;
  for (int i = 0; i < kCount; ++i) items.emplace_back(i);

  CObList list;
  POSITION first = list.AddTail(&items[0]);
  CObject*& firstRef = list.GetAt(first);
  for (int i = 1; i < kCount; ++i) list.AddTail(&items[static_cast<size_t>(i)]);
  // References stay valid while the list grows.
  EXPECT_EQ(firstRef, &items[0]);
  EXPECT_EQ(ValueAt(list.GetAt(list.FindIndex(kCount - 2))), kCount - 2);

  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    POSITION here = pos;
    if (ValueAt(list.GetNext(pos)) % 3 != 0) list.RemoveAt(here);
  }
  EXPECT_EQ(list.GetCount(), (kCount + 2) / 3);
  int expected = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr; expected += 3)
    ASSERT_EQ(ValueAt(list.GetNext(pos)), expected);
  while (!list.IsEmpty()) list.RemoveTail();
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  items.clear();
  EXPECT_EQ(g_live, 0);
}

TEST(StringList, KeepsCopiesAndFindsExactText) {
  CStringList list;
  CString name("表示");
  list.AddTail(name);
  list.AddTail("abc");
  list.AddHead("ABC");
  name = "changed";
  EXPECT_EQ(Strings(list), (std::vector<std::string>{"ABC", "表示", "abc"}));
  EXPECT_EQ(list.GetHead(), "ABC");
  EXPECT_EQ(list.GetTail(), "abc");

  POSITION p = list.Find("abc");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(list.GetAt(p), "abc");
  EXPECT_EQ(list.Find("abc", p), nullptr);
  EXPECT_EQ(list.Find("Abc"), nullptr);  // letter case counts
  EXPECT_EQ(list.Find("表"), nullptr);    // whole texts only
  EXPECT_EQ(list.Find("表示"), list.FindIndex(1));

  list.SetAt(p, "xyz");
  list.InsertBefore(p, CString("before"));
  list.InsertAfter(p, "after");
  EXPECT_EQ(Strings(list), (std::vector<std::string>{"ABC", "表示", "before", "xyz", "after"}));

  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    POSITION here = pos;
    if (list.GetNext(pos).GetLength() > 4) list.RemoveAt(here);  // 表示 is 4 bytes
  }
  EXPECT_EQ(Strings(list), (std::vector<std::string>{"ABC", "表示", "xyz"}));
  EXPECT_EQ(list.RemoveHead(), "ABC");
  EXPECT_EQ(list.RemoveTail(), "xyz");

  list.AddTail(list.GetHead());  // an element of the list itself
  list.AddTail(&list);
  EXPECT_EQ(Strings(list), (std::vector<std::string>{"表示", "表示", "表示", "表示"}));
  list.RemoveAll();
  EXPECT_THROW(list.GetHead(), CLayerError);
  POSITION none = nullptr;
  EXPECT_EQ(ErrorOf([&] { list.GetNext(none); }), "CStringList::GetNext: null POSITION");
}

TEST(ObArray, IndexesAndResizing) {
  CItem a(1), b(2), c(3);
  CObArray arr;
  EXPECT_EQ(arr.GetUpperBound(), -1);
  EXPECT_EQ(arr.Add(&a), 0);
  EXPECT_EQ(arr.Add(&b), 1);
  EXPECT_EQ(arr.GetSize(), 2);
  EXPECT_EQ(arr.GetCount(), 2);
  EXPECT_EQ(arr[1], &b);
  arr[1] = &c;
  EXPECT_EQ(arr.GetAt(1), &c);
  arr.ElementAt(0) = &b;
  arr.SetAt(1, &a);
  EXPECT_EQ(arr.GetAt(0), &b);
  EXPECT_EQ(arr.GetAt(1), &a);

  arr.SetSize(4);
  EXPECT_EQ(arr.GetUpperBound(), 3);
  EXPECT_EQ(arr.GetAt(3), nullptr);
  arr.SetSize(1);
  EXPECT_EQ(arr.GetSize(), 1);

  arr.InsertAt(0, &a);
  arr.InsertAt(1, &c, 2);
  EXPECT_EQ(arr.GetSize(), 4);
  EXPECT_EQ(arr[0], &a);
  EXPECT_EQ(arr[2], &c);
  EXPECT_EQ(arr[3], &b);
  arr.InsertAt(6, &a);  // past the end: grows with nulls
  EXPECT_EQ(arr.GetSize(), 7);
  EXPECT_EQ(arr[5], nullptr);
  EXPECT_EQ(arr[6], &a);

  arr.RemoveAt(4, 2);
  EXPECT_EQ(arr.GetSize(), 5);
  EXPECT_EQ(arr[4], &a);
  arr.RemoveAt(0);
  EXPECT_EQ(arr[0], &c);

  CObArray copy;
  copy.Add(&a);
  copy.Copy(arr);
  EXPECT_EQ(copy.GetSize(), arr.GetSize());
  EXPECT_EQ(copy[3], &a);
  copy.Copy(copy);
  EXPECT_EQ(copy.GetSize(), 4);
  copy.RemoveAll();
  EXPECT_TRUE(copy.IsEmpty());
}

TEST(ObArray, OutOfRangeIsAnErrorNotUndefined) {
  CItem a(1);
  CObArray arr;
  EXPECT_EQ(ErrorOf([&] { arr.GetAt(0); }), "CObArray::GetAt: index 0 refused: the array is empty");
  arr.Add(&a);
  arr.Add(&a);
  EXPECT_EQ(ErrorOf([&] { arr.SetAt(2, &a); }), "CObArray::SetAt: index 2 is outside 0..1");
  EXPECT_THROW(arr.GetAt(-1), CLayerError);
  EXPECT_THROW(arr.ElementAt(2), CLayerError);
  EXPECT_THROW(arr[5], CLayerError);
  const CObArray& carr = arr;
  EXPECT_THROW(carr[2], CLayerError);
  EXPECT_THROW(arr.RemoveAt(2), CLayerError);
  EXPECT_THROW(arr.RemoveAt(1, 2), CLayerError);
  EXPECT_THROW(arr.RemoveAt(0, -1), CLayerError);
  EXPECT_THROW(arr.InsertAt(-1, &a), CLayerError);
  EXPECT_THROW(arr.SetSize(-1), CLayerError);
  EXPECT_EQ(arr.GetSize(), 2);  // nothing changed by the refused calls
}

}  // namespace
