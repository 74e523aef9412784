// The whole program in the test's process: a program folder of its own
// (binary name, "Quarvex.ini", SendTo), drive T: on a temporary folder, a
// per-user configuration folder, the program's resources and scripted
// people; Start() runs the application's start-up as the entry point would,
// and the fixture closes every window and rebuilds the application object
// afterwards, so every test starts from the program's first state.
#pragma once

#include <gtest/gtest.h>

// Qt's headers before the platform's (which replace a few C names).
#include "support/ui_driver.h"

#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/ZEKApp.h"
#include "platform/os/system.h"
#include "records/ZEKDoc.h"
#include "res/tables.h"
#include "support/drives.h"
#include "support/scripted_people.h"
#include "support/testutil.h"
#include "ui/MainFrm.h"

namespace qvtest {

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv::res::Install(qv::res::ProgramResources());
    namespace fs = std::filesystem;
    program_ = tmp_.path() / "program";
    fs::create_directories(program_ / "SendTo");
    WriteFile(program_ / "Quarvex", "");
    fs::permissions(program_ / "Quarvex", fs::perms::owner_all);
    const char* src = std::getenv("QUARVEX_TEST_SRC");
    ASSERT_NE(src, nullptr);
    fs::copy_file(fs::path(src) / "src/res/Quarvex.ini", program_ / "Quarvex.ini");
    qv::SetModuleFileForTests((program_ / "Quarvex").string());
    config_ = tmp_.path() / "config";
    configHome_.emplace("XDG_CONFIG_HOME", config_.c_str());
    const char* temp = std::getenv("TEMP");
    savedTemp_ = temp ? temp : "";
    hadTemp_ = temp != nullptr;
    setenv("TEMP", (tmp_.path() / "temp").c_str(), 1);
    fs::create_directories(tmp_.path() / "temp");
    // The application object reads TEMP when it is made: make it afresh in
    // this test's environment, as the program's own starts in its.
    theApp.~CZEKApp();
    new (&theApp) CZEKApp();
  }

  void TearDown() override {
    // Every window goes, and the application object starts afresh.
    if (CWnd* main = AfxGetMainWnd()) main->DestroyWindow();
    if (!exited_) theApp.ExitInstance();
    CDocument* doc = theApp.m_pDocTemplate ? theApp.m_pDocTemplate->GetOnlyDocument() : nullptr;
    delete doc;
    delete theApp.m_pCurrentDoc;
    ui::Pump();
    theApp.~CZEKApp();
    new (&theApp) CZEKApp();
    qv::CommandLineArgs().clear();
    qv::SetModuleFileForTests("");
    configHome_.reset();
    if (hadTemp_) {
      setenv("TEMP", savedTemp_.c_str(), 1);
    } else {
      unsetenv("TEMP");
    }
  }

  // The exit routine, as the entry point runs it after the message loop.
  int Exit() {
    exited_ = true;
    return theApp.ExitInstance();
  }

  // The start-up with these command-line words (code page 932, as the entry
  // point passes them): InitInstance's result. The frame's posted messages
  // have run when it returns.
  BOOL Start(const std::vector<std::string>& args = {}) {
    auto& line = qv::CommandLineArgs();
    line.clear();
    for (const auto& a : args) line.emplace_back(a.c_str());
    const BOOL ok = theApp.InitInstance();
    ui::Pump();
    return ok;
  }

  CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(AfxGetMainWnd()); }
  std::filesystem::path ProgramDir() const { return program_; }
  std::string ReadIni() const { return ReadFile(program_ / "Quarvex.ini"); }

  TempDir tmp_;
  DriveT drive_{tmp_};
  ScriptedPeople people_;
  std::filesystem::path program_;
  std::filesystem::path config_;
  bool exited_ = false;
  std::string savedTemp_;
  bool hadTemp_ = false;
  std::optional<EnvVar> configHome_;
};

}  // namespace qvtest
