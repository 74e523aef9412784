// The settings record the layers below the application read: which record
// ZEKSettings() gives while records are made and go.
#include <gtest/gtest.h>

#include <memory>

#include "app/ZEKApp.h"
#include "records/EnvLabel.h"
#include "records/Settings.h"

namespace {

TEST(SettingsRecord, TheRecordMadeLastAnswersUntilItGoes) {
  // In the test program the application object is the record.
  ASSERT_EQ(&ZEKSettings(), static_cast<CZEKSettings*>(&theApp));

  auto first = std::make_unique<CZEKSettings>();
  EXPECT_EQ(&ZEKSettings(), first.get());
  auto second = std::make_unique<CZEKSettings>();
  EXPECT_EQ(&ZEKSettings(), second.get());
  // Records may go in any order: one made before the last leaves the chain
  // without taking the last with it.
  first.reset();
  EXPECT_EQ(&ZEKSettings(), second.get());
  second.reset();
  EXPECT_EQ(&ZEKSettings(), static_cast<CZEKSettings*>(&theApp));
}

TEST(SettingsRecord, RecordsReadTheRecordThatAnswers) {
  // A new entry takes its folders and its comment from the settings.
  auto settings = std::make_unique<CZEKSettings>();
  settings->m_strNewPath = "N:\\new";
  settings->m_strOldPath = "O:\\old";
  settings->m_strDefaultComment = "こちらの設定";
  CZEKEnv_Label entry;
  EXPECT_EQ(entry.m_strNewPath, "N:\\new");
  EXPECT_EQ(entry.m_strOldPath, "O:\\old");
  EXPECT_EQ(entry.m_strComment, "こちらの設定");
  settings.reset();
  CZEKEnv_Label later;
  EXPECT_EQ(later.m_strNewPath, theApp.m_strNewPath);
  EXPECT_EQ(later.m_strComment, theApp.m_strDefaultComment);
}

}  // namespace
