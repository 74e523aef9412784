#include "platform/win.h"

#include <gtest/gtest.h>

namespace {

TEST(CStringBasics, Smoke) {
  CString s("表\\x");
  EXPECT_EQ(s.GetLength(), 4);
  EXPECT_EQ(s.ReverseFind('\\'), 2);
  CString f;
  f.Format("%s-%d", s, 5);
  EXPECT_EQ(f, "表\\x-5");
}

}  // namespace
