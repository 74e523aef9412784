// The program's command line: the framework's words and the option "-i:".
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ZEKApp.h"

namespace {

std::unique_ptr<CMyCommandLineInfo> Parse(const std::vector<std::string>& words) {
  auto& args = qv::CommandLineArgs();
  args.clear();
  for (const auto& w : words) args.emplace_back(w.c_str());
  auto info = std::make_unique<CMyCommandLineInfo>();
  theApp.ParseCommandLine(*info);
  args.clear();
  return info;
}

TEST(CommandLine, TheIniOptionIsKeptBesideTheFrameworksWords) {
  auto ini = Parse({"-i:ini\\abc.ini"});
  EXPECT_TRUE(ini->m_bIniOption);
  EXPECT_EQ(ini->m_strIniOption, "ini\\abc.ini");
  EXPECT_EQ(ini->m_nShellCommand, CCommandLineInfo::FileNew);
  EXPECT_EQ(ini->m_strFileName, "");

  // "/" works like "-"; letter case counts; the last one is kept; an empty
  // value still counts.
  EXPECT_EQ(Parse({"/i:x.ini"})->m_strIniOption, "x.ini");
  EXPECT_FALSE(Parse({"-I:x.ini"})->m_bIniOption);
  EXPECT_FALSE(Parse({"-ini.ini"})->m_bIniOption);
  EXPECT_EQ(Parse({"-i:a.ini", "-i:b.ini"})->m_strIniOption, "b.ini");
  auto empty = Parse({"-i:"});
  EXPECT_TRUE(empty->m_bIniOption);
  EXPECT_EQ(empty->m_strIniOption, "");
  // The option as a plain word (no switch) is a file name.
  auto word = Parse({"i:x.ini"});
  EXPECT_FALSE(word->m_bIniOption);
  EXPECT_EQ(word->m_strFileName, "i:x.ini");

  // With a document: the option and the file, the file is opened.
  auto both = Parse({"-i:ini\\映画.ini", "T:\\docs\\カタログ.qvx"});
  EXPECT_EQ(both->m_strIniOption, "ini\\映画.ini");
  EXPECT_EQ(both->m_strFileName, "T:\\docs\\カタログ.qvx");
  EXPECT_EQ(both->m_nShellCommand, CCommandLineInfo::FileOpen);
}

TEST(CommandLine, StandardAndUnknownSwitches) {
  EXPECT_EQ(Parse({"/p", "a.qvx"})->m_nShellCommand, CCommandLineInfo::FilePrint);
  auto printTo = Parse({"/pt", "a.qvx", "printer", "driver", "port"});
  EXPECT_EQ(printTo->m_nShellCommand, CCommandLineInfo::FilePrintTo);
  EXPECT_EQ(printTo->m_strPortName, "port");
  EXPECT_EQ(Parse({"/dde"})->m_nShellCommand, CCommandLineInfo::FileDDE);
  EXPECT_TRUE(Parse({"/Automation"})->m_bRunAutomated);
  auto embedded = Parse({"-Embedding"});
  EXPECT_TRUE(embedded->m_bRunEmbedded);
  EXPECT_FALSE(embedded->m_bShowSplash);
  // Unknown switches change nothing.
  auto unknown = Parse({"-x", "/unknown", "-i"});
  EXPECT_EQ(unknown->m_nShellCommand, CCommandLineInfo::FileNew);
  EXPECT_FALSE(unknown->m_bIniOption);
  EXPECT_FALSE(unknown->m_bRunEmbedded || unknown->m_bRunAutomated);
  EXPECT_EQ(unknown->m_strFileName, "");
  // A Linux path is a file, not a switch, kept in drive form.
  EXPECT_EQ(Parse({"/tmp/a.qvx"})->m_strFileName, "C:\\tmp\\a.qvx");
}

TEST(CommandLine, TheIniOptionStaysAnOptionWhateverItsValueHolds) {
  // The shortcut's form with a Linux separator: an option, never a file to
  // open (the start-up would fail on it).
  for (const char* word : {"/i:ini/abc.ini", "-i:ini/abc.ini"}) {
    auto ini = Parse({word});
    EXPECT_TRUE(ini->m_bIniOption) << word;
    EXPECT_EQ(ini->m_strIniOption, "ini/abc.ini");
    EXPECT_EQ(ini->m_strFileName, "");
    EXPECT_EQ(ini->m_nShellCommand, CCommandLineInfo::FileNew);
  }
  auto fromLinux = Parse({"/i:/usr/x.ini", "/usr/doc/カタログ.qvx"});
  EXPECT_EQ(fromLinux->m_strIniOption, "C:\\usr\\x.ini");
  EXPECT_EQ(fromLinux->m_strFileName, "C:\\usr\\doc\\カタログ.qvx");
  EXPECT_EQ(fromLinux->m_nShellCommand, CCommandLineInfo::FileOpen);
  // Only letters before the colon make a switch of a word with a second
  // '/': these are Linux paths.
  EXPECT_EQ(Parse({"/a1:/x"})->m_strFileName, "C:\\a1:\\x");
  EXPECT_EQ(Parse({"/:x/y"})->m_strFileName, "C:\\:x\\y");
}

}  // namespace
