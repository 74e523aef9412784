#include "platform/base/object.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/winapp.h"

namespace {

int g_constructed = 0;

// A chain of classes as the document's records build them: a base that
// cannot be created, a creatable class, and serialisable ones.
class CTestShape : public CObject {
  DECLARE_DYNAMIC(CTestShape)
};

class CTestCircle : public CTestShape {
  DECLARE_DYNCREATE(CTestCircle)

 public:
  CTestCircle() { ++g_constructed; }
  int m_nRadius = 7;
};

class CTestRecord : public CTestCircle {
  DECLARE_SERIAL(CTestRecord)

 public:
  int m_nField = 42;
};

class CTestOther : public CObject {
  DECLARE_SERIAL(CTestOther)
};

}  // namespace

IMPLEMENT_DYNAMIC(CTestShape, CObject)
IMPLEMENT_DYNCREATE(CTestCircle, CTestShape)
IMPLEMENT_SERIAL(CTestRecord, CTestCircle, VERSIONABLE_SCHEMA | 0)
IMPLEMENT_SERIAL(CTestOther, CObject, 2)

namespace {

TEST(RuntimeClass, FoundByExactCaseSensitiveName) {
  EXPECT_EQ(CRuntimeClass::FromName("CTestRecord"), RUNTIME_CLASS(CTestRecord));
  EXPECT_EQ(CRuntimeClass::FromName("CTestShape"), RUNTIME_CLASS(CTestShape));
  EXPECT_EQ(CRuntimeClass::FromName("ctestrecord"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CTESTRECORD"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CTestRecor"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CTestRecord "), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName(""), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
  // A class of the layer's own library registered itself as well.
  EXPECT_EQ(CRuntimeClass::FromName("CWinApp"), RUNTIME_CLASS(CWinApp));
}

TEST(RuntimeClass, RecordsNameSizeSchemaAndBase) {
  const CRuntimeClass* c = RUNTIME_CLASS(CTestRecord);
  EXPECT_STREQ(c->m_lpszClassName, "CTestRecord");
  EXPECT_EQ(c->m_nObjectSize, static_cast<int>(sizeof(CTestRecord)));
  EXPECT_EQ(c->m_wSchema, VERSIONABLE_SCHEMA);
  EXPECT_EQ(c->m_pBaseClass, RUNTIME_CLASS(CTestCircle));
  EXPECT_EQ(RUNTIME_CLASS(CTestOther)->m_wSchema, 2u);
  EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
}

TEST(RuntimeClass, CreatesObjectsByName) {
  const int before = g_constructed;
  std::unique_ptr<CObject> p(CRuntimeClass::CreateObject("CTestRecord"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(g_constructed, before + 1);
  EXPECT_EQ(p->GetRuntimeClass(), RUNTIME_CLASS(CTestRecord));
  auto* rec = DYNAMIC_DOWNCAST(CTestRecord, p.get());
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->m_nField, 42);
  EXPECT_EQ(rec->m_nRadius, 7);

  std::unique_ptr<CObject> circle(RUNTIME_CLASS(CTestCircle)->CreateObject());
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->GetRuntimeClass(), RUNTIME_CLASS(CTestCircle));

  // Dynamic-only classes and unknown names create nothing.
  EXPECT_EQ(RUNTIME_CLASS(CTestShape)->CreateObject(), nullptr);
  EXPECT_EQ(CRuntimeClass::CreateObject("CTestShape"), nullptr);
  EXPECT_EQ(CRuntimeClass::CreateObject("ctestrecord"), nullptr);
}

TEST(RuntimeClass, KindOfFollowsTheClassChain) {
  CTestRecord rec;
  EXPECT_TRUE(rec.IsKindOf(RUNTIME_CLASS(CTestRecord)));
  EXPECT_TRUE(rec.IsKindOf(RUNTIME_CLASS(CTestCircle)));
  EXPECT_TRUE(rec.IsKindOf(RUNTIME_CLASS(CTestShape)));
  EXPECT_TRUE(rec.IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(rec.IsKindOf(RUNTIME_CLASS(CTestOther)));
  EXPECT_FALSE(rec.IsKindOf(nullptr));

  CTestCircle circle;
  EXPECT_FALSE(circle.IsKindOf(RUNTIME_CLASS(CTestRecord)));
  EXPECT_TRUE(RUNTIME_CLASS(CTestRecord)->IsDerivedFrom(RUNTIME_CLASS(CTestShape)));
  EXPECT_FALSE(RUNTIME_CLASS(CTestShape)->IsDerivedFrom(RUNTIME_CLASS(CTestRecord)));

  EXPECT_TRUE(rec.IsSerializable());
  EXPECT_TRUE(CTestOther().IsSerializable());
  EXPECT_FALSE(circle.IsSerializable());
}

TEST(RuntimeClass, DownCastsCheckTheClass) {
  CTestCircle circle;
  CObject* p = &circle;
  EXPECT_EQ(DYNAMIC_DOWNCAST(CTestShape, p), &circle);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CTestRecord, p), nullptr);
  CObject* none = nullptr;
  EXPECT_EQ(DYNAMIC_DOWNCAST(CTestCircle, none), nullptr);
  const CObject* cp = &circle;
  const CTestCircle* cc = DYNAMIC_DOWNCAST(CTestCircle, cp);
  EXPECT_EQ(cc, &circle);
  EXPECT_EQ(STATIC_DOWNCAST(CTestCircle, p), &circle);
  EXPECT_EQ(STATIC_DOWNCAST(CTestCircle, none), nullptr);
}

}  // namespace
